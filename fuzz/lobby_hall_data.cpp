// The hall window's readers from hostile bytes: the input goes whole to every JSON parser, whose
// results must keep within their promised ranges, and to the event stream parser in pieces of
// sizes the input itself decides, which must find the same events as in one piece; the data of
// the events the hall sends is parsed as the client would.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "hall_data.h"

namespace {

using namespace korvel::lobby;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void CheckTable(const HallTable& t) {
  Check(t.id > 0 && t.port >= 1 && t.port <= 65535 && t.watchers >= 0);
  Check(t.FreeSeats() >= 0 && t.FreeSeats() <= 3);
}

void ParseEvent(const StreamEvent& e) {
  if (e.type == "tables") {
    if (const auto tables = ParseTableList(e.data))
      for (const HallTable& t : *tables) CheckTable(t);
  } else if (e.type == "table") {
    if (const auto table = ParseTable(e.data)) CheckTable(*table);
  } else if (e.type == "table-closed") {
    if (const auto id = ParseClosedTable(e.data)) Check(*id > 0);
  }
}

bool Same(const std::vector<StreamEvent>& a, const std::vector<StreamEvent>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].type != b[i].type || a[i].data != b[i].data || a[i].id != b[i].id) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

  if (const auto info = ParseHallInfo(bytes))
    Check(info->port >= 1 && info->port <= 65535 && info->minTurnSeconds <= info->maxTurnSeconds);
  if (const auto tables = ParseTableList(bytes))
    for (const HallTable& t : *tables) CheckTable(t);
  if (const auto table = ParseTable(bytes)) CheckTable(*table);
  if (const auto id = ParseClosedTable(bytes)) Check(*id > 0);
  if (const auto id = ParseCreatedTable(bytes)) Check(*id > 0);
  if (const auto me = ParsePlayerFigures(bytes)) Check(me->wins >= 0 && me->losses >= 0);
  if (const auto ticket = ParseSeatTicket(bytes))
    Check(ticket->seat >= 0 && ticket->seat <= 2 && !ticket->key.isEmpty());
  if (const auto signIn = ParseSignInTicket(bytes))
    Check(!signIn->token.contains(u'\n') && !signIn->token.contains(u'\r'));
  (void)ParseErrorText(bytes);

  EventStreamParser whole;
  const std::vector<StreamEvent> expected = whole.Feed(bytes);
  EventStreamParser pieces;
  std::vector<StreamEvent> events;
  for (qsizetype at = 0; at < bytes.size();) {
    const qsizetype length = std::min<qsizetype>(1 + data[at] % 7, bytes.size() - at);
    for (StreamEvent& e : pieces.Feed(bytes.sliced(at, length))) events.push_back(std::move(e));
    at += length;
  }
  Check(whole.Broken() == pieces.Broken());
  Check(Same(expected, events));
  for (const StreamEvent& e : expected) ParseEvent(e);
  return 0;
}
