// The lists of picture numbers the table draws from, built once before the layout.
#pragma once

#include <array>

#include "model/tiles.h"
#include "view/layout_scale.h"
#include "view/picture_catalogue.h"

namespace korvel {

// Tile picture blocks.
enum TileBlock : int {
  kBlockUpright = 0,  // the local seat's melds and discards, the middle of the table
  kBlockLeft = 1,     // everything of the left seat
  kBlockSmall = 2,    // small upright tiles
  kBlockRight = 3,    // everything of the right seat
  kBlockHand = 4,     // the local player's hand
};

// Index into TileSprites of `code` in `block`.
constexpr int TileSpriteIndex(TileCode code, int block) {
  return kTilesPerBlock * block + TileKeyOf(code);
}
// The standing back and the face-down lying tile of a block.
constexpr int StandingBackIndex(int block) { return kTilesPerBlock * block + kStandingBackKey; }
constexpr int LyingBackIndex(int block) { return kTilesPerBlock * block + kLyingBackKey; }
// A hand tile that may not be seen: the standing back of the upright block.
inline constexpr int kFaceDownHandTile = StandingBackIndex(kBlockUpright);

// The ButtonSprites entry of main button `button` (0..8): buttons from settings on skip the
// continue pair, which only the start button uses for its second look.
constexpr int MainButtonSprite(int button, bool hover) {
  return (button < 3 ? 2 * button : 2 * button + 2) + (hover ? 1 : 0);
}

struct SpriteLists {
  std::array<PictureId, 20> ButtonSprites{};
  std::array<PictureId, 8> DialogButtonSprites{};
  std::array<PictureId, 18> OperationSprites{};
  std::array<PictureId, 16> DiceSprites{};
  std::array<PictureId, 8> WordSprites{};
  std::array<PictureId, 20> AvatarSprites{};
  std::array<PictureId, kTileSprites> TileSprites{};
  std::array<PictureId, 5> BalloonSprites{};
  std::array<PictureId, 6> SmallDiceSprites{};

  // The small layout has small main buttons, except the send pair.
  static SpriteLists Build(const LayoutScale& scale);
};

}  // namespace korvel
