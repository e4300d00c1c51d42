// Playing for a seat that did not answer in time, the way the client itself plays on a time-out:
// decline any claim, discard the tile drawn last (the last tile of the client's row); a seat that
// declared ready takes an offered win and otherwise discards the tile that keeps it ready.
#pragma once

#include "rules/actions.h"
#include "rules/hand.h"

namespace korvel::server {

Action TimeoutPlay(const Hand& hand, const Offer& offer, bool declared, bool declarePending);

}  // namespace korvel::server
