// Win reports, deal results and the settlement of a deal: the score board with its breakdown
// and totals, the continue countdown, the history window and the game record file.
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include "config/ini_file.h"
#include "net/records.h"
#include "settlement/breakdown_text.h"
#include "settlement/win_reports.h"
#include "view/element_events.h"
#include "view/table_view.h"

namespace korvel {

class Connection;
class Dialogs;
class Files;
class TableExit;
class Log;
class MessageLines;
class Process;
class DealEndProps;
class Reconnection;
class Records;
class Seating;
class TableView;
class Timers;
struct LoopState;
struct SessionSettings;
struct TableModel;

inline constexpr const char* kScoreFormName = "Score";
inline constexpr const char* kHistoryFormName = "Hero";
inline constexpr const char* kGameRecordFile = "info.tk";

// Score board columns: State(0..2) hold the breakdown and totals, State(4..6) the final score.
inline constexpr int kBoardLists = 7;
inline constexpr int kFinalScoreList = 4;
// The names on the board before anyone has won.
inline constexpr uint32_t kNameInk = 0x3A2A12;

struct ScoreBoardElements {
  FormId form = kNoForm;
  std::array<ElementId, kBoardLists> State{};
  std::array<ElementId, kSeats> ID{}, Tou{};
  ElementId Image1 = kNoElement;
};

struct HistoryElements {
  FormId form = kNoForm;
  ElementId Num = kNoElement;
  std::array<ElementId, kSeats> Grade{}, sumScore{}, ID{}, Tou{};
  ElementId Total = kNoElement, Hint = kNoElement;  // "输赢总分：", "点击查看明细"
  ElementId Image1 = kNoElement;
};

// What the prop component hands over for a deal's board (entry 0 the local player).
inline constexpr int kPropEntries = 4;
struct PropScoreBuffers {
  std::array<std::string, kPropEntries> ExtraLines;  // entries joined by "|"
  std::array<double, kPropEntries> ExtraAmount{};
  std::array<std::array<std::string, 2>, kPropEntries> BoxOwners;
  void Clear() { *this = PropScoreBuffers{}; }
};

class Settlement : public TableResetParticipant {
 public:
  Settlement(TableModel& table, LoopState& loop, SessionSettings& settings, TableView& view,
             MessageLines& messages, Records& records, Connection& connection,
             Reconnection& reconnection, TableExit& exit, DealEndProps& props, Timers& timers,
             Dialogs& dialogs, Files& files, Log& log, Process& process);

  void OnDealEnd(CommandInfo& info);     // command 9
  void OnSettlement(CommandInfo& info);  // command 16
  void OnWinReport(CommandInfo& info);   // command 17
  // The per-position running totals start again at a new login.
  void ResetRunningTotals();
  // The deal start clears the win stores of the deal before.
  void ResetForNewDeal();
  // The operation result keeps the winner masks of the last claim (record bytes 18 and 19).
  void SetClaimWinners(uint8_t first, uint8_t second) { stores.ClaimWinners = {first, second}; }
  // A win on the table: this deal's names are green on its board, the winners red.
  void MarkWinOnBoard();

  // The board: breakdown, totals, seat labels, history line, record file, continue prompt.
  void ShowSettlement();
  // Shows or hides the windows (the main window's buttons and the windows' own close picture).
  void ToggleScoreBoard();
  void ToggleHistory();
  void HideScoreBoard();
  void HideHistory();
  // Where the board and the history window open: over the table, clear of the hand and the
  // main buttons.
  void PlaceBoard();
  void PlaceResultWindow(Form& f) const;

  // The game record file: one section per deal, rewritten at each board.
  void WriteDealRecord(int deal);
  // Shows deal `deal` again on the score board, as it was at its end.
  void ShowDealRecord(int deal);
  std::string GameRecordPath() const;
  // The game record belongs to one stay at the table: removed when the client leaves it, and
  // when it is ended from outside.
  void DeleteGameRecord();

  // Input on the board and the history window, and the main buttons that open them; false when
  // the event was not theirs.
  bool OnClick(const ElementEvent& event);
  bool OnDoubleClick(const ElementEvent& event);
  bool OnMainButton(ElementId element);
  bool OnFormClose(FormId form);

  // History window input: a line of the deal list, chosen or opened.
  void OnHistoryLineClick(int line);
  void OnHistoryLineOpen(int line);
  // The deal list line under `y` (pixels inside the list), or -1.
  int HistoryLineAt(ElementId list, double y) const;

  // Leaving the table: the windows emptied and hidden, the record file deleted.
  void ClearForLobby();

  // Built on first use, so the windows exist only once the client shows a board.
  const ScoreBoardElements& board();
  const HistoryElements& history();

  // Table reset: the per-deal amounts go.
  void OnResetSeats() override;

  WinStores stores;
  std::array<int16_t, kSeats> CapFlag{};
  std::array<double, kSeats> Subtotal{};
  uint8_t FeePercent = 0;
  std::string FeeText;
  std::array<double, kSeats> RunningTotal{};
  PropScoreBuffers propScore;
  // 0: the component holds no settlement; 1: it holds this deal's; 2: its board was shown.
  int16_t PropSettleState = 0;
  bool PropPlayerLeft = false;
  bool PropSettlePending = false;
  bool DrawnDeal = false;
  // What the board lists show; State(k) is boardLines[k] (3 stays empty).
  std::array<std::vector<std::string>, kBoardLists> boardLines;
  std::array<uint32_t, kSeats> boardColour{};
  // The name labels' colours: plain, green for everyone once a win is on the table, red for
  // the winners at the board; and as each deal's board showed them, for showing it again.
  std::array<uint32_t, kSeats> nameColour{kNameInk, kNameInk, kNameInk};
  std::map<int, std::array<uint32_t, kSeats>> dealNameColours;
  // The deal list's chosen line and the line the history lists show at their top.
  int HistorySelected = -1;
  int HistoryTopLine = 0;
  // The last notice the leave dialog showed.
  std::string LeaveDialogText;

 private:
  // Command 16 by its value(3).
  void DealEndNotice(const CommandInfo& info);
  void PlayerLeftNotice(const CommandInfo& info);
  void NextDealer(const CommandInfo& info);
  void CoinsShortNotice(const CommandInfo& info);
  // Props hold the board back until the component's score information is in.
  void PropsTakeOver();
  void ShowOrHandOver();
  void PropsAfterPlayerLeft();
  void ArmShuffleDisplay();
  void HideShuffleDisplay();
  void ShowWealth(uint32_t factor);
  // Named entry points of the leaving procedures.
  void ShowLeaveDialog(const std::string& text);
  [[noreturn]] void EndWatching();

  // Score board steps.
  void PrepareBoardFaces();
  void SetBoardList(int k, const std::vector<std::string>& lines);
  void ClearBoardList(int k);
  void SetBoardColour(int v, uint32_t rgb);
  void SetNameColours(const std::array<uint32_t, kSeats>& colours);
  void AddTotals();
  void AddExtraLines(int v);
  void AddHistoryLines(int deal, const std::array<std::string, kSeats>& units);
  void StartContinueCountdown();
  std::string Unit(int v) const;
  bool DiceDouble() const;
  bool WealthDouble() const;
  std::string DiceFactorText() const;
  std::string WealthFactor() const;

  void BuildBoard();
  void BuildHistory();

  TableModel& table_;
  LoopState& loop_;
  SessionSettings& settings_;
  TableView& view_;
  MessageLines& messages_;
  Records& records_;
  Connection& connection_;
  Reconnection& reconnection_;
  TableExit& exit_;
  DealEndProps& props_;
  Timers& timers_;
  Dialogs& dialogs_;
  Files& files_;
  Log& log_;
  Process& process_;
  ScoreBoardElements board_;
  HistoryElements history_;
  // Appends each deal's section, so a long stay does not make the write slower.
  IniSectionWriter recordWriter_;
};

}  // namespace korvel
