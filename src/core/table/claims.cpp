// The operation records the local player sends. A meld claim first copies its tiles into the
// next meld slots of the local record, so that the server's result finds the meld ready.
#include <string>

#include "app/client.h"

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
  info.seat = client_.table().players[0].seatMask;
  info.value[0] = OpReady;
  client_.records().SendCommand(info);
}

void TablePlay::SendWin() {
  CommandInfo info;
  info.command = kCmdOperation;
  info.seat = client_.table().players[0].seatMask;
  info.value[0] = OpHu;
  client_.records().SendCommand(info);
}

void TablePlay::SendPeng(TileCode tile) {
  TableState& st = client_.table().state;
  PlayerRecord& p = client_.table().players[0];
  const int k = FindPengPair(tile);
  if (k < 0 || !MeldSlotsFree(p)) {
    client_.platform().log.Write("table: no claim sent: a peng of " + std::to_string(tile) +
                                 " the hand cannot make");
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
  client_.records().SendCommand(info);
  st.OpSent = true;
}

void TablePlay::SendGang(int k) {
  PlayerRecord& p = client_.table().players[0];
  const SlotRange r = ConcealedSlots(p);
  if (!r.Contains(k) || !r.Contains(k + 2) || !MeldSlotsFree(p)) {
    client_.platform().log.Write("table: no claim sent: a gang from slot " + std::to_string(k) +
                                 " outside the hand");
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
  client_.records().SendCommand(info);
  client_.table().state.OpSent = true;
}

void TablePlay::SendConcealedGang(int k) {
  PlayerRecord& p = client_.table().players[0];
  const SlotRange r = ConcealedSlots(p);
  if (!r.Contains(k) || !r.Contains(k + 3) || !MeldSlotsFree(p)) {
    client_.platform().log.Write("table: no claim sent: a concealed gang from slot " +
                                 std::to_string(k) + " outside the hand");
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
  client_.records().SendCommand(info);
  client_.table().state.OpSent = true;
}

void TablePlay::SendAddedGang(int k) {
  PlayerRecord& p = client_.table().players[0];
  const int w = p.meldCursor;
  if (!ConcealedSlots(p).Contains(k) || !PlayerRecord::ValidSlot(w - 2) || w - 2 >= p.handStart) {
    client_.platform().log.Write("table: no claim sent: an added gang from slot " +
                                 std::to_string(k) + " outside the hand");
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
  client_.records().SendCommand(info);
  client_.table().state.OpSent = true;
}

}  // namespace korvel
