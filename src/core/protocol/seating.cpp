#include "protocol/seating.h"

#include <algorithm>

#include "config/launch_params.h"
#include "model/loop_state.h"
#include "model/player_record.h"
#include "model/session_settings.h"
#include "net/connection.h"
#include "net/lobby_window.h"
#include "net/records.h"
#include "platform/ports.h"
#include "props/prop_component.h"
#include "seats/watching.h"
#include "sound/sound.h"
#include "table/table_play.h"
#include "view/message_lines.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr int kSeatByteLocal = 15;
constexpr size_t kAccountId = 168;
constexpr size_t kReadyByte = 208;
constexpr size_t kStake = 234;
constexpr size_t kStakeHint = 238;
constexpr size_t kNoPropsByte = 255;
constexpr int kSeatDrawBackIndex = 7;
constexpr int kSeatDrawFaceBase = 147;  // minus the seat index: a wind of the hand block

uint32_t Stake(const RecordBytes& r) { return ReadLE32(r, kStake); }

}  // namespace

Seating::Seating(TableModel& table, LoopState& loop, SessionSettings& settings,
                 const LaunchParams& launch, TableView& view, MessageLines& messages,
                 Records& records, LobbyWindow& lobby, Connection& connection, Sound& sound,
                 SeatVoices& seatVoices, TablePlay& tablePlay, Watching& watching,
                 Settlement& settlement, PropComponent& props, Timers& timers, Log& log,
                 Process& process)
    : table_(table),
      seats_(table.seating),
      loop_(loop),
      settings_(settings),
      launch_(launch),
      view_(view),
      messages_(messages),
      records_(records),
      lobby_(lobby),
      connection_(connection),
      sound_(sound),
      seatVoices_(seatVoices),
      tablePlay_(tablePlay),
      watching_(watching),
      settlement_(settlement),
      props_(props),
      timers_(timers),
      log_(log),
      process_(process) {}

void Seating::OnSeatAnnouncement(CommandInfo&) {
  TableView& view = view_;
  loop_.ShufflePending = false;
  if (!settings_.Spectator) connection_.StopKeepAlive();
  if (view.laidOut()) {
    for (int k = 0; k < kSeats; ++k) view.main().Hide(view.el.OK[k]);
  }
  for (PlayerRecord& p : table_.players) p.isDealer = false;

  ++seats_.SeatCount;
  seats_.SeatsAnnounced = true;
  if (seats_.SeatCount < 3) return;
  seats_.SeatCount = 0;
  // Start before the first deal of a stay, continue after it, as the button shows everywhere.
  view_.ShowStartButton(table_.progress.DealCount == 0 && settings_.StartHint);
  view.ButtonLocked[2] = true;
  auto& players = table_.players;
  for (int w = 2; w >= 0; --w) {
    if (seats_.SeatName[w] != players[0].name) continue;
    for (int k = 0; k < kSeats; ++k) {
      const int seat = (w + 3 - k) % 3;
      players[k].seatMask = static_cast<uint8_t>(MaskOf(seat));
      players[k].name = seats_.SeatName[seat];
    }
    break;
  }
  if (props_.Active()) {
    props_.ClearUser(1);
    props_.ClearUser(2);
  }
}

int Seating::PositionFor(uint8_t s, const std::string& account) {
  TableView& view = view_;
  PropComponent& props = props_;
  if (s == kSeatByteLocal) {
    view.ButtonLocked[2] = false;
    return 0;
  }
  if (s == 1 || s == 2 || s == 4 || s == 8) {
    if (props.Exists()) {
      props.RecState(2, true, 1);
      props.RecState(2, true, 2);
    }
    if (s != table_.players[0].seatMask) return ViewOf(table_.LocalMask(), s);
    // The local seat's own mask: only the stake changes.
    if (props.Exists() && table_.seatInfo[0].coins > 0) {
      HandUserinfo(0);
      if (view.laidOut()) {
        view.main().Hide(view.el.Tou[0]);
        view.main().Disable(view.el.Tou[0]);
      }
    }
    const uint32_t stake = Stake(records_.ReceivedRecord);
    seats_.LastStake = stake > INT32_MAX ? 0 : static_cast<int32_t>(stake);
    if (seats_.LastStake != 0) seats_.SeatStakes[0] = seats_.LastStake;
    ShowStake(false);
    return -1;
  }
  if (s == 0) {
    int v = 0;
    if (seats_.OthersSeated < 1) {
      v = 1;
    } else if (view.laidOut()) {
      for (int k : {1, 2}) {
        const Element* nid = view.main().Get(view.el.Nid[k]);
        if (nid && nid->caption.empty()) {
          v = k;
          break;
        }
      }
    }
    table_.players[v].name = account;
    if (v >= 1 && !seats_.LastOpponents[v - 1].empty() && seats_.LastOpponents[v - 1] != account) {
      ++seats_.OpponentChanges;
    }
    if (++seats_.OthersSeated == 2) {
      view_.RestoreMainWindow();
      lobby_.MinimizeLobby();
    }
    return v;
  }
  return 0;
}

void Seating::OnPlayerInfo(CommandInfo& info) {
  const RecordBytes& r = records_.ReceivedRecord;
  PropComponent& props = props_;
  if (r[kNoPropsByte] != 0 || launch_.PropSwitch != 1) {
    props.SwitchOff();
  } else {
    props.Initialise();
  }
  table_.progress.GameEnded = false;

  if (settings_.Spectator) {
    for (int k = 0; k < kSeats; ++k) {
      if (WatchSlots[k][rec::kCommand] != 0) continue;
      WatchSlots[k] = r;
      if (k == kSeats - 1) watching_.OnWatchSeats(WatchSlots);
      break;
    }
    return;
  }

  LoopState& loop = loop_;
  if (loop.ShuffleShown || loop.ShuffleArmed) {
    timers_.Stop("TimerShuffle");
    TableView& view = view_;
    if (view.laidOut()) {
      view.main().Hide(view.el.LblShuffle);
      view.main().Hide(view.el.ImgShuffle);
    }
    loop.ShuffleArmed = false;
    loop.ShuffleShown = false;
  }

  const std::string account = SingleByteText(r, kAccountId, 16);
  if (seats_.SeatsAnnounced) ++seats_.SeatCount;

  const int v = PositionFor(info.seat, account);
  if (v >= 0) {
    TableView& view = view_;
    table_.players[v].name = account;
    if (r[kReadyByte] == 1 && view.laidOut()) {
      view.main().Show(view.el.OK[v]);
      view.main().BringToFront(view.el.OK[v]);
    }
    table_.seatInfo[v] = DecodeSeatInfo(r);
    const SeatInfo& s = table_.seatInfo[v];
    seatVoices_[v] = SeatVoice{s.gender, s.voiceLang, s.voiceSet, 0};

    if (s.coins > 0 && props.Exists()) HandUserinfo(v);
    ShowSeat(v, AvatarNumber(s.avatar));

    if (seats_.OthersSeated == 2 && !loop.TableCleared) {
      view_.ResetTable();
      loop.TableCleared = true;
      messages_.Clear(0);
      messages_.Add(0, "游戏将在15秒内开始");
    }
    const uint32_t stake = Stake(r);
    // A stake beyond the signed range is not a stake the server can mean.
    seats_.LastStake = stake > INT32_MAX ? 0 : static_cast<int32_t>(stake);
    if (view.laidOut()) view.main().SetVisible(view.el.lbfont[0], r[kStakeHint] != 0);
    if (seats_.LastStake != 0) seats_.SeatStakes[v] = seats_.LastStake;
    ShowStake(true);
  }

  if (seats_.SeatsAnnounced && seats_.SeatCount == 3) {
    seats_.SeatsAnnounced = false;
    seats_.SeatCount = 4;
    SeatDraw(SeatIndexOf(table_.LocalMask()));
    view_.ButtonLocked[5] = false;
    view_.ButtonLocked[6] = false;
    sound_.AssignVoices();
  }
}

void Seating::HandUserinfo(ViewPos v) {
  PropComponent& props = props_;
  // A component that refuses a player cannot show that player's props: the game goes on
  // without any.
  if (!props.SetUserinfo(table_.seatInfo[v], table_.players[v], v)) {
    props.Shutdown(0);
    props.SwitchOff();
  }
  props.RecState(2, true, v);
}

void Seating::ShowSeat(ViewPos v, int avatar) {
  const SeatInfo& s = table_.seatInfo[v];
  seats_.SeatFace[v] = SeatingState::Face{s.nickname, std::to_string(avatar)};
  TableView& view = view_;
  if (!view.laidOut()) return;
  Form& f = view.main();
  f.LoadSprite(view.el.Tou[v], view.sprites().AvatarSprites[std::clamp(avatar, 0, 19)]);
  f.SetCaption(view.el.Nid[v], SeatLabel(s.nameTag, s.nickname));
  f.SetCaption(view.el.Cash[v], NumberText(s.coins) + "金币");
  f.SetCaption(view.el.Level[v], s.title);
}

// `seatRecord`: a seat's own record, which also shows the hover labels when the stake is in use.
void Seating::ShowStake(bool seatRecord) {
  TableView& view = view_;
  if (!view.laidOut()) return;
  Form& f = view.main();
  if (seats_.LastStake == 0) {
    f.Hide(view.el.Imgwealth);
    f.Hide(view.el.lbwealth);
    return;
  }
  if (seatRecord) {
    f.Show(view.el.lbfont[1]);
    f.Show(view.el.lbfont[2]);
  }
  f.SetCaption(view.el.lbwealth, std::to_string(seats_.SmallestStake()));
  PlaceWealth();
  f.Show(view.el.Imgwealth);
  f.Show(view.el.lbwealth);
  f.BringToFront(view.el.lbwealth);
}

void Seating::PlaceWealth() {
  TableView& view = view_;
  Form& f = view.main();
  const double sx = view.scale().sx;
  const double sy = view.scale().sy;
  const bool small = view.scale().IsSmall();
  const double left = f.GetLeft(view.el.Imgwealth);
  const double top = f.GetTop(view.el.Imgwealth);
  if (seats_.SmallestStake() < 100) {
    f.SetFontSize(view.el.lbwealth, 18);
    f.Move(view.el.lbwealth, left + 52 * sx + (small ? 8 : 0), top);
  } else {
    f.SetFontSize(view.el.lbwealth, 13);
    f.Move(view.el.lbwealth, left + 52 * sx - 4 * sx + (small ? 10 : 0), top + 3 * sy);
  }
}

void Seating::RefreshWealth() {
  TableView& view = view_;
  if (!view.laidOut()) return;
  view.main().SetCaption(view.el.lbwealth, std::to_string(seats_.SmallestStake()));
  PlaceWealth();
}

void Seating::SeatDraw(int localIndex) {
  sound_.PlayEffectIfOn(kEffectDeal);
  TableView& view = view_;
  if (!view.laidOut()) return;
  Form& f = view.main();
  const double w = view.TileWidth[0];
  const double h = view.TileHeight[0];
  const double x0 = f.GetWidth(view.el.pic1) / 2 - 2 * w;
  const double y = f.GetHeight(view.el.pic1) / 2 - h;
  for (int e = 0; e < 4; ++e) {
    f.Move(view.el.MJ_Image[e], x0 + e * w, y, w, h);
    view.ShowTile(e, kSeatDrawBackIndex);
    f.Show(view.el.MJ_Image[e]);
  }
  timers_.BlockingWait(500);
  const int k = tablePlay_.Random(4);
  view.ShowTile(k, kSeatDrawFaceBase - std::clamp(localIndex, 0, 2));
  timers_.BlockingWait(500);
  for (int e = 0; e < 4; ++e) f.Hide(view.el.MJ_Image[e]);
}

void Seating::OnReadyMark(CommandInfo& info) {
  const std::string name = SingleByteText(records_.ReceivedRecord, 16, 16);
  if (info.value[3] != 1) return;
  TableView& view = view_;
  if (!view.laidOut()) return;
  Form& f = view.main();
  for (int k = 0; k < kSeats; ++k) {
    const Element* nid = f.Get(view.el.Nid[k]);
    if (table_.players[k].name == name && nid && !nid->caption.empty()) {
      f.Show(view.el.OK[k]);
      f.BringToFront(view.el.OK[k]);
    }
  }
}

void Seating::OnClearTiles() { seats_.SeatName = {}; }

void Seating::OnResetSeats() {
  seats_.SeatName = {};
  seats_.SeatCount = 0;
}

}  // namespace korvel
