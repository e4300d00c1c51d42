// Which tile picture each seat's tiles show, by the blocks of the picture set.
#pragma once

#include <algorithm>

#include "model/tiles.h"
#include "view/sprite_lists.h"

namespace korvel {

// The TileSprites index of `code` in `block`; a malformed rank stays inside its block.
constexpr int TilePicture(int code, int block) {
  return kTilesPerBlock * block +
         std::min(TileKeyOf(static_cast<TileCode>(code)), kTilesPerBlock - 1);
}

// The block of everything a seat shows on its own side: the local hand stands upright and
// large, the side seats' tiles lie on their sides.
constexpr int HandBlock(ViewPos v) {
  return v == 0 ? kBlockHand : v == 1 ? kBlockLeft : kBlockRight;
}
// Melds, discards and the middle of the table: the local seat's are upright.
constexpr int TableBlock(ViewPos v) {
  return v == 0 ? kBlockUpright : v == 1 ? kBlockLeft : kBlockRight;
}

}  // namespace korvel
