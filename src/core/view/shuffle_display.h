// The "changing seats" notice between deals: a picture and a caption whose dots step on a timer.
#pragma once

#include "model/loop_state.h"
#include "platform/ports.h"
#include "view/table_view.h"

namespace korvel {

class ShuffleDisplay {
 public:
  ShuffleDisplay(TableView& view, Timers& timers, LoopState& loop)
      : view_(view), timers_(timers), loop_(loop) {}

  void Start();
  void Reset();

 private:
  TableView& view_;
  Timers& timers_;
  LoopState& loop_;
};

}  // namespace korvel
