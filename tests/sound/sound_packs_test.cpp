// The generated packs must hold every file the client can ask for, each a playable WAV.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "platform/virtual_platform.h"
#include "sound/sound.h"
#include "sound/voice_clips.h"
#include "support/scratch_folder.h"

namespace korvel {
namespace {

constexpr uintmax_t kMaxBytes = 200 * 1024;

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// "" when the file is a sound the client can play, else what is wrong with it.
std::string WavProblem(const std::string& path) {
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) return "missing";
  if (size >= kMaxBytes) return "too large: " + std::to_string(size) + " bytes";
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
      std::string(b.begin() + 8, b.begin() + 12) != "WAVE") {
    return "no RIFF/WAVE header";
  }
  bool pcm = false;
  size_t at = 12;
  while (at + 8 <= b.size()) {
    const std::string id(b.begin() + at, b.begin() + at + 4);
    const uint32_t length = Le32(b, at + 4);
    if (length > b.size() - at - 8) return "chunk " + id + " runs past the end";
    if (id == "fmt " && length >= 16) pcm = (b[at + 8] | b[at + 9] << 8) == 1;
    if (id == "data") {
      if (!pcm) return "no PCM format chunk before the data";
      if (length == 0) return "empty data chunk";
      return "";
    }
    at += 8 + length + (length & 1);
  }
  return "no data chunk";
}

// Which tools the generator found missing; those parts of the packs were not made.
std::set<std::string> MissingTools() {
  std::set<std::string> tools;
  std::ifstream note(std::string(KORVEL_SHARE_DIR) + "/common/sound-tools-missing.txt");
  for (std::string line; std::getline(note, line);) {
    if (!line.empty()) tools.insert(line);
  }
  return tools;
}

class SoundPacksTest : public ::testing::Test {
 protected:
  SoundPacksTest() : sound(vp.sound, vp.files, seats) {}
  void SetUp() override {
#ifdef KORVEL_NO_SOUND_PACKS
    GTEST_SKIP() << "the build was configured without generated assets";
#endif
    // Build the paths as the installed client would: bin/ beside share/korvel/.
    vp.files.appDir = KORVEL_BIN_DIR;
    vp.files.userDir = userFiles.path();
    sound.Startup();
  }

  testing::ScratchFolder userFiles;
  VirtualPlatform vp;
  SeatVoices seats;
  Sound sound;
};

TEST_F(SoundPacksTest, EveryEffectIsThereAsASmallWav) {
  if (MissingTools().count("sox")) {
    GTEST_SKIP() << "sox is not installed; no effects were made";
  }
  for (int k = 1; k <= kEffects; ++k) {
    EXPECT_EQ(WavProblem(sound.EffectPath(k)), "") << sound.EffectPath(k);
  }
}

// Every voice the choice can give, in both languages, for every clip.
TEST_F(SoundPacksTest, EveryVoiceFileTheSeatsCanNameIsThereAsASmallWav) {
  if (MissingTools().count("espeak-ng")) {
    GTEST_SKIP() << "espeak-ng is not installed; no voice packs were made";
  }
  const std::vector<std::string> clips = AllVoiceClips();
  std::set<std::string> checked;
  auto checkSeat = [&](ViewPos v) {
    for (const std::string& clip : clips) {
      const std::string file = sound.VoiceFile(v, clip);
      ASSERT_FALSE(file.empty());
      if (checked.insert(file).second) {
        EXPECT_EQ(WavProblem(file), "") << file;
      }
    }
  };
  for (int gender : {0, 1}) {
    const int slots = gender == 0 ? 6 : 5;
    for (int slot = 0; slot < slots; ++slot) {
      // The local seat draws exactly this slot.
      seats[0] = {static_cast<uint8_t>(gender), "", "", 0};
      sound.SetRandomSource([=] { return (slot + 0.5) / slots; });
      sound.AssignVoices();
      checkSeat(0);
      sound.ToggleDialect();
      ASSERT_EQ(seats[0].voiceLang, kLangDialect);
      checkSeat(0);
    }
  }
  // Three female and two male sets in two languages.
  EXPECT_EQ(checked.size(), 2 * 5 * clips.size());
}

}  // namespace
}  // namespace korvel
