// Playing for the local player when the turn clock runs out: declining what is offered and
// discarding, or for a declared hand taking the win or discarding the tile that keeps it ready.
// After too many time-outs in a row the window hides itself as the hide key does.
#pragma once

#include <cstdint>

namespace korvel {

class ElementEvents;
class Log;
class MessageLines;
class Records;
class TablePlay;
class TableView;
struct LoopState;
struct SessionSettings;
struct TableModel;

class AutoPlay {
 public:
  AutoPlay(TableModel& table, LoopState& loop, SessionSettings& settings, TableView& view,
           MessageLines& messages, ElementEvents& input, Records& records, TablePlay& tablePlay,
           Log& log);
  // The local turn clock ran out.
  void OnLocalTimeout();

 private:
  // The answer of a player who has not declared ready.
  void PlayTurn();
  // A declared hand that is not offered a win.
  void ReadyDiscard();
  void HideLikeTheKey();
  void ClearOperations();
  // Sends the discard of local slot `slot` and puts the tile out.
  void Discard(int slot, bool resort);

  TableModel& table_;
  LoopState& loop_;
  SessionSettings& settings_;
  TableView& view_;
  MessageLines& messages_;
  ElementEvents& input_;
  Records& records_;
  TablePlay& tablePlay_;
  Log& log_;
};

}  // namespace korvel
