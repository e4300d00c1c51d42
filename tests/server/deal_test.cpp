#include "table/deal.h"

#include <gtest/gtest.h>

#include <optional>

#include "server_test_support.h"

namespace korvel::server {
namespace {

using testing::ScriptWall;
using testing::Tiles;

class Recorder : public DealObserver {
 public:
  void DealStarted(int dealer, int, int) override { this->dealer = dealer; }
  void TilesGiven(int seat, std::span<const TileCode> tiles) override {
    given[seat] += static_cast<int>(tiles.size());
    lastGiven[seat] = tiles.back();
    if (tiles.size() == 4) ++fours;
  }
  void OfferMade(int seat, const Offer& offer) override { offers.push_back({seat, offer}); }
  void Discarded(int seat, TileCode tile, bool declares, int) override {
    discards.push_back({seat, tile});
    if (declares) declaredBy.push_back(seat);
  }
  void OperationDone(int seat, OpCode op, TileCode tile, std::array<uint8_t, 2> masks) override {
    operations.push_back({seat, op, tile, masks});
  }
  void WinSettled(const WinEvent& ev) override { wins.push_back(ev); }
  void DealEnded(const DealOutcome& out) override { outcome = out; }

  struct Op {
    int seat;
    OpCode op;
    TileCode tile;
    std::array<uint8_t, 2> masks;
  };
  int dealer = -1;
  int fours = 0;
  std::array<int, 3> given{};
  std::array<TileCode, 3> lastGiven{};
  std::vector<std::pair<int, Offer>> offers;
  std::vector<std::pair<int, TileCode>> discards;
  std::vector<int> declaredBy;
  std::vector<Op> operations;
  std::vector<WinEvent> wins;
  std::optional<DealOutcome> outcome;
};

class DealTest : public ::testing::Test {
 protected:
  void Start(int dealer, const std::array<std::string, 3>& hands, std::string_view draws = "",
             std::string_view replacements = "") {
    deal.Start(dealer, ScriptWall(dealer, hands, draws, replacements), 3, 4);
  }
  void Act(int seat, ActionKind kind, TileCode tile = 0) {
    std::string why;
    ASSERT_TRUE(deal.Act(seat, {kind, tile}, &why)) << "seat " << seat << ": " << why;
  }
  void Refused(int seat, ActionKind kind, TileCode tile = 0) {
    std::string why;
    EXPECT_FALSE(deal.Act(seat, {kind, tile}, &why));
    EXPECT_FALSE(why.empty());
  }
  // Every open claim is declined.
  void PassClaims() {
    for (int s = 0; s < 3; ++s)
      if (deal.Awaiting(s) && deal.OfferOf(s).kind != OfferKind::OwnTurn) Act(s, ActionKind::Pass);
  }
  int OwnTurnSeat() const {
    for (int s = 0; s < 3; ++s)
      if (deal.Awaiting(s) && deal.OfferOf(s).kind == OfferKind::OwnTurn) return s;
    return -1;
  }

  Recorder rec;
  Deal deal{rec};
};

TEST_F(DealTest, DealsFortyTilesFromTheDealerAndOffersTheDealerTheFirstTurn) {
  Start(1, {"b1 b1 b2 b2 b3 b3 b4 b4 b6 b6 b7 b7 b9", "d1 d1 d2 d2 d3 d3 d4 d4 d6 d6 d7 d7 d9 b5",
            "d1 d2 d3 d4 d5 d6 d7 d8 d9 b5 b5 b8 b8"});
  EXPECT_EQ(rec.dealer, 1);
  EXPECT_EQ(rec.fours, 9);
  EXPECT_EQ(rec.given, (std::array<int, 3>{13, 14, 13}));
  EXPECT_EQ(deal.HandOf(1).ConcealedCount(), 14);
  EXPECT_EQ(deal.WallRemaining(), 32);
  ASSERT_EQ(rec.offers.size(), 1u);
  EXPECT_EQ(rec.offers[0].first, 1);
  EXPECT_EQ(rec.offers[0].second.kind, OfferKind::OwnTurn);
  EXPECT_TRUE(deal.Awaiting(1));
  EXPECT_FALSE(deal.Awaiting(0));
  // The dealer's fourteenth tile is no drawn tile: the client sorts the whole hand.
  EXPECT_EQ(deal.HandOf(1).drawn, 0);
}

TEST_F(DealTest, AnswersThatDoNotFitAreRefusedAndChangeNothing) {
  Start(0, {"b1 b1 b2 b2 b3 b3 b4 b4 b6 b6 b7 b7 b9 d9", "d1 d1 d2 d2 d3 d3 d4 d4 d6 d6 d7 d7 d8",
            "d1 d2 d3 d4 d5 d6 d7 d8 d9 b5 b5 b8 b8"});
  const Hand before = deal.HandOf(0);
  Refused(0, ActionKind::Discard, 0x25);  // not held
  Refused(0, ActionKind::Discard, 0x45);  // not even a tile of this game
  Refused(0, ActionKind::Peng, 0x21);
  Refused(0, ActionKind::Win);
  Refused(0, ActionKind::ConcealedGang, 0x21);
  Refused(1, ActionKind::Discard, 0x81);  // out of turn
  Refused(5, ActionKind::Pass);
  EXPECT_EQ(deal.HandOf(0).concealed, before.concealed);
  Act(0, ActionKind::Pass);  // declining nothing is harmless; the turn stays
  EXPECT_TRUE(deal.Awaiting(0));
}

TEST_F(DealTest, PengTakesTheDiscardAndTheClaimerDiscardsWithoutDrawing) {
  Start(0, {"b5 b1 b1 b2 b2 b3 b3 d5 d5 d7 d8 b7 b8 b9", "b5 b5 d1 d1 d2 d2 d3 d3 d4 d4 d6 d6 d8",
            "d1 d2 d3 d4 d5 d6 d7 d8 d9 b4 b4 b6 b6"});
  Act(0, ActionKind::Discard, 0x25);
  ASSERT_TRUE(deal.Awaiting(1));
  EXPECT_EQ(deal.OfferOf(1).kind, OfferKind::Claim);
  EXPECT_EQ(deal.OfferOf(1).bits, OpPass | OpPeng);
  EXPECT_FALSE(deal.Awaiting(2));
  Act(1, ActionKind::Peng, 0x25);
  ASSERT_FALSE(rec.operations.empty());
  EXPECT_EQ(rec.operations.back().op, OpPeng);
  EXPECT_EQ(deal.HandOf(1).meldCount, 1);
  EXPECT_EQ(deal.HandOf(1).ConcealedCount(), 11);
  EXPECT_EQ(OwnTurnSeat(), 1);
  EXPECT_EQ(deal.WallRemaining(), 32);
  EXPECT_TRUE(deal.DiscardsOf(0).empty());  // the claimed tile left the discard row
  EXPECT_EQ(deal.Seen()[KindOf(0x25)], 3);
}

TEST_F(DealTest, AWinGoesBeforeAPengThatAnsweredFirst) {
  // Seat 1 can peng b5; seat 2 wins on it (b4 b6 waiting for the five).
  Start(0, {"b5 b1 b1 b2 b2 b3 b3 d5 d5 d7 d8 b7 b8 b9", "b5 b5 d1 d1 d2 d2 d3 d3 d4 d4 d6 d6 d8",
            "b4 b6 d1 d2 d3 d4 d5 d6 d7 d8 d9 b9 b9"});
  Act(0, ActionKind::Discard, 0x25);
  ASSERT_TRUE(deal.OfferOf(2).Has(OpHu));
  Act(1, ActionKind::Peng, 0x25);
  EXPECT_TRUE(rec.operations.empty());  // the win is still possible
  Act(2, ActionKind::Win);
  ASSERT_EQ(rec.wins.size(), 1u);
  const WinEvent& ev = rec.wins[0];
  EXPECT_EQ(ev.winnerCount, 1);
  EXPECT_EQ(ev.winners[0].seat, 2);
  EXPECT_EQ(ev.payer, 0);
  EXPECT_EQ(ev.delta, (SeatAmounts{-1, 0, 1}));
  EXPECT_EQ(rec.operations.back().op, OpHu);
  EXPECT_EQ(rec.operations.back().masks, (std::array<uint8_t, 2>{4, 0}));
  EXPECT_EQ(deal.HandOf(1).meldCount, 0);
  // Play goes on with the seat after the winner.
  EXPECT_EQ(OwnTurnSeat(), 0);
  EXPECT_TRUE(deal.Won(2));
  EXPECT_FALSE(deal.Over());
}

TEST_F(DealTest, TwoSeatsWinOnOneDiscardAndTheDealEnds) {
  Start(0, {"b5 b1 b1 b2 b2 b3 b3 d5 d5 d7 d8 b7 b8 b9", "b4 b6 d1 d1 d2 d2 d3 d3 d4 d4 d6 d6 d6",
            "b3 b4 d1 d2 d3 d4 d5 d6 d7 d8 d9 b9 b9"});
  Act(0, ActionKind::Discard, 0x25);
  Act(2, ActionKind::Win);
  EXPECT_TRUE(rec.wins.empty());
  Act(1, ActionKind::Win);
  ASSERT_EQ(rec.wins.size(), 1u);
  EXPECT_EQ(rec.wins[0].winnerCount, 2);
  EXPECT_EQ(rec.operations.size(), 2u);
  EXPECT_EQ(rec.operations[0].masks, (std::array<uint8_t, 2>{2, 4}));
  ASSERT_TRUE(deal.Over());
  ASSERT_TRUE(rec.outcome.has_value());
  EXPECT_FALSE(rec.outcome->exhausted);
  EXPECT_EQ(Sum(rec.outcome->total), 0);
  EXPECT_EQ(rec.outcome->total[0], -rec.outcome->total[1] - rec.outcome->total[2]);
  // A double win passes the deal to the discarder.
  EXPECT_EQ(rec.outcome->nextDealer, 0);
  // The winners' revealed hands leave out the claimed tile, as the client counts them.
  EXPECT_EQ(rec.outcome->reveal[1].size, 13);
  EXPECT_EQ(rec.outcome->reveal[2].size, 13);
  EXPECT_EQ(rec.outcome->reveal[0].size, 13);
}

TEST_F(DealTest, HeavenlyWinIsPaidByBothOthers) {
  Start(2, {"b1 b4 b7 d1 d4 d7 d2 d5 d8 b2 b5 b8 d9", "b1 b4 b7 d1 d4 d7 d2 d5 d8 b2 b5 b8 d9",
            "b1 b2 b3 b4 b5 b6 d2 d3 d4 d7 d8 d9 b9 b9"});
  ASSERT_TRUE(deal.OfferOf(2).Has(OpHu));
  EXPECT_TRUE(deal.OfferOf(2).Has(OpPass));
  Act(2, ActionKind::Win);
  ASSERT_EQ(rec.wins.size(), 1u);
  const WinEvent& ev = rec.wins[0];
  EXPECT_TRUE(ev.selfDrawn);
  EXPECT_EQ(ev.winners[0].value.code.bytes[2] >> 4, 1);
  EXPECT_EQ(ev.winners[0].value.units, 8);
  EXPECT_EQ(ev.delta, (SeatAmounts{-8, -8, 16}));
  // After the win the seat after the winner draws.
  EXPECT_EQ(OwnTurnSeat(), 0);
  EXPECT_EQ(rec.given[0], 14);
}

TEST_F(DealTest, GangOnADiscardDrawsFromTheFarEndAndAWinThereIsAReplacementWin) {
  // Seat 1 holds three d9 and is one tile from winning on b3 with b1 b2.
  Start(0,
        {"d9 b4 b4 b5 b5 b6 b6 d1 d1 d3 d3 b8 b8 b7", "d9 d9 d9 b1 b2 d4 d5 d6 d6 d7 d8 b9 b9",
         "d1 d2 d3 d4 d5 d6 d7 b1 b2 b3 b7 b7 b5"},
        "", "b3");
  Act(0, ActionKind::Discard, 0x89);
  ASSERT_TRUE(deal.Awaiting(1));
  EXPECT_TRUE(deal.OfferOf(1).Has(OpGang));
  Act(1, ActionKind::Gang, 0x89);
  ASSERT_FALSE(rec.operations.empty());
  EXPECT_EQ(rec.operations.back().op, OpGang);
  EXPECT_EQ(rec.lastGiven[1], 0x23);  // the replacement came from the far end
  EXPECT_EQ(deal.TakenFromBack(), 1);
  ASSERT_TRUE(deal.OfferOf(1).Has(OpHu));
  Act(1, ActionKind::Win);
  ASSERT_EQ(rec.wins.size(), 1u);
  const FanCode& code = rec.wins[0].winners[0].value.code;
  EXPECT_EQ(code.bytes[1] & 0x0F, 1);  // won on the replacement tile
  EXPECT_EQ(RootCountOf(code), 1);     // the gang is a root
}

TEST_F(DealTest, AnAddedGangCanBeRobbed) {
  // Seat 1 pengs b5 from the dealer and later adds the fourth b5; by then seat 2, having
  // drawn d7, waits on b5 with b4 b6.
  Start(0,
        {"b5 b1 b1 b2 b2 b3 b3 d5 d5 d7 d8 b7 b8 d9", "b5 b5 d1 d1 d2 d2 d3 d3 d4 d4 d6 d6 b9",
         "b4 b6 d1 d2 d3 d4 d5 d6 d8 d9 b9 b9 b1"},
        "d7 d8 b5");
  Act(0, ActionKind::Discard, 0x25);
  ASSERT_TRUE(deal.Awaiting(1));
  EXPECT_FALSE(deal.Awaiting(2));
  Act(1, ActionKind::Peng, 0x25);
  Act(1, ActionKind::Discard, 0x29);
  PassClaims();
  ASSERT_EQ(OwnTurnSeat(), 2);
  Act(2, ActionKind::Discard, 0x21);
  PassClaims();
  ASSERT_EQ(OwnTurnSeat(), 0);
  Act(0, ActionKind::Discard, 0x88);
  PassClaims();
  ASSERT_EQ(OwnTurnSeat(), 1);
  ASSERT_TRUE(deal.OfferOf(1).addedGangs.contains(0x25));
  Act(1, ActionKind::AddedGang, 0x25);
  ASSERT_FALSE(rec.operations.empty());
  EXPECT_EQ(rec.operations.back().op, OpAddedGang);
  ASSERT_TRUE(deal.Awaiting(2));
  EXPECT_EQ(deal.OfferOf(2).kind, OfferKind::Rob);
  Act(2, ActionKind::Win);
  ASSERT_EQ(rec.wins.size(), 1u);
  const WinEvent& ev = rec.wins[0];
  EXPECT_EQ(ev.payer, 1);
  EXPECT_EQ(ev.winners[0].value.code.bytes[1] & 0x0F, 2);
  EXPECT_EQ(ev.delta[1], -ev.delta[2]);
  // The gang falls back to a peng.
  EXPECT_EQ(deal.HandOf(1).melds[0].kind, MeldKind::Peng);
}

TEST_F(DealTest, ADeclaredHandDiscardsWhatItDrawsAndIsOfferedNoPeng) {
  // The dealer is ready after discarding d9 (waiting on d6 or d9) and declares; it holds b9 b9.
  Start(0,
        {"b1 b2 b3 b4 b5 b6 d2 d3 d4 d7 d8 b9 b9 d9", "b7 b7 d1 d1 d2 d2 d3 d3 d4 d4 d6 d6 b9",
         "b8 b8 d1 d2 d3 d4 d5 d6 d7 d8 b1 b2 b3"},
        "d5 d5 b7");
  const Offer& first = deal.OfferOf(0);
  ASSERT_TRUE(first.readyOffered);
  EXPECT_TRUE(first.readyDiscards.contains(0x89));
  Act(0, ActionKind::DeclareReady);
  Refused(0, ActionKind::DeclareReady);
  Act(0, ActionKind::Discard, 0x89);
  ASSERT_EQ(rec.declaredBy, std::vector<int>{0});
  EXPECT_TRUE(deal.Declared(0));
  PassClaims();
  ASSERT_EQ(OwnTurnSeat(), 1);
  Act(1, ActionKind::Discard, 0x29);
  EXPECT_FALSE(deal.Awaiting(0));  // a declared hand pengs nothing
  PassClaims();
  ASSERT_EQ(OwnTurnSeat(), 2);
  Act(2, ActionKind::Discard, 0x85);
  PassClaims();
  ASSERT_EQ(OwnTurnSeat(), 0);
  EXPECT_FALSE(deal.OfferOf(0).readyOffered);
  Refused(0, ActionKind::Discard, 0x21);  // not the drawn tile
  Act(0, ActionKind::Discard, 0x27);
}

TEST_F(DealTest, AnEmptyWallEndsTheDealWithTheCheck) {
  // Seat 1 is ready (kanchan b2); the others are far from it. Everyone discards what they draw.
  Start(0, {"b1 b4 b7 d1 d4 d7 d2 d5 d8 b2 b5 b8 d9 d3", "b1 b3 d4 d5 d6 d7 d8 d9 b7 b8 b9 d2 d2",
            "b1 b4 b7 d1 d4 d7 d2 d5 d8 b3 b6 b9 d6"});
  for (int guard = 0; guard < 200 && !deal.Over(); ++guard) {
    PassClaims();
    const int s = OwnTurnSeat();
    if (s < 0) continue;
    const Hand& h = deal.HandOf(s);
    Act(s, ActionKind::Discard, h.drawn ? h.drawn : h.LastInClientOrder());
  }
  ASSERT_TRUE(deal.Over());
  ASSERT_TRUE(rec.outcome.has_value());
  if (!rec.wins.empty()) GTEST_SKIP() << "a claim was never passed";
  EXPECT_TRUE(rec.outcome->exhausted);
  EXPECT_EQ(deal.WallRemaining(), 0);
  EXPECT_TRUE(rec.outcome->check.ready[1]);
  EXPECT_TRUE(rec.outcome->check.notReady[0]);
  EXPECT_TRUE(rec.outcome->check.notReady[2]);
  EXPECT_EQ(rec.outcome->total, (SeatAmounts{-2, 4, -2}));
  EXPECT_EQ(rec.outcome->nextDealer, 0);  // no winner: the dealer deals again
  for (const TileList& r : rec.outcome->reveal) EXPECT_EQ(r.size, 13);
}

}  // namespace
}  // namespace korvel::server
