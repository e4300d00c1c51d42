// A watcher's view of the table: the same records a player gets, seen from the watched player's
// seat (ViewPos 0), without hand input and without sending anything. The watcher's versions of
// the dealing, discard and operation handlers place every tile straight where it belongs, take
// replacement tiles from the far end of the wall, and keep the watched hand face down unless the
// hand may be seen.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "model/tiles.h"
#include "net/records.h"
#include "sound/sound.h"

namespace korvel {

class Log;
class Records;
class Seating;
class Settlement;
class Sound;
class TablePlay;
class TableView;
class Timers;
struct LoopState;
struct SessionSettings;
struct TableModel;

// Balloon places of the left and right seats' announcements, design pixels.
inline constexpr double kWatchBalloonTop = 280;
inline constexpr double kWatchBalloonLeft[2] = {8, 936};

class Watching {
 public:
  Watching(TableModel& table, LoopState& loop, SessionSettings& settings, TableView& view,
           Records& records, Sound& sound, SeatVoices& seatVoices, TablePlay& tablePlay,
           Settlement& settlement, Timers& timers, Log& log);

  void OnWatchDealTiles(CommandInfo& info, int count);  // commands 1 and 5
  void OnWatchDiscard(CommandInfo& info);               // command 2
  void OnWatchOperation(CommandInfo& info);             // command 7
  // The three players' information records a watcher collected: the watched player's first.
  void OnWatchSeats(const std::array<RecordBytes, kSeats>& records);

  // Nonzero when the watched player's concealed tiles may be seen; a restore hides them.
  int16_t handVisible = 0;
  bool SeatsShown = false;

  // The word sprite and voice clip a watcher shows and hears for another seat's operation.
  struct Call {
    int word = -1;  // WordSprites entry, -1 for none
    const char* clip = nullptr;
  };
  static Call CallOf(int op, TileCode tile);

 private:
  // The far end of the wall gives the tile after a gang: upper tile, lower tile, stack before.
  int TakeFarEnd();
  bool FacesShown() const;
  void Announce(ViewPos v, int op, TileCode tile);
  // Moves the concealed tiles at `picks` into the next meld; the meld's slots take the first
  // three of the picks and `extra` (a claimed discard), the one left over becomes the fourth
  // tile. Returns the meld's last slot, or -1 when the seat's slots cannot take it.
  int FormMeld(ViewPos v, std::span<const int> picks, SlotKind kind, TileCode code, int extra,
               int* fourth);
  void DrawMeld(ViewPos v, int w, int fourth, bool faceDown);
  // Concealed slots of `v` to take for a meld of `tile`: the watched seat's by their codes, the
  // other seats' from the start of the row; -1 entries when the hand has too few tiles.
  void PickTiles(ViewPos v, TileCode tile, int n, std::array<int, 4>& picks) const;
  void Claim(ViewPos v, int op, TileCode t0, TileCode t1, TileCode t2);
  void Gang(ViewPos v, int op, TileCode tile);
  void AddedGang(ViewPos v, TileCode tile);
  void Win(ViewPos v);
  void ReadySticks(ViewPos v, int mark);
  // A claimed discard leaves its row: the row's next tile takes its place again.
  void GiveBackDiscardPlace();

  struct LastDiscard {
    int index = -1;  // pool index of the last discard placed
    ViewPos view = 0;
    int16_t x = 0, y = 0;
    int16_t rightCount = 0;
  };

  TableModel& table_;
  LoopState& loop_;
  SessionSettings& settings_;
  TableView& view_;
  Records& records_;
  Sound& sound_;
  SeatVoices& seatVoices_;
  TablePlay& tablePlay_;
  Settlement& settlement_;
  Timers& timers_;
  Log& log_;
  LastDiscard lastDiscard_;
};

}  // namespace korvel
