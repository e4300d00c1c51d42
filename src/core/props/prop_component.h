// The prop component as the client uses it: loaded when allowed, fed the records it wants,
// polled by the main loop, and shut down without ever stopping play.
#pragma once

#include <string>

#include "net/records.h"
#include "props/prop_library.h"
#include "protocol/seat_info.h"
#include "table/player_record.h"

namespace korvel {

class Client;

class PropComponent {
 public:
  explicit PropComponent(Client& client);

  // Loads the component when the launch line allows props; absent means props stay off.
  void Load();
  bool Active() const { return PropsActive >= 1; }
  bool Exists() const { return library_.Loaded(); }
  // The dispatcher's default path and prop chat messages.
  void Receive(const RecordBytes& record);
  void ConnectionState(bool up);
  // The first tiles of a deal are arriving.
  void DealStarting();
  void Shutdown(int16_t reason);
  // The main loop's polling step.
  void PollStep();
  // Sets the component up for play once it is allowed (the first user information).
  void Initialise();
  // Props are not wanted at this table: off for as long as the client runs.
  void SwitchOff();
  void ClearUser(int view);
  void RecState(int code, bool flag, int view);
  // False when the component refuses the player.
  bool SetUserinfo(const SeatInfo& info, const PlayerRecord& player, int view);
  PropLibrary& library() { return library_; }

  int PropsActive = 0;  // 0 off, 1 props, 2 props and treasure boxes
  bool PropsReady = false;
  bool PropScorePending = false;
  bool PropsSwitchedOff = false;

 private:
  Client& client_;
  PropLibrary library_;
};

}  // namespace korvel
