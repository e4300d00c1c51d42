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

// The component's start at the table comes with the prop display.
void PropComponent::Initialise() {}

void PropComponent::SwitchOff() {
  if (PropsSwitchedOff) return;
  PropsSwitchedOff = true;
  Shutdown(0);
  library_.Unload();
}

void PropComponent::ClearUser(int view) {
  if (library_.Loaded()) library_.Api().ClearUser(static_cast<int16_t>(view));
}

void PropComponent::RecState(int code, bool flag, int view) {
  if (library_.Loaded()) library_.Api().rec_state(code, flag ? 1 : 0, view);
}

bool PropComponent::SetUserinfo(const SeatInfo& info, const PlayerRecord& player, int view) {
  if (!library_.Loaded()) return true;
  const int mask = player.seatMask != 0 ? player.seatMask : MaskOf(view);
  return library_.Api().SetUserinfo(info.nickname.c_str(), player.name.c_str(), mask, view,
                                    info.credit != 0, info.gender, info.nameTag.c_str(),
                                    AvatarNumber(info.avatar)) != 0;
}

// The exchange with an initialised component belongs to the prop display, built later.
void PropComponent::PollStep() {}

}  // namespace korvel
