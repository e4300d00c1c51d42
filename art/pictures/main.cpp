// korvel-pictures: draws every picture the table shows into a folder, as PNG files named as
// the client looks them up, once at 1x and once at 2x ("NNN@2x.png") for HiDPI screens. Run at
// build time; `--sheet FILE` also writes a contact sheet of the whole set for looking it over,
// `--icons DIR` the application icon in the icon theme's sizes under DIR/hicolor.
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <cstdio>
#include <vector>

#include "icon_art.h"
#include "paint_kit.h"
#include "picture_set.h"
#include "view/picture_catalogue.h"

namespace {

constexpr const char* kFontFile = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";

QImage ContactSheet(const std::vector<std::pair<int, QImage>>& pictures, int zoom) {
  const int width = 1400;
  int x = 8, y = 8, rowHeight = 0;
  std::vector<QPoint> at;
  for (const auto& [id, image] : pictures) {
    const int w = std::min(image.width() * zoom, width - 16);
    if (x + w > width - 8) {
      x = 8;
      y += rowHeight + 18;
      rowHeight = 0;
    }
    at.emplace_back(x, y);
    x += w + 8;
    rowHeight = std::max(rowHeight, image.height() * zoom);
  }
  QImage sheet(width, y + rowHeight + 24, QImage::Format_ARGB32_Premultiplied);
  sheet.fill(QColor(0x2a, 0x4a, 0x38));
  QPainter p(&sheet);
  p.setFont(art::ZenHei(10));
  p.setPen(Qt::white);
  for (size_t i = 0; i < pictures.size(); ++i) {
    const QImage& image = pictures[i].second;
    p.drawImage(QRect(at[i], image.size() * zoom), image);
    p.drawText(at[i] + QPoint(0, image.height() * zoom + 11), QString::number(pictures[i].first));
  }
  return sheet;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 2 || args[1].startsWith('-')) {
    std::fprintf(stderr, "usage: korvel-pictures OUTPUT_FOLDER [--sheet FILE] [--icons DIR]\n");
    return 2;
  }
  const QString folder = args[1];
  QString sheetFile;
  const int sheetAt = args.indexOf("--sheet");
  if (sheetAt > 0 && sheetAt + 1 < args.size()) sheetFile = args[sheetAt + 1];
  // --zoom N enlarges the sheet; --only FROM TO keeps the sheet to a range of numbers.
  const int zoomAt = args.indexOf("--zoom");
  const int zoom =
      zoomAt > 0 && zoomAt + 1 < args.size() ? std::max(1, args[zoomAt + 1].toInt()) : 1;
  const int onlyAt = args.indexOf("--only");
  const int from = onlyAt > 0 && onlyAt + 2 < args.size() ? args[onlyAt + 1].toInt() : 0;
  const int to = onlyAt > 0 && onlyAt + 2 < args.size() ? args[onlyAt + 2].toInt() : 1 << 30;

  if (QFontDatabase::addApplicationFont(kFontFile) < 0 &&
      !QFontDatabase::families().contains("WenQuanYi Zen Hei")) {
    std::fprintf(stderr,
                 "korvel-pictures: WenQuanYi Zen Hei is not installed "
                 "(fonts-wqy-zenhei); Chinese text will use a fallback font\n");
  }
  if (!QDir().mkpath(folder)) {
    std::fprintf(stderr, "korvel-pictures: cannot create %s\n", qPrintable(folder));
    return 1;
  }

  int failures = 0;
  int written = 0;
  std::vector<std::pair<int, QImage>> all;
  auto save = [&](const QImage& image, const QString& file) {
    if (QDir().mkpath(QFileInfo(file).path()) && image.save(file, "PNG")) return true;
    std::fprintf(stderr, "korvel-pictures: cannot write %s\n", qPrintable(file));
    ++failures;
    return false;
  };
  for (int scale : {1, 2}) {
    art::SetPictureScale(scale);
    korvel::ForEachPicture([&](int id) {
      const QImage image = art::DrawPicture(id);
      const korvel::PictureSize size = korvel::CataloguePictureSize(id);
      const QString file =
          folder + "/" + QString::fromStdString(korvel::ScaledPictureFileName(id, scale));
      if (image.isNull() || image.width() != size.width * scale ||
          image.height() != size.height * scale) {
        std::fprintf(stderr, "korvel-pictures: picture %d has the wrong size\n", id);
        ++failures;
        return;
      }
      if (!save(image, file)) return;
      ++written;
      if (scale == 1 && !sheetFile.isEmpty() && id >= from && id <= to) {
        all.emplace_back(id, image);
      }
    });
  }
  art::SetPictureScale(1);
  if (const int iconsAt = args.indexOf("--icons"); iconsAt > 0 && iconsAt + 1 < args.size()) {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
      save(art::DrawAppIcon(size),
           QString("%1/hicolor/%2x%2/apps/korvel.png").arg(args[iconsAt + 1]).arg(size));
    }
  }
  if (!sheetFile.isEmpty()) ContactSheet(all, zoom).save(sheetFile, "PNG");
  std::printf("korvel-pictures: %d pictures in %s\n", written, qPrintable(folder));
  return failures == 0 ? 0 : 1;
}
