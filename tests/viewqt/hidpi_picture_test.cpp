// On a screen with two pixels per design pixel the table is drawn from pictures made at that
// ratio: every picture exists at 2x, sizes and coordinates stay in design pixels, and a tile's
// edges are visibly sharper than the 1x picture blown up.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <cmath>
#include <string>

#include "picture_library.h"
#include "qt_app.h"
#include "scene_renderer.h"
#include "view/picture_catalogue.h"
#include "view/scene.h"

namespace korvel {
namespace {

const QString kPictures = QString(KORVEL_SHARE_DIR) + "/pictures";
// Dots 5 in the front block: a face full of round edges and a border.
constexpr PictureId kTile = kTileSpriteBase + 9 * 3 + 4;

// Detail finer than a design pixel: how much the pixels inside each 2 x 2 block differ from
// their block's mean. A 1x picture blown up to twice the pixels has almost none, whether it is
// doubled or interpolated; one drawn at 2x has it along every edge.
double FineDetail(const QImage& image) {
  const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
  double sum = 0;
  int blocks = 0;
  for (int y = 0; y + 1 < grey.height(); y += 2) {
    const uchar* line = grey.constScanLine(y);
    const uchar* next = grey.constScanLine(y + 1);
    for (int x = 0; x + 1 < grey.width(); x += 2) {
      const double px[4] = {double(line[x]), double(line[x + 1]), double(next[x]),
                            double(next[x + 1])};
      const double mean = (px[0] + px[1] + px[2] + px[3]) / 4;
      for (double v : px) sum += (v - mean) * (v - mean);
      ++blocks;
    }
  }
  return sum / blocks;
}

QImage RenderTile(PictureLibrary& pictures, double ratio) {
  Scene scene;
  scene.SetPictureStore(&pictures);
  Form& f = scene.form(scene.AddForm("f", 70, 78));
  const ElementId e = f.Add("tile", 0, ElementKind::Image, {10, 10, 50, 58});
  f.SetStretch(e, true);
  EXPECT_TRUE(f.LoadSprite(e, kTile));
  SceneRenderer renderer(pictures);
  return renderer.Render(f, ratio);
}

TEST(HiDpiPictures, EveryPictureExistsAtTwiceItsDesignSize) {
  int checked = 0;
  ForEachPicture([&](PictureId id) {
    const QString file = kPictures + "/" + QString::fromStdString(ScaledPictureFileName(id, 2));
    const QSize size = QImageReader(file).size();
    const PictureSize design = CataloguePictureSize(id);
    EXPECT_EQ(size, QSize(design.width * 2, design.height * 2)) << file.toStdString();
    ++checked;
  });
  EXPECT_GT(checked, 300);
  EXPECT_EQ(ScaledPictureFileName(223, 2), "223@2x.png");
  EXPECT_EQ(ScaledPictureFileName(223, 1), "223.png");
}

TEST(HiDpiPictures, SizesStayInDesignPixelsAndScaledCopiesCarryTheRatio) {
  TestApp();
  PictureLibrary sharp;
  ASSERT_GT(sharp.LoadFolder(kPictures, 2.0), 300);
  EXPECT_EQ(sharp.Missing(), 0);
  const PictureSize design = CataloguePictureSize(kTile);
  ASSERT_TRUE(sharp.Size(kTile).has_value());
  EXPECT_EQ(sharp.Size(kTile)->width, design.width);
  EXPECT_EQ(sharp.Size(kTile)->height, design.height);
  const QImage& same = sharp.Scaled(kTile, design.width, design.height);
  EXPECT_EQ(same.size(), QSize(design.width * 2, design.height * 2));
  const QImage& smaller = sharp.Scaled(kTile, 38, 44);
  EXPECT_EQ(smaller.size(), QSize(76, 88));
  EXPECT_DOUBLE_EQ(smaller.devicePixelRatio(), 2.0);

  // A ratio of 1.5 takes the 2x pictures down, not the 1x ones up.
  PictureLibrary between;
  between.LoadFolder(kPictures, 1.5);
  EXPECT_EQ(between.Scaled(kTile, design.width, design.height).size(), QSize(75, 87));
}

TEST(HiDpiPictures, AMissingTwiceSizePictureFallsBackToTheOneTimesPicture) {
  TestApp();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString name = QString::fromStdString(PictureFileName(kTile));
  ASSERT_TRUE(QFile::copy(kPictures + "/" + name, dir.filePath(name)));
  PictureLibrary pictures;
  EXPECT_EQ(pictures.LoadFolder(dir.path(), 2.0), 1);
  const PictureSize design = CataloguePictureSize(kTile);
  EXPECT_EQ(pictures.Size(kTile)->width, design.width);
  EXPECT_EQ(pictures.Scaled(kTile, design.width, design.height).size(),
            QSize(design.width * 2, design.height * 2));
}

TEST(HiDpiPictures, ATileAtRatioTwoIsSharperThanTheOneTimesPictureUpscaled) {
  TestApp();
  PictureLibrary sharp, soft;
  sharp.LoadFolder(kPictures, 2.0);
  soft.LoadFolder(kPictures, 1.0);
  const QImage drawn = RenderTile(sharp, 2.0);
  const QImage upscaled = RenderTile(soft, 2.0);
  ASSERT_EQ(drawn.size(), QSize(140, 156));
  ASSERT_EQ(upscaled.size(), drawn.size());
  const QRect tile(20, 20, 100, 116);
  const double sharpDetail = FineDetail(drawn.copy(tile));
  const double softDetail = FineDetail(upscaled.copy(tile));
  EXPECT_GT(sharpDetail, softDetail * 3) << sharpDetail << " vs " << softDetail;
  RecordProperty("fine_detail_2x", std::to_string(sharpDetail));
  RecordProperty("fine_detail_upscaled", std::to_string(softDetail));
  // Both are the same tile in the same place: dark border pixels where the other has them.
  const QImage a = drawn.copy(tile).scaled(50, 58, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  const QImage b =
      upscaled.copy(tile).scaled(50, 58, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  double difference = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      difference += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
    }
  }
  EXPECT_LT(difference / (a.width() * a.height()), 20.0);
}

}  // namespace
}  // namespace korvel
