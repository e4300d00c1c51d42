// Every received record reaches its handler here, or goes to the prop component.
#pragma once

#include <array>

#include "net/records.h"

namespace korvel {

class Client;

inline constexpr int kCatalogueSize = 46;

class Dispatcher {
 public:
  explicit Dispatcher(Client& client) : client_(client) {}

  void Dispatch(CommandInfo& info);

  uint64_t Dispatched = 0;  // records handed to a handler or the default path

 private:
  using Handler = void (Dispatcher::*)(CommandInfo&);
  static const std::array<Handler, kCatalogueSize + 1> kTable;

  void DealFour(CommandInfo& info);
  void Discard(CommandInfo& info);
  void SeatAnnouncement(CommandInfo& info);
  void DealStart(CommandInfo& info);
  void DrawOne(CommandInfo& info);
  void Turn(CommandInfo& info);
  void OperationResult(CommandInfo& info);
  void DealEnd(CommandInfo& info);
  void FollowUpResult(CommandInfo& info);
  void Settlement(CommandInfo& info);
  void WinReport(CommandInfo& info);
  void LoginResult(CommandInfo& info);
  void Chat(CommandInfo& info);
  void PlayerInfo(CommandInfo& info);
  void PlayerLeft(CommandInfo& info);
  void GameOver(CommandInfo& info);
  void ReadyMark(CommandInfo& info);
  void ReconnectResult(CommandInfo& info);
  void Restore(CommandInfo& info);
  void PropScore(CommandInfo& info);
  void Default(CommandInfo& info);

  Client& client_;
};

}  // namespace korvel
