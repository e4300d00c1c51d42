#include "hall_settings.h"

#include <QFile>

namespace korvel::lobby {
namespace {
constexpr int kMaxServers = 10;

template <typename T>
T Clamped(const QVariant& v, T low, T high, T fallback) {
  bool ok = false;
  const qint64 n = v.toLongLong(&ok);
  if (!ok || n < low || n > high) return fallback;
  return static_cast<T>(n);
}
}  // namespace

HallSettings::HallSettings() : settings_("korvel", "korvel-lobby") {}

HallSettings::~HallSettings() { Save(); }

void HallSettings::Save() {
  settings_.sync();
  // A token signs in as the player: only the player may read it.
  QFile::setPermissions(settings_.fileName(), QFile::ReadOwner | QFile::WriteOwner);
}

QStringList HallSettings::Servers() const {
  QStringList list = settings_.value("hall/servers").toStringList();
  list.removeAll(QString());
  return list.mid(0, kMaxServers);
}

void HallSettings::AddServer(const QString& address) {
  QStringList list = Servers();
  list.removeAll(address);
  list.prepend(address);
  settings_.setValue("hall/servers", list.mid(0, kMaxServers));
  Save();
}

QString HallSettings::LastName() const { return settings_.value("hall/name").toString(); }

void HallSettings::SetLastName(const QString& name) {
  settings_.setValue("hall/name", name);
  Save();
}

QString HallSettings::SignInKey(const QString& server, const QString& name) {
  // Group names may not hold every character an address has.
  return "signin/" + QString::fromLatin1((server + "\n" + name).toUtf8().toHex());
}

RememberedSignIn HallSettings::SignIn(const QString& server, const QString& name,
                                      qint64 nowSeconds) const {
  RememberedSignIn s;
  const QString key = SignInKey(server, name);
  s.token = settings_.value(key + "/token").toString();
  s.expires = settings_.value(key + "/expires").toLongLong();
  if (s.token.isEmpty() || s.expires <= nowSeconds + 60) return {};
  return s;
}

void HallSettings::RememberSignIn(const QString& server, const QString& name,
                                  const RememberedSignIn& s) {
  const QString key = SignInKey(server, name);
  settings_.setValue(key + "/token", s.token);
  settings_.setValue(key + "/expires", s.expires);
  Save();
}

void HallSettings::ForgetSignIn(const QString& server, const QString& name) {
  settings_.remove(SignInKey(server, name));
  Save();
}

PlayAloneChoice HallSettings::PlayAlone() const {
  PlayAloneChoice c;
  c.turnSeconds = Clamped(settings_.value("alone/turn_seconds"), 3, 15, c.turnSeconds);
  c.stake = Clamped(settings_.value("alone/stake"), 1, 100000, c.stake);
  c.coins = Clamped<qint64>(settings_.value("alone/coins"), 100, 1000000000, c.coins);
  c.props = settings_.value("alone/props", c.props).toBool();
  return c;
}

void HallSettings::SetPlayAlone(const PlayAloneChoice& c) {
  settings_.setValue("alone/turn_seconds", c.turnSeconds);
  settings_.setValue("alone/stake", c.stake);
  settings_.setValue("alone/coins", c.coins);
  settings_.setValue("alone/props", c.props);
  Save();
}

HostChoice HallSettings::Host() const {
  HostChoice c;
  const QString address = settings_.value("host/address").toString().trimmed();
  if (!address.isEmpty()) c.address = address;
  c.port = Clamped(settings_.value("host/port"), 1024, 32766, c.port);
  c.openSeats = settings_.value("host/open", c.openSeats).toBool();
  c.computerPlayers = Clamped(settings_.value("host/computer_players"), 0, 1, c.computerPlayers);
  c.stake = Clamped(settings_.value("host/stake"), 1, 100000, c.stake);
  c.turnSeconds = Clamped(settings_.value("host/turn_seconds"), 3, 15, c.turnSeconds);
  c.watchers = settings_.value("host/watchers", c.watchers).toBool();
  return c;
}

void HallSettings::SetHost(const HostChoice& c) {
  settings_.setValue("host/address", c.address);
  settings_.setValue("host/port", c.port);
  settings_.setValue("host/open", c.openSeats);
  settings_.setValue("host/computer_players", c.computerPlayers);
  settings_.setValue("host/stake", c.stake);
  settings_.setValue("host/turn_seconds", c.turnSeconds);
  settings_.setValue("host/watchers", c.watchers);
  Save();
}

}  // namespace korvel::lobby
