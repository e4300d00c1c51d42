#include "table/table_play.h"

#include <chrono>

#include "app/client.h"

namespace korvel {

TablePlay::TablePlay(Client& client)
    : client_(client),
      rng_(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count())) {}

int TablePlay::Random(int n) {
  if (n <= 1) return 0;
  if (random_) return std::clamp(random_(n), 0, n - 1);
  return std::uniform_int_distribution<int>(0, n - 1)(rng_);
}

void TablePlay::OnDiscard(CommandInfo& info) { OnDiscardAnnounced(info); }

void TablePlay::OnTurn(CommandInfo& info) {
  // Kept whole: the gang button reads its candidate lists from the offer it answers, and
  // another seat's turn must not replace them.
  if (client_.table().ViewOfMask(info.seat) == 0) OptionRecord = client_.records().ReceivedRecord;
  OnOptions(info);
}

void TablePlay::OnFollowUpResult(CommandInfo& info) { OnReveal(info); }

int TablePlay::TileIndexOf(ElementId element) const {
  if (element == kNoElement) return -1;
  const auto& mj = client_.view().el.MJ_Image;
  for (int i = 0; i < kTileElements; ++i) {
    if (mj[i] == element) return i;
  }
  return -1;
}

int TablePlay::LocalSlotOf(int e) const {
  if (e < 0 || e >= kTileElements) return -1;
  const PlayerRecord& p = client_.table().players[0];
  const SlotRange r = ConcealedSlots(p);
  for (int k = r.first; k < r.end; ++k) {
    if (p.slots[k].element == e) return k;
  }
  return -1;
}

void TablePlay::SendPass() {
  CommandInfo info;
  info.command = kCmdOperation;
  info.seat = client_.table().players[0].seatMask;
  info.value[0] = OpPass;
  client_.records().SendCommand(info);
  client_.table().state.OpSent = true;
}

void TablePlay::RefuseRecord(std::string_view why) {
  client_.platform().log.Write("table: record left out: " + std::string(why));
  client_.reconnection().Resynchronise(why);
}

}  // namespace korvel
