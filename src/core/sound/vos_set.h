// The sound settings dialog's state and logic: four rows whose switches act at once, OK keeps
// the changes, cancel undoes each row that was switched an odd number of times. The window
// itself paints RowPicture() and routes its buttons to PressRow, Ok and Cancel.
#pragma once

#include <array>
#include <functional>

#include "sound/sound.h"

namespace korvel {

class VosSet {
 public:
  static constexpr int kRows = 4;
  static constexpr int kRowMusic = 0;        // 背景音乐
  static constexpr int kRowSystemSound = 1;  // 系统声音
  static constexpr int kRowSoundOn = 2;      // 功能声音
  static constexpr int kRowDialect = 3;      // 方言选择

  // Entries of the dialog button pictures.
  static constexpr int kPictureOk = 0;
  static constexpr int kPictureCancel = 2;
  static constexpr int kPictureSwitchOff = 4;  // offered while the setting is on
  static constexpr int kPictureSwitchOn = 5;   // offered while it is off
  static constexpr int kPictureDialect = 6;    // the local seat speaks the dialect
  static constexpr int kPictureMandarin = 7;   // the local seat speaks Mandarin

  static constexpr int kOpacity = 200;
  static constexpr int kOkTop = 264;
  static constexpr int kOkLeft = 30;

  struct Box {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
  };
  // Design-pixel placement: cancel beside OK, each row's switch right of its label.
  static Box OkBox(int width, int height) { return {kOkLeft, kOkTop, width, height}; }
  static Box CancelBox(const Box& ok);
  static Box SwitchBox(const Box& label, int width, int height);

  explicit VosSet(Sound& sound);

  // Told the new SoundOn whenever the dialog changes it (the prop component wants to know).
  void SetSoundSwitchHook(std::function<void(bool soundOn)> hook) { hook_ = std::move(hook); }

  // The main window's settings button.
  void ToggleShown();
  void Show();
  // The hide key or a click on the table: the changes stay, as with OK.
  void Hide();
  bool Shown() const { return shown_; }

  // Command2(row); ignored while hidden or for a row that does not exist.
  void PressRow(int row);
  // Command1(0).
  void Ok();
  // Command1(1).
  void Cancel();

  bool SettingChanged(int row) const;
  // The picture the row's switch shows now; -1 for a row that does not exist.
  int RowPicture(int row) const;

 private:
  // `tell`: a change of the sound switch is reported to the hook (not when cancel undoes it).
  void Toggle(int row, bool tell = true);
  void Close();

  Sound& sound_;
  std::function<void(bool)> hook_;
  std::array<bool, kRows> settingChanged_{};
  bool shown_ = false;
};

}  // namespace korvel
