// The start of a deal: dealer, die, where dealing starts, the dice multiplier and the walls.
#include <gtest/gtest.h>

#include <algorithm>

#include "table_fixture.h"

namespace korvel {
namespace {

using testing::TableFixture;
using testing::TilePic;

class DealStartTest : public TableFixture {
 protected:
  void SetUp() override {
    TableFixture::SetUp();
    StartPlaying(1);
    client.table().seating.SeatFace[0].nickname = "我";
    client.table().seating.SeatFace[1].nickname = "左边的人";
    client.table().seating.SeatFace[2].nickname = "abcdefghijk";
  }
  bool Played(const std::string& file) {
    return std::any_of(vp.sound.played.begin(), vp.sound.played.end(), [&](const std::string& p) {
      return p.size() >= file.size() && p.compare(p.size() - file.size(), file.size(), file) == 0;
    });
  }
};

TEST_F(DealStartTest, LocalDealerStartsDealingInTheLeftWallDieStacksIn) {
  Feed(DealStartRecord(1, 3, 5));
  EXPECT_EQ(state().NextTileElement, 30);
  EXPECT_EQ(state().WallEndElement, 28);
  EXPECT_TRUE(player(0).isDealer);
  EXPECT_FALSE(player(1).isDealer);
  EXPECT_EQ(main().Get(el().lbZhuang)->caption, "我");
  EXPECT_EQ(main().Get(el().lbZhuang)->fontSize, 12);
  EXPECT_TRUE(main().Visible(el().img_zhuang));
  EXPECT_TRUE(main().Visible(el().lbZhuang));
  // The die rolled, came to rest on its face and went away again.
  EXPECT_FALSE(main().Visible(el().Sai_Image[0]));
  EXPECT_EQ(main().GetPicture(el().Sai_Image[0]), 161 + 3 - 1);
  EXPECT_EQ(main().GetLeft(el().Sai_Image[0]), 480);
  EXPECT_EQ(main().GetTop(el().Sai_Image[0]), 344);
  EXPECT_EQ(client.table().progress.DealCount, 1);
  EXPECT_TRUE(client.loop().InDeal);
  EXPECT_TRUE(client.loop().LoopFlag[kStepBlink]);
  EXPECT_TRUE(client.table().progress.GameRunning);
  EXPECT_TRUE(client.table().seating.PropDealStarted);
  EXPECT_TRUE(Played("xipai.wav"));
  EXPECT_TRUE(Played("zhise.wav"));
  const auto posted = vp.lobby.PostedNumbers("Tesk山庄");
  EXPECT_NE(std::find(posted.begin(), posted.end(), 1127u), posted.end());
}

TEST_F(DealStartTest, RightDealerStartsInTheBottomWallAndLongNamesTakeTheSmallFont) {
  Feed(DealStartRecord(2, 5, 2));
  EXPECT_EQ(state().NextTileElement, 10);
  EXPECT_EQ(state().WallEndElement, 8);
  EXPECT_TRUE(player(2).isDealer);
  EXPECT_EQ(main().Get(el().lbZhuang)->caption, "abcdefghijk");
  EXPECT_EQ(main().Get(el().lbZhuang)->fontSize, 9);
}

TEST_F(DealStartTest, ADieOfZeroCountsAndShowsAsOne) {
  Feed(DealStartRecord(4, 0, 0));  // mask 4 is the left seat
  EXPECT_TRUE(player(1).isDealer);
  EXPECT_EQ(state().NextTileElement, ((2 * 12 + 1) * 2) % 72);
  EXPECT_EQ(main().GetPicture(el().Sai_Image[0]), 161);
}

TEST_F(DealStartTest, TheWallsStandFaceDownInTheirPlaces) {
  Feed(DealStartRecord(1, 3));
  for (int e = 0; e < 72; ++e) {
    const int back = e < 24 ? 8 : e < 48 ? 44 : 116;
    EXPECT_TRUE(TileEl(e).visible) << e;
    EXPECT_EQ(PicOf(e), TilePic(back)) << e;
  }
  EXPECT_EQ(TileEl(0).geometry, (Rect{680, 476, 36, 50}));
  EXPECT_EQ(TileEl(24).geometry, (Rect{230, 400, 48, 35}));
  EXPECT_EQ(TileEl(48).geometry, (Rect{720, 260, 48, 35}));
}

TEST_F(DealStartTest, TheDiceMultiplierShowsOnlyWhenTheDealDoublesByDice) {
  Feed(DealStartRecord(1, 3, 2, 3, 4, 0));
  EXPECT_EQ(play().DiceDoubling, 0);
  EXPECT_FALSE(main().Visible(el().imgBeishu));
  EXPECT_FALSE(main().Visible(el().imgsezi[0]));
  Feed(DealStartRecord(1, 3, 2, 3, 4, 1));
  EXPECT_EQ(play().DiceDoubling, 1);
  EXPECT_TRUE(main().Visible(el().imgBeishu));
  EXPECT_TRUE(main().Visible(el().lblDifen));
  EXPECT_EQ(main().Get(el().lblDifen)->caption, "7");
  EXPECT_EQ(main().GetPicture(el().imgsezi[0]), 416 + 2);
  EXPECT_EQ(main().GetPicture(el().imgsezi[1]), 416 + 3);
  EXPECT_TRUE(main().Visible(el().imgsezi[1]));
  EXPECT_EQ(client.table().progress.DealCount, 2);
}

// The factor is the sum the server sent, zero dice included; only the pictures need a face.
TEST_F(DealStartTest, TheDiceMultiplierIsTheSumAsSent) {
  Feed(DealStartRecord(1, 3, 2, 0, 5, 1));
  EXPECT_EQ(main().Get(el().lblDifen)->caption, "5");
  EXPECT_EQ(main().GetPicture(el().imgsezi[0]), 416);
  Feed(DealStartRecord(1, 3, 2, 0, 0, 1));
  EXPECT_EQ(main().Get(el().lblDifen)->caption, "0");
}

TEST_F(TableFixture, TheDealerNameTakesTheSameFontSizesInTheSmallLayout) {
  vp.screen.width = 800;
  vp.screen.height = 600;
  StartPlaying(1);
  ASSERT_TRUE(view().scale().IsSmall());
  client.table().seating.SeatFace[0].nickname = "我";
  client.table().seating.SeatFace[2].nickname = "abcdefghijk";
  Feed(DealStartRecord(1, 3, 5));
  EXPECT_EQ(main().Get(el().lbZhuang)->fontSize, 12);
  Feed(DealStartRecord(2, 3, 5));
  EXPECT_EQ(main().Get(el().lbZhuang)->fontSize, 9);
}

TEST_F(DealStartTest, ADealerWhoIsNotAtTheTableLeavesTheCursorsAndThePlate) {
  state().NextTileElement = 17;
  state().WallEndElement = 15;
  Feed(DealStartRecord(8, 3));
  EXPECT_EQ(state().NextTileElement, 17);
  EXPECT_EQ(state().WallEndElement, 15);
  for (int v = 0; v < 3; ++v) EXPECT_FALSE(player(v).isDealer);
  EXPECT_FALSE(main().Visible(el().img_zhuang));
  // The walls are still built: the deal goes on.
  EXPECT_TRUE(TileEl(71).visible);
}

TEST_F(DealStartTest, EachDealForgetsTheLastDealsDeclarationsAndOffers) {
  state().LaidDown = {1, 1, 1};
  state().ReadyDeclared = true;
  client.settlement().stores.HasWon = {1, 0, 1};
  main().Show(el().OK[1]);
  main().Show(el().Operation[4]);
  main().Enable(el().Operation[4]);
  main().LoadSprite(el().Operation[4], 3 * 4 + 141 + 1);
  Feed(DealStartRecord(1, 3));
  EXPECT_EQ(state().LaidDown, (std::array<int16_t, 3>{0, 0, 0}));
  EXPECT_FALSE(state().ReadyDeclared);
  EXPECT_EQ(client.settlement().stores.HasWon, (std::array<int16_t, 3>{0, 0, 0}));
  EXPECT_FALSE(main().Visible(el().OK[1]));
  EXPECT_FALSE(main().Visible(el().Operation[4]));
  EXPECT_FALSE(main().Enabled(el().Operation[4]));
  EXPECT_EQ(main().GetPicture(el().Operation[4]), 141 + 12);
}

}  // namespace
}  // namespace korvel
