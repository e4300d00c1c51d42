// Bringing the table back to empty between deals, when players come and go and when the user
// leaves: no tile shown, the seats at their starting values, the walls and seat areas in place.
#include <cmath>

#include "view/table_view.h"

namespace korvel {
namespace {

// Where the ready sticks of ViewPos 0, 1 and 2 (elements 0, 1 and 3) lie, per layout; the small
// layout moves the side sticks inwards before scaling.
constexpr double kStickFull[3][2] = {{440, 550}, {95, 300}, {780, 300}};
constexpr double kStickSmall[3][2] = {{440, 545}, {70, 300}, {760, 300}};
constexpr int kStickElement[3] = {0, 1, 3};

// The discard sizes, which are also the sizes left after a reset.
constexpr double kDiscardLocal[2] = {36, 50};
constexpr double kDiscardSide[2] = {48, 35};

}  // namespace

void TableView::HideReadySticks() {
  Form& f = main();
  for (ElementId e : el.imgTing) {
    f.SetToolTip(e, "亮倒");
    f.Hide(e);
  }
}

void TableView::ClearTiles() {
  if (!laidOut()) return;
  Form& f = main();
  TableState& st = table_.state;
  st.OfferElement = -1;
  SetTileSizes(kDiscardLocal[0], kDiscardLocal[1], kDiscardSide[0], kDiscardSide[1]);
  for (ElementId e : el.MJ_Image) {
    f.Hide(e);
    f.ClearPicture(e);
  }
  for (auto& player : table_.players) {
    for (auto& slot : player.slots) slot.code = 0;
  }
  const auto& sticks = scale_.IsSmall() ? kStickSmall : kStickFull;
  for (int v = 0; v < kSeats; ++v) {
    Place(el.imgTing[kStickElement[v]], sticks[v][0], sticks[v][1]);
  }
  HideReadySticks();
  for (ElementId e : el.Operation) {
    f.Disable(e);
    f.Hide(e);
  }
  st.ReadyDeclared = false;
  st.ReadyDiscards.fill(0);
  st.ReadyListSent = false;
  for (int v = 0; v < kSeats; ++v) {
    st.LaidDown[v] = 0;
    f.Hide(el.tsSpeak[v]);
  }
  // A cleared table has no tile left to blink back into view.
  loop_.PrevBlinkElement = -1;
  for (auto* p : participants_) p->OnClearTiles();
}

void TableView::PlaceWalls() {
  Form& f = main();
  const auto& mj = el.MJ_Image;
  // Each wall is 12 stacks of two: elements 2k (upper) and 2k + 1 (lower).
  struct Wall {
    int first;
    double left, top;  // first stack's upper tile, design pixels
    double lowerDrop;  // the lower tile sits this far below the upper one
    double stepX, stepY;
  };
  const double w0 = TileWidth[0];
  const Wall walls[kSeats] = {
      {0, X(680), Y(476), Y(22), -w0, 0},         // bottom: grows to the left
      {24, X(230), Y(400), Y(20), X(4), -Y(15)},  // left: recedes upwards
      {48, X(720), Y(260), Y(20), X(4), Y(15)},   // right: comes downwards
  };
  for (int v = 0; v < kSeats; ++v) {
    const Wall& w = walls[v];
    for (int i = 0; i < 12; ++i) {
      const ElementId upper = mj[w.first + 2 * i];
      const ElementId lower = mj[w.first + 2 * i + 1];
      const double left = i == 0 ? w.left : f.GetLeft(mj[w.first + 2 * (i - 1)]) + w.stepX;
      const double top = i == 0 ? w.top : f.GetTop(mj[w.first + 2 * (i - 1)]) + w.stepY;
      f.Move(upper, left, top, TileWidth[v], TileHeight[v]);
      f.Move(lower, left, top + w.lowerDrop, TileWidth[v], TileHeight[v]);
      if (v == 0) {
        f.BringToFront(upper);
        f.SendToBack(lower);
      } else if (v == 2) {
        if (i == 0) {
          f.BringToFront(upper);
        } else {
          f.BringToFront(lower);
          f.BringToFront(upper);
        }
      }
    }
  }
  // The nearest tiles end up in front: the bottom wall's first stacks, then the left wall from
  // its far end back to its first stack.
  f.BringToFront(mj[0]);
  f.BringToFront(mj[2]);
  for (int i = 0; i < 12; ++i) {
    f.BringToFront(mj[47 - 2 * i]);
    f.BringToFront(mj[46 - 2 * i]);
  }
}

void TableView::ClearTable() {
  if (!laidOut()) return;
  Form& f = main();
  for (ElementId e : {el.img_zhuang, el.lbZhuang}) f.Hide(e);
  // The plate names the dealer of a deal that has started, never one of an earlier table.
  f.SetCaption(el.lbZhuang, "");
  if (Form* talk = scene_.FindForm("Talk")) talk->SetFormVisible(false);
  ClearDealLayout();

  // Multiplier displays back to 1 and out of sight.
  f.SetCaption(el.lblDifen, "1");
  f.Hide(el.lblDifen);
  for (ElementId e : el.imgsezi) f.Hide(e);
  f.Hide(el.imgBeishu);
  for (ElementId e : el.lbfont) f.Hide(e);
  f.SetCaption(el.lbwealth, "1");
  f.Hide(el.lbwealth);
  f.Hide(el.Imgwealth);

  f.Show(el.Bank);
  f.BringToFront(el.Bank);
  table_.state.WinOffered = 0;
  for (auto* participant : participants_) participant->OnClearTable();
}

void TableView::ClearDealLayout() {
  if (!laidOut()) return;
  Form& f = main();
  for (ElementId e : el.MJ_Image) f.Hide(e);
  for (ElementId e : {el.Time_Img, el.Number, el.Words}) f.Hide(e);
  for (ElementId e : el.Operation) f.Hide(e);
  for (ElementId e : el.Speak) f.Hide(e);
  for (ElementId e : el.Chi) f.Hide(e);
  for (ElementId e : el.Gang) f.Hide(e);
  for (ElementId e : el.Img_An) f.Hide(e);
  HideReadySticks();

  SetTileSizes(kDiscardLocal[0], kDiscardLocal[1], kDiscardSide[0], kDiscardSide[1]);
  PlaceWalls();

  // Seat origins: the concealed rows at fixed places, the discard areas beside each wall's end.
  const auto& mj = el.MJ_Image;
  auto& p = table_.players;
  constexpr double kRow[kSeats][2] = {{19, 564}, {163, 192}, {942, 560}};
  for (int v = 0; v < kSeats; ++v) {
    p[v].rowX = scale_.RoundX(kRow[v][0]);
    p[v].rowY = scale_.RoundY(kRow[v][1]);
  }
  auto round16 = [](double value) { return static_cast<int16_t>(std::lround(value)); };
  p[0].discardX = round16(f.GetLeft(mj[23]) + 2 * TileWidth[0]);
  p[0].discardY = round16(f.GetTop(mj[23]) - Y(55));
  p[1].discardX = round16(f.GetLeft(mj[47]) + TileWidth[1]);
  p[1].discardY = round16(f.GetTop(mj[47]));
  p[2].discardX = round16(f.GetLeft(mj[71]) - TileWidth[2] - X(20));
  p[2].discardY = round16(f.GetTop(mj[71]) - TileHeight[2]);
  for (auto& player : p) {
    player.discardX0 = player.discardX;
    player.discardY0 = player.discardY;
  }
  seatsPlaced_ = true;
  for (ElementId e : mj) f.Enable(e);
}

void TableView::ResetSeats() {
  TableState& st = table_.state;
  for (int v = 0; v < kSeats; ++v) {
    PlayerRecord& p = table_.players[v];
    p.dealScore = 0;
    p.isDealer = false;
    for (auto& slot : p.slots) {
      slot.kind = SlotKind::Empty;
      slot.element = -1;  // the code stays: only ClearTiles forgets the tiles
    }
    p.handStart = 4;
    p.handCount = 0;
    p.redAside = 0;
    p.otherAside = 0;
    p.meldCursor = v == 0 ? 3 : 4;
  }
  st.DealDone = -1;
  st.ReplacementDraw = -1;
  st.MustDiscard = false;
  for (auto& row : st.RevealedTiles) row.fill(0);
  st.RightDiscards.fill(0);
  st.RightDiscardCount = 0;
  for (auto& row : st.AsideElements) row.fill(0);
  st.Winner = -1;
  loop_.InDeal = false;
  for (auto* p : participants_) p->OnResetSeats();
}

void TableView::ResetTable() {
  ClearTiles();
  ClearTable();
  ResetSeats();
}

}  // namespace korvel
