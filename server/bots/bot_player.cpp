#include "bots/bot_player.h"

#include <algorithm>

namespace korvel::server {

namespace {
// How much a tile works with the rest of the hand; loose tiles are discarded first.
int Connection(const Hand& hand, int kind) {
  const int suitStart = kind / 9 * 9;
  int score = 0;
  for (int d = -2; d <= 2; ++d) {
    const int k = kind + d;
    if (k < suitStart || k >= suitStart + 9) continue;
    const int n = hand.concealed[k] - (d == 0 ? 1 : 0);
    score += n * (d == 0 ? 4 : (d == 1 || d == -1 ? 2 : 1));
  }
  const int rank = kind % 9;
  if (rank == 0 || rank == 8) score -= 1;
  return score;
}
}  // namespace

Action BotPlayer::Decide(const SeatView& view) {
  switch (view.offer.kind) {
    case OfferKind::OwnTurn:
      return OwnTurn(view);
    case OfferKind::Claim:
      return Claim(view);
    case OfferKind::Rob:
      return {view.offer.Has(OpHu) ? ActionKind::Win : ActionKind::Pass, view.offer.tile};
    case OfferKind::None:
      break;
  }
  return {};
}

int BotPlayer::Live(const SeatView& view, const Hand& hand, int kind) const {
  const TileCounts all = hand.AllCounts();
  return std::max(0, kCopies - view.seen[kind] - all[kind]);
}

int BotPlayer::LiveWaits(const SeatView& view, const Hand& hand) const {
  int live = 0;
  for (TileCode w : WaitsOf(hand)) live += Live(view, hand, KindOf(w));
  return live;
}

int BotPlayer::ImprovingTiles(const SeatView& view, const Hand& hand, int shanten) {
  const TileCounts all = hand.AllCounts();
  TileCounts c = hand.concealed;
  int total = 0;
  for (int kind = 0; kind < kKinds; ++kind) {
    const int live = std::max(0, kCopies - view.seen[kind] - all[kind]);
    if (live == 0) continue;
    ++c[kind];
    if (shanten_.Shanten(c, hand.meldCount) < shanten) total += live;
    --c[kind];
  }
  return total;
}

BotPlayer::DiscardChoice BotPlayer::BestDiscard(const SeatView& view, const Hand& hand) {
  std::array<int, kKinds> after{};
  int best = 9;
  for (int kind = 0; kind < kKinds; ++kind) {
    after[kind] = 9;
    if (hand.concealed[kind] == 0) continue;
    TileCounts c = hand.concealed;
    --c[kind];
    after[kind] = shanten_.Shanten(c, hand.meldCount);
    best = std::min(best, after[kind]);
  }
  DiscardChoice choice;
  int bestConnection = 0;
  for (int kind = 0; kind < kKinds; ++kind) {
    if (after[kind] != best) continue;
    Hand rest = hand;
    rest.Remove(TileOf(kind));
    const int improving = ImprovingTiles(view, rest, best);
    const int connection = Connection(hand, kind);
    if (improving > choice.improving ||
        (improving == choice.improving && connection < bestConnection)) {
      choice = {TileOf(kind), best, improving};
      bestConnection = connection;
    }
  }
  return choice;
}

Action BotPlayer::OwnTurn(const SeatView& view) {
  const Offer& o = view.offer;
  const Hand& hand = view.hand;
  if (o.Has(OpHu)) return {ActionKind::Win, 0};

  if (view.declared) {
    // A declared hand keeps its waits; the deal only offers gangs that do, and a root pays.
    if (!o.concealedGangs.empty()) return {ActionKind::ConcealedGang, o.concealedGangs[0]};
    if (!o.addedGangs.empty()) return {ActionKind::AddedGang, o.addedGangs[0]};
    return {ActionKind::Discard, hand.drawn ? hand.drawn : hand.LastInClientOrder()};
  }

  if (view.declarePending) {
    TileCode pick = o.readyDiscards.empty() ? hand.LastInClientOrder() : o.readyDiscards[0];
    int bestLive = -1;
    for (TileCode t : o.readyDiscards) {
      Hand rest = hand;
      rest.Remove(t);
      const int live = LiveWaits(view, rest);
      if (live > bestLive) {
        bestLive = live;
        pick = t;
      }
    }
    return {ActionKind::Discard, pick};
  }

  const DiscardChoice discard = BestDiscard(view, hand);
  for (TileCode t : o.concealedGangs) {
    Hand after = hand;
    after.Remove(t, kCopies);
    if (shanten_.Shanten(after.concealed, hand.meldCount + 1) <= discard.shanten)
      return {ActionKind::ConcealedGang, t};
  }
  for (TileCode t : o.addedGangs) {
    Hand after = hand;
    after.Remove(t);
    if (shanten_.Shanten(after.concealed, hand.meldCount) <= discard.shanten)
      return {ActionKind::AddedGang, t};
  }
  if (o.readyOffered && o.readyDiscards.contains(discard.tile)) {
    Hand rest = hand;
    rest.Remove(discard.tile);
    if (LiveWaits(view, rest) >= kLiveWaitsToDeclare || view.wallRemaining < kLateWall)
      return {ActionKind::DeclareReady, 0};
  }
  return {ActionKind::Discard, discard.tile};
}

Action BotPlayer::Claim(const SeatView& view) {
  const Offer& o = view.offer;
  const Hand& hand = view.hand;
  const TileCode t = o.tile;
  if (o.Has(OpHu)) return {ActionKind::Win, t};
  if (view.declared) {
    if (o.Has(OpGang)) return {ActionKind::Gang, t};
    return {ActionKind::Pass, 0};
  }
  const int now = shanten_.Shanten(hand.concealed, hand.meldCount);
  if (o.Has(OpGang)) {
    Hand after = hand;
    after.Remove(t, 3);
    if (shanten_.Shanten(after.concealed, hand.meldCount + 1) <= now) return {ActionKind::Gang, t};
  }
  if (o.Has(OpPeng)) {
    Hand after = hand;
    after.Remove(t, 2);
    int best = 9;
    for (int kind = 0; kind < kKinds; ++kind) {
      if (after.concealed[kind] == 0) continue;
      TileCounts c = after.concealed;
      --c[kind];
      best = std::min(best, shanten_.Shanten(c, hand.meldCount + 1));
    }
    if (best < now) return {ActionKind::Peng, t};
  }
  return {ActionKind::Pass, 0};
}

}  // namespace korvel::server
