// The prop component as the client uses it: loaded and initialised when play at the table
// starts, fed the records it wants, polled by the main loop for its actions and its share of a
// deal's end, told about the table's events, and shut down without ever stopping play.
#pragma once

#include <string>

#include "model/player_record.h"
#include "net/records.h"
#include "props/prop_display.h"
#include "props/prop_library.h"
#include "protocol/seat_info.h"
#include "settlement/deal_end_props.h"
#include "view/table_view.h"

namespace korvel {

class ElementEvents;
class Files;
class Log;
class MessageLines;
class Records;
class Screen;
class Settlement;
class TableChat;
class TableView;
class Timers;
struct LaunchParams;
struct LoopState;
struct TableModel;
struct SessionSettings;

// At most this many actions are taken from the component per tick; the rest wait for the next.
inline constexpr int kMostActionsPerTick = 64;

class PropComponent : public TableResetParticipant, public DealEndProps {
 public:
  PropComponent(TableModel& table, LoopState& loop, SessionSettings& settings,
                const LaunchParams& launch, TableView& view, MessageLines& messages,
                ElementEvents& input, Records& records, Settlement& settlement, TableChat& chat,
                Timers& timers, Files& files, Screen& screen, Log& log);

  // Loads the component when the launch line allows props; absent means props stay off.
  void Load();
  bool Active() const override { return PropsActive >= 1; }
  void ShowDealEnd() override;
  bool Exists() const { return library_.Loaded(); }
  // The dispatcher's default path and prop chat messages.
  void Receive(const RecordBytes& record);
  void ConnectionState(bool up);
  // The first tiles of a deal are arriving.
  void DealStarting();
  void Shutdown(int16_t reason) override;
  // The main loop's polling step: the component's actions, its share of a deal's end, and the
  // treasure-box countdown.
  void PollStep();
  // Sets the component up for play once it is allowed (the first user information).
  void Initialise();
  // Props are not wanted at this table: off for as long as the client runs.
  void SwitchOff();
  void ClearUser(int view);
  void RecState(int code, bool flag, int view);
  // False when the component refuses the player.
  bool SetUserinfo(const SeatInfo& info, const PlayerRecord& player, int view);
  PropLibrary& library() { return library_; }
  PropDisplay& display() { return display_; }

  // Members the table calls while props are active; each does nothing otherwise.
  void InitShowNext(bool show);
  void ShowGif(int which, bool show);
  void SetKeyDown(int keyCode);
  void SetBankState(int state);
  void FixBuffPos();
  void ShowTkVideo(int a, bool show, int b);

  // Input on the prop images of the main window; false when the element is not one of them.
  // The bank button and the keys belong to the window frame.
  bool OnClick(ElementId element);
  bool OnMouseMove(ElementId element);

  // The board after the component's part of a deal's end: the drawn-deal board or the
  // client's own.
  void ShowBoard();
  void ShowDrawnDealBoard();

  // Table reset: the drawn-deal mark goes with the deal.
  void OnResetSeats() override;

  int PropsActive = 0;  // 0 off, -1 starting or switched off, 1 props, 2 props and boxes
  bool PropsReady = false;
  bool PropScorePending = false;
  bool PropsSwitchedOff = false;

 private:
  void PumpActions();
  void Perform(const PropDllAction& action);
  void SettlementStep();
  void TakeScore(const PropDllScore& score);
  bool Callable() const { return Active() && library_.Loaded(); }

  TableModel& table_;
  LoopState& loop_;
  SessionSettings& settings_;
  const LaunchParams& launch_;
  TableView& view_;
  MessageLines& messages_;
  ElementEvents& input_;
  Records& records_;
  Settlement& settlement_;
  Files& files_;
  Screen& screen_;
  Log& log_;
  PropLibrary library_;
  PropDisplay display_;
  PropDllAction action_{};
  PropDllScore score_{};
};

}  // namespace korvel
