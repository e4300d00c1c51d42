// The operation records the local player sends. A meld claim first copies its tiles into the
// next meld slots of the local record, so that the server's result finds the meld ready.
#include <string>

#include "model/player_record.h"
#include "net/records.h"
#include "platform/ports.h"
#include "table/table_play.h"

namespace korvel {
namespace {

uint16_t OperationTile(int code) { return WireTile(code, kOperationMarker); }

// Meld slots W - 2 .. W, which must lie below the concealed tiles.
bool MeldSlotsFree(const PlayerRecord& p) {
  const int w = p.meldCursor;
  return PlayerRecord::ValidSlot(w - 2) && PlayerRecord::ValidSlot(w) && w < p.handStart;
}

}  // namespace

void TablePlay::SendReady() {
  CommandInfo info;
  info.command = kCmdOperation;
  info.seat = table_.players[0].seatMask;
  info.value[0] = OpReady;
  records_.SendCommand(info);
}

void TablePlay::SendWin() {
  CommandInfo info;
  info.command = kCmdOperation;
  info.seat = table_.players[0].seatMask;
  info.value[0] = OpHu;
  records_.SendCommand(info);
}

void TablePlay::SendPeng(TileCode tile) {
  TableState& st = table_.state;
  PlayerRecord& p = table_.players[0];
  const int k = FindPengPair(tile);
  if (k < 0 || !MeldSlotsFree(p)) {
    log_.Write("table: no claim sent: a peng of " + std::to_string(tile) + " the hand cannot make");
    return;
  }
  const int w = p.meldCursor;
  p.slots[w - 2] = p.slots[k];
  p.slots[w - 1] = p.slots[k + 1];
  p.slots[w] = TileSlot{SlotKind::Peng, tile, st.OfferElement};
  p.slots[w - 2].kind = p.slots[w - 1].kind = SlotKind::Peng;

  CommandInfo info;
  info.command = kCmdOperation;
  info.seat = p.seatMask;
  info.value[0] = OpPeng;
  for (int j = 0; j < 3; ++j) {
    info.value[1 + j] = static_cast<int16_t>(OperationTile(p.slots[w - 2 + j].code));
  }
  records_.SendCommand(info);
  st.OpSent = true;
}

void TablePlay::SendGang(int k) {
  PlayerRecord& p = table_.players[0];
  const SlotRange r = ConcealedSlots(p);
  if (!r.Contains(k) || !r.Contains(k + 2) || !MeldSlotsFree(p)) {
    log_.Write("table: no claim sent: a gang from slot " + std::to_string(k) + " outside the hand");
    return;
  }
  const int w = p.meldCursor;
  for (int j = 0; j < 3; ++j) {
    p.slots[w - 2 + j] = p.slots[k + j];
    p.slots[w - 2 + j].kind = SlotKind::Gang;
  }
  GangChoices[0] = static_cast<int16_t>(k);

  CommandInfo info;
  info.command = kCmdOperation;
  info.seat = p.seatMask;
  info.value[0] = OpGang;
  for (int j = 0; j < 3; ++j) {
    info.value[1 + j] = static_cast<int16_t>(OperationTile(p.slots[w - 2 + j].code));
  }
  records_.SendCommand(info);
  table_.state.OpSent = true;
}

void TablePlay::SendConcealedGang(int k) {
  PlayerRecord& p = table_.players[0];
  const SlotRange r = ConcealedSlots(p);
  if (!r.Contains(k) || !r.Contains(k + 3) || !MeldSlotsFree(p)) {
    log_.Write("table: no claim sent: a concealed gang from slot " + std::to_string(k) +
               " outside the hand");
    return;
  }
  const int w = p.meldCursor;
  for (int j = 0; j < 3; ++j) {
    p.slots[w - 2 + j] = p.slots[k + j];
    p.slots[w - 2 + j].kind = SlotKind::ConcealedGang;
  }
  GangChoices[0] = static_cast<int16_t>(k);

  CommandInfo info;
  info.command = kCmdOperation;
  info.seat = p.seatMask;
  info.value[0] = OpConcealedGang;
  const int16_t tile = static_cast<int16_t>(OperationTile(p.slots[k].code));
  info.value[1] = info.value[2] = info.value[3] = tile;
  records_.SendCommand(info);
  table_.state.OpSent = true;
}

void TablePlay::SendAddedGang(int k) {
  PlayerRecord& p = table_.players[0];
  const int w = p.meldCursor;
  if (!ConcealedSlots(p).Contains(k) || !PlayerRecord::ValidSlot(w - 2) || w - 2 >= p.handStart) {
    log_.Write("table: no claim sent: an added gang from slot " + std::to_string(k) +
               " outside the hand");
    return;
  }
  p.slots[w - 2] = p.slots[k];
  p.slots[w - 2].kind = SlotKind::AddedGang;
  GangChoices[0] = static_cast<int16_t>(k);

  CommandInfo info;
  info.command = kCmdOperation;
  info.seat = p.seatMask;
  info.value[0] = OpAddedGang;
  info.value[3] = static_cast<int16_t>(OperationTile(p.slots[w - 2].code));
  records_.SendCommand(info);
  table_.state.OpSent = true;
}

}  // namespace korvel
