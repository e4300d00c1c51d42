// Command records: the fixed 272-byte unit of every exchange with the game server, the two rings
// between the socket and the game logic, and the decoding that belongs to the record format.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/loop_state.h"
#include "model/player_record.h"
#include "platform/ports.h"

namespace korvel {

inline constexpr size_t kRecordSize = 272;
inline constexpr size_t kRingSize = 34816;  // 128 records, so a record never wraps
using RecordBytes = std::array<uint8_t, kRecordSize>;

// Byte offsets inside a record.
namespace rec {
inline constexpr size_t kCommandHigh = 2;
inline constexpr size_t kCommand = 3;
inline constexpr size_t kByte5 = 5;
inline constexpr size_t kSeat = 6;
inline constexpr size_t kByte7 = 7;
inline constexpr size_t kValues = 8;
inline constexpr size_t kPayload = 16;
inline constexpr size_t kUserId = 16;
inline constexpr size_t kUserIdBytes = 16;
inline constexpr size_t kLoginKey = 32;
inline constexpr size_t kLoginKeyBytes = 240;
inline constexpr size_t kChatText = 16;
inline constexpr size_t kChatBytes = 200;
inline constexpr size_t kChatChars = 100;
inline constexpr size_t kPropLength = 236;
inline constexpr size_t kServerTag = 260;
inline constexpr size_t kTrailer = 268;
}  // namespace rec

// Commands the record layer itself treats specially.
inline constexpr int kCmdDiscard = 2;
inline constexpr int kCmdSeatAnnounce = 3;
inline constexpr int kCmdOperation = 7;
inline constexpr int kCmdSettlement = 16;  // the deal end from the server, continue from us
inline constexpr int kCmdWinReport = 17;
inline constexpr int kCmdLogin = 18;
inline constexpr int kCmdChat = 19;
inline constexpr int kCmdReconnect = 28;
inline constexpr int kCmdPrivate29 = 29;
inline constexpr int kCmdProp = 45;

struct CommandInfo {
  int16_t command = 0;
  uint8_t byte5 = 0;
  uint8_t seat = 0;
  uint8_t byte7 = 0;
  std::array<int16_t, 4> value{};
};

// What taking a record produced besides the header, for the caller to route on.
struct TakenRecord {
  enum class Extra { None, SeatName, Chat, PropMessage };
  Extra extra = Extra::None;
  int seatIndex = 0;                         // SeatName: the announced seat
  std::string text;                          // SeatName or Chat, in UTF-8
  const RecordBytes* privateCopy = nullptr;  // PropMessage: the whole record
};

// Big-endian and little-endian readers used by every handler; bounds come from the fixed size.
inline uint16_t ReadBE16(const RecordBytes& r, size_t at) {
  return static_cast<uint16_t>(r[at] << 8 | r[at + 1]);
}
inline uint32_t ReadBE32(const RecordBytes& r, size_t at) {
  return uint32_t{r[at]} << 24 | uint32_t{r[at + 1]} << 16 | uint32_t{r[at + 2]} << 8 | r[at + 3];
}
inline uint32_t ReadLE32(const RecordBytes& r, size_t at) {
  return uint32_t{r[at + 3]} << 24 | uint32_t{r[at + 2]} << 16 | uint32_t{r[at + 1]} << 8 | r[at];
}
inline void WriteLE32(RecordBytes& r, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) r[at + k] = static_cast<uint8_t>(v >> (8 * k));
}

// The records that play a seat: discards, claims and passes, and continue.
bool IsGameRecord(int command);

// Builds the record of `info` without queuing it (no chat text, no ready mark, no tag).
RecordBytes EncodeHeader(const CommandInfo& info);
// Decodes a received header: values are single bytes except for win reports.
CommandInfo DecodeHeader(const RecordBytes& record);

// The login record from the launch values; empty optional-like result on refusal.
struct LoginRecordResult {
  bool ok = false;
  std::string error;
  RecordBytes record{};
};
LoginRecordResult BuildLoginRecord(std::string_view userId, std::string_view key);

class Records {
 public:
  Records(LoopState& loop, TableModel& table, Socket& socket, Log& log);

  // Builds a record from `info` and queues it; a chat record takes its text from PendingChat.
  void SendCommand(const CommandInfo& info);
  // Queues a built record, stamping the caller's bytes 260..261 with ServerTag first.
  // False (and logged) when the ring has no room: unsent records are never overwritten.
  bool QueueRecord(RecordBytes& bytes);
  void ReleaseHeld();
  // Appends socket bytes; false when the ring overflowed (the caller ends the client).
  bool AppendReceived(std::span<const uint8_t> bytes);
  bool RecordWaiting() const { return ReceivedBytes() >= kRecordSize; }
  size_t ReceivedBytes() const { return (ReceiveWrite + kRingSize - ReceiveRead) % kRingSize; }
  size_t QueuedBytes() const { return (SendWrite + kRingSize - SendRead) % kRingSize; }
  // Takes the next record; call only when RecordWaiting().
  TakenRecord TakeRecord();
  void FlushOne();
  // The dispatcher's first act: follow the server's tag.
  void FollowServerTag();
  void ResetRings();
  // Command 16 and 18 manage the held-record slots.
  void ArmHeld();
  void ClearHeld();
  void SetReconnectKeyFromReceived();

  CommandInfo Rinfo;
  RecordBytes ReceivedRecord{};
  std::array<uint8_t, 2> ServerTag{};
  int32_t ReconnectKey = 0;
  RecordBytes LoginRecord{};
  std::string PendingChat;
  RecordBytes HeldRecord1{}, HeldRecord2{};
  bool Hold1Armed = false, Hold2Armed = false;
  uint32_t SendWrite = 0, SendRead = 0, ReceiveWrite = 0, ReceiveRead = 0;
  uint64_t refusedRecords = 0;

 private:
  bool Enqueue(const RecordBytes& bytes);

  LoopState& loop_;
  TableModel& table_;
  Socket& socket_;
  Log& log_;
  std::array<uint8_t, kRingSize> sendRing_{};
  std::array<uint8_t, kRingSize> receiveRing_{};
  RecordBytes privateCopy_{};
};

}  // namespace korvel
