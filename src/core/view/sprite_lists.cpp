#include "view/sprite_lists.h"

namespace korvel {

SpriteLists SpriteLists::Build(const LayoutScale& scale) {
  SpriteLists s;
  for (int k = 0; k < 20; ++k) {
    s.ButtonSprites[k] = (scale.sx == 1.0 || k < 2) ? 101 + k : 379 + k;
  }
  for (int k = 0; k < 8; ++k) s.DialogButtonSprites[k] = 130 + k;
  for (int k = 0; k < 18; ++k) s.OperationSprites[k] = 141 + k;
  for (int k = 0; k < 16; ++k) s.DiceSprites[k] = 161 + k;
  for (int k = 0; k < 8; ++k) s.WordSprites[k] = 183 + k;
  for (int k = 0; k < 10; ++k) {
    s.AvatarSprites[k] = 191 + k;
    s.AvatarSprites[10 + k] = 401 + k;
  }
  for (int k = 0; k < kTileSprites; ++k) s.TileSprites[k] = kTileSpriteBase + k;
  for (int k = 0; k < 5; ++k) s.BalloonSprites[k] = 411 + k;
  for (int k = 0; k < 6; ++k) s.SmallDiceSprites[k] = 416 + k;
  return s;
}

}  // namespace korvel
