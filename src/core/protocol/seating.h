// The login result, the seat announcements, the players' information and the ready marks.
#pragma once

#include <array>
#include <string>

#include "net/records.h"
#include "table/tiles.h"

namespace korvel {

class Client;

class Seating {
 public:
  explicit Seating(Client& client) : client_(client) {}

  void OnLoginResult(CommandInfo& info);       // command 18
  void OnSeatAnnouncement(CommandInfo& info);  // command 3
  void OnPlayerInfo(CommandInfo& info);        // command 20
  void OnReadyMark(CommandInfo& info);         // command 23

  std::array<std::string, kSeats> SeatName;  // account names by seat index
  int SeatCount = 0;
  bool SeatsAnnounced = false;
  int DealStarted = 0;
  bool PropDealStarted = false;
  std::string AdPage;
  std::string ShuffleAd;

 private:
  Client& client_;
};

}  // namespace korvel
