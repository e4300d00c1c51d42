// The small panels of the main form that the loop and the handlers switch on and off.
#include "view/table_view.h"

#include <array>

namespace korvel {
namespace {

constexpr int kContinueSprite = 6;
constexpr std::array<int, 2> kStartSprites = {4, 5};
constexpr std::array<int, 2> kContinueSprites = {6, 7};

}  // namespace

void TableView::SetTileVisible(int element, bool visible) {
  if (element < 0 || element >= kTileElements || !laidOut()) return;
  main().SetVisible(el.MJ_Image[element], visible);
}

bool TableView::TileVisible(int element) const {
  if (element < 0 || element >= kTileElements || !laidOut()) return false;
  return main().Visible(el.MJ_Image[element]);
}

void TableView::ShowChatButton(int buttonSprite) {
  if (!laidOut()) return;
  main().LoadSprite(el.AnNiu[1], sprites().ButtonSprites[buttonSprite & 19]);
}

void TableView::ShowContinueButton() {
  if (!laidOut()) return;
  main().LoadSprite(el.AnNiu[2], sprites().ButtonSprites[kContinueSprite]);
}

void TableView::ShowClock(int seconds) {
  loop_.ClockShown = true;
  loop_.ClockCaption = std::to_string(seconds);
  loop_.ClockColour = seconds > 5 ? kClockGreen : kClockRed;
  ShowClockCaption(loop_.ClockCaption, loop_.ClockColour);
}

void TableView::ShowClockCaption(const std::string& caption, uint32_t colour) {
  if (!laidOut()) return;
  Form& f = main();
  f.SetCaption(el.Number, caption);
  f.SetColor(el.Number, colour);
  f.Show(el.Time_Img);
  f.Show(el.Number);
}

void TableView::HideClock() {
  loop_.ClockShown = false;
  if (!laidOut()) return;
  main().Hide(el.Number);
  main().Hide(el.Time_Img);
}

void TableView::HideClaimWords(int seat) {
  if (!laidOut() || seat < 0 || seat >= kSeats) return;
  Form& f = main();
  f.Hide(el.Speak[seat]);
  f.Hide(el.tsSpeak[seat]);
  f.Hide(el.Words);
}

void TableView::ShowMainButton(int button, bool hover, bool beforeFirstDeal) {
  if (!laidOut() || button < 0 || button >= kMainButtons) return;
  int entry = MainButtonSprite(button, hover);
  if (button == kButtonStart) entry = (beforeFirstDeal ? kStartSprites : kContinueSprites)[hover ? 1 : 0];
  main().LoadSprite(el.AnNiu[button], sprites().ButtonSprites[entry]);
}

void TableView::MinimizeMainWindow() {
  MainWindowMinimized = true;
  if (laidOut() && !KeepWindowShown) main().SetMinimised(true);
}

void TableView::RestoreMainWindow() {
  MainWindowMinimized = false;
  if (laidOut()) main().SetMinimised(false);
}

}  // namespace korvel
