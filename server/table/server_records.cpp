#include "table/server_records.h"

#include <algorithm>

#include "platform/gbk.h"

namespace korvel::server {

namespace {

uint8_t MaskOfSeat(int seat) { return static_cast<uint8_t>(1 << (seat % kSeatCount)); }

RecordBytes Header(int command, uint8_t seat, int v0 = 0, int v1 = 0, int v2 = 0, int v3 = 0) {
  CommandInfo info;
  info.command = static_cast<int16_t>(command);
  info.seat = seat;
  info.value = {static_cast<int16_t>(v0), static_cast<int16_t>(v1), static_cast<int16_t>(v2),
                static_cast<int16_t>(v3)};
  return EncodeHeader(info);
}

void WriteBytes(RecordBytes& r, size_t at, size_t maxBytes, std::string_view bytes) {
  const size_t n = std::min(bytes.size(), maxBytes);
  std::copy_n(bytes.begin(), n, r.begin() + static_cast<std::ptrdiff_t>(at));
}

void WriteLE64(RecordBytes& r, size_t at, uint64_t v) {
  for (int k = 0; k < 8; ++k) r[at + k] = static_cast<uint8_t>(v >> (8 * k));
}

void WriteBE16(RecordBytes& r, size_t at, uint16_t v) {
  r[at] = static_cast<uint8_t>(v >> 8);
  r[at + 1] = static_cast<uint8_t>(v);
}

uint64_t Magnitude(int64_t v) {
  return v < 0 ? static_cast<uint64_t>(0) - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
}

uint16_t Magnitude16(int v) {
  return static_cast<uint16_t>(std::min<uint64_t>(Magnitude(v), 0xFFFF));
}

// Mixed single- and double-byte text that must not end in half a character.
void WriteGbkText(RecordBytes& r, size_t at, size_t maxBytes, std::string_view utf8) {
  const std::string gbk = Utf8ToGbk(utf8);
  size_t n = 0;
  while (n < gbk.size()) {
    const size_t width = static_cast<uint8_t>(gbk[n]) >= 0x80 ? 2 : 1;
    if (n + width > maxBytes || n + width > gbk.size()) break;
    n += width;
  }
  WriteBytes(r, at, n, gbk);
}

}  // namespace

void WriteDoubleByteText(RecordBytes& r, size_t at, size_t maxBytes, std::string_view utf8) {
  const std::string gbk = Utf8ToGbk(utf8);
  size_t out = 0;
  for (size_t i = 0; i < gbk.size();) {
    if (static_cast<uint8_t>(gbk[i]) < 0x80) {
      ++i;
      continue;
    }
    if (i + 1 >= gbk.size() || out + 2 > maxBytes) break;
    r[at + out] = static_cast<uint8_t>(gbk[i]);
    r[at + out + 1] = static_cast<uint8_t>(gbk[i + 1]);
    out += 2;
    i += 2;
  }
}

RecordBytes LoginResultRecord(LoginVerdict verdict, int turnSeconds, int timeoutLimit) {
  return Header(kCmdLogin, 0, std::clamp(timeoutLimit, 0, 255), std::clamp(turnSeconds, 1, 15), 0,
                static_cast<int>(verdict));
}

RecordBytes SeatRecord(int seat, std::string_view account) {
  RecordBytes r = Header(kCmdSeatAnnounce, MaskOfSeat(seat));
  WriteBytes(r, rec::kUserId, rec::kUserIdBytes, account);
  return r;
}

RecordBytes PlayerInfoRecord(uint8_t seatByte, const PlayerProfile& p, bool ready, bool props) {
  RecordBytes r = Header(kCmdPlayerInfo, seatByte);
  WriteGbkText(r, 16, 31, p.nickname);  // 16..47 with room for a final zero
  WriteBytes(r, 48, 15, p.avatar);
  r[64] = p.gender;
  WriteDoubleByteText(r, 72, 8, p.location);
  WriteLE64(r, 80, static_cast<uint64_t>(std::max<int64_t>(p.points, 0)));
  WriteLE64(r, 88, static_cast<uint64_t>(std::max<int64_t>(p.credit, 0)));
  WriteLE64(r, 96, static_cast<uint64_t>(std::max<int64_t>(p.coins, 0)));
  WriteDoubleByteText(r, 112, 16, p.title);
  WriteLE32(r, 152, static_cast<uint32_t>(std::max(p.logins, 0)));
  WriteLE32(r, 156, static_cast<uint32_t>(std::max(p.disconnects, 0)));
  WriteLE32(r, 160, static_cast<uint32_t>(std::max(p.wins, 0)));
  WriteLE32(r, 164, static_cast<uint32_t>(std::max(p.losses, 0)));
  WriteBytes(r, 168, 16, p.account);
  r[208] = ready ? 1 : 0;
  WriteBytes(r, 210, 7, "00");  // voice language; the client assigns the voices itself
  WriteBytes(r, 218, 7, "10");
  r[255] = props ? 0 : 1;  // nonzero keeps the client's prop component off
  return r;
}

RecordBytes ReadyMarkRecord(std::string_view account) {
  RecordBytes r = Header(kCmdReadyMark, 0, 0, 0, 0, 1);
  WriteBytes(r, 16, 16, account);
  return r;
}

RecordBytes PlayerLeftRecord(std::string_view account) {
  RecordBytes r = Header(kCmdPlayerLeft, 0);
  WriteBytes(r, 16, 15, account);
  return r;
}

RecordBytes DealStartRecord(int dealer, int die1, int die2) {
  return Header(kCmdDealStart, MaskOfSeat(dealer), die1, die2);
}

RecordBytes TilesRecord(int seat, std::span<const TileCode> tiles) {
  if (tiles.size() == 4)
    return Header(kCmdDealTiles, MaskOfSeat(seat), tiles[0], tiles[1], tiles[2], tiles[3]);
  return Header(kCmdDraw, MaskOfSeat(seat), 0, 0, 0, tiles.empty() ? 0 : tiles[0]);
}

RecordBytes OptionsRecord(int seat, const Offer* offer, int seconds) {
  RecordBytes r = Header(kCmdOptions, MaskOfSeat(seat), offer ? offer->bits : 0);
  r[100] = static_cast<uint8_t>(std::clamp(seconds, 0, 255));
  if (!offer) return r;
  if (offer->readyOffered) {
    r[16] = 1;
    for (uint8_t i = 0; i < offer->readyDiscards.size && i < 14; ++i)
      r[20 + i] = offer->readyDiscards[i];
  }
  // The concealed-gang list starts inside the header values (offset 13) and may not reach the
  // ready flag at 16; a hand never holds more than three of them.
  const uint8_t concealed = std::min<uint8_t>(offer->concealedGangs.size, 3);
  for (uint8_t i = 0; i < concealed; ++i) r[13 + i] = offer->concealedGangs[i];
  r[36] = concealed;
  const uint8_t added = std::min<uint8_t>(offer->addedGangs.size, 4);
  for (uint8_t i = 0; i < added; ++i) r[47 + i] = offer->addedGangs[i];
  r[46] = added;
  return r;
}

RecordBytes DiscardRecord(int seat, TileCode tile, bool declaresReady, int concealedLeft) {
  RecordBytes r = Header(kCmdDiscard, MaskOfSeat(seat), 0, 0, 0, tile);
  r[16] = declaresReady ? 1 : 0;
  r[17] = static_cast<uint8_t>(std::clamp(concealedLeft, 0, 255));
  return r;
}

RecordBytes OperationRecord(int seat, OpCode op, TileCode tile, bool declaresReady,
                            TileCode winTile, std::array<uint8_t, 2> winnerMasks) {
  RecordBytes r = Header(kCmdOperation, MaskOfSeat(seat), op, tile, tile, tile);
  r[16] = declaresReady ? 1 : 0;
  r[17] = winTile;
  r[18] = winnerMasks[0];
  r[19] = winnerMasks[1];
  return r;
}

RecordBytes RevealRecord(int seat, std::span<const TileCode> tiles) {
  std::array<int, 4> v{};
  for (size_t i = 0; i < tiles.size() && i < 4; ++i) v[3 - i] = tiles[i];
  return Header(kCmdReveal, MaskOfSeat(seat), v[0], v[1], v[2], v[3]);
}

RecordBytes WinReportRecord(int seat, const WinReport& w) {
  // Offset 13 is the low byte of value(2): 0 marks the deal amount as a loss.
  RecordBytes r = Header(kCmdWinReport, MaskOfSeat(seat), 0, 0, w.dealAmount >= 0 ? 1 : 0);
  WriteLE64(r, 16, Magnitude(w.dealAmount));
  WriteBE16(r, 86, Magnitude16(w.score));
  WriteBE16(r, 88, Magnitude16(w.score));
  std::copy(w.fan.bytes.begin(), w.fan.bytes.end(), r.begin() + 94);
  r[98] = w.checkReady ? 1 : 0;
  r[99] = w.checkNotReady ? 1 : 0;
  std::copy(w.readyFan.bytes.begin(), w.readyFan.bytes.end(), r.begin() + 100);
  r[106] = static_cast<uint8_t>(w.baseStake >> 24);
  r[107] = static_cast<uint8_t>(w.baseStake >> 16);
  r[108] = static_cast<uint8_t>(w.baseStake >> 8);
  r[109] = static_cast<uint8_t>(w.baseStake);
  r[111] = w.checkAmount >= 0 ? 1 : 0;
  const uint16_t check = Magnitude16(w.checkAmount);
  r[112] = static_cast<uint8_t>(check);
  r[113] = static_cast<uint8_t>(check >> 8);
  // Item pairs (index = item + 1): score signs, discarder, self-drawn winner, coins.
  const uint8_t scoreSign = w.score > 0 ? 1 : 0;
  const std::array<std::array<uint8_t, 2>, 5> items = {
      {{2, scoreSign},
       {6, scoreSign},
       {7, w.discarder ? uint8_t{1} : uint8_t{0}},
       {11, w.selfDrawnWinner ? uint8_t{1} : uint8_t{0}},
       {14, 1}}};
  size_t at = 116;
  for (const auto& item : items) {
    r[at] = item[0];
    r[at + 1] = item[1];
    at += 2;
  }
  return r;
}

RecordBytes DealResultRecord(int seat, const DealResult& d, std::string_view titleUtf8) {
  const int sign = d.coins >= 0 ? 1 : 0;
  RecordBytes r = Header(kCmdDealResult, MaskOfSeat(seat), 0, sign);
  WriteLE64(r, 16, Magnitude(d.coins));
  r[24] = d.capped ? 1 : 0;
  r[25] = d.subtotal >= 0 ? 1 : 0;
  WriteLE64(r, 26, Magnitude(d.subtotal));
  r[34] = static_cast<uint8_t>(std::clamp(d.feePercent, 0, 100));
  WriteDoubleByteText(r, 44, 16, titleUtf8);
  // The client reads the fee label from a result that is not a loss; one byte stays 0.
  WriteGbkText(r, 61, 19, d.feeTextUtf8);
  return r;
}

RecordBytes DealEndRecord() {
  // value(2) = 1 leaves the client's wealth display alone; value(1) = 0: no seat shuffle.
  return Header(kCmdDealEnd, kAllSeats, 0, 0, 1, 0);
}

RecordBytes NextDealerRecord(int dealer, uint32_t reconnectKey) {
  RecordBytes r = Header(kCmdDealEnd, MaskOfSeat(dealer), 0, 0, 1, 2);
  WriteLE32(r, rec::kTrailer, reconnectKey & 0x7FFFFFFF);
  return r;
}

RecordBytes GameOverRecord(uint8_t remainingMask) {
  return Header(kCmdDealEnd, remainingMask, 0, 0, 1, 1);
}

RecordBytes CoinsShortRecord(uint8_t remainingMask, uint8_t changeRoomMask) {
  return Header(kCmdDealEnd, remainingMask, 0, changeRoomMask, 1, 3);
}

RecordBytes ChatRecord(int senderSeat, const RecordBytes& received) {
  const CommandInfo in = DecodeHeader(received);
  RecordBytes r = Header(kCmdChat, MaskOfSeat(senderSeat), in.value[0] & 0xFF, in.value[1] & 0xFF,
                         0, in.value[3] & 0xFF);
  std::copy_n(received.begin() + rec::kChatText, rec::kChatBytes, r.begin() + rec::kChatText);
  // Always end the text inside its field, so no reader runs past it.
  r[rec::kChatText + rec::kChatBytes - 1] = 0;
  return r;
}

RecordBytes PropScoreRecord() { return Header(kCmdPropScore, kAllSeats); }

RecordBytes RelayedPropRecord(int senderSeat, const RecordBytes& received) {
  RecordBytes r = received;
  r[2] = 0;
  r[rec::kSeat] = MaskOfSeat(senderSeat);
  // The tags and the key trailer are the server's own.
  std::fill(r.begin() + rec::kServerTag, r.end(), 0);
  return r;
}

RecordBytes ReconnectResultRecord(bool accepted) {
  return Header(kCmdPrivate29, 0, 0, 0, 0, accepted ? 1 : 2);
}

int WallEndCounter(int takenFromBack) {
  const int b = std::clamp(takenFromBack, 0, 71);
  return b % 2 == 0 ? 71 - b : (77 - b) % 72;
}

RecordBytes RestoreRecord(int seat, int discards, int takenFront, int wallEndCounter,
                          std::span<const RestoreEntry> entries) {
  RecordBytes r = Header(kCmdRestore, MaskOfSeat(seat), std::clamp(takenFront, 0, 255), 0,
                         std::clamp(wallEndCounter, 0, 255), 0);
  r[7] = static_cast<uint8_t>(std::clamp(discards, 0, 255));
  const size_t n = std::min(entries.size(), kRestoreEntries);
  for (size_t k = 0; k < n; ++k) {
    r[16 + 2 * k] = entries[k].kind;
    r[17 + 2 * k] = entries[k].tile;
  }
  return r;
}

}  // namespace korvel::server
