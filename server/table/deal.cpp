#include "table/deal.h"

#include <algorithm>

#include "rules/shapes.h"

namespace korvel::server {

namespace {
uint8_t MaskOfSeat(int seat) { return static_cast<uint8_t>(1 << seat); }

bool Refuse(std::string* why, const char* reason) {
  if (why) *why = reason;
  return false;
}

bool SameTiles(const TileList& a, const TileList& b) {
  return a.size == b.size && std::equal(a.begin(), a.end(), b.begin());
}
}  // namespace

void Deal::Start(int dealer, const WallTiles& wall, int die1, int die2) {
  if (phase_ != Phase::Idle) return;
  dealer_ = Clamp(dealer);
  wall_ = Wall(wall);
  phase_ = Phase::OwnTurn;
  observer_.DealStarted(dealer_, die1, die2);
  // Three rounds of four tiles, one more each, and the dealer's fourteenth.
  for (int round = 0; round < 3; ++round) {
    for (int k = 0; k < kSeatCount; ++k) {
      const int seat = (dealer_ + k) % kSeatCount;
      std::array<TileCode, 4> four{};
      for (auto& t : four) {
        t = wall_.DrawFront();
        hands_[seat].Add(t);
      }
      observer_.TilesGiven(seat, four);
    }
  }
  for (int k = 0; k <= kSeatCount; ++k) {
    const int seat = (dealer_ + k) % kSeatCount;
    const TileCode t = wall_.DrawFront();
    hands_[seat].Add(t);
    observer_.TilesGiven(seat, std::span(&t, 1));
  }
  turn_ = dealer_;
  OfferOwnTurn(dealer_);
}

bool Deal::Awaiting(int seat) const {
  if (seat < 0 || seat >= kSeatCount || phase_ == Phase::Over || phase_ == Phase::Idle)
    return false;
  return offers_[seat].kind != OfferKind::None && !answered_[seat];
}

int Deal::NextInPlay(int seat) const {
  for (int k = 1; k <= kSeatCount; ++k) {
    const int s = (seat + k) % kSeatCount;
    if (!won_[s]) return s;
  }
  return seat;
}

SeatFlags Deal::InPlay() const {
  SeatFlags in{};
  for (int s = 0; s < kSeatCount; ++s) in[s] = !won_[s];
  return in;
}

void Deal::OpenOffer(int seat, const Offer& offer) {
  offers_[seat] = offer;
  answered_[seat] = false;
  answers_[seat] = Action{};
  ++offerSerial_[seat];
  observer_.OfferMade(seat, offer);
}

void Deal::CloseOffers() {
  for (int s = 0; s < kSeatCount; ++s) {
    offers_[s] = Offer{};
    answered_[s] = false;
  }
}

bool Deal::GangKeepsWaits(const Hand& before, const Hand& after) const {
  return SameTiles(WaitsOf(before), WaitsOf(after));
}

void Deal::Draw(int seat, bool replacement) {
  if (wall_.Empty()) {
    EndDeal(true);
    return;
  }
  const TileCode t = replacement ? wall_.DrawBack() : wall_.DrawFront();
  Hand& h = hands_[seat];
  h.drawn = 0;  // after a gang the client sorts the old tiles before adding the new one
  h.Add(t);
  h.drawn = t;
  ++draws_[seat];
  turn_ = seat;
  turnAfterGang_ = replacement;
  turnTookLastTile_ = wall_.Empty();
  observer_.TilesGiven(seat, std::span(&t, 1));
  OfferOwnTurn(seat);
}

void Deal::OfferOwnTurn(int seat) {
  phase_ = Phase::OwnTurn;
  turn_ = seat;
  const Hand& h = hands_[seat];
  Offer o;
  o.kind = OfferKind::OwnTurn;
  if (IsWinningHand(h)) o.bits |= OpHu;
  if (!wall_.Empty()) {
    for (int kind = 0; kind < kKinds; ++kind) {
      if (h.concealed[kind] != kCopies) continue;
      const TileCode t = TileOf(kind);
      if (declared_[seat]) {
        if (h.drawn != t) continue;
        Hand before = h, after = h;
        before.Remove(t);
        after.Remove(t, kCopies);
        after.AddMeld({MeldKind::ConcealedGang, t, -1});
        if (!GangKeepsWaits(before, after)) continue;
      }
      o.concealedGangs.push_back(t);
    }
    for (int i = 0; i < h.meldCount; ++i) {
      const Meld& m = h.melds[i];
      if (m.kind != MeldKind::Peng || h.Count(m.tile) == 0) continue;
      if (declared_[seat] && h.drawn != m.tile) continue;
      o.addedGangs.push_back(m.tile);
    }
    if (!declared_[seat]) {
      o.readyDiscards = ReadyDiscardsOf(h);
      o.readyOffered = !o.readyDiscards.empty();
    }
  }
  if (!o.concealedGangs.empty()) o.bits |= OpConcealedGang;
  if (!o.addedGangs.empty()) o.bits |= OpAddedGang;
  if (o.bits) o.bits |= OpPass;
  OpenOffer(seat, o);
}

Offer Deal::ClaimOffer(int seat, TileCode tile) const {
  Offer o;
  o.kind = OfferKind::Claim;
  o.tile = tile;
  const Hand& h = hands_[seat];
  Hand with = h;
  if (with.Add(tile) && IsWinningHand(with)) o.bits |= OpHu;
  if (!wall_.Empty()) {
    if (!declared_[seat] && h.Count(tile) >= 2) o.bits |= OpPeng;
    if (h.Count(tile) == 3) {
      Hand after = h;
      after.Remove(tile, 3);
      after.AddMeld({MeldKind::Gang, tile, -1});
      if (!declared_[seat] || GangKeepsWaits(h, after)) o.bits |= OpGang;
    }
  }
  if (o.bits) o.bits |= OpPass;
  return o;
}

bool Deal::Act(int seat, const Action& action, std::string* why) {
  if (seat < 0 || seat >= kSeatCount) return Refuse(why, "no such seat");
  if (phase_ == Phase::Idle || phase_ == Phase::Over) return Refuse(why, "no deal in play");
  if (!Awaiting(seat)) return Refuse(why, "nothing is offered to this seat now");
  if (offers_[seat].kind == OfferKind::OwnTurn) return OwnTurnAct(seat, action, why);
  return ClaimAct(seat, action, why);
}

bool Deal::OwnTurnAct(int seat, const Action& action, std::string* why) {
  const Hand& h = hands_[seat];
  const Offer& o = offers_[seat];
  switch (action.kind) {
    case ActionKind::Pass:
      // Declines a win or a gang; the seat still discards.
      return true;
    case ActionKind::DeclareReady:
      if (!o.readyOffered) return Refuse(why, "declaring ready is not offered");
      if (declarePending_[seat]) return Refuse(why, "ready is already being declared");
      declarePending_[seat] = true;
      return true;
    case ActionKind::Win:
      if (!o.Has(OpHu)) return Refuse(why, "the hand does not win");
      SelfDrawWin(seat);
      return true;
    case ActionKind::ConcealedGang:
      if (!o.concealedGangs.contains(action.tile))
        return Refuse(why, "that concealed gang is not offered");
      ConcealedGang(seat, action.tile);
      return true;
    case ActionKind::AddedGang:
      if (!o.addedGangs.contains(action.tile)) return Refuse(why, "that added gang is not offered");
      AddedGang(seat, action.tile);
      return true;
    case ActionKind::Discard: {
      if (h.Count(action.tile) == 0) return Refuse(why, "the seat does not hold that tile");
      if (declared_[seat]) {
        const TileCode required = h.drawn ? h.drawn : h.LastInClientOrder();
        if (action.tile != required)
          return Refuse(why, "a declared hand discards the tile it drew");
      }
      Discard(seat, action.tile);
      return true;
    }
    default:
      return Refuse(why, "that answer does not fit the seat's own turn");
  }
}

bool Deal::ClaimAct(int seat, const Action& action, std::string* why) {
  const Offer& o = offers_[seat];
  if (action.tile != 0 && action.tile != o.tile && action.kind != ActionKind::Pass)
    return Refuse(why, "the claim names another tile than the one on offer");
  bool allowed = false;
  switch (action.kind) {
    case ActionKind::Pass:
      allowed = true;
      break;
    case ActionKind::Win:
      allowed = o.Has(OpHu);
      break;
    case ActionKind::Peng:
      allowed = o.Has(OpPeng);
      break;
    case ActionKind::Gang:
      allowed = o.Has(OpGang);
      break;
    default:
      break;
  }
  if (!allowed) return Refuse(why, "that claim is not offered");
  answered_[seat] = true;
  answers_[seat] = Action{action.kind, o.tile};
  if (phase_ == Phase::Claims) {
    ResolveClaims();
  } else {
    ResolveRob();
  }
  return true;
}

void Deal::Discard(int seat, TileCode tile) {
  Hand& h = hands_[seat];
  const bool declaring = declarePending_[seat] && offers_[seat].readyDiscards.contains(tile);
  declarePending_[seat] = false;
  if (declaring) declared_[seat] = true;
  h.Remove(tile);
  h.drawn = 0;
  discards_[seat].push_back(tile);
  ++seen_[KindOf(tile)];
  ++discardsMade_;
  CloseOffers();
  offerFrom_ = seat;
  offerTile_ = tile;
  offerAfterGang_ = turnAfterGang_;
  offerLastTile_ = turnTookLastTile_;
  turnAfterGang_ = false;
  observer_.Discarded(seat, tile, declaring, h.ConcealedCount());

  phase_ = Phase::Claims;
  bool any = false;
  for (int k = 1; k < kSeatCount; ++k) {
    const int s = (seat + k) % kSeatCount;
    if (won_[s]) continue;
    const Offer o = ClaimOffer(s, tile);
    if (o.bits == 0) continue;
    OpenOffer(s, o);
    any = true;
  }
  if (!any) Draw(NextInPlay(seat), false);
}

void Deal::ResolveClaims() {
  std::array<int, 2> winners{};
  int winnerCount = 0;
  bool winPending = false, anyPending = false;
  int claimer = -1;
  for (int k = 1; k < kSeatCount; ++k) {
    const int s = (offerFrom_ + k) % kSeatCount;
    if (offers_[s].kind != OfferKind::Claim) continue;
    if (!answered_[s]) {
      anyPending = true;
      winPending = winPending || offers_[s].Has(OpHu);
      continue;
    }
    const ActionKind a = answers_[s].kind;
    if (a == ActionKind::Win) winners[winnerCount++] = s;
    if (a == ActionKind::Peng || a == ActionKind::Gang) claimer = s;
  }
  // A seat that may still win decides before anything else happens.
  if (winPending) return;
  if (winnerCount > 0) {
    CloseOffers();
    if (discards_[offerFrom_].back() == offerTile_) --discards_[offerFrom_].size;
    DiscardWins(std::span(winners.data(), winnerCount), offerFrom_, offerTile_,
                offerAfterGang_ ? WinManner::AfterGang : WinManner::Plain);
    return;
  }
  // Only one seat can hold the pair for a peng or gang, so nobody else is left to wait for.
  if (claimer < 0 && anyPending) return;
  CloseOffers();
  if (claimer < 0) {
    Draw(NextInPlay(offerFrom_), false);
    return;
  }
  const TileCode tile = offerTile_;
  const bool gang = answers_[claimer].kind == ActionKind::Gang;
  Hand& h = hands_[claimer];
  h.Remove(tile, gang ? 3 : 2);
  h.drawn = 0;
  h.AddMeld({gang ? MeldKind::Gang : MeldKind::Peng, tile, static_cast<int8_t>(offerFrom_)});
  if (discards_[offerFrom_].back() == tile) --discards_[offerFrom_].size;
  seen_[KindOf(tile)] = static_cast<uint8_t>(seen_[KindOf(tile)] + (gang ? 3 : 2));
  claimsMade_ = true;
  observer_.OperationDone(claimer, gang ? OpGang : OpPeng, tile, {0, 0});
  if (gang) {
    Draw(claimer, true);
  } else {
    turn_ = claimer;
    turnAfterGang_ = false;
    turnTookLastTile_ = false;
    OfferOwnTurn(claimer);
  }
}

void Deal::ConcealedGang(int seat, TileCode tile) {
  Hand& h = hands_[seat];
  h.Remove(tile, kCopies);
  h.drawn = 0;
  h.AddMeld({MeldKind::ConcealedGang, tile, -1});
  claimsMade_ = true;
  CloseOffers();
  observer_.OperationDone(seat, OpConcealedGang, tile, {0, 0});
  Draw(seat, true);
}

void Deal::AddedGang(int seat, TileCode tile) {
  Hand& h = hands_[seat];
  const int meld = h.PengOf(tile);
  h.Remove(tile);
  h.drawn = 0;
  h.melds[meld].kind = MeldKind::AddedGang;
  ++seen_[KindOf(tile)];
  claimsMade_ = true;
  CloseOffers();
  observer_.OperationDone(seat, OpAddedGang, tile, {0, 0});

  // The added tile may be robbed by a seat that wins on it.
  phase_ = Phase::Robbing;
  offerFrom_ = seat;
  offerTile_ = tile;
  offerAfterGang_ = false;
  offerLastTile_ = false;
  bool any = false;
  for (int k = 1; k < kSeatCount; ++k) {
    const int s = (seat + k) % kSeatCount;
    if (won_[s]) continue;
    Hand with = hands_[s];
    if (!with.Add(tile) || !IsWinningHand(with)) continue;
    Offer o;
    o.kind = OfferKind::Rob;
    o.tile = tile;
    o.bits = OpHu | OpPass;
    OpenOffer(s, o);
    any = true;
  }
  if (!any) Draw(seat, true);
}

void Deal::ResolveRob() {
  std::array<int, 2> winners{};
  int winnerCount = 0;
  for (int k = 1; k < kSeatCount; ++k) {
    const int s = (offerFrom_ + k) % kSeatCount;
    if (offers_[s].kind != OfferKind::Rob) continue;
    if (!answered_[s]) return;
    if (answers_[s].kind == ActionKind::Win) winners[winnerCount++] = s;
  }
  CloseOffers();
  if (winnerCount == 0) {
    Draw(offerFrom_, true);
    return;
  }
  // The gang falls back to the peng it was added to; the tile goes to the winners.
  Hand& g = hands_[offerFrom_];
  for (int i = 0; i < g.meldCount; ++i)
    if (g.melds[i].kind == MeldKind::AddedGang && g.melds[i].tile == offerTile_)
      g.melds[i].kind = MeldKind::Peng;
  DiscardWins(std::span(winners.data(), winnerCount), offerFrom_, offerTile_,
              WinManner::RobbedGang);
}

void Deal::DiscardWins(std::span<const int> winners, int payer, TileCode tile, WinManner manner) {
  WinEvent ev;
  ev.payer = payer;
  ev.tile = tile;
  std::array<uint8_t, 2> masks{};
  for (int w : winners) {
    Hand& h = hands_[w];
    h.Add(tile);
    h.drawn = 0;
    won_[w] = true;
    winTile_[w] = tile;
    WinContext context;
    context.winTile = tile;
    context.manner = manner;
    context.lastTile = offerLastTile_;
    context.declared = declared_[w];
    masks[ev.winnerCount] = MaskOfSeat(w);
    ev.winners[ev.winnerCount++] = {w, EvaluateWin(h, context)};
  }
  for (int i = 0; i < ev.winnerCount; ++i)
    observer_.OperationDone(ev.winners[i].seat, OpHu, tile, masks);
  ev.delta = DiscardWinPayments(payer, std::span(ev.winners.data(), ev.winnerCount));
  AddTo(total_, ev.delta);
  ev.dealTotal = total_;
  if (winEvents_ == 0) {
    firstWinner_ = ev.winners[0].seat;
    firstEventDouble_ = ev.winnerCount > 1;
    firstEventPayer_ = payer;
  }
  ++winEvents_;
  observer_.WinSettled(ev);
  AfterWin(ev.winners[ev.winnerCount - 1].seat);
}

void Deal::SelfDrawWin(int seat) {
  Hand& h = hands_[seat];
  const TileCode tile = h.drawn ? h.drawn : h.LastInClientOrder();
  WinContext context;
  context.winTile = tile;
  context.manner = turnAfterGang_ ? WinManner::Replacement : WinManner::Plain;
  if (seat == dealer_ && draws_[seat] == 0 && discardsMade_ == 0) {
    context.first = FirstWin::Heavenly;
  } else if (seat != dealer_ && draws_[seat] == 1 && !claimsMade_ && discards_[seat].empty()) {
    context.first = FirstWin::FirstTurn;
  }
  context.lastTile = turnTookLastTile_;
  context.declared = declared_[seat];
  WinEvent ev;
  ev.selfDrawn = true;
  ev.tile = tile;
  ev.winnerCount = 1;
  ev.winners[0] = {seat, EvaluateWin(h, context)};
  won_[seat] = true;
  wonBySelfDraw_[seat] = true;
  winTile_[seat] = tile;
  h.drawn = tile;  // revealed last, as the client holds it
  CloseOffers();
  observer_.OperationDone(seat, OpHu, tile, {MaskOfSeat(seat), 0});
  ev.delta = SelfDrawPayments(seat, ev.winners[0].value.units, InPlay());
  AddTo(total_, ev.delta);
  ev.dealTotal = total_;
  if (winEvents_ == 0) firstWinner_ = seat;
  ++winEvents_;
  observer_.WinSettled(ev);
  AfterWin(seat);
}

void Deal::AfterWin(int lastWinner) {
  int winners = 0;
  for (bool w : won_) winners += w ? 1 : 0;
  if (winners >= 2) {
    EndDeal(false);
    return;
  }
  Draw(NextInPlay(lastWinner), false);
}

void Deal::EndDeal(bool exhausted) {
  phase_ = Phase::Over;
  CloseOffers();
  DealOutcome out;
  out.exhausted = exhausted;
  if (exhausted) {
    out.check = CheckAtWallEnd(hands_, InPlay(), declared_);
    AddTo(total_, out.check.delta);
  }
  for (int s = 0; s < kSeatCount; ++s) {
    Hand h = hands_[s];
    // A win on a discard shows the claimed tile apart; the client does not count it.
    if (won_[s] && !wonBySelfDraw_[s]) h.Remove(winTile_[s]);
    if (!wonBySelfDraw_[s]) h.drawn = 0;
    out.reveal[s] = h.ClientOrder();
  }
  out.total = total_;
  out.winEvents = winEvents_;
  if (firstWinner_ < 0) {
    out.nextDealer = dealer_;
  } else {
    out.nextDealer = firstEventDouble_ ? firstEventPayer_ : firstWinner_;
  }
  observer_.DealEnded(out);
}

}  // namespace korvel::server
