// The picture set read as it is asked for: sizes without decoding, pixels exactly as the files
// hold them, only the pictures a table shows decoded, and broken or vanished files survived.
#include "picture_library.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <utility>
#include <vector>

#include "qt_app.h"
#include "scene_renderer.h"
#include "view/table_view.h"

namespace korvel {
namespace {

const QString kSet = QString(KORVEL_SHARE_DIR) + "/pictures";

TEST(LazyPictureLibrary, SizesComeWithoutDecodingAndPixelsMatchTheFiles) {
  TestApp();
  PictureLibrary pictures;
  ASSERT_GT(pictures.LoadFolder(kSet), 300);
  ASSERT_EQ(pictures.Missing(), 0) << "the picture set is not built";
  ForEachPicture([&](PictureId id) { ASSERT_TRUE(pictures.Size(id).has_value()) << id; });
  EXPECT_EQ(pictures.Decoded(), 0);
  EXPECT_EQ(pictures.DecodedBytes(), 0u);

  int compared = 0;
  ForEachPicture([&](PictureId id) {
    const QImage direct =
        QImageReader(QDir(kSet).filePath(QString::fromStdString(PictureFileName(id))))
            .read()
            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage& lazy = pictures.Image(id);
    ASSERT_EQ(lazy.size(), direct.size()) << id;
    ASSERT_EQ(lazy.convertToFormat(QImage::Format_ARGB32_Premultiplied), direct) << id;
    ASSERT_EQ(&pictures.Image(id), &lazy) << "decoded once and kept";
    ++compared;
  });
  EXPECT_EQ(pictures.Decoded(), compared);
}

// What the painter makes of the kept picture, drawn whole or scaled, onto the window's format.
QImage DrawnOnWindow(const QImage& picture, QSize size) {
  QImage canvas(size, QImage::Format_RGB32);
  canvas.fill(Qt::black);
  QPainter painter(&canvas);
  painter.drawImage(QPoint(0, 0),
                    picture.size() == size
                        ? picture
                        : picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  return canvas;
}

TEST(LazyPictureLibrary, OpaquePicturesKeptSmallerPaintTheSamePixels) {
  TestApp();
  PictureLibrary pictures;
  pictures.LoadFolder(kSet);
  for (PictureId id :
       {PictureId{kPicTable}, PictureId{kPicTableSmall}, PictureId{209}, PictureId{372}}) {
    const QImage file =
        QImageReader(QDir(kSet).filePath(QString::fromStdString(PictureFileName(id))))
            .read()
            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage& kept = pictures.Image(id);
    ASSERT_FALSE(kept.isNull()) << id;
    // Kept in three bytes a pixel when opaque (rows padded to four bytes at most).
    if (!kept.hasAlphaChannel()) {
      EXPECT_LE(kept.sizeInBytes(), file.sizeInBytes() * 3 / 4 + 3 * file.height()) << id;
    }
    EXPECT_EQ(DrawnOnWindow(kept, kept.size()), DrawnOnWindow(file, file.size())) << id;
    for (QSize size : {file.size() * 3 / 4, QSize(48, 78)}) {
      EXPECT_EQ(DrawnOnWindow(pictures.Scaled(id, size.width(), size.height()), size),
                DrawnOnWindow(file, size))
          << id << " at " << size.width() << "x" << size.height();
    }
  }
  EXPECT_FALSE(pictures.Image(kPicTable).hasAlphaChannel()) << "the table gains the most";
}

// Files of other pixel formats than the set's own: with and without alpha, palettes, grey.
TEST(LazyPictureLibrary, EveryFileFormatKeepsItsPixels) {
  TestApp();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QImage colours(37, 23, QImage::Format_ARGB32);
  for (int y = 0; y < colours.height(); ++y) {
    for (int x = 0; x < colours.width(); ++x) colours.setPixel(x, y, qRgb(x * 7, y * 11, x ^ y));
  }
  QImage oneClear = colours;
  oneClear.setPixel(36, 22, qRgba(10, 20, 30, 0));
  QImage halfClear = colours;
  for (int x = 0; x < halfClear.width(); ++x) halfClear.setPixel(x, 5, qRgba(200, 100, 50, 128));
  const std::vector<std::pair<PictureId, QImage>> files = {
      {209, colours},
      {210, colours.convertToFormat(QImage::Format_RGB32)},
      {211, colours.convertToFormat(QImage::Format_Indexed8)},
      {212, colours.convertToFormat(QImage::Format_Grayscale8)},
      {213, oneClear},
      {214, halfClear},
      {215, QImage(1, 1, QImage::Format_RGB32)},
  };
  for (const auto& [id, image] : files) {
    ASSERT_TRUE(image.save(dir.filePath(QString::fromStdString(PictureFileName(id))))) << id;
  }
  PictureLibrary pictures;
  pictures.LoadFolder(dir.path());
  for (const auto& [id, image] : files) {
    const QImage file = QImageReader(dir.filePath(QString::fromStdString(PictureFileName(id))))
                            .read()
                            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage& kept = pictures.Image(id);
    ASSERT_EQ(kept.size(), file.size()) << id;
    EXPECT_EQ(kept.convertToFormat(QImage::Format_ARGB32_Premultiplied), file) << id;
    EXPECT_EQ(kept.hasAlphaChannel(), id == 213 || id == 214) << id;
    EXPECT_EQ(DrawnOnWindow(kept, kept.size()), DrawnOnWindow(file, file.size())) << id;
  }
}

TEST(LazyPictureLibrary, TheFullTableDecodesOnlyWhatItShows) {
  TestApp();
  PictureLibrary pictures;
  pictures.LoadFolder(kSet);
  TableModel table;
  LoopState loop;
  TableView view(table, loop);
  view.scene().SetPictureStore(&pictures);
  view.LayOut(LayoutScale::Full());
  view.ResetTable();
  for (int i = 0; i < kTileElements; ++i) view.ShowTile(i, TableView::WallTileIndex(i / 24));
  SceneRenderer renderer(pictures);
  const QImage frame = renderer.Render(view.main());
  ASSERT_EQ(frame.size(), QSize(1024, 768));
  EXPECT_GT(pictures.Decoded(), 0);
  EXPECT_LT(pictures.Decoded(), pictures.Loaded() / 2);
  // The small table's background waits until a small screen asks for it.
  const size_t before = pictures.DecodedBytes();
  pictures.Size(kPicTableSmall);
  EXPECT_EQ(pictures.DecodedBytes(), before);
}

TEST(LazyPictureLibrary, BrokenAndVanishedFilesAreMissingPictures) {
  TestApp();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const auto file = [&](PictureId id) {
    return dir.filePath(QString::fromStdString(PictureFileName(id)));
  };
  ASSERT_TRUE(
      QFile::copy(QDir(kSet).filePath(QString::fromStdString(PictureFileName(209))), file(209)));
  // A header that promises a picture, then nothing.
  QFile broken(file(210));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  static constexpr char kHeader[] =
      "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x24\0\0\0\x32\x08\x06\0\0\0";
  broken.write(kHeader, sizeof kHeader - 1);
  broken.close();
  QFile garbage(file(211));
  ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
  garbage.write("not a picture at all");
  garbage.close();
  ASSERT_TRUE(QFile::copy(file(209), file(212)));

  PictureLibrary pictures;
  EXPECT_EQ(pictures.LoadFolder(dir.path()), 4);
  EXPECT_GT(pictures.Missing(), 300);
  EXPECT_TRUE(pictures.Image(209).width() > 0);
  EXPECT_TRUE(pictures.Image(210).isNull());
  EXPECT_FALSE(pictures.Size(210).has_value()) << "unreadable once decoding failed";
  EXPECT_FALSE(pictures.Size(211).has_value());
  EXPECT_TRUE(pictures.Image(211).isNull());
  // A file taken away after the folder was listed is simply missing when first asked for.
  ASSERT_TRUE(QFile::remove(file(212)));
  EXPECT_TRUE(pictures.Image(212).isNull());
  EXPECT_FALSE(pictures.Size(212).has_value());
  EXPECT_TRUE(pictures.Scaled(212, 10, 10).isNull());
  EXPECT_TRUE(pictures.Image(-5).isNull());
  EXPECT_FALSE(pictures.Size(kNamedPictureEnd).has_value());
}

}  // namespace
}  // namespace korvel
