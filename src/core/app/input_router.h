// Input on the table's windows, turned into the actions of the subsystems that own them.
#pragma once

#include "view/element_events.h"

namespace korvel {

class Leaving;
class PropComponent;
class Seating;
class Settlement;
class TableChat;
class TablePlay;
class TableView;
class VosSetForm;
class WindowFrame;

class InputRouter : public ElementEvents {
 public:
  InputRouter(TableView& view, VosSetForm& vosSetForm, TablePlay& tablePlay, Settlement& settlement,
              Seating& seating, Leaving& leaving, TableChat& chat, PropComponent& props,
              WindowFrame& frame);

  void OnMouseDown(const ElementEvent& event) override;
  void OnMouseMove(const ElementEvent& event) override;
  void OnMouseUp(const ElementEvent& event) override;
  void OnClick(const ElementEvent& event) override;
  void OnDoubleClick(const ElementEvent& event) override;
  void OnKeyDown(FormId form, ElementId focus, int keyCode, int shift) override;
  void OnTextChanged(FormId form, ElementId element) override;
  void OnFocusChanged(FormId form, ElementId element, bool hasFocus) override;
  void OnFormResize(FormId form, bool minimised) override;
  void OnFormClose(FormId form) override;

 private:
  // The seat whose portrait or labels are at `element`, or -1.
  int SeatUnder(ElementId element) const;
  void DragByBackground(const ElementEvent& event);

  TableView& view_;
  VosSetForm& vosSetForm_;
  TablePlay& tablePlay_;
  Settlement& settlement_;
  Seating& seating_;
  Leaving& leaving_;
  TableChat& chat_;
  PropComponent& props_;
  WindowFrame& frame_;
};

}  // namespace korvel
