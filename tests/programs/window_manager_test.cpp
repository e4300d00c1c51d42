// The real client under a real window manager: korvel-server with two computer players,
// korvel-lobby and korvel on a private Xvfb desktop run by openbox, driven with the real pointer
// and keyboard (xdotool), and checked by what the X server says: which window is above which,
// who owns whom, which windows carry the window manager's frame, and where the keyboard is.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <memory>

#include "desktop.h"
#include "net/records.h"
#include "program_environment.h"
#include "replay/session_file.h"

namespace {

const QString kBin = KORVEL_BIN_DIR;

struct Layout {
  const char* screen;
  double scale;  // design pixels to window pixels
};

// The table on a desktop, seated with two computer players.
class TableOnDesktop {
 public:
  TableOnDesktop(const QTemporaryDir& dir, const Layout& layout, const QStringList& serverOptions)
      : dir_(dir), layout_(layout), desktop_(layout.screen) {
    env_ = ProgramEnvironment(dir.path());
    env_.insert("QT_QPA_PLATFORM", "xcb");
    env_.insert("DISPLAY", desktop_.display());
    env_.insert("KORVEL_LOG", dir.filePath("client.log"));
    env_.insert("KORVEL_SESSION_DIR", dir.path() + "/sessions");
    serverOptions_ = serverOptions;
  }
  ~TableOnDesktop() {
    if (lobby_.state() != QProcess::NotRunning) {
      lobby_.write("quit\n");
      if (!lobby_.waitForFinished(5000)) lobby_.kill();
    }
    server_.kill();
    server_.waitForFinished();
  }
  const Desktop& desktop() const { return desktop_; }

  // Starts the programs and waits for the table window; false when any of it fails.
  bool Start() {
    if (!desktop_.ready()) return false;
    // A port of its own for each table of this program: the last one's may linger.
    static int tables = 0;
    const QString port =
        QString::number(21000 + QCoreApplication::applicationPid() % 9000 + 11 * tables++);
    server_.setProcessEnvironment(env_);
    server_.start(kBin + "/korvel-server", QStringList{"--port", port, "--bots", "2", "--quiet",
                                                       "--open", "--lobby-port", "0"} +
                                               serverOptions_);
    if (!server_.waitForStarted()) return false;
    lobby_.setProcessEnvironment(env_);
    lobby_.start(kBin + "/korvel-lobby", {"--server", "127.0.0.1:" + port, "--user", "tester"});
    if (!lobby_.waitForStarted()) return false;
    // Seated once the other two have been placed: their portraits are what a whisper needs.
    if (!Desktop::WaitUntil([&] { return Log().contains("游戏将在15秒内开始"); }, 30000)) {
      problem_ = "not seated";
      return false;
    }
    const auto main = desktop_.WaitFor("korvel", 20000);
    if (!main) {
      problem_ = "no table window among " + Windows() + " on " + desktop_.display() + ": " +
                 desktop_.Root("_NET_CLIENT_LIST_STACKING") + " / " + desktop_.State() + "\n" +
                 desktop_.Run("xwininfo", {"-root", "-children"}) + "\n" +
                 QString::fromUtf8(lobby_.readAllStandardOutput() + lobby_.readAllStandardError());
      return false;
    }
    main_ = *main;
    // Let the window manager finish placing and focusing it.
    QThread::msleep(500);
    return true;
  }
  qulonglong main() const { return main_; }
  // Why Start failed, with the client's log.
  std::string Problem() const { return (problem_ + "\n" + Log()).toStdString(); }
  QString Windows() const {
    QStringList titles;
    for (qulonglong w : desktop_.Stacking()) titles << desktop_.Title(w);
    return titles.join(", ");
  }
  // A click or a hover at a place given in design pixels of the full table.
  void Click(double x, double y) const { desktop_.Click(main_, X(x), X(y)); }
  void Hover(double x, double y) const { desktop_.Hover(main_, X(x), X(y)); }
  int X(double design) const { return static_cast<int>(std::lround(design * layout_.scale)); }
  void Tell(const char* request) {
    lobby_.write(QByteArray(request) + "\n");
    lobby_.waitForBytesWritten(2000);
  }
  void Quit() {
    lobby_.write("quit\n");
    lobby_.waitForFinished(5000);
  }
  QString Log() const {
    QFile f(dir_.filePath("client.log"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }
  korvel::SessionFile Session() const {
    const QDir folder(dir_.path() + "/sessions");
    const QStringList files = folder.entryList({"*.kvsession"}, QDir::Files, QDir::Time);
    if (files.isEmpty()) return {};
    return korvel::ReadSessionFile(folder.filePath(files.first()).toStdString());
  }

 private:
  const QTemporaryDir& dir_;
  Layout layout_;
  Desktop desktop_;
  QProcessEnvironment env_;
  QStringList serverOptions_;
  QProcess server_;
  QProcess lobby_;
  qulonglong main_ = 0;
  QString problem_;
};

// The centre of main button i, in design pixels.
double ButtonX(int i) { return 648 + 70 * ((i - 1) % 4) + 30; }
double ButtonY(int i) { return (i <= 4 ? 699 : 731) + 15; }
constexpr double kFeltX = 512, kFeltY = 300;
constexpr double kLeftPortraitX = 42, kLeftPortraitY = 46;

class WindowManagerTest : public ::testing::TestWithParam<Layout> {
 protected:
  void SetUp() override {
    if (const QString missing = Desktop::Missing(); !missing.isEmpty()) {
      GTEST_SKIP() << "no window manager desktop here: " << missing.toStdString()
                   << " missing (scripts/setup installs them)";
    }
    ASSERT_TRUE(dir.isValid());
  }
  QTemporaryDir dir;
};

TEST_P(WindowManagerTest, SecondaryWindowsBelongToTheTableAndStayAboveIt) {
  TableOnDesktop table(dir, GetParam(), {"--start-seconds", "60"});
  ASSERT_TRUE(table.Start()) << table.Problem();
  const Desktop& d = table.desktop();
  const qulonglong main = table.main();

  struct Opened {
    int button;
    const char* title;
    bool ownCloseButton;
  };
  // Each opens with one click, is owned by the table, comes up above it and stays there when
  // the felt is clicked; those with a close button of their own have no frame of the desktop's.
  for (const Opened& o :
       {Opened{5, "战绩板", true}, Opened{6, "历史战绩", true}, Opened{3, "声音设置", true},
        Opened{1, "聊天", true}, Opened{8, "退出", true}, Opened{7, "游戏规则", false}}) {
    SCOPED_TRACE(o.title);
    table.Click(ButtonX(o.button), ButtonY(o.button));
    const auto w = d.WaitFor(o.title);
    ASSERT_TRUE(w.has_value()) << "no window " << o.title;
    EXPECT_EQ(d.Owner(*w), main);
    EXPECT_TRUE(d.Above(*w, main));
    if (o.ownCloseButton) {
      EXPECT_EQ(d.Frame(*w), (QList<qulonglong>{0, 0, 0, 0}));
    }
    table.Click(kFeltX, kFeltY);
    QThread::msleep(300);
    EXPECT_TRUE(d.Above(*w, main)) << "a click on the felt buried it";
  }
}

TEST_P(WindowManagerTest, TheInformationWindowIsPlainAndGoesWithTheTable) {
  TableOnDesktop table(dir, GetParam(), {"--start-seconds", "60"});
  ASSERT_TRUE(table.Start()) << table.Problem();
  const Desktop& d = table.desktop();
  table.Hover(kLeftPortraitX - 5, kLeftPortraitY);
  table.Hover(kLeftPortraitX, kLeftPortraitY);
  const auto info = d.WaitFor("玩家信息");
  ASSERT_TRUE(info.has_value());
  EXPECT_FALSE(d.Find("frmInfo").has_value());
  EXPECT_EQ(d.Owner(*info), table.main());
  EXPECT_EQ(d.Frame(*info), (QList<qulonglong>{0, 0, 0, 0}));
  EXPECT_TRUE(d.Above(*info, table.main()));

  // Leaving the table takes it away with the table's figures.
  table.Tell("leave-now");
  EXPECT_TRUE(Desktop::WaitUntil([&] { return !d.Find("玩家信息").has_value(); }, 5000))
      << table.Log().toStdString();
}

TEST_P(WindowManagerTest, AWhisperTypesIntoTheChatBoxAndNotOnTheTable) {
  TableOnDesktop table(dir, GetParam(), {"--start-seconds", "60"});
  ASSERT_TRUE(table.Start()) << table.Problem();
  const Desktop& d = table.desktop();
  table.Click(kLeftPortraitX, kLeftPortraitY);
  QThread::msleep(300);
  EXPECT_EQ(d.Focused(), table.main());
  d.Type("hi there");
  d.Key("Return");
  QThread::msleep(500);
  table.Quit();

  // The whole text went out as a private message, prefix and all.
  const korvel::SessionFile session = table.Session();
  ASSERT_TRUE(session.usable) << session.problem;
  bool whispered = false;
  for (const korvel::SessionEntry& e : session.entries) {
    if (e.kind != korvel::EntryKind::Sent || e.record[korvel::rec::kCommand] != 19) continue;
    const QByteArray text(reinterpret_cast<const char*>(e.record.data()) + korvel::rec::kPayload);
    whispered = whispered || text.endsWith(": hi there");
  }
  EXPECT_TRUE(whispered) << table.Log().toStdString();
}

TEST_P(WindowManagerTest, TheReplaysBarSitsUnderTheTableOnceTheWindowManagerHasPlacedIt) {
  TableOnDesktop table(dir, GetParam(), {"--start-seconds", "60"});
  ASSERT_TRUE(table.Start()) << table.Problem();
  table.Quit();
  const QDir sessions(dir.path() + "/sessions");
  const QStringList files = sessions.entryList({"*.kvsession"});
  ASSERT_EQ(files.size(), 1);

  const Desktop& d = table.desktop();
  QProcess replay;
  QProcessEnvironment env = ProgramEnvironment(dir.path());
  env.insert("QT_QPA_PLATFORM", "xcb");
  env.insert("DISPLAY", d.display());
  replay.setProcessEnvironment(env);
  replay.start(kBin + "/korvel-replay", {"--paused", sessions.filePath(files[0])});
  ASSERT_TRUE(replay.waitForStarted());
  const QString title = "回放 - " + files[0];
  std::optional<qulonglong> bar, tableWindow;
  ASSERT_TRUE(Desktop::WaitUntil(
      [&] {
        for (qulonglong w : d.Stacking()) {
          if (d.Title(w) != title) continue;
          (d.Geometry(w).height() > 200 ? tableWindow : bar) = w;
        }
        return bar && tableWindow;
      },
      8000))
      << table.Windows().toStdString();
  QThread::msleep(500);
  const QRect board = d.Geometry(*tableWindow), controls = d.Geometry(*bar);
  EXPECT_GE(controls.top(), board.bottom()) << "the bar covers the table's bottom panel";
  EXPECT_NEAR(controls.left(), board.left(), 8) << "inside the bar's own frame";
  replay.kill();
  replay.waitForFinished();
}

INSTANTIATE_TEST_SUITE_P(Layouts, WindowManagerTest,
                         ::testing::Values(Layout{"1024x768", 1.0}, Layout{"800x600", 0.78125}),
                         [](const auto& info) { return info.param.scale < 1 ? "Small" : "Full"; });

}  // namespace
