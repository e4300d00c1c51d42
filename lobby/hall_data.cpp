#include "hall_data.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QLatin1StringView>
#include <algorithm>
#include <cmath>

namespace korvel::lobby {

namespace {

// Integers travel as JSON numbers, which a double holds exactly only up to 2^53.
constexpr qint64 kMaxExact = qint64{1} << 53;
constexpr qint64 kMaxPort = 65535;
// Far beyond what the server allows, but small enough that nothing overflows an int.
constexpr qint64 kMaxStake = 1'000'000'000;
constexpr qint64 kMaxTurnSeconds = 3600;
constexpr qint64 kMaxWatchers = 1'000'000;
// A token goes into a header: only URL-safe base64, and no longer than the server reads.
constexpr qsizetype kMaxTokenLength = 192;

std::optional<QJsonObject> Object(QByteArrayView json) {
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(json.toByteArray(), &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
  return document.object();
}

// A whole number in [low, high]; anything else (a string, 1.5, 1e300, a missing field) is not.
std::optional<qint64> Whole(const QJsonValue& value, qint64 low, qint64 high) {
  if (!value.isDouble()) return std::nullopt;
  const double d = value.toDouble();
  if (!(d >= static_cast<double>(low) && d <= static_cast<double>(high)) || d != std::floor(d))
    return std::nullopt;
  // Integers beyond 2^53 are kept exactly by the parser: compare those, not their rounding.
  const qint64 i = value.toInteger();
  if (i < low || i > high) return std::nullopt;
  return i;
}

// Reads fields into a struct, remembering whether any was missing or wrong, so a parser reads
// straight down its fields and gives up once at the end.
class Reader {
 public:
  explicit Reader(const QJsonObject& object) : object_(object) {}
  bool Ok() const { return ok_; }

  void Int(const char* key, int& out, qint64 low, qint64 high) {
    qint64 v = 0;
    Int64(key, v, low, high);
    out = static_cast<int>(v);
  }
  void Int64(const char* key, qint64& out, qint64 low = -kMaxExact, qint64 high = kMaxExact) {
    const std::optional<qint64> v = Whole(object_.value(QLatin1StringView(key)), low, high);
    if (v) {
      out = *v;
    } else {
      ok_ = false;
    }
  }
  void Bool(const char* key, bool& out) {
    const QJsonValue v = object_.value(QLatin1StringView(key));
    if (v.isBool()) {
      out = v.toBool();
    } else {
      ok_ = false;
    }
  }
  void String(const char* key, QString& out, bool allowEmpty = true) {
    const QJsonValue v = object_.value(QLatin1StringView(key));
    if (v.isString() && (allowEmpty || !v.toString().isEmpty())) {
      out = v.toString();
    } else {
      ok_ = false;
    }
  }
  void Fail() { ok_ = false; }

 private:
  const QJsonObject& object_;
  bool ok_ = true;
};

// `json` as one object read into a T by `fields`; nothing unless every field was right.
template <typename T, typename Fields>
std::optional<T> Read(QByteArrayView json, Fields fields) {
  const std::optional<QJsonObject> object = Object(json);
  if (!object) return std::nullopt;
  Reader r(*object);
  T out;
  fields(r, out);
  if (!r.Ok()) return std::nullopt;
  return out;
}

std::optional<HallSeat> SeatFrom(const QJsonValue& value) {
  HallSeat seat;
  if (value.isNull()) return seat;
  if (!value.isObject()) return std::nullopt;
  const QJsonObject object = value.toObject();
  Reader r(object);
  seat.taken = true;
  r.String("name", seat.name, false);
  r.String("nickname", seat.nickname);
  r.Int64("coins", seat.coins);
  const QJsonValue reserved = object.value(QLatin1StringView("reserved"));
  if (!reserved.isUndefined()) r.Bool("reserved", seat.reserved);
  if (!r.Ok()) return std::nullopt;
  return seat;
}

std::optional<HallTable> TableFrom(const QJsonValue& value) {
  if (!value.isObject()) return std::nullopt;
  const QJsonObject object = value.toObject();
  Reader r(object);
  HallTable table;
  r.Int64("id", table.id, 1, kMaxExact);
  const QJsonValue seats = object.value(QLatin1StringView("seats"));
  if (!seats.isArray() || seats.toArray().size() != 3) return std::nullopt;
  const QJsonArray list = seats.toArray();
  for (int i = 0; i < 3; ++i) {
    const std::optional<HallSeat> seat = SeatFrom(list.at(i));
    if (!seat) return std::nullopt;
    table.seats[static_cast<size_t>(i)] = *seat;
  }
  r.Int("watchers", table.watchers, 0, kMaxWatchers);
  r.Bool("watchable", table.watchable);
  r.Int("stake", table.stake, 1, kMaxStake);
  r.Int("turn_seconds", table.turnSeconds, 1, kMaxTurnSeconds);
  r.Int("computer_players", table.computerPlayers, 0, 3);
  r.String("host", table.host, false);
  r.Int("port", table.port, 1, kMaxPort);
  if (!r.Ok()) return std::nullopt;
  return table;
}

// {"id": N} with N a table number.
std::optional<qint64> IdFrom(QByteArrayView json) {
  const std::optional<QJsonObject> object = Object(json);
  if (!object) return std::nullopt;
  return Whole(object->value(QLatin1StringView("id")), 1, kMaxExact);
}

bool TokenCharacter(QChar c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
         c == u'-' || c == u'_';
}

}  // namespace

int HallTable::FreeSeats() const {
  return static_cast<int>(
      std::count_if(seats.begin(), seats.end(), [](const HallSeat& s) { return !s.taken; }));
}

std::optional<HallInfo> ParseHallInfo(QByteArrayView json) {
  return Read<HallInfo>(json, [](Reader& r, HallInfo& info) {
    r.Bool("open", info.open);
    r.Bool("registration", info.registration);
    r.Bool("watchers", info.watchers);
    r.Int("stake", info.stake, 1, kMaxStake);
    r.Int("max_stake", info.maxStake, 1, kMaxStake);
    r.Int("turn_seconds", info.turnSeconds, 1, kMaxTurnSeconds);
    r.Int("min_turn_seconds", info.minTurnSeconds, 1, kMaxTurnSeconds);
    r.Int("max_turn_seconds", info.maxTurnSeconds, 1, kMaxTurnSeconds);
    r.String("host", info.host, false);
    r.Int("port", info.port, 1, kMaxPort);
    r.String("version", info.version);
    // A window offers the range, so it has to be one.
    if (info.minTurnSeconds > info.maxTurnSeconds) r.Fail();
  });
}

std::optional<std::vector<HallTable>> ParseTableList(QByteArrayView json) {
  const std::optional<QJsonObject> object = Object(json);
  if (!object) return std::nullopt;
  const QJsonValue tables = object->value(QLatin1StringView("tables"));
  if (!tables.isArray()) return std::nullopt;
  std::vector<HallTable> out;
  const QJsonArray list = tables.toArray();
  out.reserve(static_cast<size_t>(list.size()));
  for (const QJsonValue& value : list) {
    std::optional<HallTable> table = TableFrom(value);
    if (!table) return std::nullopt;
    out.push_back(std::move(*table));
  }
  return out;
}

std::optional<HallTable> ParseTable(QByteArrayView json) {
  const std::optional<QJsonObject> object = Object(json);
  if (!object) return std::nullopt;
  return TableFrom(*object);
}

std::optional<qint64> ParseClosedTable(QByteArrayView json) { return IdFrom(json); }

std::optional<qint64> ParseCreatedTable(QByteArrayView json) { return IdFrom(json); }

std::optional<PlayerFigures> ParsePlayerFigures(QByteArrayView json) {
  return Read<PlayerFigures>(json, [](Reader& r, PlayerFigures& f) {
    r.String("name", f.name, false);
    r.String("nickname", f.nickname);
    r.String("title", f.title);
    r.String("avatar", f.avatar);
    r.String("location", f.location);
    // The server keeps 0 for female and 1 for male.
    int gender = 0;
    r.Int("gender", gender, 0, 1);
    f.gender = gender == 0 ? QStringLiteral("female") : QStringLiteral("male");
    r.Int64("coins", f.coins);
    r.Int64("points", f.points, 0, kMaxExact);
    r.Int64("credit", f.credit, 0, kMaxExact);
    r.Int64("logins", f.logins, 0, kMaxExact);
    r.Int64("disconnects", f.disconnects, 0, kMaxExact);
    r.Int64("wins", f.wins, 0, kMaxExact);
    r.Int64("losses", f.losses, 0, kMaxExact);
    r.Int64("created", f.created, 0, kMaxExact);
    r.Int64("last_seen", f.lastSeen, 0, kMaxExact);
  });
}

std::optional<SeatTicket> ParseSeatTicket(QByteArrayView json) {
  return Read<SeatTicket>(json, [](Reader& r, SeatTicket& t) {
    r.Int("seat", t.seat, 0, 2);
    r.String("key", t.key, false);
    r.String("host", t.host, false);
    r.Int("port", t.port, 1, kMaxPort);
    r.String("location", t.location);
    r.Int64("expires", t.expires, 1, kMaxExact);
  });
}

std::optional<SignInTicket> ParseSignInTicket(QByteArrayView json) {
  return Read<SignInTicket>(json, [](Reader& r, SignInTicket& t) {
    r.String("token", t.token, false);
    r.Int64("expires", t.expires, 1, kMaxExact);
    if (t.token.size() > kMaxTokenLength ||
        !std::all_of(t.token.begin(), t.token.end(), TokenCharacter))
      r.Fail();
  });
}

QString ParseErrorText(QByteArrayView json) {
  const std::optional<QJsonObject> object = Object(json);
  if (!object) return {};
  return object->value(QLatin1StringView("error")).toString();
}

// ---- the event stream ----

std::vector<StreamEvent> EventStreamParser::Feed(QByteArrayView bytes) {
  std::vector<StreamEvent> out;
  if (broken_) return out;
  qsizetype start = 0;
  const qsizetype size = bytes.size();
  for (qsizetype i = 0; i < size && !broken_; ++i) {
    const char c = bytes[i];
    // The LF of a CRLF, even one cut between two pieces, ends nothing more.
    const bool afterCr = skipLf_;
    skipLf_ = false;
    if (c == '\n' && afterCr) {
      start = i + 1;
      continue;
    }
    if (c != '\n' && c != '\r') continue;
    const QByteArrayView piece = bytes.sliced(start, i - start);
    if (pending_.isEmpty()) {
      Line(piece, out);
    } else {
      pending_.append(piece);
      Line(pending_, out);
      pending_.clear();
    }
    start = i + 1;
    skipLf_ = c == '\r';
  }
  if (!broken_ && start < size) {
    pending_.append(bytes.sliced(start));
    if (pending_.size() > kMaxLine) broken_ = true;
  }
  if (broken_) {
    // Nothing more is read from a broken stream: let the memory go.
    pending_ = QByteArray();
    event_ = StreamEvent{};
  }
  return out;
}

void EventStreamParser::Line(QByteArrayView line, std::vector<StreamEvent>& out) {
  if (line.size() > kMaxLine) {
    broken_ = true;
    return;
  }
  if (line.isEmpty()) {
    if (hasData_) {
      StreamEvent event;
      event.type = event_.type.isEmpty() ? QByteArray("message") : event_.type;
      event.data = event_.data;
      event.id = event_.id;
      out.push_back(std::move(event));
    }
    // The id lasts from event to event; the rest belongs to the one event.
    event_.type.clear();
    event_.data.clear();
    hasData_ = false;
    return;
  }
  if (line.front() == ':') return;
  const qsizetype colon = line.indexOf(':');
  const QByteArrayView field = colon < 0 ? line : line.first(colon);
  QByteArrayView value = colon < 0 ? QByteArrayView() : line.sliced(colon + 1);
  if (value.startsWith(' ')) value = value.sliced(1);
  if (event_.type.size() + event_.data.size() + event_.id.size() + value.size() + 1 > kMaxEvent) {
    broken_ = true;
    return;
  }
  if (field == "event") {
    event_.type = value.toByteArray();
  } else if (field == "data") {
    if (hasData_) event_.data.append('\n');
    event_.data.append(value);
    hasData_ = true;
  } else if (field == "id") {
    if (!value.contains('\0')) event_.id = value.toByteArray();
  }
  // "retry" and unknown fields are ignored: the client keeps its own pace.
}

void EventStreamParser::Reset() {
  pending_.clear();
  event_ = StreamEvent{};
  hasData_ = false;
  broken_ = false;
  skipLf_ = false;
}

}  // namespace korvel::lobby
