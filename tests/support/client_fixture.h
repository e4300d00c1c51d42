// A client started on VirtualPlatform with a direct launch line, and helpers to play the server.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/client.h"
#include "platform/virtual_platform.h"

namespace korvel::testing {

inline std::string LaunchLine(std::vector<std::string> fields) {
  std::string line;
  for (const auto& f : fields) line += f + "$";
  return line;
}

inline std::vector<std::string> DirectFields() {
  return {"a", "k", "h", "6000", "Room", "0", "", "0", "", "", "0", "", "", "0", "0"};
}

inline RecordBytes ServerRecord(int command, int seat = 0, std::vector<uint8_t> values = {}) {
  RecordBytes r{};
  r[3] = static_cast<uint8_t>(command);
  r[6] = static_cast<uint8_t>(seat);
  for (size_t k = 0; k < values.size() && k < 4; ++k) r[9 + 2 * k] = values[k];
  return r;
}

class ClientFixture : public ::testing::Test {
 protected:
  ClientFixture() : client(vp.platform()) { vp.lobby.windows.insert("Tesk山庄"); }

  // Runs start-up; false when the client ended.
  bool Start(std::vector<std::string> fields = DirectFields()) {
    try {
      client.Startup(LaunchLine(fields));
      return true;
    } catch (const ClientEnded&) {
      return false;
    }
  }
  // Moves virtual time on; returns the exit code if the client ended meanwhile, else -1.
  int Run(int64_t ms) {
    try {
      vp.timers.Advance(ms);
      return -1;
    } catch (const ClientEnded& ended) {
      return ended.code;
    }
  }
  void Deliver(const RecordBytes& record) { vp.socket.Deliver(record); }
  // The lobby sends `number`; returns the exit code if the client ended on it, else -1.
  int Ask(uint32_t number) {
    try {
      vp.lobby.DeliverToClient({number, 0, 0});
      return -1;
    } catch (const ClientEnded& e) {
      return e.code;
    }
  }
  // Starts, connects and logs in with `turnBits` in value(1).
  void LogIn(uint8_t turnBits = 0x08) {
    ASSERT_TRUE(Start());
    ASSERT_EQ(Run(200), -1);
    ASSERT_EQ(vp.socket.sent.size(), 1u) << "the login record";
    Deliver(ServerRecord(kCmdLogin, 0, {5, turnBits, 0, 1}));
    ASSERT_EQ(Run(100), -1);
    vp.socket.sent.clear();
    vp.socket.sentAt.clear();
  }
  std::vector<int> SentCommands() const {
    std::vector<int> commands;
    for (const auto& r : vp.socket.sent) commands.push_back(r.size() > 3 ? r[3] : -1);
    return commands;
  }

  VirtualPlatform vp;
  Client client;
};

}  // namespace korvel::testing
