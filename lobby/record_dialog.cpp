#include "record_dialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QVBoxLayout>

#include "coin_chart.h"
#include "replay/session_coins.h"
#include "replay/session_store.h"

namespace korvel::lobby {
namespace {
constexpr size_t kGamesShown = 20;

QString When(qint64 seconds) {
  return seconds > 0 ? QDateTime::fromSecsSinceEpoch(seconds).toString("yyyy-MM-dd hh:mm")
                     : QString("—");
}
}  // namespace

RecordDialog::RecordDialog(QString replayProgram, QWidget* parent)
    : QDialog(parent), replayProgram_(std::move(replayProgram)) {
  setWindowTitle("我的战绩");
  figures_ = new QLabel;
  figures_->setWordWrap(true);
  figures_->setTextFormat(Qt::PlainText);
  chart_ = new CoinChart;
  games_ = new QListWidget;
  games_->setMinimumHeight(120);
  replay_ = new QPushButton("回放(&P)");
  replay_->setEnabled(false);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  buttons->button(QDialogButtonBox::Close)->setText("关闭(&C)");
  buttons->addButton(replay_, QDialogButtonBox::ActionRole);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(replay_, &QPushButton::clicked, this, &RecordDialog::Replay);
  connect(games_, &QListWidget::itemActivated, this, &RecordDialog::Replay);
  connect(games_, &QListWidget::currentRowChanged, this,
          [this](int row) { replay_->setEnabled(row >= 0); });
  connect(chart_, &CoinChart::gameClicked, this, [this](int index) {
    // The list shows the newest game first.
    games_->setCurrentRow(games_->count() - 1 - index);
    games_->setFocus();
  });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(figures_);
  auto* chartTitle = new QLabel(QString("最近 %1 局的金币").arg(kGamesShown));
  layout->addWidget(chartTitle);
  layout->addWidget(chart_, 1);
  layout->addWidget(games_);
  layout->addWidget(buttons);

  std::vector<GameCoins> games = RecentGames(DefaultSessionFolder(), kGamesShown);
  for (auto it = games.rbegin(); it != games.rend(); ++it) {
    // A damaged file may hold any figures: a change that does not fit is not shown.
    qint64 change = 0;
    const bool fits = !__builtin_sub_overflow(it->coinsAtEnd, it->coinsAtStart, &change);
    const QString changeText =
        !fits ? QString() : QString("（%1%2）").arg(change >= 0 ? "+" : "").arg(change);
    auto* item = new QListWidgetItem(QString("%1   %2   %3局   金币 %4%5")
                                         .arg(QString::fromStdString(it->fileName.substr(0, 15)),
                                              QString::fromStdString(it->location))
                                         .arg(it->deals)
                                         .arg(it->coinsAtEnd)
                                         .arg(changeText));
    item->setData(Qt::UserRole, QString::fromStdString(it->path));
    games_->addItem(item);
  }
  if (games_->count() == 0) games_->addItem("还没有记录的牌局。");
  if (games.empty()) games_->item(0)->setFlags(Qt::NoItemFlags);
  chart_->SetGames(std::move(games));
  figures_->setText("正在读取战绩…");
  resize(600, 520);
}

void RecordDialog::ShowFigures(const PlayerFigures& me) {
  figures_->setText(QString("%1（%2）  称号：%3\n"
                            "金币 %4    积分 %5    信用 %6\n"
                            "胜 %7    负 %8    登录 %9 次    掉线 %10 次\n"
                            "注册于 %11    最近 %12")
                        .arg(me.nickname, me.name, me.title)
                        .arg(me.coins)
                        .arg(me.points)
                        .arg(me.credit)
                        .arg(me.wins)
                        .arg(me.losses)
                        .arg(me.logins)
                        .arg(me.disconnects)
                        .arg(When(me.created), When(me.lastSeen)));
}

void RecordDialog::ShowProblem(const QString& text) { figures_->setText(text); }

void RecordDialog::Replay() {
  const QListWidgetItem* item = games_->currentItem();
  const QString path = item ? item->data(Qt::UserRole).toString() : QString();
  if (path.isEmpty()) return;
  if (!QProcess::startDetached(replayProgram_, {path})) {
    QMessageBox::warning(this, windowTitle(), "无法启动回放程序：" + replayProgram_);
  }
}

}  // namespace korvel::lobby
