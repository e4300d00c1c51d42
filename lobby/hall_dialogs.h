// The hall window's small forms: playing alone, hosting for friends, a new account and a new
// table. Each only gathers and checks the player's choices; the window acts on them.
#pragma once

#include <QDialog>

#include "hall_settings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QLabel;
class QSpinBox;
class QRadioButton;

namespace korvel::lobby {

class PlayAloneDialog : public QDialog {
  Q_OBJECT
 public:
  PlayAloneDialog(const PlayAloneChoice& choice, QWidget* parent);
  PlayAloneChoice Choice() const;

 private:
  QSpinBox* turn_;
  QSpinBox* stake_;
  QSpinBox* coins_;
  QCheckBox* props_;
};

class HostDialog : public QDialog {
  Q_OBJECT
 public:
  HostDialog(const HostChoice& choice, QWidget* parent);
  HostChoice Choice() const;
  // This machine's IPv4 addresses, those other machines can reach first, loopback last.
  static QStringList LocalAddresses();

 private:
  QComboBox* address_;
  QSpinBox* port_;
  QRadioButton* open_;
  QRadioButton* accounts_;
  QSpinBox* computers_;
  QSpinBox* stake_;
  QSpinBox* turn_;
  QCheckBox* watchers_;
};

class RegisterDialog : public QDialog {
  Q_OBJECT
 public:
  RegisterDialog(const QString& name, QWidget* parent);
  QString Name() const;
  QString Nickname() const;
  QString Password() const;

 private:
  void Check();
  QLineEdit* name_;
  QLineEdit* nickname_;
  QLineEdit* password_;
  QLineEdit* again_;
  QLabel* problem_;
};

struct NewTableChoice {
  int stake = 10;
  int turnSeconds = 8;
  int computerPlayers = 0;
};

class NewTableDialog : public QDialog {
  Q_OBJECT
 public:
  NewTableDialog(int stake, int turnSeconds, int minTurn, int maxTurn, int maxStake,
                 QWidget* parent);
  NewTableChoice Choice() const;

 private:
  QSpinBox* stake_;
  QSpinBox* turn_;
  QSpinBox* computers_;
};

}  // namespace korvel::lobby
