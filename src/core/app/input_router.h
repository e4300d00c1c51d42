// Input on the table's windows, turned into the actions of the subsystems that own them.
#pragma once

#include "view/element_events.h"

namespace korvel {

class Client;

class InputRouter : public ElementEvents {
 public:
  explicit InputRouter(Client& client) : client_(client) {}

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

  Client& client_;
};

}  // namespace korvel
