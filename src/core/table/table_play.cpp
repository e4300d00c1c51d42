#include "table/table_play.h"

#include <chrono>

#include "model/player_record.h"
#include "net/reconnection.h"
#include "net/records.h"
#include "platform/ports.h"
#include "view/table_view.h"

namespace korvel {

TablePlay::TablePlay(TableModel& table, LoopState& loop, SessionSettings& settings, TableView& view,
                     MessageLines& messages, Records& records, LobbyWindow& lobby,
                     Reconnection& reconnection, Sound& sound, OtherSeats& otherSeats,
                     Settlement& settlement, Timers& timers, Log& log)
    : table_(table),
      loop_(loop),
      settings_(settings),
      view_(view),
      messages_(messages),
      records_(records),
      lobby_(lobby),
      reconnection_(reconnection),
      sound_(sound),
      otherSeats_(otherSeats),
      settlement_(settlement),
      timers_(timers),
      log_(log),
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
  if (table_.ViewOfMask(info.seat) == 0) OptionRecord = records_.ReceivedRecord;
  OnOptions(info);
}

void TablePlay::OnFollowUpResult(CommandInfo& info) { OnReveal(info); }

int TablePlay::TileIndexOf(ElementId element) const {
  if (element == kNoElement) return -1;
  const auto& mj = view_.el.MJ_Image;
  for (int i = 0; i < kTileElements; ++i) {
    if (mj[i] == element) return i;
  }
  return -1;
}

int TablePlay::LocalSlotOf(int e) const {
  if (e < 0 || e >= kTileElements) return -1;
  const PlayerRecord& p = table_.players[0];
  const SlotRange r = ConcealedSlots(p);
  for (int k = r.first; k < r.end; ++k) {
    if (p.slots[k].element == e) return k;
  }
  return -1;
}

void TablePlay::SendPass() {
  CommandInfo info;
  info.command = kCmdOperation;
  info.seat = table_.players[0].seatMask;
  info.value[0] = OpPass;
  records_.SendCommand(info);
  table_.state.OpSent = true;
}

void TablePlay::RefuseRecord(std::string_view why) {
  log_.Write("table: record left out: " + std::string(why));
  reconnection_.Resynchronise(why);
}

}  // namespace korvel
