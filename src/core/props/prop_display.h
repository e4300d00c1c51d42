// What the prop component shows on the table: prop messages in the chat history, prop
// animations on the caption LbProp, the treasure boxes of a deal's end on ImgProp(0..14), and
// TimerProp, which times the animations and the box opening. The
// component decides what to show; this class only places, moves and times it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <string>

#include "props/propdll.h"
#include "view/scene.h"

namespace korvel {

class MessageLines;
class PropComponent;
class Settlement;
class TableChat;
class TableView;
class Timers;

inline constexpr int kBoxesPerSeat = 5;
inline constexpr int kBoxElements = 15;
inline constexpr int kBoxEntries = 4;  // entry 0 the local player, 1..3 the others
inline constexpr const char* kTimerPropName = "TimerProp";
inline constexpr int kTimerPropMs = 50;
inline constexpr int kBoxCountdownSeconds = 5;
inline constexpr int kPropMessageColumns = 44;
inline constexpr PictureId kClosedBoxPicture = kFirstRuntimePicture;
inline constexpr PictureId kPrizePicture = kFirstRuntimePicture + 1;
inline constexpr PictureId kActionPicture = kFirstRuntimePicture + 2;

// The box buffers the component fills once at initialisation, as the box scene reads them.
// Positions and sizes are window pixels: the component was told the layout's scale.
struct BoxBuffers {
  std::array<int32_t, 2 * kBoxElements> BoxPositions{};  // left of ImgProp(k) at k, top at k + 15
  std::array<int32_t, 2> BoxCentre{};
  std::array<int32_t, 2 * kBoxEntries> PrizeTargets{};  // entry l's point is (l, l + 4)
  std::array<int32_t, 2> CaptionAnchor{};
  std::array<int16_t, 2> OpeningTiming{};  // frame interval in ms, number of frames
  std::array<int32_t, 2> BoxSize{};
  std::array<int32_t, 2> PrizeSize{};
  bool ClosedBoxPicture = false;
  bool PrizePicture = false;
};

class PropDisplay {
 public:
  PropDisplay(TableView& view, MessageLines& messages, Settlement& settlement, TableChat& chat,
              PropComponent& props, Timers& timers);

  // ---- set-up and shut-down -----------------------------------------------------------
  // The component is starting: the bank button in front, a fresh random sequence, no boxes.
  void Prepare();
  // Takes the box buffers and copies the two pictures; false when they cannot make a scene.
  bool TakeBoxInfo(const PropDllBoxInfo& info);
  // The picture an action came with; kept, as the component may refer to it later.
  void KeepActionPicture(const PropDllPicture& picture);
  // The component is gone: timers stopped, the box scene ended, every prop element hidden.
  void Stop();
  // A deal starts: the last deal's boxes and prizes leave the table.
  void ClearBoxScene();

  // ---- actions of the component ---------------------------------------------------------
  // Kind 0: the text in the chat history, wrapped to its columns.
  void PropMessage(const std::string& text);
  // Kind 1: the caption placed, coloured and shown; with a frame interval and count it goes
  // again after that many frames.
  void StartAnimation(const std::string& text, const PropDllLongs& geometry,
                      const PropDllLongs& timing);

  // ---- treasure boxes -------------------------------------------------------------------
  // The end of a deal whose score information is complete: the box scene, or the board.
  void BoxEnding();
  // The main loop's step while BoxCountdownOn (every 50 ms tick).
  void CountdownStep();
  // A click on ImgProp(index).
  void OnImageClick(int index);
  // Opens the local player's box `n`, or with -1 the other seats' chosen boxes.
  void OpenBoxes(int n);
  // One tick of TimerProp.
  void OnTimerProp();

  // Tests replace the random numbers in [0, 1).
  void SetRandomSource(std::function<double()> random) { random_ = std::move(random); }

  BoxBuffers boxes;
  std::array<int16_t, kBoxEntries> BoxChoice{-1, -1, -1, -1};
  int16_t BoxCountdown = 0;
  bool BoxCountdownOn = false;
  int BoxCountdownTicks = 0;
  bool BoxClicked = false;
  bool BoxOpening = false;
  int16_t OpeningFrame = 0;
  bool PropAnimOn = false;
  int PropAnimFrame = 0;
  int PropAnimFrames = 0;
  int TimerPropInterval = kTimerPropMs;
  // The result caption's working values, set when an opening starts.
  std::array<std::string, kBoxEntries> BoxNames;
  std::array<double, kBoxEntries> RunningAmount{};
  std::array<float, kBoxEntries> AmountStep{};
  size_t NameWidth = 0;
  size_t AmountDigits = 0;

 private:
  bool Ready() const;
  Form& Main();
  ElementId PropImage(int k);
  void UnloadExtraImages();
  void PlaceBoxes(int block, bool enabled);
  bool TakesPart(int entry) const;
  int RandomBox();
  // False when the scene was torn down while it waited.
  bool GlideToCentre(int k);
  bool ShowPrize(int k, int entry);
  bool Glide(ElementId e, double x0, double y0, double x1, double y1);
  void ResultCaption(int a);
  void FinishOpening();
  void SetCountdownCaption(const char* text);
  void StartTimer();
  void AddHistory(const std::string& text);
  void ShowInMessageArea(const std::string& text);
  int OpeningFrames() const;

  TableView& view_;
  MessageLines& messages_;
  Settlement& settlement_;
  TableChat& chat_;
  PropComponent& props_;
  Timers& timers_;
  std::array<bool, kBoxElements> loaded_{};
  bool localHasBox_ = false;
  bool awaitingChoice_ = false;
  // Changes whenever the scene is torn down, so a glide that waited knows to stop.
  uint64_t sceneSerial_ = 0;
  std::function<double()> random_;
  std::mt19937 rng_;
};

}  // namespace korvel
