// A logged-in client at a seated table of three (local seat mask 1; Bob on the left with mask
// 4, Cat on the right with mask 2), with the game record file in a folder of its own.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "settlement/settlement_records.h"
#include "support/client_fixture.h"

namespace korvel::testing {

inline constexpr int kMasks[3] = {1, 4, 2};
inline const std::string kDash22(22, '-'), kDash23(23, '-'), kDash24(24, '-');
inline const std::string kRule(28, '=');
using Lines = std::vector<std::string>;

class SettlementFixture : public ClientFixture {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/korvel-settlement-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    appDir = folder;
    vp.files.appDir = appDir;
    LogIn();
    const char* names[3] = {"我", "Bob", "Cat"};
    const double coins[3] = {1000, 800, 1200};
    const char* avatars[3] = {"3", "12", "5"};
    for (int v = 0; v < 3; ++v) {
      client.table().players[v].seatMask = static_cast<uint8_t>(kMasks[v]);
      SeatInfo& s = client.table().seatInfo[v];
      s.nickname = names[v];
      s.coins = coins[v];
      s.points = 50;
      client.table().seating.SeatFace[v] = {names[v], avatars[v]};
      main().SetCaption(el().Cash[v], NumberText(coins[v]) + "金币");
    }
    client.table().players[0].isDealer = true;
    client.table().progress.DealCount = 1;
  }
  void TearDown() override { std::filesystem::remove_all(appDir); }

  Form& main() { return client.view().main(); }
  const MainElements& el() { return client.view().el; }
  Form& form(FormId id) { return client.view().scene().form(id); }
  Form& board() { return form(client.settlement().board().form); }
  Form& history() { return form(client.settlement().history().form); }
  const Lines& State(int k) { return board().Get(client.settlement().board().State[k])->lines; }

  // Delivers records and lets the loop take every one of them.
  void Feed(std::initializer_list<RecordBytes> records) {
    for (const RecordBytes& r : records) Deliver(r);
    ASSERT_EQ(Run(100 * static_cast<int>(records.size()) + 100), -1);
  }

  // One discard win: Bob (left) wins on Cat's discard, 2 units at stake 5; the deal ends on it.
  void DiscardWinDeal(int64_t units = 2, uint8_t feePercent = 5) {
    client.settlement().SetClaimWinners(4, 0);
    Report winner, payer, bystander;
    winner.pairs = {{2, 1}, {6, 1}, {7, 0}, {11, 0}, {14, 1}};
    winner.score = static_cast<uint16_t>(units);
    winner.fan = {{0, 0, 0, 1}};
    winner.dealAmount = units;
    payer.pairs = {{2, 0}, {6, 0}, {7, 1}, {11, 0}, {14, 1}};
    payer.score = static_cast<uint16_t>(units);
    payer.dealAmount = -units;
    bystander.pairs = {{2, 0}, {6, 0}, {7, 0}, {11, 0}, {14, 1}};
    winner.mask = 4;
    payer.mask = 2;
    bystander.mask = 1;
    Feed({WinReportRecord(winner), WinReportRecord(payer), WinReportRecord(bystander)});
    const int64_t coins = units * 5;
    DealResult r0{1, 0, 1, 0, 1, 0, feePercent, "雀圣", "台费"};
    DealResult r1{4, coins, 1, 0, 1, coins, feePercent, "雀神", "台费"};
    DealResult r2{2, coins, 0, 0, 0, coins, feePercent, "雀鬼", ""};
    Feed({DealResultRecord(r0), DealResultRecord(r1), DealResultRecord(r2)});
    Feed({NoticeRecord(7, 0, 1, 0)});
  }

  std::string appDir;
};

}  // namespace korvel::testing
