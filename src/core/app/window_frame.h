// The table window's own frame and its row of main buttons: dragging by the title, close and
// minimise, hover pictures, start or continue, settings, hide, the result windows, the rules and
// the exit; and the keys of the table (F1 hides everything, Esc asks to leave, Alt+C opens chat).
#pragma once

#include <array>

#include "view/element_events.h"
#include "view/table_view.h"

namespace korvel {

class Dialogs;
class Files;
class Leaving;
class LobbyWindow;
class PlayersLeaving;
class PropComponent;
class Records;
class Seating;
class Settlement;
class ShuffleDisplay;
class TableChat;
class TablePlay;
class TableView;
class VosSetForm;
struct LoopState;
struct SessionSettings;
struct TableModel;

class WindowFrame {
 public:
  WindowFrame(TableModel& table, LoopState& loop, SessionSettings& settings, TableView& view,
              ShuffleDisplay& shuffle, Records& records, LobbyWindow& lobby, VosSetForm& vosSetForm,
              TablePlay& tablePlay, Settlement& settlement, Seating& seating,
              PlayersLeaving& playersLeaving, Leaving& leaving, TableChat& chat,
              PropComponent& props, Dialogs& dialogs, Files& files);

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
  bool BeforeFirstDeal() const;

  TableModel& table_;
  LoopState& loop_;
  SessionSettings& settings_;
  TableView& view_;
  ShuffleDisplay& shuffle_;
  Records& records_;
  LobbyWindow& lobby_;
  VosSetForm& vosSetForm_;
  TablePlay& tablePlay_;
  Settlement& settlement_;
  Seating& seating_;
  PlayersLeaving& playersLeaving_;
  Leaving& leaving_;
  TableChat& chat_;
  PropComponent& props_;
  Dialogs& dialogs_;
  Files& files_;
  bool altPressed_ = false;
};

}  // namespace korvel
