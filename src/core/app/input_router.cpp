#include "app/input_router.h"

#include "app/window_frame.h"
#include "chat/table_chat.h"
#include "props/prop_component.h"
#include "protocol/leaving.h"
#include "protocol/seating.h"
#include "settlement/settlement.h"
#include "sound/vos_set_form.h"
#include "table/table_play.h"
#include "view/table_view.h"

namespace korvel {

InputRouter::InputRouter(TableView& view, VosSetForm& vosSetForm, TablePlay& tablePlay,
                         Settlement& settlement, Seating& seating, Leaving& leaving,
                         TableChat& chat, PropComponent& props, WindowFrame& frame)
    : view_(view),
      vosSetForm_(vosSetForm),
      tablePlay_(tablePlay),
      settlement_(settlement),
      seating_(seating),
      leaving_(leaving),
      chat_(chat),
      props_(props),
      frame_(frame) {}

namespace {}  // namespace

int InputRouter::SeatUnder(ElementId element) const {
  const MainElements& el = view_.el;
  for (int v = 0; v < kSeats; ++v) {
    if (element == el.Tou[v] || element == el.Nid[v] || element == el.Cash[v] ||
        element == el.Level[v]) {
      return v;
    }
  }
  return -1;
}

void InputRouter::OnMouseMove(const ElementEvent& event) {
  TableView& view = view_;
  if (!view.laidOut() || event.form != view.mainForm()) return;
  frame_.OnMouseMove(event);
  if (event.element == view.el.imgDinglan) {
    seating_.HideInfoWindow();
    return;
  }
  if (const int tile = tablePlay_.TileIndexOf(event.element); tile >= 0) {
    tablePlay_.OnTileHover(tile);
    return;
  }
  if (const int op = tablePlay_.OperationIndexOf(event.element); op >= 0) {
    tablePlay_.OnOperationHover(op);
    return;
  }
  if (props_.OnMouseMove(event.element)) return;
  if (event.element == view.el.pic1) tablePlay_.OnOperationsLeft();
  if (event.element == view.el.pic1) tablePlay_.OnTableHover(event.formX, event.formY);
  const int seat = SeatUnder(event.element);
  if (seat >= 0) seating_.ShowInfoWindow(seat);
}

void InputRouter::OnMouseDown(const ElementEvent& event) {
  TableView& view = view_;
  if (!view.laidOut()) return;
  if (event.form != view.mainForm()) {
    DragByBackground(event);
    return;
  }
  if (frame_.OnMouseDown(event)) return;
  if (const int tile = tablePlay_.TileIndexOf(event.element); tile >= 0) {
    tablePlay_.OnTileClick(tile, event.button);
  }
}

void InputRouter::DragByBackground(const ElementEvent& event) {
  // A window without the desktop's title bar moves by its bare background, the first element
  // of each such form.
  if (!view_.scene().ValidForm(event.form) || event.button != kLeftButton) return;
  Form& f = view_.scene().form(event.form);
  if (f.frameless && f.shapedBy == kNoElement && event.element == 0) f.moveRequested = true;
}

void InputRouter::OnMouseUp(const ElementEvent& event) {
  TableView& view = view_;
  if (view.laidOut() && event.form == view.mainForm()) frame_.OnMouseUp(event);
  // The right button released on the table passes on the offer.
  if (view.laidOut() && event.form == view.mainForm() && event.element == view.el.pic1) {
    tablePlay_.OnRightButtonPass(event.button, -1);
  }
}

void InputRouter::OnClick(const ElementEvent& event) {
  TableView& view = view_;
  if (vosSetForm_.OnClick(event.form, event.element)) return;
  if (leaving_.OnClick(event.form, event.element)) return;
  if (settlement_.OnClick(event)) return;
  if (chat_.OnClick(event.form, event.element)) return;
  if (!view.laidOut() || event.form != view.mainForm()) return;
  if (props_.OnClick(event.element)) return;
  if (frame_.OnClick(event)) return;
  if (const int op = tablePlay_.OperationIndexOf(event.element); op >= 0) {
    tablePlay_.OnOperationClick(op);
    return;
  }
  if (const int mark = tablePlay_.GangMarkIndexOf(event.element); mark >= 0) {
    tablePlay_.OnGangChoiceClick(mark);
    return;
  }
  for (int v = 1; v < kSeats; ++v) {
    if (event.element == view.el.Tou[v]) chat_.Whisper(v);
  }
  if (event.element == view.el.Lbchat) chat_.ToggleHistory();
  if (event.element == view.el.imgword1) chat_.TogglePhrases(1);
  if (event.element == view.el.imgword2) chat_.TogglePhrases(2);
  if (event.element == view.el.pic1) vosSetForm_.Hide();
}

void InputRouter::OnDoubleClick(const ElementEvent& event) {
  if (chat_.OnDoubleClick(event.form, event.element)) return;
  settlement_.OnDoubleClick(event);
}

void InputRouter::OnKeyDown(FormId form, ElementId focus, int keyCode, int) {
  TableView& view = view_;
  const bool onMain = view.laidOut() && form == view.mainForm();
  const bool inChat =
      onMain && (focus == view.el.Chat || focus == view.el.Sysmsg[0] || focus == view.el.Sysmsg[1]);
  if (inChat && focus == view.el.Chat) {
    chat_.OnEntryKey();
    if (keyCode == kKeyReturn) chat_.SendTyped();
  }
  if (keyCode == kKeyF1) {
    // The boss key: every window of the table out of sight, the lobby too.
    vosSetForm_.Hide();
    settlement_.HideScoreBoard();
    settlement_.HideHistory();
    leaving_.CancelExit();
  }
  if (onMain) frame_.OnKeyDown(focus, keyCode);
  // Keys that play stand for clicks; typing in the chat box never plays.
  if (onMain && focus == kNoElement && !frame_.ChatFocus) {
    tablePlay_.OnPlayKey(keyCode);
  }
}

void InputRouter::OnFocusChanged(FormId form, ElementId element, bool hasFocus) {
  TableView& view = view_;
  if (view.laidOut() && form == view.mainForm()) frame_.OnFocusChanged(element, hasFocus);
}

void InputRouter::OnFormResize(FormId form, bool minimised) {
  TableView& view = view_;
  if (view.laidOut() && form == view.mainForm()) frame_.OnResize(minimised);
}

void InputRouter::OnTextChanged(FormId form, ElementId element) {
  TableView& view = view_;
  if (view.laidOut() && form == view.mainForm() && element == view.el.Chat) {
    chat_.OnEntryChanged();
  }
}

void InputRouter::OnFormClose(FormId form) {
  if (form == vosSetForm_.form()) vosSetForm_.Hide();
  if (settlement_.OnFormClose(form)) return;
  if (form == leaving_.exitForm()) leaving_.CancelExit();
  if (form == leaving_.gameOverForm()) leaving_.GameOverCancel();
  if (view_.laidOut() && form == view_.mainForm()) leaving_.Shutdown();
}

}  // namespace korvel
