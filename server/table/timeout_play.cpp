#include "table/timeout_play.h"

namespace korvel::server {

Action TimeoutPlay(const Hand& hand, const Offer& offer, bool declared, bool declarePending) {
  const bool ready = declared || declarePending;
  if (ready && offer.Has(OpHu)) return {ActionKind::Win, offer.tile};
  if (offer.kind != OfferKind::OwnTurn) return {ActionKind::Pass, 0};
  // The pending declaration still holds the list of its offer; later turns carry none.
  if (declarePending && !offer.readyDiscards.empty() && hand.Count(offer.readyDiscards[0]) > 0)
    return {ActionKind::Discard, offer.readyDiscards[0]};
  return {ActionKind::Discard, hand.LastInClientOrder()};
}

}  // namespace korvel::server
