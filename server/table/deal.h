// One deal, from the first tile dealt to the settlement: whose turn it is, what each seat is
// offered, claim arbitration (a win goes before a gang or a peng, and two seats may win on one
// discard), wins, payments and the check at the wall's end. It knows nothing of records or
// time: the table turns its observer calls into records and decides when a seat that does not
// answer is played for.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "rules/actions.h"
#include "rules/fan.h"
#include "rules/hand.h"
#include "rules/scoring.h"
#include "rules/wall.h"

namespace korvel::server {

struct WinEvent {
  std::array<WinShare, 2> winners{};
  int winnerCount = 0;
  int payer = -1;  // the discarder, or the seat whose added gang was robbed; -1 when self-drawn
  bool selfDrawn = false;
  TileCode tile = 0;
  SeatAmounts delta{};      // this event's payments
  SeatAmounts dealTotal{};  // the deal's running total after it
};

struct DealOutcome {
  bool exhausted = false;  // the wall ran out; the check was made
  CheckOutcome check;
  std::array<TileList, kSeatCount> reveal{};  // concealed tiles as the client counts them
  SeatAmounts total{};
  int winEvents = 0;
  int nextDealer = 0;
};

class DealObserver {
 public:
  virtual ~DealObserver() = default;
  virtual void DealStarted(int dealer, int die1, int die2) = 0;
  // Four tiles while dealing, one for the last dealt tiles and every draw.
  virtual void TilesGiven(int seat, std::span<const TileCode> tiles) = 0;
  virtual void OfferMade(int seat, const Offer& offer) = 0;
  virtual void Discarded(int seat, TileCode tile, bool declaresReady, int concealedLeft) = 0;
  // Peng, the gangs and wins; `winnerMasks` are the seat masks of the claim's winners.
  virtual void OperationDone(int seat, OpCode op, TileCode tile,
                             std::array<uint8_t, 2> winnerMasks) = 0;
  virtual void WinSettled(const WinEvent& event) = 0;
  virtual void DealEnded(const DealOutcome& outcome) = 0;
};

class Deal {
 public:
  explicit Deal(DealObserver& observer) : observer_(observer) {}

  // Deals 40 tiles from `wall` starting with the dealer and offers the dealer the first turn.
  void Start(int dealer, const WallTiles& wall, int die1, int die2);
  // Applies one seat's answer. False, with the reason, when it is not allowed now; the deal is
  // then unchanged.
  bool Act(int seat, const Action& action, std::string* why = nullptr);

  bool Started() const { return phase_ != Phase::Idle; }
  bool Over() const { return phase_ == Phase::Over; }
  // The seat has an open offer it has not answered.
  bool Awaiting(int seat) const;
  const Offer& OfferOf(int seat) const { return offers_[Clamp(seat)]; }
  // Changes whenever the seat receives a new offer, so a scheduler can tell offers apart.
  uint32_t OfferSerial(int seat) const { return offerSerial_[Clamp(seat)]; }
  const Hand& HandOf(int seat) const { return hands_[Clamp(seat)]; }
  bool Declared(int seat) const { return declared_[Clamp(seat)]; }
  bool DeclarePending(int seat) const { return declarePending_[Clamp(seat)]; }
  bool Won(int seat) const { return won_[Clamp(seat)]; }
  int Dealer() const { return dealer_; }
  int Turn() const { return turn_; }
  int WallRemaining() const { return wall_.Remaining(); }
  int TakenFromFront() const { return wall_.TakenFromFront(); }
  int TakenFromBack() const { return wall_.TakenFromBack(); }
  // Discards and open melds: what every seat has seen.
  const TileCounts& Seen() const { return seen_; }
  const TileArray<32>& DiscardsOf(int seat) const { return discards_[Clamp(seat)]; }
  const SeatAmounts& Totals() const { return total_; }
  int WinEvents() const { return winEvents_; }

 private:
  enum class Phase : uint8_t { Idle, OwnTurn, Claims, Robbing, Over };

  static int Clamp(int seat) { return seat < 0 || seat >= kSeatCount ? 0 : seat; }
  int NextInPlay(int seat) const;
  SeatFlags InPlay() const;

  void Draw(int seat, bool replacement);
  void OfferOwnTurn(int seat);
  void OpenOffer(int seat, const Offer& offer);
  void CloseOffers();

  bool OwnTurnAct(int seat, const Action& action, std::string* why);
  bool ClaimAct(int seat, const Action& action, std::string* why);
  void Discard(int seat, TileCode tile);
  void ConcealedGang(int seat, TileCode tile);
  void AddedGang(int seat, TileCode tile);
  void ResolveClaims();
  void ResolveRob();
  void SelfDrawWin(int seat);
  void DiscardWins(std::span<const int> winners, int payer, TileCode tile, WinManner manner);
  void AfterWin(int lastWinner);
  void EndDeal(bool exhausted);

  // A declared hand may gang only when its waits stay the same.
  bool GangKeepsWaits(const Hand& before, const Hand& after) const;
  Offer ClaimOffer(int seat, TileCode tile) const;

  DealObserver& observer_;
  Phase phase_ = Phase::Idle;
  Wall wall_;
  std::array<Hand, kSeatCount> hands_{};
  std::array<TileArray<32>, kSeatCount> discards_{};
  std::array<Offer, kSeatCount> offers_{};
  std::array<bool, kSeatCount> answered_{};
  std::array<Action, kSeatCount> answers_{};
  std::array<uint32_t, kSeatCount> offerSerial_{};
  SeatFlags declared_{};
  SeatFlags declarePending_{};
  SeatFlags won_{};
  SeatFlags wonBySelfDraw_{};
  std::array<TileCode, kSeatCount> winTile_{};
  std::array<int, kSeatCount> draws_{};
  TileCounts seen_{};
  SeatAmounts total_{};

  int dealer_ = 0;
  int turn_ = 0;
  int winEvents_ = 0;
  int firstWinner_ = -1;
  int firstEventPayer_ = -1;
  bool firstEventDouble_ = false;
  bool claimsMade_ = false;     // any peng or gang so far: ends first-turn wins
  int discardsMade_ = 0;        // ends the heavenly win
  bool turnAfterGang_ = false;  // the current turn began with a replacement draw
  bool turnTookLastTile_ = false;
  // The discard (or added tile) on offer and its context.
  int offerFrom_ = -1;
  TileCode offerTile_ = 0;
  bool offerAfterGang_ = false;
  bool offerLastTile_ = false;
};

}  // namespace korvel::server
