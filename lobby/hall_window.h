// The hall window: the lobby a player starts from the desktop menu. It signs in to a server's
// hall (or plays alone, or hosts a table for friends), shows the tables live, reserves a seat
// and starts the table client with the launch line built from it, and owns the lobby endpoint
// under its own title so the client can minimise and restore it.
#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "client_session.h"
#include "hall_client.h"
#include "hall_data.h"
#include "hall_settings.h"
#include "local_server.h"
#include "stop_signals.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace korvel::lobby {

struct HallWindowOptions {
  std::string lobbyTitle = "Tesk山庄";
  std::string clientTitle = "korvel";
  QString clientPath;
  QString serverProgram;
  QString replayProgram;
  // Logs of the table client and of a server this window starts; empty: none.
  std::string clientLog;
  QString serverLog;
};

// Another start of the hall asks the running one to come forward (a number of the range the
// table client never sends).
inline constexpr uint32_t kMsgShowHall = 0x8000;

// "host", "host:port", "[v6]:port": the hall's address, the port 6001 when none is given.
bool ParseHallAddress(const QString& text, QString& host, int& port);

class HallWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit HallWindow(HallWindowOptions options, QWidget* parent = nullptr);
  ~HallWindow() override;
  // Owns the lobby endpoint; false when another lobby holds it.
  bool Listen();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  enum class Game { None, Alone, Server };

  void BuildMenus();
  QWidget* BuildSignInPage();
  QWidget* BuildHallPage();

  // Sign-in page.
  void SignIn();
  // The password's placeholder says when a remembered sign-in spares it.
  void ShowRememberedSignIn();
  void Register();
  void EnterHall(const HallInfo& info);
  void ShowFigures();
  void SignOut();
  // Starts `server` for `plan`, saying `saying` meanwhile; `then` gets the port once it listens,
  // and a failure is told and the server dropped.
  void StartServer(std::unique_ptr<LocalServer>& server, const ServerPlan& plan,
                   const QString& saying, std::function<void(int)> then);
  void PlayAlone();
  void Host();
  void Hosted(const HostChoice& choice);
  void ShowRecord();
  void ShowAbout();

  // Hall page.
  void ReplaceTables(const std::vector<HallTable>& tables);
  void ChangeTable(const HallTable& table);
  void CloseTable(qint64 id);
  void FillRow(QTreeWidgetItem* item, const HallTable& table) const;
  const HallTable* SelectedTable() const;
  bool CanSit(const HallTable& table) const;
  void UpdateButtons();
  void Sit();
  void Watch();
  void NewTable();
  void SitAt(qint64 tableId);
  // Starts the table client for a seat (or a place to watch) on the game port `host`:`port`.
  bool Launch(const QString& host, int port, const QString& key, const QString& location,
              bool watch);

  // The table client.
  void StartClient(const LaunchParams& launch, Game game);
  void OnSystemCommand(uint32_t command);
  void OnClientMessage(uint32_t number);
  void OnClientEnded(int code, bool crashed);
  void StopClient();
  QString GameHost(const QString& offered) const;

  void Busy(bool busy);
  // Shows `text` where the player looks now (and prints it, for scripts and tests).
  void Tell(const QString& text, bool problem = false);
  void TellRefusal(const HallFailure& failure);
  bool ConfirmLeaving();
  // Ends the table client, the servers this window started and the window, without asking.
  void EndEverything();

  HallWindowOptions options_;
  HallSettings settings_;
  HallClient hall_;
  ClientSession session_;
  std::unique_ptr<LocalServer> alone_;
  std::unique_ptr<LocalServer> hosted_;
  QString hostedAddress_;

  HallInfo info_;
  PlayerFigures me_;
  bool signedIn_ = false;
  QString name_;
  QString serverText_;
  std::map<qint64, HallTable> tables_;
  Game game_ = Game::None;
  bool seated_ = false;  // the client took the screen (asked to minimise the hall)
  bool stoppingClient_ = false;
  bool watching_ = false;  // the table client started watches rather than plays
  bool busy_ = false;  // a sign-in or a server start is under way  // this window ends the client:
                       // its end is no accident

  QStackedWidget* pages_ = nullptr;
  QComboBox* server_ = nullptr;
  QLineEdit* nameEdit_ = nullptr;
  QLineEdit* password_ = nullptr;
  QCheckBox* remember_ = nullptr;
  QPushButton* signInButton_ = nullptr;
  QPushButton* registerButton_ = nullptr;
  QLabel* signInMessage_ = nullptr;
  QLabel* who_ = nullptr;
  QLabel* banner_ = nullptr;
  QLabel* live_ = nullptr;
  QTreeWidget* tableList_ = nullptr;
  QPushButton* sitButton_ = nullptr;
  QPushButton* watchButton_ = nullptr;
  QPushButton* newTableButton_ = nullptr;
  QLabel* hallMessage_ = nullptr;
  // The desktop session ending (or Ctrl-C) ends the table and the servers with the window.
  StopSignals stopSignals_;
};

}  // namespace korvel::lobby
