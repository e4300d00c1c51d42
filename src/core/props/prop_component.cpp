#include "props/prop_component.h"

#include "app/client.h"

namespace korvel {

PropComponent::PropComponent(Client& client) : client_(client) {}

void PropComponent::Load() {
  if (client_.launch().PropSwitch != 1) return;
  const std::string path = PropLibrary::PathFor(client_.platform().files.AppDir());
  if (library_.Load(path)) {
    client_.platform().log.Write("prop component loaded from " + path);
  } else {
    client_.platform().log.Write("no prop component: " + library_.Error());
  }
}

void PropComponent::Receive(const RecordBytes& record) {
  if (Active() && library_.Loaded()) library_.Api().Rec_MSG(record.data());
}

void PropComponent::ConnectionState(bool up) {
  if (Active() && library_.Loaded()) library_.Api().rec_state(3, up ? 1 : 0, 0);
}

void PropComponent::Shutdown(int16_t reason) {
  if (!Active()) return;
  if (library_.Loaded()) library_.Api().InitExit(&reason);
  PropsActive = 0;
  PropsReady = false;
}

void PropComponent::DealStarting() {}

// The exchange with an initialised component belongs to the prop display, built later.
void PropComponent::PollStep() {}

}  // namespace korvel
