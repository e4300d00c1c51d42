// The connection's events, passed to the prop component and the table.
#pragma once

#include "net/connection_events.h"
#include "props/prop_component.h"
#include "table/table_play.h"

namespace korvel {

class ConnectionEventsWiring : public ConnectionEvents {
 public:
  ConnectionEventsWiring(PropComponent& props, TablePlay& tablePlay)
      : props_(props), tablePlay_(tablePlay) {}

  void ConnectionUp() override { props_.ConnectionState(true); }
  void GivingUp() override { props_.Shutdown(0); }
  void Reconnected() override { tablePlay_.EndTurnCutOff(); }

 private:
  PropComponent& props_;
  TablePlay& tablePlay_;
};

}  // namespace korvel
