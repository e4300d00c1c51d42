// Chat at the table: the entry box and its throttle, private messages, the word filter, the
// history window, the quick phrases and the speech balloons.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "model/tiles.h"
#include "view/scene.h"

namespace korvel {

class Files;
class Records;
class TableView;
class Timers;
struct LoopState;
struct SessionSettings;
struct TableModel;

inline constexpr int kChatThrottleMs = 800;
inline constexpr int kPhraseLists = 2;

class TableChat {
 public:
  TableChat(TableModel& table, LoopState& loop, SessionSettings& settings, TableView& view,
            Records& records, Timers& timers, Files& files);

  // Removes the words no table should read.
  static std::string FilterChat(std::string_view text);

  // ---- typed chat ------------------------------------------------------------------------
  // Enter in the entry box.
  void SendTyped();
  // Every key press in the entry box (the history is emptied when it grows too long).
  void OnEntryKey();
  // The entry box's text changed: deleting into a private prefix removes the whole prefix.
  void OnEntryChanged();
  // A click on the portrait of the seat at `view` addresses a private message to it.
  void Whisper(ViewPos view);

  // ---- the history window ----------------------------------------------------------------
  // Appends a received line, wrapped at 46 width units, and scrolls to it.
  void AddHistory(const std::string& line);
  // Appends lines the caller has already broken to its own width (the prop component's texts).
  void AddHistoryLines(const std::vector<std::string>& lines);
  void ClearHistory();
  void ToggleHistory();
  void HideHistory();
  const std::vector<std::string>& History() const { return history_; }

  // ---- quick phrases ---------------------------------------------------------------------
  // Entry `index` (0-based) of list 1 or 2; empty when there is none.
  std::string QuickPhrase(int list, int index);
  // The phrase buttons under the table.
  void TogglePhrases(int list);
  void HidePhrases();
  // A double-click on entry `index` of list `list` sends it.
  void SendPhrase(int list, int index);

  // ---- balloons --------------------------------------------------------------------------
  // Shows a phrase beside the seat at `view`, fading in to `opacity`, holding, fading out.
  void ShowBalloon(ViewPos view, const std::string& phrase, int opacity, int fadeIn, int fadeOut,
                   int hold);
  // One step of a balloon's fade (the timer's tick).
  void FadeStep(ViewPos view);
  // The table was minimised: the balloons go with it. Restored: those still fading return.
  void HideBalloons();
  void ShowFadingBalloons();

  // Routes a click or double-click on the chat windows; false when it was not theirs.
  bool OnClick(FormId form, ElementId element);
  bool OnDoubleClick(FormId form, ElementId element);
  void HideWindows();
  // Places the chat history where it first opens, over the lower middle of the table.
  void PlaceHistory();

  bool ChatAllowed = true;
  std::string WhisperPrefix;
  int WhisperTarget = 0;
  FormId historyForm() const { return historyForm_; }
  FormId phraseForm() const { return phraseForm_; }
  FormId balloonForm(ViewPos v) const;

 private:
  struct Balloon {
    FormId form = kNoForm;
    ElementId text = kNoElement;
    int count = 0, opacity = 0, fadeIn = 0, fadeOut = 0, hold = 0;
    bool fading = false;
  };
  // The message as it travels: "nickname说道: text", or the private form.
  std::string Compose(const std::string& text, int& target) const;
  void Send(const std::string& message, int list, int entry, int target);
  void BuildHistory();
  void BuildPhrases();
  void LoadPhrases();
  Balloon& PrepareBalloon(ViewPos v);
  std::string ChatBox() const;
  void SetChatBox(const std::string& text);

  TableModel& table_;
  LoopState& loop_;
  SessionSettings& settings_;
  TableView& view_;
  Records& records_;
  Timers& timers_;
  Files& files_;
  std::vector<std::string> history_;
  // The chat box as it was after the last edit or the client's own change.
  std::string lastEntry_;
  FormId historyForm_ = kNoForm;
  ElementId historyList_ = kNoElement, historyClose_ = kNoElement;
  FormId phraseForm_ = kNoForm;
  std::array<std::vector<std::string>, kPhraseLists> phrases_;
  std::array<ElementId, kPhraseLists> phraseLists_{kNoElement, kNoElement};
  std::array<std::vector<ElementId>, kPhraseLists> phraseItems_;
  bool phrasesLoaded_ = false;
  int phraseListShown_ = 0;
  std::array<Balloon, kSeats> balloons_;
};

}  // namespace korvel
