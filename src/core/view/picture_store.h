// The port through which the table asks about pictures: the core never decodes one itself.
#pragma once

#include <optional>
#include <set>

#include "view/picture_catalogue.h"

namespace korvel {

class PictureStore {
 public:
  virtual ~PictureStore() = default;
  // The picture's size when it can be shown; nullopt when it is missing or unreadable.
  virtual std::optional<PictureSize> Size(PictureId id) const = 0;
};

// Answers from the catalogue alone, so the table works (and tests run) without picture files.
// Pictures listed in `missing` are reported as absent, to exercise the failure path.
class CataloguePictureStore : public PictureStore {
 public:
  std::optional<PictureSize> Size(PictureId id) const override {
    if (missing.count(id)) return std::nullopt;
    const PictureSize size = CataloguePictureSize(id);
    if (size.width <= 0) return std::nullopt;
    return size;
  }
  std::set<PictureId> missing;
};

}  // namespace korvel
