// The component's queue of actions, taken every tick: texts and animations to show, records to
// send, and clicks, keys and hovers to act out as if the user had made them.
#include <algorithm>
#include <cmath>

#include "config/launch_params.h"
#include "net/records.h"
#include "platform/ports.h"
#include "props/prop_buffers.h"
#include "props/prop_component.h"
#include "props/prop_text.h"
#include "view/element_events.h"
#include "view/table_view.h"

namespace korvel {
namespace {

enum ActionKind : int16_t {
  kActionMessage = 0,
  kActionAnimation = 1,
  kActionRecord = 2,
  kActionAvatarClick = 3,
  kActionKey = 4,
  kActionAvatarHover = 5,
};

constexpr int kLargestKeyCode = 255;

// The number at the start of the action's text, when it is a whole number in first..last.
std::optional<int> NumberIn(const std::string& text, int first, int last) {
  const double value = std::nearbyint(LenientNumber(text));
  if (!(value >= first && value <= last)) return std::nullopt;
  return static_cast<int>(value);
}

}  // namespace

void PropComponent::PumpActions() {
  const int waiting = std::clamp(library_.Api().CheckSendBuff(), 0, kMostActionsPerTick);
  for (int i = 0; i < waiting && Active() && library_.Loaded(); ++i) {
    action_ = PropDllAction{};
    library_.Api().GetSendBuff(&action_);
    display_.KeepActionPicture(action_.picture);
    Perform(action_);
  }
}

void PropComponent::Perform(const PropDllAction& action) {
  const std::string text = BufferText(action.text.utf8, PROPDLL_MAX_TEXT);
  TableView& view = view_;
  switch (action.kind) {
    case kActionMessage:
      if (!text.empty()) display_.PropMessage(text);
      return;
    case kActionAnimation:
      if (!text.empty() && HasBounds(action.longs1, 0, 3)) {
        display_.StartAnimation(text, action.longs1, action.longs2);
      }
      return;
    case kActionRecord: {
      if (!HasBounds(action.bytes, 0, static_cast<int>(kRecordSize) - 1)) return;
      RecordBytes record;
      std::copy_n(action.bytes.v, kRecordSize, record.begin());
      records_.QueueRecord(record);
      return;
    }
    case kActionAvatarClick: {
      const auto seat = NumberIn(text, 1, kSeats - 1);
      if (!seat || !view.laidOut()) return;
      ElementEvent event;
      event.form = view.mainForm();
      event.element = view.el.Tou[*seat];
      event.button = kLeftButton;
      input_.OnClick(event);
      return;
    }
    case kActionKey: {
      const auto key = NumberIn(text, 1, kLargestKeyCode);
      if (!key || !view.laidOut()) return;
      input_.OnKeyDown(view.mainForm(), view.el.pic1, *key, 0);
      return;
    }
    case kActionAvatarHover: {
      const auto seat = NumberIn(text, 0, kSeats - 1);
      if (!seat || !view.laidOut()) return;
      ElementEvent event;
      event.form = view.mainForm();
      event.element = view.el.Tou[*seat];
      input_.OnMouseMove(event);
      return;
    }
    default:
      return;
  }
}

}  // namespace korvel
