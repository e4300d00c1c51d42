#include "app/input_router.h"

#include "app/client.h"

namespace korvel {
namespace {

constexpr int kSettingsButton = 3;

}  // namespace

int InputRouter::SeatUnder(ElementId element) const {
  const MainElements& el = client_.view().el;
  for (int v = 0; v < kSeats; ++v) {
    if (element == el.Tou[v] || element == el.Nid[v] || element == el.Cash[v] ||
        element == el.Level[v]) {
      return v;
    }
  }
  return -1;
}

void InputRouter::OnMouseMove(const ElementEvent& event) {
  TableView& view = client_.view();
  if (!view.laidOut() || event.form != view.mainForm()) return;
  if (event.element == view.el.imgDinglan) {
    client_.seating().HideInfoWindow();
    return;
  }
  const int seat = SeatUnder(event.element);
  if (seat >= 0) client_.seating().ShowInfoWindow(seat);
}

void InputRouter::OnClick(const ElementEvent& event) {
  TableView& view = client_.view();
  if (client_.vosSetForm().OnClick(event.form, event.element)) return;
  if (!view.laidOut() || event.form != view.mainForm()) return;
  if (event.element == view.el.AnNiu[kSettingsButton]) {
    if (!view.ButtonLocked[kSettingsButton]) client_.vosSetForm().Toggle();
    return;
  }
  if (event.element == view.el.pic1) client_.vosSetForm().Hide();
}

void InputRouter::OnKeyDown(FormId, ElementId, int keyCode, int) {
  if (keyCode == kKeyF1) client_.vosSetForm().Hide();
}

void InputRouter::OnFormClose(FormId form) {
  if (form == client_.vosSetForm().form()) client_.vosSetForm().Hide();
}

}  // namespace korvel
