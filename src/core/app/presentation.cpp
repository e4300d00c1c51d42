// The presentation steps of the loop and the connection, kept in one place so they land on the
// table's elements together.
#include <array>

#include "app/client.h"
#include "app/notices.h"
#include "platform/gbk.h"

namespace korvel {
namespace {

constexpr std::array<const char*, 4> kShuffleTexts = {"正在随机换座中..", "正在随机换座中...",
                                                      "正在随机换座中....", "正在随机换座中....."};
constexpr int kShuffleMs = 300;
constexpr int kContinueSprite = 6;

}  // namespace

void Client::ClearSysmsg(int list) {
  sysmsg_[list & 1].clear();
  if (view_.laidOut()) view_.main().ClearLines(view_.el.Sysmsg[list & 1]);
}

void Client::AddSysmsg(int list, const std::string& line) {
  sysmsg_[list & 1].push_back(line);
  if (view_.laidOut()) view_.main().AddLine(view_.el.Sysmsg[list & 1], line);
  platform_.log.Write("system: " + line);
}

void Client::DropStartNotices() {
  for (int list = 0; list < 2; ++list) {
    std::vector<std::string> kept;
    for (const std::string& line : sysmsg_[list]) {
      if (!IsStartNotice(line)) kept.push_back(line);
    }
    if (kept.size() == sysmsg_[list].size()) continue;
    sysmsg_[list] = kept;
    if (!view_.laidOut()) continue;
    view_.main().ClearLines(view_.el.Sysmsg[list]);
    for (const std::string& line : kept) view_.main().AddLine(view_.el.Sysmsg[list], line);
  }
}

void Client::ShowMessageLine(const std::string& text) {
  constexpr size_t kMessageAreaChars = 45;
  const std::string shown(Utf8Prefix(text, kMessageAreaChars));
  if (!Sysmsg(1).empty()) {
    const std::string moved = Sysmsg(1).back();
    ClearSysmsg(0);
    AddSysmsg(0, moved);
    ClearSysmsg(1);
    AddSysmsg(1, shown);
  } else if (!Sysmsg(0).empty()) {
    ClearSysmsg(1);
    AddSysmsg(1, shown);
  } else {
    ClearSysmsg(0);
    AddSysmsg(0, shown);
  }
}

void Client::SetTileVisible(int element, bool visible) {
  if (element < 0 || element >= kTileElements || !view_.laidOut()) return;
  view_.main().SetVisible(view_.el.MJ_Image[element], visible);
}

bool Client::TileVisible(int element) const {
  if (element < 0 || element >= kTileElements || !view_.laidOut()) return false;
  return view_.main().Visible(view_.el.MJ_Image[element]);
}

void Client::ShowChatButton(int buttonSprite) {
  if (!view_.laidOut()) return;
  view_.main().LoadSprite(view_.el.AnNiu[1], view_.sprites().ButtonSprites[buttonSprite & 19]);
}

void Client::ShowClockCaption(const std::string& caption, uint32_t colour) {
  if (!view_.laidOut()) return;
  Form& f = view_.main();
  f.SetCaption(view_.el.Number, caption);
  f.SetColor(view_.el.Number, colour);
  f.Show(view_.el.Time_Img);
  f.Show(view_.el.Number);
}

void Client::HideClockPanel() {
  if (!view_.laidOut()) return;
  view_.main().Hide(view_.el.Number);
  view_.main().Hide(view_.el.Time_Img);
}

void Client::PlayClockTick() { sound_.PlayEffectIfOn(kEffectTick); }
void Client::PlayEffectForDealing() { sound_.PlayEffectIfOn(kEffectDeal); }

void Client::ShowContinueButton() {
  if (!view_.laidOut()) return;
  view_.main().LoadSprite(view_.el.AnNiu[2], view_.sprites().ButtonSprites[kContinueSprite]);
}

void Client::ResetShuffleDisplay() {
  platform_.timers.Stop("TimerShuffle");
  if (!view_.laidOut()) return;
  view_.main().Hide(view_.el.LblShuffle);
  view_.main().Hide(view_.el.ImgShuffle);
}

void Client::StartShuffleDisplay() {
  if (view_.laidOut()) {
    Form& f = view_.main();
    for (ElementId e : {view_.el.ImgShuffle, view_.el.LblShuffle}) {
      f.Show(e);
      f.BringToFront(e);
    }
    f.SetCaption(view_.el.LblShuffle, kShuffleTexts[0]);
  }
  platform_.timers.Start("TimerShuffle", kShuffleMs, [this] {
    MainLoop& loop = mainLoop_;
    loop.ShuffleStep = (loop.ShuffleStep + 1) % static_cast<int>(kShuffleTexts.size());
    if (view_.laidOut())
      view_.main().SetCaption(view_.el.LblShuffle, kShuffleTexts[loop.ShuffleStep]);
  });
}

void Client::HideClaimWords(int seat) {
  if (!view_.laidOut() || seat < 0 || seat >= kSeats) return;
  Form& f = view_.main();
  f.Hide(view_.el.Speak[seat]);
  f.Hide(view_.el.tsSpeak[seat]);
  f.Hide(view_.el.Words);
}

void Client::MinimizeMainWindow() {
  MainWindowMinimized = true;
  if (view_.laidOut()) view_.main().SetMinimised(true);
}

void Client::RestoreMainWindow() {
  MainWindowMinimized = false;
  if (view_.laidOut()) view_.main().SetMinimised(false);
}

void Client::ClearTable() { view_.ClearTable(); }
void Client::ResetTable() { view_.ResetTable(); }

}  // namespace korvel
