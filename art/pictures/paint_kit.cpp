#include "paint_kit.h"

#include <QFontDatabase>
#include <algorithm>
#include <cmath>

namespace art {

namespace {
int pictureScale = 1;  // the generator draws the whole set at one scale, then the next
}  // namespace

void SetPictureScale(int scale) { pictureScale = std::max(1, scale); }

int PictureScale() { return pictureScale; }

QImage NewPicture(int width, int height) {
  QImage image(width * pictureScale, height * pictureScale, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(pictureScale);
  image.fill(Qt::transparent);
  return image;
}

QRectF Bounds(const QImage& image) { return QRectF(QPointF(0, 0), image.deviceIndependentSize()); }

void Smooth(QPainter& p) {
  p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                   QPainter::SmoothPixmapTransform);
}

QFont ZenHei(double pixelSize, bool bold) {
  QFont font("WenQuanYi Zen Hei");
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

QPainterPath TextOutline(const QString& text, const QFont& font) {
  QPainterPath path;
  // Render at a generous size so the outline keeps its detail when scaled down.
  QFont big = font;
  big.setPixelSize(200);
  path.addText(0, 0, big, text);
  const QRectF b = path.boundingRect();
  return path.translated(-b.topLeft());
}

QPainterPath FitPath(const QPainterPath& path, const QRectF& box, bool keepAspect) {
  const QRectF b = path.boundingRect();
  if (b.width() <= 0 || b.height() <= 0) return path;
  double sx = box.width() / b.width();
  double sy = box.height() / b.height();
  if (keepAspect) sx = sy = std::min(sx, sy);
  QTransform t;
  t.translate(box.center().x() - b.width() * sx / 2, box.center().y() - b.height() * sy / 2);
  t.scale(sx, sy);
  t.translate(-b.left(), -b.top());
  return t.map(path);
}

void FitText(QPainter& p, const QString& text, const QRectF& box, const QBrush& fill,
             const QColor& outline, double outlineWidth, bool keepAspect, bool bold) {
  const QPainterPath path = FitPath(TextOutline(text, ZenHei(100, bold)), box, keepAspect);
  p.save();
  if (outlineWidth > 0 && outline.alpha() > 0) {
    p.setPen(QPen(outline, outlineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
  }
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawPath(path);
  p.restore();
}

void CentredText(QPainter& p, const QString& text, const QRectF& box, double pixelSize,
                 const QBrush& fill, const QColor& outline, double outlineWidth, bool bold,
                 bool shadow) {
  const QFont font = ZenHei(pixelSize, bold);
  QPainterPath path;
  path.addText(0, 0, font, text);
  // Centre on the advance box so lines of different glyphs share a baseline.
  const QFontMetricsF fm(font);
  const double w = fm.horizontalAdvance(text);
  const double x = box.center().x() - w / 2;
  const double y = box.center().y() + (fm.ascent() - fm.descent()) / 2;
  path.translate(x, y);
  p.save();
  if (shadow) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 110));
    p.drawPath(path.translated(1.2, 1.6));
  }
  if (outlineWidth > 0 && outline.alpha() > 0) {
    p.setPen(QPen(outline, outlineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
  }
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawPath(path);
  p.restore();
}

QLinearGradient Vertical(const QRectF& r, const QColor& top, const QColor& bottom) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  return g;
}

void Panel(QPainter& p, const QRectF& r, double radius, const QColor& top, const QColor& bottom,
           const QColor& border, double borderWidth, bool highlight) {
  p.save();
  const double half = borderWidth / 2;
  const QRectF body = r.adjusted(half, half, -half, -half);
  p.setPen(borderWidth > 0 ? QPen(border, borderWidth) : QPen(Qt::NoPen));
  p.setBrush(Vertical(body, top, bottom));
  p.drawRoundedRect(body, radius, radius);
  if (highlight) {
    const QRectF shine = body.adjusted(borderWidth + 0.5, borderWidth + 0.5, -borderWidth - 0.5,
                                       -body.height() * 0.5);
    QLinearGradient g(shine.topLeft(), shine.bottomLeft());
    g.setColorAt(0, QColor(255, 255, 255, 90));
    g.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(shine, std::max(0.0, radius - borderWidth),
                      std::max(0.0, radius - borderWidth));
  }
  p.restore();
}

void SoftShadow(QPainter& p, const QRectF& r, double radius, int spread, int alpha) {
  p.save();
  p.setPen(Qt::NoPen);
  for (int i = spread; i >= 1; --i) {
    const double a = alpha * (1.0 - static_cast<double>(i) / (spread + 1)) / spread * 2.2;
    p.setBrush(QColor(0, 0, 0, std::clamp(static_cast<int>(a), 0, 255)));
    p.drawRoundedRect(r.adjusted(-i, -i, i, i), radius + i, radius + i);
  }
  p.restore();
}

void Grain(QImage& image, const QRect& area, int amplitude, uint32_t seed) {
  const QRect a = area.intersected(image.rect());
  uint32_t state = seed * 2654435761u + 12345u;
  for (int y = a.top(); y <= a.bottom(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = a.left(); x <= a.right(); ++x) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      const QRgb px = line[x];
      const int alpha = qAlpha(px);
      if (alpha == 0) continue;
      const int d = static_cast<int>(state % (2 * amplitude + 1)) - amplitude;
      auto adj = [&](int c) { return std::clamp(c + d * alpha / 255, 0, alpha); };
      line[x] = qRgba(adj(qRed(px)), adj(qGreen(px)), adj(qBlue(px)), alpha);
    }
  }
}

QColor Tint(const QColor& c, double factor) {
  if (factor >= 1) {
    const double t = std::min(1.0, factor - 1);
    return QColor::fromRgbF(c.redF() + (1 - c.redF()) * t, c.greenF() + (1 - c.greenF()) * t,
                            c.blueF() + (1 - c.blueF()) * t, c.alphaF());
  }
  return QColor::fromRgbF(c.redF() * factor, c.greenF() * factor, c.blueF() * factor, c.alphaF());
}

}  // namespace art
