#include "settlement/win_reports.h"

#include <algorithm>

#include "model/player_record.h"
#include "net/records.h"
#include "platform/ports.h"
#include "settlement/settlement.h"

namespace korvel {
namespace {

// A value byte above 128 is negative; 0..128 are taken as they are.
int16_t ItemValue(uint8_t b) { return static_cast<int16_t>(b > 128 ? b - 256 : b); }

int16_t Clamp16(int32_t v) {
  return static_cast<int16_t>(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX));
}

// 1 becomes +magnitude, 0 becomes -magnitude, any other value stays.
int16_t Combined(int16_t item, uint16_t magnitude) {
  if (item == 1) return Clamp16(magnitude);
  if (item == 0) return Clamp16(-static_cast<int32_t>(magnitude));
  return item;
}

FanCode ReadFan(const RecordBytes& r, size_t at) {
  FanCode f;
  std::copy_n(r.begin() + static_cast<long>(at), 4, f.bytes.begin());
  return f;
}

// Little-endian magnitude, byte 23 down to byte 16, kept in floating point as the board needs.
double DealAmount(const RecordBytes& r) {
  double v = 0;
  for (int k = 7; k >= 0; --k) v = 256 * v + r[win::kDealAmount + k];
  return r[win::kAmountSign] == 0 ? -v : v;
}

}  // namespace

void WinStores::ResetForNewDeal() {
  HasWon.fill(0);
  items = {};
  historyItems = {};
  historyFans = {};
  WinEventCount = 0;
  readyFan.fill(FanCode{});
  checkA.fill(0);
  checkB.fill(0);
  ClaimWinners.fill(0);
}

void WinStores::MarkClaimWinners(int localMask) {
  for (uint8_t mask : ClaimWinners) {
    if (mask != 0) HasWon[ViewOf(localMask, mask)] = 1;
  }
}

WinReportResult ApplyWinReport(WinStores& s, const RecordBytes& r, ViewPos v, int localMask) {
  WinReportResult result;
  if (v < 0 || v >= kSeats) return result;
  for (int p = 0; p < win::kItemPairCount; ++p) {
    const uint8_t index = r[win::kItemPairs + 2 * p];
    // Index 0 names no item; 17 and above lie beyond the items.
    if (index == 0 || index > kWinItemCount - 1) continue;
    s.items[index - 1][v] = ItemValue(r[win::kItemPairs + 2 * p + 1]);
    if (index - 1 == kItemCurrency) s.Currency[v] = s.items[kItemCurrency][v];
  }
  s.items[kItemScore][v] = Combined(s.items[kItemScore][v], ReadBE16(r, win::kScore));
  s.items[kItemSecondScore][v] =
      Combined(s.items[kItemSecondScore][v], ReadBE16(r, win::kSecondScore));
  s.BaseStake = ReadBE32(r, win::kBaseStake);
  s.winFan[v] = ReadFan(r, win::kWinFan);
  s.checkA[v] = r[win::kCheckA];
  s.checkB[v] = r[win::kCheckB];
  s.readyFan[v] = ReadFan(r, win::kReadyFan);
  s.checkSign[v] = r[win::kCheckSign];
  s.checkAmount[v] = static_cast<int16_t>(r[win::kCheckAmount] | r[win::kCheckAmount + 1] << 8);
  s.dealAmount[v] = DealAmount(r);

  if (++s.WinReportArrivals < kSeats) return result;
  s.WinReportArrivals = 0;
  s.MarkClaimWinners(localMask);
  // The last slot stays empty for the breakdown's walk past the last event.
  if (s.WinEventCount >= kMaxWinEvents) {
    result.droppedEvent = true;
    return result;
  }
  s.historyItems[s.WinEventCount] = s.items;
  s.historyFans[s.WinEventCount] = s.winFan;
  ++s.WinEventCount;
  result.closedEvent = true;
  return result;
}

void Settlement::OnWinReport(CommandInfo& info) {
  const int localMask = table_.LocalMask();
  const WinReportResult result =
      ApplyWinReport(stores, records_.ReceivedRecord, ViewOf(localMask, info.seat), localMask);
  if (result.droppedEvent) {
    log_.Write("a further win event in one deal is beyond the score board");
  }
}

void Settlement::ResetForNewDeal() {
  stores.ResetForNewDeal();
  // A new deal's names start plain; the board shown meanwhile keeps the last deal's colours.
  nameColour = {kNameInk, kNameInk, kNameInk};
}

}  // namespace korvel
