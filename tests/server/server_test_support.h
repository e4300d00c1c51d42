// Shorthands for the server tests: tiles written as "b1 b2 d9", hands built from them, walls
// arranged so a deal goes exactly where a test needs it, and a link that records what a seat
// receives.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/records.h"
#include "rules/hand.h"
#include "rules/wall.h"
#include "table/table.h"

namespace korvel::server::testing {

// A non-blocking TCP socket to 127.0.0.1:`port`; the connection completes in the background.
inline int ConnectLoopback(uint16_t port, int extraFlags = 0) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | extraFlags, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  return fd;
}

// Moves every whole record at the front of `input` to `out`, leaving a partial one behind.
inline void TakeWholeRecords(std::vector<uint8_t>& input, std::vector<RecordBytes>& out) {
  while (input.size() >= kRecordSize) {
    RecordBytes r;
    std::copy_n(input.begin(), kRecordSize, r.begin());
    input.erase(input.begin(), input.begin() + kRecordSize);
    out.push_back(r);
  }
}

inline std::vector<TileCode> Tiles(std::string_view text) {
  std::vector<TileCode> out;
  for (size_t i = 0; i + 1 < text.size();) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    const int suit = text[i] == 'b' ? kSuitBamboo : kSuitDots;
    out.push_back(static_cast<TileCode>(suit << 4 | (text[i + 1] - '0')));
    i += 2;
  }
  return out;
}

inline Hand HandOf(std::string_view text) {
  Hand h;
  for (TileCode t : Tiles(text)) h.Add(t);
  return h;
}

inline TileCounts CountsOf(std::string_view text) { return HandOf(text).concealed; }

// A wall that deals `hands` (the dealer's 14 tiles, the others' 13) in the server's dealing
// order, then offers `draws` from the front and `replacements` from the far end; every other
// tile fills the middle.
inline WallTiles ScriptWall(int dealer, const std::array<std::string, 3>& hands,
                            std::string_view draws = "", std::string_view replacements = "") {
  WallTiles wall{};
  std::array<bool, kWallTiles> set{};
  TileCounts used{};
  auto put = [&](int at, TileCode t) {
    wall[at] = t;
    set[at] = true;
    ++used[KindOf(t)];
  };
  std::array<std::vector<TileCode>, 3> h;
  for (int s = 0; s < 3; ++s) h[s] = Tiles(hands[s]);
  EXPECT_EQ(h[dealer].size(), 14u);
  EXPECT_EQ(h[(dealer + 1) % 3].size(), 13u);
  EXPECT_EQ(h[(dealer + 2) % 3].size(), 13u);
  for (int round = 0; round < 3; ++round)
    for (int k = 0; k < 3; ++k)
      for (int i = 0; i < 4; ++i) put((round * 3 + k) * 4 + i, h[(dealer + k) % 3][round * 4 + i]);
  for (int k = 0; k < 3; ++k) put(36 + k, h[(dealer + k) % 3][12]);
  put(39, h[dealer][13]);
  int at = 40;
  for (TileCode t : Tiles(draws)) put(at++, t);
  int back = kWallTiles - 1;
  for (TileCode t : Tiles(replacements)) put(back--, t);
  std::vector<TileCode> rest;
  for (int kind = 0; kind < kKinds; ++kind) {
    EXPECT_LE(used[kind], kCopies) << TileName(TileOf(kind)) << " used too often";
    for (int c = used[kind]; c < kCopies; ++c) rest.push_back(TileOf(kind));
  }
  size_t next = 0;
  for (int i = 0; i < kWallTiles; ++i)
    if (!set[i] && next < rest.size()) wall[i] = rest[next++];
  EXPECT_TRUE(IsCompleteSet(wall));
  return wall;
}

// Records what a human seat receives, with tags numbered from 1 as a connection would.
class RecordingLink : public SeatLink {
 public:
  uint16_t Deliver(RecordBytes& record) override {
    ++tag;
    record[rec::kServerTag] = static_cast<uint8_t>(tag >> 8);
    record[rec::kServerTag + 1] = static_cast<uint8_t>(tag);
    received.push_back(record);
    return tag;
  }
  void Close(std::string_view reason) override { closedFor = std::string(reason); }

  std::vector<RecordBytes> OfCommand(int command) const {
    std::vector<RecordBytes> out;
    for (const auto& r : received)
      if (r[rec::kCommand] == command) out.push_back(r);
    return out;
  }

  std::vector<RecordBytes> received;
  uint16_t tag = 0;
  std::string closedFor;
};

class CollectingListener : public TableListener {
 public:
  void Log(std::string_view line) override { lines.emplace_back(line); }
  void WinFinished(int, const WinEvent& ev) override { wins.push_back(ev); }
  void DealFinished(int, const DealOutcome& out) override { deals.push_back(out); }
  std::vector<std::string> lines;
  std::vector<WinEvent> wins;
  std::vector<DealOutcome> deals;
};

}  // namespace korvel::server::testing
