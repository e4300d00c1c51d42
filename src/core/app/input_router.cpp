#include "app/input_router.h"

#include "app/client.h"

namespace korvel {
namespace {}  // namespace

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
  client_.frame().OnMouseMove(event);
  if (event.element == view.el.imgDinglan) {
    client_.seating().HideInfoWindow();
    return;
  }
  if (const int tile = client_.tablePlay().TileIndexOf(event.element); tile >= 0) {
    client_.tablePlay().OnTileHover(tile);
    return;
  }
  if (const int op = client_.tablePlay().OperationIndexOf(event.element); op >= 0) {
    client_.tablePlay().OnOperationHover(op);
    return;
  }
  if (client_.props().OnMouseMove(event.element)) return;
  if (event.element == view.el.pic1) client_.tablePlay().OnOperationsLeft();
  if (event.element == view.el.pic1) client_.tablePlay().OnTableHover(event.formX, event.formY);
  const int seat = SeatUnder(event.element);
  if (seat >= 0) client_.seating().ShowInfoWindow(seat);
}

void InputRouter::OnMouseDown(const ElementEvent& event) {
  TableView& view = client_.view();
  if (!view.laidOut() || event.form != view.mainForm()) return;
  if (client_.frame().OnMouseDown(event)) return;
  if (const int tile = client_.tablePlay().TileIndexOf(event.element); tile >= 0) {
    client_.tablePlay().OnTileClick(tile, event.button);
  }
}

void InputRouter::OnMouseUp(const ElementEvent& event) {
  TableView& view = client_.view();
  if (view.laidOut() && event.form == view.mainForm()) client_.frame().OnMouseUp(event);
  // The right button released on the table passes on the offer.
  if (view.laidOut() && event.form == view.mainForm() && event.element == view.el.pic1) {
    client_.tablePlay().OnRightButtonPass(event.button, -1);
  }
}

void InputRouter::OnClick(const ElementEvent& event) {
  TableView& view = client_.view();
  if (client_.vosSetForm().OnClick(event.form, event.element)) return;
  if (client_.leaving().OnClick(event.form, event.element)) return;
  if (client_.settlement().OnClick(event)) return;
  if (client_.chat().OnClick(event.form, event.element)) return;
  if (!view.laidOut() || event.form != view.mainForm()) return;
  if (client_.props().OnClick(event.element)) return;
  if (client_.frame().OnClick(event)) return;
  if (const int op = client_.tablePlay().OperationIndexOf(event.element); op >= 0) {
    client_.tablePlay().OnOperationClick(op);
    return;
  }
  if (const int mark = client_.tablePlay().GangMarkIndexOf(event.element); mark >= 0) {
    client_.tablePlay().OnGangChoiceClick(mark);
    return;
  }
  for (int v = 1; v < kSeats; ++v) {
    if (event.element == view.el.Tou[v]) client_.chat().Whisper(v);
  }
  if (event.element == view.el.Lbchat) client_.chat().ToggleHistory();
  if (event.element == view.el.imgword1) client_.chat().TogglePhrases(1);
  if (event.element == view.el.imgword2) client_.chat().TogglePhrases(2);
  if (event.element == view.el.pic1) client_.vosSetForm().Hide();
}

void InputRouter::OnDoubleClick(const ElementEvent& event) {
  if (client_.chat().OnDoubleClick(event.form, event.element)) return;
  client_.settlement().OnDoubleClick(event);
}

void InputRouter::OnKeyDown(FormId form, ElementId focus, int keyCode, int) {
  TableView& view = client_.view();
  const bool onMain = view.laidOut() && form == view.mainForm();
  const bool inChat =
      onMain && (focus == view.el.Chat || focus == view.el.Sysmsg[0] || focus == view.el.Sysmsg[1]);
  if (inChat && focus == view.el.Chat) {
    client_.chat().OnEntryKey();
    if (keyCode == kKeyReturn) client_.chat().SendTyped();
  }
  if (keyCode == kKeyF1) {
    // The boss key: every window of the table out of sight, the lobby too.
    client_.vosSetForm().Hide();
    client_.settlement().HideScoreBoard();
    client_.settlement().HideHistory();
    client_.leaving().CancelExit();
  }
  if (onMain) client_.frame().OnKeyDown(focus, keyCode);
  // Keys that play stand for clicks; typing in the chat box never plays.
  if (onMain && focus == kNoElement && !client_.frame().ChatFocus) {
    client_.tablePlay().OnPlayKey(keyCode);
  }
}

void InputRouter::OnFocusChanged(FormId form, ElementId element, bool hasFocus) {
  TableView& view = client_.view();
  if (view.laidOut() && form == view.mainForm()) client_.frame().OnFocusChanged(element, hasFocus);
}

void InputRouter::OnFormResize(FormId form, bool minimised) {
  TableView& view = client_.view();
  if (view.laidOut() && form == view.mainForm()) client_.frame().OnResize(minimised);
}

void InputRouter::OnTextChanged(FormId form, ElementId element) {
  TableView& view = client_.view();
  if (view.laidOut() && form == view.mainForm() && element == view.el.Chat) {
    client_.chat().OnEntryChanged();
  }
}

void InputRouter::OnFormClose(FormId form) {
  if (form == client_.vosSetForm().form()) client_.vosSetForm().Hide();
  if (client_.settlement().OnFormClose(form)) return;
  if (form == client_.leaving().exitForm()) client_.leaving().CancelExit();
  if (form == client_.leaving().gameOverForm()) client_.leaving().GameOverCancel();
  if (client_.view().laidOut() && form == client_.view().mainForm()) client_.leaving().Shutdown();
}

}  // namespace korvel
