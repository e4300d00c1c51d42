#include "sound/vos_set.h"

#include <gtest/gtest.h>

#include "platform/virtual_platform.h"

namespace korvel {
namespace {

const std::string kLoop = "/opt/korvel/bin/../share/korvel/common/music/majiang.wav";

class VosSetTest : public ::testing::Test {
 protected:
  VosSetTest() : sound(vp.sound, vp.files, seats), dialog(sound) {
    seats[0] = {1, "00", "10", 3};
    seats[1] = {0, "00", "20", 2};
    seats[2] = {0, "00", "30", 2};
    dialog.SetSoundSwitchHook([this](bool on) { told.push_back(on); });
  }

  VirtualPlatform vp;
  SeatVoices seats;
  Sound sound;
  VosSet dialog;
  std::vector<bool> told;
};

TEST_F(VosSetTest, CancelAfterOnePressTogglesTheMusicBack) {
  sound.Startup();
  dialog.Show();
  dialog.PressRow(VosSet::kRowMusic);
  EXPECT_FALSE(sound.MusicOn());
  EXPECT_EQ(vp.sound.playing, "");
  EXPECT_EQ(dialog.RowPicture(VosSet::kRowMusic), VosSet::kPictureSwitchOn);
  EXPECT_TRUE(dialog.SettingChanged(VosSet::kRowMusic));

  dialog.Cancel();
  EXPECT_FALSE(dialog.Shown());
  EXPECT_TRUE(sound.MusicOn());
  EXPECT_EQ(vp.sound.playing, kLoop);
  EXPECT_TRUE(vp.sound.looping);
  EXPECT_EQ(vp.sound.played.size(), 2u);
  EXPECT_EQ(dialog.RowPicture(VosSet::kRowMusic), VosSet::kPictureSwitchOff);
  EXPECT_FALSE(dialog.SettingChanged(VosSet::kRowMusic));
}

TEST_F(VosSetTest, CancelAfterTwoPressesDoesNothingMore) {
  sound.Startup();
  sound.PlayEffect(kEffectDiscard);  // the loop is gone until the switch brings it back
  dialog.Show();
  dialog.PressRow(VosSet::kRowMusic);
  dialog.PressRow(VosSet::kRowMusic);
  EXPECT_TRUE(sound.MusicOn());
  EXPECT_EQ(vp.sound.playing, kLoop);
  EXPECT_FALSE(dialog.SettingChanged(VosSet::kRowMusic));
  const size_t before = vp.sound.played.size();
  dialog.Cancel();
  EXPECT_EQ(vp.sound.played.size(), before);
  EXPECT_EQ(vp.sound.playing, kLoop);
  EXPECT_TRUE(sound.MusicOn());
}

TEST_F(VosSetTest, TheSoundRowTellsTheHookWhenPressedButNotWhenCancelUndoesIt) {
  sound.Startup();
  dialog.Show();
  EXPECT_EQ(dialog.RowPicture(VosSet::kRowSoundOn), VosSet::kPictureSwitchOff);
  dialog.PressRow(VosSet::kRowSoundOn);
  EXPECT_FALSE(sound.SoundOn());
  EXPECT_EQ(dialog.RowPicture(VosSet::kRowSoundOn), VosSet::kPictureSwitchOn);
  dialog.PressRow(VosSet::kRowSystemSound);
  EXPECT_FALSE(sound.SystemSoundOn());
  dialog.Cancel();
  EXPECT_TRUE(sound.SoundOn());
  EXPECT_TRUE(sound.SystemSoundOn());
  EXPECT_EQ(told, (std::vector<bool>{false}));
}

TEST_F(VosSetTest, TheDialectRowSwitchesEverySeatAndCancelSwitchesBack) {
  dialog.Show();
  EXPECT_EQ(dialog.RowPicture(VosSet::kRowDialect), VosSet::kPictureMandarin);
  dialog.PressRow(VosSet::kRowDialect);
  for (const SeatVoice& s : seats) EXPECT_EQ(s.voiceLang, "27");
  EXPECT_EQ(dialog.RowPicture(VosSet::kRowDialect), VosSet::kPictureDialect);
  dialog.Cancel();
  for (const SeatVoice& s : seats) EXPECT_EQ(s.voiceLang, "00");

  // OK keeps it; the next cancel only undoes what was pressed after reopening.
  dialog.Show();
  dialog.PressRow(VosSet::kRowDialect);
  dialog.Ok();
  dialog.Show();
  dialog.Cancel();
  EXPECT_EQ(seats[0].voiceLang, "27");
}

TEST_F(VosSetTest, EveryWayOutEndsTheSessionAndHiddenButtonsDoNothing) {
  sound.Startup();
  dialog.PressRow(VosSet::kRowMusic);  // not shown yet
  EXPECT_TRUE(sound.MusicOn());

  dialog.ToggleShown();
  ASSERT_TRUE(dialog.Shown());
  dialog.PressRow(VosSet::kRowSystemSound);
  dialog.PressRow(4);
  dialog.PressRow(-1);
  dialog.ToggleShown();  // the settings button again
  EXPECT_FALSE(dialog.Shown());
  EXPECT_FALSE(dialog.SettingChanged(VosSet::kRowSystemSound));
  dialog.Cancel();
  EXPECT_FALSE(sound.SystemSoundOn());

  dialog.Show();
  dialog.PressRow(VosSet::kRowSystemSound);
  dialog.Hide();  // the hide key or a click on the table
  dialog.Show();
  dialog.Cancel();
  EXPECT_TRUE(sound.SystemSoundOn());
  EXPECT_EQ(dialog.RowPicture(4), -1);
}

TEST_F(VosSetTest, PicturesShowTheSettingsAsTheyAreWhenOpened) {
  vp.sound.deviceAvailable = false;
  sound.Startup();
  seats[0].voiceLang = "27";
  dialog.Show();
  EXPECT_EQ(dialog.RowPicture(VosSet::kRowMusic), VosSet::kPictureSwitchOff);
  EXPECT_EQ(dialog.RowPicture(VosSet::kRowSoundOn), VosSet::kPictureSwitchOn);
  EXPECT_EQ(dialog.RowPicture(VosSet::kRowDialect), VosSet::kPictureDialect);
  dialog.PressRow(VosSet::kRowSoundOn);
  EXPECT_EQ(dialog.RowPicture(VosSet::kRowSoundOn), VosSet::kPictureSwitchOff);
}

TEST(VosSetLayout, CancelSitsBesideOkAndSwitchesRightOfTheirLabels) {
  const VosSet::Box ok = VosSet::OkBox(60, 24);
  EXPECT_EQ(ok.left, 30);
  EXPECT_EQ(ok.top, 264);
  const VosSet::Box cancel = VosSet::CancelBox(ok);
  EXPECT_EQ(cancel.left, 114);
  EXPECT_EQ(cancel.top, 264);
  const VosSet::Box sw = VosSet::SwitchBox({40, 50, 90, 20}, 60, 24);
  EXPECT_EQ(sw.left, 150);
  EXPECT_EQ(sw.top, 53);
}

}  // namespace
}  // namespace korvel
