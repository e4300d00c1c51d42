#include "coin_chart.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

namespace korvel::lobby {
namespace {

// The table's felt and its gold.
const QColor kFelt(0x0b, 0x5d, 0x33);
const QColor kFeltDark(0x06, 0x3a, 0x20);
const QColor kGold(0xe8, 0xc9, 0x6a);
const QColor kCream(0xf4, 0xeb, 0xcf);
const QColor kGrid(0xe8, 0xc9, 0x6a, 50);

constexpr double kTop = 14, kRight = 16, kBottom = 26;
constexpr double kInset = 10;     // keeps the first and last dots off the axes
constexpr double kHitReach = 12;  // how far from a point's column a pointer still means it
constexpr double kDot = 3, kHoveredDot = 6;
constexpr int kMostTicks = 12;

// The y axis: from `low` to `high` in steps of `step`, all whole coin values.
struct Scale {
  double low = 0, high = 1, step = 1;
};

// 1, 2 or 5 times a power of ten, at least `x`; coins come whole, so never below 1.
double RoundStep(double x) {
  if (!(x > 1)) return 1;
  const double power = std::pow(10.0, std::floor(std::log10(x)));
  const double f = x / power;
  return (f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10) * power;
}

Scale ScaleOf(const std::vector<GameCoins>& games) {
  if (games.empty()) return {};
  // Doubles hold any 64-bit count closely enough to draw, and their differences never overflow.
  double least = static_cast<double>(games.front().coinsAtStart), most = least;
  for (const GameCoins& g : games) {
    least = std::min(least, static_cast<double>(g.coinsAtEnd));
    most = std::max(most, static_cast<double>(g.coinsAtEnd));
  }
  if (most - least < 1) {
    // All equal: a band around the value, so the line sits in the middle.
    const double pad = std::max(1.0, std::abs(most) * 0.05);
    least -= pad;
    most += pad;
  }
  Scale s;
  s.step = RoundStep((most - least) / 4);
  s.low = std::floor(least / s.step) * s.step;
  s.high = std::ceil(most / s.step) * s.step;
  if (!(s.high > s.low)) s.high = s.low + s.step;
  return s;
}

int TickCount(const Scale& s) {
  return std::clamp(static_cast<int>(std::lround((s.high - s.low) / s.step)), 1, kMostTicks);
}

// A rounded axis value: plain below 100 000, then in 万, 亿 and 万亿 with the decimals the step
// needs.
QString AxisText(double value, double step) {
  const double size = std::abs(value);
  const double unit = size >= 1e12 ? 1e12 : size >= 1e8 ? 1e8 : size >= 1e5 ? 1e4 : 1;
  const QString suffix = unit == 1e12 ? "万亿" : unit == 1e8 ? "亿" : unit == 1e4 ? "万" : "";
  int decimals = 0;
  while (decimals < 4 && step / unit * std::pow(10.0, decimals) < 1 - 1e-9) ++decimals;
  QString text = QString::number(value / unit, 'f', decimals);
  if (decimals > 0) {
    while (text.endsWith('0')) text.chop(1);
    if (text.endsWith('.')) text.chop(1);
  }
  return text + suffix;
}

// "2024-05-01 20:15" from a name that starts YYYYMMDD-HHMMSS; empty for any other name.
QString DateOf(const std::string& fileName) {
  const QString name = QString::fromStdString(fileName);
  if (name.size() < 15 || name[8] != '-') return {};
  for (int i = 0; i < 15; ++i)
    if (i != 8 && !name[i].isDigit()) return {};
  return name.mid(0, 4) + "-" + name.mid(4, 2) + "-" + name.mid(6, 2) + " " + name.mid(9, 2) + ":" +
         name.mid(11, 2);
}

QString ChangeText(const GameCoins& g) {
  int64_t change = 0;
  if (__builtin_sub_overflow(g.coinsAtEnd, g.coinsAtStart, &change))
    change = g.coinsAtEnd > g.coinsAtStart ? std::numeric_limits<int64_t>::max()
                                           : std::numeric_limits<int64_t>::min();
  return (change > 0 ? "+" : "") + QString::number(change);
}

QFont ChartFont() { return QFont("WenQuanYi Zen Hei", 9); }

double YOf(const Scale& s, const QRectF& plot, double value) {
  return plot.bottom() - (value - s.low) / (s.high - s.low) * plot.height();
}

QPointF Place(const Scale& s, const QRectF& plot, size_t index, size_t count, int64_t value) {
  const double left = plot.left() + kInset, width = std::max(0.0, plot.width() - 2 * kInset);
  const double x = count < 2
                       ? plot.center().x()
                       : left + width * static_cast<double>(index) / static_cast<double>(count - 1);
  return {x, YOf(s, plot, static_cast<double>(value))};
}

// Whether the pointer at `pos` is on or just beside `point`'s column inside the plot.
bool Beside(QPointF pos, const QRectF& plot, QPointF point) {
  return std::abs(pos.x() - point.x()) <= kHitReach &&
         plot.adjusted(-kHitReach, -kHitReach, kHitReach, kHitReach).contains(pos);
}

}  // namespace

CoinChart::CoinChart(QWidget* parent) : QWidget(parent) {
  setFont(ChartFont());
  setMouseTracking(true);
}

void CoinChart::SetGames(std::vector<GameCoins> games) {
  games_ = std::move(games);
  hovered_ = -1;
  update();
}

QSize CoinChart::sizeHint() const { return {520, 240}; }
QSize CoinChart::minimumSizeHint() const { return {240, 120}; }

QRectF CoinChart::PlotArea() const {
  // Room on the left for the widest value on the axis.
  const Scale s = ScaleOf(games_);
  const QFontMetrics metrics(font());
  int widest = 0;
  for (int k = 0; k <= TickCount(s); ++k)
    widest = std::max(widest, metrics.horizontalAdvance(AxisText(s.low + k * s.step, s.step)));
  const double left = widest + 12;
  return {left, kTop, std::max(1.0, width() - left - kRight),
          std::max(1.0, height() - kTop - kBottom)};
}

QPointF CoinChart::PointOf(size_t index) const {
  return Place(ScaleOf(games_), PlotArea(), index, games_.size(), games_[index].coinsAtEnd);
}

int CoinChart::GameAt(int x) const {
  if (games_.empty()) return -1;
  if (games_.size() == 1) return 0;
  const QRectF plot = PlotArea();
  const double width = std::max(1.0, plot.width() - 2 * kInset);
  const double at = (x - plot.left() - kInset) / width * static_cast<double>(games_.size() - 1);
  return static_cast<int>(std::clamp<double>(std::round(at), 0, games_.size() - 1));
}

void CoinChart::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(rect(), kFelt);
  p.setFont(font());
  const QFontMetrics metrics(font());
  if (games_.empty()) {
    p.setPen(kCream);
    p.drawText(rect(), Qt::AlignCenter, "还没有记录的牌局");
    return;
  }

  const Scale s = ScaleOf(games_);
  const QRectF plot = PlotArea();
  const size_t count = games_.size();
  auto y = [&](double value) { return YOf(s, plot, value); };

  // The y axis: grid lines at round values, labelled on the left.
  const int ticks = TickCount(s);
  for (int k = 0; k <= ticks; ++k) {
    const double value = s.low + k * s.step;
    const double at = y(value);
    p.setPen(kGrid);
    p.drawLine(QPointF(plot.left(), at), QPointF(plot.right(), at));
    p.setPen(kCream);
    p.drawText(QRectF(0, at - 10, plot.left() - 6, 20), Qt::AlignRight | Qt::AlignVCenter,
               AxisText(value, s.step));
  }
  p.setPen(QPen(kGold, 1));
  p.drawLine(plot.bottomLeft(), plot.topLeft());
  p.drawLine(plot.bottomLeft(), plot.bottomRight());

  // The x axis: game numbers, thinned out so that they never run into each other.
  const double spacing =
      count < 2 ? plot.width() : (plot.width() - 2 * kInset) / static_cast<double>(count - 1);
  const double label = metrics.horizontalAdvance(QString::number(count)) + 8;
  const size_t every = std::max<size_t>(1, static_cast<size_t>(std::ceil(label / spacing)));
  p.setPen(kCream);
  for (size_t i = 0; i < count; i += every) {
    const double x = Place(s, plot, i, count, 0).x();
    p.drawText(QRectF(x - 30, plot.bottom() + 4, 60, kBottom - 6), Qt::AlignHCenter | Qt::AlignTop,
               QString::number(i + 1));
  }

  // Where the first game began, for comparison.
  p.setPen(QPen(kCream, 1, Qt::DashLine));
  const double start = y(static_cast<double>(games_.front().coinsAtStart));
  p.drawLine(QPointF(plot.left(), start), QPointF(plot.right(), start));

  QPolygonF line;
  for (size_t i = 0; i < count; ++i) line << Place(s, plot, i, count, games_[i].coinsAtEnd);
  p.setPen(QPen(kGold, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(line);
  p.setPen(Qt::NoPen);
  p.setBrush(kGold);
  for (const QPointF& point : line) p.drawEllipse(point, kDot, kDot);

  if (hovered_ < 0 || static_cast<size_t>(hovered_) >= count) return;
  const GameCoins& game = games_[hovered_];
  const QPointF point = line[hovered_];
  p.setBrush(kCream);
  p.setPen(QPen(kGold, 2));
  p.drawEllipse(point, kHoveredDot, kHoveredDot);

  QString text = QString("第%1局  金币 %2（%3）")
                     .arg(hovered_ + 1)
                     .arg(QString::number(game.coinsAtEnd), ChangeText(game));
  const QString date = DateOf(game.fileName);
  if (!date.isEmpty()) text += "  " + date;
  const QSizeF box(metrics.horizontalAdvance(text) + 16, metrics.height() + 8);
  // Above the point when there is room, else below it; never past the widget's edges.
  double top = point.y() - kHoveredDot - 6 - box.height();
  if (top < 0) top = point.y() + kHoveredDot + 6;
  const double left =
      std::clamp(point.x() - box.width() / 2, 0.0, std::max(0.0, width() - box.width()));
  const QRectF labelBox(QPointF(left, top), box);
  p.setBrush(kFeltDark);
  p.setPen(QPen(kGold, 1));
  p.drawRoundedRect(labelBox, 4, 4);
  p.setPen(kCream);
  p.drawText(labelBox, Qt::AlignCenter, text);
}

void CoinChart::mouseMoveEvent(QMouseEvent* event) {
  const int game = GameAt(static_cast<int>(event->position().x()));
  const int hovered = game >= 0 && Beside(event->position(), PlotArea(), PointOf(game)) ? game : -1;
  if (hovered == hovered_) return;
  hovered_ = hovered;
  update();
}

void CoinChart::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int game = GameAt(static_cast<int>(event->position().x()));
  if (game >= 0 && Beside(event->position(), PlotArea(), PointOf(game))) Q_EMIT gameClicked(game);
}

void CoinChart::leaveEvent(QEvent*) {
  if (hovered_ < 0) return;
  hovered_ = -1;
  update();
}

}  // namespace korvel::lobby
