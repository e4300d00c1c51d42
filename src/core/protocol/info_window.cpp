// The small window of a player's information, shown while the pointer rests on the seat.
#include <array>

#include "platform/ports.h"
#include "protocol/seating.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr const char* kInfoFormName = "frmInfo";
constexpr std::array<const char*, 9> kCaptions = {"玩家昵称", "性    别", "所 在 地",
                                                  "积    分", "信 用 度", "登录次数",
                                                  "掉线次数", "胜场次数", "败场次数"};
constexpr double kWidth = 230;
constexpr double kRowHeight = 22;
constexpr double kTopMargin = 10;
constexpr uint32_t kPaper = 0xFFF6DC;
constexpr uint32_t kInk = 0x3A2A12;
constexpr uint32_t kCaptionInk = 0x8A5A12;

}  // namespace

void Seating::BuildInfoWindow() {
  if (infoForm_ != kNoForm) return;
  Scene& scene = view_.scene();
  const double height = 2 * kTopMargin + kRowHeight * kCaptions.size();
  infoForm_ = scene.AddForm(kInfoFormName, kWidth, height);
  Form& f = scene.form(infoForm_);
  // A plain card over the table, named for the desktop's window list, not by its form.
  f.SetTitle("玩家信息");
  f.frameless = true;
  f.topmost = true;
  f.windowOpacity = 235;
  const ElementId paper = f.Add("Paper", 0, ElementKind::Label, Rect{0, 0, kWidth, height});
  f.SetBackColor(paper, kPaper, true);
  for (size_t row = 0; row < kCaptions.size(); ++row) {
    const double top = kTopMargin + kRowHeight * row;
    const ElementId caption = f.Add("lblCaption", static_cast<int>(row), ElementKind::Label,
                                    Rect{12, top, 80, kRowHeight});
    f.SetCaption(caption, kCaptions[row]);
    f.SetColor(caption, kCaptionInk);
    f.SetFontSize(caption, 10);
    const ElementId value = f.Add("lblValue", static_cast<int>(row), ElementKind::Label,
                                  Rect{96, top, kWidth - 104, kRowHeight});
    f.SetColor(value, kInk);
    f.SetFontSize(value, 10);
    f.SetBold(value, true);
  }
}

void Seating::ShowInfoWindow(ViewPos v) {
  if (v < 0 || v >= kSeats || table_.seatInfo[v].nickname.empty()) return;
  TableView& view = view_;
  if (!view.laidOut()) return;
  BuildInfoWindow();
  Form& f = view.scene().form(infoForm_);
  if (f.visible()) return;
  const SeatInfo& s = table_.seatInfo[v];
  const std::array<std::string, 9> values = {s.nickname,
                                             s.gender == 0 ? "女" : "男",
                                             s.location,
                                             NumberText(s.points),
                                             NumberText(s.credit),
                                             std::to_string(s.logins),
                                             std::to_string(s.disconnects),
                                             std::to_string(s.wins),
                                             std::to_string(s.losses)};
  for (size_t row = 0; row < values.size(); ++row) {
    f.SetCaption(f.Find("lblValue", static_cast<int>(row)), values[row]);
  }
  // Placed from the table picture's top-left corner on the screen.
  const Form& main = view.main();
  const double left = main.screenLeft + main.GetLeft(view.el.pic1);
  const double top = main.screenTop + main.GetTop(view.el.pic1);
  const double width = main.GetWidth(view.el.pic1);
  const double height = main.GetHeight(view.el.pic1);
  const double down = v == 0 ? (view.scale().IsSmall() ? 0.30 : 0.42) : 0.11;
  f.screenLeft = left + (v == 2 ? width * 2 / 3 : 0);
  f.screenTop = top + height * down;
  f.SetFormVisible(true);
}

void Seating::HideInfoWindow() {
  if (infoForm_ != kNoForm) view_.scene().form(infoForm_).SetFormVisible(false);
}

}  // namespace korvel
