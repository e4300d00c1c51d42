// Dice: six faces of a die seen from above and to the left, ten frames of a tumbling die,
// and six small flat faces. The die is a small 3D cube projected onto the picture, so every
// frame shows a real, consistent die.
#include <QPainterPath>
#include <QPolygonF>
#include <array>
#include <cmath>

#include "drawings.h"
#include "paint_kit.h"

namespace art {
namespace {

using namespace colour;

struct V3 {
  double x, y, z;
};

V3 RotX(V3 v, double a) {
  return {v.x, v.y * std::cos(a) - v.z * std::sin(a), v.y * std::sin(a) + v.z * std::cos(a)};
}
V3 RotY(V3 v, double a) {
  return {v.x * std::cos(a) + v.z * std::sin(a), v.y, -v.x * std::sin(a) + v.z * std::cos(a)};
}
V3 RotZ(V3 v, double a) {
  return {v.x * std::cos(a) - v.y * std::sin(a), v.x * std::sin(a) + v.y * std::cos(a), v.z};
}

// Pip centres on a unit face (0..1 square).
std::vector<QPointF> Pips(int n) {
  const double a = 0.25, b = 0.5, c = 0.75;
  switch (n) {
    case 1:
      return {{b, b}};
    case 2:
      return {{a, a}, {c, c}};
    case 3:
      return {{a, a}, {b, b}, {c, c}};
    case 4:
      return {{a, a}, {c, a}, {a, c}, {c, c}};
    case 5:
      return {{a, a}, {c, a}, {b, b}, {a, c}, {c, c}};
    default:
      return {{a, 0.22}, {c, 0.22}, {a, b}, {c, b}, {a, 0.78}, {c, 0.78}};
  }
}

void FacePips(QPainter& p, int n, double size) {
  // One and four are red, as on Chinese dice; the one is large.
  const QColor ink = (n == 1 || n == 4) ? QColor(0xD0, 0x1E, 0x28) : QColor(0x1A, 0x1A, 0x22);
  const double r = (n == 1 ? 0.16 : 0.085) * size;
  for (QPointF c : Pips(n)) {
    const QPointF at = c * size;
    QRadialGradient g(at - QPointF(r * 0.3, r * 0.3), r * 1.3);
    g.setColorAt(0, Tint(ink, 1.4));
    g.setColorAt(1, ink);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(at, r, r);
  }
}

// Draws a cube with `faces` (numbers on +z, -z, +x, -x, -y, +y) turned by the angles, centred
// at `centre` with half-edge `half` pixels.
void Cube(QPainter& p, QPointF centre, double half, const std::array<int, 6>& faces, double ax,
          double ay, double az) {
  // Corners of each face in order, with the face's outward normal.
  struct Face {
    std::array<V3, 4> corners;
    V3 normal;
  };
  const std::array<Face, 6> cube = {{
      {{{{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}}}, {0, 0, 1}},
      {{{{1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}}}, {0, 0, -1}},
      {{{{1, -1, 1}, {1, -1, -1}, {1, 1, -1}, {1, 1, 1}}}, {1, 0, 0}},
      {{{{-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}}}, {-1, 0, 0}},
      {{{{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}}, {0, -1, 0}},
      {{{{-1, 1, 1}, {1, 1, 1}, {1, 1, -1}, {-1, 1, -1}}}, {0, 1, 0}},
  }};
  auto turn = [&](V3 v) { return RotZ(RotY(RotX(v, ax), ay), az); };
  const V3 light{-0.45, -0.65, 0.62};
  for (int f = 0; f < 6; ++f) {
    const V3 n = turn(cube[f].normal);
    if (n.z <= 0.02) continue;
    QPolygonF quad;
    for (const V3& c : cube[f].corners) {
      const V3 t = turn(c);
      quad << centre + QPointF(t.x, t.y) * half;
    }
    const double shade =
        std::clamp(0.55 + 0.5 * (n.x * light.x + n.y * light.y + n.z * light.z), 0.45, 1.05);
    QColor body = QColor::fromRgbF(std::min(1.0, 0.99 * shade), std::min(1.0, 0.98 * shade),
                                   std::min(1.0, 0.95 * shade));
    p.setPen(QPen(body.darker(125), half * 0.09, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(body);
    p.drawPolygon(quad);
    // Pips, mapped from the unit square onto the face.
    QTransform map;
    if (QTransform::quadToQuad(
            QPolygonF({QPointF(0, 0), QPointF(1, 0), QPointF(1, 1), QPointF(0, 1)}), quad, map)) {
      p.save();
      p.setTransform(map, true);
      p.setOpacity(std::clamp(n.z * 1.6, 0.0, 1.0));
      FacePips(p, faces[f], 1.0);
      p.restore();
    }
  }
}

// Numbers on +z, -z, +x, -x, -y (top), +y for a die showing `front` towards the viewer.
std::array<int, 6> DieFaces(int front) {
  static const int kTop[7] = {0, 2, 1, 2, 2, 1, 2};
  static const int kRight[7] = {0, 3, 4, 1, 6, 3, 4};
  const int top = kTop[front], right = kRight[front];
  return {front, 7 - front, right, 7 - right, top, 7 - top};
}

}  // namespace

QImage DrawDieFace(int face) {
  QImage image = NewPicture(50, 56);
  QPainter p(&image);
  Smooth(p);
  // A soft shadow on the felt, then the die turned to show its top and right side.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 70));
  p.drawEllipse(QRectF(6, 43, 40, 11));
  Cube(p, QPointF(24.5, 27), 15.5, DieFaces(face), -0.42, 0.38, 0.0);
  return image;
}

QImage DrawTumblingDie(int frame) {
  QImage image = NewPicture(50, 50);
  QPainter p(&image);
  Smooth(p);
  const double t = frame / 10.0;
  const double ax = t * 2 * M_PI + 0.4, ay = t * 3 * M_PI + 0.2, az = t * M_PI * 0.7;
  // Motion trail: fainter copies where the die just was.
  for (int k = 2; k >= 1; --k) {
    p.setOpacity(0.16 * (3 - k));
    Cube(p, QPointF(25 - 2.5 * k, 25 + 1.5 * k), 12.5, DieFaces(frame % 6 + 1), ax - 0.35 * k,
         ay - 0.5 * k, az);
  }
  p.setOpacity(1);
  Cube(p, QPointF(25, 25), 12.5, DieFaces(frame % 6 + 1), ax, ay, az);
  return image;
}

QImage DrawSmallDie(int face) {
  QImage image = NewPicture(24, 24);
  QPainter p(&image);
  Smooth(p);
  const QRectF body(1, 1, 22, 22);
  p.setPen(QPen(QColor(0x8A, 0x80, 0x70), 0.8));
  QRadialGradient g(QPointF(8, 7), 20);
  g.setColorAt(0, Qt::white);
  g.setColorAt(1, QColor(0xE2, 0xDD, 0xD0));
  p.setBrush(g);
  p.drawRoundedRect(body, 5, 5);
  p.translate(body.topLeft());
  FacePips(p, face, body.width());
  return image;
}

}  // namespace art
