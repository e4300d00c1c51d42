#include "view/window_frame.h"

#include <string>

#include "app/client.h"

namespace korvel {
namespace {

constexpr std::array<int, 2> kStartSprites = {4, 5};
constexpr std::array<int, 2> kContinueSprites = {6, 7};
constexpr int kFrameNormal = 1, kFrameHover = 2, kFramePressed = 3;
constexpr int kKeyC = 67;
constexpr int kKeyF6 = kKeyF1 + 5;
constexpr PictureId kBankNormal = 450, kBankHover = 451;

}  // namespace

int WindowFrame::ButtonAt(ElementId element) const {
  const MainElements& el = client_.view().el;
  for (int i = 0; i < kMainButtons; ++i) {
    if (el.AnNiu[i] == element) return i;
  }
  return -1;
}

void WindowFrame::ShowButton(int button, bool hover) {
  TableView& view = client_.view();
  if (!view.laidOut() || button < 0 || button >= kMainButtons) return;
  int entry = MainButtonSprite(button, hover);
  if (button == kButtonStart) {
    const bool beforeFirstDeal = client_.tablePlay().DealCount == 0 && client_.settings().StartHint;
    entry = (beforeFirstDeal ? kStartSprites : kContinueSprites)[hover ? 1 : 0];
  }
  view.main().LoadSprite(view.el.AnNiu[button], view.sprites().ButtonSprites[entry]);
}

void WindowFrame::ShowStartButton() { ShowButton(kButtonStart, client_.view().ButtonHover[2]); }

void WindowFrame::ShowFrame() {
  TableView& view = client_.view();
  if (!view.laidOut()) return;
  Form& f = view.main();
  f.frameless = true;
  // The top bar is the title bar: its emblem already names the game, so the skin strip and
  // caption stay hidden and only the drag handle and the two frame buttons lie over it.
  for (ElementId e : {view.el.LbMove, view.el.ImgClose[0], view.el.ImgMin[0]}) {
    f.Show(e);
    f.BringToFront(e);
  }
  // The frame buttons stay above the title's drag handle.
  f.BringToFront(view.el.ImgMin[0]);
  f.BringToFront(view.el.ImgClose[0]);
  f.SetCaption(view.el.lcaption, "Korvel麻将");
  f.SetToolTip(view.el.ImgClose[0], "退出游戏");
  f.SetToolTip(view.el.ImgMin[0], "最小化");
  client_.tablePlay().NameOperationKeys();
}

void WindowFrame::ResetHover() {
  TableView& view = client_.view();
  for (int i = 0; i < kMainButtons; ++i) {
    if (!view.ButtonHover[i]) continue;
    view.ButtonHover[i] = false;
    ShowButton(i, false);
  }
}

bool WindowFrame::OnMouseDown(const ElementEvent& event) {
  TableView& view = client_.view();
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
  TableView& view = client_.view();
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
  TableView& view = client_.view();
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
  TableView& view = client_.view();
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
    PropComponent& props = client_.props();
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
  if (client_.playersLeaving().GameEnded) {
    client_.leaving().BackToLobby();
    return;
  }
  if (button != kButtonStart) client_.settings().StartHint = false;
  switch (button) {
    case kButtonSend:
      client_.chat().SendTyped();
      break;
    case kButtonChat:
      client_.chat().ToggleHistory();
      break;
    case kButtonStart:
      StartOrContinue();
      break;
    case kButtonSettings:
      client_.vosSetForm().Toggle();
      break;
    case kButtonHide:
      Hide();
      break;
    case kButtonScore:
      client_.settlement().ToggleScoreBoard();
      break;
    case kButtonHistory:
      client_.settlement().ToggleHistory();
      break;
    case kButtonRules:
      client_.platform().dialogs.OpenPage(client_.platform().files.DataDir() + "/rules.html");
      break;
    case kButtonExit:
      ToggleExitWindow(true);
      break;
    default:
      break;
  }
}

void WindowFrame::ToggleExitWindow(bool bankFirst) {
  PropComponent& props = client_.props();
  const FormId exit = client_.leaving().exitForm();
  const bool shown = exit != kNoForm && client_.view().scene().form(exit).visible();
  // The button tells the component every time, the key only when the window opens.
  if ((bankFirst || !shown) && props.Active() && props.library().Loaded()) {
    props.library().Api().setbankstate(2);
  }
  if (shown) {
    client_.leaving().CancelExit();
  } else {
    client_.leaving().OpenExitWindow();
  }
}

void WindowFrame::StartOrContinue() {
  client_.settlement().HideHistory();
  client_.settlement().HideScoreBoard();
  TableView& view = client_.view();
  if (view.ButtonLocked[kButtonStart]) return;
  client_.settings().StartHint = false;
  ShowButton(kButtonStart, false);
  if (view.laidOut()) {
    view.main().Show(view.el.OK[0]);
    view.main().BringToFront(view.el.OK[0]);
  }
  client_.playersLeaving().ContinuePressed = true;
  client_.view().HideClock();
  // The click is the continue: the countdown must not send a second one at its end.
  client_.loop().LoopFlag[kStepDealEndCountdown] = false;
  view.ButtonLocked[kButtonStart] = true;
  LoopState& loop = client_.loop();
  if (!loop.TableCleared) {
    client_.view().ResetTable();
    loop.TableCleared = true;
  }
  CommandInfo info;
  info.command = kCommandContinue;
  info.seat = client_.table().players[0].seatMask;
  info.value[3] = 1;
  client_.records().SendCommand(info);
  if (loop.ShuffleArmed && loop.ShufflePending) {
    for (PlayerRecord& p : client_.table().players) p.seatMask = 0;
    client_.shuffle().Start();
    loop.ShuffleArmed = false;
    loop.ShuffleShown = true;
  }
}

void WindowFrame::Hide() {
  client_.view().MinimizeMainWindow();
  client_.settlement().HideHistory();
  client_.settlement().HideScoreBoard();
  client_.chat().HideHistory();
  client_.vosSetForm().Hide();
  HideByKey();
}

void WindowFrame::HideByKey() {
  client_.autoPlay().HiddenByKey = true;
  client_.seating().HideInfoWindow();
  client_.chat().HideWindows();
  client_.chat().HideBalloons();
  client_.view().MinimizeMainWindow();
  client_.lobby().MinimizeLobby();
}

void WindowFrame::OnKeyDown(ElementId focus, int keyCode) {
  TableView& view = client_.view();
  PropComponent& props = client_.props();
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
    const FormId talk = client_.chat().historyForm();
    if (talk == kNoForm || !view.scene().form(talk).visible()) client_.chat().ToggleHistory();
  }
  altPressed_ = keyCode == kKeyAlt;
}

void WindowFrame::OnFocusChanged(ElementId element, bool hasFocus) {
  if (element == client_.view().el.Chat) ChatFocus = hasFocus;
}

void WindowFrame::OnResize(bool minimised) {
  client_.view().MainWindowMinimized = minimised;
  if (minimised) {
    client_.chat().HideBalloons();
    return;
  }
  AutoPlay& autoPlay = client_.autoPlay();
  if (autoPlay.HiddenByKey) {
    client_.settings().TurnTime = kDefaultTurnTime;
    autoPlay.HiddenByKey = false;
  }
  autoPlay.TimeoutRun = 0;
  client_.lobby().MinimizeLobby();
  PropComponent& props = client_.props();
  if (props.Active() && props.library().Loaded()) props.library().Api().FixBuffPos();
  TableView& view = client_.view();
  if (view.laidOut()) view.main().RequestFocus(view.el.Chat);
  client_.chat().ShowFadingBalloons();
}

}  // namespace korvel
