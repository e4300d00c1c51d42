// The coin chart: the game under the pointer, clicks on a point and nowhere else, and drawing
// the awkward cases (no games, one game, all games equal, very large counts) without faults.
#include "coin_chart.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <numeric>

namespace korvel::lobby {
namespace {

void EnsureApp() {
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "test_lobby";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Never destroyed: Qt's own globals are gone by the time statics are torn down.
  new QApplication(argc, argv);
}

std::vector<GameCoins> Games(std::initializer_list<int64_t> ends) {
  std::vector<GameCoins> games;
  int64_t start = ends.size() ? *ends.begin() : 0;
  for (int64_t end : ends) {
    GameCoins g;
    g.fileName = "20240501-2015" + std::to_string(10 + games.size()) + "_game.kvsession";
    g.coinsKnown = true;
    g.coinsAtStart = start;
    g.coinsAtEnd = end;
    start = end;
    games.push_back(g);
  }
  return games;
}

class CoinChartTest : public ::testing::Test {
 protected:
  CoinChartTest() {
    EnsureApp();
    chart = std::make_unique<CoinChart>();
    chart->resize(520, 240);
  }
  QImage Render() {
    QImage image(chart->size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    chart->render(&image);
    return image;
  }
  void Send(QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton) {
    QMouseEvent event(type, at, chart->mapToGlobal(at), button,
                      type == QEvent::MouseMove ? Qt::NoButton : button, Qt::NoModifier);
    QCoreApplication::sendEvent(chart.get(), &event);
  }
  // Where the pointer starts to mean each game, from the left edge.
  std::vector<int> Columns() {
    std::vector<int> starts;
    for (int x = 0; x < chart->width(); ++x)
      if (chart->GameAt(x) != (x == 0 ? -2 : chart->GameAt(x - 1))) starts.push_back(x);
    return starts;
  }
  // Pixels of the chart's gold (the line and its dots), row by row.
  static std::vector<int> GoldByRow(const QImage& image) {
    std::vector<int> rows(image.height());
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        if (std::abs(c.red() - 0xe8) < 24 && std::abs(c.green() - 0xc9) < 24 &&
            std::abs(c.blue() - 0x6a) < 24)
          ++rows[y];
      }
    return rows;
  }
  static int Sum(const std::vector<int>& rows) {
    return std::accumulate(rows.begin(), rows.end(), 0);
  }

  std::unique_ptr<CoinChart> chart;
};

TEST_F(CoinChartTest, EachGameOwnsAnEvenShareOfTheWidth) {
  EXPECT_EQ(chart->GameAt(100), -1);
  chart->SetGames(Games({1000, 1200, 900, 900, 1500}));
  EXPECT_EQ(chart->GameAt(-500), 0);
  EXPECT_EQ(chart->GameAt(5000), 4);
  const std::vector<int> starts = Columns();
  ASSERT_EQ(starts.size(), 5u);
  for (size_t i = 0; i < starts.size(); ++i) EXPECT_EQ(chart->GameAt(starts[i]), int(i));
  // The inner columns are centred on evenly spaced points, so they are equally wide.
  const int width = starts[2] - starts[1];
  EXPECT_GT(width, 60);
  EXPECT_NEAR(starts[3] - starts[2], width, 1);
  EXPECT_NEAR(starts[4] - starts[3], width, 1);

  chart->SetGames(Games({42}));
  EXPECT_EQ(chart->GameAt(0), 0);
  EXPECT_EQ(chart->GameAt(519), 0);
}

TEST_F(CoinChartTest, AClickOnAPointNamesItsGame) {
  chart->SetGames(Games({1000, 1200, 900, 900, 1500}));
  std::vector<int> clicked;
  QObject::connect(chart.get(), &CoinChart::gameClicked, [&](int i) { clicked.push_back(i); });
  const std::vector<int> starts = Columns();
  ASSERT_EQ(starts.size(), 5u);
  const double middle = chart->height() / 2.0;
  Send(QEvent::MouseButtonPress, {(starts[2] + starts[3]) / 2.0, middle});
  Send(QEvent::MouseButtonPress, {starts[4] + (starts[4] - starts[3]) / 2.0, middle});
  Send(QEvent::MouseButtonPress, {(starts[2] + starts[3]) / 2.0, middle}, Qt::RightButton);
  // Between two points, and below the axis: nothing was meant.
  Send(QEvent::MouseButtonPress, {starts[2] + 1.0, middle});
  Send(QEvent::MouseButtonPress, {(starts[2] + starts[3]) / 2.0, chart->height() - 1.0});
  EXPECT_EQ(clicked, (std::vector<int>{2, 4}));
}

TEST_F(CoinChartTest, AwkwardValuesStillDrawALine) {
  const QImage empty = Render();
  EXPECT_EQ(empty.pixelColor(2, 2), QColor(0x0b, 0x5d, 0x33));
  EXPECT_EQ(Sum(GoldByRow(empty)), 0);

  chart->SetGames(Games({5000}));
  EXPECT_GT(Sum(GoldByRow(Render())), 12);  // the one dot

  // Equal values: one flat line across the plot.
  chart->SetGames(Games({5000, 5000, 5000, 5000}));
  const std::vector<int> flat = GoldByRow(Render());
  EXPECT_GT(*std::max_element(flat.begin(), flat.end()), 300);

  chart->SetGames(Games({1'000'000'000'000, 1'000'000'000'120, 999'999'999'000}));
  EXPECT_GT(Sum(GoldByRow(Render())), 100);
  chart->SetGames(Games({INT64_MIN, INT64_MAX, 0}));
  EXPECT_GT(Sum(GoldByRow(Render())), 100);
}

TEST_F(CoinChartTest, ThePointUnderThePointerIsLabelledUntilItLeaves) {
  chart->SetGames(Games({1000, 1200, 900}));
  const QImage plain = Render();
  const std::vector<int> starts = Columns();
  ASSERT_EQ(starts.size(), 3u);
  Send(QEvent::MouseMove, {(starts[1] + starts[2]) / 2.0, chart->height() / 2.0});
  EXPECT_NE(Render(), plain);
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(chart.get(), &leave);
  EXPECT_EQ(Render(), plain);
}

}  // namespace
}  // namespace korvel::lobby
