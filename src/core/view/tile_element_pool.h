// The 72 tile elements MJ_Image(0..71): every tile on the table, the walls included. A placed
// tile takes the element at the cursor, which then moves on, wrapping at 72. A deal never shows
// more than 72 tiles, so an element is free again by the time the cursor comes back to it.
#pragma once

#include <array>
#include <cstdint>

#include "view/scene.h"

namespace korvel {

inline constexpr int kTileElements = 72;

class TileElementPool {
 public:
  // `cursor` is the table's NextTileElement, which other handlers read and set too.
  explicit TileElementPool(int16_t& cursor) : cursor_(cursor) { elements_.fill(kNoElement); }

  void Bind(const std::array<ElementId, kTileElements>& elements) { elements_ = elements; }
  // The element of pool index `index`; kNoElement outside 0..71.
  ElementId Element(int index) const {
    return index >= 0 && index < kTileElements ? elements_[index] : kNoElement;
  }
  // The pool index at the cursor; the cursor moves on modulo 72.
  int Take();
  // The cursor, brought back into 0..71 if a handler left it outside.
  int Cursor() const;

 private:
  int16_t& cursor_;
  std::array<ElementId, kTileElements> elements_;
};

}  // namespace korvel
