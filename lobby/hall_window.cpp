#include "hall_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cstdio>

#include "hall_dialogs.h"
#include "net/lobby_window.h"
#include "platform/user_folders.h"
#include "record_dialog.h"
#include "replay/session_file.h"

namespace korvel::lobby {
namespace {

constexpr int kDefaultHallPort = 6001;
// A client that gave the screen back and is still there has left its table: it waits hidden
// for a lobby that would log it in again, which this window never does (a new seat starts a
// new client), so it is closed after a moment that lets its last message box be read.
constexpr int kLeftClientGraceMs = 1500;

enum Column {
  kTableColumn,
  kSeatColumn0,
  kStakeColumn = 4,
  kTurnColumn,
  kWatchColumn,
  kComputerColumn,
  kColumns
};

qint64 NowSeconds() { return QDateTime::currentSecsSinceEpoch(); }

bool IsLocalHost(const QString& host) {
  const QHostAddress a(host);
  return host.isEmpty() || host == "localhost" || a.isLoopback() || a == QHostAddress::AnyIPv4 ||
         a == QHostAddress::Any;
}

// A user id travels in the launch line and the login record: plain ASCII, no "$".
bool FitsLaunchLine(const QString& name) {
  if (name.isEmpty() || name.size() > 16) return false;
  for (QChar c : name) {
    if (c.unicode() <= 0x20 || c.unicode() >= 0x7f || c == '$') return false;
  }
  return true;
}

const char* kStyle = R"(
QMainWindow, QDialog { background: #0e4d2c; }
QLabel, QCheckBox, QRadioButton { color: #f3e3b0; }
QLabel#title { color: #f2cf63; font-size: 22pt; font-weight: bold; }
QLabel#problem { color: #ffc0a8; font-weight: bold; }
QLabel#banner { background: #fff3c4; color: #3a2400; padding: 6px; border-radius: 4px; }
QLineEdit, QComboBox { background: #fdf6e3; color: #222; border: 1px solid #c9a227;
  border-radius: 3px; padding: 3px; }
QLineEdit:focus, QComboBox:focus { border: 2px solid #ffd75e; }
QPushButton { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f0d27a, stop:1 #b8902a);
  color: #3a2400; border: 1px solid #6b4e10; border-radius: 4px; padding: 5px 16px; }
QPushButton:hover { background: #f7df96; }
QPushButton:focus { border: 2px solid #fff8d8; }
QPushButton:default { font-weight: bold; }
QPushButton:disabled { background: #6f7a6a; color: #d0d0c8; border-color: #555; }
QTreeWidget, QListWidget { background: #fdf6e3; alternate-background-color: #f1e6c8; color: #222;
  selection-background-color: #c9a227; selection-color: #201500; }
QHeaderView::section { background: #7c611b; color: #fff8e0; padding: 3px; border: 0; }
QStatusBar { color: #f3e3b0; background: #0a3a20; }
QMenuBar { background: #0a3a20; color: #f3e3b0; }
QMenuBar::item:selected { background: #1c6b3f; }
QMenu { background: #fdf6e3; color: #222; }
QMenu::item:selected { background: #c9a227; }
)";

}  // namespace

bool ParseHallAddress(const QString& text, QString& host, int& port) {
  const QString t = text.trimmed();
  QString h = t;
  QString p;
  bool hasPort = false;
  if (t.startsWith('[')) {
    const int close = t.indexOf(']');
    if (close < 0) return false;
    h = t.mid(1, close - 1);
    const QString rest = t.mid(close + 1);
    if (!rest.isEmpty()) {
      if (!rest.startsWith(':')) return false;
      p = rest.mid(1);
      hasPort = true;
    }
  } else if (t.count(':') == 1) {
    h = t.section(':', 0, 0);
    p = t.section(':', 1);
    hasPort = true;
  }
  if (h.isEmpty() || h.contains(' ') || h.size() > 253) return false;
  int value = kDefaultHallPort;
  if (hasPort) {
    bool ok = false;
    value = p.toInt(&ok);
    if (!ok || value < 1 || value > 65535) return false;
  }
  host = h;
  port = value;
  return true;
}

HallWindow::HallWindow(HallWindowOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)), stopSignals_([this](int) {
        EndEverything();
        QApplication::quit();
      }) {
  setWindowTitle(QString::fromStdString(options_.lobbyTitle));
  setObjectName("hall");
  setStyleSheet(kStyle);
  BuildMenus();
  pages_ = new QStackedWidget;
  pages_->addWidget(BuildSignInPage());
  pages_->addWidget(BuildHallPage());
  setCentralWidget(pages_);
  statusBar()->showMessage("欢迎来到 " + windowTitle());
  resize(760, 540);

  connect(&hall_, &HallClient::tablesReplaced, this, &HallWindow::ReplaceTables);
  connect(&hall_, &HallClient::tableChanged, this, &HallWindow::ChangeTable);
  connect(&hall_, &HallClient::tableClosed, this, &HallWindow::CloseTable);
  connect(&hall_, &HallClient::streamLive, this,
          [this](bool live) { live_->setText(live ? "● 牌桌实时更新" : "○ 正在连接大厅…"); });
  connect(&session_, &ClientSession::systemCommand, this, &HallWindow::OnSystemCommand);
  connect(&session_, &ClientSession::clientMessage, this, &HallWindow::OnClientMessage);
  connect(&session_, &ClientSession::clientEnded, this, &HallWindow::OnClientEnded);
}

HallWindow::~HallWindow() = default;

bool HallWindow::Listen() { return session_.Listen(options_.lobbyTitle); }

void HallWindow::BuildMenus() {
  QMenu* game = menuBar()->addMenu("游戏(&G)");
  QAction* alone = game->addAction("单机游戏(&A)…", this, &HallWindow::PlayAlone);
  alone->setShortcut(QKeySequence("Ctrl+N"));
  QAction* host = game->addAction("创建牌桌(&H)…", this, &HallWindow::Host);
  host->setShortcut(QKeySequence("Ctrl+H"));
  QAction* record = game->addAction("我的战绩(&R)…", this, &HallWindow::ShowRecord);
  record->setShortcut(QKeySequence("Ctrl+R"));
  game->addSeparator();
  QAction* quit = game->addAction("退出(&Q)", this, &QWidget::close);
  quit->setShortcut(QKeySequence::Quit);
  QMenu* help = menuBar()->addMenu("帮助(&H)");
  help->addAction("关于 Korvel(&A)…", this, &HallWindow::ShowAbout);
}

QWidget* HallWindow::BuildSignInPage() {
  auto* page = new QWidget;
  auto* title = new QLabel(windowTitle());
  title->setObjectName("title");
  title->setAlignment(Qt::AlignCenter);

  server_ = new QComboBox;
  server_->setEditable(true);
  server_->addItems(settings_.Servers());
  server_->setCurrentText(server_->count() ? server_->itemText(0) : QString("127.0.0.1:6001"));
  server_->lineEdit()->setPlaceholderText("地址:端口，例如 192.168.1.5:6001");
  server_->setMinimumWidth(260);
  nameEdit_ = new QLineEdit(settings_.LastName());
  nameEdit_->setMaxLength(16);
  nameEdit_->setPlaceholderText("用户名");
  password_ = new QLineEdit;
  password_->setEchoMode(QLineEdit::Password);
  password_->setPlaceholderText("密码");
  remember_ = new QCheckBox("记住登录(&M)");
  remember_->setChecked(true);
  remember_->setToolTip("只保存服务器发的登录凭证，不保存密码");
  signInButton_ = new QPushButton("登录(&L)");
  signInButton_->setDefault(true);
  registerButton_ = new QPushButton("注册(&R)…");
  auto* form = new QFormLayout;
  form->addRow("服务器(&S)：", server_);
  form->addRow("用户名(&U)：", nameEdit_);
  form->addRow("密码(&P)：", password_);
  form->addRow("", remember_);
  auto* signInRow = new QHBoxLayout;
  signInRow->addStretch();
  signInRow->addWidget(signInButton_);
  signInRow->addWidget(registerButton_);

  auto* alone = new QPushButton("单机游戏(&A)");
  alone->setToolTip("和两名电脑玩家打一局");
  auto* host = new QPushButton("创建牌桌(&H)");
  host->setToolTip("在本机开一张牌桌，请朋友来玩");
  auto* otherRow = new QHBoxLayout;
  otherRow->addStretch();
  otherRow->addWidget(alone);
  otherRow->addWidget(host);
  otherRow->addStretch();

  signInMessage_ = new QLabel;
  signInMessage_->setObjectName("problem");
  signInMessage_->setWordWrap(true);
  signInMessage_->setAlignment(Qt::AlignCenter);

  auto* box = new QWidget;
  box->setMaximumWidth(460);
  auto* boxLayout = new QVBoxLayout(box);
  boxLayout->addLayout(form);
  boxLayout->addLayout(signInRow);
  auto* layout = new QVBoxLayout(page);
  layout->addStretch();
  layout->addWidget(title);
  layout->addSpacing(12);
  layout->addWidget(box, 0, Qt::AlignHCenter);
  layout->addWidget(signInMessage_);
  layout->addSpacing(16);
  layout->addLayout(otherRow);
  layout->addStretch();

  connect(signInButton_, &QPushButton::clicked, this, &HallWindow::SignIn);
  connect(password_, &QLineEdit::returnPressed, this, &HallWindow::SignIn);
  connect(nameEdit_, &QLineEdit::returnPressed, this, &HallWindow::SignIn);
  connect(registerButton_, &QPushButton::clicked, this, &HallWindow::Register);
  connect(server_, &QComboBox::currentTextChanged, this, &HallWindow::ShowRememberedSignIn);
  connect(nameEdit_, &QLineEdit::textChanged, this, &HallWindow::ShowRememberedSignIn);
  ShowRememberedSignIn();
  connect(alone, &QPushButton::clicked, this, &HallWindow::PlayAlone);
  connect(host, &QPushButton::clicked, this, &HallWindow::Host);
  setTabOrder(server_, nameEdit_);
  setTabOrder(nameEdit_, password_);
  setTabOrder(password_, remember_);
  setTabOrder(remember_, signInButton_);
  setTabOrder(signInButton_, registerButton_);
  setTabOrder(registerButton_, alone);
  setTabOrder(alone, host);
  // A name remembered: the password (or the remembered sign-in) is what is missing.
  QTimer::singleShot(0, this, [this] {
    (nameEdit_->text().isEmpty() ? static_cast<QWidget*>(server_) : password_)->setFocus();
  });
  return page;
}

QWidget* HallWindow::BuildHallPage() {
  auto* page = new QWidget;
  who_ = new QLabel;
  who_->setTextFormat(Qt::PlainText);
  live_ = new QLabel("○ 正在连接大厅…");
  auto* top = new QHBoxLayout;
  top->addWidget(who_, 1);
  top->addWidget(live_);
  banner_ = new QLabel;
  banner_->setObjectName("banner");
  banner_->setWordWrap(true);
  banner_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  banner_->hide();

  tableList_ = new QTreeWidget;
  tableList_->setColumnCount(kColumns);
  tableList_->setHeaderLabels(
      {"牌桌", "座位一", "座位二", "座位三", "底注", "每步", "旁观", "电脑"});
  tableList_->setRootIsDecorated(false);
  tableList_->setAlternatingRowColors(true);
  tableList_->setUniformRowHeights(true);
  tableList_->setAllColumnsShowFocus(true);
  tableList_->header()->setStretchLastSection(false);
  for (int c = kSeatColumn0; c < kSeatColumn0 + 3; ++c)
    tableList_->header()->setSectionResizeMode(c, QHeaderView::Stretch);
  for (int c : {int(kTableColumn), int(kStakeColumn), int(kTurnColumn), int(kWatchColumn),
                int(kComputerColumn)})
    tableList_->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);

  sitButton_ = new QPushButton("入座(&S)");
  watchButton_ = new QPushButton("旁观(&W)");
  newTableButton_ = new QPushButton("新建牌桌(&N)…");
  auto* record = new QPushButton("我的战绩(&R)");
  auto* signOut = new QPushButton("退出登录(&O)");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(sitButton_);
  buttons->addWidget(watchButton_);
  buttons->addWidget(newTableButton_);
  buttons->addStretch();
  buttons->addWidget(record);
  buttons->addWidget(signOut);
  hallMessage_ = new QLabel;
  hallMessage_->setObjectName("problem");
  hallMessage_->setWordWrap(true);

  auto* layout = new QVBoxLayout(page);
  layout->addLayout(top);
  layout->addWidget(banner_);
  layout->addWidget(tableList_, 1);
  layout->addWidget(hallMessage_);
  layout->addLayout(buttons);

  connect(tableList_, &QTreeWidget::itemSelectionChanged, this, &HallWindow::UpdateButtons);
  connect(tableList_, &QTreeWidget::itemActivated, this, [this] {
    const HallTable* t = SelectedTable();
    if (t && CanSit(*t)) {
      Sit();
    } else if (t && t->watchable) {
      Watch();
    }
  });
  connect(sitButton_, &QPushButton::clicked, this, &HallWindow::Sit);
  connect(watchButton_, &QPushButton::clicked, this, &HallWindow::Watch);
  connect(newTableButton_, &QPushButton::clicked, this, &HallWindow::NewTable);
  connect(record, &QPushButton::clicked, this, &HallWindow::ShowRecord);
  connect(signOut, &QPushButton::clicked, this, &HallWindow::SignOut);
  setTabOrder(tableList_, sitButton_);
  setTabOrder(sitButton_, watchButton_);
  setTabOrder(watchButton_, newTableButton_);
  setTabOrder(newTableButton_, record);
  setTabOrder(record, signOut);
  return page;
}

void HallWindow::Tell(const QString& text, bool problem) {
  std::printf("hall: %s\n", text.toStdString().c_str());
  std::fflush(stdout);
  QLabel* label = pages_->currentIndex() == 0 ? signInMessage_ : hallMessage_;
  label->setText(problem ? text : QString());
  statusBar()->showMessage(text);
}

void HallWindow::TellRefusal(const HallFailure& f) {
  // Another process of a shared hall holds the table: its hall is the one to sign in to, by
  // the usual rule next to its game port.
  if (f.kind == HallFailure::Kind::OtherServer && !f.host.isEmpty() && f.port > 0) {
    Tell(f.text + QString("请登录 %1:%2 后在那里入座。").arg(GameHost(f.host)).arg(f.port + 1),
         true);
    return;
  }
  Tell(f.text, true);
}

void HallWindow::Busy(bool busy) {
  busy_ = busy;
  signInButton_->setEnabled(!busy);
  registerButton_->setEnabled(!busy);
  if (busy) {
    QApplication::setOverrideCursor(Qt::BusyCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

// ---- signing in ----

void HallWindow::ShowRememberedSignIn() {
  const bool kept =
      !settings_.SignIn(server_->currentText().trimmed(), nameEdit_->text().trimmed(), NowSeconds())
           .token.isEmpty();
  password_->setPlaceholderText(kept ? "已记住登录，直接按登录即可" : "密码");
}

void HallWindow::SignIn() {
  if (busy_) return;
  QString host;
  int port = 0;
  if (!ParseHallAddress(server_->currentText(), host, port)) {
    Tell("服务器地址写得不对，应该像 192.168.1.5:6001 这样。", true);
    server_->setFocus();
    return;
  }
  name_ = nameEdit_->text().trimmed();
  serverText_ = server_->currentText().trimmed();
  hall_.SetServer(host, port);
  Busy(true);
  Tell("正在连接 " + serverText_ + " …");
  hall_.Describe([this](const HallFailure& failure, const HallInfo& info) {
    if (failure) {
      Busy(false);
      Tell(failure.text, true);
      return;
    }
    info_ = info;
    if (!FitsLaunchLine(name_)) {
      Busy(false);
      Tell(name_.isEmpty() ? "请填写用户名。" : "用户名只能用英文字母、数字和符号，最多16个。",
           true);
      nameEdit_->setFocus();
      return;
    }
    if (info.open) {
      // Open seats: a name is all it takes.
      Busy(false);
      EnterHall(info);
      return;
    }
    const RememberedSignIn kept = settings_.SignIn(serverText_, name_, NowSeconds());
    if (password_->text().isEmpty() && !kept.token.isEmpty()) {
      hall_.SetToken(kept.token);
      hall_.Me([this, info](const HallFailure& f, const PlayerFigures& me) {
        Busy(false);
        if (f) {
          settings_.ForgetSignIn(serverText_, name_);
          ShowRememberedSignIn();
          Tell(f.kind == HallFailure::Kind::SignedOut ? "登录已过期，请输入密码重新登录。" : f.text,
               true);
          password_->setFocus();
          return;
        }
        me_ = me;
        EnterHall(info);
      });
      return;
    }
    if (password_->text().isEmpty()) {
      Busy(false);
      Tell("请输入密码。", true);
      password_->setFocus();
      return;
    }
    hall_.SignIn(name_, password_->text(),
                 [this, info](const HallFailure& f, const SignInTicket& ticket) {
                   password_->clear();
                   if (f) {
                     Busy(false);
                     Tell(f.text, true);
                     password_->setFocus();
                     return;
                   }
                   if (remember_->isChecked()) {
                     settings_.RememberSignIn(serverText_, name_, {ticket.token, ticket.expires});
                   } else {
                     settings_.ForgetSignIn(serverText_, name_);
                   }
                   hall_.Me([this, info](const HallFailure& f2, const PlayerFigures& me) {
                     Busy(false);
                     if (f2) {
                       Tell(f2.text, true);
                       return;
                     }
                     me_ = me;
                     EnterHall(info);
                   });
                 });
  });
}

void HallWindow::Register() {
  if (busy_) return;
  QString host;
  int port = 0;
  if (!ParseHallAddress(server_->currentText(), host, port)) {
    Tell("服务器地址写得不对，应该像 192.168.1.5:6001 这样。", true);
    return;
  }
  RegisterDialog dialog(nameEdit_->text().trimmed(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  hall_.SetServer(host, port);
  Busy(true);
  Tell("正在注册 " + dialog.Name() + " …");
  const QString name = dialog.Name();
  const QString password = dialog.Password();
  hall_.Register(name, password, dialog.Nickname(),
                 [this, name, password](const HallFailure& f, const HallClient::Nothing&) {
                   Busy(false);
                   if (f) {
                     Tell(f.text, true);
                     return;
                   }
                   nameEdit_->setText(name);
                   password_->setText(password);
                   Tell("注册成功，正在登录…");
                   SignIn();
                 });
}

void HallWindow::EnterHall(const HallInfo& info) {
  info_ = info;
  signedIn_ = true;
  settings_.AddServer(serverText_);
  settings_.SetLastName(name_);
  if (server_->findText(serverText_) < 0) server_->insertItem(0, serverText_);
  tables_.clear();
  tableList_->clear();
  pages_->setCurrentIndex(1);
  newTableButton_->setEnabled(!info.open);
  ShowFigures();
  Tell(info.open ? "开放牌桌：直接入座即可。" : "登录成功。");
  hall_.Follow();
  tableList_->setFocus();
  UpdateButtons();
}

void HallWindow::ShowFigures() {
  if (info_.open) {
    who_->setText(name_ + "    " + serverText_ + "（开放牌桌）");
    return;
  }
  who_->setText(QString("%1（%2）    金币 %3    积分 %4    %5    %6")
                    .arg(me_.nickname, me_.name)
                    .arg(me_.coins)
                    .arg(me_.points)
                    .arg(me_.title, serverText_));
}

void HallWindow::SignOut() {
  if (game_ == Game::Server && session_.Running() && !ConfirmLeaving()) return;
  StopClient();
  hall_.StopFollowing();
  if (!info_.open) {
    settings_.ForgetSignIn(serverText_, name_);
    hall_.SignOut([](const HallFailure&, const HallClient::Nothing&) {});
  }
  signedIn_ = false;
  ShowRememberedSignIn();
  pages_->setCurrentIndex(0);
  Tell("已退出登录。");
  password_->setFocus();
}

// ---- the table list ----

void HallWindow::FillRow(QTreeWidgetItem* item, const HallTable& t) const {
  item->setText(kTableColumn, QString::number(t.id));
  for (int s = 0; s < 3; ++s) {
    const HallSeat& seat = t.seats[static_cast<size_t>(s)];
    QString text = "（空）";
    if (seat.taken) {
      text = (seat.nickname.isEmpty() ? seat.name : seat.nickname) +
             QString(" %1").arg(seat.coins) + (seat.reserved ? " 待入座" : "");
    }
    item->setText(kSeatColumn0 + s, text);
    item->setForeground(kSeatColumn0 + s,
                        seat.taken ? QBrush(QColor("#222")) : QBrush(QColor("#2a7a3f")));
  }
  item->setText(kStakeColumn, QString::number(t.stake));
  item->setText(kTurnColumn, QString("%1秒").arg(t.turnSeconds));
  item->setText(kWatchColumn, t.watchable ? QString::number(t.watchers) : QString("—"));
  item->setText(kComputerColumn, QString::number(t.computerPlayers));
  item->setData(kTableColumn, Qt::UserRole, t.id);
}

void HallWindow::ReplaceTables(const std::vector<HallTable>& tables) {
  const HallTable* selected = SelectedTable();
  const qint64 keep = selected ? selected->id : 0;
  tables_.clear();
  tableList_->clear();
  for (const HallTable& t : tables) ChangeTable(t);
  if (keep) {
    for (int i = 0; i < tableList_->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = tableList_->topLevelItem(i);
      if (item->data(kTableColumn, Qt::UserRole).toLongLong() == keep)
        tableList_->setCurrentItem(item);
    }
  }
  if (!tableList_->currentItem() && tableList_->topLevelItemCount())
    tableList_->setCurrentItem(tableList_->topLevelItem(0));
  UpdateButtons();
}

void HallWindow::ChangeTable(const HallTable& table) {
  tables_[table.id] = table;
  QStringList seats;
  for (const HallSeat& s : table.seats) {
    seats << (!s.taken ? QString("-") : s.name + (s.reserved ? "(reserved)" : ""));
  }
  std::printf("hall: table %lld: %s\n", static_cast<long long>(table.id),
              seats.join(" | ").toStdString().c_str());
  std::fflush(stdout);
  for (int i = 0; i < tableList_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = tableList_->topLevelItem(i);
    if (item->data(kTableColumn, Qt::UserRole).toLongLong() == table.id) {
      FillRow(item, table);
      UpdateButtons();
      return;
    }
  }
  auto* item = new QTreeWidgetItem;
  FillRow(item, table);
  tableList_->addTopLevelItem(item);
  if (!tableList_->currentItem()) tableList_->setCurrentItem(item);
  UpdateButtons();
}

void HallWindow::CloseTable(qint64 id) {
  tables_.erase(id);
  for (int i = 0; i < tableList_->topLevelItemCount(); ++i) {
    if (tableList_->topLevelItem(i)->data(kTableColumn, Qt::UserRole).toLongLong() == id) {
      delete tableList_->takeTopLevelItem(i);
      break;
    }
  }
  UpdateButtons();
}

const HallTable* HallWindow::SelectedTable() const {
  const QTreeWidgetItem* item = tableList_->currentItem();
  if (!item || !item->isSelected()) return nullptr;
  const auto it = tables_.find(item->data(kTableColumn, Qt::UserRole).toLongLong());
  return it == tables_.end() ? nullptr : &it->second;
}

bool HallWindow::CanSit(const HallTable& table) const {
  // A seat the hall still holds for this player (a table client that did not get there) is
  // theirs to take again.
  for (const HallSeat& seat : table.seats) {
    if (seat.reserved && seat.name == name_) return true;
  }
  return table.FreeSeats() > 0;
}

void HallWindow::UpdateButtons() {
  const HallTable* t = SelectedTable();
  const bool free = !session_.Running();
  // Open seats fill in login order: there is always a seat to ask for.
  sitButton_->setEnabled(free && (info_.open || (t && CanSit(*t))));
  watchButton_->setEnabled(free && info_.watchers && (info_.open || (t && t->watchable)));
  newTableButton_->setEnabled(free && !info_.open);
}

// ---- taking a seat ----

QString HallWindow::GameHost(const QString& offered) const {
  // A server that names itself by a loopback address is reached where its hall was.
  return IsLocalHost(offered) && !IsLocalHost(hall_.Host()) ? hall_.Host() : offered;
}

bool HallWindow::Launch(const QString& host, int port, const QString& key, const QString& location,
                        bool watch) {
  // Launch lines carry the port as a signed 16-bit number.
  if (port < 1 || port > 32767) {
    Tell(QString("服务器的游戏端口 %1 超出了牌桌程序能用的范围（1–32767）。").arg(port), true);
    return false;
  }
  LaunchParams p;
  p.UserId = name_.toStdString();
  p.LoginKey = key.toStdString();
  p.ServerHost = GameHost(host).toStdString();
  p.ServerPort = static_cast<int16_t>(port);
  p.Location = location.toStdString();
  p.Spectator = watch;
  if (watch && !info_.open) p.WatcherBalance = me_.coins;
  watching_ = watch;
  StartClient(p, Game::Server);
  return true;
}

void HallWindow::Sit() {
  if (session_.Running()) return;
  if (info_.open) {
    Launch(info_.host, info_.port, "korvel", serverText_, false);
    return;
  }
  const HallTable* t = SelectedTable();
  if (!t) {
    Tell("请先选一张牌桌。", true);
    return;
  }
  SitAt(t->id);
}

void HallWindow::SitAt(qint64 tableId) {
  Tell(QString("正在第 %1 桌入座…").arg(tableId));
  hall_.ReserveSeat(tableId, [this](const HallFailure& f, const SeatTicket& ticket) {
    if (f) {
      TellRefusal(f);
      return;
    }
    Launch(ticket.host, ticket.port, ticket.key, ticket.location, false);
  });
}

void HallWindow::Watch() {
  if (session_.Running()) return;
  if (info_.open) {
    // Open play: the server seats a watcher by this key at the first table it may watch.
    Launch(info_.host, info_.port, "watch", serverText_, true);
    return;
  }
  const HallTable* t = SelectedTable();
  if (!t) {
    Tell("请先选一张牌桌。", true);
    return;
  }
  Tell(QString("正在进入第 %1 桌旁观…").arg(t->id));
  hall_.ReserveWatch(t->id, -1, [this](const HallFailure& f, const SeatTicket& ticket) {
    if (f) {
      TellRefusal(f);
      return;
    }
    Launch(ticket.host, ticket.port, ticket.key, ticket.location, true);
  });
}

void HallWindow::NewTable() {
  if (info_.open || session_.Running()) return;
  NewTableDialog dialog(info_.stake, info_.turnSeconds, info_.minTurnSeconds, info_.maxTurnSeconds,
                        info_.maxStake, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const NewTableChoice c = dialog.Choice();
  Tell("正在开新牌桌…");
  hall_.CreateTable(c.stake, c.turnSeconds, c.computerPlayers,
                    [this](const HallFailure& f, const qint64& id) {
                      if (f) {
                        Tell(f.text, true);
                        return;
                      }
                      SitAt(id);
                    });
}

// ---- playing alone and hosting ----

void HallWindow::StartServer(std::unique_ptr<LocalServer>& server, const ServerPlan& plan,
                             const QString& saying, std::function<void(int)> then) {
  server = std::make_unique<LocalServer>();
  Tell(saying);
  Busy(true);
  LocalServer* starting = server.get();
  starting->StartAsync(options_.serverProgram, options_.serverLog, plan,
                       [this, &server, starting, then](int port) {
                         Busy(false);
                         if (port != 0) {
                           then(port);
                           return;
                         }
                         Tell(starting->Failure(), true);
                         // Not from inside its own answer.
                         QTimer::singleShot(0, this, [&server, starting] {
                           if (server.get() == starting) server.reset();
                         });
                       });
}

void HallWindow::PlayAlone() {
  if (busy_) return;
  if (session_.Running()) {
    Tell("牌桌已经打开了。", true);
    return;
  }
  PlayAloneDialog dialog(settings_.PlayAlone(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  const PlayAloneChoice c = dialog.Choice();
  settings_.SetPlayAlone(c);
  ServerPlan plan;
  plan.turnSeconds = c.turnSeconds;
  plan.stake = c.stake;
  plan.coins = c.coins;
  plan.props = c.props;
  StartServer(alone_, plan, "正在准备牌桌…", [this, c](int port) {
    LaunchParams p;
    p.UserId = LocalUserName(AccountName());
    p.LoginKey = "korvel";
    p.ServerHost = "127.0.0.1";
    p.ServerPort = static_cast<int16_t>(port);
    p.Location = "本地牌桌";
    p.PropSwitch = c.props ? 1 : 0;
    watching_ = false;
    StartClient(p, Game::Alone);
  });
}

void HallWindow::Host() {
  if (busy_) return;
  if (hosted_ && hosted_->Running()) {
    Tell("你已经开了一张牌桌：" + hostedAddress_);
    return;
  }
  HostDialog dialog(settings_.Host(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  const HostChoice c = dialog.Choice();
  settings_.SetHost(c);
  ServerPlan plan;
  plan.bind = c.address;
  plan.port = c.port;
  plan.hall = true;
  plan.computerPlayers = c.computerPlayers;
  plan.stake = c.stake;
  plan.turnSeconds = c.turnSeconds;
  plan.watchers = c.watchers;
  plan.open = c.openSeats;
  plan.publicHost = c.address;
  plan.startSeconds = 15;
  if (!plan.open) {
    const std::string state = EnsureUserFolder(UserFolder::kState);
    if (state.empty()) {
      Tell("找不到保存账号的文件夹。", true);
      return;
    }
    plan.database = QString::fromStdString(state) + "/hosted-hall.db";
  }
  StartServer(hosted_, plan, "正在开桌…", [this, c](int) { Hosted(c); });
}

void HallWindow::Hosted(const HostChoice& c) {
  hostedAddress_ = QString("%1:%2").arg(c.address).arg(hosted_->HallPort());
  banner_->setText("你开的牌桌：请把地址 " + hostedAddress_ +
                   " 告诉朋友，他们在登录页的“服务器”一栏填这个地址。关闭本窗口会结束这张牌桌。");
  banner_->show();
  Tell("牌桌已开好，地址 " + hostedAddress_);
  server_->setCurrentText(hostedAddress_);
  if (nameEdit_->text().trimmed().isEmpty())
    nameEdit_->setText(QString::fromStdString(LocalUserName(AccountName())));
  if (c.openSeats) {
    SignIn();
  } else {
    pages_->setCurrentIndex(0);
    Tell("牌桌已开好，地址 " + hostedAddress_ + "。请先注册账号再登录。");
  }
}

void HallWindow::ShowRecord() {
  auto* dialog = new RecordDialog(options_.replayProgram, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  if (signedIn_ && !info_.open) {
    QPointer<RecordDialog> open(dialog);
    hall_.Me([this, open](const HallFailure& f, const PlayerFigures& me) {
      if (!f) {
        me_ = me;
        ShowFigures();
      }
      if (!open) return;
      if (f) {
        open->ShowProblem(f.text);
      } else {
        open->ShowFigures(me);
      }
    });
  } else {
    dialog->ShowProblem(signedIn_ ? "开放牌桌不记战绩；下面是本机记录的牌局。"
                                  : "登录服务器后可以看到服务器上的战绩；下面是本机记录的牌局。");
  }
  dialog->open();
}

void HallWindow::ShowAbout() {
  QMessageBox::about(
      this, "关于 Korvel",
      QString("<h3>Korvel麻将</h3><p>版本 %1</p>"
              "<p>三人麻将的桌面客户端：大厅、牌桌、回放，和一个带电脑玩家的服务器。</p>")
          .arg(ClientVersion()));
}

// ---- the table client ----

void HallWindow::StartClient(const LaunchParams& launch, Game game) {
  QString error;
  seated_ = false;
  if (!session_.Start(options_.clientPath.toStdString(), launch, options_.clientTitle,
                      options_.clientLog, &error)) {
    Tell("无法启动牌桌程序：" + error, true);
    if (game == Game::Alone) alone_.reset();
    return;
  }
  game_ = game;
  std::printf("hall: started %s %s\n", options_.clientPath.toStdString().c_str(),
              session_.LaunchLine().c_str());
  Tell("正在进入牌桌…");
  UpdateButtons();
}

void HallWindow::OnSystemCommand(uint32_t command) {
  if (command == kScMinimize) {
    seated_ = true;
    std::printf("hall: the table asks to minimise the hall\n");
    showMinimized();
  } else if (command == kScRestore) {
    std::printf("hall: the table asks to restore the hall\n");
    showNormal();
    raise();
    activateWindow();
    QTimer::singleShot(kLeftClientGraceMs, this, [this] {
      if (session_.Running() && isVisible() && !isMinimized()) StopClient();
    });
  }
  std::fflush(stdout);
}

void HallWindow::OnClientMessage(uint32_t number) {
  if (number == kMsgShowHall) {
    showNormal();
    raise();
    activateWindow();
    return;
  }
  std::printf("hall: message %u from the table: %s\n", number, LobbyMessageName(number, true));
  std::fflush(stdout);
  if (number == kMsgConnected) statusBar()->showMessage("已进入牌桌。");
}

void HallWindow::StopClient() {
  if (!session_.Running()) return;
  stoppingClient_ = true;
  session_.Stop();
}

void HallWindow::OnClientEnded(int code, bool crashed) {
  const Game game = game_;
  game_ = Game::None;
  const bool stopped = stoppingClient_;
  stoppingClient_ = false;
  std::printf("hall: the table ended (%s %d)\n", crashed ? "signal" : "code", code);
  std::fflush(stdout);
  if (isMinimized()) showNormal();
  if (game == Game::Alone && alone_) {
    alone_->Stop();
    alone_.reset();
  }
  if (stopped) {
    Tell("已离开牌桌。");
  } else if (crashed) {
    Tell("牌桌程序意外退出了。", true);
  } else if (code != 0 && !seated_) {
    // The client says why on its own message line before it ends; the hall says it again
    // where the player now looks.
    Tell(watching_
             ? "没能旁观：这张牌桌现在不能旁观（不能旁观同一网络地址上的玩家），或者验证失败。"
             : "没能入座：座位保留已过期或验证失败，请重新入座。",
         true);
  } else {
    Tell("已离开牌桌。");
  }
  if (signedIn_ && !info_.open) {
    hall_.Me([this](const HallFailure& f, const PlayerFigures& me) {
      if (f) return;
      me_ = me;
      ShowFigures();
    });
  }
  UpdateButtons();
}

// ---- closing ----

bool HallWindow::ConfirmLeaving() {
  QMessageBox box(QMessageBox::Question, windowTitle(),
                  "牌局还在进行，现在离开会结束牌局。确定吗？", QMessageBox::Yes | QMessageBox::No,
                  this);
  box.button(QMessageBox::Yes)->setText("离开(&Y)");
  box.button(QMessageBox::No)->setText("留下(&N)");
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void HallWindow::closeEvent(QCloseEvent* event) {
  bool hostedGame = false;
  if (hosted_ && hosted_->Running()) {
    for (const auto& [id, t] : tables_) {
      for (const HallSeat& s : t.seats) hostedGame = hostedGame || s.taken;
    }
  }
  if ((session_.Running() || hostedGame) && !ConfirmLeaving()) {
    event->ignore();
    return;
  }
  EndEverything();
  event->accept();
}

void HallWindow::EndEverything() {
  if (session_.Running()) session_.Request(kMsgLeaveNow);
  StopClient();
  hall_.StopFollowing();
  if (alone_) alone_->Stop();
  if (hosted_) hosted_->Stop();
}

}  // namespace korvel::lobby
