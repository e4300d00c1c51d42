// The records the server sends, each written at the offsets the client reads. Header values
// are 16-bit big-endian at bytes 8..15; the client reads only their low bytes, except in win
// reports. The echoed tag at 260..261 is stamped by the connection that sends the record.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "net/records.h"
#include "rules/actions.h"
#include "rules/fan.h"
#include "table/player_profile.h"

namespace korvel::server {

inline constexpr uint8_t kSeatByteSelf = 15;   // player information about the receiver itself
inline constexpr uint8_t kSeatByteJoined = 0;  // player information about a newcomer
inline constexpr uint8_t kAllSeats = 7;

// Command numbers beyond those the record layer names (3, 7, 17, 18, 19, 28).
enum ServerCommand : uint8_t {
  kCmdDealTiles = 1,
  kCmdDiscard = 2,
  kCmdDealStart = 4,
  kCmdDraw = 5,
  kCmdOptions = 6,
  kCmdDealResult = 9,
  kCmdReveal = 15,
  kCmdDealEnd = 16,  // also the client's continue record and its leave notice
  kCmdPlayerInfo = 20,
  kCmdPlayerLeft = 21,
  kCmdReadyMark = 23,
  kCmdKeepAlive = 24,
  kCmdReconnectResult = 29,
  kCmdRestore = 40,
  kCmdProp = 45,       // a prop component's message, relayed to the other seats
  kCmdPropScore = 46,  // after a deal's end: the prop component may settle its part
};

// Login result: value(3) 1 accepted (2 and 3 are the two refusals the client words), value(1)
// the turn seconds (low four bits), value(0) the time-outs in a row before the client hides.
enum class LoginVerdict : uint8_t { Accepted = 1, TableUnavailable = 2, Refused = 3 };
RecordBytes LoginResultRecord(LoginVerdict verdict, int turnSeconds, int timeoutLimit);
RecordBytes SeatRecord(int seat, std::string_view account);
// `props`: the client may run its prop component at this table.
RecordBytes PlayerInfoRecord(uint8_t seatByte, const PlayerProfile& player, bool ready,
                             bool props = false);
RecordBytes ReadyMarkRecord(std::string_view account);
RecordBytes PlayerLeftRecord(std::string_view account);
RecordBytes DealStartRecord(int dealer, int die1, int die2);
// Four tiles make a command 1, one tile a command 5 (in value(3)); zeros hide them.
RecordBytes TilesRecord(int seat, std::span<const TileCode> tiles);
// The option record; `offer` is null for the copy other seats get (it only starts a clock).
RecordBytes OptionsRecord(int seat, const Offer* offer, int seconds);
RecordBytes DiscardRecord(int seat, TileCode tile, bool declaresReady, int concealedLeft);
RecordBytes OperationRecord(int seat, OpCode op, TileCode tile, bool declaresReady,
                            TileCode winTile, std::array<uint8_t, 2> winnerMasks);
// Up to four tiles; the first travels in value(3), the next in value(2), and so on.
RecordBytes RevealRecord(int seat, std::span<const TileCode> tiles);

struct WinReport {
  int score = 0;  // this seat's share of the event, in base-stake units
  bool discarder = false;
  bool selfDrawnWinner = false;
  FanCode fan;
  bool checkReady = false;
  bool checkNotReady = false;
  FanCode readyFan;
  int checkAmount = 0;  // units, signed
  int baseStake = 0;
  int64_t dealAmount = 0;  // the seat's deal so far, units, signed
};
RecordBytes WinReportRecord(int seat, const WinReport& report);
// One seat's deal result: `coins` is the final change of its coins; `subtotal` the amount
// before the loss limit and the fee; a fee percentage of 0 leaves the client's last one.
struct DealResult {
  int64_t coins = 0;
  int64_t subtotal = 0;
  bool capped = false;
  int feePercent = 0;
  std::string_view feeTextUtf8;
};
RecordBytes DealResultRecord(int seat, const DealResult& result, std::string_view titleUtf8);
inline RecordBytes DealResultRecord(int seat, int64_t coins, std::string_view titleUtf8) {
  return DealResultRecord(seat, DealResult{coins, coins, false, 0, {}}, titleUtf8);
}
RecordBytes DealEndRecord();
RecordBytes NextDealerRecord(int dealer, uint32_t reconnectKey);
// The game at the table ends because the seat missing from `remainingMask` left.
RecordBytes GameOverRecord(uint8_t remainingMask);
// In place of the deal end: the seats missing from `remainingMask` lack the coins for another
// deal; those in `changeRoomMask` are told to change rooms rather than claim an allowance.
RecordBytes CoinsShortRecord(uint8_t remainingMask, uint8_t changeRoomMask);
// The relayed chat line of `sender`: the sender's text field and phrase values, nothing else.
RecordBytes ChatRecord(int senderSeat, const RecordBytes& received);
RecordBytes ReconnectResultRecord(bool accepted);
RecordBytes PropScoreRecord();
// A prop message from `senderSeat` as the other seats get it: the sender's mask in the seat
// byte, whatever the client wrote there.
RecordBytes RelayedPropRecord(int senderSeat, const RecordBytes& received);

// One entry of a restore record: a kind (0x10 concealed; 0x20 | the slot kind of the meld it
// belongs to: 3 peng, 4 gang, 5 concealed gang, 6 added gang) and the tile, 0 when hidden.
struct RestoreEntry {
  uint8_t kind = 0;
  TileCode tile = 0;
};
inline constexpr uint8_t kRestoreConcealed = 0x10;
inline constexpr uint8_t kRestoreExposed = 0x20;
inline constexpr size_t kRestoreEntries = 24;
// The wall-end counter the client turns into the far end of the wall: 71 - b after an even
// number b of tiles taken from the far end, 77 - b (mod 72) after an odd one.
int WallEndCounter(int takenFromBack);
// A seat's snapshot for a client that comes into a deal under way: its discards still lying in
// its row (byte 7), the tiles taken from the start of the wall (value(0)), the wall-end counter
// (value(2)), and up to 24 entries from byte 16.
RecordBytes RestoreRecord(int seat, int discards, int takenFront, int wallEndCounter,
                          std::span<const RestoreEntry> entries);

// Writes Chinese text as double-byte GBK pairs (single-byte characters are dropped, because
// the client reads these fields two bytes at a time).
void WriteDoubleByteText(RecordBytes& r, size_t at, size_t maxBytes, std::string_view utf8);

}  // namespace korvel::server
