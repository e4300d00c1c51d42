// A small painted chart of the player's coins at the end of each of the last games, in the
// table's colours, with the value of the point under the pointer.
#pragma once

#include <QWidget>
#include <vector>

#include "replay/session_coins.h"

namespace korvel::lobby {

class CoinChart : public QWidget {
  Q_OBJECT
 public:
  explicit CoinChart(QWidget* parent = nullptr);
  void SetGames(std::vector<GameCoins> games);
  const std::vector<GameCoins>& Games() const { return games_; }
  // The game drawn nearest to `x` (widget coordinates), or -1 without games.
  int GameAt(int x) const;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 Q_SIGNALS:
  // A click on a point: the index into Games().
  void gameClicked(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  QRectF PlotArea() const;
  QPointF PointOf(size_t index) const;

  std::vector<GameCoins> games_;
  int hovered_ = -1;
};

}  // namespace korvel::lobby
