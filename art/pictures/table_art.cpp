// The table: a green felt table in perspective (narrower at the far side) inside a wooden rail,
// on a dark lacquer room, with the local player's panel along the bottom; and the top bar with
// the other two players' panels. Both are drawn in design pixels of the 1024 x 768 window and
// scaled by the painter for the 800 x 600 layout, so the small pictures stay crisp.
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>

#include "drawings.h"
#include "paint_kit.h"

namespace art {
namespace {

using namespace colour;

constexpr double kSmall = 0.78125;

// The felt's corners: the walls, hands and discard areas of the three seats lie inside it.
const QPolygonF& Felt() {
  static const QPolygonF felt(
      {QPointF(172, 108), QPointF(852, 108), QPointF(1012, 652), QPointF(12, 652)});
  return felt;
}

QPolygonF Grow(const QPolygonF& poly, double by) {
  // Moves every edge outwards by `by` (a trapezoid, so corners follow the edge lines).
  QPolygonF out;
  const int n = poly.size();
  for (int i = 0; i < n; ++i) {
    const QPointF prev = poly[(i + n - 1) % n], cur = poly[i], next = poly[(i + 1) % n];
    auto normal = [](QPointF a, QPointF b) {
      const QPointF d = b - a;
      const double len = std::hypot(d.x(), d.y());
      return QPointF(d.y() / len, -d.x() / len);
    };
    // Outward normals for a clockwise polygon on a y-down screen.
    const QPointF n1 = normal(prev, cur), n2 = normal(cur, next);
    const QPointF bis = n1 + n2;
    const double cosHalf = (n1.x() * bis.x() + n1.y() * bis.y()) / std::hypot(bis.x(), bis.y());
    out << cur + bis / std::hypot(bis.x(), bis.y()) * (by / cosHalf);
  }
  return out;
}

QPainterPath Rounded(const QPolygonF& poly, double radius) {
  QPainterPath path;
  const int n = poly.size();
  for (int i = 0; i < n; ++i) {
    const QPointF prev = poly[(i + n - 1) % n], cur = poly[i], next = poly[(i + 1) % n];
    auto towards = [&](QPointF to) {
      const QPointF d = to - cur;
      return cur + d * (radius / std::hypot(d.x(), d.y()));
    };
    if (i == 0) {
      path.moveTo(towards(prev));
    } else {
      path.lineTo(towards(prev));
    }
    path.quadTo(cur, towards(next));
  }
  path.closeSubpath();
  return path;
}

// A quiet lattice of interlocking squares, the classic window pattern, in the room's margins.
void Lattice(QPainter& p, const QRectF& area, const QColor& c) {
  p.save();
  p.setClipRect(area);
  p.setPen(QPen(c, 1.0));
  p.setBrush(Qt::NoBrush);
  const double step = 28;
  for (double y = area.top() - step; y < area.bottom() + step; y += step) {
    for (double x = area.left() - step; x < area.right() + step; x += step) {
      p.drawRect(QRectF(x + 5, y + 5, step - 10, step - 10));
      p.drawLine(QPointF(x + step / 2, y + 5), QPointF(x + step / 2, y - 5));
      p.drawLine(QPointF(x + 5, y + step / 2), QPointF(x - 5, y + step / 2));
    }
  }
  p.restore();
}

void Room(QPainter& p) {
  QRadialGradient g(QPointF(512, 360), 700);
  g.setColorAt(0, QColor(0x3E, 0x1E, 0x14));
  g.setColorAt(1, QColor(0x16, 0x09, 0x06));
  p.fillRect(QRectF(0, 0, 1024, 768), g);
  Lattice(p, QRectF(0, 0, 1024, 660), QColor(0xE9, 0xC4, 0x6A, 16));
}

void Rail(QPainter& p) {
  const QPainterPath outer = Rounded(Grow(Felt(), 16), 22);
  const QPainterPath inner = Rounded(Grow(Felt(), 3), 12);
  // Shadow of the table on the floor.
  p.setPen(Qt::NoPen);
  for (int k = 10; k >= 1; --k) {
    p.setBrush(QColor(0, 0, 0, 10));
    p.drawPath(Rounded(Grow(Felt(), 16 + k * 1.6), 22 + k));
  }
  QLinearGradient wood(QPointF(0, 100), QPointF(0, 660));
  wood.setColorAt(0, QColor(0x7A, 0x42, 0x1E));
  wood.setColorAt(0.5, QColor(0x8E, 0x50, 0x26));
  wood.setColorAt(1, QColor(0x5A, 0x2E, 0x12));
  p.setBrush(wood);
  p.drawPath(outer.subtracted(inner));
  // Wood grain: long faint strokes following the rail.
  p.save();
  p.setClipPath(outer.subtracted(inner));
  for (int k = 0; k < 40; ++k) {
    const double t = k / 40.0;
    p.setPen(QPen(QColor(0x2A, 0x12, 0x04, 26 + (k % 3) * 10), 0.8 + (k % 2) * 0.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(Rounded(Grow(Felt(), 3.5 + t * 12), 12 + t * 10));
  }
  p.restore();
  // Gold inlay along the rail and a highlight on its inner lip.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0xE9, 0xC4, 0x6A, 200), 1.3));
  p.drawPath(Rounded(Grow(Felt(), 10), 17));
  p.setPen(QPen(QColor(0xFF, 0xE0, 0xB0, 90), 1.5));
  p.drawPath(Rounded(Grow(Felt(), 15), 21));
  p.setPen(QPen(QColor(0x1A, 0x08, 0x02, 200), 2));
  p.drawPath(inner);
}

void Cloth(QPainter& p) {
  const QPainterPath felt = Rounded(Felt(), 10);
  p.save();
  p.setClipPath(felt);
  QRadialGradient g(QPointF(512, 390), 560);
  g.setColorAt(0, QColor(0x32, 0x98, 0x5E));
  g.setColorAt(0.55, kFelt);
  g.setColorAt(1, QColor(0x0E, 0x3E, 0x24));
  p.fillRect(QRectF(0, 100, 1024, 560), g);
  // The rail's shadow on the cloth.
  p.setBrush(Qt::NoBrush);
  for (int k = 0; k < 12; ++k) {
    p.setPen(QPen(QColor(0, 0, 0, 40 - k * 3), 2));
    p.drawPath(Rounded(Grow(Felt(), -k * 1.6), 10));
  }
  // A printed border line and corner flourishes.
  p.setPen(QPen(QColor(0xF4, 0xE2, 0xA8, 70), 1.4));
  p.drawPath(Rounded(Grow(Felt(), -14), 8));
  p.setPen(QPen(QColor(0xF4, 0xE2, 0xA8, 40), 0.8));
  p.drawPath(Rounded(Grow(Felt(), -19), 6));

  // The centre: a faint compass of the winds where the discards gather.
  const QPointF c(512, 352);
  p.setPen(QPen(QColor(0xF4, 0xE2, 0xA8, 34), 1.6));
  p.drawEllipse(c, 150, 92);
  p.setPen(QPen(QColor(0xF4, 0xE2, 0xA8, 22), 1));
  p.drawEllipse(c, 138, 84);
  p.drawEllipse(c, 60, 37);
  for (int k = 0; k < 8; ++k) {
    const double a = k * M_PI / 4;
    const QPointF dir(std::cos(a), std::sin(a) * 0.61);
    p.drawLine(c + dir * 64, c + dir * (k % 2 ? 120 : 136));
  }
  static const char* kWinds[4] = {"東", "南", "西", "北"};
  const QPointF at[4] = {c + QPointF(168, 0), c + QPointF(0, 108), c + QPointF(-168, 0),
                         c + QPointF(0, -106)};
  for (int k = 0; k < 4; ++k) {
    FitText(p, QString::fromUtf8(kWinds[k]), QRectF(at[k] - QPointF(11, 11), QSizeF(22, 22)),
            QColor(0xF4, 0xE2, 0xA8, 40));
  }
  FitText(p, QString::fromUtf8("雀"), QRectF(c - QPointF(24, 22), QSizeF(48, 44)),
          QColor(0xF4, 0xE2, 0xA8, 26));
  p.restore();
}

void Recessed(QPainter& p, const QRectF& r, double radius) {
  p.setPen(QPen(QColor(0xE9, 0xC4, 0x6A, 90), 1));
  p.setBrush(Vertical(r, QColor(0x0A, 0x05, 0x03), QColor(0x20, 0x10, 0x0A)));
  p.drawRoundedRect(r, radius, radius);
}

void GoldFrame(QPainter& p, const QRectF& r, double radius) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0, 0, 0, 120), 3));
  p.drawRoundedRect(r.translated(0, 1), radius, radius);
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, kGoldLight);
  g.setColorAt(1, kGoldDark);
  p.setPen(QPen(QBrush(g), 2.4));
  p.drawRoundedRect(r, radius, radius);
}

// The local player's panel along the bottom.
void BottomPanel(QPainter& p) {
  const QRectF band(0, 660, 1024, 108);
  p.setPen(Qt::NoPen);
  p.setBrush(Vertical(band, QColor(0x4E, 0x20, 0x14), QColor(0x1E, 0x0C, 0x08)));
  p.drawRect(band);
  Lattice(p, band, QColor(0xE9, 0xC4, 0x6A, 12));
  // Gold trim along the top edge, with a shadow cast onto the table.
  p.setBrush(Vertical(QRectF(0, 656, 1024, 6), kGoldLight, kGoldDark));
  p.drawRect(QRectF(0, 656, 1024, 5));
  p.setBrush(Vertical(QRectF(0, 661, 1024, 6), QColor(0, 0, 0, 120), QColor(0, 0, 0, 0)));
  p.drawRect(QRectF(0, 661, 1024, 6));

  // Portrait and personal information.
  Recessed(p, QRectF(8, 666, 89, 94), 8);
  GoldFrame(p, QRectF(8, 666, 89, 94), 8);
  Recessed(p, QRectF(102, 694, 202, 70), 8);
  static const char* kCaptions[3] = {"昵称：", "现金：", "级别："};
  const double tops[3] = {700, 724, 744};
  for (int k = 0; k < 3; ++k) {
    CentredText(p, QString::fromUtf8(kCaptions[k]), QRectF(110, tops[k], 66, 18), 12.5, kGold);
    p.setPen(QPen(QColor(0xE9, 0xC4, 0x6A, 50), 0.8));
    p.drawLine(QPointF(180, tops[k] + 18.5), QPointF(298, tops[k] + 18.5));
  }
  CentredText(p, QString::fromUtf8("我的信息"), QRectF(102, 668, 202, 22), 13, kGoldLight,
              QColor(0, 0, 0, 160), 2);

  // Messages and chat.
  Recessed(p, QRectF(308, 693, 316, 70), 8);
  // A little chat bubble beside the message lines.
  QPainterPath bubble;
  bubble.addRoundedRect(QRectF(597, 699, 20, 15), 5, 5);
  QPainterPath tail;
  tail.moveTo(601, 712);
  tail.lineTo(599, 719);
  tail.lineTo(606, 713);
  tail.closeSubpath();
  p.setPen(QPen(kGoldDark, 0.8));
  p.setBrush(Vertical(QRectF(597, 699, 20, 20), kGoldLight, kGold));
  p.drawPath(bubble.united(tail));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x4E, 0x20, 0x14));
  for (int k = 0; k < 3; ++k) p.drawEllipse(QPointF(602 + k * 5, 706.5), 1.3, 1.3);

  // The button tray.
  Recessed(p, QRectF(640, 694, 286, 70), 8);
}

}  // namespace

QImage DrawTable(bool small) {
  QImage image = small ? NewPicture(800, 600) : NewPicture(1024, 768);
  QPainter p(&image);
  Smooth(p);
  if (small) p.scale(kSmall, kSmall);
  Room(p);
  Rail(p);
  Cloth(p);
  BottomPanel(p);
  p.end();
  Grain(image, image.rect(), 3, small ? 8 : 10);
  return image;
}

QImage DrawTopBar(bool small) {
  QImage image = small ? NewPicture(800, 75) : NewPicture(1024, 96);
  QPainter p(&image);
  Smooth(p);
  if (small) p.scale(kSmall, kSmall);
  const QRectF bar(0, 0, 1024, 96);
  p.setPen(Qt::NoPen);
  p.setBrush(Vertical(bar, QColor(0x5A, 0x22, 0x16), QColor(0x24, 0x0E, 0x08)));
  p.drawRect(bar);
  Lattice(p, bar, QColor(0xE9, 0xC4, 0x6A, 14));
  p.setBrush(Vertical(QRectF(0, 91, 1024, 5), kGold, kGoldDark));
  p.drawRect(QRectF(0, 91, 1024, 5));

  // The two other players: portrait frame, captions and value fields.
  static const char* kCaptions[3] = {"个人信息", "当前现金", "当前级别"};
  const double tops[3] = {15, 40, 64};
  struct Side {
    double panelLeft, panelWidth, portraitLeft, captionLeft, valueLeft, valueWidth;
  };
  const Side sides[2] = {{2, 326, 5, 86, 162, 160}, {688, 334, 691, 772, 848, 170}};
  for (const Side& s : sides) {
    const QRectF panel(s.panelLeft, 5, s.panelWidth, 82);
    p.setPen(QPen(QColor(0xE9, 0xC4, 0x6A, 150), 1.2));
    p.setBrush(QColor(0x12, 0x06, 0x04, 120));
    p.drawRoundedRect(panel, 9, 9);
    Recessed(p, QRectF(s.portraitLeft, 13, 74, 66), 6);
    GoldFrame(p, QRectF(s.portraitLeft, 13, 74, 66), 6);
    for (int k = 0; k < 3; ++k) {
      CentredText(p, QString::fromUtf8(kCaptions[k]), QRectF(s.captionLeft, tops[k], 72, 18), 12.5,
                  kGold);
      Recessed(p, QRectF(s.valueLeft, tops[k] - 1, s.valueWidth, 20), 5);
    }
  }
  // The middle panel behind the banner, with gold cloud scrolls on both sides.
  const QRectF middle(334, 5, 350, 82);
  p.setPen(QPen(QColor(0xE9, 0xC4, 0x6A, 150), 1.2));
  p.setBrush(QColor(0x0A, 0x04, 0x02, 170));
  p.drawRoundedRect(middle, 9, 9);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0xE9, 0xC4, 0x6A, 130), 1.4, Qt::SolidLine, Qt::RoundCap));
  for (double side : {-1.0, 1.0}) {
    const QPointF c = middle.center() + QPointF(side * 162, 0);
    p.drawArc(QRectF(c.x() - 8, c.y() - 14, 16, 16), 0, 270 * 16);
    p.drawArc(QRectF(c.x() - 8, c.y() - 2, 16, 16), 90 * 16, 270 * 16);
  }
  p.end();
  Grain(image, image.rect(), 2, small ? 21 : 20);
  return image;
}

}  // namespace art
