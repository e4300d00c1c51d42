// Leaving the table, as the handlers of a player leaving, a game over and a deal end ask for it.
// The leaving procedure implements it; the handlers know nothing else of it, since leaving in
// turn clears their state.
#pragma once

#include <string>

namespace korvel {

class TableExit {
 public:
  virtual ~TableExit() = default;
  // Tells the server the local player leaves and stops the loops and timers.
  virtual void LeaveTable() = 0;
  // The game-over window with the server's message.
  virtual void OpenGameOverWindow(const std::string& message) = 0;
};

}  // namespace korvel
