// A started client whose table the tests set up directly or through the server's records, with
// short ways to read the tile elements back from the Scene.
#pragma once

#include <initializer_list>
#include <vector>

#include "platform/gbk.h"
#include "support/client_fixture.h"
#include "table/tile_pictures.h"

namespace korvel::testing {

// The picture number TileSprites entry `index` stands for.
inline PictureId TilePic(int index) { return kTileSpriteBase + index; }

class TableFixture : public ClientFixture {
 protected:
  void SetUp() override {
    vp.screen.width = 1280;
    vp.screen.height = 1024;
  }

  // A started client with a cleared table, the local player at mask 1.
  void StartTable() {
    ASSERT_TRUE(Start());
    view().ResetTable();
    Seat(1);
  }

  // A logged-in client whose loop takes the server's records, seated at `localMask`.
  void StartPlaying(int localMask = 1) {
    LogIn();
    Seat(localMask);
  }
  // Delivers one record and lets the loop take it, with time for the handler's waits.
  void Feed(const RecordBytes& record, int ms = 3000) {
    Deliver(record);
    ASSERT_EQ(Run(ms), -1) << "the client ended";
  }
  // A deal start: dealer mask, the two dice, and the multiplier dice when doubling is on.
  static RecordBytes DealStartRecord(int dealerMask, int die1, int die2 = 1, int m1 = 0, int m2 = 0,
                                     int doubling = 0) {
    RecordBytes r =
        ServerRecord(4, dealerMask, {uint8_t(die1), uint8_t(die2), uint8_t(m1), uint8_t(m2)});
    r[18] = static_cast<uint8_t>(doubling);
    return r;
  }
  static RecordBytes Four(int mask, int a, int b, int c, int d) {
    return ServerRecord(1, mask, {uint8_t(a), uint8_t(b), uint8_t(c), uint8_t(d)});
  }
  static RecordBytes One(int mask, int tile) {
    return ServerRecord(5, mask, {0, 0, 0, uint8_t(tile)});
  }
  static RecordBytes DiscardRecord(int mask, int tile, int mark = 0) {
    RecordBytes r = ServerRecord(2, mask, {0, 0, 0, uint8_t(tile)});
    r[16] = static_cast<uint8_t>(mark);
    return r;
  }

  TableModel& table() { return client.table(); }
  TableState& state() { return client.table().state; }
  PlayerRecord& player(int v) { return client.table().players[v]; }
  TablePlay& play() { return client.tablePlay(); }
  TableView& view() { return client.view(); }
  Form& main() { return client.view().main(); }
  const MainElements& el() { return client.view().el; }
  ElementId Tile(int index) { return el().MJ_Image[index]; }
  const Element& TileEl(int index) { return *main().Get(Tile(index)); }
  PictureId PicOf(int index) { return main().GetPicture(Tile(index)); }

  // Seats the local player at `localMask` and the others around it.
  void Seat(int localMask) {
    const int local = SeatIndexOf(localMask);
    for (int v = 0; v < kSeats; ++v)
      player(v).seatMask = static_cast<uint8_t>(MaskOf((local + 3 - v) % 3));
  }

  // Puts `codes` into seat v's concealed slots on pool elements from `firstElement`, each shown
  // in its seat's hand look at its place in the row.
  void SetHand(int v, std::initializer_list<int> codes, int firstElement = 0) {
    PlayerRecord& p = player(v);
    p.handCount = static_cast<int16_t>(codes.size());
    int k = p.handStart, e = firstElement;
    view().SetTileSizes(48, 78, 35, 66);
    for (int code : codes) {
      p.slots[k] =
          TileSlot{SlotKind::Concealed, static_cast<int16_t>(code), static_cast<int16_t>(e)};
      view().ShowTile(e, TilePicture(code, HandBlock(v)));
      main().Move(Tile(e), p.rowX + k * view().TileWidth[v], p.rowY, view().TileWidth[v],
                  view().TileHeight[v]);
      ++k;
      ++e;
    }
  }
  std::vector<int> HandCodes(int v) {
    std::vector<int> codes;
    const PlayerRecord& p = player(v);
    for (int k = p.handStart; k < p.handStart + p.handCount; ++k) codes.push_back(p.slots[k].code);
    return codes;
  }
  std::vector<int> SentOfCommand(int command) {
    std::vector<int> at;
    for (size_t i = 0; i < vp.socket.sent.size(); ++i) {
      if (vp.socket.sent[i].size() > 3 && vp.socket.sent[i][3] == command) at.push_back(int(i));
    }
    return at;
  }
};

}  // namespace korvel::testing
