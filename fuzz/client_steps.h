// The step language of the whole-client harness, shared with the program that records its seeds
// from real games. An input is one flags byte, then steps; each step starts with an opcode byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korvel::fuzz {

// Flags byte.
inline constexpr uint8_t kFlagWatcher = 1;  // the client is started to watch a table
inline constexpr uint8_t kFlagQuick = 2;    // quick mode (its own lobby title, short turn time)
inline constexpr uint8_t kFlagProxy = 4;    // through a SOCKS5 proxy with a user name
inline constexpr uint8_t kFlagProps = 8;    // props allowed (the component must be beside it)

// Opcodes. 0x01..0x7F deliver that many bytes from the server; the rest are listed here.
enum Op : uint8_t {
  kOpDeliver = 0x00,       // u16 little-endian length, then that many bytes from the server
  kOpTime = 0x80,          // u8 n: the clock moves (n + 1) * 10 ms
  kOpTick = 0x81,          // the clock moves one main-loop tick
  kOpTile = 0x82,          // u8: left press and release on tile element n % 72
  kOpOperation = 0x83,     // u8: click on operation button n % 6
  kOpGangChoice = 0x84,    // u8: click on gang choice n % 5
  kOpDecline = 0x85,       // right button up on the table
  kOpElement = 0x86,       // u8 form, u16 element, u8 how: any input on any element
  kOpKey = 0x87,           // u8 key, u8 shift: a key on the main form
  kOpLobby = 0x88,         // u8: one of the lobby's messages
  kOpPeerClose = 0x89,     // the server drops the connection
  kOpConnectFails = 0x8A,  // u8: the next connect fails (0: it succeeds again)
  kOpText = 0x8B,          // u8 n, then n bytes: typed into the chat box
  kOpRightTile = 0x8C,     // u8: right press and release on tile element n % 72
  kOpTimeLong = 0x8D,      // u8 n: the clock moves (n % 64 + 1) seconds
};

// The launch line the harness starts the client with.
inline std::string LaunchLine(uint8_t flags) {
  std::string line = "a$k$h$6000$Room$";
  line += flags & kFlagProxy ? "5$p$1080$u$pw$" : "0$$0$$$";
  line += flags & kFlagQuick ? "1$lobby$$" : "0$$$";
  line += flags & kFlagProps ? "1$7$" : "0$0$";
  if (flags & kFlagWatcher) line += "1000";
  return line;
}

class StepWriter {
 public:
  explicit StepWriter(uint8_t flags) { bytes.push_back(flags); }
  void Deliver(std::span<const uint8_t> data) {
    bytes.push_back(kOpDeliver);
    bytes.push_back(static_cast<uint8_t>(data.size()));
    bytes.push_back(static_cast<uint8_t>(data.size() >> 8));
    bytes.insert(bytes.end(), data.begin(), data.end());
  }
  void Op(Op op) { bytes.push_back(op); }
  void Op(enum Op op, uint8_t arg) {
    bytes.push_back(op);
    bytes.push_back(arg);
  }
  std::vector<uint8_t> bytes;
};

}  // namespace korvel::fuzz
