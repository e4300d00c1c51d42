#include "sound/vos_set.h"

#include <cmath>

namespace korvel {

VosSet::Box VosSet::CancelBox(const Box& ok) {
  const int left = static_cast<int>(std::lround(ok.left + 1.4 * ok.width));
  return {left, ok.top, ok.width, ok.height};
}

VosSet::Box VosSet::SwitchBox(const Box& label, int width, int height) {
  return {label.left + label.width + 20, label.top + 3, width, height};
}

VosSet::VosSet(Sound& sound) : sound_(sound) {}

void VosSet::ToggleShown() {
  if (shown_) {
    Hide();
  } else {
    Show();
  }
}

void VosSet::Show() {
  if (shown_) return;
  settingChanged_.fill(false);
  shown_ = true;
}

void VosSet::Hide() {
  if (shown_) Close();
}

void VosSet::Close() {
  shown_ = false;
  // Every way out ends the session, so a later cancel can only undo presses made after it.
  settingChanged_.fill(false);
}

void VosSet::Toggle(int row, bool tell) {
  switch (row) {
    case kRowMusic:
      sound_.ToggleMusic();
      break;
    case kRowSystemSound:
      sound_.ToggleSystemSound();
      break;
    case kRowSoundOn:
      sound_.ToggleSoundOn();
      if (hook_ && tell) hook_(sound_.SoundOn());
      break;
    case kRowDialect:
      sound_.ToggleDialect();
      break;
    default:
      break;
  }
}

void VosSet::PressRow(int row) {
  if (!shown_ || row < 0 || row >= kRows) return;
  settingChanged_[row] = !settingChanged_[row];
  Toggle(row);
}

void VosSet::Ok() {
  if (shown_) Close();
}

void VosSet::Cancel() {
  if (!shown_) return;
  shown_ = false;
  for (int row = 0; row < kRows; ++row) {
    if (settingChanged_[row]) Toggle(row, false);
  }
  settingChanged_.fill(false);
}

bool VosSet::SettingChanged(int row) const {
  return row >= 0 && row < kRows && settingChanged_[row];
}

int VosSet::RowPicture(int row) const {
  auto onOff = [](bool on) { return on ? kPictureSwitchOff : kPictureSwitchOn; };
  switch (row) {
    case kRowMusic:
      return onOff(sound_.MusicOn());
    case kRowSystemSound:
      return onOff(sound_.SystemSoundOn());
    case kRowSoundOn:
      return onOff(sound_.SoundOn());
    case kRowDialect:
      return sound_.LocalSeatMandarin() ? kPictureMandarin : kPictureDialect;
    default:
      return -1;
  }
}

}  // namespace korvel
