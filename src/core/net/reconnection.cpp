#include "net/reconnection.h"

#include "app/client.h"

namespace korvel {

void Reconnection::Start() {
  client_.platform().log.Write("connection lost; reconnecting is not built yet");
}

void Reconnection::OnReconnectResult(CommandInfo&, const RecordBytes&) {}

}  // namespace korvel
