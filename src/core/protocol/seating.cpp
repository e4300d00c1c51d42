#include "protocol/seating.h"

#include <algorithm>

#include "app/client.h"

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

void Seating::OnSeatAnnouncement(CommandInfo&) {
  TableView& view = client_.view();
  client_.loop().ShufflePending = false;
  if (!client_.settings().Spectator) client_.connection().StopKeepAlive();
  if (view.laidOut()) {
    for (int k = 0; k < kSeats; ++k) view.main().Hide(view.el.OK[k]);
  }
  for (PlayerRecord& p : client_.table().players) p.isDealer = false;

  ++SeatCount;
  SeatsAnnounced = true;
  if (SeatCount < 3) return;
  SeatCount = 0;
  // Start before the first deal of a stay, continue after it, as the button shows everywhere.
  client_.frame().ShowStartButton();
  view.ButtonLocked[2] = true;
  auto& players = client_.table().players;
  for (int w = 2; w >= 0; --w) {
    if (SeatName[w] != players[0].name) continue;
    for (int k = 0; k < kSeats; ++k) {
      const int seat = (w + 3 - k) % 3;
      players[k].seatMask = static_cast<uint8_t>(MaskOf(seat));
      players[k].name = SeatName[seat];
    }
    break;
  }
  if (client_.props().Active()) {
    client_.props().ClearUser(1);
    client_.props().ClearUser(2);
  }
}

int Seating::PositionFor(uint8_t s, const std::string& account) {
  TableView& view = client_.view();
  PropComponent& props = client_.props();
  if (s == kSeatByteLocal) {
    view.ButtonLocked[2] = false;
    return 0;
  }
  if (s == 1 || s == 2 || s == 4 || s == 8) {
    if (props.Exists()) {
      props.RecState(2, true, 1);
      props.RecState(2, true, 2);
    }
    if (s != client_.table().players[0].seatMask) return ViewOf(client_.table().LocalMask(), s);
    // The local seat's own mask: only the stake changes.
    if (props.Exists() && seatInfo[0].coins > 0) {
      props.SetUserinfo(seatInfo[0], client_.table().players[0], 0);
      if (view.laidOut()) {
        view.main().Hide(view.el.Tou[0]);
        view.main().Disable(view.el.Tou[0]);
      }
    }
    const uint32_t stake = Stake(client_.records().ReceivedRecord);
    LastStake = stake > INT32_MAX ? 0 : static_cast<int32_t>(stake);
    if (LastStake != 0) SeatStakes[0] = LastStake;
    ShowStake(false);
    return -1;
  }
  if (s == 0) {
    int v = 0;
    if (OthersSeated < 1) {
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
    client_.table().players[v].name = account;
    if (v >= 1 && !LastOpponents[v - 1].empty() && LastOpponents[v - 1] != account) {
      ++OpponentChanges;
    }
    if (++OthersSeated == 2) {
      client_.view().RestoreMainWindow();
      client_.lobby().MinimizeLobby();
    }
    return v;
  }
  return 0;
}

void Seating::OnPlayerInfo(CommandInfo& info) {
  const RecordBytes& r = client_.records().ReceivedRecord;
  PropComponent& props = client_.props();
  if (r[kNoPropsByte] != 0 || client_.launch().PropSwitch != 1) {
    props.SwitchOff();
  } else {
    props.Initialise();
  }
  client_.playersLeaving().GameEnded = false;

  if (client_.settings().Spectator) {
    for (int k = 0; k < kSeats; ++k) {
      if (WatchSlots[k][rec::kCommand] != 0) continue;
      WatchSlots[k] = r;
      if (k == kSeats - 1) client_.watching().OnWatchSeats(WatchSlots);
      break;
    }
    return;
  }

  LoopState& loop = client_.loop();
  if (loop.ShuffleShown || loop.ShuffleArmed) {
    client_.platform().timers.Stop("TimerShuffle");
    TableView& view = client_.view();
    if (view.laidOut()) {
      view.main().Hide(view.el.LblShuffle);
      view.main().Hide(view.el.ImgShuffle);
    }
    loop.ShuffleArmed = false;
    loop.ShuffleShown = false;
  }

  const std::string account = SingleByteText(r, kAccountId, 16);
  if (SeatsAnnounced) ++SeatCount;

  const int v = PositionFor(info.seat, account);
  if (v >= 0) {
    TableView& view = client_.view();
    client_.table().players[v].name = account;
    if (r[kReadyByte] == 1 && view.laidOut()) {
      view.main().Show(view.el.OK[v]);
      view.main().BringToFront(view.el.OK[v]);
    }
    seatInfo[v] = DecodeSeatInfo(r);
    const SeatInfo& s = seatInfo[v];
    client_.seatVoices()[v] = SeatVoice{s.gender, s.voiceLang, s.voiceSet, 0};

    if (s.coins > 0 && props.Exists()) {
      if (!props.SetUserinfo(s, client_.table().players[v], v)) {
        props.Shutdown(0);
        props.SwitchOff();
      }
      props.RecState(2, true, v);
    }
    ShowSeat(v, AvatarNumber(s.avatar));

    if (OthersSeated == 2 && !loop.TableCleared) {
      client_.view().ResetTable();
      loop.TableCleared = true;
      client_.messages().Clear(0);
      client_.messages().Add(0, "游戏将在15秒内开始");
    }
    const uint32_t stake = Stake(r);
    // A stake beyond the signed range is not a stake the server can mean.
    LastStake = stake > INT32_MAX ? 0 : static_cast<int32_t>(stake);
    if (view.laidOut()) view.main().SetVisible(view.el.lbfont[0], r[kStakeHint] != 0);
    if (LastStake != 0) SeatStakes[v] = LastStake;
    ShowStake(true);
  }

  if (SeatsAnnounced && SeatCount == 3) {
    SeatsAnnounced = false;
    SeatCount = 4;
    SeatDraw(SeatIndexOf(client_.table().LocalMask()));
    client_.view().ButtonLocked[5] = false;
    client_.view().ButtonLocked[6] = false;
    client_.sound().AssignVoices();
  }
}

void Seating::ShowSeat(ViewPos v, int avatar) {
  const SeatInfo& s = seatInfo[v];
  SeatFace[v] = Face{s.nickname, std::to_string(avatar)};
  TableView& view = client_.view();
  if (!view.laidOut()) return;
  Form& f = view.main();
  f.LoadSprite(view.el.Tou[v], view.sprites().AvatarSprites[std::clamp(avatar, 0, 19)]);
  f.SetCaption(view.el.Nid[v], SeatLabel(s.nameTag, s.nickname));
  f.SetCaption(view.el.Cash[v], NumberText(s.coins) + "金币");
  f.SetCaption(view.el.Level[v], s.title);
}

// `seatRecord`: a seat's own record, which also shows the hover labels when the stake is in use.
void Seating::ShowStake(bool seatRecord) {
  TableView& view = client_.view();
  if (!view.laidOut()) return;
  Form& f = view.main();
  if (LastStake == 0) {
    f.Hide(view.el.Imgwealth);
    f.Hide(view.el.lbwealth);
    return;
  }
  if (seatRecord) {
    f.Show(view.el.lbfont[1]);
    f.Show(view.el.lbfont[2]);
  }
  f.SetCaption(view.el.lbwealth, std::to_string(SmallestStake()));
  PlaceWealth();
  f.Show(view.el.Imgwealth);
  f.Show(view.el.lbwealth);
  f.BringToFront(view.el.lbwealth);
}

void Seating::PlaceWealth() {
  TableView& view = client_.view();
  Form& f = view.main();
  const double sx = view.scale().sx;
  const double sy = view.scale().sy;
  const bool small = view.scale().IsSmall();
  const double left = f.GetLeft(view.el.Imgwealth);
  const double top = f.GetTop(view.el.Imgwealth);
  if (SmallestStake() < 100) {
    f.SetFontSize(view.el.lbwealth, 18);
    f.Move(view.el.lbwealth, left + 52 * sx + (small ? 8 : 0), top);
  } else {
    f.SetFontSize(view.el.lbwealth, 13);
    f.Move(view.el.lbwealth, left + 52 * sx - 4 * sx + (small ? 10 : 0), top + 3 * sy);
  }
}

void Seating::RefreshWealth() {
  TableView& view = client_.view();
  if (!view.laidOut()) return;
  view.main().SetCaption(view.el.lbwealth, std::to_string(SmallestStake()));
  PlaceWealth();
}

int32_t Seating::SmallestStake() const {
  int32_t smallest = 0;
  for (int32_t stake : SeatStakes) {
    if (stake > 0 && (smallest == 0 || stake < smallest)) smallest = stake;
  }
  return smallest;
}

void Seating::SeatDraw(int localIndex) {
  client_.sound().PlayEffectIfOn(kEffectDeal);
  TableView& view = client_.view();
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
  client_.platform().timers.BlockingWait(500);
  const int k = client_.tablePlay().Random(4);
  view.ShowTile(k, kSeatDrawFaceBase - std::clamp(localIndex, 0, 2));
  client_.platform().timers.BlockingWait(500);
  for (int e = 0; e < 4; ++e) f.Hide(view.el.MJ_Image[e]);
}

void Seating::OnReadyMark(CommandInfo& info) {
  const std::string name = SingleByteText(client_.records().ReceivedRecord, 16, 16);
  if (info.value[3] != 1) return;
  TableView& view = client_.view();
  if (!view.laidOut()) return;
  Form& f = view.main();
  for (int k = 0; k < kSeats; ++k) {
    const Element* nid = f.Get(view.el.Nid[k]);
    if (client_.table().players[k].name == name && nid && !nid->caption.empty()) {
      f.Show(view.el.OK[k]);
      f.BringToFront(view.el.OK[k]);
    }
  }
}

void Seating::OnClearTiles() { SeatName = {}; }

void Seating::OnResetSeats() {
  SeatName = {};
  SeatCount = 0;
}

}  // namespace korvel
