#include "picture_library.h"

#include <QDir>
#include <QImageReader>
#include <algorithm>
#include <cmath>

#include "platform/install_paths.h"

namespace korvel {
namespace {

// Opaque pictures are kept without alpha: drawing them is then a plain copy.
QImage Prepared(QImage image) {
  image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(line[x]) != 255) return image;
    }
  }
  return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

int PictureLibrary::LoadFolder(const QString& folder, double ratio) {
  ratio_ = std::max(1.0, ratio);
  images_.clear();
  scaled_.clear();
  ages_.clear();
  loaded_ = missing_ = 0;
  decodedBytes_ = scaledBytes_ = 0;
  images_.resize(kNamedPictureEnd);
  ForEachPicture([&](PictureId id) {
    QImage image;
    if (ratio_ > 1.0) {
      image =
          QImageReader(QDir(folder).filePath(QString::fromStdString(ScaledPictureFileName(id, 2))))
              .read();
      image.setDevicePixelRatio(2);
    }
    if (image.isNull()) {
      image =
          QImageReader(QDir(folder).filePath(QString::fromStdString(PictureFileName(id)))).read();
    }
    if (image.isNull()) {
      ++missing_;
      return;
    }
    images_[id] = Prepared(std::move(image));
    decodedBytes_ += images_[id].sizeInBytes();
    ++loaded_;
  });
  return loaded_;
}

std::optional<PictureSize> PictureLibrary::Size(PictureId id) const {
  const QImage& image = Image(id);
  if (image.isNull()) return std::nullopt;
  const QSize size = image.deviceIndependentSize().toSize();
  return PictureSize{size.width(), size.height()};
}

const QImage& PictureLibrary::Image(PictureId id) const {
  if (id < 0 || id >= static_cast<PictureId>(images_.size())) return none_;
  return images_[id];
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
  QImage image = original.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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
