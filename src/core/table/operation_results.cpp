// The result of an operation, as the server announces it to every seat: the bookkeeping all
// seats share, the local player's melds laid out from the slots its claim prepared, and the
// wins. The other seats' announcements and melds are drawn by OtherSeats.
#include <string>

#include "model/player_record.h"
#include "net/records.h"
#include "platform/ports.h"
#include "seats/other_seats.h"
#include "settlement/settlement.h"
#include "table/table_play.h"
#include "table/tile_pictures.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr size_t kDeclarationByte = 16;
constexpr size_t kWinTileByte = 17;
constexpr size_t kClaimWinnersByte = 18;
constexpr int kDeclaresReady = 1;
constexpr int kGivesUpWin = 2;
// The ready stick of the local seat rises this far each time a result confirms it.
constexpr double kStickRise = 5;
// The fourth tile of a local gang, and an added tile, stand this far above the meld.
constexpr double kFourthTileLift = 18;
constexpr int kStickOf[kSeats] = {0, 1, 3};
// A side seat's winning tile on the left edge.
constexpr double kLeftWinTile[4] = {30, 526, 50, 36};
constexpr double kRightWinTileShift = 8;
constexpr double kRightWinTileDrop = 17;

bool MustDiscardCount(int handCount) { return (handCount - 2) % 3 == 0; }

}  // namespace

void TablePlay::KeepResultFacts() {
  const RecordBytes& r = records_.ReceivedRecord;
  table_.state.WinTile = r[kWinTileByte];
  settlement_.SetClaimWinners(r[kClaimWinnersByte], r[kClaimWinnersByte + 1]);
}

void TablePlay::ShowResultDeclaration(const CommandInfo& info) {
  TableView& view = view_;
  if (!view.laidOut()) return;
  Form& f = view.main();
  TableModel& table = table_;
  const int mark = records_.ReceivedRecord[kDeclarationByte];
  const ViewPos v = table.ViewOfMask(info.seat);
  if (mark == kDeclaresReady) {
    const ElementId stick = view.el.imgTing[kStickOf[v]];
    if (v == 0) f.Move(stick, f.GetLeft(stick), f.GetTop(stick) - view.Y(kStickRise));
    f.Show(stick);
    if (v != 0) LayDownHand(v);
  } else if (mark == kGivesUpWin && table.state.LaidDown[v] == 1) {
    LayDownHand(v);
  }
}

void TablePlay::OnOperationResult(CommandInfo& info) {
  KeepResultFacts();
  TableView& view = view_;
  TableModel& table = table_;
  TableState& st = table.state;
  const int op = info.value[0] & 0xFF;
  const TileCode t0 = static_cast<TileCode>(info.value[1] & 0xFF);
  const TileCode t1 = static_cast<TileCode>(info.value[2] & 0xFF);
  const TileCode t2 = static_cast<TileCode>(info.value[3] & 0xFF);
  const ViewPos v = table.ViewOfMask(info.seat);

  if (view.laidOut()) {
    view.SetTileSizes(45, 60, 45, 35);
    OtherSeats& others = otherSeats_;
    if (op > OpPass) {
      if (v != 0) {
        others.Announce(v, op, t2);
        // Whatever the local player was offered on the same tile is over.
        CloseStaleOffer();
      } else {
        // The server may have answered for the local player (a declared hand's win).
        EndLocalTurnDisplay();
      }
    }
    switch (op) {
      case OpChi:
      case OpPeng:
        if (v != 0) {
          others.Claim(v, op, t0, t1, t2);
        } else if (op == OpPeng) {
          LocalResult(op, t0, t1, t2);
        }
        break;
      case OpGang:
      case OpConcealedGang:
        st.ReplacementDraw = 0;
        st.OfferClaimed = true;
        if (v != 0) {
          others.Gang(v, op, t2);
        } else {
          LocalResult(op, t0, t1, t2);
        }
        break;
      case OpAddedGang: {
        st.ReplacementDraw = 0;
        st.OfferClaimed = true;
        const bool taken = v != 0 ? others.TakeAddedTile(v) : PrepareLocalMeld(op, t2);
        if (!taken) {
          if (v == 0) RefuseRecord("an added gang the local hand cannot make");
          break;
        }
        PlayerRecord& p = table.players[v];
        const int staged = p.meldCursor - 2;
        if (!PlayerRecord::ValidSlot(staged)) break;
        const ElementId e = view.pool().Element(p.slots[staged].element);
        Form& f = view.main();
        f.BringToFront(e);
        f.Move(e, f.GetLeft(e), f.GetTop(e), view.TileWidth[v], view.TileHeight[v]);
        if (t2 == kRedDragon && p.redAside == 0) p.slots[0] = p.slots[staged];
        if (v != 0) {
          others.PlaceAddedTile(v, t2);
          if (records_.ReceivedRecord[kDeclarationByte] == kGivesUpWin) LayDownHand(v);
        } else {
          LocalResult(op, t0, t1, t2);
        }
        break;
      }
      case OpHu:
        st.OfferClaimed = true;
        ShowWin(v);
        break;
      default:
        break;
    }
  }
  ShowResultDeclaration(info);
}

bool TablePlay::PrepareLocalMeld(int op, TileCode tile) {
  PlayerRecord& p = table_.players[0];
  const TableState& st = table_.state;
  const SlotRange r = ConcealedSlots(p);
  const int w = p.meldCursor;
  if (!PlayerRecord::ValidSlot(w - 2) || !PlayerRecord::ValidSlot(w) || w >= p.handStart) {
    return false;
  }
  auto run = [&](int k, int length) {
    if (!r.Contains(k) || !r.Contains(k + length - 1)) return false;
    for (int j = 0; j < length; ++j) {
      if (p.slots[k + j].code != tile) return false;
    }
    return true;
  };
  auto findRun = [&](int length) {
    for (int k = r.first; k < r.end; ++k) {
      if (run(k, length)) return k;
    }
    return -1;
  };
  auto staged = [&](SlotKind kind, int count) {
    for (int s = w - 2; s < w - 2 + count; ++s) {
      if (p.slots[s].kind != kind || p.slots[s].code != tile) return false;
    }
    return true;
  };

  // The claim record prepared the slots; a result the client did not ask for (or whose
  // candidate went stale) is prepared here from the hand, the same way.
  switch (op) {
    case OpPeng: {
      // Nothing has changed since the claim, so staging again gives the same slots.
      const int k = FindPengPair(tile);
      if (k < 0) return false;
      p.slots[w - 2] = p.slots[k];
      p.slots[w - 1] = p.slots[k + 1];
      p.slots[w] = TileSlot{SlotKind::Peng, tile, st.OfferElement};
      p.slots[w - 2].kind = p.slots[w - 1].kind = SlotKind::Peng;
      return true;
    }
    case OpGang:
    case OpConcealedGang: {
      const int length = op == OpGang ? 3 : 4;
      const SlotKind kind = op == OpGang ? SlotKind::Gang : SlotKind::ConcealedGang;
      if (staged(kind, 3) && run(GangChoices[0], length)) return true;
      int k = findRun(length);
      if (k < 0 && op == OpConcealedGang) {
        // The drawn tile may still stand apart from its three equals.
        ShowHand(0, p.handCount);
        k = findRun(length);
      }
      if (k < 0) return false;
      for (int j = 0; j < 3; ++j) {
        p.slots[w - 2 + j] = p.slots[k + j];
        p.slots[w - 2 + j].kind = kind;
      }
      GangChoices[0] = static_cast<int16_t>(k);
      return true;
    }
    case OpAddedGang: {
      if (staged(SlotKind::AddedGang, 1) && run(GangChoices[0], 1)) return true;
      const int k = findRun(1);
      if (k < 0) return false;
      p.slots[w - 2] = p.slots[k];
      p.slots[w - 2].kind = SlotKind::AddedGang;
      GangChoices[0] = static_cast<int16_t>(k);
      return true;
    }
    default:
      return false;
  }
}

void TablePlay::LocalResult(int op, TileCode t0, TileCode t1, TileCode t2) {
  PlayerRecord& p = table_.players[0];
  TableView& view = view_;
  const TileCode tile = op == OpPeng ? t0 : t2;
  if (op != OpAddedGang && !PrepareLocalMeld(op, tile)) {
    RefuseRecord("an operation " + std::to_string(op) + " of " + std::to_string(tile) +
                 " that the local hand cannot make");
    return;
  }
  // Every slot the layout moves must fit the record.
  const int end = p.handStart + p.handCount;
  if (end > kSlotsPerSeat || (op == OpPeng && end + 1 > kSlotsPerSeat)) {
    RefuseRecord("an operation on a local hand that does not fit its slots");
    return;
  }
  Form& f = view.main();
  switch (op) {
    case OpPeng:
      LayOutPeng(t0, t1, t2);
      p.handCount = static_cast<int16_t>(p.handCount - 2);
      p.handStart = static_cast<int16_t>(p.handStart + 3);
      p.meldCursor = static_cast<int16_t>(p.meldCursor + 3);
      break;
    case OpGang:
    case OpConcealedGang: {
      const int w = p.meldCursor;
      for (int s = w - 2; s <= w; ++s) {
        const ElementId e = view.pool().Element(p.slots[s].element);
        f.Move(e, f.GetLeft(e), f.GetTop(e), view.TileWidth[0], view.TileHeight[0]);
      }
      if (op == OpGang) {
        LayOutGang(GangChoices[0], t2);
        p.handCount = static_cast<int16_t>(p.handCount - 3);
      } else {
        LayOutConcealedGang(GangChoices[0], t2);
        p.handCount = static_cast<int16_t>(p.handCount - 4);
      }
      p.handStart = static_cast<int16_t>(p.handStart + 3);
      p.meldCursor = static_cast<int16_t>(p.meldCursor + 3);
      break;
    }
    case OpAddedGang:
      LayOutAddedGang(GangChoices[0], t2);
      p.handCount = static_cast<int16_t>(p.handCount - 1);
      break;
    default:
      break;
  }
}

double TablePlay::LocalMeldLeft(int s) const {
  const TableView& view = view_;
  return table_.players[0].rowX + (s + 1) * (view.TileWidth[0] - 2 * view.scale().sx);
}

void TablePlay::LayOutPeng(TileCode t0, TileCode t1, TileCode t2) {
  TableView& view = view_;
  Form& f = view.main();
  PlayerRecord& p = table_.players[0];
  const LayoutScale& sc = view.scale();
  const int w = p.meldCursor;
  view.TileWidth[0] = sc.RoundX(45);
  view.TileHeight[0] = sc.RoundY(60);
  const TileCode tiles[3] = {t0, t1, t2};
  for (int j = 0; j < 3; ++j) {
    const int s = w - 2 + j;
    const int index = p.slots[s].element;
    const ElementId e = view.pool().Element(index);
    f.Move(e, LocalMeldLeft(s), p.rowY, view.TileWidth[0], view.TileHeight[0]);
    view.ShowTile(index, TilePicture(tiles[j], kBlockUpright));
    f.Show(e);
    f.BringToFront(e);
  }
  view.TileWidth[0] = sc.RoundX(48);
  view.TileHeight[0] = sc.RoundY(78);
  const int width = view.TileWidth[0];

  // The pair leaves a gap of two: the tiles before it move right into it, then the whole row
  // one more place, so that the hand starts three slots later in its old order.
  const int k = FindPengPair(t0);
  auto moveRight = [&](int j, int by) {
    const ElementId e = view.pool().Element(p.slots[j].element);
    f.Move(e, f.GetLeft(e) + by, f.GetTop(e));
  };
  for (int j = k + 1; k >= 0 && j >= p.handStart + 2; --j) {
    p.slots[j] = p.slots[j - 2];
    moveRight(j, 2 * width);
  }
  for (int j = p.handStart + p.handCount; j >= p.handStart + 3; --j) {
    p.slots[j] = p.slots[j - 1];
    moveRight(j, width);
  }
}

void TablePlay::LayOutGang(int k, TileCode t2) {
  TableView& view = view_;
  Form& f = view.main();
  TableState& st = table_.state;
  PlayerRecord& p = table_.players[0];
  const LayoutScale& sc = view.scale();
  const int w = p.meldCursor;
  view.TileWidth[0] = sc.RoundX(45);
  view.TileHeight[0] = sc.RoundY(60);
  for (int s = w - 2; s <= w; ++s) {
    const int index = p.slots[s].element;
    f.Move(view.pool().Element(index), LocalMeldLeft(s), p.rowY);
    view.ShowTile(index, TilePicture(t2, kBlockUpright));
  }
  // The claimed discard is the fourth tile, above the middle one.
  const ElementId fourth = view.pool().Element(st.OfferElement);
  f.Move(fourth, LocalMeldLeft(w - 1), p.rowY - view.Y(kFourthTileLift), view.TileWidth[0],
         view.TileHeight[0]);
  view.ShowTile(st.OfferElement, TilePicture(t2, kBlockUpright));
  f.Show(fourth);
  f.BringToFront(fourth);
  view.TileWidth[0] = sc.RoundX(48);
  view.TileHeight[0] = sc.RoundY(78);

  for (int j = k + 2; j >= p.handStart + 3; --j) {
    p.slots[j] = p.slots[j - 3];
    const ElementId e = view.pool().Element(p.slots[j].element);
    f.Move(e, f.GetLeft(e) + 3 * view.TileWidth[0], f.GetTop(e));
  }
}

void TablePlay::LayOutConcealedGang(int k, TileCode t2) {
  TableView& view = view_;
  Form& f = view.main();
  TableState& st = table_.state;
  PlayerRecord& p = table_.players[0];
  const LayoutScale& sc = view.scale();
  const int w = p.meldCursor;
  view.TileWidth[0] = sc.RoundX(45);
  view.TileHeight[0] = sc.RoundY(60);
  for (int s = w - 2; s <= w; ++s) {
    const int index = p.slots[s].element;
    f.Move(view.pool().Element(index), LocalMeldLeft(s), p.rowY);
    view.ShowTile(index, LyingBackIndex(kBlockUpright));
  }
  // The fourth of the four stands face up above the three backs.
  st.OfferElement = p.slots[k + 3].element;
  const ElementId fourth = view.pool().Element(st.OfferElement);
  f.Move(fourth, LocalMeldLeft(w - 1), p.rowY - view.Y(kFourthTileLift), view.TileWidth[0],
         view.TileHeight[0]);
  f.BringToFront(fourth);
  view.ShowTile(st.OfferElement, TilePicture(t2, kBlockUpright));
  view.TileWidth[0] = sc.RoundX(48);
  view.TileHeight[0] = sc.RoundY(78);

  for (int j = k + 3; j >= p.handStart + 4; --j) p.slots[j] = p.slots[j - 4];
  // The row closes up into its places, which also takes away the drawn tile's gap.
  for (int j = p.handStart + 3; j <= p.handStart + p.handCount - 2; ++j) {
    p.slots[j] = p.slots[j + 1];
    f.Move(view.pool().Element(p.slots[j].element), p.rowX + j * view.TileWidth[0], p.rowY,
           view.TileWidth[0], view.TileHeight[0]);
  }
}

void TablePlay::LayOutAddedGang(int k, TileCode t2) {
  TableView& view = view_;
  Form& f = view.main();
  TableState& st = table_.state;
  PlayerRecord& p = table_.players[0];
  const LayoutScale& sc = view.scale();
  const int w = p.meldCursor;
  const int index = p.slots[w - 2].element;
  st.OfferElement = static_cast<int16_t>(index);
  st.OfferTile = p.slots[k].code;
  view.TileWidth[0] = sc.RoundX(48);
  view.TileHeight[0] = sc.RoundY(78);
  for (int j = k; j <= p.handStart + p.handCount - 2; ++j) {
    p.slots[j] = p.slots[j + 1];
    const ElementId e = view.pool().Element(p.slots[j].element);
    f.Move(e, f.GetLeft(e) - view.TileWidth[0], f.GetTop(e));
  }
  // The tile joins the peng of its kind, above the middle tile; a tile with no peng (a Red
  // dragon set down by itself) stays where it is.
  const ElementId e = view.pool().Element(index);
  for (int j = 1; j + 1 < kSlotsPerSeat && j <= w - 5; j += 3) {
    if (p.slots[j].code != t2 || p.slots[j].kind != SlotKind::Peng) continue;
    const ElementId middle = view.pool().Element(p.slots[j + 1].element);
    f.Move(e, f.GetLeft(middle), p.rowY - view.Y(kFourthTileLift));
    view.ShowTile(index, TilePicture(p.slots[w - 2].code, kBlockUpright));
    f.Show(e);
    f.BringToFront(e);
    break;
  }
}

void TablePlay::ShowWin(ViewPos v) {
  TableView& view = view_;
  Form& f = view.main();
  TableModel& table = table_;
  TableState& st = table.state;
  if (v < 0 || v >= kSeats) return;
  Settlement& settlement = settlement_;
  settlement.MarkWinOnBoard();
  st.Winner = static_cast<int16_t>(v);
  settlement.stores.HasWon[v] = 1;
  PlayerRecord& p = table.players[v];
  const SlotRange r = ConcealedSlots(p);
  const int last = r.end - 1;
  const ElementId lastTile = r.size() > 0 ? view.pool().Element(p.slots[last].element) : kNoElement;
  const ElementId offer = view.pool().Element(st.OfferElement);

  if (v == 0) {
    view.TileWidth[0] = view.scale().RoundX(48);
    view.TileHeight[0] = view.scale().RoundY(78);
    if (!MustDiscardCount(p.handCount) && offer != kNoElement) {
      // Won on a discard: the claimed tile stands beside the hand.
      f.Hide(offer);
      const double left = lastTile != kNoElement ? f.GetLeft(lastTile) + 1.5 * view.TileWidth[0]
                                                 : p.rowX + r.end * view.TileWidth[0];
      f.Move(offer, left, p.rowY, view.TileWidth[0], view.TileHeight[0]);
      view.ShowTile(st.OfferElement, TilePicture(st.OfferTile, kBlockUpright));
      f.Show(offer);
    }
    for (int k = r.first; k < r.end; ++k) {
      view.ShowTile(p.slots[k].element, TilePicture(p.slots[k].code, kBlockUpright));
    }
  } else {
    const LayoutScale& sc = view.scale();
    auto onLeftEdge = [&](ElementId e) {
      f.Move(e, sc.X(kLeftWinTile[0]), sc.Y(kLeftWinTile[1]), sc.X(kLeftWinTile[2]),
             sc.Y(kLeftWinTile[3]));
      f.BringToFront(e);
    };
    if (MustDiscardCount(p.handCount)) {
      // Self-drawn: the seat's last tile is the winning tile.
      if (lastTile != kNoElement) {
        view.ShowTile(p.slots[last].element, TilePicture(st.WinTile, TableBlock(v)));
        if (v == 1) {
          onLeftEdge(lastTile);
        } else {
          f.Move(lastTile, f.GetLeft(lastTile), f.GetTop(lastTile), view.TileWidth[2],
                 view.TileHeight[2]);
        }
      }
    } else if (offer != kNoElement) {
      view.ShowTile(st.OfferElement, TilePicture(st.OfferTile, TableBlock(v)));
      if (v == 1) {
        onLeftEdge(offer);
      } else if (lastTile != kNoElement) {
        f.Move(offer, f.GetLeft(lastTile) - sc.X(kRightWinTileShift),
               f.GetTop(lastTile) - 1.5 * view.TileHeight[2] + sc.Y(kRightWinTileDrop),
               view.TileWidth[2], view.TileHeight[2]);
        f.SendToBack(offer);
      }
    }
  }
  st.Winner = -1;
}

}  // namespace korvel
