// The replay's control bar: play and pause, the speed, the deal to show, one record at a time.
// It moves the replay's virtual clock from a real timer and rebuilds the table's windows
// whenever the replay starts a fresh client.
#pragma once

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "picture_library.h"
#include "app/session_replay.h"
#include "scene_window.h"

namespace korvel {

inline constexpr int kReplaySpeeds[] = {1, 2, 4, 16};

class ReplayControls : public QWidget {
  Q_OBJECT
 public:
  ReplayControls(SessionReplay& replay, PictureLibrary& pictures, QString title);
  ~ReplayControls() override;

  void Play();
  void Pause();
  bool Playing() const { return playing_; }
  void SetSpeed(int speed);
  void NextDeal();
  void PreviousDeal();
  void JumpToDeal(int deal);  // 0-based
  void StepRecord();
  // Plays on `ms` of session time at once, whatever the state.
  void Advance(int64_t ms);
  // The table as shown with this bar under it.
  QImage Picture();
  // Puts the bar under the table's window.
  void FollowTable();

 protected:
  // The table's window moving (the window manager placing it, the user dragging it) takes the
  // bar along.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Attach(Client& client);
  void Detach();
  void Tick();
  void Refresh();

  SessionReplay& replay_;
  PictureLibrary& pictures_;
  QString title_;
  std::unique_ptr<SceneFrontEnd> frontEnd_;
  QTimer timer_;
  QElapsedTimer clock_;
  bool playing_ = false;
  int speed_ = 1;
  QPushButton* play_;
  QComboBox* speedBox_;
  QPushButton* previous_;
  QPushButton* next_;
  QSpinBox* dealBox_;
  QPushButton* jump_;
  QPushButton* step_;
  QLabel* where_;
};

}  // namespace korvel
