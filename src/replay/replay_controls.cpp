#include "replay_controls.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <algorithm>

namespace korvel {
namespace {

constexpr int kTimerMs = 20;
// A stall of the desktop must not make the replay leap ahead.
constexpr qint64 kLongestStepMs = 200;
// The table keeps moving a little after the last record (the deal end's countdown, say).
constexpr int64_t kAfterLastMs = 2000;

}  // namespace

ReplayControls::ReplayControls(SessionReplay& replay, PictureLibrary& pictures, QString title)
    : replay_(replay), pictures_(pictures), title_(std::move(title)) {
  setWindowTitle(title_);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(6, 4, 6, 4);
  // The bar says what this is even where the desktop shows no window titles.
  auto* mark = new QLabel("<b>回放</b>", this);
  mark->setToolTip(title_);
  row->addWidget(mark);
  play_ = new QPushButton(this);
  speedBox_ = new QComboBox(this);
  for (int s : kReplaySpeeds) speedBox_->addItem(QString("%1x").arg(s), s);
  previous_ = new QPushButton("|< 上一局", this);
  next_ = new QPushButton("下一局 >|", this);
  dealBox_ = new QSpinBox(this);
  dealBox_->setPrefix("第 ");
  dealBox_->setSuffix(" 局");
  jump_ = new QPushButton("跳到", this);
  step_ = new QPushButton("单步", this);
  where_ = new QLabel(this);
  where_->setMinimumWidth(300);
  for (QWidget* w : std::initializer_list<QWidget*>{play_, speedBox_, previous_, next_, dealBox_,
                                                    jump_, step_, where_}) {
    row->addWidget(w);
  }
  play_->setToolTip("Play or pause");
  play_->setShortcut(Qt::Key_Space);
  step_->setToolTip("Play until the client has taken one more record");
  dealBox_->setRange(1, std::max<int>(1, static_cast<int>(replay_.deals().size())));

  connect(play_, &QPushButton::clicked, this, [this] { playing_ ? Pause() : Play(); });
  connect(speedBox_, &QComboBox::currentIndexChanged, this,
          [this](int i) { SetSpeed(speedBox_->itemData(i).toInt()); });
  connect(previous_, &QPushButton::clicked, this, [this] { PreviousDeal(); });
  connect(next_, &QPushButton::clicked, this, [this] { NextDeal(); });
  connect(jump_, &QPushButton::clicked, this, [this] { JumpToDeal(dealBox_->value() - 1); });
  connect(step_, &QPushButton::clicked, this, [this] { StepRecord(); });
  connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });

  replay_.beforeStart = [this](Client& c) { c.view().scene().SetPictureStore(&pictures_); };
  replay_.afterStart = [this](Client& c) { Attach(c); };
  replay_.clientGone = [this] { Detach(); };
  replay_.Restart();
  timer_.start(kTimerMs);
  Refresh();
}

ReplayControls::~ReplayControls() {
  replay_.beforeStart = nullptr;
  replay_.afterStart = nullptr;
  replay_.clientGone = nullptr;
  frontEnd_.reset();
}

void ReplayControls::Attach(Client& client) {
  client.view().main().SetTitle(title_.toStdString());
  frontEnd_ = std::make_unique<SceneFrontEnd>(client.view().scene(), pictures_);
  // No input reaches the table: nothing in a replay may act, and nothing is sent anywhere.
  frontEnd_->SetEvents(nullptr);
  if (SceneWindow* table = frontEnd_->Window(client.view().mainForm())) {
    table->installEventFilter(this);
  }
  FollowTable();
}

bool ReplayControls::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (frontEnd_ && (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show) &&
      watched == frontEnd_->Window(replay_.client().view().mainForm())) {
    FollowTable();
  }
  return QWidget::eventFilter(watched, event);
}

void ReplayControls::Detach() { frontEnd_.reset(); }

void ReplayControls::FollowTable() {
  if (!frontEnd_) return;
  SceneWindow* table = frontEnd_->Window(replay_.client().view().mainForm());
  if (!table) return;
  const QRect frame = table->frameGeometry();
  move(frame.left(), frame.bottom() + 1);
  resize(std::max(frame.width(), sizeHint().width()), sizeHint().height());
}

void ReplayControls::Play() {
  playing_ = true;
  clock_.start();
  Refresh();
}

void ReplayControls::Pause() {
  playing_ = false;
  Refresh();
}

void ReplayControls::SetSpeed(int speed) {
  speed_ = speed;
  const int index = speedBox_->findData(speed);
  if (index >= 0 && index != speedBox_->currentIndex()) speedBox_->setCurrentIndex(index);
  Refresh();
}

void ReplayControls::NextDeal() { JumpToDeal(replay_.CurrentDeal() + 1); }

void ReplayControls::PreviousDeal() {
  const int current = replay_.CurrentDeal();
  // Back to this deal's start first, as a player expects; from its start, the deal before.
  const bool atStart = current >= 0 && replay_.Now() - replay_.DealStartMs(current) < 3000;
  JumpToDeal(std::max(0, atStart ? current - 1 : current));
}

void ReplayControls::JumpToDeal(int deal) {
  if (deal < 0 || deal >= static_cast<int>(replay_.deals().size())) return;
  replay_.SeekDeal(deal);
  clock_.start();
  Refresh();
}

void ReplayControls::StepRecord() {
  Pause();
  replay_.StepRecord();
  Refresh();
}

void ReplayControls::Advance(int64_t ms) {
  replay_.AdvanceBy(ms);
  Refresh();
}

void ReplayControls::Tick() {
  if (!playing_) return;
  const qint64 real = std::min(clock_.restart(), kLongestStepMs);
  replay_.AdvanceBy(real * speed_);
  if (replay_.ClientEnded() ||
      (replay_.AtEnd() && replay_.Now() >= replay_.EndMs() + kAfterLastMs)) {
    Pause();
  }
  Refresh();
}

void ReplayControls::Refresh() {
  // Every window of the table, including those a deal opens later, takes no input: a replay
  // acts on nothing, and a typed line would change the table being replayed.
  if (frontEnd_) {
    const Scene& scene = replay_.client().view().scene();
    for (FormId f = 0; f < scene.FormCount(); ++f) {
      if (SceneWindow* w = frontEnd_->Window(f); w && w->isEnabled()) w->setEnabled(false);
    }
  }
  play_->setText(playing_ ? "暂停" : "播放");
  const int deals = static_cast<int>(replay_.deals().size());
  const int current = replay_.CurrentDeal();
  previous_->setEnabled(current >= 0);
  next_->setEnabled(current + 1 < deals);
  jump_->setEnabled(deals > 0);
  dealBox_->setEnabled(deals > 0);
  if (current >= 0 && !dealBox_->hasFocus()) dealBox_->setValue(current + 1);
  step_->setEnabled(!replay_.AtEnd() || replay_.client().records().RecordWaiting());
  QString text = deals == 0    ? QString("no deal")
                 : current < 0 ? QString("before deal 1 of %1").arg(deals)
                               : QString("deal %1 of %2").arg(current + 1).arg(deals);
  text += QString("  %1 / %2")
              .arg(QString::fromStdString(SessionTimeText(static_cast<uint32_t>(replay_.Now()))))
              .arg(QString::fromStdString(SessionTimeText(static_cast<uint32_t>(replay_.EndMs()))));
  if (replay_.ClientEnded()) {
    text += "  (the client ended)";
  } else if (replay_.AtEnd()) {
    text += "  (end of the recording)";
  }
  where_->setText(text);
}

QImage ReplayControls::Picture() {
  if (!frontEnd_) return {};
  const Form& table = replay_.client().view().main();
  const QImage top = frontEnd_->renderer().Render(table);
  const QImage bar = grab().toImage();
  QImage out(std::max(top.width(), bar.width()), top.height() + bar.height(),
             QImage::Format_ARGB32);
  out.fill(Qt::black);
  QPainter p(&out);
  p.drawImage(0, 0, top);
  p.drawImage(0, top.height(), bar);
  return out;
}

}  // namespace korvel
