// Paints a form of the Scene: its elements back to front, only those that meet the area being
// repainted. The same painter serves the windows, the screenshots and the tests.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <map>

#include "picture_library.h"
#include "view/scene.h"

namespace korvel {

class SceneRenderer {
 public:
  explicit SceneRenderer(PictureLibrary& pictures) : pictures_(pictures) {}

  void Paint(QPainter& p, const Form& form, const QRect& area);
  // The whole form as a picture of its size, at `ratio` pixels per design pixel.
  QImage Render(const Form& form, double ratio = 1.0);

  // Window pixels of an element, whole pixels.
  static QRect PixelRect(const Element& el);
  // The font of a text element: WenQuanYi Zen Hei at the element's size in points.
  const QFont& FontFor(const Element& el);

 private:
  void PaintImage(QPainter& p, const Form& form, const Element& el, const QRect& r);
  // A picture the client made while running, drawn from the Scene's copy of its pixels.
  void PaintRuntimePicture(QPainter& p, const Scene& scene, const Element& el, const QRect& r);
  void PaintLabel(QPainter& p, const Element& el, const QRect& r);
  void PaintList(QPainter& p, const Form& form, ElementId id, const QRect& r);
  void PaintScrollBar(QPainter& p, const Form& form, ElementId id, const QRect& r);
  void PaintText(QPainter& p, const Element& el, const QRect& r);

  PictureLibrary& pictures_;
  std::map<std::pair<int, bool>, QFont> fonts_;
  struct RuntimeImage {
    uint64_t serial = 0;
    QImage image;  // at the size last drawn
  };
  std::map<PictureId, RuntimeImage> runtime_;
};

// Colours of the Scene (0xRRGGBB) as Qt colours.
inline QColor ToColor(uint32_t rgb) {
  return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

}  // namespace korvel
