// The hall's JSON as the server writes it, and everything near it that must not be half read;
// the event stream's framing however its bytes are cut.
#include "hall_data.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace korvel::lobby {
namespace {

// Exactly what the server sends, field order and all.
constexpr char kHall[] =
    R"({"host":"127.0.0.1","max_stake":100000,"max_turn_seconds":15,"min_turn_seconds":3,)"
    R"("open":false,"port":20417,"registration":true,"stake":10,"turn_seconds":8,)"
    R"("version":"korvel 1.4","watchers":true})";
constexpr char kTable[] = R"({"computer_players":1,"host":"127.0.0.1","id":7,"port":20417,)"
                          R"("seats":[{"coins":10000,"name":"robot#2","nickname":"电脑二"},null,)"
                          R"({"coins":-35,"name":"mei","nickname":"梅","reserved":true}],)"
                          R"("stake":10,"turn_seconds":8,"watchable":false,"watchers":2})";
constexpr char kMe[] =
    R"({"avatar":"m1","coins":10000,"created":1700000000,"credit":100,"disconnects":0,)"
    R"("gender":1,"last_seen":1700000100,"location":"本地","logins":3,"losses":1,)"
    R"("name":"mei","nickname":"梅","points":12,"title":"新手","wins":2})";
constexpr char kTicket[] =
    R"({"expires":1700000060,"host":"127.0.0.1","key":"aK3-_z","location":"127.0.0.1:20417",)"
    R"("port":20417,"seat":1})";

// `json` with the text `from` replaced by `to` (once, and it must be there).
std::string With(const std::string& json, const std::string& from, const std::string& to) {
  const size_t at = json.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  std::string out = json;
  if (at != std::string::npos) out.replace(at, from.size(), to);
  return out;
}

QByteArrayView View(const std::string& s) { return QByteArrayView(s.data(), s.size()); }

TEST(HallData, ReadsTheHallAsTheServerDescribesIt) {
  const std::optional<HallInfo> info = ParseHallInfo(kHall);
  ASSERT_TRUE(info);
  EXPECT_FALSE(info->open);
  EXPECT_TRUE(info->registration);
  EXPECT_TRUE(info->watchers);
  EXPECT_EQ(info->stake, 10);
  EXPECT_EQ(info->maxStake, 100000);
  EXPECT_EQ(info->turnSeconds, 8);
  EXPECT_EQ(info->minTurnSeconds, 3);
  EXPECT_EQ(info->maxTurnSeconds, 15);
  EXPECT_EQ(info->host, "127.0.0.1");
  EXPECT_EQ(info->port, 20417);
  EXPECT_EQ(info->version, "korvel 1.4");
  EXPECT_TRUE(ParseHallInfo(With(kHall, "\"open\":false", "\"open\":false,\"motd\":[1]").c_str()))
      << "fields a newer server adds are no fault";
}

TEST(HallData, ReadsTablesWithTheirSeats) {
  const std::optional<HallTable> table = ParseTable(kTable);
  ASSERT_TRUE(table);
  EXPECT_EQ(table->id, 7);
  EXPECT_EQ(table->FreeSeats(), 1);
  EXPECT_TRUE(table->seats[0].taken);
  EXPECT_FALSE(table->seats[0].reserved);
  EXPECT_EQ(table->seats[0].name, "robot#2");
  EXPECT_EQ(table->seats[0].nickname, "电脑二");
  EXPECT_EQ(table->seats[0].coins, 10000);
  EXPECT_FALSE(table->seats[1].taken);
  EXPECT_TRUE(table->seats[2].reserved);
  EXPECT_EQ(table->seats[2].coins, -35);
  EXPECT_EQ(table->watchers, 2);
  EXPECT_FALSE(table->watchable);
  EXPECT_EQ(table->stake, 10);
  EXPECT_EQ(table->turnSeconds, 8);
  EXPECT_EQ(table->computerPlayers, 1);
  EXPECT_EQ(table->host, "127.0.0.1");
  EXPECT_EQ(table->port, 20417);

  const std::string list =
      std::string(R"({"tables":[)") + kTable + "," + With(kTable, "\"id\":7", "\"id\":9") + "]}";
  const auto tables = ParseTableList(View(list));
  ASSERT_TRUE(tables);
  ASSERT_EQ(tables->size(), 2u);
  EXPECT_EQ((*tables)[1].id, 9);
  const auto empty = ParseTableList(R"({"tables":[]})");
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->empty());
  EXPECT_EQ(HallTable{}.FreeSeats(), 3);
}

TEST(HallData, ReadsTheFiguresTheTicketsAndTheSmallAnswers) {
  const std::optional<PlayerFigures> me = ParsePlayerFigures(kMe);
  ASSERT_TRUE(me);
  EXPECT_EQ(me->name, "mei");
  EXPECT_EQ(me->nickname, "梅");
  EXPECT_EQ(me->title, "新手");
  EXPECT_EQ(me->gender, "male");
  EXPECT_EQ(me->avatar, "m1");
  EXPECT_EQ(me->location, "本地");
  EXPECT_EQ(me->coins, 10000);
  EXPECT_EQ(me->points, 12);
  EXPECT_EQ(me->credit, 100);
  EXPECT_EQ(me->logins, 3);
  EXPECT_EQ(me->disconnects, 0);
  EXPECT_EQ(me->wins, 2);
  EXPECT_EQ(me->losses, 1);
  EXPECT_EQ(me->created, 1700000000);
  EXPECT_EQ(me->lastSeen, 1700000100);
  EXPECT_EQ(ParsePlayerFigures(With(kMe, "\"gender\":1", "\"gender\":0").c_str())->gender,
            "female");

  const std::optional<SeatTicket> ticket = ParseSeatTicket(kTicket);
  ASSERT_TRUE(ticket);
  EXPECT_EQ(ticket->seat, 1);
  EXPECT_EQ(ticket->key, "aK3-_z");
  EXPECT_EQ(ticket->host, "127.0.0.1");
  EXPECT_EQ(ticket->port, 20417);
  EXPECT_EQ(ticket->location, "127.0.0.1:20417");
  EXPECT_EQ(ticket->expires, 1700000060);

  const auto signIn = ParseSignInTicket(R"({"expires":1700604800,"token":"Ab-_09"})");
  ASSERT_TRUE(signIn);
  EXPECT_EQ(signIn->token, "Ab-_09");
  EXPECT_EQ(signIn->expires, 1700604800);

  EXPECT_EQ(ParseCreatedTable(R"({"id":12})"), 12);
  EXPECT_EQ(ParseClosedTable(R"({"id":12})"), 12);
  EXPECT_EQ(ParseCreatedTable(R"({"id":9007199254740992})"), qint64{1} << 53);
  EXPECT_EQ(ParseErrorText(R"({"error":"the table is full"})"), "the table is full");
  EXPECT_EQ(ParseErrorText(R"({"error":7})"), "");
  EXPECT_EQ(ParseErrorText("<html>502</html>"), "");
}

// Each case breaks one thing in an answer the parser otherwise takes.
struct Broken {
  const char* what;
  std::string json;
};

void ExpectAllRefused(const std::function<bool(QByteArrayView)>& reads,
                      const std::vector<Broken>& cases) {
  for (const Broken& c : cases) EXPECT_FALSE(reads(View(c.json))) << c.what << ": " << c.json;
}

TEST(HallData, TheHallsDescriptionIsRefusedWholeForOneBadField) {
  const std::string h = kHall;
  ExpectAllRefused(
      [](QByteArrayView j) { return ParseHallInfo(j).has_value(); },
      {{"a flag as a number", With(h, "\"open\":false", "\"open\":0")},
       {"a flag missing", With(h, "\"registration\":true,", "")},
       {"the port as text", With(h, "\"port\":20417", "\"port\":\"20417\"")},
       {"port 0", With(h, "\"port\":20417", "\"port\":0")},
       {"port 65536", With(h, "\"port\":20417", "\"port\":65536")},
       {"a fractional stake", With(h, "\"stake\":10", "\"stake\":10.5")},
       {"a negative stake", With(h, "\"stake\":10", "\"stake\":-10")},
       {"an absurd stake", With(h, "\"stake\":10", "\"stake\":1e300")},
       {"turns the wrong way round", With(h, "\"min_turn_seconds\":3", "\"min_turn_seconds\":30")},
       {"no host", With(h, "\"host\":\"127.0.0.1\"", "\"host\":\"\"")},
       {"the version as null", With(h, "\"version\":\"korvel 1.4\"", "\"version\":null")},
       {"an array", "[" + h + "]"},
       {"cut short", h.substr(0, h.size() - 1)},
       {"nothing", ""}});
}

TEST(HallData, ATableIsRefusedWholeForOneBadSeatOrField) {
  const std::string t = kTable;
  const std::string mei = R"({"coins":-35,"name":"mei","nickname":"梅","reserved":true})";
  ExpectAllRefused(
      [](QByteArrayView j) { return ParseTable(j).has_value(); },
      {{"two seats", With(t, "null,", "")},
       {"four seats", With(t, "null,", "null,null,")},
       {"seats as an object", With(t, "\"seats\":[", "\"seats\":{\"0\":[")},
       {"a seat as a number", With(t, "null,", "0,")},
       {"a seat as a name", With(t, "null,", "\"mei\",")},
       {"a seat without a name", With(t, R"("name":"mei",)", "")},
       {"a seat with an empty name", With(t, R"("name":"mei")", R"("name":"")")},
       {"a seat without coins", With(t, R"("coins":-35,)", "")},
       {"coins beyond 2^53", With(t, "\"coins\":-35", "\"coins\":9007199254740993")},
       {"coins below -2^53", With(t, "\"coins\":-35", "\"coins\":-9007199254740993")},
       {"reserved as text", With(t, "\"reserved\":true", "\"reserved\":\"yes\"")},
       {"id 0", With(t, "\"id\":7", "\"id\":0")},
       {"a negative id", With(t, "\"id\":7", "\"id\":-7")},
       {"an id as text", With(t, "\"id\":7", "\"id\":\"7\"")},
       {"no id", With(t, "\"id\":7,", "")},
       {"negative watchers", With(t, "\"watchers\":2", "\"watchers\":-1")},
       {"watchable as a number", With(t, "\"watchable\":false", "\"watchable\":0")},
       {"four computer players", With(t, "\"computer_players\":1", "\"computer_players\":4")},
       {"port 70000", With(t, "\"port\":20417", "\"port\":70000")},
       {"no turn time", With(t, "\"turn_seconds\":8,", "")},
       {"not an object", "[" + t + "]"}});
  // One bad table spoils the whole list rather than dropping out of it quietly.
  ExpectAllRefused([](QByteArrayView j) { return ParseTableList(j).has_value(); },
                   {{"one bad table", R"({"tables":[)" + t + "," + With(t, "null,", "") + "]}"},
                    {"a table as null", R"({"tables":[)" + t + ",null]}"},
                    {"tables as an object", R"({"tables":{"7":)" + t + "}}"},
                    {"no tables", "{}"},
                    {"a bare list", "[" + t + "]"}});
  ExpectAllRefused([](QByteArrayView j) { return ParseClosedTable(j).has_value(); },
                   {{"id 0", R"({"id":0})"},
                    {"id 1.5", R"({"id":1.5})"},
                    {"id beyond 2^53", R"({"id":9007199254740993})"},
                    {"id as text", R"({"id":"3"})"},
                    {"no id", R"({"table":3})"}});
}

TEST(HallData, FiguresAndTicketsAreRefusedWholeForOneBadField) {
  const std::string m = kMe;
  ExpectAllRefused([](QByteArrayView j) { return ParsePlayerFigures(j).has_value(); },
                   {{"no name", With(m, "\"name\":\"mei\",", "")},
                    {"a title as a number", With(m, "\"title\":\"新手\"", "\"title\":1")},
                    {"gender 2", With(m, "\"gender\":1", "\"gender\":2")},
                    {"negative wins", With(m, "\"wins\":2", "\"wins\":-2")},
                    {"coins as text", With(m, "\"coins\":10000", "\"coins\":\"10000\"")},
                    {"no last_seen", With(m, ",\"last_seen\":1700000100", "")}});
  const std::string k = kTicket;
  ExpectAllRefused([](QByteArrayView j) { return ParseSeatTicket(j).has_value(); },
                   {{"seat 3", With(k, "\"seat\":1", "\"seat\":3")},
                    {"seat -1", With(k, "\"seat\":1", "\"seat\":-1")},
                    {"an empty key", With(k, "\"key\":\"aK3-_z\"", "\"key\":\"\"")},
                    {"port 0", With(k, "\"port\":20417", "\"port\":0")},
                    {"no location", With(k, "\"location\":\"127.0.0.1:20417\",", "")},
                    {"expires 0", With(k, "\"expires\":1700000060", "\"expires\":0")}});
  // The token goes into a header line as it is.
  ExpectAllRefused([](QByteArrayView j) { return ParseSignInTicket(j).has_value(); },
                   {{"a line break", R"({"expires":1,"token":"ab\r\nX-Evil: 1"})"},
                    {"a space", R"({"expires":1,"token":"ab cd"})"},
                    {"empty", R"({"expires":1,"token":""})"},
                    {"too long", R"({"expires":1,"token":")" + std::string(300, 'a') + "\"}"},
                    {"no expiry", R"({"token":"abc"})"}});
}

TEST(HallData, WhatIsNotJsonIsReadByNoParser) {
  for (const char* junk : {"", "null", "[]", "\"text\"", "{", "{\"id\":1", "\xff\xfe{}",
                           "{\"id\":1}{\"id\":2}", "<html>Bad gateway</html>"}) {
    const QByteArrayView j(junk);
    EXPECT_FALSE(ParseHallInfo(j)) << junk;
    EXPECT_FALSE(ParseTableList(j)) << junk;
    EXPECT_FALSE(ParseTable(j)) << junk;
    EXPECT_FALSE(ParseClosedTable(j)) << junk;
    EXPECT_FALSE(ParseCreatedTable(j)) << junk;
    EXPECT_FALSE(ParsePlayerFigures(j)) << junk;
    EXPECT_FALSE(ParseSeatTicket(j)) << junk;
    EXPECT_FALSE(ParseSignInTicket(j)) << junk;
    EXPECT_EQ(ParseErrorText(j), "") << junk;
  }
  // Nesting deep enough to exhaust a recursive reader's stack.
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  EXPECT_FALSE(ParseTableList(View(deep)));
}

// ---- the event stream ----

void Append(std::vector<StreamEvent>& to, std::vector<StreamEvent> more) {
  for (StreamEvent& e : more) to.push_back(std::move(e));
}

std::string Describe(const std::vector<StreamEvent>& events) {
  std::string out;
  for (const StreamEvent& e : events)
    out += "[" + e.type.toStdString() + "|" + e.data.toStdString() + "|" + e.id.toStdString() + "]";
  return out;
}

// A server's stream with every line ending and every field rule in it.
constexpr char kStream[] =
    "event: tables\ndata: {\"tables\":[]}\n\n"
    ": keep-alive\n\n"
    "id: 4\r\nevent: table\r\ndata: {\"id\":1}\r\n\r\n"
    "id: 5\revent: table-closed\rdata:{\"id\":1}\r\r"
    "data: one\ndata:  two\ndata\n\n"
    "event: ignored without data\nretry: 10\nbogus: x\n\n"
    "id\nevent:x\ndata: last\r\n\r\n";

TEST(EventStream, SplitsAServersStreamIntoItsEvents) {
  EventStreamParser parser;
  const std::vector<StreamEvent> events = parser.Feed(kStream);
  EXPECT_EQ(Describe(events),
            "[tables|{\"tables\":[]}|]"
            "[table|{\"id\":1}|4]"
            "[table-closed|{\"id\":1}|5]"
            "[message|one\n two\n|5]"  // the id lasts; one space only is taken off; "data" alone
            "[x|last|]");              // is an empty line of data; a bare "id" clears it
  EXPECT_FALSE(parser.Broken());
}

TEST(EventStream, TheSameEventsHoweverTheBytesAreCut) {
  const std::string stream = kStream;
  EventStreamParser whole;
  const std::string expected = Describe(whole.Feed(View(stream)));
  for (size_t cut = 0; cut <= stream.size(); ++cut) {
    EventStreamParser parser;
    std::vector<StreamEvent> events = parser.Feed(View(stream.substr(0, cut)));
    Append(events, parser.Feed(View(stream.substr(cut))));
    ASSERT_EQ(Describe(events), expected) << "cut at " << cut;
  }
  EventStreamParser byteByByte;
  std::vector<StreamEvent> events;
  for (char c : stream) Append(events, byteByByte.Feed(QByteArrayView(&c, 1)));
  EXPECT_EQ(Describe(events), expected);
}

TEST(EventStream, LfCrlfAndCrEndLinesAlikeAndAnEventWaitsForItsBlankLine) {
  for (const char* end : {"\n", "\r\n", "\r"}) {
    const std::string e = end;
    EventStreamParser parser;
    EXPECT_TRUE(parser.Feed(View("event: table" + e + "data: a" + e + "data: b" + e)).empty())
        << "not yet dispatched";
    const auto events = parser.Feed(View(e));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, "table");
    EXPECT_EQ(events[0].data, "a\nb");
  }
  // A CR and an LF in two pieces are one line end; two CRs are two.
  EventStreamParser parser;
  EXPECT_TRUE(parser.Feed("data: a\r").empty());
  EXPECT_TRUE(parser.Feed("\ndata: b\r").empty());
  EXPECT_EQ(Describe(parser.Feed("\r")), "[message|a\nb|]");
}

TEST(EventStream, ALineOrAnEventBeyondTheLimitsBreaksTheStreamUntilReset) {
  EventStreamParser parser;
  const QByteArray line(EventStreamParser::kMaxLine, 'x');
  EXPECT_TRUE(parser.Feed(":" + line.first(line.size() - 1)).empty());
  EXPECT_FALSE(parser.Broken()) << "a line of exactly the limit is allowed";
  parser.Feed("\n");
  EXPECT_FALSE(parser.Broken());
  parser.Feed("data: " + line);
  EXPECT_TRUE(parser.Broken()) << "a line longer than the limit, even unfinished";
  EXPECT_TRUE(parser.Feed("\n\ndata: after\n\n").empty()) << "a broken stream yields nothing";

  parser.Reset();
  EXPECT_FALSE(parser.Broken());
  EXPECT_EQ(Describe(parser.Feed("data: again\n\n")), "[message|again|]");

  // Short lines that add up to an event larger than the limit.
  const QByteArray chunk = "data: " + QByteArray(EventStreamParser::kMaxLine / 2, 'y') + "\n";
  for (int i = 0; i < 9 && !parser.Broken(); ++i) EXPECT_TRUE(parser.Feed(chunk).empty());
  EXPECT_TRUE(parser.Broken());
}

}  // namespace
}  // namespace korvel::lobby
