// The sound module is loaded only where a sound server may listen, and once loaded it hands the
// client a voice or nothing, never a broken one.
#include "sound_voice.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "qt_app.h"
#include "qt_platform.h"

namespace korvel {
namespace {

// A made-up environment and file system.
struct World {
  std::map<std::string, std::string> env;
  std::set<std::string> sockets;
  bool MayListen() const {
    return SoundServerMayListen(
        [this](const char* name) -> const char* {
          auto it = env.find(name);
          return it == env.end() ? nullptr : it->second.c_str();
        },
        [this](const std::string& path) { return sockets.count(path) > 0; });
  }
};

TEST(SoundServer, NoServerAnywhereMeansNoModule) {
  World world;
  EXPECT_FALSE(world.MayListen());
  world.env["XDG_RUNTIME_DIR"] = "/run/user/1000";
  world.env["PULSE_SERVER"] = "";                 // set but empty is not a server
  world.sockets.insert("/run/user/1000/native");  // not where the server puts it
  world.sockets.insert("/run/user/1000/pulse");
  EXPECT_FALSE(world.MayListen());
}

TEST(SoundServer, EachPlaceAServerListensIsFound) {
  {
    World world;
    world.env["PULSE_SERVER"] = "tcp:10.0.0.2";
    EXPECT_TRUE(world.MayListen());
  }
  {
    World world;
    world.env["XDG_RUNTIME_DIR"] = "/run/user/1000";
    world.sockets.insert("/run/user/1000/pulse/native");
    EXPECT_TRUE(world.MayListen());
  }
  {
    World world;
    world.env["XDG_RUNTIME_DIR"] = "/run/user/1000";
    world.env["PULSE_RUNTIME_PATH"] = "/tmp/pulse-x";
    world.sockets.insert("/tmp/pulse-x/native");
    EXPECT_TRUE(world.MayListen());
  }
  for (const char* system : {"/run/pulse/native", "/var/run/pulse/native"}) {
    World world;
    world.sockets.insert(system);
    EXPECT_TRUE(world.MayListen()) << system;
  }
}

class SocketFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/korvel-sound-test-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    base = folder;
  }
  void TearDown() override { std::filesystem::remove_all(base); }
  std::string base;
};

TEST_F(SocketFolder, OnlyASocketCounts) {
  const std::string file = base + "/file", socketPath = base + "/socket";
  std::ofstream(file) << "not a server";
  EXPECT_FALSE(PathIsSocket(file));
  EXPECT_FALSE(PathIsSocket(base));
  EXPECT_FALSE(PathIsSocket(base + "/nothing"));
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof(address.sun_path));
  socketPath.copy(address.sun_path, socketPath.size());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  EXPECT_TRUE(PathIsSocket(socketPath));
  close(fd);
}

// Restores one environment variable when the test ends.
class EnvironmentVariable {
 public:
  EnvironmentVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~EnvironmentVariable() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST_F(SocketFolder, WithoutAServerTheClientStaysSilentWithoutTheModule) {
  TestApp();
  EnvironmentVariable server("PULSE_SERVER", nullptr), runtime("PULSE_RUNTIME_PATH", nullptr),
      xdg("XDG_RUNTIME_DIR", base.c_str());
  if (PathIsSocket("/run/pulse/native") || PathIsSocket("/var/run/pulse/native")) {
    GTEST_SKIP() << "a system-wide sound server is running here";
  }
  QtSound sound;
  sound.SetVolume(40);
  EXPECT_FALSE(sound.Init());
  const std::string wave = base + "/click.wav";
  std::ofstream(wave) << "RIFF";
  EXPECT_FALSE(sound.Play(wave, false));
  sound.Stop();
  // Nothing of Qt Multimedia came in to answer.
  EXPECT_EQ(dlopen("libQt6Multimedia.so.6", RTLD_NOW | RTLD_NOLOAD), nullptr);
}

TEST(SoundModule, OpensAVoiceOrNothing) {
  TestApp();
  void* handle = dlopen(KORVEL_SOUND_MODULE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  const auto open = reinterpret_cast<OpenSoundVoiceFunction>(dlsym(handle, kOpenSoundVoiceSymbol));
  ASSERT_NE(open, nullptr);
  std::unique_ptr<SoundVoice> voice(open());
  if (voice) {  // a machine with a sound output
    voice->SetVolume(0);
    voice->Stop();
  }
}

TEST(SoundModule, SitsWhereTheClientLooksForIt) {
  const std::filesystem::path expected =
      std::filesystem::path(KORVEL_BIN_DIR).string() + kSoundModuleFromApp;
  EXPECT_TRUE(std::filesystem::equivalent(expected, KORVEL_SOUND_MODULE));
}

}  // namespace
}  // namespace korvel
