// The start of a deal: the dealer, the die that fixes where dealing starts, the dice
// multiplier and the three walls built stack by stack.
#include <algorithm>
#include <string>

#include "model/loop_state.h"
#include "model/player_record.h"
#include "model/session_settings.h"
#include "net/lobby_window.h"
#include "net/records.h"
#include "platform/ports.h"
#include "protocol/seating.h"
#include "settlement/settlement.h"
#include "sound/sound.h"
#include "table/table_play.h"
#include "table/tile_pictures.h"
#include "view/message_lines.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr size_t kDiceDoublingByte = 18;
constexpr int kStacksPerWall = 12;
constexpr int kWallStepMs = 10;
constexpr int kDieFrameMs = 2;
constexpr int kDieRestMs = 600;
constexpr int kTumblingFrames = 10;
constexpr int kFirstTumblingFrame = 6;
constexpr int kStartButton = 2;

// The first stack of each wall: element and its lying back.
struct WallStart {
  int element;
  int picture;
};
constexpr WallStart kWallStarts[kSeats] = {
    {0, LyingBackIndex(kBlockUpright)},
    {24, LyingBackIndex(kBlockLeft)},
    {48, LyingBackIndex(kBlockRight)},
};

// A die as the record carries it: 0 counts as 1.
int DieValue(int16_t value) { return value == 0 ? 1 : value; }
// The face a die shows: 1..6, anything else at the nearest end.
int DieFace(int value) { return std::clamp(value, 1, 6); }

}  // namespace

void TablePlay::OnDealStart(CommandInfo& info) {
  TableView& view = view_;
  TableModel& table = table_;
  LoopState& loop = loop_;

  records_.ReleaseHeld();
  loop.BetweenDeals = false;
  table_.seating.DealStarted = 1;
  table_.seating.PropDealStarted = true;
  loop_.ShufflePending = false;
  table_.progress.GameRunning = true;
  // The server may start the next deal before the continue countdown has run out: the wait
  // for it is over, and the last deal's tiles must not stay in the seats.
  if (loop.LoopFlag[kStepDealEndCountdown]) view_.HideClock();
  loop.LoopFlag[kStepDealEndCountdown] = false;
  // The last deal is over for the player too: its board closes, continue means nothing until
  // this deal ends, and the prompts between deals go.
  view.ButtonLocked[kStartButton] = true;
  settlement_.HideScoreBoard();
  messages_.DropStartNotices();
  const bool seatsHoldTiles = std::any_of(table.players.begin(), table.players.end(),
                                          [](const PlayerRecord& p) { return p.handCount != 0; });
  if (settings_.Spectator || seatsHoldTiles) view.ResetTable();
  loop.Arm(kStepBlink);
  loop.InDeal = true;
  ++table_.progress.DealCount;
  // A deal the server started without a click still turns start into continue.
  view_.ShowStartButton(table_.progress.DealCount == 0 && settings_.StartHint);
  if (!view.laidOut()) return;
  Form& f = view.main();
  for (int v = 0; v < kSeats; ++v) f.Hide(view.el.OK[v]);

  view.ClearTable();
  BuildWalls();

  const int die = DieValue(info.value[0]);
  const int dealer = [&] {
    for (int v = 0; v < kSeats; ++v) {
      if (table.players[v].seatMask == info.seat) return v;
    }
    return -1;
  }();
  if (dealer >= 0) {
    table.players[dealer].isDealer = true;
    view.ShowDealerName(table_.seating.SeatFace[dealer].nickname);
    RollDie(die);
    // Dealing starts in the wall of the seat after the dealer, `die` stacks in.
    TableState& st = table.state;
    st.NextTileElement =
        static_cast<int16_t>((((dealer + 1) % 4) * kStacksPerWall + die) * 2 % kTileElements);
    st.WallEndElement = static_cast<int16_t>((st.NextTileElement + 70) % kTileElements);
    st.DealFirstElement = st.NextTileElement;
    st.DealWallEnd = st.WallEndElement;
  } else {
    log_.Write("deal start names dealer " + std::to_string(info.seat) +
               ", who is not at the table");
  }

  DiceDoubling = records_.ReceivedRecord[kDiceDoublingByte];
  if (DiceDoubling != 0) ShowMultiplierDice(info.value[2], info.value[3]);

  if (dealer >= 0) {
    f.Show(view.el.img_zhuang);
    f.Show(view.el.lbZhuang);
  }
  ResetOperationButtons();
}

void TablePlay::ResetOperationButtons() {
  TableView& view = view_;
  Form& f = view.main();
  for (int i = 1; i < kOperationButtons; ++i) {
    const ElementId op = view.el.Operation[i];
    f.Hide(op);
    f.Disable(op);
    f.LoadSprite(op, view.sprites().OperationSprites[3 * i]);
  }
}

void TablePlay::BuildWalls() {
  TableView& view = view_;
  sound_.PlayEffectIfOn(kEffectShuffle);
  for (const WallStart& w : kWallStarts) {
    view.ShowTile(w.element, w.picture);
    view.ShowTile(w.element + 1, w.picture);
  }
  for (int i = 1; i < kStacksPerWall; ++i) {
    for (const WallStart& w : kWallStarts) {
      view.ShowTile(w.element + 2 * i, w.picture);
      view.ShowTile(w.element + 2 * i + 1, w.picture);
    }
    timers_.PumpWait(kWallStepMs);
  }
  lobby_.PostToLobby(kMsgDealStarted);

  TableState& st = table_.state;
  st.LaidDown.fill(0);
  st.ReadyDeclared = false;
  PendingDiscard = 0;
  NoticeShown = false;
  // The last deal's wins, fan codes and winner masks.
  settlement_.ResetForNewDeal();
}

void TablePlay::RollDie(int value) {
  TableView& view = view_;
  Form& f = view.main();
  const auto& dice = view.sprites().DiceSprites;
  const ElementId die = view.el.Sai_Image[0];
  sound_.PlayEffectIfOn(kEffectDice);
  view.Place(die, 480, 344);
  f.Show(die);
  const int frames = 20 + Random(5);
  for (int j = 0; j <= frames; ++j) {
    const int sprite =
        j == frames ? DieFace(value) - 1 : kFirstTumblingFrame + Random(kTumblingFrames);
    f.LoadSprite(die, dice[sprite]);
    timers_.PumpWait(kDieFrameMs);
  }
  timers_.PumpWait(kDieRestMs);
  f.Hide(die);
}

void TablePlay::ShowMultiplierDice(int a, int b) {
  TableView& view = view_;
  Form& f = view.main();
  // The factor is the sum as the server sent it; only the pictures need faces 1..6.
  f.SetCaption(view.el.lblDifen, std::to_string(a + b));
  f.Show(view.el.imgBeishu);
  f.Show(view.el.lblDifen);
  const int faces[2] = {a, b};
  for (int i = 0; i < 2; ++i) {
    f.LoadSprite(view.el.imgsezi[i], view.sprites().SmallDiceSprites[DieFace(faces[i]) - 1]);
    f.Show(view.el.imgsezi[i]);
  }
}

}  // namespace korvel
