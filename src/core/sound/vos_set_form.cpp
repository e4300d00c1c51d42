#include "sound/vos_set_form.h"

#include <array>

namespace korvel {
namespace {

constexpr const char* kFormName = "VosSet";
constexpr double kWidth = 250;
constexpr double kHeight = 310;
constexpr double kRowTop = 40;
constexpr double kRowStep = 52;
constexpr std::array<const char*, VosSet::kRows> kRowNames = {"背景音乐", "系统声音", "功能声音",
                                                              "方言选择"};
constexpr uint32_t kPanel = 0x1E4D2B;
constexpr uint32_t kText = 0xFFF3C8;

}  // namespace

void VosSetForm::Build() {
  if (form_ != kNoForm || !view_.laidOut()) return;
  Scene& scene = view_.scene();
  form_ = scene.AddForm(kFormName, kWidth, kHeight);
  Form& f = scene.form(form_);
  f.SetTitle("声音设置");
  f.frameless = true;  // its own buttons close it
  f.windowOpacity = VosSet::kOpacity;
  f.topmost = true;
  const ElementId panel = f.Add("Panel", 0, ElementKind::Label, Rect{0, 0, kWidth, kHeight});
  f.SetBackColor(panel, kPanel, true);
  const ElementId title = f.Add("Title", 0, ElementKind::Label, Rect{0, 8, kWidth, 24});
  f.SetCaption(title, "声音设置");
  f.SetAlign(title, TextAlign::Center);
  f.SetColor(title, kText);
  f.SetFontSize(title, 13);
  f.SetBold(title, true);
  const SpriteLists& sprites = view_.sprites();
  for (int row = 0; row < VosSet::kRows; ++row) {
    const VosSet::Box name{30, static_cast<int>(kRowTop + kRowStep * row), 100, 30};
    names_[row] =
        f.Add("Image1", row, ElementKind::Label,
              Rect{double(name.left), double(name.top), double(name.width), double(name.height)});
    f.SetCaption(names_[row], kRowNames[row]);
    f.SetColor(names_[row], kText);
    f.SetFontSize(names_[row], 12);
    const VosSet::Box sw = VosSet::SwitchBox(name, 70, 29);
    switches_[row] =
        f.Add("Command2", row, ElementKind::Image,
              Rect{double(sw.left), double(sw.top), double(sw.width), double(sw.height)});
    f.SetCursor(switches_[row], kCursorCustom);
  }
  const VosSet::Box ok = VosSet::OkBox(70, 29);
  const VosSet::Box cancel = VosSet::CancelBox(ok);
  ok_ = f.Add("Command1", 0, ElementKind::Image,
              Rect{double(ok.left), double(ok.top), double(ok.width), double(ok.height)});
  cancel_ = f.Add(
      "Command1", 1, ElementKind::Image,
      Rect{double(cancel.left), double(cancel.top), double(cancel.width), double(cancel.height)});
  f.LoadSprite(ok_, sprites.DialogButtonSprites[VosSet::kPictureOk]);
  f.LoadSprite(cancel_, sprites.DialogButtonSprites[VosSet::kPictureCancel]);
}

void VosSetForm::Sync() {
  if (form_ == kNoForm) return;
  Form& f = view_.scene().form(form_);
  for (int row = 0; row < VosSet::kRows; ++row) {
    const int picture = dialog_.RowPicture(row);
    if (picture >= 0) f.LoadSprite(switches_[row], view_.sprites().DialogButtonSprites[picture]);
  }
  f.SetFormVisible(dialog_.Shown());
}

void VosSetForm::Toggle() {
  Build();
  dialog_.ToggleShown();
  if (form_ != kNoForm && dialog_.Shown()) {
    // Above the lower right corner of the table.
    const Form& main = view_.main();
    Form& f = view_.scene().form(form_);
    const Element& table = *main.Get(view_.el.pic1);
    f.PlaceOnScreen(
        main.screenLeft + table.geometry.right() - 1.1 * f.width(),
        main.screenTop + table.geometry.top + table.geometry.height - 1.35 * f.height());
  }
  Sync();
}

void VosSetForm::Hide() {
  dialog_.Hide();
  Sync();
}

bool VosSetForm::OnClick(FormId form, ElementId element) {
  if (form_ == kNoForm || form != form_) return false;
  bool handled = true;
  if (element == ok_) {
    dialog_.Ok();
  } else if (element == cancel_) {
    dialog_.Cancel();
  } else {
    handled = false;
    for (int row = 0; row < VosSet::kRows; ++row) {
      if (element == switches_[row]) {
        dialog_.PressRow(row);
        handled = true;
      }
    }
  }
  Sync();
  return handled;
}

}  // namespace korvel
