#include "settlement/breakdown_text.h"

#include "settlement/amount_text.h"

namespace korvel {
namespace {

constexpr const char* kCoins = "金币";
constexpr const char* kReadyDouble = "报  叫  × 2";
constexpr const char* kDash22 = "----------------------";
constexpr const char* kDash23 = "-----------------------";
constexpr const char* kDash24 = "------------------------";
constexpr const char* kCheckDashFirst = "--------查叫------------";
constexpr const char* kCheckDashSecond = "--------查叫-------------";

class BreakdownWriter {
 public:
  BreakdownWriter(WinStores& s, Breakdown& out) : s_(s), out_(out) {}

  void Header(const std::array<BreakdownSeat, kSeats>& seats) {
    for (int v = 0; v < kSeats; ++v) {
      Add(v, "初始：" + seats[v].cashCaption);
      Add(v, "房间底金: " + std::to_string(s_.BaseStake) + kCoins);
      Add(v, " -------------------  ");
    }
    for (int v = 0; v < kSeats; ++v) {
      Add(v, seats[v].dealer ? "         庄家   " : " ");
      Add(v, " ");
    }
  }

  void Event(int k) {
    DiscardWin(k);
    SelfDrawnWin(k);
  }

  void Check();

  int wonCount = 0;

 private:
  void Add(int v, std::string line) { out_.columns[v].push_back(std::move(line)); }
  std::string Amount(double units) const {
    return ":" + AmountText(units * static_cast<double>(s_.BaseStake)) + kCoins;
  }

  void DiscardWin(int k);
  void SelfDrawnWin(int k);
  void CheckLayout(int w, bool first);
  // The check's result line after the sign multiplier has taken the seat's check sign.
  void UpdateSign(int v) {
    if (s_.checkSign[v] == 1) {
      sign_ = 1;
    } else if (s_.checkSign[v] == 0) {
      sign_ = -1;
    }
  }
  int64_t CheckProduct(int v) const { return int64_t{s_.checkAmount[v]} * s_.BaseStake; }

  WinStores& s_;
  Breakdown& out_;
  std::string shape_;  // the last winner's hand text, which the discarder's line repeats
  int sign_ = 0;       // the check sign multiplier, carried from seat to seat
};

void BreakdownWriter::DiscardWin(int k) {
  const WinItems& items = s_.historyItems[k];
  for (int h = 0; h < kSeats; ++h) {
    if (items[kItemDiscarder][h] != 1) continue;
    for (int v = 0; v < kSeats; ++v) {
      if (items[kItemScore][v] <= 0) continue;
      const FanCode& f = s_.historyFans[k][v];
      switch (MannerOf(f)) {
        case kMannerKongReplacement:
          Add(v, "直杠杠开 ");
          break;
        case kMannerRobbedKong:
          Add(v, "抢    杠  ");
          break;
        case kMannerAfterKongDiscard:
          Add(v, "杠 上 炮  ");
          break;
        default:
          Add(v, "胡    牌  ");
          break;
      }
      shape_ = HandText(f, ShapeWords::DiscardWin);
      Add(v, shape_ + Amount(items[kItemScore][v]));
      if (EarlyWinOf(f) == 1) {
        Add(v, "天  和");
      } else if (EarlyWinOf(f) == 2) {
        Add(v, std::string("第一和") + (DeclaredReady(f) ? kReadyDouble : ""));
      } else {
        Add(v, DeclaredReady(f) ? kReadyDouble : "");
      }
      Add(v, KanchanTwoBamboo(f) ? "卡二条" : "  ");
      Add(v, LastTileOfWall(f) ? "海  捞 " : "  ");
      Add(v, kDash24);
    }
    Add(h, "   放炮  ");
    Add(h, shape_ + Amount(items[kItemScore][h]));
    Add(h, " ");
    Add(h, " ");
    Add(h, " ");
    Add(h, kDash22);
    for (int v = 0; v < kSeats; ++v) {
      if (v == h || items[kItemScore][v] != 0) continue;
      for (const char* line : {" ", " ", " ", "  ", " "}) Add(v, line);
      Add(v, kDash22);
    }
  }
}

void BreakdownWriter::SelfDrawnWin(int k) {
  const WinItems& items = s_.historyItems[k];
  for (int v = 0; v < kSeats; ++v) {
    const int multiplier = items[kItemSelfDrawn][v];
    if (multiplier <= 0) continue;
    const FanCode& f = s_.historyFans[k][v];
    Add(v, MannerOf(f) == kMannerKongReplacement ? "   杠  开" : "   自  摸");
    const std::string hand = HandText(f, ShapeWords::SelfDrawn);
    Add(v, hand + Amount(static_cast<double>(items[kItemScore][v]) * multiplier));
    if (EarlyWinOf(f) == 1) {
      Add(v, "天  和");
    } else {
      Add(v, DeclaredReady(f) ? kReadyDouble : "");
    }
    Add(v, KanchanTwoBamboo(f) ? "卡二条" : "  ");
    Add(v, LastTileOfWall(f) ? "海  捞 " : "  ");
    Add(v, kDash23);
    for (int w = 0; w < kSeats; ++w) {
      if (w == v || items[kItemSelfDrawn][w] != 0) continue;
      Add(w, " ");
      Add(w, items[kItemScore][w] != 0
                 ? hand + Amount(static_cast<double>(items[kItemScore][w]) * multiplier)
                 : std::string(" "));
      for (const char* line : {"  ", "  ", " "}) Add(w, line);
      Add(w, kDash24);
    }
  }
}

void BreakdownWriter::CheckLayout(int w, bool first) {
  const FanCode& f = s_.readyFan[w];
  Add(w, "");
  Add(w, first ? kCheckDashFirst : kCheckDashSecond);
  Add(w, HandText(f, first ? ShapeWords::CheckFirst : ShapeWords::CheckSecond));
  Add(w, KanchanTwoBamboo(f) ? "卡二条 " : "   ");
  UpdateSign(w);
  if (sign_ == 1) {
    Add(w, " 赢:" + std::to_string(CheckProduct(w)) + kCoins);
  } else if (sign_ == -1) {
    Add(w, " 输:" + std::to_string(-CheckProduct(w)) + kCoins);
  }
}

void BreakdownWriter::Check() {
  int readyCount = 0;
  for (int v = 0; v < kSeats; ++v) readyCount += s_.checkA[v] > 0 ? 1 : 0;
  for (int v = 0; v < kSeats; ++v) {
    if (s_.checkA[v] == 0 || s_.checkAmount[v] <= 0) continue;
    Add(v, "");
    Add(v, kCheckDashFirst);
    Add(v, "");
    Add(v, "");
    // What the ready seat collects: a gain, written as one after "赢".
    Add(v, " 赢:" + std::to_string(CheckProduct(v)) + kCoins);
  }
  for (int v = 0; v < kSeats; ++v) {
    if (readyCount < 3 && s_.checkB[v] == 1 && s_.checkA[v] == 0 && wonCount < 3) {
      Add(v, "");
      Add(v, kCheckDashSecond);
      Add(v, " 未下叫");
      Add(v, " ");
      UpdateSign(v);
      Add(v, " 输:" + std::to_string(CheckProduct(v) * sign_) + kCoins);
    }
    if (v != 0) continue;
    for (int w = 0; w < kSeats; ++w) {
      if (s_.HasWon[w] != 0 || s_.checkB[w] != 0 || s_.checkA[w] != 0) {
        if (s_.HasWon[w] == 1) {
          for (int i = 0; i < 5; ++i) Add(w, "");
        }
        continue;
      }
      // A seat with no ready hand has nothing to show (and its check values are old ones).
      if (s_.readyFan[w].Empty()) continue;
      if (s_.items[kItemCheckLayout][w] >= 1 && wonCount < 3) {
        CheckLayout(w, true);
      } else if (wonCount < 2) {
        CheckLayout(w, false);
      }
    }
  }
}

}  // namespace

Breakdown BuildBreakdown(WinStores& stores, const std::array<BreakdownSeat, kSeats>& seats,
                         int localMask) {
  Breakdown out;
  BreakdownWriter writer(stores, out);
  for (int v = 0; v < kSeats; ++v) {
    if (stores.HasWon[v] == 1) {
      ++writer.wonCount;
      out.winnerName[v] = true;
    }
  }
  writer.Header(seats);
  stores.MarkClaimWinners(localMask);
  for (int k = 0; k <= stores.WinEventCount && k < kWinHistorySlots; ++k) writer.Event(k);
  writer.Check();
  return out;
}

}  // namespace korvel
