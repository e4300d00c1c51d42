// What the readers of session files need to know about the records the server sent: the commands
// they follow, where the fields they read are kept, and who sits at each seat mask.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <string>

#include "model/tiles.h"
#include "net/records.h"
#include "platform/gbk.h"

namespace korvel::recorded {

inline constexpr int kCmdDealResult = 9;
inline constexpr int kCmdPlayerInfo = 20;

// The seat byte of a player-information record about the receiver itself.
inline constexpr int kSeatSelf = 15;

// Where a player-information record keeps the nickname, the coins and the account.
inline constexpr size_t kNickname = 16, kNicknameBytes = 32;
inline constexpr size_t kCoins = 96;
inline constexpr size_t kAccount = 168, kAccountBytes = 16;

// Where a deal result keeps the size of the seat's coin change.
inline constexpr size_t kCoinChange = 16;

// The low byte of header value `k`: all most commands use of it.
inline uint8_t Low(const RecordBytes& r, int k) { return r[rec::kValues + 2 * k + 1]; }

inline uint64_t ReadLE64(const RecordBytes& r, size_t at) {
  uint64_t v = 0;
  for (int k = 7; k >= 0; --k) v = v << 8 | r[at + k];
  return v;
}

// GBK text up to its first zero, in UTF-8, with control characters made spaces so a line of
// output stays one line.
inline std::string PlainText(const RecordBytes& r, size_t from, size_t length) {
  std::string text = GbkToUtf8(std::span(r).subspan(from, length), /*stopAtZero=*/true);
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return text;
}

// Who sits at each seat mask, from the seat announcements seen so far, named by the nickname
// the table showed for the account.
class SeatNames {
 public:
  void Take(const RecordBytes& r) {
    if (r[rec::kCommand] == kCmdPlayerInfo) {
      const std::string account = PlainText(r, kAccount, kAccountBytes);
      const std::string nickname = PlainText(r, kNickname, kNicknameBytes);
      if (!account.empty() && !nickname.empty()) nicknames_[account] = nickname;
      return;
    }
    if (r[rec::kCommand] != kCmdSeatAnnounce) return;
    const int seat = SeatIndexOf(r[rec::kSeat] & 0x0F);
    if (seat >= kSeats) return;
    std::string name = PlainText(r, rec::kUserId, rec::kUserIdBytes);
    if (!name.empty()) accounts_[seat] = name;
  }
  // The account announced at `mask`; empty while none was, or for a mask that is no seat.
  std::string Account(int mask) const {
    const int seat = SeatIndexOf(mask & 0x0F);
    return seat < kSeats ? accounts_[seat] : std::string();
  }
  std::string Of(int mask) const {
    const int seat = SeatIndexOf(mask & 0x0F);
    if (seat < kSeats && !accounts_[seat].empty()) return Nickname(accounts_[seat]);
    return "seat " + std::to_string(seat + 1);
  }
  std::string Nickname(const std::string& account) const {
    const auto it = nicknames_.find(account);
    return it != nicknames_.end() ? it->second : account;
  }

 private:
  std::array<std::string, kSeats> accounts_;
  std::map<std::string, std::string> nicknames_;
};

}  // namespace korvel::recorded
