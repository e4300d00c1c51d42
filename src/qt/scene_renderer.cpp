#include "scene_renderer.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>

namespace korvel {
namespace {

Qt::Alignment HorizontalOf(TextAlign align) {
  switch (align) {
    case TextAlign::Center:
      return Qt::AlignHCenter;
    case TextAlign::Right:
      return Qt::AlignRight;
    default:
      return Qt::AlignLeft;
  }
}

bool Light(uint32_t rgb) {
  const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return r * 299 + g * 587 + b * 114 > 128000;
}

}  // namespace

QRect SceneRenderer::PixelRect(const Element& el) {
  const Rect& g = el.geometry;
  const int left = static_cast<int>(std::lround(g.left));
  const int top = static_cast<int>(std::lround(g.top));
  return QRect(left, top, static_cast<int>(std::lround(g.width)),
               static_cast<int>(std::lround(g.height)));
}

const QFont& SceneRenderer::FontFor(const Element& el) {
  // Sizes are points on a 96 dpi screen, kept in quarter pixels.
  const int quarterPixels = static_cast<int>(std::lround(el.fontSize * 96.0 / 72.0 * 4));
  auto key = std::make_pair(quarterPixels, el.bold);
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second;
  QFont font("WenQuanYi Zen Hei");
  font.setPixelSize(std::max(1, quarterPixels / 4));
  font.setBold(el.bold);
  font.setStyleStrategy(QFont::PreferAntialias);
  return fonts_.emplace(key, font).first->second;
}

void SceneRenderer::Paint(QPainter& p, const Form& form, const QRect& area) {
  p.save();
  p.setClipRect(area);
  p.setRenderHint(QPainter::TextAntialiasing);
  for (ElementId id : form.PaintOrder()) {
    const Element& el = *form.Get(id);
    if (!el.visible) continue;
    const QRect r = PixelRect(el);
    if (r.isEmpty() || !r.intersects(area)) continue;
    const bool faded = el.opacity != 255;
    if (faded) p.setOpacity(el.opacity / 255.0);
    switch (el.kind) {
      case ElementKind::Picture:
      case ElementKind::Image:
        PaintImage(p, form, el, r);
        break;
      case ElementKind::Label:
        PaintLabel(p, el, r);
        break;
      case ElementKind::List:
        PaintList(p, form, id, r);
        break;
      case ElementKind::Text:
        PaintText(p, el, r);
        break;
    }
    if (faded) p.setOpacity(1.0);
  }
  p.restore();
}

QImage SceneRenderer::Render(const Form& form, double ratio) {
  const int w = static_cast<int>(std::lround(form.width()));
  const int h = static_cast<int>(std::lround(form.height()));
  QImage image(static_cast<int>(std::lround(w * ratio)), static_cast<int>(std::lround(h * ratio)),
               QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::black);
  QPainter p(&image);
  Paint(p, form, QRect(0, 0, w, h));
  return image;
}

void SceneRenderer::PaintImage(QPainter& p, const Form& form, const Element& el, const QRect& r) {
  if (el.picture == kNoPicture) return;
  if (IsRuntimePicture(el.picture)) {
    PaintRuntimePicture(p, form.scene(), el, r);
    return;
  }
  const QImage& image = pictures_.Scaled(el.picture, r.width(), r.height());
  if (!image.isNull()) p.drawImage(r.topLeft(), image);
}

void SceneRenderer::PaintRuntimePicture(QPainter& p, const Scene& scene, const Element& el,
                                        const QRect& r) {
  const RuntimePicture* picture = scene.FindRuntimePicture(el.picture);
  if (!picture) return;
  RuntimeImage& cached = runtime_[el.picture];
  if (cached.serial != picture->serial || cached.image.size() != r.size()) {
    const QImage original(reinterpret_cast<const uchar*>(picture->argb.data()), picture->width,
                          picture->height, picture->width * 4, QImage::Format_ARGB32);
    cached.image = original.scaled(r.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    cached.serial = picture->serial;
  }
  p.drawImage(r.topLeft(), cached.image);
}

void SceneRenderer::PaintLabel(QPainter& p, const Element& el, const QRect& r) {
  if (el.opaque) p.fillRect(r, ToColor(el.backColor));
  if (el.caption.empty()) return;
  p.setFont(FontFor(el));
  QString text = QString::fromStdString(el.caption);
  // A caption with line breaks (the prop captions) is drawn on several lines.
  const bool lines = text.contains(QLatin1Char('\n'));
  if (lines) text.remove(QLatin1Char('\r'));
  // A wrapping label (a balloon's phrase) breaks its text and sits in the middle of its box.
  const int flags = el.wrap
                        ? HorizontalOf(el.align) | Qt::AlignVCenter | Qt::TextWordWrap
                        : HorizontalOf(el.align) | Qt::AlignTop | (lines ? 0 : Qt::TextSingleLine);
  if (!el.opaque && Light(el.color)) {
    // A soft shadow keeps light text readable on wood and felt.
    p.setPen(QColor(0, 0, 0, 170));
    p.drawText(r.translated(1, 1), flags, text);
  }
  p.setPen(ToColor(el.color));
  p.drawText(r, flags, text);
}

void SceneRenderer::PaintList(QPainter& p, const Form& form, ElementId id, const QRect& r) {
  const Element& el = *form.Get(id);
  if (el.opaque) p.fillRect(r, ToColor(el.backColor));
  p.setPen(QColor(0, 0, 0, 90));
  p.drawRect(r.adjusted(0, 0, -1, -1));
  const bool overflows = form.ListOverflows(id);
  const int bar = overflows ? static_cast<int>(kScrollBarWidth) : 0;
  if (overflows) PaintScrollBar(p, form, id, r);
  if (el.lines.empty()) return;
  const QFont& font = FontFor(el);
  p.save();
  p.setClipRect(r.adjusted(1, 1, -1 - bar, -1), Qt::IntersectClip);
  p.setFont(font);
  // The Scene's line figures, so that the line a click lands on is the line drawn there.
  const double lineHeight = form.ListLineHeight(id);
  const int page = form.ListPage(id);
  const int count = static_cast<int>(el.lines.size());
  const int first = std::clamp(el.topLine, 0, form.ListLastTop(id));
  const double top = r.top() + form.ListTextTop(id);
  for (int i = first; i < count && i < first + page; ++i) {
    const QRect line(r.left() + 1, static_cast<int>(std::lround(top + (i - first) * lineHeight)),
                     r.width() - 2 - bar, static_cast<int>(std::lround(lineHeight)));
    const bool chosen = i == el.selectedLine;
    if (chosen) p.fillRect(line, QColor(0x31, 0x5E, 0xA8));
    p.setPen(chosen ? QColor(Qt::white) : ToColor(el.color));
    const QRect box = line.adjusted(2, 0, -2, 0);
    const QString text = QString::fromStdString(el.lines[i]);
    // A line wider than its list is drawn smaller rather than losing its last characters.
    const int wide = QFontMetrics(font).horizontalAdvance(text);
    if (wide > box.width() && box.width() > 0) {
      QFont fitted = font;
      int size = std::max(8, font.pixelSize() * box.width() / wide);
      fitted.setPixelSize(size);
      while (size > 8 && QFontMetrics(fitted).horizontalAdvance(text) > box.width()) {
        fitted.setPixelSize(--size);
      }
      p.setFont(fitted);
    }
    p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    p.setFont(font);
  }
  p.restore();
}

void SceneRenderer::PaintScrollBar(QPainter& p, const Form& form, ElementId id, const QRect& r) {
  const Rect thumb = form.ListThumb(id);
  const int width = static_cast<int>(kScrollBarWidth);
  const QRect track(r.right() - width, r.top() + 1, width, r.height() - 2);
  p.fillRect(track, QColor(0xE4, 0xDA, 0xC0));
  const QRect knob(track.left() + 2, r.top() + static_cast<int>(std::lround(thumb.top)), width - 4,
                   static_cast<int>(std::lround(thumb.height)));
  p.fillRect(knob, QColor(0x9C, 0x72, 0x26));
}

void SceneRenderer::PaintText(QPainter& p, const Element& el, const QRect& r) {
  p.fillRect(r, ToColor(el.backColor));
  p.setPen(QColor(0x9C, 0x72, 0x26));
  p.drawRect(r.adjusted(0, 0, -1, -1));
  if (el.caption.empty()) return;
  p.setFont(FontFor(el));
  p.setPen(ToColor(el.color));
  p.drawText(r.adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
             QString::fromStdString(el.caption));
}

}  // namespace korvel
