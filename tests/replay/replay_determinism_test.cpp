// A game recorded live against korvel-server's table (in this process, on one virtual clock) and
// replayed from its session file must show exactly what the live client showed: every element
// of every window, at every deal's end and every few seconds in between. Seeking a deal and
// stepping record by record go through the same client.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <random>

#include "memory_session_store.h"
#include "replay/input_entries.h"
#include "replay/session_recorder.h"
#include "app/session_replay.h"
#include "support/client_fixture.h"
#include "support/in_process_table.h"
#include "table/hall.h"
#include "table/table.h"

namespace korvel {
namespace {

namespace srv = korvel::server;

constexpr int kLocalSeat = 2;
constexpr int kStepMs = 50;
constexpr int kSampleEverySteps = 97;
constexpr const char* kFileName = "20261209-120000_Room-6000.kvsession";

// Every window and element as a line of text: visibility, picture, place, caption, list lines.
std::vector<std::string> SceneLines(const Scene& scene) {
  std::vector<std::string> out;
  for (FormId f = 0; f < scene.FormCount(); ++f) {
    const Form& form = scene.form(f);
    out.push_back("form " + form.name() + (form.visible() ? " shown " : " hidden ") + form.title());
    for (ElementId e = 0; e < form.ElementCount(); ++e) {
      const Element& el = *form.Get(e);
      std::string line = form.name() + "." + el.name + "(" + std::to_string(el.index) + ")";
      line += el.visible ? " shown" : " hidden";
      line += el.enabled ? "" : " disabled";
      line += " pic " + std::to_string(el.picture) + " at " + std::to_string(el.geometry.left) +
              "," + std::to_string(el.geometry.top) + " " + std::to_string(el.geometry.width) +
              "x" + std::to_string(el.geometry.height) + " \"" + el.caption + "\"";
      for (const std::string& l : el.lines) line += " |" + l;
      out.push_back(line);
    }
  }
  return out;
}

uint64_t SceneHash(const std::vector<std::string>& lines) {
  uint64_t h = 1469598103934665603ull;
  for (const std::string& l : lines) {
    for (char c : l) h = (h ^ static_cast<uint8_t>(c)) * 1099511628211ull;
    h = (h ^ '\n') * 1099511628211ull;
  }
  return h;
}

// A moment of the live game: a deal's end, or one every few seconds.
struct Sample {
  int64_t atMs;
  bool dealEnd;
  std::vector<std::string> scene;
};

// The client at the server's table with a recorder between it and its socket.
class RecordedGame {
 public:
  RecordedGame(uint64_t seed, bool clicks)
      : clicks(clicks),
        recorder(store, vp.timers, vp.log, kFileName, Header(), RecorderSettings{}),
        recording(vp.platform(), recorder),
        client(recording.platform()),
        input(client.input(), client.view().scene(), recorder),
        seed(seed),
        rng(static_cast<uint32_t>(seed)) {
    vp.lobby.windows.insert(kDefaultLobbyTitle);
    recording.RecordWhile([this] { return client.connection().RecordMode; });
    table.emplace(1, config, clock, seed, shanten, listener);
    table->Seat(srv::Hall::BotProfile(1, 0), nullptr);
    table->Seat(srv::Hall::BotProfile(1, 1), nullptr);
  }

  static HeaderFields Header() {
    return SessionHeaderFor(ParseLaunchLine(testing::LaunchLine(testing::DirectFields())).params,
                            1280, 1024);
  }

  void Begin() {
    // Real draws for the dice and the seat draw, kept in the session as the program keeps them.
    client.tablePlay().SetRandomSource(RecordingRandomSource(recorder, seed));
    client.Startup(testing::LaunchLine(testing::DirectFields()));
    vp.timers.Advance(200);
    vp.socket.sent.clear();
    srv::PlayerProfile me;
    me.account = "a";
    me.nickname = "a";
    ASSERT_EQ(table->Seat(me, &link), kLocalSeat);
  }

  void Step() {
    for (const RecordBytes& r : link.pending) vp.socket.Deliver(r);
    link.pending.clear();
    vp.timers.Advance(kStepMs);
    clock.Set(std::max(clock.NowMs(), vp.timers.NowMs()));
    table->Tick();
    for (const auto& bytes : vp.socket.sent) {
      RecordBytes r{};
      std::copy_n(bytes.begin(), std::min(bytes.size(), r.size()), r.begin());
      table->OnRecord(kLocalSeat, r);
    }
    vp.socket.sent.clear();
  }

  bool Quiet() {
    return link.pending.empty() && !client.records().RecordWaiting() &&
           client.records().QueuedBytes() == 0;
  }

  ElementEvent Event(ElementId element, int button = kLeftButton) {
    ElementEvent ev;
    ev.form = client.view().mainForm();
    ev.element = element;
    ev.button = button;
    return ev;
  }

  // A player who takes every win and claim offered, throws the drawn tile or another, and now
  // and then leaves the turn to the clock.
  // True when it clicked.
  bool Act() {
    Form& f = client.view().main();
    const MainElements& el = client.view().el;
    const TableState& st = client.table().state;
    auto clickable = [&](ElementId e) { return f.Visible(e) && f.Enabled(e); };
    if (st.ClickState != 0 || std::uniform_int_distribution<int>(0, 9)(rng) == 0) return false;
    for (int i : {4, 2, 3, 1}) {
      if (st.OperationState[i] == 2 && clickable(el.Operation[i])) {
        input.OnClick(Event(el.Operation[i]));
        return true;
      }
    }
    if (!st.MustDiscard) return false;
    const PlayerRecord& p = client.table().players[0];
    std::vector<int> choices;
    for (int k = p.handStart; k < p.handStart + p.handCount; ++k) {
      const ElementId e = el.MJ_Image[p.slots[k].element];
      if (f.Enabled(e) && (!st.ReadyDeclared || f.GetTop(e) == p.rowY - 10)) {
        choices.push_back(p.slots[k].element);
      }
    }
    if (choices.empty()) return false;
    const int pick =
        std::uniform_int_distribution<int>(0, 2)(rng) != 0
            ? choices.back()
            : choices[std::uniform_int_distribution<size_t>(0, choices.size() - 1)(rng)];
    input.OnMouseDown(Event(el.MJ_Image[pick]));
    return true;
  }

  // Plays `deals` deals, keeping the Scene at every deal's end and every few seconds.
  std::vector<Sample> Play(int deals) {
    std::vector<Sample> samples;
    uint64_t dispatched = 0;
    for (int i = 0; i < 60000 && listener.deals < deals; ++i) {
      Step();
      const bool taken = client.dispatcher().Dispatched != dispatched;
      dispatched = client.dispatcher().Dispatched;
      const bool dealEnd = taken && client.records().Rinfo.command == kCmdSettlement;
      if (dealEnd || i % kSampleEverySteps == 0) {
        samples.push_back({vp.timers.NowMs(), dealEnd, SceneLines(client.view().scene())});
      }
      if (clicks && Quiet()) Act();
    }
    return samples;
  }

  bool clicks;
  VirtualPlatform vp;
  testing::MemorySessionStore store;
  SessionRecorder recorder;
  RecordingPlatform recording;
  Client client;
  InputRecorder input;  // the player's clicks reach the client through it, as in the program
  srv::TableConfig config{.turnSeconds = 8};
  srv::ManualClock clock;
  srv::ShantenCalculator shanten;
  testing::DealListener listener;
  testing::ClientLink link;
  std::optional<srv::Table> table;
  uint32_t seed;
  std::minstd_rand rng;
};

struct Game {
  uint64_t seed;
  bool clicks;  // false: the clock plays every turn of the local seat
};

class ReplayDeterminism : public ::testing::TestWithParam<Game> {};

TEST_P(ReplayDeterminism, TheReplayShowsWhatTheLiveClientShowed) {
  RecordedGame live(GetParam().seed, GetParam().clicks);
  live.Begin();
  if (HasFatalFailure()) return;
  const std::vector<Sample> samples = live.Play(5);
  ASSERT_GE(live.listener.deals, 3) << "the deals did not finish";
  live.recorder.Flush();

  // A way to get a real session file to look at: the game as the client would have written it.
  if (const char* out = std::getenv("KORVEL_TEST_SESSION_OUT"); out && GetParam().clicks) {
    const auto& bytes = live.store.files[kFileName];
    std::ofstream(std::string(out) + "-" + std::to_string(GetParam().seed) + kSessionSuffix,
                  std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  SessionFile file = ParseSession(live.store.files[kFileName]);
  ASSERT_TRUE(file.usable) << file.problem;
  ASSERT_EQ(file.problem, "");
  const auto clicks =
      std::count_if(file.entries.begin(), file.entries.end(),
                    [](const SessionEntry& e) { return e.kind == EntryKind::Input; });
  EXPECT_EQ(clicks > 0, GetParam().clicks);
  SessionReplay replay(std::move(file));
  replay.Restart();
  ASSERT_GE(replay.deals().size(), 3u);
  int dealEnds = 0;
  for (const Sample& s : samples) {
    replay.AdvanceTo(s.atMs);
    ASSERT_FALSE(replay.ClientEnded());
    const std::vector<std::string> shown = SceneLines(replay.client().view().scene());
    dealEnds += s.dealEnd;
    if (SceneHash(shown) == SceneHash(s.scene)) continue;
    ASSERT_EQ(shown.size(), s.scene.size()) << "at " << s.atMs << " ms";
    for (size_t i = 0; i < shown.size(); ++i) {
      ASSERT_EQ(shown[i], s.scene[i])
          << "at " << s.atMs << " ms" << (s.dealEnd ? ", a deal's end" : "");
    }
  }
  EXPECT_GE(dealEnds, 3);
  EXPECT_GT(samples.size(), 20u);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ReplayDeterminism,
                         ::testing::Values(Game{3, true}, Game{53, true}, Game{3, false},
                                           Game{7, false}),
                         [](const ::testing::TestParamInfo<Game>& info) {
                           return "Seed" + std::to_string(info.param.seed) +
                                  (info.param.clicks ? "Clicks" : "ClockPlays");
                         });

// One recorded game shared by the tests of moving about in it.
class ReplayMoves : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RecordedGame live(11, true);
    live.Begin();
    live.Play(5);
    live.recorder.Flush();
    recorded = new std::vector<uint8_t>(live.store.files[kFileName]);
  }
  static void TearDownTestSuite() {
    delete recorded;
    recorded = nullptr;
  }
  static std::vector<uint8_t>* recorded;
};
std::vector<uint8_t>* ReplayMoves::recorded = nullptr;

TEST_F(ReplayMoves, SeekingBackAndForthShowsWhatPlayingStraightThroughShows) {
  SessionReplay straight(ParseSession(*recorded));
  straight.Restart();
  ASSERT_GE(straight.deals().size(), 3u);
  straight.SeekDeal(1);
  EXPECT_EQ(straight.CurrentDeal(), 1);
  const int64_t at = straight.Now();
  const auto expected = SceneLines(straight.client().view().scene());

  SessionReplay jumping(ParseSession(*recorded));
  jumping.Restart();
  jumping.SeekDeal(2);
  EXPECT_EQ(jumping.CurrentDeal(), 2);
  jumping.SeekDeal(1);  // backwards: a fresh client played up to it
  EXPECT_EQ(jumping.Now(), at);
  EXPECT_EQ(SceneLines(jumping.client().view().scene()), expected);
  // The replay never sends anything anywhere, and never ends the client.
  EXPECT_FALSE(jumping.ClientEnded());
  EXPECT_TRUE(jumping.platform().socket.sent.empty());
}

TEST_F(ReplayMoves, OneStepTakesOneRecord) {
  SessionReplay replay(ParseSession(*recorded));
  replay.Restart();
  replay.SeekDeal(0);
  for (int i = 0; i < 50; ++i) {
    const uint64_t before = replay.client().dispatcher().Dispatched;
    ASSERT_TRUE(replay.StepRecord());
    ASSERT_EQ(replay.client().dispatcher().Dispatched, before + 1) << "step " << i;
  }
}

TEST_F(ReplayMoves, TheTableStaysInViewWhereThePlayersWindowWasMinimised) {
  SessionReplay replay(ParseSession(*recorded));
  replay.Restart();
  replay.SeekDeal(1);
  TableView& view = replay.client().view();
  // What time-outs in a row, F1 or leaving the table do to the player's window.
  view.MinimizeMainWindow();
  EXPECT_TRUE(view.MainWindowMinimized) << "the client goes on as it did live";
  EXPECT_FALSE(view.main().minimised()) << "but the replay's window stays up";
}

TEST_F(ReplayMoves, ACutFileReplaysWhatIsWhole) {
  std::vector<uint8_t> cut(*recorded);
  cut.resize(cut.size() * 2 / 3 + 7);
  SessionFile file = ParseSession(cut);
  ASSERT_TRUE(file.usable);
  EXPECT_NE(file.problem, "");
  SessionReplay replay(std::move(file));
  replay.Restart();
  replay.AdvanceTo(replay.EndMs() + 5000);
  EXPECT_TRUE(replay.AtEnd());
  EXPECT_FALSE(replay.ClientEnded());
  EXPECT_GE(replay.CurrentDeal(), 1);
  EXPECT_FALSE(replay.StepRecord()) << "nothing left to take";
}

}  // namespace
}  // namespace korvel
