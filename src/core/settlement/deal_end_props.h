// The prop component as the deal end sees it: whether it runs, its own end-of-deal display, its
// shutdown. The prop component implements this; it draws on the settlement's board in turn, so
// the settlement holds only this much of it.
#pragma once

#include <cstdint>

namespace korvel {

class DealEndProps {
 public:
  virtual ~DealEndProps() = default;
  virtual bool Active() const = 0;
  // Asks a loaded component for its end-of-deal display.
  virtual void ShowDealEnd() = 0;
  virtual void Shutdown(int16_t reason) = 0;
};

}  // namespace korvel
