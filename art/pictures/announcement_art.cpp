// What the table announces: operation words in large red characters, the white balloons of a
// ready declaration or a given-up win, and the round balloon behind a word or a chat line.
#include <QPainterPath>

#include "drawings.h"
#include "paint_kit.h"
#include "view/picture_catalogue.h"

namespace art {
namespace {

using namespace colour;

// Big red characters with a gold rim and a dark shadow, readable on felt and on tiles.
void RedWord(QPainter& p, const QString& text, const QRectF& box, double rim) {
  const QPainterPath path = FitPath(TextOutline(text, ZenHei(100, true)), box, true);
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 120));
  p.drawPath(path.translated(1.3, 1.8));
  p.setPen(QPen(QColor(0x5A, 0x0A, 0x06), rim + 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(path);
  p.setPen(QPen(kGoldLight, rim, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(path);
  p.setPen(Qt::NoPen);
  QLinearGradient g(path.boundingRect().topLeft(), path.boundingRect().bottomLeft());
  g.setColorAt(0, QColor(0xFF, 0x4A, 0x3A));
  g.setColorAt(1, QColor(0xB0, 0x0C, 0x10));
  p.setBrush(g);
  p.drawPath(path);
  p.restore();
}

// A white balloon filling `body`, its tail ending at `tip`.
void Balloon(QPainter& p, const QRectF& body, QPointF tip, double tailWidth) {
  QPainterPath shape;
  shape.addRoundedRect(body, body.height() * 0.45, body.height() * 0.45);
  const QPointF base(std::clamp(tip.x(), body.left() + 22, body.right() - 22), body.bottom() - 6);
  QPainterPath tail;
  tail.moveTo(base.x() - tailWidth / 2, base.y());
  tail.quadTo(base.x() - tailWidth * 0.2, (base.y() + tip.y()) / 2, tip.x(), tip.y());
  tail.quadTo(base.x() + tailWidth * 0.1, (base.y() + tip.y()) / 2 - 2, base.x() + tailWidth / 2,
              base.y());
  tail.closeSubpath();
  shape = shape.united(tail);
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 60));
  p.drawPath(shape.translated(1.5, 2.5));
  p.setPen(QPen(QColor(0x9A, 0x92, 0x80), 1.4));
  QRadialGradient g(body.center() - QPointF(body.width() * 0.2, body.height() * 0.25),
                    body.width() * 0.8);
  g.setColorAt(0, Qt::white);
  g.setColorAt(1, QColor(0xEE, 0xEC, 0xE4));
  p.setBrush(g);
  p.drawPath(shape);
  p.restore();
}

}  // namespace

QImage DrawWord(int index) {
  static const char* kWords[8] = {"吃", "碰", "杠", "暗杠", "红中杠", "Tesk杠", "开杠", "胡"};
  const auto size = korvel::CataloguePictureSize(183 + index);
  QImage image = NewPicture(size.width, size.height);
  QPainter p(&image);
  Smooth(p);
  RedWord(p, QString::fromUtf8(kWords[index]), QRectF(3, 2.5, size.width - 6.5, size.height - 6.5),
          2.6);
  return image;
}

QImage DrawBalloon(int index) {
  QImage image = NewPicture(131, 102);
  QPainter p(&image);
  Smooth(p);
  // Entry 0 belongs to the local seat (tail down), 1 and 3 to the left seat, 2 and 4 to the
  // right seat (tails towards the seat's side).
  const bool left = index == 1 || index == 3;
  const bool right = index == 2 || index == 4;
  const QPointF tip = left ? QPointF(10, 99) : right ? QPointF(121, 99) : QPointF(65.5, 100);
  Balloon(p, QRectF(4, 4, 122, 76), tip, 22);
  const QString word = QString::fromUtf8(index <= 2 ? "报叫" : "弃胡");
  RedWord(p, word, QRectF(16, 14, 99, 54), 3.2);
  return image;
}

QImage DrawSpeakBalloon() {
  QImage image = NewPicture(81, 81);
  QPainter p(&image);
  Smooth(p);
  Balloon(p, QRectF(3, 4, 74, 60), QPointF(16, 79), 16);
  return image;
}

}  // namespace art
