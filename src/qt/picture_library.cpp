#include "picture_library.h"

#include <QDir>
#include <QImageReader>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "platform/install_paths.h"

namespace korvel {
namespace {

// Opaque pictures are kept without alpha, in three bytes a pixel: the same colours as four bytes
// with a constant alpha, in three quarters of the memory (the table alone is 2.25 MB, not 3).
// The copy is made here, one row at a time: Qt's own conversion of a picture as large as the
// table goes through a four-byte copy first and starts worker threads that outlive it.
QImage Prepared(QImage image) {
  if (image.format() != QImage::Format_ARGB32 && image.format() != QImage::Format_RGB32 &&
      image.format() != QImage::Format_ARGB32_Premultiplied) {
    image = image.convertToFormat(QImage::Format_ARGB32);
  }
  if (image.hasAlphaChannel()) {
    for (int y = 0; y < image.height(); ++y) {
      const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      for (int x = 0; x < image.width(); ++x) {
        if (qAlpha(line[x]) != 255) {
          return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        }
      }
    }
  }
  // Every pixel is opaque, so premultiplied or not the colours are the same.
  QImage opaque(image.size(), QImage::Format_RGB888);
  if (opaque.isNull()) return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  opaque.setDevicePixelRatio(image.devicePixelRatio());
  for (int y = 0; y < image.height(); ++y) {
    const auto* from = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    uchar* to = opaque.scanLine(y);
    for (int x = 0; x < image.width(); ++x) {
      *to++ = static_cast<uchar>(qRed(from[x]));
      *to++ = static_cast<uchar>(qGreen(from[x]));
      *to++ = static_cast<uchar>(qBlue(from[x]));
    }
  }
  return opaque;
}

}  // namespace

int PictureLibrary::LoadFolder(const QString& folder, double ratio) {
  folder_ = folder;
  ratio_ = std::max(1.0, ratio);
  entries_.assign(kNamedPictureEnd, Entry{});
  scaled_.clear();
  ages_.clear();
  loaded_ = missing_ = decoded_ = 0;
  decodedBytes_ = scaledBytes_ = 0;
  // One listing of the folder instead of a look at every file.
  const QStringList files = QDir(folder).entryList(QDir::Files);
  const QSet<QString> present(files.begin(), files.end());
  ForEachPicture([&](PictureId id) {
    Entry& entry = entries_[id];
    entry.doubled = ratio_ > 1.0 &&
                    present.contains(QString::fromStdString(ScaledPictureFileName(id, 2)));
    entry.present =
        entry.doubled || present.contains(QString::fromStdString(PictureFileName(id)));
    ++(entry.present ? loaded_ : missing_);
  });
  return loaded_;
}

QString PictureLibrary::FileOf(PictureId id, bool doubled) const {
  return QDir(folder_).filePath(
      QString::fromStdString(doubled ? ScaledPictureFileName(id, 2) : PictureFileName(id)));
}

const PictureLibrary::Entry* PictureLibrary::Find(PictureId id) const {
  if (id < 0 || id >= static_cast<PictureId>(entries_.size())) return nullptr;
  const Entry& entry = entries_[id];
  return entry.present ? &entry : nullptr;
}

std::optional<PictureSize> PictureLibrary::Size(PictureId id) const {
  const Entry* found = Find(id);
  if (!found) return std::nullopt;
  Entry& entry = entries_[id];
  if (entry.decodeTried && entry.image.isNull()) return std::nullopt;  // unreadable after all
  if (!entry.sizeRead) {
    entry.sizeRead = true;
    QImageReader reader(FileOf(id, entry.doubled));
    // Sizes are in design pixels: a picture drawn at 2x is half its pixels.
    const int scale = entry.doubled ? 2 : 1;
    const QSize size = reader.size();
    if (size.isValid()) {
      entry.size = PictureSize{size.width() / scale, size.height() / scale};
    } else if (const QImage& image = Image(id); !image.isNull()) {
      // A format that does not tell its size without decoding.
      const QSize design = image.deviceIndependentSize().toSize();
      entry.size = PictureSize{design.width(), design.height()};
    }
  }
  return entry.size;
}

const QImage& PictureLibrary::Image(PictureId id) const {
  const Entry* found = Find(id);
  if (!found) return none_;
  Entry& entry = entries_[id];
  if (!entry.decodeTried) {
    entry.decodeTried = true;
    QImage image = QImageReader(FileOf(id, entry.doubled)).read();
    if (!image.isNull() && entry.doubled) image.setDevicePixelRatio(2);
    if (image.isNull() && entry.doubled) {
      // A broken 2x file: the 1x picture still shows, scaled up.
      image = QImageReader(FileOf(id, false)).read();
    }
    if (!image.isNull()) {
      entry.image = Prepared(std::move(image));
      decodedBytes_ += entry.image.sizeInBytes();
      ++decoded_;
    }
  }
  return entry.image;
}

const QImage& PictureLibrary::Scaled(PictureId id, int width, int height) {
  const QImage& original = Image(id);
  if (original.isNull() || width <= 0 || height <= 0) return none_;
  const QSize pixels(static_cast<int>(std::lround(width * ratio_)),
                     static_cast<int>(std::lround(height * ratio_)));
  if (original.size() == pixels) return original;
  const ScaledKey key{id, width, height};
  if (auto it = scaled_.find(key); it != scaled_.end()) {
    ages_.splice(ages_.begin(), ages_, it->second.age);
    return it->second.image;
  }
  // Scaled from four bytes a pixel, as every picture was before opaque ones were kept in three:
  // three-byte scaling takes another path, with other pixels.
  const QImage source =
      original.depth() == 24 ? original.convertToFormat(QImage::Format_RGB32) : original;
  QImage image = source.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  image.setDevicePixelRatio(ratio_);
  scaledBytes_ += image.sizeInBytes();
  ages_.push_front(key);
  auto& entry = scaled_[key];
  entry.image = std::move(image);
  entry.age = ages_.begin();
  while (scaledBytes_ > kScaledBudget && ages_.size() > 1) {
    const ScaledKey oldest = ages_.back();
    ages_.pop_back();
    auto victim = scaled_.find(oldest);
    scaledBytes_ -= victim->second.image.sizeInBytes();
    scaled_.erase(victim);
  }
  return scaled_.at(key).image;
}

QString DefaultPictureFolder(const QString& appDir) {
  const QByteArray forced = qgetenv("KORVEL_PICTURES");
  if (!forced.isEmpty()) return QString::fromLocal8Bit(forced);
  return QString::fromStdString(FindDataDir(appDir.toStdString()) + "/pictures");
}

}  // namespace korvel
