// The hall window as a player meets it: the real korvel-lobby under Xvfb with openbox, typed at
// and clicked with xdotool, against a real korvel-server with accounts on loopback. The hall is
// asked over HTTP by the test itself (another player), and a stand-in table client notes the
// launch line the hall built, so every field can be checked; the hosting test plays with the
// real table client.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include "config/launch_params.h"
#include "desktop.h"
#include "hall/server_process.h"
#include "lobby_link.h"
#include "net/lobby_window.h"

namespace korvel {
namespace {

const QString kBin = KORVEL_BIN_DIR;
const QString kHallTitle = "Tesk山庄";
constexpr int kWaitMs = 20000;

QCoreApplication& HallTestApp() {
  static int argc = 1;
  static char name[] = "test_programs";
  static char* argv[] = {name, nullptr};
  static auto* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
  (void)app;
  return *QCoreApplication::instance();
}

// A game port whose neighbour is free too, for the hall; within what launch lines carry.
int FreePortPair() {
  for (int port = 23000 + QCoreApplication::applicationPid() % 4000 * 2; port < 32700; port += 2) {
    QTcpServer game, hall;
    if (game.listen(QHostAddress::LocalHost, port) &&
        hall.listen(QHostAddress::LocalHost, port + 1))
      return port;
  }
  return 0;
}

bool Accepts(int port) {
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
  return socket.waitForConnected(500);
}

struct Answer {
  int status = 0;
  QJsonObject body;
};

// One request to a hall, as another player's program would make it.
Answer Http(const QByteArray& method, int port, const QString& path, const QJsonObject& body = {},
            const QString& token = {}) {
  HallTestApp();
  QNetworkAccessManager net;
  QNetworkRequest request(QUrl(QString("http://127.0.0.1:%1%2").arg(port).arg(path)));
  request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
  if (!token.isEmpty()) request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
  request.setTransferTimeout(10000);
  QNetworkReply* reply =
      method == "GET" ? net.get(request) : net.post(request, QJsonDocument(body).toJson());
  QEventLoop loop;
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  loop.exec();
  Answer a;
  a.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  a.body = QJsonDocument::fromJson(reply->readAll()).object();
  reply->deleteLater();
  return a;
}

// The folders of one player's machine: settings, state, recordings and the runtime folder the
// lobby endpoint lives in. Two of them are two machines as far as the programs can tell.
class Machine {
 public:
  explicit Machine(const QString& root) : root_(root) {
    for (const char* sub : {"home", "config/korvel", "state", "data", "run"})
      QDir().mkpath(root_ + "/" + sub);
    ::chmod((root_ + "/run").toLocal8Bit().constData(), 0700);
  }
  QProcessEnvironment Env(const QString& display) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", root_ + "/home");
    env.insert("XDG_CONFIG_HOME", root_ + "/config");
    env.insert("XDG_STATE_HOME", root_ + "/state");
    env.insert("XDG_DATA_HOME", root_ + "/data");
    env.insert("XDG_RUNTIME_DIR", root_ + "/run");
    env.insert("DISPLAY", display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("KORVEL_DIALOGS", "print");
    env.remove("KORVEL_LOG");
    env.remove("KORVEL_SESSION_DIR");
    return env;
  }
  // Where the lobby endpoints of this machine are.
  std::string Endpoints() const { return (root_ + "/run/korvel").toStdString(); }
  void Remember(const QString& ini) const {
    QFile f(root_ + "/config/korvel/korvel-lobby.conf");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(ini.toUtf8());
  }
  const QString& root() const { return root_; }

 private:
  QString root_;
};

// A running korvel-lobby and everything it printed.
class HallProcess {
 public:
  ~HallProcess() { Stop(); }
  void Start(const Machine& machine, const Desktop& desktop, const QStringList& args = {}) {
    p_.setProcessEnvironment(machine.Env(desktop.display()));
    p_.setProcessChannelMode(QProcess::MergedChannels);
    p_.start(kBin + "/korvel-lobby", args);
    ASSERT_TRUE(p_.waitForStarted(5000));
  }
  // Waits until the output holds `text`.
  bool WaitFor(const QString& text, int ms = kWaitMs) {
    return Desktop::WaitUntil(
        [&] {
          Read();
          return out_.contains(text);
        },
        ms);
  }
  const QString& Output() {
    Read();
    return out_;
  }
  bool WaitEnded(int ms) { return p_.state() == QProcess::NotRunning || p_.waitForFinished(ms); }
  void Stop() {
    if (p_.state() == QProcess::NotRunning) return;
    p_.terminate();
    if (!p_.waitForFinished(5000)) p_.kill();
    p_.waitForFinished(2000);
  }

 private:
  void Read() {
    p_.waitForReadyRead(50);
    out_ += QString::fromUtf8(p_.readAll());
  }
  QProcess p_;
  QString out_;
};

class HallWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HallTestApp();
    if (const QString missing = Desktop::Missing(); !missing.isEmpty()) {
      GTEST_SKIP() << "no window manager desktop here: " << missing.toStdString();
    }
    ASSERT_TRUE(desktop_.ready()) << desktop_.State().toStdString();
    ASSERT_TRUE(dir_.isValid());
    port_ = FreePortPair();
    ASSERT_NE(port_, 0);
  }

  // korvel-server with accounts (or open seats) on loopback.
  void StartServer(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args{"--port", std::to_string(port_), "--lobby-port",
                                  std::to_string(port_ + 1), "--watchers"};
    args.insert(args.end(), extra.begin(), extra.end());
    if (std::find(extra.begin(), extra.end(), "--open") == extra.end()) {
      for (const char* a : {"--database", "--create-database"}) args.push_back(a);
      args.insert(args.end() - 1, (dir_.path() + "/hall.db").toStdString());
    }
    ASSERT_TRUE(server_.Start(args)) << server_.output;
  }

  // A stand-in table client that notes its launch line in `launches` and waits to be ended.
  // With `refused`, it ends at once with status 1, as a client whose login was refused does.
  QString FakeClient(bool refused = false) {
    const QString path = dir_.path() + (refused ? "/refused-korvel" : "/fake-korvel");
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QString("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '%1'\n%2\n")
                .arg(Launches(), refused ? "exit 1" : "exec sleep 600")
                .toUtf8());
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
  }
  QString Launches() const { return dir_.path() + "/launches.txt"; }
  QStringList LaunchLines() const {
    QFile f(Launches());
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
  }

  QString Register(const QString& name, const QString& password) {
    const Answer made = Http("POST", port_ + 1, "/api/v1/accounts",
                             {{"name", name}, {"password", password}, {"nickname", name}});
    EXPECT_EQ(made.status, 201);
    const Answer in =
        Http("POST", port_ + 1, "/api/v1/sessions", {{"name", name}, {"password", password}});
    EXPECT_EQ(in.status, 200);
    return in.body["token"].toString();
  }

  // The hall window of this desktop that is not one of `known`, shown and given the keys.
  qulonglong HallWindow(const QList<qulonglong>& known = {}) {
    qulonglong found = 0;
    Desktop::WaitUntil(
        [&] {
          for (qulonglong w : desktop_.Stacking()) {
            if (!known.contains(w) && desktop_.Title(w) == kHallTitle) found = w;
          }
          return found != 0;
        },
        kWaitMs);
    if (found) Activate(found);
    return found;
  }
  void Activate(qulonglong window) const {
    desktop_.Run("xdotool", {"windowactivate", "--sync", QString::number(window)});
    QThread::msleep(300);
  }
  bool Minimised(qulonglong window) const {
    return desktop_.Property(window, "WM_STATE").contains("Iconic");
  }
  void Keys(const QString& keys) const {
    for (const QString& k : keys.split(' ', Qt::SkipEmptyParts)) {
      desktop_.Key(k);
      QThread::msleep(120);
    }
  }
  // Types a hall's address and a name into the sign-in page that has the keys, then Return.
  void SignInAs(const QString& address, const QString& name) const {
    Keys("ctrl+a");
    desktop_.Type(address);
    Keys("Tab");
    desktop_.Type(name);
    Keys("Return");
  }
  // Closes a hall window as a player does, answers its question with 离开, and expects the
  // hall to end and the server it started (on `port`) to stop with it.
  void CloseAndLeave(qulonglong window, HallProcess& hall, int port) const {
    Activate(window);
    Keys("ctrl+q");
    QThread::msleep(800);
    Keys("alt+y");
    EXPECT_TRUE(hall.WaitEnded(10000)) << hall.Output().toStdString();
    EXPECT_TRUE(Desktop::WaitUntil([&] { return !Accepts(port); }, 5000))
        << "the server ended with the window that started it";
  }
  // The launch line of the table client the hall started last.
  static LaunchParse StartedLine(HallProcess& hall) {
    const QStringList parts = hall.Output().split("hall: started ");
    return ParseLaunchLine(parts.last().section('\n', 0, 0).section(' ', 1).toStdString());
  }
  void Screenshot(const QString& name) const {
    const QString folder = qEnvironmentVariable("KORVEL_SCREENSHOT_DIR");
    if (!folder.isEmpty()) desktop_.Run("import", {"-window", "root", folder + "/" + name});
  }

  Desktop desktop_{"1280x1024"};
  QTemporaryDir dir_;
  int port_ = 0;
  server::testing::ServerProcess server_;
};

TEST_F(HallWindowTest, SignsUpFollowsTheTablesLiveAndHandsTheScreenToTheTable) {
  StartServer();
  const QString bob = Register("bob", "bob-password");
  const Answer table = Http("POST", port_ + 1, "/api/v1/tables",
                            {{"stake", 20}, {"turn_seconds", 10}, {"computer_players", 1}}, bob);
  ASSERT_EQ(table.status, 201);
  const qint64 id = table.body["id"].toInteger();

  Machine machine(dir_.path() + "/alice");
  HallProcess hall;
  hall.Start(machine, desktop_, {"--client", FakeClient()});
  const qulonglong window = HallWindow();
  ASSERT_NE(window, 0u) << hall.Output().toStdString();

  // A new player: the address, a name, then 注册 fills in the rest and signs in.
  Keys("ctrl+a");
  desktop_.Type(QString("127.0.0.1:%1").arg(port_ + 1));
  Keys("Tab");
  desktop_.Type("alice");
  Keys("alt+r");
  ASSERT_TRUE(desktop_.WaitFor("注册账号").has_value());
  desktop_.Type("Alice");
  Keys("Tab");
  desktop_.Type("alice-password");
  Keys("Tab");
  desktop_.Type("alice-password");
  Keys("Return");
  ASSERT_TRUE(hall.WaitFor("hall: 登录成功。")) << hall.Output().toStdString();
  const QString listed = QString("hall: table %1: ").arg(id);
  ASSERT_TRUE(hall.WaitFor(listed)) << hall.Output().toStdString();
  EXPECT_FALSE(hall.Output().contains("bob")) << "nobody sits yet";

  // Another player takes a seat: the list shows it without being asked.
  ASSERT_EQ(Http("POST", port_ + 1, QString("/api/v1/tables/%1/seats").arg(id), {}, bob).status,
            200);
  ASSERT_TRUE(hall.WaitFor("bob(reserved)", 5000)) << hall.Output().toStdString();
  Screenshot("hall-tables.png");

  // The table list has the keys: Return sits at the chosen table.
  Keys("Return");
  ASSERT_TRUE(Desktop::WaitUntil([&] { return !LaunchLines().isEmpty(); }, kWaitMs))
      << hall.Output().toStdString();
  const LaunchParse launch = ParseLaunchLine(LaunchLines().front().toStdString());
  ASSERT_TRUE(launch.ok()) << launch.message;
  EXPECT_EQ(launch.params.UserId, "alice");
  EXPECT_EQ(launch.params.LoginKey.size(), 43u) << "the key of the seat reservation";
  EXPECT_EQ(launch.params.ServerHost, "127.0.0.1");
  EXPECT_EQ(launch.params.ServerPort, port_);
  EXPECT_EQ(launch.params.Location, QString("127.0.0.1:%1").arg(port_).toStdString());
  EXPECT_FALSE(launch.params.Spectator);
  EXPECT_FALSE(launch.params.QuickMode) << "the client finds the hall by its own title";
  // The seat waits for alice at that table.
  const Answer tables = Http("GET", port_ + 1, "/api/v1/tables");
  QStringList seated;
  for (const QJsonValue& s : tables.body["tables"].toArray().first().toObject()["seats"].toArray())
    seated << s.toObject()["name"].toString();
  EXPECT_TRUE(seated.contains("alice")) << seated.join(",").toStdString();

  // The table takes the screen and gives it back with its own messages.
  UnixLobbyLink link(machine.Endpoints());
  ASSERT_TRUE(link.Send(kHallTitle.toStdString(), LobbyMessage{kSysCommand, kScMinimize, 0}));
  EXPECT_TRUE(Desktop::WaitUntil([&] { return Minimised(window); }, 5000));
  ASSERT_TRUE(link.Send(kHallTitle.toStdString(), LobbyMessage{kSysCommand, kScRestore, 0}));
  EXPECT_TRUE(Desktop::WaitUntil([&] { return !Minimised(window); }, 5000));
  // A table that gave the screen back has left: the hall ends it and may seat the player again.
  EXPECT_TRUE(hall.WaitFor("hall: the table ended", 5000)) << hall.Output().toStdString();
  EXPECT_TRUE(hall.WaitFor("hall: 已离开牌桌。", 2000));
}

TEST_F(HallWindowTest, AnUnreachableServerAWrongPasswordAndARefusedSeatAreSaidInTheWindow) {
  StartServer();
  const QString carol = Register("carol", "carol-password");
  ASSERT_EQ(Http("POST", port_ + 1, "/api/v1/tables", {{"computer_players", 2}}, carol).status,
            201);
  Machine machine(dir_.path() + "/carol");
  HallProcess hall;
  hall.Start(machine, desktop_, {"--client", FakeClient(true)});
  const qulonglong window = HallWindow();
  ASSERT_NE(window, 0u);

  // Nobody listens on the game port's number minus one hundred.
  Keys("ctrl+a");
  desktop_.Type(QString("127.0.0.1:%1").arg(port_ - 100));
  Keys("Tab");
  desktop_.Type("carol");
  Keys("Tab");
  desktop_.Type("carol-password");
  Keys("Return");
  ASSERT_TRUE(hall.WaitFor("hall: 无法连接服务器")) << hall.Output().toStdString();
  Screenshot("hall-unreachable.png");

  // The window still answers: back to the address, then a wrong password.
  Keys("shift+Tab shift+Tab ctrl+a");
  desktop_.Type(QString("127.0.0.1:%1").arg(port_ + 1));
  Keys("Tab Tab ctrl+a");
  desktop_.Type("not-the-password");
  Keys("Return");
  ASSERT_TRUE(hall.WaitFor("hall: 用户名或密码错误。")) << hall.Output().toStdString();
  Screenshot("hall-wrong-password.png");
  desktop_.Type("carol-password");
  Keys("Return");
  ASSERT_TRUE(hall.WaitFor("hall: 登录成功。")) << hall.Output().toStdString();
  EXPECT_FALSE(QFile(machine.root() + "/config/korvel/korvel-lobby.conf")
                   .permissions()
                   .testAnyFlags(QFile::ReadGroup | QFile::ReadOther))
      << "the remembered sign-in is the player's alone";

  // A table client that cannot use its key (it ran out, say) ends before it sits; the hall
  // says so where the player looks and lets them sit again.
  ASSERT_TRUE(hall.WaitFor("hall: table 1: ")) << hall.Output().toStdString();
  Keys("Return");
  ASSERT_TRUE(hall.WaitFor("hall: 没能入座")) << hall.Output().toStdString();
  EXPECT_FALSE(Minimised(window));
  Keys("alt+s");
  EXPECT_TRUE(Desktop::WaitUntil([&] { return LaunchLines().size() == 2; }, kWaitMs))
      << hall.Output().toStdString();

  // The next start remembers the sign-in: Return alone signs in again.
  hall.Stop();
  QFile settings(machine.root() + "/config/korvel/korvel-lobby.conf");
  ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
  const QByteArray remembered = settings.readAll();
  EXPECT_TRUE(remembered.contains("token=")) << remembered.toStdString();
  EXPECT_FALSE(remembered.contains("carol-password")) << "never the password";
  HallProcess again;
  again.Start(machine, desktop_, {"--client", FakeClient(true)});
  ASSERT_NE(HallWindow(), 0u);
  Keys("Return");
  EXPECT_TRUE(again.WaitFor("hall: 登录成功。")) << again.Output().toStdString();
}

TEST_F(HallWindowTest, AHostedTableTakesAFriendFromASecondHall) {
  // The host's choices, as a previous run left them: this port, one computer player.
  Machine host(dir_.path() + "/host");
  host.Remember(
      QString("[host]\naddress=127.0.0.1\nport=%1\nopen=true\ncomputer_players=1\n").arg(port_));
  HallProcess hostHall;
  hostHall.Start(host, desktop_);
  const qulonglong hostWindow = HallWindow();
  ASSERT_NE(hostWindow, 0u);
  Keys("ctrl+h");
  ASSERT_TRUE(desktop_.WaitFor("创建牌桌").has_value());
  Keys("Return");
  const QString address = QString("127.0.0.1:%1").arg(port_ + 1);
  ASSERT_TRUE(hostHall.WaitFor("hall: 牌桌已开好，地址 " + address))
      << hostHall.Output().toStdString();
  ASSERT_TRUE(hostHall.WaitFor("hall: 开放牌桌")) << hostHall.Output().toStdString();
  ASSERT_TRUE(Accepts(port_)) << "the hosted server listens on the chosen port";
  // The host sits down; the table waits for a third player.
  Keys("alt+s");
  ASSERT_TRUE(hostHall.WaitFor("hall: message 771 from the table"))
      << hostHall.Output().toStdString();

  // A friend on another machine types the address and a name.
  Machine friendMachine(dir_.path() + "/friend");
  HallProcess friendHall;
  friendHall.Start(friendMachine, desktop_);
  const qulonglong friendWindow = HallWindow({hostWindow});
  ASSERT_NE(friendWindow, 0u);
  SignInAs(address, "friend");
  ASSERT_TRUE(friendHall.WaitFor("hall: 开放牌桌")) << friendHall.Output().toStdString();
  ASSERT_TRUE(friendHall.WaitFor("hall: table ")) << friendHall.Output().toStdString();
  Screenshot("hall-friend-joins.png");
  Keys("alt+s");
  // The table is full: both tables take the screen from their halls.
  ASSERT_TRUE(friendHall.WaitFor("hall: the table asks to minimise the hall"))
      << friendHall.Output().toStdString();
  ASSERT_TRUE(hostHall.WaitFor("hall: the table asks to minimise the hall"))
      << hostHall.Output().toStdString();
  EXPECT_TRUE(Desktop::WaitUntil([&] { return Minimised(hostWindow); }, 5000));
  EXPECT_TRUE(Desktop::WaitUntil([&] { return Minimised(friendWindow); }, 5000));
  // Host, friend and the computer player at one table.
  ASSERT_TRUE(Desktop::WaitUntil(
      [&] {
        const QJsonArray tables = Http("GET", port_ + 1, "/api/v1/tables").body["tables"].toArray();
        if (tables.size() != 1) return false;
        QStringList names;
        for (const QJsonValue& s : tables.first().toObject()["seats"].toArray())
          names << s.toObject()["name"].toString();
        return names.contains("friend") && names.size() == 3 && !names.contains("");
      },
      kWaitMs));
  Screenshot("hall-hosted-game.png");

  // A third player asks to watch. The launch line is a watcher's; the server lets nobody watch
  // a table played from the watcher's own address (all of them here), and the hall says so.
  Machine watcherMachine(dir_.path() + "/watcher");
  HallProcess watcherHall;
  watcherHall.Start(watcherMachine, desktop_);
  const qulonglong watcherWindow = HallWindow({hostWindow, friendWindow});
  ASSERT_NE(watcherWindow, 0u);
  SignInAs(address, "watcher");
  ASSERT_TRUE(watcherHall.WaitFor("hall: 开放牌桌")) << watcherHall.Output().toStdString();
  Keys("alt+w");
  ASSERT_TRUE(watcherHall.WaitFor("hall: 没能旁观")) << watcherHall.Output().toStdString();
  const LaunchParse watch = StartedLine(watcherHall);
  ASSERT_TRUE(watch.ok()) << watcherHall.Output().toStdString();
  EXPECT_TRUE(watch.params.Spectator);
  EXPECT_EQ(watch.params.LoginKey, "watch");
  EXPECT_EQ(watch.params.UserId, "watcher");
  EXPECT_EQ(watch.params.ServerPort, port_);

  // Closing the host's window while they play asks first, then ends the hosted server.
  CloseAndLeave(hostWindow, hostHall, port_);
}

TEST_F(HallWindowTest, AGameAloneStartsItsOwnServerAndEndsItWithTheWindow) {
  Machine machine(dir_.path() + "/alone");
  HallProcess hall;
  hall.Start(machine, desktop_);
  const qulonglong window = HallWindow();
  ASSERT_NE(window, 0u);
  Keys("ctrl+n");
  ASSERT_TRUE(desktop_.WaitFor("单机游戏").has_value());
  Keys("Return");
  // Two computer players fill the table at once: it takes the screen.
  ASSERT_TRUE(hall.WaitFor("hall: the table asks to minimise the hall"))
      << hall.Output().toStdString();
  EXPECT_TRUE(Desktop::WaitUntil([&] { return Minimised(window); }, 5000));
  const LaunchParse launch = StartedLine(hall);
  ASSERT_TRUE(launch.ok()) << hall.Output().toStdString();
  EXPECT_EQ(launch.params.ServerHost, "127.0.0.1");
  EXPECT_EQ(launch.params.Location, "本地牌桌");
  const int port = launch.params.ServerPort;
  ASSERT_TRUE(Accepts(port));

  CloseAndLeave(window, hall, port);
}

TEST_F(HallWindowTest, ATakenPortIsToldAndASecondStartBringsTheHallForward) {
  Machine machine(dir_.path() + "/player");
  machine.Remember(QString("[host]\nport=%1\n").arg(port_));
  QTcpServer taken;
  ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, static_cast<quint16>(port_)));
  HallProcess hall;
  hall.Start(machine, desktop_);
  const qulonglong window = HallWindow();
  ASSERT_NE(window, 0u);
  Screenshot("hall-sign-in.png");
  Keys("ctrl+h");
  ASSERT_TRUE(desktop_.WaitFor("创建牌桌").has_value());
  Keys("Return");
  EXPECT_TRUE(hall.WaitFor(QString("hall: 端口 %1 或 %2 已被占用").arg(port_).arg(port_ + 1)))
      << hall.Output().toStdString();
  desktop_.Run("xdotool", {"windowminimize", "--sync", QString::number(window)});
  ASSERT_TRUE(Desktop::WaitUntil([&] { return Minimised(window); }, 5000));

  HallProcess second;
  second.Start(machine, desktop_);
  EXPECT_TRUE(second.WaitEnded(10000));
  EXPECT_TRUE(second.Output().contains("already runs")) << second.Output().toStdString();
  EXPECT_TRUE(Desktop::WaitUntil([&] { return !Minimised(window); }, 5000));
}

}  // namespace
}  // namespace korvel
