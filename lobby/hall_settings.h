// What the hall window remembers between runs: the servers typed, the last name, a sign-in's
// token (never the password), and the choices for playing alone and hosting. Kept with Qt's
// settings in the player's configuration folder, readable by the player only.
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

namespace korvel::lobby {

struct PlayAloneChoice {
  int turnSeconds = 8;
  int stake = 10;
  qint64 coins = 10000;
  bool props = false;
};

struct HostChoice {
  QString address = "127.0.0.1";
  int port = 6000;
  bool openSeats = true;
  int computerPlayers = 0;
  int stake = 10;
  int turnSeconds = 8;
  bool watchers = true;
};

struct RememberedSignIn {
  QString token;
  qint64 expires = 0;  // Unix seconds
};

class HallSettings {
 public:
  HallSettings();
  ~HallSettings();

  // Servers the player signed in to, the latest first; at most ten.
  QStringList Servers() const;
  void AddServer(const QString& address);
  QString LastName() const;
  void SetLastName(const QString& name);

  // A token still good at `nowSeconds` for this server and name, or an empty one.
  RememberedSignIn SignIn(const QString& server, const QString& name, qint64 nowSeconds) const;
  void RememberSignIn(const QString& server, const QString& name, const RememberedSignIn& s);
  void ForgetSignIn(const QString& server, const QString& name);

  PlayAloneChoice PlayAlone() const;
  void SetPlayAlone(const PlayAloneChoice& c);
  HostChoice Host() const;
  void SetHost(const HostChoice& c);

 private:
  void Save();
  static QString SignInKey(const QString& server, const QString& name);
  mutable QSettings settings_;
};

}  // namespace korvel::lobby
