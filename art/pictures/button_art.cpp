// Buttons: the main row (two looks each, full size and small), the dialog buttons, the five
// operation tablets in three looks, and the store button.
#include <QPainterPath>
#include <cmath>

#include "drawings.h"
#include "paint_kit.h"
#include "view/picture_catalogue.h"

namespace art {
namespace {

using namespace colour;

QImage Canvas(int number) {
  const auto size = korvel::CataloguePictureSize(number);
  return NewPicture(size.width, size.height);
}

// A lacquered pill with a gold rim; `hover` lights it up.
void LacquerButton(QPainter& p, const QRectF& r, const QString& text, bool hover,
                   const QColor& base, double textSize) {
  const double radius = r.height() * 0.32;
  const QRectF body = r.adjusted(1, 1, -1, -1.5);
  // Drop shadow under the button.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 90));
  p.drawRoundedRect(body.translated(0, 1.2), radius, radius);
  const QColor top = hover ? Tint(base, 1.45) : Tint(base, 1.12);
  const QColor bottom = hover ? Tint(base, 0.95) : Tint(base, 0.6);
  // Rim: gold gradient.
  QLinearGradient rim(body.topLeft(), body.bottomLeft());
  rim.setColorAt(0, hover ? kGoldLight : kGold);
  rim.setColorAt(1, kGoldDark);
  p.setBrush(rim);
  p.drawRoundedRect(body, radius, radius);
  const QRectF inner = body.adjusted(1.4, 1.4, -1.4, -1.4);
  p.setBrush(Vertical(inner, top, bottom));
  p.drawRoundedRect(inner, radius - 1.2, radius - 1.2);
  // Gloss on the upper half.
  QRectF gloss = inner.adjusted(1.5, 0.8, -1.5, -inner.height() * 0.52);
  QLinearGradient g(gloss.topLeft(), gloss.bottomLeft());
  g.setColorAt(0, QColor(255, 255, 255, hover ? 120 : 85));
  g.setColorAt(1, QColor(255, 255, 255, 8));
  p.setBrush(g);
  p.drawRoundedRect(gloss, radius * 0.8, radius * 0.8);
  const QColor ink = hover ? QColor(0xFF, 0xFF, 0xF4) : kCream;
  CentredText(p, text, inner.translated(0, 0.3), textSize, ink, QColor(0x3A, 0x0A, 0x05, 220), 2.2,
              true, false);
}

const char* kMainWords[10] = {"发送", "聊天", "开始", "继续", "设置",
                              "隐藏", "战绩", "历史", "规则", "退出"};

}  // namespace

QImage DrawMainButton(int number) {
  QImage image = Canvas(number);
  QPainter p(&image);
  Smooth(p);
  const bool small = number >= 381;
  const int k = small ? number - 381 + 2 : number - 101;
  const bool hover = k % 2 == 1;
  const QString word = QString::fromUtf8(kMainWords[k / 2]);
  // Start and continue stand out in jade; exit in a deeper red.
  QColor base = kLacquer;
  if (k / 2 == 2 || k / 2 == 3) base = QColor(0x1C, 0x7A, 0x4E);
  if (k / 2 == 0) base = QColor(0xB0, 0x5A, 0x10);
  LacquerButton(p, Bounds(image), word, hover, base, small ? 12 : 14.5);
  return image;
}

QImage DrawDialogButton(int number) {
  QImage image = Canvas(number);
  QPainter p(&image);
  Smooth(p);
  const QRectF r = Bounds(image);
  switch (number) {
    case 130:
    case 131:
      LacquerButton(p, r, QString::fromUtf8("确定"), number == 131, QColor(0x1C, 0x7A, 0x4E), 15);
      break;
    case 132:
    case 133:
      LacquerButton(p, r, QString::fromUtf8("取消"), number == 133, kLacquer, 15);
      break;
    case 134:
    case 135: {
      // A switch: off is a grey slot, on is lit green with the knob to the right.
      const bool on = number == 135;
      const QRectF slot = r.adjusted(1.5, 2, -1.5, -2);
      Panel(p, slot, slot.height() / 2, on ? QColor(0x4C, 0xC0, 0x6A) : QColor(0x9A, 0x9A, 0x96),
            on ? QColor(0x1A, 0x7A, 0x38) : QColor(0x5E, 0x5E, 0x5A), kGoldDark, 1.2);
      const double d = slot.height() - 4;
      const QRectF knob(on ? slot.right() - d - 2 : slot.left() + 2, slot.top() + 2, d, d);
      p.setPen(QPen(QColor(0, 0, 0, 60), 0.8));
      QRadialGradient kg(knob.center() - QPointF(d * 0.2, d * 0.25), d);
      kg.setColorAt(0, Qt::white);
      kg.setColorAt(1, QColor(0xD8, 0xD4, 0xC8));
      p.setBrush(kg);
      p.drawEllipse(knob);
      const QRectF label =
          on ? QRectF(slot.left() + 4, slot.top(), slot.width() - d - 8, slot.height())
             : QRectF(knob.right() + 2, slot.top(), slot.right() - knob.right() - 4, slot.height());
      CentredText(p, QString::fromUtf8(on ? "开启" : "关闭"), label, 12, Qt::white,
                  QColor(0, 0, 0, 140), 1.6);
      break;
    }
    default:
      LacquerButton(p, r, QString::fromUtf8("普通话"), number == 137, kBlue, 13);
      break;
  }
  return image;
}

QImage DrawOperationButton(int number) {
  QImage image = Canvas(number);
  QPainter p(&image);
  Smooth(p);
  const int op = (number - 144) / 3;    // 0 peng, 1 gang, 2 ready, 3 win, 4 pass
  const int look = (number - 144) % 3;  // 0 inactive, 1 active, 2 highlighted
  static const char* kWords[5] = {"碰", "杠", "报叫", "胡", "过"};
  static const QColor kColours[5] = {QColor(0x23, 0x62, 0xC8), QColor(0x7A, 0x3C, 0xB8),
                                     QColor(0xE0, 0x78, 0x10), QColor(0xD0, 0x22, 0x22),
                                     QColor(0x2C, 0x96, 0x48)};
  QColor base = kColours[op];
  if (look == 0) base = QColor(0x8A, 0x88, 0x82);
  const QRectF r = Bounds(image);
  QRectF body = r.adjusted(3, 3, -3, -4);
  if (look == 2) {
    // A warm glow around the lit tablet.
    for (int i = 3; i >= 1; --i) {
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(0xFF, 0xD8, 0x60, 55 + 35 * (3 - i)));
      p.drawRoundedRect(body.adjusted(-i, -i, i, i), 9 + i, 9 + i);
    }
  } else {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 80));
    p.drawRoundedRect(body.translated(0, 1.5), 9, 9);
  }
  const QColor rim = look == 0 ? QColor(0x6A, 0x68, 0x62) : look == 2 ? kGoldLight : kGold;
  p.setPen(Qt::NoPen);
  p.setBrush(Vertical(body, rim, look == 0 ? QColor(0x4A, 0x48, 0x44) : kGoldDark));
  p.drawRoundedRect(body, 9, 9);
  const QRectF inner = body.adjusted(2, 2, -2, -2);
  QLinearGradient g(inner.topLeft(), inner.bottomLeft());
  g.setColorAt(0, Tint(base, look == 2 ? 1.5 : 1.25));
  g.setColorAt(0.55, Tint(base, look == 2 ? 1.05 : 0.9));
  g.setColorAt(1, Tint(base, 0.55));
  p.setBrush(g);
  p.drawRoundedRect(inner, 7.5, 7.5);
  // Gloss.
  QRectF gloss = inner.adjusted(2, 1.5, -2, -inner.height() * 0.55);
  QLinearGradient gl(gloss.topLeft(), gloss.bottomLeft());
  gl.setColorAt(0, QColor(255, 255, 255, look == 0 ? 60 : 120));
  gl.setColorAt(1, QColor(255, 255, 255, 0));
  p.setBrush(gl);
  p.drawRoundedRect(gloss, 6, 6);
  const QString word = QString::fromUtf8(kWords[op]);
  const QColor ink = look == 0 ? QColor(0xD8, 0xD6, 0xD0) : Qt::white;
  const QColor edge = look == 0 ? QColor(0x4A, 0x48, 0x44) : Tint(base, 0.4);
  if (word.size() == 2) {
    // Two characters stacked.
    FitText(p, word.left(1), QRectF(inner.left() + 7, inner.top() + 6, inner.width() - 14, 24), ink,
            edge, 3.0);
    FitText(p, word.mid(1), QRectF(inner.left() + 7, inner.top() + 32, inner.width() - 14, 24), ink,
            edge, 3.0);
  } else {
    FitText(p, word, inner.adjusted(6, 12, -6, -12), ink, edge, 3.4);
  }
  return image;
}

QImage DrawStoreButton(bool hover) {
  QImage image = Canvas(hover ? 451 : 450);
  QPainter p(&image);
  Smooth(p);
  const QRectF r = Bounds(image);
  LacquerButton(p, r, QString(), hover, QColor(0x8A, 0x55, 0x1E), 12);
  // A small chest on the left, the word on the right.
  const QRectF chest(6, 8, 15, 13);
  p.setPen(QPen(QColor(0x3A, 0x1A, 0x06), 0.9));
  p.setBrush(Vertical(chest, QColor(0xC8, 0x7A, 0x30), QColor(0x7A, 0x40, 0x10)));
  p.drawRoundedRect(chest, 2, 2);
  p.setBrush(kGold);
  p.drawRect(QRectF(chest.left(), chest.top() + 4.5, chest.width(), 2));
  p.drawRect(QRectF(chest.center().x() - 1.5, chest.top() + 3.5, 3, 4));
  CentredText(p, QString::fromUtf8("仓库"), QRectF(22, 0, r.width() - 24, r.height() - 1), 13,
              hover ? Qt::white : kCream, QColor(0x3A, 0x0A, 0x05, 220), 2.2);
  return image;
}

}  // namespace art
