// The table window's own frame and its row of main buttons: dragging by the title, close and
// minimise, hover pictures, start or continue, settings, hide, the result windows, the rules and
// the exit; and the keys of the table (F1 hides everything, Esc asks to leave, Alt+C opens chat).
#pragma once

#include <array>

#include "view/element_events.h"
#include "view/table_view.h"

namespace korvel {

class Client;

enum MainButton : int {
  kButtonSend = 0,
  kButtonChat = 1,
  kButtonStart = 2,
  kButtonSettings = 3,
  kButtonHide = 4,
  kButtonScore = 5,
  kButtonHistory = 6,
  kButtonRules = 7,
  kButtonExit = 8,
};

class WindowFrame {
 public:
  explicit WindowFrame(Client& client) : client_(client) {}

  // After the layout: the frameless window with its title bar and buttons.
  void ShowFrame();
  // The picture of the start button: start before the first deal of a stay, else continue.
  void ShowStartButton();

  // Events on the main form; each returns true when it was the frame's.
  bool OnMouseDown(const ElementEvent& event);
  bool OnMouseUp(const ElementEvent& event);
  void OnMouseMove(const ElementEvent& event);
  bool OnClick(const ElementEvent& event);
  void OnKeyDown(ElementId focus, int keyCode);
  void OnFocusChanged(ElementId element, bool hasFocus);
  // The window was minimised or restored.
  void OnResize(bool minimised);

  void PressButton(int button);
  void StartOrContinue();
  // Button 8 and Esc: the exit window shown, or hidden when it is up.
  void ToggleExitWindow(bool bankFirst);
  void Hide();
  // The hide key.
  void HideByKey();

  bool FrameHover = false;
  bool BankHover = false;
  bool ChatFocus = false;

 private:
  int ButtonAt(ElementId element) const;
  void ResetHover();
  void ShowButton(int button, bool hover);

  Client& client_;
  bool altPressed_ = false;
};

}  // namespace korvel
