#include "hall_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace korvel::lobby {
namespace {

QSpinBox* Spin(int low, int high, int value, const QString& suffix = {}) {
  auto* box = new QSpinBox;
  box->setRange(low, high);
  box->setValue(std::clamp(value, low, high));
  box->setSuffix(suffix);
  return box;
}

// OK and cancel, with the words of the table.
QDialogButtonBox* Buttons(QDialog* dialog, const QString& okText) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText(okText);
  buttons->button(QDialogButtonBox::Cancel)->setText("取消");
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

}  // namespace

PlayAloneDialog::PlayAloneDialog(const PlayAloneChoice& c, QWidget* parent) : QDialog(parent) {
  setWindowTitle("单机游戏");
  auto* form = new QFormLayout;
  auto* computers = new QLabel("两名电脑玩家");
  form->addRow("电脑玩家：", computers);
  turn_ = Spin(3, 15, c.turnSeconds, " 秒");
  form->addRow("每步时间(&T)：", turn_);
  stake_ = Spin(1, 100000, c.stake, " 金币");
  form->addRow("底注(&S)：", stake_);
  coins_ = Spin(100, 1000000000, static_cast<int>(c.coins), " 金币");
  coins_->setSingleStep(1000);
  form->addRow("初始金币(&C)：", coins_);
  props_ = new QCheckBox("使用道具(&P)");
  props_->setChecked(c.props);
  form->addRow("", props_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(Buttons(this, "开始(&O)"));
}

PlayAloneChoice PlayAloneDialog::Choice() const {
  return {turn_->value(), stake_->value(), coins_->value(), props_->isChecked()};
}

QStringList HostDialog::LocalAddresses() {
  QStringList reachable;
  for (const QHostAddress& a : QNetworkInterface::allAddresses()) {
    if (a.protocol() != QAbstractSocket::IPv4Protocol || a.isLoopback()) continue;
    reachable << a.toString();
  }
  reachable << "127.0.0.1";
  return reachable;
}

HostDialog::HostDialog(const HostChoice& c, QWidget* parent) : QDialog(parent) {
  setWindowTitle("创建牌桌");
  auto* form = new QFormLayout;
  address_ = new QComboBox;
  address_->setEditable(true);
  address_->addItems(LocalAddresses());
  address_->setCurrentText(c.address);
  address_->setToolTip("朋友连接的本机地址；127.0.0.1 只能在本机使用");
  form->addRow("本机地址(&A)：", address_);
  port_ = Spin(1024, 32766, c.port);
  port_->setToolTip("游戏端口；大厅使用下一个端口");
  form->addRow("端口(&P)：", port_);
  open_ = new QRadioButton("开放座位：朋友填名字即可入座(&O)");
  accounts_ = new QRadioButton("账号登录：朋友需要注册账号(&R)");
  (c.openSeats ? open_ : accounts_)->setChecked(true);
  form->addRow("座位：", open_);
  form->addRow("", accounts_);
  computers_ = Spin(0, 1, c.computerPlayers, " 名");
  computers_->setToolTip("每张牌桌坐几名电脑玩家");
  form->addRow("电脑玩家(&C)：", computers_);
  stake_ = Spin(1, 100000, c.stake, " 金币");
  form->addRow("底注(&S)：", stake_);
  turn_ = Spin(3, 15, c.turnSeconds, " 秒");
  form->addRow("每步时间(&T)：", turn_);
  watchers_ = new QCheckBox("允许旁观(&W)");
  watchers_->setChecked(c.watchers);
  form->addRow("", watchers_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(Buttons(this, "开桌(&K)"));
}

HostChoice HostDialog::Choice() const {
  HostChoice c;
  c.address = address_->currentText().trimmed();
  c.port = port_->value();
  c.openSeats = open_->isChecked();
  c.computerPlayers = computers_->value();
  c.stake = stake_->value();
  c.turnSeconds = turn_->value();
  c.watchers = watchers_->isChecked();
  return c;
}

RegisterDialog::RegisterDialog(const QString& name, QWidget* parent) : QDialog(parent) {
  setWindowTitle("注册账号");
  auto* form = new QFormLayout;
  name_ = new QLineEdit(name);
  name_->setMaxLength(16);
  name_->setPlaceholderText("3到16个英文字母或数字");
  form->addRow("用户名(&U)：", name_);
  nickname_ = new QLineEdit;
  nickname_->setMaxLength(15);
  nickname_->setPlaceholderText("牌桌上显示的名字");
  form->addRow("昵称(&N)：", nickname_);
  password_ = new QLineEdit;
  password_->setEchoMode(QLineEdit::Password);
  password_->setPlaceholderText("至少8个字符");
  form->addRow("密码(&P)：", password_);
  again_ = new QLineEdit;
  again_->setEchoMode(QLineEdit::Password);
  form->addRow("确认密码(&A)：", again_);
  problem_ = new QLabel;
  problem_->setObjectName("problem");
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(problem_);
  auto* buttons = Buttons(this, "注册(&R)");
  disconnect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::accepted, this, &RegisterDialog::Check);
  layout->addWidget(buttons);
  (name.isEmpty() ? name_ : nickname_)->setFocus();
}

void RegisterDialog::Check() {
  // The server checks every rule again; these are the ones a player trips over most.
  QString problem;
  if (name_->text().trimmed().size() < 3) {
    problem = "用户名至少要3个字符。";
  } else if (nickname_->text().trimmed().isEmpty()) {
    problem = "请填写昵称。";
  } else if (password_->text().toUtf8().size() < 8) {
    problem = "密码至少要8个字符。";
  } else if (password_->text() != again_->text()) {
    problem = "两次输入的密码不一样。";
  }
  problem_->setText(problem);
  if (problem.isEmpty()) accept();
}

QString RegisterDialog::Name() const { return name_->text().trimmed(); }
QString RegisterDialog::Nickname() const { return nickname_->text().trimmed(); }
QString RegisterDialog::Password() const { return password_->text(); }

NewTableDialog::NewTableDialog(int stake, int turnSeconds, int minTurn, int maxTurn, int maxStake,
                               QWidget* parent)
    : QDialog(parent) {
  setWindowTitle("新建牌桌");
  auto* form = new QFormLayout;
  stake_ = Spin(1, std::max(1, maxStake), stake, " 金币");
  form->addRow("底注(&S)：", stake_);
  turn_ = Spin(minTurn, std::max(minTurn, maxTurn), turnSeconds, " 秒");
  form->addRow("每步时间(&T)：", turn_);
  computers_ = Spin(0, 2, 0, " 名");
  form->addRow("电脑玩家(&C)：", computers_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(Buttons(this, "建桌入座(&O)"));
}

NewTableChoice NewTableDialog::Choice() const {
  return {stake_->value(), turn_->value(), computers_->value()};
}

}  // namespace korvel::lobby
