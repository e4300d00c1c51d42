#include "view/tile_element_pool.h"

namespace korvel {

int TileElementPool::Cursor() const {
  return ((cursor_ % kTileElements) + kTileElements) % kTileElements;
}

int TileElementPool::Take() {
  const int index = Cursor();
  cursor_ = static_cast<int16_t>((index + 1) % kTileElements);
  return index;
}

}  // namespace korvel
