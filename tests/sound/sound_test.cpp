#include "sound/sound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include "platform/virtual_platform.h"
#include "sound/voice_clips.h"

namespace korvel {
namespace {

const std::string kMusic = "/opt/korvel/bin/../share/korvel/common/music/";
const std::string kVoices = "/opt/korvel/bin/../share/korvel/common/mj/";

class SoundTest : public ::testing::Test {
 protected:
  SoundTest() : sound(vp.sound, vp.files, seats) {}

  // Seats of the given genders with whatever voice fields their records carried.
  void Seat(std::array<int, 3> genders) {
    for (int i = 0; i < kSeats; ++i) seats[i] = {static_cast<uint8_t>(genders[i]), "99", "99", 0};
  }
  void ConstantRandom(double x) {
    sound.SetRandomSource([x] { return x; });
  }

  VirtualPlatform vp;
  SeatVoices seats;
  Sound sound;
};

TEST_F(SoundTest, StartupPlaysTheBackgroundLoopUntilTheFirstEffectReplacesIt) {
  sound.Startup();
  EXPECT_TRUE(sound.SoundOn());
  EXPECT_TRUE(sound.MusicOn());
  EXPECT_TRUE(sound.SystemSoundOn());
  EXPECT_EQ(vp.sound.playing, kMusic + "majiang.wav");
  EXPECT_TRUE(vp.sound.looping);
  EXPECT_EQ(vp.sound.volume, 100);

  sound.PlayEffectIfOn(kEffectDiscard);
  EXPECT_EQ(vp.sound.playing, kMusic + "dapai.wav");
  EXPECT_FALSE(vp.sound.looping);
  sound.PlayEffectIfOn(kEffectDeal);
  sound.PlayEffectIfOn(kEffectTick);
  EXPECT_EQ(vp.sound.played,
            (std::vector<std::string>{kMusic + "majiang.wav", kMusic + "dapai.wav",
                                      kMusic + "qupai.wav", kMusic + "tishi.wav"}));
}

TEST_F(SoundTest, EffectPathsAndVoiceDirLieBesideTheExecutablesFolder) {
  const char* names[] = {"majiang", "dapai", "qupai", "xipai", "zhise", "tishi"};
  for (int k = 1; k <= kEffects; ++k) {
    EXPECT_EQ(sound.EffectPath(k), kMusic + names[k - 1] + ".wav");
  }
  EXPECT_EQ(sound.EffectPath(0), "");
  EXPECT_EQ(sound.EffectPath(7), "");
  EXPECT_EQ(sound.VoiceDir(), kVoices);
}

TEST_F(SoundTest, WithoutADeviceTheClientStaysSilentAndSoundGoesOff) {
  vp.sound.deviceAvailable = false;
  sound.Startup();
  EXPECT_FALSE(sound.SoundOn());
  EXPECT_TRUE(sound.MusicOn());
  sound.PlayEffectIfOn(kEffectDice);
  // Switched on again by hand, sounds are tried and still fail quietly.
  sound.ToggleSoundOn();
  sound.PlayEffectIfOn(kEffectDice);
  sound.PlayVoiceIfOn(0, "02");
  sound.ToggleMusic();
  sound.ToggleMusic();
  sound.Shutdown();
  EXPECT_TRUE(vp.sound.played.empty());
  EXPECT_TRUE(sound.SoundOn());
}

TEST_F(SoundTest, AMissingFileStopsTheOldSoundPlaysNothingAndChangesNothing) {
  vp.sound.existingFiles = {kMusic + "majiang.wav"};
  sound.Startup();
  ASSERT_EQ(vp.sound.playing, kMusic + "majiang.wav");
  vp.sound.volume = 55;
  sound.PlayEffect(kEffectShuffle);
  EXPECT_EQ(vp.sound.playing, "");
  EXPECT_EQ(vp.sound.volume, 55);  // no sound, so no volume set
  EXPECT_TRUE(sound.SoundOn());
  EXPECT_EQ(vp.sound.played.size(), 1u);
}

TEST_F(SoundTest, WithSoundOffTheTriggersPlayNothing) {
  sound.Startup();
  sound.ToggleSoundOn();
  vp.sound.played.clear();
  sound.PlayEffectIfOn(kEffectDiscard);
  sound.PlayVoiceIfOn(0, "09");
  EXPECT_TRUE(vp.sound.played.empty());
  EXPECT_EQ(vp.sound.playing, kMusic + "majiang.wav");  // the loop is the music switch's
}

TEST_F(SoundTest, VolumeLevelsMapOntoTheLinearPortAndStrayLevelsAreIgnored) {
  sound.Startup();
  sound.SetSoundVolume(0);
  EXPECT_EQ(vp.sound.volume, 3);  // 30 dB down
  sound.SetSoundVolume(2400);
  EXPECT_EQ(vp.sound.volume, 50);  // 6 dB down
  sound.SetSoundVolume(-1);
  sound.SetSoundVolume(3001);
  EXPECT_EQ(vp.sound.volume, 50);
}

TEST_F(SoundTest, TheRedDragonOfAMaleMandarinSetTenSeatSaysFifteen) {
  sound.Startup();
  seats[0] = {1, "00", "10", 3};
  sound.PlayVoiceIfOn(0, DiscardClip(0, kRedDragon, 0));
  EXPECT_EQ(vp.sound.playing, kVoices + "v00101315.wav");
  EXPECT_FALSE(vp.sound.looping);
  EXPECT_EQ(vp.sound.volume, 100);

  seats[1] = {1, "00", "20", 3};
  seats[2] = {0, "00", "10", 2};
  EXPECT_EQ(sound.VoiceFile(1, kClipPeng), kVoices + "v00201302.wav");
  EXPECT_EQ(sound.VoiceFile(2, kClipWin), kVoices + "v00100209.wav");
  // A gender outside 0 and 1 is written as its decimal number.
  seats[2].gender = 200;
  EXPECT_EQ(sound.VoiceFile(2, kClipWin), kVoices + "v0010200209.wav");
}

TEST_F(SoundTest, VoiceFileRefusesWhatCannotNameAFileInTheVoiceFolder) {
  seats[0] = {1, "00", "10", 3};
  EXPECT_EQ(sound.VoiceFile(-1, "02"), "");
  EXPECT_EQ(sound.VoiceFile(3, "02"), "");
  EXPECT_EQ(sound.VoiceFile(0, "2"), "");
  EXPECT_EQ(sound.VoiceFile(0, "/2"), "");
  EXPECT_EQ(sound.VoiceFile(0, "021"), "");
  for (const std::string& bad :
       std::vector<std::string>{"", "../", "0/", "123456789", std::string("0\0", 2)}) {
    seats[0].voiceLang = bad;
    EXPECT_EQ(sound.VoiceFile(0, "02"), "") << bad;
    seats[0].voiceLang = "00";
    seats[0].voiceSet = bad;
    EXPECT_EQ(sound.VoiceFile(0, "02"), "") << bad;
    seats[0].voiceSet = "10";
  }
  // Asked to say something it cannot name, the seat still cuts the old sound off.
  sound.Startup();
  seats[0].voiceLang = "..";
  sound.PlayVoice(0, "02");
  EXPECT_EQ(vp.sound.playing, "");
  EXPECT_EQ(vp.sound.played.size(), 1u);
}

TEST(VoiceClips, TileClipsSwapCharactersAndDotsAndRejectNonTiles) {
  EXPECT_EQ(TileClip(0x15), "15");
  EXPECT_EQ(TileClip(0x11), "11");
  EXPECT_EQ(TileClip(0x21), "21");
  EXPECT_EQ(TileClip(0x45), "85");
  EXPECT_EQ(TileClip(0x89), "49");
  for (int bad : {0x00, 0x10, 0x18, 0x19, 0x20, 0x2A, 0x30, 0x35, 0x5F, 0xC1, 0xF9, 0x09}) {
    EXPECT_EQ(TileClip(static_cast<TileCode>(bad)), "") << bad;
  }
}

TEST(VoiceClips, ADiscardWithAReadyMarkSaysReadyOnlyForAnotherSeat) {
  EXPECT_EQ(DiscardClip(1, 0x23, 1), "01");
  EXPECT_EQ(DiscardClip(2, 0x23, 2), "01");
  EXPECT_EQ(DiscardClip(2, 0x23, 3), "23");
  EXPECT_EQ(DiscardClip(1, 0x23, 0), "23");
  EXPECT_EQ(DiscardClip(0, 0x23, 1), "23");
  EXPECT_EQ(DiscardClip(0, 0x00, 0), "");
}

TEST(VoiceClips, OperationsSayTheirCall) {
  EXPECT_EQ(OperationClip(OpChi), "01");
  EXPECT_EQ(OperationClip(OpPeng), "02");
  EXPECT_EQ(OperationClip(OpGang), "03");
  EXPECT_EQ(OperationClip(OpAddedGang), "03");
  EXPECT_EQ(OperationClip(OpConcealedGang), "06");
  EXPECT_EQ(OperationClip(OpHu), "09");
  EXPECT_EQ(OperationClip(OpPass), "");
  EXPECT_EQ(OperationClip(OpReady), "");
}

TEST(VoiceClips, EveryPackHoldsFiveCallsAndThirtyFourDistinctTileNames) {
  const auto clips = AllVoiceClips();
  EXPECT_EQ(clips.size(), 39u);
  EXPECT_EQ(std::set<std::string>(clips.begin(), clips.end()).size(), clips.size());
}

TEST_F(SoundTest, ThreeFemaleSeatsGetThreeDifferentSlots) {
  Seat({0, 0, 0});
  ConstantRandom(0.0);
  sound.AssignVoices();
  EXPECT_EQ(seats[0].voiceSet, "10");
  EXPECT_EQ(seats[1].voiceSet, "20");
  EXPECT_EQ(seats[2].voiceSet, "30");
  for (const SeatVoice& s : seats) {
    EXPECT_EQ(s.voiceLang, "00");
    EXPECT_EQ(s.voiceKind, 2);
  }
  // Slot 3 first, then the lowest free ones: slots 0 and 3 share a set, but never a slot.
  ConstantRandom(0.5);
  sound.AssignVoices();
  EXPECT_EQ(sound.FemaleVoiceUsed(), (std::array<bool, 6>{true, true, false, true, false, false}));
  EXPECT_EQ(seats[0].voiceSet, "10");
  EXPECT_EQ(seats[1].voiceSet, "10");
  EXPECT_EQ(seats[2].voiceSet, "20");
}

TEST_F(SoundTest, ThreeMaleSeatsNeverRepeatASlotAndTheSixthIsNeverUsed) {
  Seat({1, 1, 1});
  ConstantRandom(0.99);
  sound.AssignVoices();
  EXPECT_EQ(sound.MaleVoiceUsed(), (std::array<bool, 6>{true, true, false, false, true, false}));
  EXPECT_EQ(seats[0].voiceSet, "20");
  EXPECT_EQ(seats[1].voiceSet, "10");
  EXPECT_EQ(seats[2].voiceSet, "20");
  for (int i = 0; i < kSeats; ++i) {
    EXPECT_EQ(seats[i].voiceKind, 3);
    EXPECT_EQ(sound.SavedVoiceSet(i), seats[i].voiceSet);
  }
  EXPECT_TRUE(std::none_of(sound.FemaleVoiceUsed().begin(), sound.FemaleVoiceUsed().end(),
                           [](bool b) { return b; }));
}

TEST_F(SoundTest, TheTimeSeededDrawAlwaysGivesDistinctSlots) {
  for (int round = 0; round < 200; ++round) {
    Seat({round % 2, 0, 1});
    sound.AssignVoices();
    const auto& f = sound.FemaleVoiceUsed();
    const auto& m = sound.MaleVoiceUsed();
    ASSERT_EQ(std::count(f.begin(), f.end(), true) + std::count(m.begin(), m.end(), true), 3);
    ASSERT_FALSE(m[5]);
  }
}

TEST_F(SoundTest, AStrayRandomSourceStillDrawsASlotInRange) {
  for (double x : {1.0, 7.5, -0.25, std::numeric_limits<double>::quiet_NaN(),
                   std::numeric_limits<double>::infinity()}) {
    Seat({0, 1, 0});
    ConstantRandom(x);
    sound.AssignVoices();
    EXPECT_EQ(std::count(sound.FemaleVoiceUsed().begin(), sound.FemaleVoiceUsed().end(), true), 2)
        << x;
    EXPECT_FALSE(sound.MaleVoiceUsed()[5]) << x;
    EXPECT_FALSE(seats[1].voiceSet.empty()) << x;
  }
}

TEST_F(SoundTest, OtherGendersKeepTheirReceivedVoiceAndSpeakAsKindThree) {
  seats[0] = {2, "27", "30", 0};
  seats[1] = {0, "27", "99", 0};
  seats[2] = {1, "", "", 0};
  ConstantRandom(0.0);
  sound.AssignVoices();
  EXPECT_EQ(seats[0].voiceLang, "27");
  EXPECT_EQ(seats[0].voiceSet, "30");
  EXPECT_EQ(seats[0].voiceKind, 3);
  EXPECT_EQ(sound.SavedVoiceSet(0), "30");
  EXPECT_EQ(sound.VoiceFile(0, "03"), kVoices + "v27302303.wav");
  EXPECT_EQ(seats[1].voiceLang, "00");
  EXPECT_EQ(seats[2].voiceSet, "10");
}

TEST_F(SoundTest, TheDialectAndBackKeepMaleSeatsOnTheirSlotAndFemaleSeatsUnchanged) {
  Seat({1, 0, 1});
  ConstantRandom(0.3);
  sound.AssignVoices();
  const SeatVoices assigned = seats;
  // A later record may rewrite a male seat's set; the dialect brings back the chosen one.
  seats[2].voiceSet = "30";

  ASSERT_TRUE(sound.LocalSeatMandarin());
  sound.ToggleDialect();
  for (int i = 0; i < kSeats; ++i) {
    EXPECT_EQ(seats[i].voiceLang, "27");
    EXPECT_EQ(seats[i].voiceSet, assigned[i].voiceSet);
  }
  EXPECT_EQ(sound.VoiceFile(1, "09"), kVoices + "v27" + assigned[1].voiceSet + "0209.wav");
  EXPECT_EQ(sound.VoiceDir(), kVoices);

  sound.ToggleDialect();
  EXPECT_EQ(seats, assigned);

  // Before any choice, the dialect leaves the received sets alone.
  SeatVoices fresh;
  Sound other(vp.sound, vp.files, fresh);
  fresh[0] = {1, "00", "20", 0};
  other.ToggleDialect();
  EXPECT_EQ(fresh[0].voiceSet, "20");
  EXPECT_EQ(fresh[0].voiceLang, "27");
}

}  // namespace
}  // namespace korvel
