// The local player's side of a deal: dealing and drawing, discards, the server's offers and the
// results of operations.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <string_view>
#include <vector>

#include "net/records.h"
#include "table/hand_order.h"
#include "view/scene.h"

namespace korvel {

class LobbyWindow;
class Log;
class MessageLines;
class OtherSeats;
class Reconnection;
class Records;
class Seating;
class Settlement;
class Sound;
class TableView;
class Timers;
struct LoopState;
struct SessionSettings;
struct TableModel;
class TableView;

class TablePlay {
 public:
  TablePlay(TableModel& table, LoopState& loop, SessionSettings& settings, TableView& view,
            MessageLines& messages, Records& records, LobbyWindow& lobby,
            Reconnection& reconnection, Sound& sound, OtherSeats& otherSeats,
            Settlement& settlement, Timers& timers, Log& log);

  // ---- handlers of the server's records ------------------------------------------------
  void OnDealTiles(CommandInfo& info, int count);  // commands 1 (four tiles) and 5 (one)
  void OnDiscard(CommandInfo& info);               // command 2
  void OnDealStart(CommandInfo& info);             // command 4
  void OnTurn(CommandInfo& info);                  // command 6
  void OnOperationResult(CommandInfo& info);       // command 7
  void OnFollowUpResult(CommandInfo& info);        // command 15

  // ---- hand order and claim candidates -------------------------------------------------
  // Sorts the first `count` concealed tiles of the seat at `v`.
  void SortHand(ViewPos v, int count);
  // Sorts and gives each of those tiles its picture (the standing look for the local seat).
  void ShowHand(ViewPos v, int count);
  // As ShowHand, but the local tiles show their upright front once the hand is laid down.
  void ShowHandLaidAware(ViewPos v, int count);
  // First concealed slot of the local hand holding a pair of `tile`, or -1.
  int FindPengPair(TileCode tile) const;
  // Fills GangChoices from OfferedOps and the option record and shows the choice marks; the
  // number found.
  int CollectGangChoices();
  // Performs the gang that candidate `c` stands for, if any.
  void ResolveGangChoice(int c);
  // Performs candidate 0 by the kind remembered for it (a time-out, or a single candidate).
  void PerformFirstGangChoice();
  // Turns a seat's hand face down on the table once it has declared ready.
  void LayDownHand(ViewPos v);

  std::array<int16_t, kGangChoiceSlots> GangChoices{};
  int GangChoiceCount = 0;
  GangKind FirstGangKind = GangKind::None;
  // The last option record for the local seat: the gang lists are read from it, so a record
  // arriving between the offer and the gang button cannot change them.
  RecordBytes OptionRecord{};

  // ---- deal start, dealing and drawing -------------------------------------------------
  // Tiles for the seat `seatMask`: n = 4 (command 1) or 1 (command 5, the tile in values[3]).
  void OnTiles(int seatMask, int n, const std::array<int16_t, 4>& values);

  int16_t DiceDoubling = 0;
  int16_t LastDiscardX = 0, LastDiscardY = 0;

  // ---- discarding ------------------------------------------------------------------------
  // Pointer over tile element `e` (0..71) and over the table surface at (x, y).
  void OnTileHover(int e);
  void OnTableHover(double x, double y);
  // A mouse button pressed on tile element `e`.
  void OnTileClick(int e, int button);
  // Command 2: a seat's discard, as the server announces it to everyone.
  void OnDiscardAnnounced(CommandInfo& info);
  // The ready declaration (mark 1) or the given-up win (mark 2) carried by a discard of `v`.
  void ShowDiscardDeclaration(ViewPos v, int mark);
  // The pass that declines the current offer; marks it answered.
  void SendPass();

  // ---- options and claims ------------------------------------------------------------------
  // Command 6: a seat's turn starts; for the local seat it carries the operations on offer.
  // The connection came back: the turn that was open when it dropped is the server's to offer
  // again, and its old clock must not run out and play for the player meanwhile.
  void EndTurnCutOff();
  void OnOptions(CommandInfo& info);
  // ---- play by keyboard --------------------------------------------------------------------
  // Left/Right pick a hand tile out, Enter/Space discard it, P G R H N answer an offer, 1..5
  // choose a gang mark; false for a key that is not one of them.
  bool OnPlayKey(int keyCode);
  // The operation buttons' tooltips name their keys.
  void NameOperationKeys();

  // A click on Operation(i), 1..5.
  void OnOperationClick(int i);
  // A click on the gang choice mark Gang(c).
  void OnGangChoiceClick(int c);
  // A pass with the right button: `element` is the tile element pressed, or -1 for the
  // button's release on the table surface.
  void OnRightButtonPass(int button, int element);
  // The pointer over Operation(i), and back on the table surface.
  void OnOperationHover(int i);
  void OnOperationsLeft();
  // Operation(i) or Gang(c) of `element`, or -1.
  int OperationIndexOf(ElementId element) const;
  int GangMarkIndexOf(ElementId element) const;

  // The claim records. The meld records first copy their tiles into the local meld slots, so
  // that the result finds them there.
  void SendReady();
  void SendWin();
  void SendPeng(TileCode tile);
  void SendGang(int k);
  void SendConcealedGang(int k);
  void SendAddedGang(int k);

  // The discard the client put into the middle of the table and the server has not announced
  // yet (0: none). The announcement is checked against it.
  int16_t PendingDiscard = 0;
  // img_tip is up.
  bool NoticeShown = false;

  // Takes the local concealed tile at `slot` out of the hand as a discard: face up in the
  // middle of the table, the row closed up, and re-sorted when `resort`. Sends nothing.
  void PutOutLocalTile(int slot, TileCode code, bool resort);
  // Ends the local player's turn on the table: clock, buttons and gang marks go away.
  void EndLocalTurnDisplay();

  // ---- operation results and the final reveal -----------------------------------------
  // The facts every command 7 carries for later: the winning tile and the claim's winners.
  void KeepResultFacts();
  // The ready sticks a command 7 declaration shows.
  void ShowResultDeclaration(const CommandInfo& info);
  // Command 15: up to four of a seat's concealed tiles at the deal's end.
  void OnReveal(CommandInfo& info);

  // The pool index of a tile element, or -1.
  int TileIndexOf(ElementId element) const;
  // Whether pool element `e` shows one of the local concealed tiles; its slot or -1.
  int LocalSlotOf(int e) const;

  // A number in 0..n-1; tests replace the generator with their own.
  using RandomSource = std::function<int(int n)>;
  void SetRandomSource(RandomSource random) { random_ = std::move(random); }
  // 0 .. n-1 from the table's source: every draw the table shows comes from here, so a session
  // can keep them and a replay show the same dice and the same seat draw.
  int Random(int n);

 private:
  void ShowHandWith(ViewPos v, int count, bool laidAware);
  void BuildWalls();
  void RollDie(int face);
  void ShowMultiplierDice(int a, int b);
  // Moves the tile in the middle of the table into its discarder's discard area.
  void PlaceOfferInDiscards(bool beforeDraw);
  void DealLocal(int n, const std::array<int16_t, 4>& values);
  void DealOther(ViewPos v, int n);
  void DiscardLocal(int slot);
  // Another seat's discard: its last concealed tile comes to the middle, face up.
  void ShowSideDiscard(ViewPos v, TileCode tile);
  // Centres tile element `e` on the table surface at the given size, by its size before.
  void MoveToMiddle(ElementId e, double width, double height);
  void ResetOperationButtons();
  // Options, claims and results.
  // Puts the clock beside the seat at `v`: the sides for the others, below the wealth for 0.
  void PlaceClock(ViewPos v);
  void StartTurnClock(int seconds, uint32_t colour);
  void StopTurnClock();
  void HideOperationButtons(bool includeGangMarks);
  void DeactivateOperationButtons();
  // A local offer that the server's next records have overtaken closes without an answer.
  void CloseStaleOffer();
  void ChooseGang();
  // The server announced a discard of the local seat.
  void FollowLocalDiscard(TileCode tile);
  void LocalResult(int op, TileCode t0, TileCode t1, TileCode t2);
  bool PrepareLocalMeld(int op, TileCode tile);
  void LayOutPeng(TileCode t0, TileCode t1, TileCode t2);
  void LayOutGang(int k, TileCode t2);
  void LayOutConcealedGang(int k, TileCode t2);
  void LayOutAddedGang(int k, TileCode t2);
  void ShowWin(ViewPos v);
  // Where the local meld tile of slot `s` lies (left), in window pixels.
  double LocalMeldLeft(int s) const;
  void ShowRevealedHands();
  // A record the table cannot follow (a tile for a full hand, a discard from an empty one): it
  // is logged and left out, so the model never indexes outside a seat's slots.
  void RefuseRecord(std::string_view why);
  // The local hand tiles the keyboard can reach, left to right, and the one standing up.
  std::vector<int> KeyboardTiles() const;
  int RaisedTile() const;

  TableModel& table_;
  LoopState& loop_;
  SessionSettings& settings_;
  TableView& view_;
  MessageLines& messages_;
  Records& records_;
  LobbyWindow& lobby_;
  Reconnection& reconnection_;
  Sound& sound_;
  OtherSeats& otherSeats_;
  Settlement& settlement_;
  Timers& timers_;
  Log& log_;
  RandomSource random_;
  std::minstd_rand rng_;
  // The tile the arrow keys last went to.
  int keyTile_ = -1;
};

}  // namespace korvel
