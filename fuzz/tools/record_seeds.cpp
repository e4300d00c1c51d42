// Records seed inputs for the harnesses from real games: the client plays korvel-server's hall
// in one process on one virtual clock, and what the client receives (with its clicks and the
// passing time) is written in the whole-client harness's step language, what it sends in the
// server table harness's format. Usage: record_seeds OUTPUT_DIR
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "../client_steps.h"
#include "app/client.h"
#include "platform/virtual_platform.h"
#include "support/in_process_table.h"
#include "table/hall.h"

namespace {

using namespace korvel;
using namespace korvel::fuzz;
namespace srv = korvel::server;

// The table's records wait in the link until the recorder hands them to the client.
using Link = korvel::testing::ClientLink;

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  std::printf("%s: %zu bytes\n", path.c_str(), bytes.size());
}

// One recorded game: the client against a hall (playing) or a table of computer players
// (watching).
class Game {
 public:
  Game(uint8_t flags, uint64_t seed) : steps(flags), client(vp.platform()), rng(seed) {
    vp.lobby.windows.insert("Tesk山庄");
    vp.lobby.windows.insert("lobby");
    // The game record file lands here, to seed its own harness.
    vp.files.appDir = (std::filesystem::temp_directory_path() / "korvel-record-seeds").string();
    std::filesystem::create_directories(vp.files.appDir);
    hallConfig.seed = seed;
    hallConfig.table.turnSeconds = 8;
    hall.emplace(hallConfig, clock, [](std::string_view) {});
    client.Startup(LaunchLine(flags));
    client.tablePlay().SetRandomSource([](int) { return 0; });
  }

  // One step of both sides, written down as the harness will replay it.
  void Step() {
    for (const RecordBytes& r : link.pending) {
      steps.Deliver(r);
      vp.socket.Deliver(r);
    }
    link.pending.clear();
    steps.Op(kOpTick);
    vp.timers.Advance(kTickMs);
    clock.Set(vp.timers.NowMs());
    if (watchTable) {
      watchTable->Tick();
    } else {
      hall->Tick();
    }
    // A reply from the proxy is answered at once, so take what was sent in batches.
    while (!vp.socket.sent.empty()) {
      const std::vector<std::vector<uint8_t>> batch = std::move(vp.socket.sent);
      vp.socket.sent.clear();
      for (const auto& bytes : batch) FromClient(bytes);
    }
  }

  void FromClient(const std::vector<uint8_t>& bytes) {
    if (proxyStage < 3 && (steps.bytes[0] & kFlagProxy)) {
      // The proxy: asks for a user name, accepts it, and connects.
      static const std::vector<uint8_t> kReplies[3] = {
          {5, 2}, {1, 0}, {5, 0, 0, 1, 127, 0, 0, 1, 0x17, 0x70}};
      steps.Deliver(kReplies[proxyStage]);
      vp.socket.Deliver(kReplies[proxyStage]);
      ++proxyStage;
      return;
    }
    RecordBytes r{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), r.size()), r.begin());
    ToServer(r);
  }

  void ToServer(RecordBytes r) {
    const int command = r[rec::kCommand];
    if (watchTable) {
      watchTable->OnWatcherRecord(&link, r);
      return;
    }
    if (tableId < 0 && (command == kCmdLogin || command == kCmdReconnect)) {
      const auto placed = command == kCmdLogin ? hall->Login(r, &link) : hall->Reconnect(r, &link);
      tableId = placed.tableId;
      seat = placed.seat;
      return;
    }
    if (tableId < 0) return;
    // The server table harness takes byte 0 as the time since the record before, in 100 ms.
    RecordBytes traced = r;
    traced[0] = static_cast<uint8_t>(std::min<int64_t>(255, (clock.NowMs() - lastSentMs) / 100));
    lastSentMs = clock.NowMs();
    if (command != kCmdLogin && command != kCmdReconnect) {
      sentRecords.insert(sentRecords.end(), traced.begin(), traced.end());
    }
    hall->OnRecord(tableId, seat, r);
  }

  bool Quiet() {
    return link.pending.empty() && !client.records().RecordWaiting() &&
           client.records().QueuedBytes() == 0 && vp.socket.sent.empty();
  }

  bool Clickable(ElementId e) {
    const Form& f = client.view().main();
    return f.Visible(e) && f.Enabled(e);
  }

  // What a player does with the table as it stands, each offer decided once.
  void Act() {
    const TableState& st = client.table().state;
    const MainElements& el = client.view().el;
    const RecordBytes& offer = client.tablePlay().OptionRecord;
    const int key = offer[rec::kServerTag] << 8 | offer[rec::kServerTag + 1];
    if (key != decidedKey) {
      if (st.ClickState != 0) return;
      decidedKey = key;
      skipThis = std::uniform_int_distribution<int>(0, 6)(rng) == 0;
    }
    if (skipThis || st.ClickState >= 2) return;
    for (int c = 0; c < 5; ++c) {
      if (Clickable(el.Gang[c])) {
        Do(kOpGangChoice, static_cast<uint8_t>(c));
        return;
      }
    }
    if (st.ClickState == 0) {
      for (int i : {4, 2, 3, 1}) {
        if (st.OperationState[i] == 2 && Clickable(el.Operation[i])) {
          Do(kOpOperation, static_cast<uint8_t>(i));
          return;
        }
      }
      if (st.OperationState[5] == 2 && Clickable(el.Operation[5]) && !st.MustDiscard) {
        if (std::uniform_int_distribution<int>(0, 1)(rng) == 0) {
          Do(kOpOperation, 5);
        } else {
          steps.Op(kOpDecline);
          client.input().OnMouseUp(Event(el.pic1, kRightButton));
        }
        return;
      }
    }
    if (!st.MustDiscard || st.ClickState == 3) return;
    const PlayerRecord& p = client.table().players[0];
    std::vector<int> choices;
    for (int k = p.handStart; k < p.handStart + p.handCount; ++k) {
      const int element = p.slots[k].element;
      if (element < 0) continue;
      const ElementId e = el.MJ_Image[element];
      if (!client.view().main().Enabled(e)) continue;
      if (st.ReadyDeclared && client.view().main().GetTop(e) != p.rowY - 10) continue;
      choices.push_back(element);
    }
    if (choices.empty()) return;
    const bool drawn = std::uniform_int_distribution<int>(0, 2)(rng) != 0;
    const int pick =
        drawn ? choices.back()
              : choices[std::uniform_int_distribution<size_t>(0, choices.size() - 1)(rng)];
    Do(kOpTile, static_cast<uint8_t>(pick));
  }

  ElementEvent Event(ElementId element, int button) {
    ElementEvent ev;
    ev.form = client.view().mainForm();
    ev.element = element;
    ev.button = button;
    return ev;
  }

  // Writes the step and does what the harness does for it.
  void Do(Op op, uint8_t arg) {
    steps.Op(op, arg);
    const MainElements& el = client.view().el;
    switch (op) {
      case kOpGangChoice:
        client.input().OnClick(Event(el.Gang[arg], kLeftButton));
        break;
      case kOpOperation:
        client.input().OnClick(Event(el.Operation[arg], kLeftButton));
        break;
      case kOpTile:
        client.input().OnMouseDown(Event(el.MJ_Image[arg], kLeftButton));
        client.input().OnMouseUp(Event(el.MJ_Image[arg], kLeftButton));
        break;
      default:
        break;
    }
  }

  int Deals() {
    if (watchTable) return watchTable->DealsPlayed();
    srv::Table* t = tableId >= 0 ? hall->Find(tableId) : nullptr;
    return t ? t->DealsPlayed() : 0;
  }

  // Plays until `deals` deals have ended; `dropAtStep` > 0 drops the connection once then.
  void Play(int deals, int maxSteps, int dropAtStep = 0, Link* silent = nullptr) {
    for (int i = 0; i < maxSteps && Deals() < deals; ++i) {
      if (silent) silent->pending.clear();
      if (i == dropAtStep && dropAtStep > 0) {
        steps.Op(kOpPeerClose);
        vp.socket.PeerClose();
        hall->Lost(tableId, seat, &link, "dropped");
        link.pending.clear();
        tableId = seat = -1;
      }
      Step();
      if (Quiet()) Act();
    }
    // The deal's end reaches the client a little later: its board, its record file.
    for (int i = 0; i < 60; ++i) Step();
    std::printf("%d deals in the game\n", Deals());
  }

  VirtualPlatform vp;
  StepWriter steps;
  Client client;
  srv::ManualClock clock;
  srv::HallConfig hallConfig;
  std::optional<srv::Hall> hall;
  std::optional<srv::Table> watchTable;
  srv::ShantenCalculator shanten;
  class QuietListener : public srv::TableListener {
   public:
    void Log(std::string_view) override {}
  } listener;
  Link link;
  std::mt19937 rng;
  int tableId = -1, seat = -1;
  int decidedKey = -1;
  bool skipThis = false;
  int64_t lastSentMs = 0;
  int proxyStage = 0;
  std::vector<uint8_t> sentRecords;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: record_seeds OUTPUT_DIR\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  try {
    for (uint64_t seed : {3, 53}) {
      Game game(0, seed);
      game.Play(1, 20000);
      WriteFile(out / "client_stream" / ("deal-" + std::to_string(seed)), game.steps.bytes);
      WriteFile(out / "server_table_fuzz" / ("deal-" + std::to_string(seed)), game.sentRecords);
      std::ifstream record(game.client.settlement().GameRecordPath(), std::ios::binary);
      const std::vector<uint8_t> file((std::istreambuf_iterator<char>(record)),
                                      std::istreambuf_iterator<char>());
      if (!file.empty()) WriteFile(out / "game_record" / ("deal-" + std::to_string(seed)), file);
    }
    {
      Game game(kFlagQuick, 7);
      game.Play(2, 40000, 300);
      WriteFile(out / "client_stream" / "reconnect-7", game.steps.bytes);
    }
    {
      Game game(kFlagProxy, 5);
      game.Play(1, 20000);
      WriteFile(out / "proxy_replies" / "deal-5", game.steps.bytes);
    }
    {
      Game game(kFlagWatcher, 11);
      game.hall.reset();
      srv::TableConfig config;
      config.turnSeconds = 8;
      game.watchTable.emplace(1, config, game.clock, 11, game.shanten, game.listener);
      // Computer players alone play at once; a silent human makes the table keep time, its
      // turns played by the server when its clock runs out.
      Link silent;
      for (int i = 0; i < 2; ++i) game.watchTable->Seat(srv::Hall::BotProfile(1, i), nullptr);
      game.watchTable->Seat({.account = "b", .nickname = "b"}, &silent);
      game.watchTable->Watch(&game.link, 2);
      game.Play(1, 40000, 0, &silent);
      WriteFile(out / "client_stream" / "watch-11", game.steps.bytes);
    }
  } catch (const ClientEnded& ended) {
    std::fprintf(stderr, "the client ended (%d)\n", ended.code);
    return 1;
  }
  return 0;
}
