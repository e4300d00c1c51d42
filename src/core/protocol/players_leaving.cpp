#include "protocol/players_leaving.h"

#include "app/client.h"

namespace korvel {

void PlayersLeaving::OnPlayerLeft(CommandInfo&) {}
void PlayersLeaving::OnGameOver(CommandInfo&) {}
void PlayersLeaving::ShowChat(const CommandInfo&, const std::string& text) {
  client_.platform().log.Write("chat: " + text);
}

void PlayersLeaving::OnChat(CommandInfo& info) {
  info.seat = static_cast<uint8_t>(client_.table().ViewOfMask(info.seat));
}

}  // namespace korvel
