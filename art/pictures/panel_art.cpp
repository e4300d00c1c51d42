// The table's smaller pictures: clock, dealer plate, multiplier panels, ready sticks, the ready
// mascot, the notice, frames, advertisement frames, bars, choice marks, window-frame buttons,
// the icon and the pointer.
#include <QPainterPath>
#include <cmath>

#include "drawings.h"
#include "paint_kit.h"
#include "tile_art.h"
#include "view/picture_catalogue.h"

namespace art {
namespace {

using namespace colour;
using korvel::NamedPicture;

QImage Canvas(int id) {
  const auto size = korvel::CataloguePictureSize(id);
  return NewPicture(size.width, size.height);
}

// Dark lacquer with a gold rim: the look of every information panel.
void DarkPanel(QPainter& p, const QRectF& r, double radius) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 70));
  p.drawRoundedRect(r.translated(0, 1), radius, radius);
  Panel(p, r.adjusted(0, 0, 0, -1), radius, QColor(0x4A, 0x22, 0x18), QColor(0x22, 0x0E, 0x0A),
        kGold, 1.3, true);
}

void Recess(QPainter& p, const QRectF& r, double radius) {
  p.setPen(QPen(QColor(0xE9, 0xC4, 0x6A, 120), 0.8));
  p.setBrush(Vertical(r, QColor(0x0C, 0x06, 0x04), QColor(0x24, 0x12, 0x0C)));
  p.drawRoundedRect(r, radius, radius);
}

QImage Clock() {
  QImage image = Canvas(korvel::kPicClock);
  QPainter p(&image);
  Smooth(p);
  DarkPanel(p, QRectF(0.5, 0.5, 80, 37), 8);
  // A small clock face.
  const QPointF c(13, 18.5);
  p.setPen(QPen(kGold, 1.4));
  p.setBrush(QColor(0xFF, 0xF8, 0xE4));
  p.drawEllipse(c, 8, 8);
  p.setPen(QPen(kLacquer, 1.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(c, c + QPointF(0, -5.2));
  p.drawLine(c, c + QPointF(3.8, 1.5));
  CentredText(p, QString::fromUtf8("时间"), QRectF(21, 2, 26, 34), 11.5, kGold);
  Recess(p, QRectF(47.5, 4.5, 28, 29), 5);
  return image;
}

QImage Dealer() {
  QImage image = Canvas(korvel::kPicDealer);
  QPainter p(&image);
  Smooth(p);
  const QRectF r(1, 1, 118, 75);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 80));
  p.drawRoundedRect(r.translated(0, 1.5), 10, 10);
  Panel(p, r, 10, QColor(0xC4, 0x2A, 0x1E), QColor(0x6E, 0x10, 0x0A), kGold, 2.0);
  p.setPen(QPen(QColor(0xFF, 0xE9, 0xA8, 150), 0.8));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(r.adjusted(4, 4, -4, -4), 7, 7);
  FitText(p, QString::fromUtf8("庄家"), QRectF(20, 6, 80, 31), kGoldLight, QColor(0x5A, 0x0A, 0x06),
          2.2);
  // The dealer's name goes in the recess, a little lower in the small layout.
  Recess(p, QRectF(12, 40, 96, 34.5), 6);
  return image;
}

QImage Multiplier(int id, const char* words) {
  QImage image = Canvas(id);
  QPainter p(&image);
  Smooth(p);
  DarkPanel(p, QRectF(0.5, 0.5, 147, 29), 9);
  CentredText(p, QString::fromUtf8(words), QRectF(6, 0, 100, 29), 14, kGold, QColor(0, 0, 0, 160),
              2.0);
  Recess(p, QRectF(108.5, 3.5, 36, 22), 6);
  return image;
}

// A scoring stick: ivory with a red centre dot and black dots at the ends.
void Stick(QPainter& p, double length, double width) {
  const QRectF body(-length / 2, -width / 2, length, width);
  p.setPen(QPen(QColor(0x6A, 0x5A, 0x40), 0.8));
  p.setBrush(Vertical(body, Qt::white, QColor(0xE0, 0xD6, 0xBE)));
  p.drawRoundedRect(body, width / 2, width / 2);
  p.setPen(Qt::NoPen);
  p.setBrush(kRed);
  p.drawEllipse(QPointF(0, 0), width * 0.32, width * 0.32);
  p.setBrush(QColor(0x22, 0x22, 0x28));
  for (double side : {-1.0, 1.0}) {
    for (int k = 0; k < 3; ++k) {
      p.drawEllipse(QPointF(side * (length / 2 - width * 1.1 - k * width * 0.8), 0), width * 0.16,
                    width * 0.16);
    }
  }
}

QImage Ting(int id) {
  QImage image = Canvas(id);
  QPainter p(&image);
  Smooth(p);
  if (id == korvel::kPicTingBottom) {
    p.translate(83.5, 6);
    Stick(p, 164, 10);
  } else {
    // Laid along the side of the table, leaning with its edge.
    const bool left = id == korvel::kPicTingLeft;
    const QPointF a = left ? QPointF(6, 150) : QPointF(38, 150);
    const QPointF b = left ? QPointF(38, 6) : QPointF(6, 6);
    const QPointF d = b - a;
    p.translate((a + b) / 2);
    p.rotate(std::atan2(d.y(), d.x()) * 180 / M_PI);
    Stick(p, std::hypot(d.x(), d.y()) + 6, 9);
  }
  return image;
}

QImage ReadyMascot() {
  QImage image = Canvas(korvel::kPicReadyMascot);
  QPainter p(&image);
  Smooth(p);
  // Feet and a shadow.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 70));
  p.drawEllipse(QRectF(14, 72, 40, 7));
  p.setBrush(kBackDark);
  p.drawEllipse(QRectF(19, 69, 12, 7));
  p.drawEllipse(QRectF(37, 69, 12, 7));
  // The tile body: ivory face, blue back peeking at the top.
  const QRectF body(12, 14, 44, 58);
  p.setBrush(kBack);
  p.drawRoundedRect(body.translated(0, -4), 9, 9);
  p.setPen(QPen(QColor(0x5A, 0x4A, 0x30), 1));
  p.setBrush(Vertical(body, Qt::white, kIvoryShade));
  p.drawRoundedRect(body, 9, 9);
  // A red 中 on the belly.
  FitText(p, QString::fromUtf8("中"), QRectF(24, 44, 20, 20), kRed, Qt::transparent, 0);
  // Happy face.
  p.setPen(QPen(kInk, 1.8, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(20, 24, 9, 7), 20 * 16, 140 * 16);
  p.drawArc(QRectF(39, 24, 9, 7), 20 * 16, 140 * 16);
  QPainterPath mouth;
  mouth.moveTo(27, 35);
  mouth.quadTo(34, 43, 41, 35);
  mouth.closeSubpath();
  p.setPen(QPen(QColor(0x8A, 0x1A, 0x1A), 1.2));
  p.setBrush(QColor(0xE0, 0x4A, 0x4A));
  p.drawPath(mouth);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xFF, 0x70, 0x70, 110));
  p.drawEllipse(QPointF(19, 34), 3.5, 2.2);
  p.drawEllipse(QPointF(49, 34), 3.5, 2.2);
  // Left arm on the hip, right arm raised with a V sign.
  p.setPen(QPen(kIvoryShade.darker(130), 4.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(13, 44), QPointF(5, 52));
  p.drawLine(QPointF(5, 52), QPointF(12, 57));
  p.drawLine(QPointF(55, 36), QPointF(63, 22));
  p.setPen(QPen(Qt::white, 2.8, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(13, 44), QPointF(5, 52));
  p.drawLine(QPointF(5, 52), QPointF(12, 57));
  p.drawLine(QPointF(55, 36), QPointF(63, 22));
  p.setPen(QPen(QColor(0x5A, 0x4A, 0x30), 1));
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(63.5, 20.5), 4.2, 4.2);
  p.setPen(QPen(QColor(0x5A, 0x4A, 0x30), 3.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(62, 18), QPointF(59, 8));
  p.drawLine(QPointF(65.5, 18), QPointF(69, 8.5));
  p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(62, 18), QPointF(59, 8));
  p.drawLine(QPointF(65.5, 18), QPointF(69, 8.5));
  // A little sparkle.
  p.setPen(QPen(kGold, 1.4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(8, 8), QPointF(8, 16));
  p.drawLine(QPointF(4, 12), QPointF(12, 12));
  return image;
}

QImage Tip() {
  QImage image = Canvas(korvel::kPicTip);
  QPainter p(&image);
  Smooth(p);
  const QRectF r(2, 2, 219, 131);
  SoftShadow(p, r, 10, 2, 60);
  Panel(p, r, 10, QColor(0xFF, 0xF8, 0xE2), QColor(0xF0, 0xE0, 0xB8), kGoldDark, 1.6, false);
  // Title band.
  QRectF band(r.left() + 1, r.top() + 1, r.width() - 2, 28);
  QPainterPath clip;
  clip.addRoundedRect(r.adjusted(1, 1, -1, -1), 9, 9);
  p.save();
  p.setClipPath(clip);
  p.setPen(Qt::NoPen);
  p.setBrush(Vertical(band, QColor(0xC4, 0x2A, 0x1E), QColor(0x7E, 0x12, 0x0C)));
  p.drawRect(band);
  p.restore();
  CentredText(p, QString::fromUtf8("提示"), band, 16, kGoldLight, QColor(0x4A, 0x08, 0x04), 2);
  p.setFont(ZenHei(14));
  p.setPen(QColor(0x3A, 0x22, 0x10));
  p.drawText(QRectF(14, 38, 195, 88), Qt::AlignCenter | Qt::TextWordWrap,
             QString::fromUtf8("您亮牌选择暗倒无法听牌，系统自动明倒，请出牌！"));
  return image;
}

QImage CornerFrame() {
  QImage image = Canvas(korvel::kPicCornerFrame);
  QPainter p(&image);
  Smooth(p);
  const QRectF r(2, 2, 141, 57);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0xE9, 0xC4, 0x6A, 150), 1));
  p.drawRoundedRect(r.adjusted(3, 3, -3, -3), 4, 4);
  // Red corner ornaments: an L with a curl.
  p.setPen(QPen(kRed, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  for (int corner = 0; corner < 4; ++corner) {
    const bool right = corner % 2, bottom = corner / 2;
    const QPointF c(right ? r.right() : r.left(), bottom ? r.bottom() : r.top());
    const double sx = right ? -1 : 1, sy = bottom ? -1 : 1;
    QPainterPath orn;
    orn.moveTo(c + QPointF(sx * 18, 0));
    orn.lineTo(c);
    orn.lineTo(c + QPointF(0, sy * 14));
    orn.moveTo(c + QPointF(sx * 6, sy * 6));
    orn.cubicTo(c + QPointF(sx * 12, sy * 4), c + QPointF(sx * 12, sy * 12),
                c + QPointF(sx * 7, sy * 11));
    p.drawPath(orn);
  }
  return image;
}

QImage Banner() {
  QImage image = Canvas(korvel::kPicBanner);
  QPainter p(&image);
  Smooth(p);
  const QRectF r(1, 1, 298, 73);
  Panel(p, r, 10, QColor(0x7E, 0x16, 0x10), QColor(0x3A, 0x08, 0x06), kGold, 1.6, true);
  p.setPen(QPen(QColor(0xE9, 0xC4, 0x6A, 110), 0.8));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(r.adjusted(4, 4, -4, -4), 7, 7);
  // Three fanned tiles on the left.
  for (int k = 0; k < 3; ++k) {
    p.save();
    p.translate(40 + k * 3, 60);
    p.rotate(-22 + k * 22);
    QRectF tile(-12, -44, 24, 34);
    p.setPen(QPen(QColor(0x4A, 0x3A, 0x20), 0.8));
    p.setBrush(kBack);
    p.drawRoundedRect(tile.translated(0, -2.5), 4, 4);
    p.setBrush(Vertical(tile, Qt::white, kIvoryShade));
    p.drawRoundedRect(tile, 4, 4);
    static const int kCodes[3] = {0x88, 0x15, 0x21};
    p.translate(tile.left() + 3, tile.top() + 3);
    p.scale(18.0 / 30, 28.0 / 40);
    DrawTileSymbol(p, kCodes[k]);
    p.restore();
  }
  FitText(p, QString::fromUtf8("Korvel麻将"), QRectF(82, 10, 204, 36), kGoldLight,
          QColor(0x4A, 0x08, 0x04), 3);
  CentredText(p, QString::fromUtf8("三人对局  ·  欢乐血战"), QRectF(82, 48, 204, 18), 13,
              QColor(0xFF, 0xE9, 0xC0), Qt::transparent, 0, false);
  return image;
}

QImage Emblem() {
  QImage image = Canvas(korvel::kPicEmblem);
  QPainter p(&image);
  Smooth(p);
  // A red seal with 雀, the sparrow that gives the game its other name.
  const QRectF r(4, 3, 74, 74);
  SoftShadow(p, r, 14, 2, 60);
  Panel(p, r, 14, QColor(0xD4, 0x32, 0x26), QColor(0x8A, 0x14, 0x0E), kGold, 2.2, true);
  p.setPen(QPen(QColor(0xFF, 0xE9, 0xA8, 170), 1.2));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(r.adjusted(5, 5, -5, -5), 10, 10);
  FitText(p, QString::fromUtf8("雀"), r.adjusted(13, 11, -13, -15), kGoldLight,
          QColor(0x5A, 0x0A, 0x06), 2.2);
  CentredText(p, QString::fromUtf8("KORVEL"), QRectF(r.left(), r.bottom() - 16, r.width(), 12), 9,
              QColor(0xFF, 0xE9, 0xC0), Qt::transparent, 0, true);
  return image;
}

QImage LocationBar() {
  QImage image = Canvas(korvel::kPicLocationBar);
  QPainter p(&image);
  Smooth(p);
  DarkPanel(p, QRectF(0.5, 0.5, 379, 27), 8);
  for (int k = 0; k < 2; ++k) {
    const QRectF b(3 + 64 * k, 3, 60, 21);
    Panel(p, b, 7, QColor(0xB8, 0x3A, 0x22), QColor(0x6A, 0x14, 0x0A), kGold, 1.0);
    CentredText(p, QString::fromUtf8(k == 0 ? "短语1" : "短语2"), b, 12, kCream,
                QColor(0x3A, 0x08, 0x04), 1.8);
  }
  CentredText(p, QString::fromUtf8("当前位置："), QRectF(132, 0, 80, 27), 12.5, kGold);
  Recess(p, QRectF(210.5, 3.5, 165, 20), 6);
  return image;
}

QImage ShuffleBar() {
  QImage image = Canvas(korvel::kPicShuffleBar);
  QPainter p(&image);
  Smooth(p);
  DarkPanel(p, QRectF(0.5, 0.5, 299, 39), 10);
  const QRectF track(10, 26, 280, 8);
  Recess(p, track, 4);
  QRectF fill = track.adjusted(1, 1, -track.width() * 0.38, -1);
  p.setPen(Qt::NoPen);
  p.setBrush(Vertical(fill, kGoldLight, kGoldDark));
  p.drawRoundedRect(fill, 3, 3);
  p.setBrush(QColor(255, 255, 255, 60));
  for (double x = fill.left() + 4; x < fill.right() - 3; x += 10) {
    p.drawRect(QRectF(x, fill.top(), 4, fill.height()));
  }
  return image;
}

QImage ChoiceMark(int id) {
  QImage image = Canvas(id);
  QPainter p(&image);
  Smooth(p);
  const double w = Bounds(image).width(), h = Bounds(image).height();
  // A gold arrow pointing down at the candidate tiles.
  QPainterPath arrow;
  arrow.moveTo(w * 0.3, 2);
  arrow.lineTo(w * 0.7, 2);
  arrow.lineTo(w * 0.7, h * 0.45);
  arrow.lineTo(w - 3, h * 0.45);
  arrow.lineTo(w / 2, h - 2);
  arrow.lineTo(3, h * 0.45);
  arrow.lineTo(w * 0.3, h * 0.45);
  arrow.closeSubpath();
  p.setPen(QPen(QColor(0x6A, 0x1A, 0x08), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Vertical(QRectF(0, 0, w, h), kGoldLight, QColor(0xE0, 0x6A, 0x10)));
  p.drawPath(arrow);
  return image;
}

QImage PropFrame() {
  QImage image = Canvas(korvel::kPicPropFrame);
  QPainter p(&image);
  Smooth(p);
  const QRectF r(2, 2, 60, 60);
  p.setPen(QPen(kGold, 2));
  p.setBrush(QColor(0x1A, 0x0C, 0x08, 150));
  p.drawRoundedRect(r, 10, 10);
  p.setPen(QPen(QColor(0xFF, 0xE9, 0xA8, 110), 0.8));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(r.adjusted(4, 4, -4, -4), 7, 7);
  return image;
}

// The exit window's background: a lacquered green board with a gold rim and corner knots.
QImage ExitPanel() {
  QImage image = Canvas(korvel::kPicExitPanel);
  QPainter p(&image);
  Smooth(p);
  const QRectF r(1, 1, 298, 148);
  Panel(p, r, 8, QColor(0x2A, 0x66, 0x3A), QColor(0x12, 0x38, 0x1E), kGold, 2.0, false);
  p.setPen(QPen(QColor(0xE9, 0xC4, 0x6A, 120), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(r.adjusted(6, 6, -6, -6), 5, 5);
  p.setPen(Qt::NoPen);
  p.setBrush(kGold);
  for (const QPointF& c : {QPointF(12, 12), QPointF(288, 12), QPointF(12, 138), QPointF(288, 138)})
    p.drawEllipse(c, 3, 3);
  return image;
}

QImage FrameButton(int id) {
  QImage image = Canvas(id);
  QPainter p(&image);
  Smooth(p);
  const bool close = id >= korvel::kPicClose && id <= korvel::kPicClosePressed;
  const int look = close ? id - korvel::kPicClose : id - korvel::kPicMinimise;  // 0, 1 hover, 2
  QColor base = close ? QColor(0xB8, 0x22, 0x1A) : QColor(0x6A, 0x3A, 0x22);
  if (look == 1) base = Tint(base, 1.35);
  if (look == 2) base = Tint(base, 0.7);
  const QRectF r(1, 1, 20, 18);
  Panel(p, r, 4, Tint(base, 1.2), Tint(base, 0.75), kGold, 1.0, look != 2);
  p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
  const QPointF c = r.center() + QPointF(0, look == 2 ? 0.6 : 0);
  if (close) {
    p.drawLine(c + QPointF(-4, -4), c + QPointF(4, 4));
    p.drawLine(c + QPointF(4, -4), c + QPointF(-4, 4));
  } else {
    p.drawLine(c + QPointF(-4.5, 3), c + QPointF(4.5, 3));
  }
  return image;
}

QImage Icon() {
  QImage image = Canvas(korvel::kPicIcon);
  QPainter p(&image);
  Smooth(p);
  const QRectF tile(3, 1, 14, 18);
  p.setPen(QPen(QColor(0x4A, 0x3A, 0x20), 0.8));
  p.setBrush(kBack);
  p.drawRoundedRect(tile.translated(0, -0.5), 3, 3);
  p.setBrush(Vertical(tile, Qt::white, kIvoryShade));
  p.drawRoundedRect(tile.adjusted(0, 1.5, 0, 0), 3, 3);
  FitText(p, QString::fromUtf8("中"), tile.adjusted(2, 4, -2, -2), kRed);
  return image;
}

QImage Skin() {
  // The frame pieces: corners and edges of a gold-rimmed lacquer border, sliced in thirds.
  QImage image = Canvas(korvel::kPicSkin);
  QPainter p(&image);
  Smooth(p);
  const QRectF r(0.5, 0.5, 47, 47);
  p.setPen(Qt::NoPen);
  p.setBrush(Vertical(r, QColor(0x5A, 0x1C, 0x12), QColor(0x2A, 0x0A, 0x06)));
  p.drawRoundedRect(r, 8, 8);
  p.setBrush(QColor(0x1A, 0x0C, 0x08));
  p.drawRect(QRectF(16, 16, 16, 16));
  p.setPen(QPen(kGold, 1.4));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(r.adjusted(2, 2, -2, -2), 7, 7);
  p.setPen(QPen(kGoldDark, 1));
  p.drawRoundedRect(QRectF(15.5, 15.5, 17, 17), 2, 2);
  return image;
}

QImage Cursor() {
  // A pointing hand; its fingertip at (9, 2) is the pointer's hot spot.
  QImage image = Canvas(korvel::kPicCursor);
  QPainter p(&image);
  Smooth(p);
  QPainterPath hand;
  hand.moveTo(7, 16);
  hand.lineTo(7, 4);
  hand.cubicTo(7, 1, 11.5, 1, 11.5, 4);
  hand.lineTo(11.5, 12);
  hand.cubicTo(11.5, 10, 15.5, 10, 15.5, 12.5);
  hand.cubicTo(15.5, 10.5, 19.5, 10.5, 19.5, 13);
  hand.cubicTo(19.5, 11.5, 23.5, 11.5, 23.5, 14);
  hand.lineTo(23.5, 21);
  hand.cubicTo(23.5, 26, 21, 29, 16, 29);
  hand.lineTo(13, 29);
  hand.cubicTo(9, 29, 7, 26, 4, 21);
  hand.lineTo(2.2, 17.5);
  hand.cubicTo(1.2, 15.5, 4.5, 13.5, 6, 15.5);
  hand.closeSubpath();
  p.setPen(QPen(QColor(0, 0, 0, 80), 2.4));
  p.drawPath(hand.translated(0.8, 0.8));
  p.setPen(QPen(Qt::black, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Vertical(QRectF(0, 0, 24, 30), Qt::white, QColor(0xE8, 0xE4, 0xDC)));
  p.drawPath(hand);
  p.setPen(QPen(Qt::black, 0.8, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(11.5, 12), QPointF(11.5, 16.5));
  p.drawLine(QPointF(15.5, 12.5), QPointF(15.5, 17));
  p.drawLine(QPointF(19.5, 13), QPointF(19.5, 17.5));
  return image;
}

}  // namespace

QImage DrawPanelPicture(int id) {
  using namespace korvel;
  switch (id) {
    case kPicClock:
      return Clock();
    case kPicDealer:
      return Dealer();
    case kPicWealth:
      return Multiplier(id, "财富加倍 ×");
    case kPicDiceMultiplier:
      return Multiplier(id, "骰子加倍 ×");
    case kPicTingBottom:
    case kPicTingLeft:
    case kPicTingRight:
      return Ting(id);
    case kPicReadyMascot:
      return ReadyMascot();
    case kPicTip:
      return Tip();
    case kPicCornerFrame:
      return CornerFrame();
    case kPicBanner:
      return Banner();
    case kPicEmblem:
      return Emblem();
    case kPicLocationBar:
      return LocationBar();
    case kPicShuffleBar:
      return ShuffleBar();
    case kPicSpeak:
      return DrawSpeakBalloon();
    case kPicChoiceGang:
    case kPicChoiceChi:
      return ChoiceMark(id);
    case kPicPropFrame:
      return PropFrame();
    case kPicClose:
    case kPicCloseHover:
    case kPicClosePressed:
    case kPicMinimise:
    case kPicMinimiseHover:
    case kPicMinimisePressed:
      return FrameButton(id);
    case kPicIcon:
      return Icon();
    case kPicSkin:
      return Skin();
    case kPicCursor:
      return Cursor();
    case kPicExitPanel:
      return ExitPanel();
    default:
      return {};
  }
}

}  // namespace art
