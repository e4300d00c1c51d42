// The presentation steps of the loop and the connection, kept in one place so they land on the
// table's elements together.
#include "app/client.h"

namespace korvel {

void Client::ClearSysmsg(int list) { sysmsg_[list & 1].clear(); }

void Client::AddSysmsg(int list, const std::string& line) {
  sysmsg_[list & 1].push_back(line);
  platform_.log.Write("system: " + line);
}

void Client::SetTileVisible(int element, bool visible) {
  if (element >= 0 && element < static_cast<int>(tileVisible_.size())) {
    tileVisible_[element] = visible;
  }
}

bool Client::TileVisible(int element) const {
  return element >= 0 && element < static_cast<int>(tileVisible_.size()) && tileVisible_[element];
}

void Client::ShowChatButton(int) {}
void Client::ShowClockCaption(const std::string&, uint32_t) {}
void Client::HideClockPanel() {}
void Client::PlayClockTick() {}
void Client::PlayEffectForDealing() {}
void Client::ShowContinueButton() {}
void Client::StartShuffleDisplay() {}
void Client::HideClaimWords(int) {}
void Client::MinimizeMainWindow() {}
void Client::ClearTable() {}
void Client::ResetTable() {}
void Client::LeaveTable() {}

}  // namespace korvel
