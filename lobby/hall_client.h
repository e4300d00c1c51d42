// The hall service over HTTP for the hall window: one request at a time per call, answered on
// the event loop, never blocking it; and the live table list from the event stream, followed
// again by itself after a drop. Every refusal comes back as a HallFailure whose text a player
// understands.
#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "hall_data.h"

class QNetworkReply;

namespace korvel::lobby {

struct HallFailure {
  enum class Kind {
    None,
    Unreachable,    // no answer: refused, unknown host, timed out, not a hall
    WrongPassword,  // a sign-in refused
    SignedOut,      // the token is unknown or expired
    NameTaken,
    BadValue,       // a value breaks the rules (the server's reason in `detail`)
    NoRegistration,
    SeatTaken,      // the table is full, or the seat went to someone else
    NotEnoughCoins,
    AlreadySeated,  // seated, or holding a seat, elsewhere in the hall
    NoSuchTable,
    OtherServer,    // the table belongs to another process of the hall (`host`, `port`)
    CannotWatch,
    HallFull,       // every table is in play
    TooMany,        // too many requests or accounts lately
    Busy,           // the server cannot answer now
    Other,
  };
  Kind kind = Kind::None;
  int status = 0;   // the HTTP status, 0 without an answer
  QString detail;   // the server's own reason, or the network's
  QString host;     // OtherServer: where the table is
  int port = 0;
  // The words for the player, in Chinese; empty for None.
  QString text;

  explicit operator bool() const { return kind != Kind::None; }
};

class HallClient : public QObject {
  Q_OBJECT
 public:
  template <typename T>
  using Done = std::function<void(const HallFailure&, const T&)>;
  struct Nothing {};

  explicit HallClient(QObject* parent = nullptr);
  ~HallClient() override;

  // The hall's address (its HTTP port, not the game port). Ends the event stream.
  void SetServer(const QString& host, int port);
  QString Host() const { return host_; }
  int Port() const { return port_; }
  // The bearer token of a sign-in, or empty.
  void SetToken(const QString& token) { token_ = token; }
  QString Token() const { return token_; }
  // Each request gives up after this long (10 s unless set).
  void SetTimeoutMs(int ms) { timeoutMs_ = ms; }

  void Describe(Done<HallInfo> done);
  void Register(const QString& name, const QString& password, const QString& nickname,
                Done<Nothing> done);
  // Keeps the token on success.
  void SignIn(const QString& name, const QString& password, Done<SignInTicket> done);
  // Forgets the token whatever the answer.
  void SignOut(Done<Nothing> done);
  void Me(Done<PlayerFigures> done);
  void Tables(Done<std::vector<HallTable>> done);
  void CreateTable(int stake, int turnSeconds, int computerPlayers, Done<qint64> done);
  void ReserveSeat(qint64 tableId, Done<SeatTicket> done);
  // seat < 0: the first human seat.
  void ReserveWatch(qint64 tableId, int seat, Done<SeatTicket> done);

  // Follows the event stream until StopFollowing or SetServer; after a drop it tries again
  // every 2 s, telling streamLive(false) meanwhile.
  void Follow();
  void StopFollowing();
  bool Following() const { return following_; }

  // What a refusal means for the player: the status, the server's reason and the request.
  enum class Request { Describe, Register, SignIn, SignOut, Me, Tables, CreateTable, Seat, Watch };
  static HallFailure Classify(Request request, int status, const QString& serverReason);

 Q_SIGNALS:
  void tablesReplaced(const std::vector<korvel::lobby::HallTable>& tables);
  void tableChanged(const korvel::lobby::HallTable& table);
  void tableClosed(qint64 id);
  void streamLive(bool live);

 private:
  QNetworkReply* Send(const QByteArray& method, const QString& path, const QByteArray& body);
  template <typename T>
  void Call(Request request, const QByteArray& method, const QString& path,
            const QByteArray& body, std::function<std::optional<T>(QByteArrayView)> parse,
            Done<T> done);
  void OpenStream();
  void OnStreamBytes();
  void OnStreamEnded();
  void CloseStream();  // quietly: no signal, no retry
  void StreamLost();   // a drop, a broken stream or silence: tell, and try again in a while
  void SetLive(bool live);

  QNetworkAccessManager net_;
  QString host_;
  int port_ = 0;
  QString token_;
  int timeoutMs_ = 10000;
  bool following_ = false;
  bool live_ = false;  // the stream's whole list has come and nothing broke since
  QPointer<QNetworkReply> stream_;
  EventStreamParser parser_;
  QTimer retry_;
  QTimer quiet_;  // no bytes, not even the keep-alive comment, for too long: start again
};

}  // namespace korvel::lobby
