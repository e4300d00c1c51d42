// The application icon: a red-dragon tile standing on a round felt table, drawn as vectors so
// every size of the icon theme is sharp.
#include "icon_art.h"

#include "paint_kit.h"
#include "tile_art.h"

namespace art {

QImage DrawAppIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  Smooth(p);
  p.scale(size / 64.0, size / 64.0);
  using namespace colour;

  QRadialGradient felt(QPointF(28, 26), 36);
  felt.setColorAt(0, kFeltLight);
  felt.setColorAt(1, kFeltDark);
  p.setPen(QPen(kGoldDark, 2));
  p.setBrush(felt);
  p.drawEllipse(QRectF(2, 2, 60, 60));

  // The tile, tilted a little, with its darker side showing below the face.
  p.translate(32, 33);
  p.rotate(-8);
  const QRectF face(-14, -19, 28, 36);
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  p.drawRoundedRect(face.translated(0, 4), 4.5, 4.5);
  QLinearGradient ivory(face.topLeft(), face.bottomRight());
  ivory.setColorAt(0, kIvory);
  ivory.setColorAt(1, kIvoryShade);
  p.setPen(QPen(QColor(40, 34, 20, 170), 0.8));
  p.setBrush(ivory);
  p.drawRoundedRect(face, 4.5, 4.5);

  p.translate(face.center());
  p.scale(face.width() * 0.85 / 30, face.height() * 0.85 / 40);
  p.translate(-15, -20);
  DrawTileSymbol(p, 0x15);  // honours, rank 5: the red dragon
  return image;
}

}  // namespace art
