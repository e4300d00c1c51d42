#include "picture_set.h"

#include "drawings.h"
#include "view/picture_catalogue.h"

namespace art {

QImage DrawPicture(int id) {
  using namespace korvel;
  if (id >= 101 && id <= 120) return DrawMainButton(id);
  if (id >= 381 && id <= 398) return DrawMainButton(id);
  if (id >= 130 && id <= 137) return DrawDialogButton(id);
  if (id >= 144 && id <= 158) return DrawOperationButton(id);
  if (id >= 161 && id <= 166) return DrawDieFace(id - 160);
  if (id >= 167 && id <= 176) return DrawTumblingDie(id - 167);
  if (id >= 183 && id <= 190) return DrawWord(id - 183);
  if (id >= 191 && id <= 200) return DrawPortrait(id - 191);
  if (id >= kTileSpriteBase && id < kTileSpriteBase + kTileSprites) {
    return DrawTilePicture(id - kTileSpriteBase);
  }
  if (id >= 401 && id <= 410) return DrawPortrait(10 + id - 401);
  if (id >= 411 && id <= 415) return DrawBalloon(id - 411);
  if (id >= 416 && id <= 421) return DrawSmallDie(id - 415);
  if (id == 450 || id == 451) return DrawStoreButton(id == 451);
  if (id == kPicTable || id == kPicTableSmall) return DrawTable(id == kPicTableSmall);
  if (id == kPicTopBar || id == kPicTopBarSmall) return DrawTopBar(id == kPicTopBarSmall);
  if (id == kPicEmptySeat) return DrawEmptySeat();
  if (IsNamedPicture(id)) return DrawPanelPicture(id);
  return {};
}

}  // namespace art
