// Tiles are drawn as ivory-faced blocks with a blue back layer, seen from above the table:
// lying tiles show their top surface and their near edge, standing tiles their face (or back)
// under a thin top edge. Symbols are drawn once in a 30 x 40 box and mapped onto each surface,
// rotated for the side seats, squeezed a little where the surface is seen at an angle.
#include "tile_art.h"

#include <QPainterPath>
#include <cmath>
#include <functional>

#include "paint_kit.h"
#include "view/picture_catalogue.h"

namespace art {
namespace {

using namespace colour;
using SymbolFn = std::function<void(QPainter&)>;

// ---- symbols -------------------------------------------------------------------------------

void Glyph(QPainter& p, const QString& text, const QRectF& box, const QColor& c, double weight,
           bool keepAspect = true) {
  const QPainterPath path = FitPath(TextOutline(text, ZenHei(100)), box, keepAspect);
  p.save();
  p.setPen(weight > 0 ? QPen(c, weight, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin)
                      : QPen(Qt::NoPen));
  p.setBrush(c);
  p.drawPath(path);
  p.restore();
}

void Coin(QPainter& p, QPointF c, double r, const QColor& col) {
  p.save();
  p.setPen(Qt::NoPen);
  QRadialGradient outer(c - QPointF(r * 0.3, r * 0.3), r * 1.4);
  outer.setColorAt(0, Tint(col, 1.25));
  outer.setColorAt(1, Tint(col, 0.8));
  p.setBrush(outer);
  p.drawEllipse(c, r, r);
  p.setBrush(kIvory);
  p.drawEllipse(c, r * 0.74, r * 0.74);
  p.setBrush(col);
  p.drawEllipse(c, r * 0.56, r * 0.56);
  p.setBrush(kIvory);
  p.drawEllipse(c, r * 0.24, r * 0.24);
  // A ring of notches gives the coin its engraved rim.
  p.setBrush(QColor(255, 255, 255, 150));
  for (int k = 0; k < 8; ++k) {
    const double a = k * M_PI / 4;
    p.drawEllipse(c + QPointF(std::cos(a), std::sin(a)) * r * 0.87, r * 0.07, r * 0.07);
  }
  p.restore();
}

void BigCoin(QPainter& p) {
  const QPointF c(15, 20);
  p.save();
  p.setPen(Qt::NoPen);
  // Petals around the rim.
  for (int k = 0; k < 12; ++k) {
    const double a = k * M_PI / 6;
    p.setBrush(k % 2 ? kGreen : kBlue);
    p.drawEllipse(c + QPointF(std::cos(a), std::sin(a)) * 11.6, 2.4, 2.4);
  }
  p.restore();
  Coin(p, c, 10.5, kGreen);
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(kRed);
  p.drawEllipse(c, 5.2, 5.2);
  p.setBrush(kIvory);
  for (int k = 0; k < 6; ++k) {
    const double a = k * M_PI / 3;
    p.drawEllipse(c + QPointF(std::cos(a), std::sin(a)) * 3.2, 1.1, 1.1);
  }
  p.setBrush(kGold);
  p.drawEllipse(c, 1.6, 1.6);
  p.restore();
}

void Dots(QPainter& p, int rank) {
  struct D {
    double x, y, r;
    QColor c;
  };
  std::vector<D> d;
  switch (rank) {
    case 1:
      BigCoin(p);
      return;
    case 2:
      d = {{15, 10.5, 7.2, kGreen}, {15, 29.5, 7.2, kBlue}};
      break;
    case 3:
      d = {{7, 8, 5.6, kBlue}, {15, 20, 5.6, kRed}, {23, 32, 5.6, kGreen}};
      break;
    case 4:
      d = {{8, 11, 6, kBlue}, {22, 11, 6, kGreen}, {8, 29, 6, kGreen}, {22, 29, 6, kBlue}};
      break;
    case 5:
      d = {{7.5, 8.5, 5.2, kBlue},
           {22.5, 8.5, 5.2, kGreen},
           {15, 20, 5.2, kRed},
           {7.5, 31.5, 5.2, kGreen},
           {22.5, 31.5, 5.2, kBlue}};
      break;
    case 6:
      d = {{8, 7, 5, kGreen},   {22, 7, 5, kGreen}, {8, 21.5, 5, kRed},
           {22, 21.5, 5, kRed}, {8, 33, 5, kRed},   {22, 33, 5, kRed}};
      break;
    case 7:
      d = {{6, 5.5, 4.3, kGreen},  {15, 9, 4.3, kGreen},  {24, 12.5, 4.3, kGreen},
           {8.5, 24, 4.4, kRed},   {21.5, 24, 4.4, kRed}, {8.5, 34.5, 4.4, kRed},
           {21.5, 34.5, 4.4, kRed}};
      break;
    case 8:
      for (int row = 0; row < 4; ++row) {
        for (double x : {8.5, 21.5}) d.push_back({x, 5.5 + row * 9.6, 4.5, kBlue});
      }
      break;
    default:
      for (int row = 0; row < 3; ++row) {
        const QColor c = row == 0 ? kBlue : row == 1 ? kRed : kGreen;
        for (double x : {6.0, 15.0, 24.0}) d.push_back({x, 7.5 + row * 12.5, 4.5, c});
      }
      break;
  }
  for (const auto& dot : d) Coin(p, {dot.x, dot.y}, dot.r, dot.c);
}

void Stick(QPainter& p, QPointF c, double h, const QColor& col, double angle = 0) {
  const double w = 4.4;
  p.save();
  p.translate(c);
  p.rotate(angle);
  const QRectF body(-w / 2, -h / 2, w, h);
  QLinearGradient g(body.topLeft(), body.topRight());
  g.setColorAt(0, Tint(col, 0.65));
  g.setColorAt(0.45, Tint(col, 1.35));
  g.setColorAt(1, Tint(col, 0.7));
  p.setPen(QPen(Tint(col, 0.5), 0.35));
  p.setBrush(g);
  p.drawRoundedRect(body, 1.8, 1.8);
  // Joints: a ring at each end and one in the middle.
  p.setPen(QPen(Tint(col, 0.45), 0.7));
  for (double y : {-h / 2 + 1.6, 0.0, h / 2 - 1.6})
    p.drawLine(QPointF(-w / 2, y), QPointF(w / 2, y));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 110));
  p.drawRoundedRect(QRectF(-w / 2 + 0.9, -h / 2 + 2.2, 0.9, h - 4.4), 0.4, 0.4);
  p.restore();
}

void Bird(QPainter& p) {
  p.save();
  p.setPen(Qt::NoPen);
  // Tail fan with eye spots.
  for (int k = 0; k < 5; ++k) {
    const double a = -40 + k * 20;
    p.save();
    p.translate(13, 27);
    p.rotate(a + 180);
    p.setBrush(k % 2 ? kGreen : QColor(0x23, 0x8F, 0x6B));
    p.drawEllipse(QRectF(-2.6, 2, 5.2, 13));
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(0, 12.2), 1.8, 1.8);
    p.setBrush(kGold);
    p.drawEllipse(QPointF(0, 12.2), 0.8, 0.8);
    p.restore();
  }
  // Body and wing.
  QPainterPath body;
  body.moveTo(10, 28);
  body.cubicTo(6, 20, 12, 11, 19, 12);
  body.cubicTo(25, 13, 26, 21, 22, 27);
  body.cubicTo(19, 31, 13, 31, 10, 28);
  QLinearGradient bg(QPointF(10, 12), QPointF(22, 30));
  bg.setColorAt(0, QColor(0x2F, 0xA0, 0x55));
  bg.setColorAt(1, QColor(0x12, 0x5E, 0x30));
  p.setBrush(bg);
  p.drawPath(body);
  QPainterPath wing;
  wing.moveTo(13, 19);
  wing.cubicTo(17, 16, 22, 19, 21, 25);
  wing.cubicTo(18, 24, 15, 24, 13, 19);
  p.setBrush(QColor(0x0E, 0x4F, 0x27));
  p.drawPath(wing);
  // Head, crest, beak, eye.
  p.setBrush(QColor(0x2F, 0xA0, 0x55));
  p.drawEllipse(QPointF(20.5, 9.5), 4.2, 4.0);
  p.setBrush(kRed);
  QPainterPath crest;
  crest.moveTo(18.5, 6.5);
  crest.cubicTo(17.5, 2.5, 20, 1.5, 20.5, 5.5);
  crest.cubicTo(21.5, 1.5, 24.5, 2.5, 22.5, 6.8);
  p.drawPath(crest);
  p.setBrush(QColor(0xF0, 0x9A, 0x2A));
  QPainterPath beak;
  beak.moveTo(24.3, 9);
  beak.lineTo(28.5, 10.3);
  beak.lineTo(24.2, 11.6);
  p.drawPath(beak);
  p.setBrush(kIvory);
  p.drawEllipse(QPointF(21.8, 8.9), 1.3, 1.3);
  p.setBrush(kInk);
  p.drawEllipse(QPointF(22.1, 8.9), 0.7, 0.7);
  // Legs.
  p.setPen(QPen(QColor(0xB5, 0x4A, 0x1C), 0.9, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(15, 29.5), QPointF(14, 35));
  p.drawLine(QPointF(18, 29.5), QPointF(19, 35));
  p.drawLine(QPointF(12, 35.5), QPointF(16, 35.5));
  p.drawLine(QPointF(17, 35.5), QPointF(21, 35.5));
  p.restore();
}

void Bamboo(QPainter& p, int rank) {
  const QColor g = kGreen;
  const QColor r = kRed;
  const QColor b = kBlue;
  switch (rank) {
    case 1:
      Bird(p);
      break;
    case 2:
      Stick(p, {15, 10.5}, 15, g);
      Stick(p, {15, 29.5}, 15, b);
      break;
    case 3:
      Stick(p, {15, 10.5}, 15, b);
      Stick(p, {9, 29.5}, 15, g);
      Stick(p, {21, 29.5}, 15, g);
      break;
    case 4:
      for (double x : {9.0, 21.0}) {
        Stick(p, {x, 10.5}, 15, x < 15 ? b : g);
        Stick(p, {x, 29.5}, 15, x < 15 ? g : b);
      }
      break;
    case 5:
      for (double x : {6.5, 23.5}) {
        Stick(p, {x, 10.5}, 15, g);
        Stick(p, {x, 29.5}, 15, b);
      }
      Stick(p, {15, 20}, 15, r);
      break;
    case 6:
      for (double x : {6.0, 15.0, 24.0}) {
        Stick(p, {x, 10.5}, 15, g);
        Stick(p, {x, 29.5}, 15, b);
      }
      break;
    case 7:
      Stick(p, {15, 6.5}, 11, r);
      for (double x : {6.0, 15.0, 24.0}) {
        Stick(p, {x, 19.5}, 11, g);
        Stick(p, {x, 33}, 11, g);
      }
      break;
    case 8:
      // Two rows of four, leaning into an M over a W.
      for (int k = 0; k < 4; ++k) {
        const double x = 4.5 + k * 7;
        const double lean = (k % 2 ? -1 : 1) * (k < 2 ? 1 : -1) * 16;
        Stick(p, {x, 10.5}, 15, g, lean);
        Stick(p, {x, 29.5}, 15, b, -lean);
      }
      break;
    default:
      for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
          const QColor c = col == 1 ? r : row == 1 ? b : g;
          Stick(p, {6.0 + col * 9, 7.0 + row * 13}, 11.5, c);
        }
      }
      break;
  }
}

void Characters(QPainter& p, int rank) {
  static const char* kNumerals[9] = {"一", "二", "三", "四", "五", "六", "七", "八", "九"};
  const QString numeral = QString::fromUtf8(kNumerals[rank - 1]);
  // Thin numerals are drawn at a fixed height so every tile shares one stroke weight.
  QRectF box(5, 1.5, 20, 15);
  if (rank == 1) box = QRectF(4, 7, 22, 4.5);
  if (rank == 2) box = QRectF(5, 3.5, 20, 11.5);
  if (rank == 3) box = QRectF(5, 2.5, 20, 13.5);
  Glyph(p, numeral, box, kInk, 0.6, rank > 3);
  Glyph(p, QString::fromUtf8("万"), QRectF(4, 21, 22, 17.5), kRed, 0.5);
}

void Honour(QPainter& p, int rank) {
  static const char* kWinds[4] = {"東", "南", "西", "北"};
  if (rank >= 1 && rank <= 4) {
    Glyph(p, QString::fromUtf8(kWinds[rank - 1]), QRectF(1.5, 3, 27, 34), kInk, 0.6);
  } else if (rank == 5) {
    Glyph(p, QString::fromUtf8("中"), QRectF(1.5, 3, 27, 34), kRed, 0.7);
  } else if (rank == 6) {
    Glyph(p, QString::fromUtf8("發"), QRectF(1.5, 3, 27, 34), kGreen, 0.5);
  } else {
    // The white dragon: an empty blue frame.
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kBlue, 2.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawRect(QRectF(4.5, 5, 21, 30));
    p.setPen(QPen(kBlue, 0.8));
    p.drawRect(QRectF(7.8, 8.3, 14.4, 23.4));
    p.restore();
  }
}

// ---- tile bodies -------------------------------------------------------------------------

double Radius(const QRectF& r) { return std::min(r.width(), r.height()) * 0.13; }

// Maps the 30 x 40 symbol box onto `face`; `turn` is 0 upright, 90 for the left seat (the top
// towards the table's middle, on the right) and -90 for the right seat.
void PaintSymbol(QPainter& p, const QRectF& face, int turn, const SymbolFn& symbol) {
  p.save();
  p.translate(face.center());
  if (turn == 0) {
    p.scale(face.width() / 30, face.height() / 40);
  } else {
    p.rotate(turn);
    p.scale(face.height() / 30, face.width() / 40);
  }
  p.translate(-15, -20);
  symbol(p);
  p.restore();
}

QPainterPath Body(const QRectF& r) {
  QPainterPath path;
  path.addRoundedRect(r, Radius(r), Radius(r));
  return path;
}

void Outline(QPainter& p, const QRectF& r) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(40, 34, 20, 170), 1.0));
  p.drawPath(Body(r));
}

// A tile lying on the table: its top surface (the face or the back) over its near edge, which
// shows both layers: the upper one is the surface's own layer.
void LyingTile(QPainter& p, const QRectF& r, double surface, bool faceUp, int turn,
               const SymbolFn& symbol) {
  const double edgeTop = r.top() + r.height() * surface;
  const double split = edgeTop + (r.bottom() - edgeTop) * (faceUp ? 0.55 : 0.42);
  p.save();
  p.setClipPath(Body(r));
  p.setPen(Qt::NoPen);
  const QRectF upper(r.left(), edgeTop - 2, r.width(), split - edgeTop + 2);
  const QRectF lower(r.left(), split, r.width(), r.bottom() - split);
  p.setBrush(
      Vertical(upper, faceUp ? kIvoryShade : kBack, faceUp ? Tint(kIvoryShade, 0.86) : kBackDark));
  p.drawRect(upper);
  p.setBrush(
      Vertical(lower, faceUp ? kBack : kIvoryShade, faceUp ? kBackDark : Tint(kIvoryShade, 0.8)));
  p.drawRect(lower);
  // The surface, slightly rounded where it meets the edge.
  const QRectF top(r.left(), r.top(), r.width(), edgeTop - r.top() + 0.6);
  QLinearGradient g(top.topLeft(), top.bottomRight());
  if (faceUp) {
    g.setColorAt(0, QColor(0xFF, 0xFD, 0xF4));
    g.setColorAt(1, QColor(0xF1, 0xE9, 0xD2));
  } else {
    g.setColorAt(0, kBackLight);
    g.setColorAt(0.55, kBack);
    g.setColorAt(1, Tint(kBack, 0.85));
  }
  p.setBrush(g);
  p.drawRoundedRect(top, Radius(r) * 0.9, Radius(r) * 0.9);
  // A bright rim along the far edge and a dark crease where the surface turns.
  p.setPen(QPen(QColor(255, 255, 255, faceUp ? 200 : 90), 1.0));
  p.drawLine(QPointF(r.left() + Radius(r), r.top() + 1.0),
             QPointF(r.right() - Radius(r), r.top() + 1.0));
  p.setPen(QPen(QColor(60, 45, 20, 110), 0.9));
  p.drawLine(QPointF(r.left(), edgeTop + 0.3), QPointF(r.right(), edgeTop + 0.3));
  if (!faceUp) {
    // A soft sheen across the back.
    QLinearGradient sheen(top.topLeft(), top.bottomRight());
    sheen.setColorAt(0.2, QColor(255, 255, 255, 0));
    sheen.setColorAt(0.35, QColor(255, 255, 255, 45));
    sheen.setColorAt(0.5, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sheen);
    p.drawRect(top);
  }
  p.restore();
  if (faceUp && symbol) {
    const double mx = r.width() * 0.09, my = (edgeTop - r.top()) * 0.08;
    PaintSymbol(
        p,
        QRectF(r.left() + mx, r.top() + my + 0.5, r.width() - 2 * mx, edgeTop - r.top() - 2 * my),
        turn, symbol);
  }
  Outline(p, r);
}

// A tile standing up facing the viewer (face or back), under its thin top edge.
void StandingTile(QPainter& p, const QRectF& r, bool face, const SymbolFn& symbol) {
  const double cap = r.height() * 0.115;
  p.save();
  p.setClipPath(Body(r));
  p.setPen(Qt::NoPen);
  const double mid = r.top() + cap * 0.5;
  // The top edge: the far half is the back layer for a face, the ivory layer for a back.
  p.setBrush(face ? kBack : kIvoryShade);
  p.drawRect(QRectF(r.left(), r.top(), r.width(), mid - r.top() + 1));
  p.setBrush(face ? Tint(kIvoryShade, 0.92) : kBackLight);
  p.drawRect(QRectF(r.left(), mid, r.width(), cap * 0.5 + 1));
  const QRectF front(r.left(), r.top() + cap, r.width(), r.height() - cap);
  QLinearGradient g(front.topLeft(), front.bottomLeft());
  if (face) {
    g.setColorAt(0, QColor(0xFF, 0xFD, 0xF5));
    g.setColorAt(0.75, QColor(0xF6, 0xF0, 0xDE));
    g.setColorAt(1, QColor(0xE2, 0xD6, 0xB6));
  } else {
    g.setColorAt(0, kBackLight);
    g.setColorAt(0.6, kBack);
    g.setColorAt(1, kBackDark);
  }
  p.setBrush(g);
  p.drawRoundedRect(front, Radius(r) * 0.7, Radius(r) * 0.7);
  p.setPen(QPen(QColor(40, 30, 10, 90), 0.9));
  p.drawLine(QPointF(r.left(), front.top()), QPointF(r.right(), front.top()));
  // Side shading gives the block its roundness.
  QLinearGradient side(front.topLeft(), front.topRight());
  side.setColorAt(0, QColor(0, 0, 0, 35));
  side.setColorAt(0.12, QColor(0, 0, 0, 0));
  side.setColorAt(0.88, QColor(0, 0, 0, 0));
  side.setColorAt(1, QColor(0, 0, 0, 45));
  p.setPen(Qt::NoPen);
  p.setBrush(side);
  p.drawRect(front);
  p.restore();
  if (face && symbol) {
    const double mx = r.width() * 0.1;
    PaintSymbol(p,
                QRectF(r.left() + mx, front.top() + r.height() * 0.07, r.width() - 2 * mx,
                       front.height() - r.height() * 0.14),
                0, symbol);
  }
  Outline(p, r);
}

// The side seats' concealed tiles, seen edge-on from the bottom of the table: a strip of the
// ivory layer on the seat's side and the blue back towards the middle.
void SideStanding(QPainter& p, const QRectF& r, bool leftSeat) {
  const double cap = r.height() * 0.08;
  const double ivoryShare = 0.36;
  p.save();
  p.setClipPath(Body(r));
  p.setPen(Qt::NoPen);
  const double split =
      leftSeat ? r.left() + r.width() * ivoryShare : r.right() - r.width() * ivoryShare;
  const QRectF ivory = leftSeat ? QRectF(r.left(), r.top(), split - r.left(), r.height())
                                : QRectF(split, r.top(), r.right() - split, r.height());
  const QRectF back = leftSeat ? QRectF(split, r.top(), r.right() - split, r.height())
                               : QRectF(r.left(), r.top(), split - r.left(), r.height());
  QLinearGradient gi(ivory.topLeft(), ivory.topRight());
  gi.setColorAt(leftSeat ? 0 : 1, Tint(kIvoryShade, 0.85));
  gi.setColorAt(leftSeat ? 1 : 0, kIvory);
  p.setBrush(gi);
  p.drawRect(ivory);
  QLinearGradient gb(back.topLeft(), back.topRight());
  gb.setColorAt(leftSeat ? 0 : 1, kBackLight);
  gb.setColorAt(leftSeat ? 1 : 0, kBackDark);
  p.setBrush(gb);
  p.drawRect(back);
  p.setBrush(QColor(255, 255, 255, 70));
  p.drawRect(QRectF(r.left(), r.top(), r.width(), cap));
  p.setPen(QPen(QColor(30, 30, 30, 90), 0.8));
  p.drawLine(QPointF(split, r.top()), QPointF(split, r.bottom()));
  p.restore();
  Outline(p, r);
}

SymbolFn SymbolOf(int key) {
  const int suit = key / 9;
  const int rank = key % 9 + 1;
  static const int kSuitBits[4] = {0x10, 0x20, 0x40, 0x80};
  const int code = kSuitBits[suit] | rank;
  return [code](QPainter& p) { DrawTileSymbol(p, code); };
}

}  // namespace

void DrawTileSymbol(QPainter& p, int code) {
  const int suitBits = (code >> 4) & 0xF;
  const int rank = code & 0xF;
  if (rank < 1 || rank > 9) return;
  switch (suitBits) {
    case 0x1:
      Honour(p, rank);
      break;
    case 0x2:
      Bamboo(p, rank);
      break;
    case 0x4:
      Characters(p, rank);
      break;
    case 0x8:
      Dots(p, rank);
      break;
    default:
      break;
  }
}

QImage DrawTilePicture(int index) {
  const int block = index / korvel::kTilesPerBlock;
  const int key = index % korvel::kTilesPerBlock;
  const korvel::PictureSize size = korvel::TilePictureSize(block, key);
  QImage image = NewPicture(size.width, size.height);
  QPainter p(&image);
  Smooth(p);
  const QRectF r(0.5, 0.5, size.width - 1.0, size.height - 1.0);
  const bool side = block == 1 || block == 3;
  const int turn = block == 1 ? 90 : block == 3 ? -90 : 0;
  if (key == korvel::kStandingBackKey) {
    if (side) {
      SideStanding(p, r, block == 1);
    } else {
      StandingTile(p, r, false, nullptr);
    }
  } else if (key == korvel::kLyingBackKey) {
    LyingTile(p, r, side ? 0.6 : 0.64, false, 0, nullptr);
  } else if (block == 4) {
    StandingTile(p, r, true, SymbolOf(key));
  } else {
    // Honours stop at rank 7; keys 7 and 8 are the backs, handled above.
    LyingTile(p, r, side ? 0.64 : 0.7, true, turn, SymbolOf(key));
  }
  p.end();
  Grain(image, image.rect(), 2, 1000 + index);
  return image;
}

}  // namespace art
