// A player on a real socket that logs in with the client core's login record and plays simply:
// it passes every claim and discards its newest tile. It keeps what the hall tests check: the
// login verdict, its own player information, and its deal results.
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "net/records.h"
#include "server/server_test_support.h"
#include "table/server_records.h"

namespace korvel::server::testing {

class ScriptedPlayer {
 public:
  ScriptedPlayer(uint16_t port, std::string account) : account_(std::move(account)) {
    fd_ = ConnectLoopback(port);
  }
  ~ScriptedPlayer() { Close(); }
  ScriptedPlayer(const ScriptedPlayer&) = delete;
  ScriptedPlayer& operator=(const ScriptedPlayer&) = delete;

  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  bool Login(const std::string& key) {
    const LoginRecordResult login = BuildLoginRecord(account_, key);
    if (!login.ok) return false;
    Send(login.record);
    return true;
  }
  // The leave notice: command 16 with no values.
  void Leave() {
    CommandInfo leave;
    leave.command = kCmdDealEnd;
    leave.seat = static_cast<uint8_t>(mask_);
    Send(EncodeHeader(leave));
  }
  void Poll() {
    if (fd_ < 0) return;
    uint8_t buf[8192];
    for (;;) {
      const ssize_t n = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
      if (n == 0) closedByServer = true;
      if (n <= 0) break;
      input_.insert(input_.end(), buf, buf + n);
    }
    std::vector<RecordBytes> records;
    TakeWholeRecords(input_, records);
    for (const RecordBytes& r : records) Handle(r);
  }

  int verdict = 0;  // value(3) of the login result
  bool closedByServer = false;
  int dealsDone = 0;
  int64_t coinsWon = 0;     // the sum of this seat's deal results
  int64_t shownCoins = -1;  // coins in the first player information about itself
  int32_t shownLogins = -1;
  int32_t shownWins = -1;
  std::vector<RecordBytes> received;

 private:
  void Send(RecordBytes r) {
    r[rec::kServerTag] = tag_[0];
    r[rec::kServerTag + 1] = tag_[1];
    size_t sent = 0;
    for (int tries = 0; sent < r.size() && tries < 1000 && fd_ >= 0; ++tries) {
      const ssize_t n = ::send(fd_, r.data() + sent, r.size() - sent, MSG_NOSIGNAL);
      if (n > 0) sent += static_cast<size_t>(n);
    }
  }
  void Handle(const RecordBytes& r) {
    received.push_back(r);
    tag_ = {r[rec::kServerTag], r[rec::kServerTag + 1]};
    const CommandInfo info = DecodeHeader(r);
    switch (info.command) {
      case kCmdLogin:
        verdict = info.value[3];
        break;
      case kCmdSeatAnnounce:
        if (std::string(reinterpret_cast<const char*>(&r[16])) == account_) mask_ = info.seat;
        break;
      case kCmdPlayerInfo:
        if (info.seat == kSeatByteSelf && shownCoins < 0) {
          shownCoins = static_cast<int64_t>(ReadLE32(r, 96));
          shownLogins = static_cast<int32_t>(ReadLE32(r, 152));
          shownWins = static_cast<int32_t>(ReadLE32(r, 160));
        }
        break;
      case kCmdDealStart:
        hand_.clear();
        break;
      case kCmdDealTiles:
      case kCmdDraw:
        if (info.seat != mask_) break;
        for (int k = info.command == kCmdDealTiles ? 0 : 3; k < 4; ++k) {
          const uint8_t tile = r[9 + 2 * k];
          if (!IsPlayTile(tile)) continue;
          hand_.push_back(tile);
          newest_ = tile;
        }
        break;
      case kCmdOptions:
        if (info.seat == mask_) Answer(r);
        break;
      case kCmdDealResult:
        if (info.seat == mask_) {
          const int64_t coins = static_cast<int64_t>(ReadLE32(r, 16));
          coinsWon += info.value[1] == 1 ? coins : -coins;
        }
        break;
      case kCmdDealEnd:
        if (info.value[3] == 0) ++dealsDone;
        if (info.value[3] == 2) {
          CommandInfo next;
          next.command = kCmdDealEnd;
          next.seat = static_cast<uint8_t>(mask_);
          next.value[3] = 1;
          Send(EncodeHeader(next));
        }
        break;
      default:
        break;
    }
  }
  void Answer(const RecordBytes& r) {
    if (r[9]) {
      CommandInfo pass;
      pass.command = kCmdOperation;
      pass.seat = static_cast<uint8_t>(mask_);
      pass.value[0] = OpPass;
      Send(EncodeHeader(pass));
    }
    if (hand_.size() % 3 != 2) return;
    auto it = std::find(hand_.begin(), hand_.end(), newest_);
    if (it == hand_.end()) it = hand_.end() - 1;
    const uint8_t tile = *it;
    hand_.erase(it);
    CommandInfo discard;
    discard.command = kCmdDiscard;
    discard.seat = static_cast<uint8_t>(mask_);
    discard.value[3] = static_cast<int16_t>(WireTile(tile, kDiscardMarker));
    Send(EncodeHeader(discard));
  }

  std::string account_;
  int fd_ = -1;
  std::vector<uint8_t> input_;
  std::array<uint8_t, 2> tag_{};
  int mask_ = 0;
  std::vector<uint8_t> hand_;
  uint8_t newest_ = 0;
};

}  // namespace korvel::server::testing
