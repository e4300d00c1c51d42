// Rebuilding a deal under way from the server's snapshot: three command 40 records, one per
// seat, each with the seat's melds, concealed tiles and number of discards, and the two wall
// counters. Each record lays out its seat at once; the third also rebuilds the wall and the
// discard areas. A reconnected player and a watcher who joins a deal both come in this way,
// right after the deal's start record.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>

#include "model/tiles.h"
#include "net/records.h"
#include "view/table_view.h"

namespace korvel {

class Log;
class Records;
class TablePlay;
class TableView;
class Watching;
struct LoopState;
struct SessionSettings;
struct TableModel;

// Snapshot payload: 24 entries of (kind, tile) from byte 16. A kind 0x10..0x1F marks a
// concealed tile, 0x20..0x2F an exposed one (its low nibble may name the meld's slot kind).
namespace restore {
inline constexpr size_t kEntries = 16;
inline constexpr int kEntryCount = 24;
inline constexpr int kMaxConcealed = 14;
inline constexpr uint8_t kConcealedKind = 0x10;
inline constexpr uint8_t kExposedKind = 0x20;
}  // namespace restore

class TableRestore : public TableResetParticipant {
 public:
  TableRestore(TableModel& table, LoopState& loop, SessionSettings& settings, TableView& view,
               Records& records, TablePlay& tablePlay, Watching& watching, Log& log);
  void OnRestore(CommandInfo& info);  // command 40

  // The pool element of the restore's n-th tile: the tiles dealt and drawn from the start of
  // the wall first, then those taken from its far end, in the order replacement draws take them.
  int ElementFor(int n) const;

  int16_t RestoreTaken = 0;
  int16_t RestoreBack = 0;
  int16_t RestoreCursor = 0;
  std::array<int16_t, kSeats> RestoreDiscards{};
  // Records of the restore under way (0 between restores).
  int RecordsTaken() const { return recordsTaken_; }

  void OnResetSeats() override { recordsTaken_ = 0; }

 private:
  struct Entry {
    TileCode code = 0;
    uint8_t kind = 0;
  };
  struct Snapshot {
    std::array<Entry, restore::kEntryCount> exposed{};
    int exposedCount = 0;
    std::array<TileCode, restore::kEntryCount> concealed{};
    int concealedCount = 0;
  };
  struct Meld {
    int first = 0;  // index into the sorted exposed entries
    int size = 0;   // 3, or 4 for a gang; fewer only in a malformed record
    SlotKind kind = SlotKind::Peng;
  };

  static Snapshot Split(const RecordBytes& r);
  void Begin();
  // False (and nothing changed) when the seat's tiles cannot fit its slots.
  bool LayOutSeat(ViewPos v, Snapshot& snap);
  void SetAsideRedDragon(ViewPos v);
  static int GroupMelds(Snapshot& snap, std::array<Meld, restore::kEntryCount>& melds);
  void Finish();
  void LayOutDiscards();
  int Take();

  TableModel& table_;
  LoopState& loop_;
  SessionSettings& settings_;
  TableView& view_;
  Records& records_;
  TablePlay& tablePlay_;
  Watching& watching_;
  Log& log_;
  int recordsTaken_ = 0;
  int16_t start_ = 0;     // the wall cursor of the deal's start
  std::bitset<72> used_;  // elements holding restored tiles
};

}  // namespace korvel
