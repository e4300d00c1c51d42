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
  // Opaque pictures are kept without alpha, so the table paints as a plain copy.
  EXPECT_EQ(pictures.Image(kPicTable).format(), QImage::Format_RGB32);
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
