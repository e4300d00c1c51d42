#include "props/prop_component.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "config/launch_params.h"
#include "model/loop_state.h"
#include "model/player_record.h"
#include "platform/ports.h"
#include "props/prop_text.h"
#include "settlement/settlement.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr const char* kGameName = "threegame";
constexpr int kReducedLayout = 2;
constexpr int kFullLayout = 1;
// The component's amounts stay inside what the board can write.
constexpr double kLargestAmount = 1e15;

void CopyText(const std::string& text, char (&buffer)[PROPDLL_MAX_TEXT]) {
  const size_t n = std::min(text.size(), sizeof buffer - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

}  // namespace

PropComponent::PropComponent(TableModel& table, LoopState& loop, SessionSettings& settings,
                             const LaunchParams& launch, TableView& view, MessageLines& messages,
                             ElementEvents& input, Records& records, Settlement& settlement,
                             TableChat& chat, Timers& timers, Files& files, Screen& screen,
                             Log& log)
    : table_(table),
      loop_(loop),
      settings_(settings),
      launch_(launch),
      view_(view),
      messages_(messages),
      input_(input),
      records_(records),
      settlement_(settlement),
      files_(files),
      screen_(screen),
      log_(log),
      display_(view, messages, settlement, chat, *this, timers) {}

void PropComponent::Load() {
  if (launch_.PropSwitch != 1) return;
  const std::string path = PropLibrary::PathFor(files_.ComponentDir());
  if (library_.Load(path)) {
    log_.Write("prop component loaded from " + path);
  } else {
    log_.Write("no prop component: " + library_.Error());
  }
}

void PropComponent::Receive(const RecordBytes& record) {
  if (Callable()) library_.Api().Rec_MSG(record.data());
}

void PropComponent::ConnectionState(bool up) {
  if (Callable()) library_.Api().rec_state(3, up ? 1 : 0, 0);
}

void PropComponent::ShowDealEnd() {
  if (library_.Loaded()) library_.Api().InitShowEnd();
}

void PropComponent::Shutdown(int16_t reason) {
  if (!Active()) return;
  if (library_.Loaded()) library_.Api().InitExit(&reason);
  PropsActive = 0;
  PropsReady = false;
  display_.Stop();
}

void PropComponent::DealStarting() {
  InitShowNext(true);
  display_.ClearBoxScene();
}

void PropComponent::Initialise() {
  if (PropsActive != 0 || PropsSwitchedOff) return;
  display_.Prepare();
  const LaunchParams& launch = launch_;
  if (!library_.Loaded() && loop_.TableActive && launch.PropSwitch == 1) Load();
  if (!library_.Loaded()) return;

  PropsActive = -1;
  char user[PROPDLL_MAX_TEXT];
  char empty[PROPDLL_MAX_TEXT] = "";
  CopyText(launch.UserId, user);
  int16_t scale = view_.scale().IsSmall() ? kReducedLayout : kFullLayout;
  int16_t parameter = launch.PropParameter;
  if (!library_.Api().Initdll(user, empty, "DLL", screen_.TableWindowHandle(), kGameName, &scale,
                              &parameter)) {
    log_.Write("the prop component declined to start");
    PropsReady = false;
    PropsActive = 0;
    library_.Unload();
    return;
  }
  PropDllBoxInfo info{};
  const bool boxes = library_.Api().GetBaoInfo(&info) != 0;
  const bool usable = display_.TakeBoxInfo(info);
  if (boxes && !usable) log_.Write("the prop component's boxes are unusable");
  PropsActive = boxes && usable ? 2 : 1;
  PropsReady = true;
  loop_.PropsPolling = true;
}

void PropComponent::SwitchOff() {
  if (PropsSwitchedOff) return;
  PropsSwitchedOff = true;
  Shutdown(0);
  library_.Unload();
  PropsActive = -1;
  // A deal's end the component was holding is still shown, by the client's own board.
  loop_.PropsPolling = true;
}

void PropComponent::ClearUser(int view) {
  if (library_.Loaded()) library_.Api().ClearUser(static_cast<int16_t>(view));
}

void PropComponent::RecState(int code, bool flag, int view) {
  if (library_.Loaded()) library_.Api().rec_state(code, flag ? 1 : 0, view);
}

bool PropComponent::SetUserinfo(const SeatInfo& info, const PlayerRecord& player, int view) {
  if (!library_.Loaded()) return true;
  const int mask = player.seatMask != 0 ? player.seatMask : MaskOf(view);
  return library_.Api().SetUserinfo(info.nickname.c_str(), player.name.c_str(), mask, view,
                                    info.credit != 0, info.gender, info.nameTag.c_str(),
                                    AvatarNumber(info.avatar)) != 0;
}

void PropComponent::InitShowNext(bool show) {
  if (Callable()) library_.Api().InitShowNext(show ? 1 : 0);
}

void PropComponent::ShowGif(int which, bool show) {
  if (Callable()) library_.Api().ShowGif(static_cast<int16_t>(which), show ? 1 : 0);
}

void PropComponent::SetKeyDown(int keyCode) {
  if (Callable()) library_.Api().SetKeyDown(static_cast<int16_t>(keyCode));
}

void PropComponent::SetBankState(int state) {
  if (Callable()) library_.Api().setbankstate(static_cast<int16_t>(state));
}

void PropComponent::FixBuffPos() {
  if (Callable()) library_.Api().FixBuffPos();
}

void PropComponent::ShowTkVideo(int a, bool show, int b) {
  if (Callable()) {
    library_.Api().ShowTkVideo(static_cast<int16_t>(a), show ? 1 : 0, static_cast<int16_t>(b));
  }
}

bool PropComponent::OnClick(ElementId element) {
  TableView& view = view_;
  if (!view.laidOut()) return false;
  const Element* e = view.main().Get(element);
  if (!e || e->name != "ImgProp") return false;
  display_.OnImageClick(e->index);
  return true;
}

bool PropComponent::OnMouseMove(ElementId element) {
  TableView& view = view_;
  // Moving over the table hides whatever preview the component shows.
  if (view.laidOut() && element == view.el.pic1) ShowTkVideo(0, false, 0);
  return false;
}

void PropComponent::ShowBoard() {
  if (settlement_.DrawnDeal) {
    ShowDrawnDealBoard();
  } else {
    settlement_.ShowSettlement();
  }
}

void PropComponent::OnResetSeats() { settlement_.DrawnDeal = false; }

void PropComponent::PollStep() {
  if (PropsReady && Active()) PumpActions();
  if (PropsReady || PropsSwitchedOff) SettlementStep();
  if (display_.BoxCountdownOn) display_.CountdownStep();
}

void PropComponent::SettlementStep() {
  Settlement& settlement = settlement_;
  if (!settlement.PropSettlePending) return;
  if (!Active()) {
    settlement.PropSettlePending = false;
    ShowBoard();
    return;
  }
  if (!PropScorePending || !library_.Loaded()) return;
  score_ = PropDllScore{};
  if (library_.Api().GetScoreInfo(&score_) != 1) return;
  TakeScore(score_);
  PropScorePending = false;
  settlement.PropSettlePending = false;
  if (PropsActive == 2) {
    display_.BoxEnding();
  } else {
    ShowBoard();
    InitShowNext(false);
  }
}

void PropComponent::TakeScore(const PropDllScore& score) {
  PropScoreBuffers& to = settlement_.propScore;
  for (int i = 0; i < kPropEntries; ++i) {
    to.ExtraLines[i] = BufferText(score.extraLines[i].utf8, PROPDLL_MAX_TEXT);
    const double amount = score.extraAmount[i];
    to.ExtraAmount[i] =
        std::isfinite(amount) ? std::clamp(amount, -kLargestAmount, kLargestAmount) : 0.0;
    to.BoxOwners[i][0] = BufferText(score.boxOwnerNames[i].utf8, PROPDLL_MAX_TEXT);
    to.BoxOwners[i][1] = BufferText(score.boxOwnerLines[i].utf8, PROPDLL_MAX_TEXT);
  }
}

}  // namespace korvel
