// The player's record: the figures the server keeps for the account, and the coins over the
// games recorded on this machine, each of which can be watched again in the replay program.
#pragma once

#include <QDialog>

#include "hall_data.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace korvel::lobby {

class CoinChart;

class RecordDialog : public QDialog {
  Q_OBJECT
 public:
  RecordDialog(QString replayProgram, QWidget* parent);
  void ShowFigures(const PlayerFigures& me);
  void ShowProblem(const QString& text);

 private:
  void Replay();

  QString replayProgram_;
  QLabel* figures_;
  CoinChart* chart_;
  QListWidget* games_;
  QPushButton* replay_;
};

}  // namespace korvel::lobby
