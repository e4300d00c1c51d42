// A client started on the virtual platform from a folder of its own, for the harnesses that
// hand it a file to read.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/client.h"
#include "platform/virtual_platform.h"

namespace korvel::fuzz {

// This process's own folder for the client's files.
inline const std::string& ClientFolder() {
  static const std::string folder = [] {
    const std::string dir = "/tmp/korvel-fuzz-" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    return dir;
  }();
  return folder;
}

inline void WriteClientFile(const std::string& name, const uint8_t* data, size_t size) {
  std::ofstream(ClientFolder() + "/" + name, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Started and logged in; null when start-up ended the client.
struct StartedClient {
  StartedClient() : client(vp.platform()) {
    vp.lobby.windows.insert("Tesk山庄");
    vp.files.appDir = ClientFolder();
  }
  bool Start() {
    try {
      client.Startup("a$k$h$6000$Room$0$$0$$$0$$$0$0$");
      vp.timers.Advance(200);
      return true;
    } catch (const ClientEnded&) {
      return false;
    }
  }
  VirtualPlatform vp;
  Client client;
};

}  // namespace korvel::fuzz
