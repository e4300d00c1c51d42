// Input on the table, as the window system delivers it, turned into events of named elements.
// The client implements this interface; the Qt front end calls it.
#pragma once

#include "view/scene.h"

namespace korvel {

// Mouse buttons and shift states with the values the handlers test.
enum MouseButton : int { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };
enum ShiftState : int { kShiftKey = 1, kCtrlKey = 2, kAltKey = 4 };

// Key codes of the keys the table reacts to (the usual virtual-key numbers).
enum KeyCode : int {
  kKeyBack = 8,
  kKeyTab = 9,
  kKeyReturn = 13,
  kKeyShift = 16,
  kKeyControl = 17,
  kKeyAlt = 18,
  kKeyEscape = 27,
  kKeySpace = 32,
  kKeyF1 = 112,
};

struct ElementEvent {
  FormId form = 0;
  ElementId element = kNoElement;  // kNoElement: the form's own background
  int button = 0;                  // MouseButton of the press or release, 0 for a move
  int buttons = 0;                 // every button held during the event
  int shift = 0;                   // ShiftState bits
  double x = 0, y = 0;             // relative to the element (to the form without one)
  double formX = 0, formY = 0;     // relative to the form
};

class ElementEvents {
 public:
  virtual ~ElementEvents() = default;
  virtual void OnMouseDown(const ElementEvent&) {}
  // Goes to the element that had the press, wherever the pointer is now.
  virtual void OnMouseUp(const ElementEvent&) {}
  virtual void OnMouseMove(const ElementEvent&) {}
  // A left press and release on the same element.
  virtual void OnClick(const ElementEvent&) {}
  virtual void OnDoubleClick(const ElementEvent&) {}
  // `focus` is the text element that has the keyboard, or kNoElement.
  virtual void OnKeyDown(FormId, ElementId /*focus*/, int /*keyCode*/, int /*shift*/) {}
  virtual void OnKeyUp(FormId, ElementId /*focus*/, int /*keyCode*/, int /*shift*/) {}
  // The user edited a text element; its text is already in the Scene.
  virtual void OnTextChanged(FormId, ElementId) {}
  virtual void OnFocusChanged(FormId, ElementId, bool /*hasFocus*/) {}
  // The form's window was minimised or restored.
  virtual void OnFormResize(FormId, bool /*minimised*/) {}
  // The user asked to close the form's window. The window stays as it is: the handler hides
  // the form (or ends the client) through the Scene.
  virtual void OnFormClose(FormId) {}
};

}  // namespace korvel
