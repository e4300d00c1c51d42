// The records the server writes, read back the way the client reads them: header values through
// the core's decoder (one byte each, except win reports), payload bytes at their offsets.
#include "table/server_records.h"

#include <gtest/gtest.h>

#include "platform/gbk.h"
#include "table/coin_settlement.h"
#include "table/record_trace.h"

namespace korvel::server {
namespace {

TEST(ServerRecords, OptionRecordPutsEveryListWhereTheClientReadsIt) {
  Offer o;
  o.kind = OfferKind::OwnTurn;
  o.bits = OpPass | OpConcealedGang | OpAddedGang | OpHu;
  for (TileCode t : {0x21, 0x85, 0x89}) o.concealedGangs.push_back(t);
  o.concealedGangs.push_back(0x22);  // a fourth never fits before the ready flag
  o.addedGangs.push_back(0x27);
  o.readyOffered = true;
  for (TileCode t : {0x23, 0x86}) o.readyDiscards.push_back(t);
  const RecordBytes r = OptionsRecord(1, &o, 8);
  const CommandInfo info = DecodeHeader(r);
  EXPECT_EQ(info.command, 6);
  EXPECT_EQ(info.seat, 2);
  EXPECT_EQ(info.value[0], o.bits);
  EXPECT_EQ(r[13], 0x21);
  EXPECT_EQ(r[14], 0x85);
  EXPECT_EQ(r[15], 0x89);
  EXPECT_EQ(r[36], 3);
  EXPECT_EQ(r[16], 1);
  EXPECT_EQ(r[20], 0x23);
  EXPECT_EQ(r[21], 0x86);
  EXPECT_EQ(r[22], 0);
  EXPECT_EQ(r[46], 1);
  EXPECT_EQ(r[47], 0x27);
  EXPECT_EQ(r[100], 8);
  // The copy for the other seats starts a clock and tells nothing else.
  const RecordBytes other = OptionsRecord(1, nullptr, 8);
  for (size_t i = 8; i < 260; ++i) {
    if (i != 100) {
      EXPECT_EQ(other[i], 0) << i;
    }
  }
}

TEST(ServerRecords, WinReportReadsBackAsTheClientDecodesIt) {
  WinReport w;
  w.score = -12;
  w.discarder = true;
  w.fan = FanCode{{1, 0x24, 0x21, 0x19}};
  w.baseStake = 10;
  w.dealAmount = -300;
  w.checkNotReady = true;
  w.checkAmount = -4096;
  const RecordBytes r = WinReportRecord(2, w);
  const CommandInfo info = DecodeHeader(r);
  EXPECT_EQ(info.command, 17);
  EXPECT_EQ(info.seat, 4);
  EXPECT_EQ(r[13], 0);  // a loss
  EXPECT_EQ(ReadLE32(r, 16), 300u);
  EXPECT_EQ(ReadBE16(r, 86), 12);
  EXPECT_EQ(ReadBE16(r, 88), 12);
  EXPECT_EQ(r[94], 1);
  EXPECT_EQ(r[97], 0x19);
  EXPECT_EQ(r[98], 0);
  EXPECT_EQ(r[99], 1);
  EXPECT_EQ(ReadBE32(r, 106), 10u);
  EXPECT_EQ(r[111], 0);
  EXPECT_EQ(r[112] | r[113] << 8, 4096);
  // Item pairs: index, value.
  EXPECT_EQ(r[116], 2);
  EXPECT_EQ(r[117], 0);  // item 1 becomes minus the magnitude
  EXPECT_EQ(r[120], 7);
  EXPECT_EQ(r[121], 1);  // this seat discarded the winning tile
  EXPECT_EQ(r[124], 14);
  EXPECT_EQ(r[125], 1);  // coins
  w.score = 70000;       // magnitudes that do not fit are clamped, never wrapped
  EXPECT_EQ(ReadBE16(WinReportRecord(0, w), 86), 0xFFFF);
}

TEST(ServerRecords, ADealResultCarriesTheFeeTheSubtotalAndTheLimit) {
  const DealResult won{95, 100, false, 5, "服务费"};
  const RecordBytes r = DealResultRecord(1, won, "");
  EXPECT_EQ(ReadLE32(r, 16), 95u);
  EXPECT_EQ(r[24], 0);
  EXPECT_EQ(r[25], 1);
  EXPECT_EQ(ReadLE32(r, 26), 100u);
  EXPECT_EQ(r[34], 5);
  EXPECT_EQ(GbkToUtf8(std::span(r).subspan(61, 20), true), "服务费");
  const DealResult lost{-300, -500, true, 5, "服务费"};
  const RecordBytes l = DealResultRecord(0, lost, "");
  EXPECT_EQ(DecodeHeader(l).value[1], 0);
  EXPECT_EQ(l[24], 1);
  EXPECT_EQ(l[25], 0);
  EXPECT_EQ(ReadLE32(l, 26), 500u);
  // A label too long for its field is cut between characters, and the field stays ended.
  const DealResult longLabel{1, 1, false, 1, "一二三四五六七八九十十一"};
  const RecordBytes c = DealResultRecord(0, longLabel, "");
  EXPECT_EQ(c[61 + 18], 0);
  EXPECT_EQ(GbkToUtf8(std::span(c).subspan(61, 20), true), "一二三四五六七八九");
  const RecordBytes shortNotice = CoinsShortRecord(3, 4);
  EXPECT_EQ(shortNotice[rec::kSeat], 3);
  EXPECT_EQ(DecodeHeader(shortNotice).value[3], 3);
  EXPECT_EQ(DecodeHeader(shortNotice).value[1], 4);
}

TEST(CoinSettlement, StakeFeeAndALossLimitedToTheCoinsHeld) {
  auto sum = [](const std::array<SeatCoins, 3>& c) {
    return c[0].coins + c[1].coins + c[2].coins + c[0].fee + c[1].fee + c[2].fee;
  };
  // Plenty of coins, no fee: units times stake.
  auto plain = SettleCoins({4, -2, -2}, {1000, 1000, 1000}, 10, 0);
  EXPECT_EQ(plain[0].coins, 40);
  EXPECT_EQ(plain[1].coins, -20);
  EXPECT_EQ(sum(plain), 0);
  // A 10% fee on the win only.
  auto fee = SettleCoins({4, -2, -2}, {1000, 1000, 1000}, 10, 10);
  EXPECT_EQ(fee[0].fee, 4);
  EXPECT_EQ(fee[0].coins, 36);
  EXPECT_EQ(fee[0].subtotal, 40);
  EXPECT_EQ(fee[1].coins, -20);
  // A loser with 5 coins pays 5; the winner gets what was paid.
  auto capped = SettleCoins({4, -2, -2}, {1000, 5, 1000}, 10, 0);
  EXPECT_TRUE(capped[1].capped);
  EXPECT_EQ(capped[1].coins, -5);
  EXPECT_EQ(capped[1].subtotal, -20);
  EXPECT_EQ(capped[0].coins, 25);
  EXPECT_EQ(sum(capped), 0);
  // Two winners share the shortfall in proportion; nobody goes below zero.
  auto two = SettleCoins({3, 1, -4}, {0, 0, 7}, 10, 0);
  EXPECT_EQ(two[2].coins, -7);
  EXPECT_EQ(two[0].coins + two[1].coins, 7);
  EXPECT_GE(two[1].coins, 0);
  // A seat with no coins at all pays nothing.
  auto broke = SettleCoins({2, -2, 0}, {0, 0, 0}, 10, 50);
  EXPECT_EQ(broke[1].coins, 0);
  EXPECT_EQ(broke[0].coins, 0);
  EXPECT_EQ(sum(broke), 0);
}

TEST(ServerRecords, DealResultAndDealEnd) {
  const RecordBytes loss = DealResultRecord(0, -100, "玩家");
  EXPECT_EQ(DecodeHeader(loss).value[1], 0);
  EXPECT_EQ(ReadLE32(loss, 16), 100u);
  EXPECT_EQ(loss[25], 0);
  EXPECT_EQ(ReadLE32(loss, 26), 100u);
  EXPECT_EQ(GbkToUtf8(std::span(loss).subspan(44, 16), true), "玩家");
  const RecordBytes gain = DealResultRecord(1, 40, "");
  EXPECT_EQ(DecodeHeader(gain).value[1], 1);
  EXPECT_EQ(ReadLE32(gain, 16), 40u);

  const RecordBytes end = DealEndRecord();
  EXPECT_EQ(DecodeHeader(end).value[3], 0);
  EXPECT_EQ(DecodeHeader(end).value[2], 1);
  const RecordBytes next = NextDealerRecord(2, 0x80000181u);
  EXPECT_EQ(DecodeHeader(next).value[3], 2);
  EXPECT_EQ(next[rec::kSeat], 4);
  EXPECT_EQ(ReadLE32(next, rec::kTrailer), 0x181u);  // the key stays non-negative
  EXPECT_EQ(GameOverRecord(5)[rec::kSeat], 5);
  EXPECT_EQ(DecodeHeader(GameOverRecord(5)).value[3], 1);
}

TEST(ServerRecords, TilesRevealsAndOperations) {
  const std::array<TileCode, 4> four = {0x21, 0x22, 0x83, 0x89};
  const RecordBytes dealt = TilesRecord(0, four);
  EXPECT_EQ(dealt[rec::kCommand], 1);
  EXPECT_EQ(DecodeHeader(dealt).value, (std::array<int16_t, 4>{0x21, 0x22, 0x83, 0x89}));
  const RecordBytes draw = TilesRecord(1, std::span(four.data(), 1));
  EXPECT_EQ(draw[rec::kCommand], 5);
  EXPECT_EQ(DecodeHeader(draw).value, (std::array<int16_t, 4>{0, 0, 0, 0x21}));
  const RecordBytes reveal = RevealRecord(2, std::span(four.data(), 3));
  EXPECT_EQ(DecodeHeader(reveal).value, (std::array<int16_t, 4>{0, 0x83, 0x22, 0x21}));
  const RecordBytes win = OperationRecord(1, OpHu, 0x85, false, 0x85, {2, 4});
  EXPECT_EQ(DecodeHeader(win).value, (std::array<int16_t, 4>{128, 0x85, 0x85, 0x85}));
  EXPECT_EQ(win[17], 0x85);
  EXPECT_EQ(win[18], 2);
  EXPECT_EQ(win[19], 4);
  const RecordBytes discard = DiscardRecord(0, 0x27, true, 13);
  EXPECT_EQ(DecodeHeader(discard).value[3], 0x27);
  EXPECT_EQ(discard[16], 1);
  EXPECT_EQ(discard[17], 13);
}

TEST(ServerRecords, PlayerInformationAndTexts) {
  PlayerProfile p;
  p.account = "alice";
  p.nickname = "爱丽丝Alice";
  p.avatar = "w3";
  p.gender = 0;
  p.location = "Beijing北京";  // the double-byte field keeps only the Chinese characters
  p.title = "高手";
  p.coins = 12345;
  p.wins = 7;
  const RecordBytes r = PlayerInfoRecord(kSeatByteSelf, p, true);
  EXPECT_EQ(r[rec::kSeat], 15);
  EXPECT_EQ(GbkToUtf8(std::span(r).subspan(16, 32), true), "爱丽丝Alice");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&r[48])), "w3");
  EXPECT_EQ(r[64], 0);
  EXPECT_EQ(GbkToUtf8(std::span(r).subspan(72, 8), true), "北京");
  EXPECT_EQ(ReadLE32(r, 96), 12345u);
  EXPECT_EQ(GbkToUtf8(std::span(r).subspan(112, 16), true), "高手");
  EXPECT_EQ(ReadLE32(r, 160), 7u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&r[168])), "alice");
  EXPECT_EQ(r[208], 1);
  EXPECT_EQ(r[255], 1);
  // A nickname longer than its field is cut between characters, never inside one.
  p.nickname = std::string(20, 'a') + "一二三四五六七八";
  const RecordBytes cut = PlayerInfoRecord(0, p, false);
  EXPECT_EQ(cut[47], 0);
  EXPECT_EQ(GbkToUtf8(std::span(cut).subspan(16, 32), true), std::string(20, 'a') + "一二三四五");
}

TEST(ServerRecords, LoginAndSeatingRecords) {
  const RecordBytes ok = LoginResultRecord(LoginVerdict::Accepted, 8, 3);
  EXPECT_EQ(DecodeHeader(ok).value, (std::array<int16_t, 4>{3, 8, 0, 1}));
  EXPECT_EQ(DecodeHeader(LoginResultRecord(LoginVerdict::Refused, 99, 0)).value[1], 15);
  const RecordBytes seat = SeatRecord(2, "a-very-long-account-name");
  EXPECT_EQ(seat[rec::kSeat], 4);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&seat[16]), 16), "a-very-long-acco");
  EXPECT_EQ(seat[32], 0);
  EXPECT_EQ(ReadyMarkRecord("bob")[15], 1);
  EXPECT_EQ(PlayerLeftRecord("bob")[8], 0);
}

TEST(ServerRecords, TraceLinesNameTheCommand) {
  const std::array<TileCode, 1> one = {0x29};
  EXPECT_NE(DescribeRecord(TilesRecord(0, one), TraceDirection::Out).find("draw b9"),
            std::string::npos);
  EXPECT_NE(DescribeRecord(PropScoreRecord(), TraceDirection::Out).find("prop score"),
            std::string::npos);
  RecordBytes junk;
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<uint8_t>(i * 37);
  for (int c = 0; c < 256; ++c) {
    junk[rec::kCommand] = static_cast<uint8_t>(c);
    EXPECT_FALSE(DescribeRecord(junk, TraceDirection::In).empty());
  }
}

}  // namespace
}  // namespace korvel::server
