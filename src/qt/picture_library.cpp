#include "picture_library.h"

#include <QDir>
#include <QImageReader>
#include <QSet>
#include <QStringList>

namespace korvel {
namespace {

// Opaque pictures are kept without alpha, in three bytes a pixel: the same colours as four bytes
// with a constant alpha, in three quarters of the memory (the table alone is 2.25 MB, not 3).
QImage Prepared(QImage image) {
  image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(line[x]) != 255) return image;
    }
  }
  return image.convertToFormat(QImage::Format_RGB888);
}

}  // namespace

int PictureLibrary::LoadFolder(const QString& folder) {
  folder_ = folder;
  entries_.assign(kNamedPictureEnd, Entry{});
  scaled_.clear();
  ages_.clear();
  loaded_ = missing_ = decoded_ = 0;
  decodedBytes_ = scaledBytes_ = 0;
  // One listing of the folder instead of a look at every file.
  const QStringList files = QDir(folder).entryList(QDir::Files);
  const QSet<QString> present(files.begin(), files.end());
  ForEachPicture([&](PictureId id) {
    const bool there = present.contains(QString::fromStdString(PictureFileName(id)));
    entries_[id].present = there;
    ++(there ? loaded_ : missing_);
  });
  return loaded_;
}

QString PictureLibrary::FileOf(PictureId id) const {
  return QDir(folder_).filePath(QString::fromStdString(PictureFileName(id)));
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
    QImageReader reader(FileOf(id));
    const QSize size = reader.size();
    if (size.isValid()) {
      entry.size = PictureSize{size.width(), size.height()};
    } else if (const QImage& image = Image(id); !image.isNull()) {
      // A format that does not tell its size without decoding.
      entry.size = PictureSize{image.width(), image.height()};
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
    QImageReader reader(FileOf(id));
    QImage image = reader.read();
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
  if (original.width() == width && original.height() == height) return original;
  const ScaledKey key{id, width, height};
  if (auto it = scaled_.find(key); it != scaled_.end()) {
    ages_.splice(ages_.begin(), ages_, it->second.age);
    return it->second.image;
  }
  // Scaled from four bytes a pixel, as every picture was before opaque ones were kept in three:
  // three-byte scaling takes another path, with other pixels.
  const QImage source =
      original.depth() == 24 ? original.convertToFormat(QImage::Format_RGB32) : original;
  QImage image = source.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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
  return QDir::cleanPath(appDir + "/../share/korvel/pictures");
}

}  // namespace korvel
