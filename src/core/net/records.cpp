#include "net/records.h"

#include <algorithm>
#include <cstring>

#include "platform/gbk.h"

namespace korvel {

RecordBytes EncodeHeader(const CommandInfo& info) {
  RecordBytes r{};
  const auto command = static_cast<uint16_t>(info.command);
  r[rec::kCommandHigh] = static_cast<uint8_t>(command >> 8);
  r[rec::kCommand] = static_cast<uint8_t>(command & 0xFF);
  r[rec::kByte5] = info.byte5;
  r[rec::kSeat] = info.seat;
  r[rec::kByte7] = info.byte7;
  for (size_t k = 0; k < 4; ++k) {
    // Two's complement, high byte first; the caller's value is left as it was.
    const auto v = static_cast<uint16_t>(info.value[k]);
    r[rec::kValues + 2 * k] = static_cast<uint8_t>(v >> 8);
    r[rec::kValues + 2 * k + 1] = static_cast<uint8_t>(v & 0xFF);
  }
  return r;
}

CommandInfo DecodeHeader(const RecordBytes& r) {
  CommandInfo info;
  info.command = r[rec::kCommand];
  info.byte5 = r[rec::kByte5];
  info.seat = r[rec::kSeat] & 0x0F;
  info.byte7 = r[rec::kByte7];
  for (size_t k = 0; k < 4; ++k) {
    const uint8_t high = r[rec::kValues + 2 * k];
    const uint8_t low = r[rec::kValues + 2 * k + 1];
    // Only win reports carry 16-bit values; everything else is read as one byte.
    info.value[k] = info.command == kCmdWinReport
                        ? static_cast<int16_t>(static_cast<uint16_t>(high << 8 | low))
                        : static_cast<int16_t>(low);
  }
  return info;
}

LoginRecordResult BuildLoginRecord(std::string_view userId, std::string_view key) {
  LoginRecordResult result;
  auto ascii = [](std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; });
  };
  if (!ascii(userId) || !ascii(key)) {
    result.error = "the user id and the login key must be single-byte text";
    return result;
  }
  if (userId.size() > rec::kUserIdBytes) {
    result.error = "the user id is longer than 16 bytes";
    return result;
  }
  if (key.size() > rec::kLoginKeyBytes) {
    result.error = "the login key is longer than 240 bytes";
    return result;
  }
  result.record[rec::kCommand] = kCmdLogin;
  result.record[14] = 1;
  std::copy(userId.begin(), userId.end(), result.record.begin() + rec::kUserId);
  std::copy(key.begin(), key.end(), result.record.begin() + rec::kLoginKey);
  result.ok = true;
  return result;
}

namespace {

// Copies into a ring at `index`, wrapping where needed, and advances the index.
void CopyIn(std::array<uint8_t, kRingSize>& ring, uint32_t& index, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const size_t n = std::min<size_t>(bytes.size() - done, kRingSize - index);
    std::memcpy(ring.data() + index, bytes.data() + done, n);
    done += n;
    index = static_cast<uint32_t>((index + n) % kRingSize);
  }
}

// Copies one record out of a ring at `index` and advances the index.
void CopyOut(const std::array<uint8_t, kRingSize>& ring, uint32_t& index, RecordBytes& out) {
  const size_t first = std::min<size_t>(kRecordSize, kRingSize - index);
  std::memcpy(out.data(), ring.data() + index, first);
  std::memcpy(out.data() + first, ring.data(), kRecordSize - first);
  index = static_cast<uint32_t>((index + kRecordSize) % kRingSize);
}

}  // namespace

bool IsGameRecord(int command) {
  return command == kCmdDiscard || command == kCmdOperation || command == kCmdSettlement;
}

Records::Records(LoopState& loop, TableModel& table, Socket& socket, Log& log)
    : loop_(loop), table_(table), socket_(socket), log_(log) {}

void Records::SendCommand(const CommandInfo& info) {
  RecordBytes r = EncodeHeader(info);
  if (table_.state.Spectator && IsGameRecord(r[rec::kCommand])) {
    // A watcher only looks on: whatever its table shows, it never plays for the watched seat.
    log_.Write("a watcher sends no command " + std::to_string(r[rec::kCommand]));
    return;
  }
  if (r[rec::kCommand] == kCmdChat) {
    if (PendingChat.empty()) return;
    std::string_view text = Utf8Prefix(PendingChat, rec::kChatChars);
    std::string bytes = Utf8ToGbk(text);
    // 100 characters of at most two bytes each always fit the 200-byte field.
    const size_t n = std::min(bytes.size(), rec::kChatBytes);
    std::copy_n(bytes.begin(), n, r.begin() + rec::kChatText);
    PendingChat.clear();
  } else if (r[rec::kCommand] == kCmdOperation && table_.state.ReadyDeclared &&
             !table_.state.ReadyListSent) {
    table_.state.ReadyListSent = true;
    r[rec::kPayload] = 1;
  }
  QueueRecord(r);
}

bool Records::QueueRecord(RecordBytes& bytes) {
  bytes[rec::kServerTag] = ServerTag[0];
  bytes[rec::kServerTag + 1] = ServerTag[1];
  return Enqueue(bytes);
}

bool Records::Enqueue(const RecordBytes& bytes) {
  // The ring must never fill completely: equal indices mean empty.
  if (QueuedBytes() + kRecordSize >= kRingSize) {
    ++refusedRecords;
    log_.Write("send ring full: command " + std::to_string(bytes[rec::kCommand]) +
               " refused, unsent records kept");
    return false;
  }
  CopyIn(sendRing_, SendWrite, bytes);
  loop_.Arm(kStepFlush);
  return true;
}

void Records::ReleaseHeld() {
  auto release = [this](RecordBytes& held, bool armed) {
    if (held[rec::kCommand] != 0 && !armed) {
      held[rec::kSeat] = table_.players[0].seatMask;
      QueueRecord(held);
      held[rec::kCommand] = 0;
    }
  };
  release(HeldRecord1, Hold1Armed);
  release(HeldRecord2, Hold2Armed);
  Hold1Armed = false;
}

void Records::ArmHeld() {
  Hold1Armed = Hold2Armed = true;
  HeldRecord1.fill(0);
  HeldRecord2.fill(0);
}

void Records::ClearHeld() {
  Hold1Armed = Hold2Armed = false;
  HeldRecord1.fill(0);
  HeldRecord2.fill(0);
}

bool Records::AppendReceived(std::span<const uint8_t> bytes) {
  // The ring overflows when the write index would catch up with the read index.
  const size_t room = kRingSize - 1 - ReceivedBytes();
  const bool overflow = bytes.size() > room;
  CopyIn(receiveRing_, ReceiveWrite, overflow ? bytes.first(room + 1) : bytes);
  if (overflow) return false;
  loop_.Arm(kStepReceive);
  return true;
}

TakenRecord Records::TakeRecord() {
  TakenRecord taken;
  const uint32_t r = ReceiveRead;
  // Records start at multiples of 272 and 34816 is one, so the copy never wraps; the modulo
  // only guards against a server that sent a partial record.
  const uint8_t command = receiveRing_[(r + rec::kCommand) % kRingSize];
  const bool privateOnly = command == kCmdChat || command == kCmdPrivate29;
  RecordBytes& target = privateOnly ? privateCopy_ : ReceivedRecord;
  CopyOut(receiveRing_, ReceiveRead, target);
  Rinfo = DecodeHeader(target);

  if (command == kCmdSeatAnnounce) {
    // Seat bytes 8..15 name a fourth seat that a three-seat table does not have.
    const int seatIndex = SeatIndexOf(Rinfo.seat);
    if (seatIndex < kSeats) {
      const auto name = std::span(target).subspan(rec::kUserId, rec::kUserIdBytes);
      taken.extra = TakenRecord::Extra::SeatName;
      taken.seatIndex = seatIndex;
      taken.text = GbkToUtf8(name, /*stopAtZero=*/true);
    } else {
      log_.Write("seat announcement for seat byte " + std::to_string(Rinfo.seat) +
                 " left out: no such seat");
    }
  } else if (command == kCmdChat) {
    const uint32_t length = ReadBE32(target, rec::kPropLength);
    if (length == 272 || length == 260) {
      taken.extra = TakenRecord::Extra::PropMessage;
      taken.privateCopy = &privateCopy_;
    } else {
      // The text never reaches past its 200-byte field, even after a lone lead byte.
      taken.extra = TakenRecord::Extra::Chat;
      taken.text = GbkToUtf8(std::span(target).subspan(rec::kChatText, rec::kChatBytes), true);
    }
  } else if (command == kCmdPrivate29) {
    taken.privateCopy = &privateCopy_;
  }
  return taken;
}

void Records::FlushOne() {
  if (QueuedBytes() < kRecordSize || !socket_.IsConnected()) {
    loop_.LoopFlag[kStepFlush] = false;
    return;
  }
  RecordBytes out;
  CopyOut(sendRing_, SendRead, out);
  if (out[rec::kCommand] == kCmdProp) {
    const int v = ReadBE16(out, rec::kValues) / 8;
    if (Hold1Armed && v == 129) {
      Hold1Armed = false;
      HeldRecord1 = out;
      return;
    }
    if (!loop_.InDeal && Hold2Armed && v == 386) {
      Hold2Armed = false;
      HeldRecord2 = out;
      return;
    }
  }
  socket_.Send(out);
}

void Records::FollowServerTag() {
  if (ReceivedRecord[rec::kCommand] == kCmdPrivate29) return;
  ServerTag[0] = ReceivedRecord[rec::kServerTag];
  ServerTag[1] = ReceivedRecord[rec::kServerTag + 1];
}

void Records::ResetRings() { SendWrite = SendRead = ReceiveWrite = ReceiveRead = 0; }

void Records::SetReconnectKeyFromReceived() {
  ReconnectKey = static_cast<int32_t>(ReadLE32(ReceivedRecord, rec::kTrailer));
}

}  // namespace korvel
