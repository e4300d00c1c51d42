#include <gtest/gtest.h>

#include <set>

#include "view/layout_scale.h"
#include "view/picture_catalogue.h"
#include "view/sprite_lists.h"

namespace korvel {
namespace {

TEST(LayoutScale, FullSizeNeedsTheWholeDesignScreen) {
  EXPECT_FALSE(LayoutScale::ForScreen(1024, 768).IsSmall());
  EXPECT_FALSE(LayoutScale::ForScreen(1920, 1080).IsSmall());
  EXPECT_TRUE(LayoutScale::ForScreen(1023, 768).IsSmall());
  EXPECT_TRUE(LayoutScale::ForScreen(1024, 767).IsSmall());
  EXPECT_TRUE(LayoutScale::ForScreen(1920, 1080, "small").IsSmall());
  EXPECT_FALSE(LayoutScale::ForScreen(800, 600, "full").IsSmall());
  EXPECT_TRUE(LayoutScale::ForScreen(800, 600, "bogus").IsSmall());
  const LayoutScale small = LayoutScale::Small();
  EXPECT_EQ(small.sx, 0.78125);
  EXPECT_EQ(small.WindowWidth(), 800);
  EXPECT_EQ(small.WindowHeight(), 600);
}

TEST(LayoutScale, IntegerSizesRoundToTheNearestPixel) {
  const LayoutScale small = LayoutScale::Small();
  EXPECT_EQ(small.RoundX(48), 38);  // 37.5
  EXPECT_EQ(small.RoundY(78), 61);  // 60.9375
  EXPECT_EQ(small.RoundX(36), 28);  // 28.125
  EXPECT_EQ(LayoutScale::Full().RoundX(48), 48);
}

TEST(SpriteLists, MainButtonsUseTheSmallSetExceptSend) {
  const SpriteLists full = SpriteLists::Build(LayoutScale::Full());
  const SpriteLists small = SpriteLists::Build(LayoutScale::Small());
  for (int k = 0; k < 20; ++k) EXPECT_EQ(full.ButtonSprites[k], 101 + k);
  EXPECT_EQ(small.ButtonSprites[0], 101);
  EXPECT_EQ(small.ButtonSprites[1], 102);
  for (int k = 2; k < 20; ++k) EXPECT_EQ(small.ButtonSprites[k], 379 + k);
  EXPECT_EQ(small.ButtonSprites[19], 398);
}

TEST(SpriteLists, EveryListedNumberIsAPictureOfTheSet) {
  const SpriteLists s = SpriteLists::Build(LayoutScale::Small());
  std::set<PictureId> used;
  auto take = [&](const auto& list, int from = 0) {
    for (size_t k = from; k < list.size(); ++k) used.insert(list[k]);
  };
  take(s.ButtonSprites);
  take(SpriteLists::Build(LayoutScale::Full()).ButtonSprites);
  take(s.DialogButtonSprites);
  take(s.OperationSprites, 3);  // entries 0..2 are never loaded
  take(s.DiceSprites);
  take(s.WordSprites);
  take(s.AvatarSprites);
  take(s.TileSprites);
  take(s.BalloonSprites);
  take(s.SmallDiceSprites);
  for (PictureId id : used) EXPECT_TRUE(IsNumberedPicture(id)) << id;
  used.insert({450, 451});
  int numbered = 0;
  ForEachPicture([&](PictureId id) { numbered += IsNumberedPicture(id) ? 1 : 0; });
  EXPECT_EQ(numbered, static_cast<int>(used.size()));
  EXPECT_EQ(s.AvatarSprites[9], 200);
  EXPECT_EQ(s.AvatarSprites[10], 401);
  EXPECT_EQ(s.OperationSprites[3], 144);
  EXPECT_EQ(s.OperationSprites[17], 158);
}

TEST(TileSprites, IndicesFollowBlocksSuitsAndRanks) {
  EXPECT_EQ(TileSpriteIndex(0x11, kBlockUpright), 0);       // East
  EXPECT_EQ(TileSpriteIndex(0x15, kBlockHand), 144 + 4);    // Red dragon in the hand
  EXPECT_EQ(TileSpriteIndex(0x21, kBlockLeft), 36 + 9);     // one of bamboo
  EXPECT_EQ(TileSpriteIndex(0x45, kBlockRight), 108 + 22);  // five of characters
  EXPECT_EQ(TileSpriteIndex(0x89, kBlockHand), 179);        // nine of dots, the last
  EXPECT_EQ(kFaceDownHandTile, 7);
  EXPECT_EQ(StandingBackIndex(kBlockLeft), 43);
  EXPECT_EQ(StandingBackIndex(kBlockRight), 115);
  EXPECT_EQ(LyingBackIndex(kBlockUpright), 8);
}

TEST(PictureCatalogue, SizesAndFileNames) {
  EXPECT_EQ(CataloguePictureSize(101), (PictureSize{48, 30}));
  EXPECT_EQ(CataloguePictureSize(120), (PictureSize{55, 31}));
  EXPECT_EQ(CataloguePictureSize(201 + 7), (PictureSize{50, 77}));    // standing back, block 0
  EXPECT_EQ(CataloguePictureSize(201 + 8), (PictureSize{38, 56}));    // lying back, block 0
  EXPECT_EQ(CataloguePictureSize(201 + 43), (PictureSize{33, 66}));   // block 1 standing back
  EXPECT_EQ(CataloguePictureSize(201 + 115), (PictureSize{34, 66}));  // block 3 standing back
  EXPECT_EQ(CataloguePictureSize(201 + 144), (PictureSize{50, 77}));
  EXPECT_EQ(CataloguePictureSize(201 + 80), (PictureSize{33, 37}));  // block 2 lying back
  EXPECT_EQ(CataloguePictureSize(140), (PictureSize{}));
  EXPECT_EQ(CataloguePictureSize(452), (PictureSize{}));
  EXPECT_EQ(CataloguePictureSize(kPicTable), (PictureSize{1024, 768}));
  EXPECT_EQ(PictureFileName(101), "101.png");
  EXPECT_EQ(PictureFileName(kPicTableSmall), "table-800.png");
  EXPECT_EQ(PictureFileName(99), "");
  std::set<std::string> names;
  ForEachPicture([&](PictureId id) { EXPECT_TRUE(names.insert(PictureFileName(id)).second); });
}

}  // namespace
}  // namespace korvel
