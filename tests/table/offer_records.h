// The server's records about offers and operations, as korvel-server writes them, and a table
// fixture that plays the local player's turns through the client's own input.
#pragma once

#include <initializer_list>
#include <vector>

#include "table_fixture.h"

namespace korvel::testing {

// Command 6: `bits` on offer to the seat `mask`, `seconds` on the clock; the ready list when
// given (declaring ready offered), and the two gang candidate lists.
inline RecordBytes OptionRecord(int mask, int bits, int seconds = 8,
                                std::initializer_list<int> readyDiscards = {},
                                std::initializer_list<int> concealedGangs = {},
                                std::initializer_list<int> addedGangs = {}) {
  RecordBytes r = ServerRecord(6, mask, {uint8_t(bits)});
  r[100] = static_cast<uint8_t>(seconds);
  if (readyDiscards.size() > 0) {
    r[16] = 1;
    int i = 0;
    for (int t : readyDiscards) r[20 + i++] = static_cast<uint8_t>(t);
  }
  int i = 0;
  for (int t : concealedGangs) r[13 + i++] = static_cast<uint8_t>(t);
  r[36] = static_cast<uint8_t>(concealedGangs.size());
  i = 0;
  for (int t : addedGangs) r[47 + i++] = static_cast<uint8_t>(t);
  r[46] = static_cast<uint8_t>(addedGangs.size());
  return r;
}

// Command 7: the operation `op` of seat `mask` on `tile`; byte 16 the declaration mark, byte 17
// the winning tile of a win.
inline RecordBytes OperationRecord(int mask, int op, int tile, int mark = 0, int winTile = 0) {
  RecordBytes r = ServerRecord(7, mask, {uint8_t(op), uint8_t(tile), uint8_t(tile), uint8_t(tile)});
  r[16] = static_cast<uint8_t>(mark);
  r[17] = static_cast<uint8_t>(winTile);
  if (op == OpHu) r[18] = static_cast<uint8_t>(mask);
  return r;
}

// Command 15: up to four tiles of seat `mask`, the first in value(3).
inline RecordBytes RevealRecord(int mask, std::vector<int> tiles) {
  std::vector<uint8_t> values(4, 0);
  for (size_t i = 0; i < tiles.size() && i < 4; ++i) values[3 - i] = static_cast<uint8_t>(tiles[i]);
  return ServerRecord(15, mask, values);
}

// A table whose records arrive through the loop, with the local player at mask 1 (the left
// seat is mask 4, the right seat mask 2), its hand set up directly.
class OfferFixture : public TableFixture {
 protected:
  void SetUp() override {
    TableFixture::SetUp();
    StartPlaying(1);
    view().ResetTable();
    view().ButtonLocked[2] = true;
    state().DealDone = 3;
    // Draws take wall elements from 60 on, which the hands set up directly do not use.
    state().NextTileElement = 60;
    for (int v = 0; v < 3; ++v) client.seatVoices()[v] = SeatVoice{1, "00", "10", 3};
  }

  ElementEvent Event(ElementId element, int button = 0) {
    ElementEvent ev;
    ev.form = view().mainForm();
    ev.element = element;
    ev.button = button;
    return ev;
  }
  void ClickButton(int i) { client.input().OnClick(Event(el().Operation[i], kLeftButton)); }
  void ClickMark(int c) { client.input().OnClick(Event(el().Gang[c], kLeftButton)); }
  void PressTile(int e, int button = kLeftButton) {
    client.input().OnMouseDown(Event(Tile(e), button));
  }
  void RightUpOnTable() { client.input().OnMouseUp(Event(el().pic1, kRightButton)); }

  // The play records (2 and 7) the loop sent since the last call.
  std::vector<std::vector<uint8_t>> Sent() {
    EXPECT_EQ(Run(500), -1);
    std::vector<std::vector<uint8_t>> out;
    for (auto& r : vp.socket.sent) {
      if (r[3] == 2 || r[3] == 7) out.push_back(r);
    }
    vp.socket.sent.clear();
    return out;
  }
  static int Value(const std::vector<uint8_t>& r, int k) {
    return r[8 + 2 * k] << 8 | r[9 + 2 * k];
  }

  // The picture the operation button shows: its look entry.
  PictureId ButtonPic(int i) { return main().GetPicture(el().Operation[i]); }
  PictureId Look(int entry) { return view().sprites().OperationSprites[entry]; }
  bool Shown(ElementId e) { return main().Visible(e); }
  bool Enabled(ElementId e) { return main().Enabled(e); }
  const Element& El(ElementId e) { return *main().Get(e); }
  std::vector<int> Codes(int v, int from, int to) {
    std::vector<int> codes;
    for (int k = from; k <= to; ++k) codes.push_back(player(v).slots[k].code);
    return codes;
  }
  std::string Voice(int v, const std::string& clip) { return client.sound().VoiceFile(v, clip); }
  bool Played(const std::string& path) {
    for (const auto& p : vp.sound.played)
      if (p == path) return true;
    return false;
  }
};

}  // namespace korvel::testing
