#include "props/prop_display.h"

#include <algorithm>
#include <chrono>

#include "chat/table_chat.h"
#include "platform/gbk.h"
#include "platform/ports.h"
#include "props/prop_buffers.h"
#include "props/prop_text.h"
#include "view/message_lines.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr const char* kPropImageName = "ImgProp";
constexpr int kLargestFontSize = 72;

// Colours come as the component's 0xBBGGRR numbers.
uint32_t FromBgr(int32_t bgr) {
  const uint32_t v = static_cast<uint32_t>(bgr) & 0xFFFFFF;
  return (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF);
}

TextAlign AlignOf(int32_t alignment) {
  switch (alignment) {
    case 1:
      return TextAlign::Right;
    case 2:
      return TextAlign::Center;
    default:
      return TextAlign::Left;
  }
}

template <size_t N, class Array, class Value>
bool ReadAll(const Array& from, std::array<Value, N>& to) {
  if (!Covers(from, 0, static_cast<int>(N) - 1)) return false;
  for (size_t i = 0; i < N; ++i) to[i] = *EntryAt(from, static_cast<int>(i));
  return true;
}

bool KeepPicture(Scene& scene, PictureId id, const PropDllPicture& picture) {
  scene.ClearRuntimePicture(id);
  return scene.SetRuntimePicture(id, picture.width, picture.height, picture.argb);
}

}  // namespace

PropDisplay::PropDisplay(TableView& view, MessageLines& messages, Settlement& settlement,
                         TableChat& chat, PropComponent& props, Timers& timers)
    : view_(view),
      messages_(messages),
      settlement_(settlement),
      chat_(chat),
      props_(props),
      timers_(timers) {}

bool PropDisplay::Ready() const { return view_.laidOut(); }

Form& PropDisplay::Main() { return view_.main(); }

ElementId PropDisplay::PropImage(int k) {
  if (!Ready() || k < 0 || k >= kBoxElements) return kNoElement;
  const ElementId e = Main().Load(kPropImageName, k);
  if (e != kNoElement) loaded_[k] = true;
  return e;
}

void PropDisplay::UnloadExtraImages() {
  if (!Ready()) return;
  Form& f = Main();
  // The Scene keeps its elements; an unloaded one is hidden, idle and without a picture.
  for (int k = 1; k < kBoxElements; ++k) {
    if (!loaded_[k]) continue;
    const ElementId e = f.Find(kPropImageName, k);
    f.Hide(e);
    f.Disable(e);
    f.ClearPicture(e);
    loaded_[k] = false;
  }
}

void PropDisplay::Prepare() {
  if (Ready()) {
    Main().Show(view_.el.Bank);
    Main().BringToFront(view_.el.Bank);
  }
  rng_.seed(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  boxes = BoxBuffers{};
  Scene& scene = view_.scene();
  scene.ClearRuntimePicture(kClosedBoxPicture);
  scene.ClearRuntimePicture(kPrizePicture);
}

bool PropDisplay::TakeBoxInfo(const PropDllBoxInfo& info) {
  Scene& scene = view_.scene();
  boxes.ClosedBoxPicture = KeepPicture(scene, kClosedBoxPicture, info.picture1);
  boxes.PrizePicture = KeepPicture(scene, kPrizePicture, info.picture2);
  const bool complete =
      ReadAll(info.boxes30, boxes.BoxPositions) && ReadAll(info.pair1, boxes.BoxCentre) &&
      ReadAll(info.eight, boxes.PrizeTargets) && ReadAll(info.pair2, boxes.CaptionAnchor) &&
      ReadAll(info.shorts2, boxes.OpeningTiming) && ReadAll(info.pair3, boxes.BoxSize) &&
      ReadAll(info.pair4, boxes.PrizeSize);
  return complete && boxes.BoxSize[0] > 0 && boxes.BoxSize[1] > 0;
}

void PropDisplay::KeepActionPicture(const PropDllPicture& picture) {
  if (picture.argb) KeepPicture(view_.scene(), kActionPicture, picture);
}

void PropDisplay::Stop() {
  ++sceneSerial_;
  timers_.Stop(kTimerPropName);
  BoxCountdownOn = false;
  BoxOpening = false;
  PropAnimOn = false;
  awaitingChoice_ = false;
  UnloadExtraImages();
  if (!Ready()) return;
  Form& f = Main();
  const ElementId first = f.Find(kPropImageName, 0);
  f.Hide(first);
  f.Disable(first);
  f.SetCaption(view_.el.LbProp, "");
  f.Hide(view_.el.LbProp);
}

void PropDisplay::ClearBoxScene() {
  // A scene still running when the next deal starts finishes on its own.
  if (BoxCountdownOn || BoxOpening || !Ready()) return;
  UnloadExtraImages();
  Form& f = Main();
  f.Hide(f.Find(kPropImageName, 0));
  if (!PropAnimOn) f.Hide(view_.el.LbProp);
}

void PropDisplay::StartTimer() {
  timers_.Start(kTimerPropName, std::max(1, TimerPropInterval), [this] { OnTimerProp(); });
}

void PropDisplay::AddHistory(const std::string& text) {
  chat_.AddHistoryLines(WrapColumns(text, kPropMessageColumns));
}

void PropDisplay::ShowInMessageArea(const std::string& text) { messages_.ShowMessageLine(text); }

void PropDisplay::PropMessage(const std::string& text) { AddHistory(text); }

void PropDisplay::StartAnimation(const std::string& text, const PropDllLongs& geometry,
                                 const PropDllLongs& timing) {
  if (!Ready()) return;
  Form& f = Main();
  const ElementId caption = view_.el.LbProp;
  const auto value = [](const PropDllLongs& a, int i) { return EntryAt(a, i).value_or(0); };
  f.Hide(caption);
  f.Move(caption, value(geometry, 2), value(geometry, 3), std::max(0, value(geometry, 0)),
         std::max(0, value(geometry, 1)));
  if (const int32_t size = value(timing, 2); size > 0) {
    f.SetFontSize(caption, std::min(size, kLargestFontSize));
  }
  f.SetColor(caption, FromBgr(value(timing, 3)));
  f.SetAlign(caption, AlignOf(value(timing, 4)));
  f.SetCaption(caption, text);
  f.Show(caption);
  f.BringToFront(caption);
  const int32_t interval = value(timing, 0);
  const int32_t frames = value(timing, 1);
  if (interval < 1 || frames < 1) return;
  TimerPropInterval = interval;
  PropAnimFrame = 0;
  PropAnimFrames = frames;
  PropAnimOn = true;
  StartTimer();
}

void PropDisplay::OnTimerProp() {
  timers_.Stop(kTimerPropName);
  if (PropAnimOn && !BoxOpening) {
    if (++PropAnimFrame >= PropAnimFrames) {
      if (Ready()) {
        Main().SetCaption(view_.el.LbProp, "");
        Main().Hide(view_.el.LbProp);
      }
      PropAnimFrame = 0;
      PropAnimOn = false;
      return;
    }
  }
  if (!BoxOpening) {
    StartTimer();
    return;
  }
  if (++OpeningFrame < OpeningFrames()) {
    ResultCaption(OpeningFrame);
    StartTimer();
    return;
  }
  FinishOpening();
}

}  // namespace korvel
