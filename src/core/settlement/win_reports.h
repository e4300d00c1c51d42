// The win reports of a deal: one command 17 per seat for every win, decoded into the per-seat
// stores the score board reads. The client never values a hand; it keeps what the server sent.
#pragma once

#include <array>
#include <cstdint>

#include "net/records.h"
#include "settlement/fan_code.h"
#include "model/tiles.h"

namespace korvel {

inline constexpr int kWinItemCount = 17;
// The server ends a deal once two seats have won; a third event still fits, and one more slot
// always stays empty so the breakdown can walk one past the last event.
inline constexpr int kMaxWinEvents = 3;
inline constexpr int kWinHistorySlots = kMaxWinEvents + 1;

// Items the rest of the client reads, by their numbers.
enum WinItem : int {
  kItemScore = 1,        // > 0: a winner of the event, in base-stake units
  kItemSecondScore = 5,  // kept and copied, never shown
  kItemDiscarder = 6,    // 1: this seat discarded the winning tile
  kItemCheckLayout = 7,  // >= 1: the check block's first layout
  kItemSelfDrawn = 10,   // > 0: won on its own draw; multiplies the amount
  kItemCurrency = 13,    // 1: coins, anything else gold bars
  kItemTableReset = 16,  // cleared with the deal amount by the table reset
};

// [item][ViewPos], signed 16-bit as the reports carry them.
using WinItems = std::array<std::array<int16_t, kSeats>, kWinItemCount>;

// Record offsets of a win report.
namespace win {
inline constexpr size_t kAmountSign = 13;
inline constexpr size_t kDealAmount = 16;
inline constexpr size_t kScore = 86;
inline constexpr size_t kSecondScore = 88;
inline constexpr size_t kWinFan = 94;
inline constexpr size_t kCheckA = 98;
inline constexpr size_t kCheckB = 99;
inline constexpr size_t kReadyFan = 100;
inline constexpr size_t kBaseStake = 106;
inline constexpr size_t kCheckSign = 111;
inline constexpr size_t kCheckAmount = 112;
inline constexpr size_t kItemPairs = 116;
inline constexpr int kItemPairCount = 12;
}  // namespace win

// Everything the win reports leave behind, indexed by ViewPos.
struct WinStores {
  WinItems items{};
  std::array<FanCode, kSeats> winFan{};
  std::array<FanCode, kSeats> readyFan{};
  std::array<uint8_t, kSeats> checkA{};
  std::array<uint8_t, kSeats> checkB{};  // 1: not ready when the wall ran out
  std::array<uint8_t, kSeats> checkSign{};
  std::array<int16_t, kSeats> checkAmount{};
  std::array<double, kSeats> dealAmount{};
  int64_t BaseStake = 0;  // coins, from an unsigned 32-bit field

  // Closed events of the deal: items and win codes of every seat per event.
  std::array<WinItems, kWinHistorySlots> historyItems{};
  std::array<std::array<FanCode, kSeats>, kWinHistorySlots> historyFans{};
  int WinEventCount = 0;
  std::array<int16_t, kSeats> HasWon{};
  int WinReportArrivals = 0;  // shared with the deal results, which come after the wins
  // Seat masks of the winners of the last claim, from the operation result (0 = none).
  std::array<uint8_t, 2> ClaimWinners{};
  // The last currency each seat was reported in; a deal without wins keeps the earlier one.
  std::array<int16_t, kSeats> Currency{1, 1, 1};

  // The new deal's start: what belongs to one deal goes; the check values and stake stay.
  void ResetForNewDeal();
  // Marks the winners of the last claim.
  void MarkClaimWinners(int localMask);
};

// Applies one report for the seat at `view` (0..2). Returns true when it closed an event (the
// third report of a triple). An event beyond the stores is counted nowhere and reported false.
struct WinReportResult {
  bool closedEvent = false;
  bool droppedEvent = false;  // a closing event found every history slot taken
};
WinReportResult ApplyWinReport(WinStores& stores, const RecordBytes& record, ViewPos view,
                               int localMask);

}  // namespace korvel
