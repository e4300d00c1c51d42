// The main form rendered after a table reset, with the walls set out as a deal begins.
#include <gtest/gtest.h>

#include <QDir>
#include <cstdlib>

#include "picture_library.h"
#include "qt_app.h"
#include "scene_renderer.h"
#include "view/table_view.h"

namespace korvel {
namespace {

class TableRenderTest : public ::testing::TestWithParam<bool> {
 protected:
  static void SetUpTestSuite() {
    TestApp();
    pictures_ = new PictureLibrary;
    pictures_->LoadFolder(QString(KORVEL_SHARE_DIR) + "/pictures");
  }
  static void TearDownTestSuite() {
    delete pictures_;
    pictures_ = nullptr;
  }

  void SetUp() override {
    ASSERT_EQ(pictures_->Missing(), 0) << "the picture set is not built";
    view.scene().SetPictureStore(pictures_);
    view.LayOut(small() ? LayoutScale::Small() : LayoutScale::Full());
    view.ResetTable();
  }
  bool small() const { return GetParam(); }

  void ShowWalls() {
    for (int i = 0; i < kTileElements; ++i) view.ShowTile(i, TableView::WallTileIndex(i / 24));
  }

  static PictureLibrary* pictures_;
  TableModel table;
  LoopState loop;
  TableView view{table, loop};
};

PictureLibrary* TableRenderTest::pictures_ = nullptr;

int Difference(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
         std::abs(qBlue(a) - qBlue(b));
}

TEST_P(TableRenderTest, TheWallsStandOnTheTableInsideTheWindow) {
  SceneRenderer renderer(*pictures_);
  const QImage empty = renderer.Render(view.main());
  ShowWalls();
  const QImage table = renderer.Render(view.main());
  const QSize expected = small() ? QSize(800, 600) : QSize(1024, 768);
  ASSERT_EQ(table.size(), expected);
  ASSERT_EQ(empty.size(), expected);

  // Every wall tile shows: most of its visible pixels differ from the bare table.
  const Form& form = view.main();
  for (int i = 0; i < kTileElements; ++i) {
    const QRect r = SceneRenderer::PixelRect(*form.Get(view.el.MJ_Image[i]));
    int changed = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
      for (int x = r.left(); x <= r.right(); ++x) {
        changed += Difference(table.pixel(x, y), empty.pixel(x, y)) > 60 ? 1 : 0;
      }
    }
    EXPECT_GT(changed, r.width() * r.height() / 4) << "wall tile " << i;
  }

  // Nothing that can be seen lies outside the window.
  for (ElementId e = 0; e < form.ElementCount(); ++e) {
    const Element& el = *form.Get(e);
    if (!el.visible) continue;
    const QRect r = SceneRenderer::PixelRect(el);
    EXPECT_TRUE(QRect(QPoint(0, 0), expected).contains(r)) << el.name << "(" << el.index << ")";
  }

  // The table itself is drawn: the felt in the middle is green.
  const QRgb middle = empty.pixel(expected.width() / 2, expected.height() / 2 - 40);
  EXPECT_GT(qGreen(middle), qRed(middle) + 30);

  if (const char* dir = std::getenv("KORVEL_SCREENSHOT_DIR")) {
    QDir().mkpath(dir);
    table.save(QString(dir) + (small() ? "/table-800.png" : "/table-1024.png"));
  }
}

TEST_P(TableRenderTest, RepaintingAnAreaTouchesOnlyThatArea) {
  SceneRenderer renderer(*pictures_);
  ShowWalls();
  QImage full = renderer.Render(view.main());
  QImage partial(full.size(), QImage::Format_RGB32);
  partial.fill(Qt::magenta);
  const QRect area(100, 100, 120, 80);
  {
    QPainter p(&partial);
    renderer.Paint(p, view.main(), area);
  }
  EXPECT_EQ(partial.pixel(area.center()), full.pixel(area.center()));
  EXPECT_EQ(partial.pixel(area.right() + 5, area.center().y()), QColor(Qt::magenta).rgb());
  EXPECT_EQ(partial.copy(area), full.copy(area));
}

// A deal in play, placed as the dealing and discarding handlers place tiles: hands taken from
// the walls through the pool, discards in their areas. Every tile stays inside the window.
TEST_P(TableRenderTest, ADealInPlayStaysInsideTheWindow) {
  ShowWalls();
  Form& f = view.main();
  const auto& p = table.players;
  table.state.NextTileElement = 26;
  auto place = [&](double l, double t, double w, double h, int sprite) {
    const int e = view.pool().Take();
    f.Move(view.el.MJ_Image[e], l, t, w, h);
    view.ShowTile(e, sprite);
    return view.el.MJ_Image[e];
  };
  const double sx = view.scale().sx, sy = view.scale().sy;
  static const int kHand[14] = {0x12, 0x13, 0x14, 0x27, 0x28, 0x29, 0x45,
                                0x45, 0x81, 0x82, 0x83, 0x86, 0x86, 0x15};
  view.SetTileSizes(48, 78, 35, 66);
  for (int s = 4; s < 17; ++s) {
    place(p[0].rowX + s * view.TileWidth[0], p[0].rowY, view.TileWidth[0], view.TileHeight[0],
          TileSpriteIndex(kHand[s - 4], kBlockHand));
  }
  place(p[0].rowX + 17 * view.TileWidth[0] + view.TileWidth[0] / 2, p[0].rowY, view.TileWidth[0],
        view.TileHeight[0], TileSpriteIndex(kHand[13], kBlockHand));
  for (int s = 4; s < 17; ++s) {
    place(p[1].rowX - 5 * sx * s, p[1].rowY + s * view.TileWidth[1] / 2.0, view.TileWidth[1],
          view.TileHeight[1], StandingBackIndex(kBlockLeft));
    f.SendToBack(place(p[2].rowX - 5 * sx * (s + 1), p[2].rowY - (s + 1) * view.TileWidth[2] / 2.0,
                       view.TileWidth[2], view.TileHeight[2], StandingBackIndex(kBlockRight)));
  }
  view.SetTileSizes(36, 50, 48, 35);
  static const int kDiscards[8] = {0x11, 0x89, 0x24, 0x47, 0x16, 0x83, 0x17, 0x41};
  for (int k = 0; k < 8; ++k) {
    const int row = k / 6, col = k % 6;
    f.SendToBack(place(p[0].discardX + col * view.TileWidth[0], p[0].discardY - row * 32 * sy,
                       view.TileWidth[0], view.TileHeight[0],
                       TileSpriteIndex(kDiscards[k], kBlockUpright)));
    if (k < 7) {
      place(p[1].discardX - 5 * k, p[1].discardY + k * 18 * sy, view.TileWidth[1],
            view.TileHeight[1], TileSpriteIndex(kDiscards[7 - k], kBlockLeft));
    }
    if (k < 5) {
      f.SendToBack(place(p[2].discardX - 5 * k, p[2].discardY - k * 18 * sy, view.TileWidth[2],
                         view.TileHeight[2], TileSpriteIndex(kDiscards[k + 2], kBlockRight)));
    }
  }
  for (int v = 0; v < 3; ++v) {
    f.LoadSprite(view.el.Tou[v], view.sprites().AvatarSprites[v == 1 ? 13 : v * 4 + 1]);
    static const char* kNames[3] = {"小龙", "梅梅", "阿杰"};
    f.SetCaption(view.el.Nid[v], kNames[v]);
    f.SetCaption(view.el.Cash[v], std::to_string(12000 + 3150 * v));
    f.SetCaption(view.el.Level[v], v == 1 ? "雀圣" : "高手");
  }
  f.Move(view.el.lbZhuang, f.GetLeft(view.el.lbZhuang), f.GetTop(view.el.lbZhuang), 88 * sx,
         18 * sy);
  f.SetCaption(view.el.lbZhuang, "梅梅");
  for (ElementId e : {view.el.img_zhuang, view.el.lbZhuang, view.el.Time_Img, view.el.Number,
                      view.el.imgBeishu, view.el.lblDifen, view.el.Imgwealth, view.el.lbwealth}) {
    f.Show(e);
  }
  f.SetCaption(view.el.Number, "7");
  f.SetCaption(view.el.lblDifen, "2");
  f.SetCaption(view.el.Location, "新手区 - 第8桌");
  f.AddLine(view.el.Sysmsg[0], "欢迎来到Korvel麻将，祝您游戏愉快！");
  f.AddLine(view.el.Sysmsg[1], "梅梅：快点吧，等到花儿都谢了");
  for (int i = 1; i <= 5; ++i) {
    if (i == 1 || i == 5) {
      f.LoadSprite(view.el.Operation[i], view.sprites().OperationSprites[3 * i + 1]);
      f.BringToFront(view.el.Operation[i]);
      f.Show(view.el.Operation[i]);
    }
  }

  SceneRenderer renderer(*pictures_);
  const QImage image = renderer.Render(f);
  for (ElementId e : view.el.MJ_Image) {
    if (!f.Visible(e)) continue;
    EXPECT_TRUE(image.rect().contains(SceneRenderer::PixelRect(*f.Get(e))));
  }
  if (const char* dir = std::getenv("KORVEL_SCREENSHOT_DIR")) {
    image.save(QString(dir) + (small() ? "/deal-800.png" : "/deal-1024.png"));
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, TableRenderTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Small" : "Full"; });

TEST(PictureLibrary, EveryPictureOfTheSetIsBuiltAtItsSize) {
  TestApp();
  PictureLibrary pictures;
  const int loaded = pictures.LoadFolder(QString(KORVEL_SHARE_DIR) + "/pictures");
  int expected = 0;
  ForEachPicture([&](PictureId id) {
    ++expected;
    const auto size = pictures.Size(id);
    ASSERT_TRUE(size.has_value()) << id;
    EXPECT_EQ(*size, CataloguePictureSize(id)) << id;
  });
  EXPECT_EQ(loaded, expected);
  EXPECT_FALSE(pictures.Size(140).has_value());
  EXPECT_TRUE(pictures.Image(99999).isNull());
  // Opaque pictures are kept without alpha, in three bytes a pixel.
  EXPECT_EQ(pictures.Image(kPicTable).format(), QImage::Format_RGB888);
  EXPECT_EQ(pictures.Image(209).format(), QImage::Format_ARGB32_Premultiplied);
  // A scaled copy is made once and kept.
  const QImage& a = pictures.Scaled(209, 36, 50);
  const QImage& b = pictures.Scaled(209, 36, 50);
  EXPECT_EQ(a.size(), QSize(36, 50));
  EXPECT_EQ(&a, &b);
  EXPECT_TRUE(pictures.Scaled(209, 0, 50).isNull());
}

TEST(PictureLibrary, AMissingFolderLeavesEveryPictureMissing) {
  TestApp();
  PictureLibrary pictures;
  EXPECT_EQ(pictures.LoadFolder("/nonexistent/korvel"), 0);
  EXPECT_GT(pictures.Missing(), 300);
  // The table then keeps its elements without pictures instead of failing.
  TableModel table;
  LoopState loop;
  TableView view(table, loop);
  view.scene().SetPictureStore(&pictures);
  view.LayOut(LayoutScale::Full());
  view.ShowTile(0, 3);
  EXPECT_EQ(view.main().GetPicture(view.el.MJ_Image[0]), kNoPicture);
  EXPECT_TRUE(view.main().Visible(view.el.MJ_Image[0]));
}

}  // namespace
}  // namespace korvel
