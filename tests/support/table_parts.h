// The parts below the game subsystems, built without a client: the shared state, a laid-out
// view, the message lines and the records on a VirtualPlatform whose socket is connected. A
// subsystem's test constructs just that subsystem on top of them.
#pragma once

#include "model/loop_state.h"
#include "model/player_record.h"
#include "model/session_settings.h"
#include "net/records.h"
#include "platform/virtual_platform.h"
#include "view/layout_scale.h"
#include "view/message_lines.h"
#include "view/table_view.h"

namespace korvel::testing {

struct TableParts {
  TableParts() {
    view.LayOut(LayoutScale::ForScreen(1024, 768));
    vp.socket.Connect("server", 6000);
    vp.timers.Advance(0);
  }
  // Sends what the subsystem queued, as the loop's flush step would, one record at a time.
  void Flush() {
    while (records.QueuedBytes() >= kRecordSize) records.FlushOne();
  }

  VirtualPlatform vp;
  TableModel table;
  LoopState loop;
  SessionSettings settings;
  TableView view{table, loop};
  MessageLines messages{view, vp.log};
  Records records{loop, table, vp.socket, vp.log};
};

}  // namespace korvel::testing
