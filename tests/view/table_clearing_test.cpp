#include <gtest/gtest.h>

#include <cmath>

#include "view/table_view.h"

namespace korvel {
namespace {

struct CountingParticipant : TableResetParticipant {
  void OnClearTiles() override { calls += "T"; }
  void OnClearTable() override { calls += "B"; }
  void OnResetSeats() override { calls += "S"; }
  std::string calls;
};

class ClearingTest : public ::testing::Test {
 protected:
  void LayOut(bool small) {
    view.LayOut(small ? LayoutScale::Small() : LayoutScale::Full());
    view.AddResetParticipant(&participant);
  }
  Form& f() { return view.main(); }
  ElementId Tile(int i) { return view.el.MJ_Image[i]; }
  long L(int i) { return std::lround(f().GetLeft(Tile(i))); }
  long T(int i) { return std::lround(f().GetTop(Tile(i))); }

  // A table in the middle of a deal: tiles shown, slots filled, state set.
  void Dirty() {
    for (int i = 0; i < kTileElements; ++i) {
      view.ShowTile(i, i);
      f().Disable(Tile(i));
    }
    for (auto& p : table.players) {
      for (auto& s : p.slots) s = {SlotKind::Peng, 0x21, 5};
      p.handStart = 10;
      p.handCount = 7;
      p.meldCursor = 9;
      p.redAside = 2;
      p.otherAside = 1;
      p.dealScore = 40;
      p.isDealer = true;
    }
    auto& st = table.state;
    st.OfferElement = 12;
    st.DealDone = 3;
    st.ReplacementDraw = 0;
    st.MustDiscard = true;
    st.ReadyDeclared = true;
    st.ReadyListSent = true;
    st.ReadyDiscards.fill(0x22);
    st.LaidDown.fill(1);
    st.RevealedTiles[1][3] = 0x33;
    st.AsideElements[2][1] = 4;
    st.RightDiscards[0] = 9;
    st.RightDiscardCount = 1;
    st.Winner = 1;
    st.WinOffered = 1;
    loop.InDeal = true;
    for (ElementId e : {view.el.Time_Img, view.el.Number, view.el.img_zhuang, view.el.Words,
                        view.el.imgTing[0], view.el.Operation[3], view.el.Speak[1],
                        view.el.tsSpeak[2], view.el.Chi[0], view.el.Gang[4], view.el.Img_An[1],
                        view.el.imgBeishu, view.el.lbwealth, view.el.lbfont[2]}) {
      f().Show(e);
    }
    f().SetCaption(view.el.lblDifen, "4");
    f().Hide(view.el.Bank);
  }

  TableModel table;
  LoopState loop;
  TableView view{table, loop};
  CountingParticipant participant;
};

TEST_F(ClearingTest, AFullResetEmptiesEveryTileAndSeat) {
  LayOut(false);
  Dirty();
  view.ResetTable();
  EXPECT_EQ(participant.calls, "TBS");
  for (int i = 0; i < kTileElements; ++i) {
    EXPECT_FALSE(f().Visible(Tile(i)));
    EXPECT_TRUE(f().Enabled(Tile(i)));
    EXPECT_EQ(f().GetPicture(Tile(i)), kNoPicture);
  }
  for (int v = 0; v < kSeats; ++v) {
    const PlayerRecord& p = table.players[v];
    EXPECT_EQ(p.meldCursor, v == 0 ? 3 : 4);
    EXPECT_EQ(p.handStart, 4);
    EXPECT_EQ(p.handCount, 0);
    EXPECT_EQ(p.redAside, 0);
    EXPECT_EQ(p.otherAside, 0);
    EXPECT_EQ(p.dealScore, 0);
    EXPECT_FALSE(p.isDealer);
    for (const TileSlot& s : p.slots) {
      EXPECT_EQ(s.kind, SlotKind::Empty);
      EXPECT_EQ(s.code, 0);
      EXPECT_EQ(s.element, -1);
    }
  }
  const TableState& st = table.state;
  EXPECT_EQ(st.OfferElement, -1);
  EXPECT_EQ(st.DealDone, -1);
  EXPECT_EQ(st.ReplacementDraw, -1);
  EXPECT_FALSE(st.MustDiscard);
  EXPECT_FALSE(st.ReadyDeclared);
  EXPECT_FALSE(st.ReadyListSent);
  EXPECT_EQ(st.ReadyDiscards[13], 0);
  EXPECT_EQ(st.LaidDown[2], 0);
  EXPECT_EQ(st.RevealedTiles[1][3], 0);
  EXPECT_EQ(st.AsideElements[2][1], 0);
  EXPECT_EQ(st.RightDiscards[0], 0);
  EXPECT_EQ(st.RightDiscardCount, 0);
  EXPECT_EQ(st.Winner, -1);
  EXPECT_EQ(st.WinOffered, 0);
  EXPECT_FALSE(loop.InDeal);

  const auto& el = view.el;
  for (ElementId e : {el.Time_Img, el.Number, el.img_zhuang, el.Words, el.imgTing[0],
                      el.Operation[3], el.Speak[1], el.tsSpeak[2], el.Chi[0], el.Gang[4],
                      el.Img_An[1], el.imgBeishu, el.lbwealth, el.lbfont[2], el.lblDifen}) {
    EXPECT_FALSE(f().Visible(e)) << f().Get(e)->name << f().Get(e)->index;
  }
  EXPECT_EQ(f().Get(el.lblDifen)->caption, "1");
  EXPECT_EQ(f().Get(el.imgTing[3])->toolTip, "亮倒");
  EXPECT_TRUE(f().Visible(el.Bank));
  EXPECT_EQ(view.TileWidth[0], 36);
  EXPECT_EQ(view.TileHeight[0], 50);
  EXPECT_EQ(view.TileWidth[2], 48);
  EXPECT_EQ(view.TileHeight[1], 35);
}

TEST_F(ClearingTest, WallsAndSeatOriginsInTheFullLayout) {
  LayOut(false);
  view.ResetTable();
  EXPECT_EQ(L(0), 680);
  EXPECT_EQ(T(0), 476);
  EXPECT_EQ(L(1), 680);
  EXPECT_EQ(T(1), 498);
  EXPECT_EQ(L(2), 644);
  EXPECT_EQ(T(2), 476);
  EXPECT_EQ(L(23), 284);
  EXPECT_EQ(T(23), 498);
  EXPECT_EQ(f().GetWidth(Tile(5)), 36);
  EXPECT_EQ(f().GetHeight(Tile(5)), 50);
  // Left wall recedes upwards, right wall comes down; both lean right.
  EXPECT_EQ(L(24), 230);
  EXPECT_EQ(T(24), 400);
  EXPECT_EQ(T(25), 420);
  EXPECT_EQ(L(46), 230 + 44);
  EXPECT_EQ(T(46), 400 - 165);
  EXPECT_EQ(L(48), 720);
  EXPECT_EQ(T(48), 260);
  EXPECT_EQ(L(71), 764);
  EXPECT_EQ(T(71), 260 + 165 + 20);
  EXPECT_EQ(f().GetWidth(Tile(30)), 48);
  EXPECT_EQ(f().GetHeight(Tile(60)), 35);

  const auto& p = table.players;
  EXPECT_EQ(p[0].discardX, 356);
  EXPECT_EQ(p[0].discardY, 443);
  EXPECT_EQ(p[1].discardX, 274 + 48);
  EXPECT_EQ(p[1].discardY, 255);
  EXPECT_EQ(p[2].discardX, 764 - 48 - 20);
  EXPECT_EQ(p[2].discardY, 445 - 35);
  for (const auto& player : p) {
    EXPECT_EQ(player.discardX0, player.discardX);
    EXPECT_EQ(player.discardY0, player.discardY);
  }
  EXPECT_EQ(p[0].rowX, 19);
  EXPECT_EQ(p[0].rowY, 564);
  EXPECT_EQ(p[1].rowX, 163);
  EXPECT_EQ(p[1].rowY, 192);
  EXPECT_EQ(p[2].rowY, 560);
  EXPECT_EQ(std::lround(f().GetLeft(view.el.imgTing[1])), 95);
  EXPECT_EQ(std::lround(f().GetLeft(view.el.imgTing[3])), 780);
}

TEST_F(ClearingTest, WallsInTheSmallLayout) {
  LayOut(true);
  view.ResetTable();
  EXPECT_EQ(L(0), 531);  // 531.25
  EXPECT_EQ(T(0), 372);  // 371.875
  EXPECT_EQ(view.TileWidth[0], 28);
  // Stacks step by the rounded tile width.
  EXPECT_DOUBLE_EQ(f().GetLeft(Tile(2)), 531.25 - 28);
  EXPECT_DOUBLE_EQ(f().GetTop(Tile(1)), 371.875 + 22 * 0.78125);
  EXPECT_EQ(std::lround(f().GetLeft(view.el.imgTing[1])), 55);
  EXPECT_EQ(std::lround(f().GetTop(view.el.imgTing[1])), 234);
  EXPECT_EQ(std::lround(f().GetTop(view.el.imgTing[0])), std::lround(545 * 0.78125));
  EXPECT_EQ(table.players[0].rowX, 15);   // 14.84
  EXPECT_EQ(table.players[0].rowY, 441);  // 440.625
  EXPECT_EQ(table.players[1].rowY, 150);
}

TEST_F(ClearingTest, NearerStacksAreDrawnInFront) {
  LayOut(false);
  view.ResetTable();
  auto z = [&](int i) { return f().ZIndex(Tile(i)); };
  // Bottom wall: every upper tile in front of every lower one.
  for (int i = 0; i < 12; ++i) EXPECT_GT(z(2 * i), z(1)) << i;
  EXPECT_GT(z(2), z(0));
  // Left wall: the first stack in front of the far end, the upper tile above its lower one.
  EXPECT_GT(z(24), z(25));
  EXPECT_GT(z(25), z(46));
  EXPECT_GT(z(46), z(47));
  // Right wall: each later (nearer) stack in front of the one before.
  for (int i = 1; i < 12; ++i) {
    EXPECT_GT(z(48 + 2 * i), z(48 + 2 * i + 1));
    EXPECT_GT(z(48 + 2 * i + 1), z(48 + 2 * (i - 1))) << i;
  }
}

TEST_F(ClearingTest, EveryWallTileStaysInsideTheWindow) {
  for (bool small : {false, true}) {
    TableModel t;
    LoopState l;
    TableView v(t, l);
    v.LayOut(small ? LayoutScale::Small() : LayoutScale::Full());
    v.ResetTable();
    const Form& form = v.main();
    for (ElementId e : v.el.MJ_Image) {
      const Rect r = form.Get(e)->geometry;
      EXPECT_GE(r.left, 0);
      EXPECT_GE(r.top, 0);
      EXPECT_LE(r.right(), form.width());
      EXPECT_LE(r.bottom(), form.height());
    }
  }
}

TEST_F(ClearingTest, ResetSeatsAloneKeepsTheTileCodes) {
  LayOut(false);
  table.players[1].slots[6] = {SlotKind::Concealed, 0x45, 30};
  view.ResetSeats();
  EXPECT_EQ(table.players[1].slots[6].code, 0x45);
  EXPECT_EQ(table.players[1].slots[6].element, -1);
  EXPECT_EQ(table.players[1].slots[6].kind, SlotKind::Empty);
  view.ClearTiles();
  EXPECT_EQ(table.players[1].slots[6].code, 0);
  EXPECT_EQ(participant.calls, "ST");
}

TEST_F(ClearingTest, ClearTableAloneLeavesTheSeatsAndHidesTheChatWindow) {
  LayOut(false);
  Form& talk = view.scene().form(view.scene().AddForm("Talk", 300, 200));
  talk.SetFormVisible(true);
  table.players[2].handCount = 5;
  table.state.OfferElement = 7;
  view.ClearTable();
  EXPECT_FALSE(talk.visible());
  EXPECT_EQ(table.players[2].handCount, 5);
  EXPECT_EQ(table.state.OfferElement, 7);
  EXPECT_EQ(participant.calls, "B");
}

}  // namespace
}  // namespace korvel
