#include "view/table_view.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

class TableViewTest : public ::testing::TestWithParam<bool> {
 protected:
  TableViewTest() : view(table, loop) {
    view.LayOut(GetParam() ? LayoutScale::Small() : LayoutScale::Full());
  }
  Form& f() { return view.main(); }
  TableModel table;
  LoopState loop;
  TableView view;
};

TEST_P(TableViewTest, StartupCreatesEveryArrayMember) {
  const auto& el = view.el;
  for (const auto* ids : {&el.Tou, &el.Nid, &el.Cash, &el.Level}) {
    for (ElementId e : *ids) EXPECT_NE(e, kNoElement);
  }
  for (ElementId e : el.MJ_Image) EXPECT_NE(e, kNoElement);
  for (ElementId e : el.AnNiu) EXPECT_NE(e, kNoElement);
  for (ElementId e : el.Operation) EXPECT_NE(e, kNoElement);
  for (ElementId e : el.SZ_Image) EXPECT_NE(e, kNoElement);
  for (ElementId e : el.OK) EXPECT_NE(e, kNoElement);
  EXPECT_EQ(f().Find("MJ_Image", 71), el.MJ_Image[71]);
  EXPECT_EQ(f().Find("MJ_Image", 72), kNoElement);
  EXPECT_TRUE(f().visible());
  EXPECT_EQ(f().width(), GetParam() ? 800 : 1024);
  // The tile pool sits in front of everything else drawn as an image.
  for (ElementId e : el.MJ_Image) EXPECT_GT(f().ZIndex(e), f().ZIndex(el.imgDinglan));
  // Dice: element k holds entry k.
  for (int k = 0; k < 16; ++k) EXPECT_EQ(f().GetPicture(el.SZ_Image[k]), 161 + k);
  // A second layout changes nothing.
  const int count = f().ElementCount();
  view.LayOut(LayoutScale::Full());
  EXPECT_EQ(f().ElementCount(), count);
}

TEST_P(TableViewTest, MainButtonsAndOperationButtonsArePlacedInRows) {
  const bool small = GetParam();
  const double s = small ? 0.78125 : 1.0;
  const auto& b = view.el.AnNiu;
  EXPECT_DOUBLE_EQ(f().GetLeft(b[0]), 573 * s);
  EXPECT_DOUBLE_EQ(f().GetWidth(b[0]), 50 * s);
  EXPECT_DOUBLE_EQ(f().GetLeft(b[4]), (648 + 3 * 70) * s);
  EXPECT_DOUBLE_EQ(f().GetTop(b[4]), 699 * s);
  EXPECT_DOUBLE_EQ(f().GetLeft(b[5]), 648 * s);
  EXPECT_DOUBLE_EQ(f().GetTop(b[8]), (699 + 32) * s);
  EXPECT_DOUBLE_EQ(f().GetWidth(b[8]), 60 * s);
  // Button i shows entry 2i below 3 and 2i + 2 from 3 on; only start is locked.
  EXPECT_EQ(f().GetPicture(b[0]), 101);
  EXPECT_EQ(f().GetPicture(b[2]), small ? 383 : 105);
  EXPECT_EQ(f().GetPicture(b[3]), small ? 387 : 109);
  EXPECT_EQ(f().GetPicture(b[8]), small ? 397 : 119);
  for (int i = 0; i < kMainButtons; ++i) EXPECT_EQ(view.ButtonLocked[i], i == 2);

  const auto& op = view.el.Operation;
  for (int i = 1; i < 6; ++i) {
    EXPECT_DOUBLE_EQ(f().GetLeft(op[i]), (358 + 50 * i) * s);
    EXPECT_DOUBLE_EQ(f().GetTop(op[i]), 461 * s);
    EXPECT_EQ(f().GetPicture(op[i]), 141 + 3 * i);
    EXPECT_FALSE(f().Visible(op[i]));
    EXPECT_FALSE(f().Enabled(op[i]));
  }
  EXPECT_EQ(f().GetPicture(op[0]), kNoPicture);
  // The side seats' ready marks sit beside their walls.
  EXPECT_DOUBLE_EQ(f().GetLeft(view.el.OK[1]), 60 * s);
  EXPECT_DOUBLE_EQ(f().GetLeft(view.el.OK[2]), 900 * s);
  EXPECT_DOUBLE_EQ(f().GetTop(view.el.OK[2]), 280 * s);
}

TEST_P(TableViewTest, SmallLayoutDifferences) {
  const bool small = GetParam();
  const auto& el = view.el;
  EXPECT_EQ(f().Get(el.Nid[2])->fontSize, small ? 8 : 9);
  EXPECT_EQ(f().Get(el.Number)->fontSize, small ? 12 : 15);
  EXPECT_DOUBLE_EQ(f().GetLeft(el.img_zhuang), small ? 820 * 0.78125 : 880);
  EXPECT_DOUBLE_EQ(f().GetLeft(el.lbfont[1]), small ? 424 * 0.78125 - 10 : 424);
  EXPECT_DOUBLE_EQ(f().GetWidth(el.Bank), small ? 55 * 0.78125 : 55);
  EXPECT_EQ(f().GetPicture(el.pic1), small ? kPicTableSmall : kPicTable);
  EXPECT_DOUBLE_EQ(f().GetLeft(el.Number), f().GetLeft(el.Time_Img) + 48 * view.scale().sx);
  // The notice is centred on the table.
  EXPECT_DOUBLE_EQ(f().GetLeft(el.img_tip) * 2 + f().GetWidth(el.img_tip), f().width());
}

TEST_P(TableViewTest, ShowTileChecksItsRange) {
  const auto& mj = view.el.MJ_Image;
  view.ShowTile(72, 0);
  view.ShowTile(0, 180);
  view.ShowTile(-1, 0);
  view.ShowTile(0, -1);
  EXPECT_FALSE(f().Visible(mj[0]));
  EXPECT_EQ(f().GetPicture(mj[0]), kNoPicture);

  f().Move(mj[71], 10, 20, 30, 40);
  const int z = f().ZIndex(mj[71]);
  view.ShowTile(71, 179);
  EXPECT_TRUE(f().Visible(mj[71]));
  EXPECT_EQ(f().GetPicture(mj[71]), 380);
  EXPECT_EQ(f().Get(mj[71])->geometry, (Rect{10, 20, 30, 40}));
  EXPECT_EQ(f().ZIndex(mj[71]), z);
}

TEST_P(TableViewTest, ThePoolWrapsAt72) {
  table.state.NextTileElement = 0;
  for (int i = 0; i < 72; ++i) EXPECT_EQ(view.pool().Take(), i);
  EXPECT_EQ(table.state.NextTileElement, 0);
  EXPECT_EQ(view.pool().Take(), 0);
  EXPECT_EQ(view.pool().Element(0), view.el.MJ_Image[0]);
  EXPECT_EQ(view.pool().Element(72), kNoElement);
  // A cursor left out of range by a handler comes back into the pool.
  table.state.NextTileElement = 75;
  EXPECT_EQ(view.pool().Take(), 3);
  table.state.NextTileElement = -1;
  EXPECT_EQ(view.pool().Take(), 71);
}

TEST_P(TableViewTest, TileSizesScaleByAxis) {
  view.SetTileSizes(48, 78, 35, 66);
  if (GetParam()) {
    EXPECT_EQ(view.TileWidth[0], 38);
    EXPECT_EQ(view.TileHeight[0], 61);
    EXPECT_EQ(view.TileWidth[1], 27);   // 27.34
    EXPECT_EQ(view.TileHeight[2], 52);  // 51.56
  } else {
    EXPECT_EQ(view.TileWidth[0], 48);
    EXPECT_EQ(view.TileHeight[1], 66);
  }
}

TEST_P(TableViewTest, SystemLinesGoToTheFirstMessageList) {
  view.AddSystemLine("正在连接服务器...");
  const auto& lines = f().Get(view.el.Sysmsg[0])->lines;
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "正在连接服务器...");
}

INSTANTIATE_TEST_SUITE_P(Layouts, TableViewTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Small" : "Full"; });

TEST(TableViewBeforeLayout, OperationsWaitForTheForm) {
  TableModel table;
  LoopState loop;
  TableView view(table, loop);
  EXPECT_FALSE(view.laidOut());
  view.ShowTile(0, 0);
  view.ResetTable();
  view.AddSystemLine("x");
  EXPECT_EQ(table.players[0].meldCursor, 3);  // the seat records reset without a form
}

}  // namespace
}  // namespace korvel
