// What the connection tells the game above it as it comes and goes. The connection layer knows
// nothing of the prop component or the table; the client wires these to them.
#pragma once

namespace korvel {

class ConnectionEvents {
 public:
  virtual ~ConnectionEvents() = default;
  // Logged in, or back after a drop.
  virtual void ConnectionUp() = 0;
  // The client is about to end because the connection cannot be had back.
  virtual void GivingUp() = 0;
  // The server took us back in the middle of a deal: a turn cut short by the drop is over.
  virtual void Reconnected() = 0;
};

// The reconnection procedure as the connection sees it: whether it is running, and an attempt of
// it that failed. The reconnection implements it; it drives the connection in turn.
class ReconnectAttempts {
 public:
  virtual ~ReconnectAttempts() = default;
  virtual bool Active() const = 0;
  // Attempt `number` could not connect (a socket error number).
  virtual void OnAttemptFailed(int number) = 0;
};

}  // namespace korvel
