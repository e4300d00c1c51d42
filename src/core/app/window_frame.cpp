#include "app/window_frame.h"

#include <string>

#include "app/main_loop.h"
#include "chat/table_chat.h"
#include "model/loop_state.h"
#include "model/player_record.h"
#include "model/session_settings.h"
#include "net/lobby_window.h"
#include "net/records.h"
#include "platform/ports.h"
#include "props/prop_component.h"
#include "protocol/leaving.h"
#include "protocol/players_leaving.h"
#include "protocol/seating.h"
#include "settlement/settlement.h"
#include "sound/vos_set_form.h"
#include "table/table_play.h"
#include "view/shuffle_display.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr int kFrameNormal = 1, kFrameHover = 2, kFramePressed = 3;
constexpr int kKeyC = 67;
constexpr int kKeyF6 = kKeyF1 + 5;
constexpr PictureId kBankNormal = 450, kBankHover = 451;

}  // namespace

WindowFrame::WindowFrame(TableModel& table, LoopState& loop, SessionSettings& settings,
                         TableView& view, ShuffleDisplay& shuffle, Records& records,
                         LobbyWindow& lobby, VosSetForm& vosSetForm, TablePlay& tablePlay,
                         Settlement& settlement, Seating& seating, PlayersLeaving& playersLeaving,
                         Leaving& leaving, TableChat& chat, PropComponent& props, Dialogs& dialogs,
                         Files& files)
    : table_(table),
      loop_(loop),
      settings_(settings),
      view_(view),
      shuffle_(shuffle),
      records_(records),
      lobby_(lobby),
      vosSetForm_(vosSetForm),
      tablePlay_(tablePlay),
      settlement_(settlement),
      seating_(seating),
      playersLeaving_(playersLeaving),
      leaving_(leaving),
      chat_(chat),
      props_(props),
      dialogs_(dialogs),
      files_(files) {}

int WindowFrame::ButtonAt(ElementId element) const {
  const MainElements& el = view_.el;
  for (int i = 0; i < kMainButtons; ++i) {
    if (el.AnNiu[i] == element) return i;
  }
  return -1;
}

void WindowFrame::ShowButton(int button, bool hover) {
  view_.ShowMainButton(button, hover, BeforeFirstDeal());
}

bool WindowFrame::BeforeFirstDeal() const {
  return table_.progress.DealCount == 0 && settings_.StartHint;
}

void WindowFrame::ShowStartButton() { view_.ShowStartButton(BeforeFirstDeal()); }

void WindowFrame::ShowFrame() {
  TableView& view = view_;
  if (!view.laidOut()) return;
  Form& f = view.main();
  f.frameless = true;
  // The top bar is the title bar: the skin strip stays hidden; the white title, the drag
  // handle over it and the two frame buttons lie on it.
  f.SetCaption(view.el.lcaption, "Korvel麻将");
  f.SetColor(view.el.lcaption, 0xFFFFFF);
  for (ElementId e : {view.el.lcaption, view.el.LbMove, view.el.ImgClose[0], view.el.ImgMin[0]}) {
    f.Show(e);
    f.BringToFront(e);
  }
  // The frame buttons stay above the title's drag handle.
  f.BringToFront(view.el.ImgMin[0]);
  f.BringToFront(view.el.ImgClose[0]);
  f.SetToolTip(view.el.ImgClose[0], "退出游戏");
  f.SetToolTip(view.el.ImgMin[0], "最小化");
  tablePlay_.NameOperationKeys();
}

void WindowFrame::ResetHover() {
  TableView& view = view_;
  for (int i = 0; i < kMainButtons; ++i) {
    if (!view.ButtonHover[i]) continue;
    view.ButtonHover[i] = false;
    ShowButton(i, false);
  }
}

bool WindowFrame::OnMouseDown(const ElementEvent& event) {
  TableView& view = view_;
  Form& f = view.main();
  if (event.element == view.el.LbMove && event.button == kLeftButton) {
    f.moveRequested = true;
    return true;
  }
  if (event.element == view.el.ImgClose[0]) {
    f.LoadSprite(view.el.ImgClose[0], f.GetPicture(view.el.ImgClose[kFramePressed]));
    return true;
  }
  if (event.element == view.el.ImgMin[0]) {
    f.LoadSprite(view.el.ImgMin[0], f.GetPicture(view.el.ImgMin[kFramePressed]));
    return true;
  }
  return false;
}

bool WindowFrame::OnMouseUp(const ElementEvent& event) {
  TableView& view = view_;
  Form& f = view.main();
  for (auto* frame : {&view.el.ImgClose, &view.el.ImgMin}) {
    if (event.element == (*frame)[0]) {
      f.LoadSprite((*frame)[0], f.GetPicture((*frame)[kFrameHover]));
      return true;
    }
  }
  return false;
}

void WindowFrame::OnMouseMove(const ElementEvent& event) {
  TableView& view = view_;
  Form& f = view.main();
  const ElementId e = event.element;
  if (const int button = ButtonAt(e); button >= 0 && !view.ButtonHover[button]) {
    view.ButtonHover[button] = true;
    ShowButton(button, true);
  }
  if (e == view.el.pic1) ResetHover();
  if ((e == view.el.ImgClose[0] || e == view.el.ImgMin[0]) && !FrameHover) {
    FrameHover = true;
    f.LoadSprite(e, f.GetPicture(e == view.el.ImgClose[0] ? view.el.ImgClose[kFrameHover]
                                                          : view.el.ImgMin[kFrameHover]));
  }
  if ((e == view.el.LbMove || e == view.el.pic1 || e == kNoElement) && FrameHover) {
    FrameHover = false;
    f.LoadSprite(view.el.ImgClose[0], f.GetPicture(view.el.ImgClose[kFrameNormal]));
    f.LoadSprite(view.el.ImgMin[0], f.GetPicture(view.el.ImgMin[kFrameNormal]));
  }
  if (e == view.el.Bank && !BankHover) {
    BankHover = true;
    f.LoadSprite(view.el.Bank, kBankHover);
  }
  if (e == view.el.imgLocation && BankHover) {
    BankHover = false;
    f.LoadSprite(view.el.Bank, kBankNormal);
  }
  if (e == view.el.imgBeishu || e == view.el.lblDifen) {
    f.SetToolTip(e, "骰子加倍 ×" + f.Get(view.el.lblDifen)->caption);
  }
  if (e == view.el.Imgwealth || e == view.el.lbwealth) {
    f.SetToolTip(e, "财富加倍 ×" + f.Get(view.el.lbwealth)->caption);
  }
}

bool WindowFrame::OnClick(const ElementEvent& event) {
  TableView& view = view_;
  const ElementId e = event.element;
  if (e == view.el.ImgClose[0]) {
    PressButton(kButtonExit);
    return true;
  }
  if (e == view.el.ImgMin[0]) {
    PressButton(kButtonHide);
    return true;
  }
  if (e == view.el.Bank) {
    PropComponent& props = props_;
    if (props.Active() && props.library().Loaded()) props.library().Api().setbankstate(0);
    return true;
  }
  const int button = ButtonAt(e);
  if (button < 0) return false;
  PressButton(button);
  return true;
}

void WindowFrame::PressButton(int button) {
  // After the server ended the game every main button leads back to the lobby.
  if (table_.progress.GameEnded) {
    leaving_.BackToLobby();
    return;
  }
  if (button != kButtonStart) settings_.StartHint = false;
  switch (button) {
    case kButtonSend:
      chat_.SendTyped();
      break;
    case kButtonChat:
      chat_.ToggleHistory();
      break;
    case kButtonStart:
      StartOrContinue();
      break;
    case kButtonSettings:
      vosSetForm_.Toggle();
      break;
    case kButtonHide:
      Hide();
      break;
    case kButtonScore:
      settlement_.ToggleScoreBoard();
      break;
    case kButtonHistory:
      settlement_.ToggleHistory();
      break;
    case kButtonRules:
      dialogs_.OpenPage(files_.DataDir() + "/rules.html");
      break;
    case kButtonExit:
      ToggleExitWindow(true);
      break;
    default:
      break;
  }
}

void WindowFrame::ToggleExitWindow(bool bankFirst) {
  PropComponent& props = props_;
  const FormId exit = leaving_.exitForm();
  const bool shown = exit != kNoForm && view_.scene().form(exit).visible();
  // The button tells the component every time, the key only when the window opens.
  if ((bankFirst || !shown) && props.Active() && props.library().Loaded()) {
    props.library().Api().setbankstate(2);
  }
  if (shown) {
    leaving_.CancelExit();
  } else {
    leaving_.OpenExitWindow();
  }
}

void WindowFrame::StartOrContinue() {
  settlement_.HideHistory();
  settlement_.HideScoreBoard();
  TableView& view = view_;
  if (view.ButtonLocked[kButtonStart]) return;
  settings_.StartHint = false;
  ShowButton(kButtonStart, false);
  if (view.laidOut()) {
    view.main().Show(view.el.OK[0]);
    view.main().BringToFront(view.el.OK[0]);
  }
  playersLeaving_.ContinuePressed = true;
  view_.HideClock();
  // The click is the continue: the countdown must not send a second one at its end.
  loop_.LoopFlag[kStepDealEndCountdown] = false;
  view.ButtonLocked[kButtonStart] = true;
  LoopState& loop = loop_;
  if (!loop.TableCleared) {
    view_.ResetTable();
    loop.TableCleared = true;
  }
  CommandInfo info;
  info.command = kCommandContinue;
  info.seat = table_.players[0].seatMask;
  info.value[3] = 1;
  records_.SendCommand(info);
  if (loop.ShuffleArmed && loop.ShufflePending) {
    for (PlayerRecord& p : table_.players) p.seatMask = 0;
    shuffle_.Start();
    loop.ShuffleArmed = false;
    loop.ShuffleShown = true;
  }
}

void WindowFrame::Hide() {
  view_.MinimizeMainWindow();
  settlement_.HideHistory();
  settlement_.HideScoreBoard();
  chat_.HideHistory();
  vosSetForm_.Hide();
  HideByKey();
}

void WindowFrame::HideByKey() {
  table_.progress.HiddenByKey = true;
  seating_.HideInfoWindow();
  chat_.HideWindows();
  chat_.HideBalloons();
  view_.MinimizeMainWindow();
  lobby_.MinimizeLobby();
}

void WindowFrame::OnKeyDown(ElementId focus, int keyCode) {
  TableView& view = view_;
  PropComponent& props = props_;
  if (props.Active() && props.library().Loaded() && keyCode >= kKeyF1 && keyCode <= kKeyF6 &&
      (keyCode == kKeyF1 || !ChatFocus)) {
    props.library().Api().SetKeyDown(static_cast<int16_t>(keyCode));
  }
  if (keyCode == kKeyF1) HideByKey();
  const bool onTable = focus == view.el.pic1 || focus == kNoElement;
  // Esc is the exit window's key only: not a main button, so it never goes back to the lobby
  // after the game ended and leaves the start hint alone.
  if (keyCode == kKeyEscape && onTable) ToggleExitWindow(false);
  // Alt directly followed by C opens the chat history.
  if (altPressed_ && keyCode == kKeyC && onTable) {
    const FormId talk = chat_.historyForm();
    if (talk == kNoForm || !view.scene().form(talk).visible()) chat_.ToggleHistory();
  }
  altPressed_ = keyCode == kKeyAlt;
}

void WindowFrame::OnFocusChanged(ElementId element, bool hasFocus) {
  if (element != view_.el.Chat) return;
  ChatFocus = hasFocus;
  view_.main().SetBackColor(view_.el.Chat, hasFocus ? kChatTyping : kChatIdle, true);
}

void WindowFrame::OnResize(bool minimised) {
  view_.MainWindowMinimized = minimised;
  if (minimised) {
    chat_.HideBalloons();
    return;
  }
  GameProgress& progress = table_.progress;
  if (progress.HiddenByKey) {
    settings_.TurnTime = kDefaultTurnTime;
    progress.HiddenByKey = false;
  }
  progress.TimeoutRun = 0;
  lobby_.MinimizeLobby();
  PropComponent& props = props_;
  if (props.Active() && props.library().Loaded()) props.library().Api().FixBuffPos();
  TableView& view = view_;
  if (view.laidOut()) view.main().RequestFocus(view.el.Chat);
  chat_.ShowFadingBalloons();
}

}  // namespace korvel
