// Twenty portraits (ten men, ten women) and the empty seat, drawn as friendly cartoon busts on
// coloured cards. Each portrait varies skin, hair style and colour, clothes and extras.
#include <QPainterPath>
#include <cmath>

#include "drawings.h"
#include "paint_kit.h"

namespace art {
namespace {

using namespace colour;

struct Look {
  QColor card;
  QColor skin;
  QColor hair;
  QColor clothes;
  int hairStyle;
  bool glasses;
  bool beard;
  bool earrings;
  bool hat;
};

Look LookOf(int index) {
  static const QColor kCards[10] = {QColor(0x5B, 0x8F, 0xD9), QColor(0xE0, 0x8A, 0x3C),
                                    QColor(0x4C, 0xA8, 0x7A), QColor(0xB0, 0x5C, 0xC8),
                                    QColor(0xD9, 0x5B, 0x6A), QColor(0x3F, 0xA6, 0xB8),
                                    QColor(0xC8, 0xA2, 0x3C), QColor(0x6C, 0x78, 0xD0),
                                    QColor(0x8C, 0xB8, 0x4C), QColor(0xD0, 0x70, 0x98)};
  static const QColor kSkins[5] = {QColor(0xFF, 0xDF, 0xC4), QColor(0xF6, 0xCF, 0xA8),
                                   QColor(0xEB, 0xBC, 0x93), QColor(0xD8, 0xA0, 0x78),
                                   QColor(0xFF, 0xE6, 0xD2)};
  static const QColor kHair[6] = {QColor(0x22, 0x1A, 0x16), QColor(0x4A, 0x2E, 0x1C),
                                  QColor(0x6E, 0x44, 0x22), QColor(0x1A, 0x1E, 0x2E),
                                  QColor(0x8C, 0x5A, 0x2E), QColor(0x9A, 0x9A, 0xA0)};
  static const QColor kClothes[10] = {QColor(0x2C, 0x4A, 0x8C), QColor(0xB8, 0x2E, 0x2E),
                                      QColor(0x2E, 0x7A, 0x4A), QColor(0x44, 0x44, 0x4E),
                                      QColor(0xE8, 0xE4, 0xDA), QColor(0x7A, 0x3A, 0x8C),
                                      QColor(0xC8, 0x7A, 0x1E), QColor(0x1E, 0x6E, 0x7A),
                                      QColor(0x8C, 0x2E, 0x4A), QColor(0x3A, 0x5A, 0x3A)};
  const bool female = index >= 10;
  const int i = index % 10;
  Look look;
  look.card = kCards[(i * 3 + (female ? 5 : 0)) % 10];
  look.skin = kSkins[(i + (female ? 2 : 0)) % 5];
  look.hair = kHair[female ? (i * 2 + 1) % 5 : (i == 9 ? 5 : i % 5)];
  look.clothes = kClothes[(i * 7 + (female ? 3 : 0)) % 10];
  look.hairStyle = i;
  look.glasses = female ? i == 4 : (i == 2 || i == 7);
  look.beard = !female && (i == 5 || i == 9);
  look.earrings = female && i % 3 == 0;
  look.hat = !female && i == 8;
  return look;
}

void Card(QPainter& p, const QColor& c) {
  const QRectF r(0.5, 0.5, 84, 89);
  QRadialGradient g(QPointF(42, 30), 70);
  g.setColorAt(0, Tint(c, 1.45));
  g.setColorAt(1, Tint(c, 0.75));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(r, 8, 8);
  // A few soft rings behind the head.
  p.setBrush(Qt::NoBrush);
  for (int k = 0; k < 3; ++k) {
    p.setPen(QPen(QColor(255, 255, 255, 28 - 7 * k), 3));
    p.drawEllipse(QPointF(42.5, 38), 30 + 9 * k, 30 + 9 * k);
  }
}

void Body(QPainter& p, const Look& look, bool female) {
  QPainterPath torso;
  torso.moveTo(8, 90);
  torso.cubicTo(9, 74, 20, 66, 33, 64);
  torso.lineTo(52, 64);
  torso.cubicTo(65, 66, 76, 74, 77, 90);
  torso.closeSubpath();
  p.setPen(QPen(Tint(look.clothes, 0.6), 1));
  p.setBrush(Vertical(QRectF(8, 64, 69, 26), Tint(look.clothes, 1.15), Tint(look.clothes, 0.8)));
  p.drawPath(torso);
  // Neck and collar.
  p.setPen(Qt::NoPen);
  p.setBrush(Tint(look.skin, 0.9));
  p.drawRoundedRect(QRectF(35.5, 52, 14, 15), 5, 5);
  QPainterPath collar;
  if (female) {
    collar.moveTo(31, 64);
    collar.quadTo(42.5, 76, 54, 64);
    collar.lineTo(50, 64);
    collar.quadTo(42.5, 70, 35, 64);
    p.setBrush(Tint(look.skin, 0.95));
    p.drawPath(collar);
  } else {
    collar.moveTo(33, 63);
    collar.lineTo(42.5, 74);
    collar.lineTo(52, 63);
    collar.lineTo(48, 62);
    collar.lineTo(42.5, 68);
    collar.lineTo(37, 62);
    collar.closeSubpath();
    p.setBrush(look.clothes.lightness() > 180 ? QColor(0x3A, 0x4A, 0x7A)
                                              : QColor(0xF4, 0xF2, 0xEA));
    p.drawPath(collar);
  }
}

void BackHair(QPainter& p, const Look& look, bool female) {
  if (!female) return;
  p.setPen(Qt::NoPen);
  p.setBrush(look.hair);
  switch (look.hairStyle % 5) {
    case 0:  // long and straight
    case 3:
      p.drawRoundedRect(QRectF(21, 22, 43, 48), 14, 14);
      break;
    case 1:  // ponytail
      p.drawEllipse(QRectF(56, 24, 16, 34));
      break;
    case 2:  // bun
      p.drawEllipse(QPointF(42.5, 12), 9, 8);
      break;
    default:  // twin tails
      p.drawEllipse(QRectF(14, 30, 13, 30));
      p.drawEllipse(QRectF(58, 30, 13, 30));
      break;
  }
}

void Head(QPainter& p, const Look& look, bool female) {
  const QPointF c(42.5, 37);
  // Ears.
  p.setPen(Qt::NoPen);
  p.setBrush(Tint(look.skin, 0.93));
  p.drawEllipse(QPointF(c.x() - 17.5, c.y() + 2), 3.6, 5);
  p.drawEllipse(QPointF(c.x() + 17.5, c.y() + 2), 3.6, 5);
  if (look.earrings) {
    p.setBrush(kGold);
    p.drawEllipse(QPointF(c.x() - 18, c.y() + 8), 1.8, 1.8);
    p.drawEllipse(QPointF(c.x() + 18, c.y() + 8), 1.8, 1.8);
  }
  // Face.
  QRadialGradient g(c - QPointF(5, 6), 26);
  g.setColorAt(0, Tint(look.skin, 1.08));
  g.setColorAt(1, Tint(look.skin, 0.9));
  p.setPen(QPen(Tint(look.skin, 0.72), 0.8));
  p.setBrush(g);
  QPainterPath face;
  face.moveTo(c.x() - 17, c.y() - 4);
  face.cubicTo(c.x() - 17, c.y() - 22, c.x() + 17, c.y() - 22, c.x() + 17, c.y() - 4);
  face.cubicTo(c.x() + 17, c.y() + 12, c.x() + 8, c.y() + 20, c.x(), c.y() + 20);
  face.cubicTo(c.x() - 8, c.y() + 20, c.x() - 17, c.y() + 12, c.x() - 17, c.y() - 4);
  p.drawPath(face);
  // Cheeks.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xFF, 0x80, 0x80, female ? 70 : 35));
  p.drawEllipse(QPointF(c.x() - 10, c.y() + 7), 4, 2.6);
  p.drawEllipse(QPointF(c.x() + 10, c.y() + 7), 4, 2.6);
  // Eyes with highlights, brows.
  const double eyeY = c.y() + 1;
  for (double dx : {-7.0, 7.0}) {
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(c.x() + dx, eyeY), 3.4, female ? 3.6 : 3.0);
    p.setBrush(QColor(0x2A, 0x1C, 0x14));
    p.drawEllipse(QPointF(c.x() + dx + 0.3, eyeY + 0.3), 2.2, 2.4);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(c.x() + dx + 1.0, eyeY - 0.6), 0.8, 0.8);
    p.setPen(QPen(Tint(look.hair, 0.9), female ? 1.0 : 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(c.x() + dx - 3.2, eyeY - 5.4 + (dx < 0 ? 0.4 : 0)),
               QPointF(c.x() + dx + 3.2, eyeY - 5.4 + (dx < 0 ? 0 : 0.4)));
    p.setPen(Qt::NoPen);
    if (female) {
      p.setPen(QPen(QColor(0x2A, 0x1C, 0x14), 0.9, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(c.x() + dx + (dx < 0 ? -3.4 : 3.4), eyeY - 1.6),
                 QPointF(c.x() + dx + (dx < 0 ? -4.6 : 4.6), eyeY - 2.8));
      p.setPen(Qt::NoPen);
    }
  }
  // Nose and a smile.
  p.setPen(QPen(Tint(look.skin, 0.7), 0.9, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(c.x(), c.y() + 4), QPointF(c.x() - 1, c.y() + 7.5));
  QPainterPath smile;
  smile.moveTo(c.x() - 5, c.y() + 11);
  smile.quadTo(c.x(), c.y() + 15.5, c.x() + 5, c.y() + 11);
  p.setPen(QPen(QColor(0xA0, 0x3A, 0x3A), 1.3, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(female ? QColor(0xE0, 0x5A, 0x64) : QColor(0xB8, 0x4A, 0x48));
  p.drawPath(smile);
  if (look.beard) {
    QPainterPath beard;
    beard.moveTo(c.x() - 15, c.y() + 4);
    beard.cubicTo(c.x() - 13, c.y() + 22, c.x() + 13, c.y() + 22, c.x() + 15, c.y() + 4);
    beard.cubicTo(c.x() + 10, c.y() + 16, c.x() - 10, c.y() + 16, c.x() - 15, c.y() + 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(look.hair.red(), look.hair.green(), look.hair.blue(), 200));
    p.drawPath(beard);
  }
  if (look.glasses) {
    p.setPen(QPen(QColor(0x24, 0x24, 0x2A), 1.2));
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawRoundedRect(QRectF(c.x() - 12.5, eyeY - 4.5, 10.5, 8.5), 2.5, 2.5);
    p.drawRoundedRect(QRectF(c.x() + 2, eyeY - 4.5, 10.5, 8.5), 2.5, 2.5);
    p.drawLine(QPointF(c.x() - 2, eyeY - 1), QPointF(c.x() + 2, eyeY - 1));
  }
}

void FrontHair(QPainter& p, const Look& look, bool female) {
  const QPointF c(42.5, 37);
  QLinearGradient g(QPointF(c.x(), c.y() - 26), QPointF(c.x(), c.y() + 4));
  g.setColorAt(0, Tint(look.hair, 1.35));
  g.setColorAt(1, look.hair);
  p.setPen(QPen(Tint(look.hair, 0.7), 0.7));
  p.setBrush(g);
  QPainterPath hair;
  if (look.hat) {
    // A flat cap.
    hair.moveTo(c.x() - 19, c.y() - 8);
    hair.cubicTo(c.x() - 18, c.y() - 28, c.x() + 18, c.y() - 28, c.x() + 19, c.y() - 8);
    hair.lineTo(c.x() + 27, c.y() - 6);
    hair.cubicTo(c.x() + 20, c.y() - 2, c.x() - 12, c.y() - 4, c.x() - 19, c.y() - 8);
    p.setBrush(
        Vertical(QRectF(0, c.y() - 28, 1, 24), QColor(0x6A, 0x5A, 0x4A), QColor(0x3A, 0x30, 0x28)));
    p.drawPath(hair);
    return;
  }
  if (!female) {
    switch (look.hairStyle % 5) {
      case 0:  // short crop
        hair.moveTo(c.x() - 18, c.y() - 2);
        hair.cubicTo(c.x() - 20, c.y() - 26, c.x() + 20, c.y() - 26, c.x() + 18, c.y() - 2);
        hair.cubicTo(c.x() + 14, c.y() - 12, c.x() - 14, c.y() - 12, c.x() - 18, c.y() - 2);
        break;
      case 1:  // side parting with a sweep
        hair.moveTo(c.x() - 18, c.y() + 1);
        hair.cubicTo(c.x() - 22, c.y() - 27, c.x() + 22, c.y() - 28, c.x() + 18, c.y() - 1);
        hair.cubicTo(c.x() + 12, c.y() - 14, c.x() - 2, c.y() - 8, c.x() - 8, c.y() - 14);
        hair.cubicTo(c.x() - 12, c.y() - 8, c.x() - 15, c.y() - 6, c.x() - 18, c.y() + 1);
        break;
      case 2:  // spiky
        hair.moveTo(c.x() - 18, c.y() - 1);
        for (int k = 0; k <= 8; ++k) {
          const double x = c.x() - 18 + k * 4.5;
          const double top = c.y() - 20 - (k % 2 ? 0 : 7) - std::sin(k / 8.0 * M_PI) * 4;
          hair.lineTo(x, top);
        }
        hair.lineTo(c.x() + 18, c.y() - 1);
        hair.cubicTo(c.x() + 12, c.y() - 12, c.x() - 12, c.y() - 12, c.x() - 18, c.y() - 1);
        break;
      case 3:  // neat with a quiff
        hair.moveTo(c.x() - 18, c.y() - 3);
        hair.cubicTo(c.x() - 18, c.y() - 24, c.x() - 4, c.y() - 30, c.x() + 8, c.y() - 26);
        hair.cubicTo(c.x() + 20, c.y() - 22, c.x() + 19, c.y() - 10, c.x() + 18, c.y() - 3);
        hair.cubicTo(c.x() + 10, c.y() - 13, c.x() - 10, c.y() - 13, c.x() - 18, c.y() - 3);
        break;
      default:  // thinning on top, grey at the sides
        hair.moveTo(c.x() - 18, c.y() + 2);
        hair.cubicTo(c.x() - 19, c.y() - 14, c.x() - 10, c.y() - 18, c.x() - 6, c.y() - 17);
        hair.lineTo(c.x() - 13, c.y() - 6);
        hair.closeSubpath();
        hair.moveTo(c.x() + 18, c.y() + 2);
        hair.cubicTo(c.x() + 19, c.y() - 14, c.x() + 10, c.y() - 18, c.x() + 6, c.y() - 17);
        hair.lineTo(c.x() + 13, c.y() - 6);
        hair.closeSubpath();
        break;
    }
  } else {
    switch (look.hairStyle % 5) {
      case 0:
      case 3:  // long hair with a centre parting
        hair.moveTo(c.x() - 19, c.y() + 6);
        hair.cubicTo(c.x() - 22, c.y() - 28, c.x() + 22, c.y() - 28, c.x() + 19, c.y() + 6);
        hair.cubicTo(c.x() + 16, c.y() - 10, c.x() + 4, c.y() - 14, c.x(), c.y() - 17);
        hair.cubicTo(c.x() - 4, c.y() - 14, c.x() - 16, c.y() - 10, c.x() - 19, c.y() + 6);
        break;
      case 1:  // swept fringe
        hair.moveTo(c.x() - 19, c.y() + 2);
        hair.cubicTo(c.x() - 21, c.y() - 28, c.x() + 21, c.y() - 28, c.x() + 19, c.y() + 2);
        hair.cubicTo(c.x() + 16, c.y() - 8, c.x() + 10, c.y() - 6, c.x() + 2, c.y() - 9);
        hair.cubicTo(c.x() - 8, c.y() - 12, c.x() - 14, c.y() - 6, c.x() - 19, c.y() + 2);
        break;
      case 2:  // bob with a straight fringe
        hair.moveTo(c.x() - 21, c.y() + 12);
        hair.cubicTo(c.x() - 24, c.y() - 28, c.x() + 24, c.y() - 28, c.x() + 21, c.y() + 12);
        hair.lineTo(c.x() + 15, c.y() + 12);
        hair.lineTo(c.x() + 15, c.y() - 6);
        hair.lineTo(c.x() - 15, c.y() - 6);
        hair.lineTo(c.x() - 15, c.y() + 12);
        hair.closeSubpath();
        break;
      default:  // curls
        for (int k = 0; k < 9; ++k) {
          const double a = M_PI + k * M_PI / 8;
          hair.addEllipse(QPointF(c.x() + std::cos(a) * 17, c.y() - 4 + std::sin(a) * 17), 6.5,
                          6.5);
        }
        hair.setFillRule(Qt::WindingFill);
        break;
    }
  }
  p.drawPath(hair.simplified());
  if (female && look.hairStyle % 5 == 2) {
    // A bow.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE8, 0x3A, 0x5A));
    p.drawEllipse(QPointF(c.x() + 12, c.y() - 18), 4.5, 3);
    p.drawEllipse(QPointF(c.x() + 19, c.y() - 18), 4.5, 3);
    p.setBrush(QColor(0xB0, 0x20, 0x3A));
    p.drawEllipse(QPointF(c.x() + 15.5, c.y() - 18), 1.8, 1.8);
  }
}

void Frame(QPainter& p) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 255, 255, 90), 1.2));
  p.drawRoundedRect(QRectF(1.2, 1.2, 82.6, 87.6), 7.5, 7.5);
}

}  // namespace

QImage DrawPortrait(int index) {
  QImage image = NewPicture(85, 90);
  QPainter p(&image);
  Smooth(p);
  const bool female = index >= 10;
  const Look look = LookOf(index);
  Card(p, look.card);
  QPainterPath clip;
  clip.addRoundedRect(QRectF(0.5, 0.5, 84, 89), 8, 8);
  p.setClipPath(clip);
  BackHair(p, look, female);
  Body(p, look, female);
  Head(p, look, female);
  FrontHair(p, look, female);
  p.setClipping(false);
  Frame(p);
  return image;
}

QImage DrawEmptySeat() {
  QImage image = NewPicture(85, 90);
  QPainter p(&image);
  Smooth(p);
  const QRectF r(0.5, 0.5, 84, 89);
  p.setPen(Qt::NoPen);
  p.setBrush(Vertical(r, QColor(0x3A, 0x2C, 0x24), QColor(0x1E, 0x16, 0x12)));
  p.drawRoundedRect(r, 8, 8);
  // A quiet silhouette waiting for a player.
  p.setBrush(QColor(255, 255, 255, 34));
  p.drawEllipse(QPointF(42.5, 34), 15, 16);
  QPainterPath torso;
  torso.moveTo(13, 82);
  torso.cubicTo(14, 62, 26, 54, 42.5, 54);
  torso.cubicTo(59, 54, 71, 62, 72, 82);
  torso.closeSubpath();
  p.drawPath(torso);
  CentredText(p, QString::fromUtf8("空位"), QRectF(0, 66, 85, 18), 12,
              QColor(0xE9, 0xC4, 0x6A, 200), Qt::transparent, 0, false);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0xE9, 0xC4, 0x6A, 110), 1.2));
  p.drawRoundedRect(QRectF(1.2, 1.2, 82.6, 87.6), 7.5, 7.5);
  return image;
}

}  // namespace art
