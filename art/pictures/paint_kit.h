// Small painting helpers shared by every drawing of the picture set: the font, fitted and
// outlined text, gradients, bevelled panels and a fine grain for surfaces.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>

namespace art {

// The palette every picture draws from.
namespace colour {
inline const QColor kIvory{0xFB, 0xF7, 0xEA};
inline const QColor kIvoryShade{0xE6, 0xDA, 0xBD};
inline const QColor kBackLight{0x3A, 0x7C, 0xC8};
inline const QColor kBack{0x22, 0x58, 0x9E};
inline const QColor kBackDark{0x15, 0x3B, 0x70};
inline const QColor kFeltLight{0x2E, 0x8E, 0x57};
inline const QColor kFelt{0x1F, 0x6E, 0x43};
inline const QColor kFeltDark{0x0F, 0x42, 0x27};
inline const QColor kLacquer{0x8E, 0x1B, 0x16};
inline const QColor kLacquerDark{0x4E, 0x0D, 0x0A};
inline const QColor kWood{0x6B, 0x3A, 0x1E};
inline const QColor kWoodDark{0x3A, 0x1D, 0x0E};
inline const QColor kNight{0x1C, 0x12, 0x10};
inline const QColor kGold{0xE9, 0xC4, 0x6A};
inline const QColor kGoldLight{0xFF, 0xE9, 0xA8};
inline const QColor kGoldDark{0x9C, 0x72, 0x26};
inline const QColor kInk{0x1B, 0x24, 0x47};
inline const QColor kRed{0xC8, 0x21, 0x2B};
inline const QColor kGreen{0x17, 0x7A, 0x3C};
inline const QColor kBlue{0x1F, 0x4F, 0xA0};
inline const QColor kCream{0xFF, 0xF6, 0xDC};
}  // namespace colour

// Every drawing works in design pixels. At scale 2 a picture of w x h design pixels has 2w x 2h
// pixels (its device pixel ratio is 2), so HiDPI screens show it as sharp as the text.
void SetPictureScale(int scale);
int PictureScale();
// A transparent picture of `width` x `height` design pixels ready to paint on.
QImage NewPicture(int width, int height);
// The rectangle of a picture in design pixels.
QRectF Bounds(const QImage& image);
// A painter with anti-aliasing for shapes, text and scaled pictures.
void Smooth(QPainter& p);

// WenQuanYi Zen Hei at a pixel size.
QFont ZenHei(double pixelSize, bool bold = false);

// The outline of `text` with its top-left glyph corner at the origin.
QPainterPath TextOutline(const QString& text, const QFont& font);
// `path` scaled and centred into `box`: uniformly, or squeezed to fill it.
QPainterPath FitPath(const QPainterPath& path, const QRectF& box, bool keepAspect = true);
// Text fitted into `box`, filled, with an optional outline drawn under the fill.
void FitText(QPainter& p, const QString& text, const QRectF& box, const QBrush& fill,
             const QColor& outline = Qt::transparent, double outlineWidth = 0,
             bool keepAspect = true, bool bold = true);
// Text at a pixel size centred in `box`, with an optional outline and a soft drop shadow.
void CentredText(QPainter& p, const QString& text, const QRectF& box, double pixelSize,
                 const QBrush& fill, const QColor& outline = Qt::transparent,
                 double outlineWidth = 0, bool bold = true, bool shadow = false);

QLinearGradient Vertical(const QRectF& r, const QColor& top, const QColor& bottom);
// A rounded panel with a vertical gradient, a border and a thin highlight along its top.
void Panel(QPainter& p, const QRectF& r, double radius, const QColor& top, const QColor& bottom,
           const QColor& border, double borderWidth = 1.0, bool highlight = true);
// A soft shadow under a rounded rectangle.
void SoftShadow(QPainter& p, const QRectF& r, double radius, int spread, int alpha);

// Adds a fine, even grain to the pixels of `area` (deterministic for a seed).
void Grain(QImage& image, const QRect& area, int amplitude, uint32_t seed);

// A lighter or darker version of a colour.
QColor Tint(const QColor& c, double factor);

}  // namespace art
