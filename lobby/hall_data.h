// What the hall service says, as the hall window uses it: the hall's own description, the
// tables with their seats, the signed-in player's figures and a seat reservation, read from
// the service's JSON; and the event stream's framing. Nothing here trusts the bytes: a value of
// the wrong type or out of range makes the whole answer unreadable rather than half read.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace korvel::lobby {

struct HallInfo {
  bool open = false;          // anyone sits under any name; no sign-in
  bool registration = false;  // new accounts are taken
  bool watchers = false;      // watching is allowed
  int stake = 10;
  int maxStake = 100000;
  int turnSeconds = 8;
  int minTurnSeconds = 3;
  int maxTurnSeconds = 15;
  QString host;  // the game port's address
  int port = 0;
  QString version;
};

struct HallSeat {
  bool taken = false;     // a player sits here or holds it
  bool reserved = false;  // held for a player who has not come yet
  QString name;
  QString nickname;
  qint64 coins = 0;
};

struct HallTable {
  qint64 id = 0;
  std::array<HallSeat, 3> seats;
  int watchers = 0;
  bool watchable = false;
  int stake = 0;
  int turnSeconds = 0;
  int computerPlayers = 0;
  QString host;  // the game port of the process that holds the table
  int port = 0;
  int FreeSeats() const;
};

struct PlayerFigures {
  QString name, nickname, title, gender, avatar, location;
  qint64 coins = 0, points = 0, credit = 0;
  qint64 logins = 0, disconnects = 0, wins = 0, losses = 0;
  qint64 created = 0, lastSeen = 0;  // Unix seconds
};

// A seat (or a place to watch) held for the signed-in player.
struct SeatTicket {
  int seat = 0;
  QString key;
  QString host;
  int port = 0;
  QString location;
  qint64 expires = 0;  // Unix seconds
};

struct SignInTicket {
  QString token;
  qint64 expires = 0;  // Unix seconds
};

std::optional<HallInfo> ParseHallInfo(QByteArrayView json);
std::optional<std::vector<HallTable>> ParseTableList(QByteArrayView json);  // {"tables":[...]}
std::optional<HallTable> ParseTable(QByteArrayView json);                   // one table object
std::optional<qint64> ParseClosedTable(QByteArrayView json);                // {"id":N}
std::optional<PlayerFigures> ParsePlayerFigures(QByteArrayView json);
std::optional<SeatTicket> ParseSeatTicket(QByteArrayView json);
std::optional<SignInTicket> ParseSignInTicket(QByteArrayView json);
std::optional<qint64> ParseCreatedTable(QByteArrayView json);  // {"id":N}
// The "error" text of a refusal, or empty.
QString ParseErrorText(QByteArrayView json);

// One event of a text/event-stream.
struct StreamEvent {
  QByteArray type;  // "message" when the event named none
  QByteArray data;  // the data lines joined with "\n"
  QByteArray id;
};

// Splits a text/event-stream into events, however the bytes are cut. Comment lines are
// skipped. A line or an event longer than the limits marks the stream broken: the caller then
// drops the connection and starts again.
class EventStreamParser {
 public:
  static constexpr qsizetype kMaxLine = 1 << 20;
  static constexpr qsizetype kMaxEvent = 4 << 20;

  std::vector<StreamEvent> Feed(QByteArrayView bytes);
  bool Broken() const { return broken_; }
  void Reset();

 private:
  void Line(QByteArrayView line, std::vector<StreamEvent>& out);

  QByteArray pending_;
  StreamEvent event_;
  bool hasData_ = false;
  bool broken_ = false;
  bool skipLf_ = false;  // the last byte was a CR that ended a line: an LF next ends nothing
};

}  // namespace korvel::lobby
