// The picture set: every picture of the catalogue found in the pictures folder, answering the
// core's questions about pictures and handing the painter ready images. A picture stays in its
// file until something asks for it: its size comes from the file's header, and it is decoded
// the first time it is painted, so start-up decodes nothing and pictures never shown cost no
// memory.
#pragma once

#include <QImage>
#include <QString>
#include <cstddef>
#include <list>
#include <unordered_map>
#include <vector>

#include "view/picture_store.h"

namespace korvel {

class PictureLibrary : public PictureStore {
 public:
  // Takes the pictures of the set from `folder`; returns how many of them are there. Above a
  // device pixel ratio of 1 the pictures drawn at 2x are taken where they exist; sizes and
  // coordinates stay in design pixels either way.
  int LoadFolder(const QString& folder, double ratio = 1.0);
  int Loaded() const { return loaded_; }
  int Missing() const { return missing_; }

  // From the file's header; a picture whose file cannot be read is missing.
  std::optional<PictureSize> Size(PictureId id) const override;
  // The decoded picture, decoded now if it was not yet; a null image when it cannot be.
  const QImage& Image(PictureId id) const;
  // How many pictures have been decoded so far.
  int Decoded() const { return decoded_; }
  // The picture at exactly `width` x `height` design pixels (times the ratio in pixels), scaled
  // smoothly once and then kept.
  const QImage& Scaled(PictureId id, int width, int height);

  // Bytes held by decoded pictures and by the scaled copies.
  size_t DecodedBytes() const { return decodedBytes_; }
  size_t ScaledBytes() const { return scaledBytes_; }
  // The scaled copies are dropped, oldest first, beyond this many bytes.
  static constexpr size_t kScaledBudget = 12u << 20;

 private:
  struct ScaledKey {
    PictureId id;
    int width, height;
    bool operator==(const ScaledKey&) const = default;
  };
  struct KeyHash {
    size_t operator()(const ScaledKey& k) const {
      return (static_cast<size_t>(k.id) << 32) ^ (static_cast<size_t>(k.width) << 16) ^
             static_cast<size_t>(k.height);
    }
  };
  struct ScaledEntry {
    QImage image;
    std::list<ScaledKey>::iterator age;
  };

  // What is known of one picture, filled in as it is asked for.
  struct Entry {
    bool present = false;  // its file is in the folder
    bool doubled = false;  // read from the file drawn at 2x
    bool sizeRead = false;
    bool decodeTried = false;
    std::optional<PictureSize> size;
    QImage image;
  };
  QString FileOf(PictureId id, bool doubled) const;
  const Entry* Find(PictureId id) const;

  QString folder_;
  mutable std::vector<Entry> entries_;  // indexed by picture id
  std::unordered_map<ScaledKey, ScaledEntry, KeyHash> scaled_;
  std::list<ScaledKey> ages_;  // most recently used at the front
  QImage none_;
  double ratio_ = 1.0;
  int loaded_ = 0;
  int missing_ = 0;
  mutable int decoded_ = 0;
  mutable size_t decodedBytes_ = 0;
  size_t scaledBytes_ = 0;
};

// The pictures folder of the share folder found from `appDir`, or KORVEL_PICTURES when set.
QString DefaultPictureFolder(const QString& appDir);

}  // namespace korvel
