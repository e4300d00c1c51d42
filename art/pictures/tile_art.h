// Tile pictures: five blocks of 36 (faces of every tile, the standing back, the lying back).
#pragma once

#include <QImage>
#include <QPainter>

namespace art {

// Picture `index` 0..179 of the tile set (block = index / 36, key = index % 36).
QImage DrawTilePicture(int index);
// The symbol of a tile code (suit bit high nibble, rank low nibble) upright in a 30 x 40 box.
void DrawTileSymbol(QPainter& p, int code);

}  // namespace art
