// An installed Korvel: a temporary prefix, the desktop files, the manual pages and the .deb,
// each checked with the tools a distribution would use, and played from its own files only.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFileInfo>
#include <QImage>
#include <QStandardPaths>
#include <map>

#include "local_game.h"
#include "x_session.h"

namespace korvel {
namespace {

const QString kBuild = KORVEL_BUILD_DIR;
const QString kSource = KORVEL_SOURCE_DIR;

struct ToolRun {
  int code = -1;
  QString out;
};

ToolRun RunTool(const QString& program, const QStringList& args, int ms = 120000,
                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, args);
  ToolRun run;
  if (!p.waitForStarted(10000)) return {-1, program + " cannot start"};
  if (!p.waitForFinished(ms)) p.kill();
  run.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  run.out = QString::fromUtf8(p.readAll());
  return run;
}

// Every file under `root` with its size and time, to see that running changed nothing there.
std::map<QString, std::pair<qint64, qint64>> Snapshot(const QString& root) {
  std::map<QString, std::pair<qint64, qint64>> files;
  QDirIterator it(root, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QFileInfo info(it.next());
    files[info.filePath()] = {info.size(), info.lastModified().toMSecsSinceEpoch()};
  }
  return files;
}

QString LibraryComponent(const QString& prefix) {
  QDirIterator it(prefix, {"libpropdll.so"}, QDir::Files, QDirIterator::Subdirectories);
  return it.hasNext() ? it.next() : QString();
}

void ExpectAPlayedGame(const LocalGame& game) {
  EXPECT_TRUE(game.lobbyOutput.contains("local server on 127.0.0.1:"))
      << game.lobbyOutput.toStdString();
  EXPECT_TRUE(game.clientLog.contains("连接服务器成功！")) << game.clientLog.toStdString();
  EXPECT_TRUE(game.clientLog.contains("游戏将在")) << "seated with two computer players";
  EXPECT_TRUE(game.lobbyOutput.contains("a deal has started")) << game.lobbyOutput.toStdString();
  EXPECT_FALSE(game.clientLog.contains("pictures missing")) << game.clientLog.toStdString();
  EXPECT_TRUE(game.screenshot);
  EXPECT_TRUE(game.serverLog.contains("(computer)")) << game.serverLog.toStdString();
  EXPECT_TRUE(game.lobbyEnded);
  EXPECT_TRUE(game.serverStoppedWithTheLobby) << "port " << game.port;
  EXPECT_TRUE(game.gameRecordRemoved) << "the lobby ended the client: its table is left";
  EXPECT_TRUE(game.socketsLeft.isEmpty()) << game.socketsLeft.join(' ').toStdString();
  // The player's folders are the player's alone.
  for (const char* folder : {"state/korvel", "data/korvel", "data/korvel/sessions"}) {
    const QFileInfo info(game.home + "/" + folder);
    EXPECT_TRUE(info.isDir()) << folder;
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(info.permissions() & others, QFileDevice::Permissions()) << folder;
  }
}

// The newest session the game recorded, which the installed korvel-replay must read as the
// README says.
void ExpectTheSessionReplays(const QString& binDir, const LocalGame& game) {
  QDirIterator it(game.home + "/data/korvel/sessions", {"*.kvsession"}, QDir::Files);
  ASSERT_TRUE(it.hasNext()) << "the game was recorded";
  const QString session = it.next();
  EXPECT_TRUE(QFileInfo(session).fileName().contains("_本地牌桌-")) << session.toStdString();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  const ToolRun list = RunTool(binDir + "/korvel-replay", {"--list", session}, 60000, env);
  EXPECT_EQ(list.code, 0) << list.out.toStdString();
  const QString text = QFileInfo(session).dir().filePath("game.txt");
  const ToolRun exported =
      RunTool(binDir + "/korvel-replay", {"--export-text", session, text}, 60000, env);
  EXPECT_EQ(exported.code, 0) << exported.out.toStdString();
  EXPECT_GT(QFileInfo(text).size(), 0);
}

TEST(Install, APrefixHoldsEverythingAndTheGameRunsFromItWithoutWritingThere) {
  QTemporaryDir temp;
  ASSERT_TRUE(temp.isValid());
  const QString prefix = temp.filePath("prefix");
  const ToolRun install = RunTool(CMAKE_COMMAND, {"--install", kBuild, "--prefix", prefix});
  ASSERT_EQ(install.code, 0) << install.out.toStdString();
  for (const char* file :
       {"bin/korvel", "bin/korvel-server", "bin/korvel-lobby", "share/korvel/chat.ini",
        "share/korvel/rules.html", "share/korvel/pictures/223.png",
        "share/korvel/pictures/223@2x.png", "share/korvel/common/music/majiang.wav",
        "share/applications/org.korvel.Korvel.desktop",
        "share/metainfo/org.korvel.Korvel.metainfo.xml",
        "share/icons/hicolor/16x16/apps/korvel.png", "share/icons/hicolor/256x256/apps/korvel.png",
        "share/man/man6/korvel.6.gz", "share/man/man6/korvel-server.6.gz",
        "share/man/man6/korvel-lobby.6.gz"}) {
    EXPECT_TRUE(QFileInfo::exists(prefix + "/" + file)) << file;
  }
  // The replay the README describes, and what a distribution expects beside the programs.
  for (const char* file :
       {"bin/korvel-replay", "share/man/man6/korvel-replay.6.gz", "share/doc/korvel/copyright",
        "share/doc/korvel/changelog.gz", "share/icons/hicolor/scalable/apps/korvel.svg"}) {
    EXPECT_TRUE(QFileInfo::exists(prefix + "/" + file)) << file;
  }
  const QString component = LibraryComponent(prefix);
  EXPECT_TRUE(component.endsWith("/korvel/plugin/tools/libpropdll.so")) << component.toStdString();
  EXPECT_FALSE(component.contains("/bin/")) << "no libraries among the programs";

  const auto before = Snapshot(prefix);
  const LocalGame game =
      PlayLocalGame(prefix + "/bin", temp.filePath("home"), "a deal has started");
  ExpectAPlayedGame(game);
  ExpectTheSessionReplays(prefix + "/bin", game);
  EXPECT_EQ(Snapshot(prefix), before) << "the install folder is never written to";
}

// The menu entry's own command from `binDir`, on a real desktop: the hall window, 单机游戏 with
// its choices, the table taking the screen, and 退出 ending the table and its server.
void ExpectTheMenuEntryPlaysAlone(const QString& binDir, const QString& home) {
  XSession x;
  if (!x.Available()) return;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("HOME", home);
  for (const char* name : {"CONFIG", "DATA", "STATE"})
    env.insert(QString("XDG_%1_HOME").arg(name), home + "/" + QString(name).toLower());
  env.insert("XDG_RUNTIME_DIR", home + "/run");
  QDir().mkpath(home + "/run");
  QFile::setPermissions(home + "/run",
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  env.insert("DISPLAY", x.Display());
  env.remove("QT_QPA_PLATFORM");
  env.insert("KORVEL_DIALOGS", "print");
  env.remove("KORVEL_LOG");
  QProcess hall;
  hall.setProcessEnvironment(env);
  hall.setProcessChannelMode(QProcess::MergedChannels);
  hall.start(binDir + "/korvel-lobby", {});
  ASSERT_TRUE(hall.waitForStarted(5000));
  const QString window = x.FindVisible("Tesk山庄", 20000);
  ASSERT_FALSE(window.isEmpty()) << hall.readAll().toStdString();
  x.Run({"xdotool", "windowactivate", "--sync", window});
  x.Run({"xdotool", "key", "ctrl+n"});
  QThread::msleep(1000);
  x.Run({"xdotool", "key", "Return"});
  QByteArray out;
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 40000 && !out.contains("the table asks to minimise the hall")) {
    hall.waitForReadyRead(200);
    out += hall.readAll();
  }
  ASSERT_TRUE(out.contains("the table asks to minimise the hall")) << out.toStdString();
  x.Run({"xdotool", "windowactivate", "--sync", window});
  x.Run({"xdotool", "key", "ctrl+q"});
  QThread::msleep(1000);
  x.Run({"xdotool", "key", "alt+y"});
  EXPECT_TRUE(hall.waitForFinished(15000)) << out.toStdString();
  out += hall.readAll();
  const QRegularExpression port(R"(\$127\.0\.0\.1\$(\d+)\$)");
  const auto m = port.match(QString::fromUtf8(out));
  ASSERT_TRUE(m.hasMatch()) << out.toStdString();
  EXPECT_FALSE(PortAccepts(m.captured(1).toInt())) << "the private server ended with the window";
}

TEST(Install, TheDesktopEntryAndTheMetainfoValidate) {
  const QString entry = kSource + "/desktop/org.korvel.Korvel.desktop";
  const ToolRun desktop = RunTool("desktop-file-validate", {entry});
  EXPECT_EQ(desktop.code, 0) << desktop.out.toStdString();
  EXPECT_TRUE(desktop.out.trimmed().isEmpty())
      << "no warnings either: " << desktop.out.toStdString();
  const QString text = ReadText(entry);
  EXPECT_TRUE(text.contains("\nName=Korvel麻将\n"));
  EXPECT_TRUE(text.contains("\nExec=korvel-lobby\n")) << "the menu opens the hall window";
  EXPECT_TRUE(text.contains("\nExec=korvel-lobby --local\n")) << "and offers a game alone";
  EXPECT_TRUE(text.contains("\nIcon=korvel\n"));

  const ToolRun metainfo =
      RunTool("appstreamcli",
              {"validate", "--no-net", kSource + "/desktop/org.korvel.Korvel.metainfo.xml"});
  EXPECT_EQ(metainfo.code, 0) << metainfo.out.toStdString();
  const QString xml = ReadText(kSource + "/desktop/org.korvel.Korvel.metainfo.xml");
  // A screenshot address must answer; the package ships none rather than a made-up one.
  EXPECT_FALSE(xml.contains("<screenshot")) << "no screenshot address that does not exist";
  EXPECT_TRUE(xml.contains("<p xml:lang=\"zh-CN\">")) << "a Chinese description";
  EXPECT_TRUE(xml.contains("<launchable type=\"desktop-id\">org.korvel.Korvel.desktop<"));

  // The icon theme has every usual size, each square and drawn (not blank).
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QImage icon(
        QString("%1/share/icons/hicolor/%2x%2/apps/korvel.png").arg(kBuild).arg(size));
    ASSERT_EQ(icon.size(), QSize(size, size)) << size;
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << "round: the corners are clear";
    EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255);
  }
}

TEST(Install, EveryManualPageRendersWithItsProgramsOptions) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("MANPAGER", "cat");
  env.insert("MANWIDTH", "100");
  env.insert("LC_ALL", "C.UTF-8");
  const std::map<QString, QString> optionOf = {{"korvel", "KORVEL_LOG"},
                                               {"korvel-server", "--bots"},
                                               {"korvel-lobby", "Tesk山庄"},
                                               {"korvel-replay", "--export-text"}};
  for (const auto& [program, option] : optionOf) {
    const QString page = kBuild + "/share/man/man6/" + program + ".6.gz";
    const ToolRun man = RunTool("man", {"-l", page}, 60000, env);
    EXPECT_EQ(man.code, 0) << man.out.toStdString();
    EXPECT_TRUE(man.out.contains("NAME")) << program.toStdString();
    EXPECT_TRUE(man.out.contains(program + " - ")) << man.out.left(400).toStdString();
    EXPECT_TRUE(man.out.contains(option)) << program.toStdString();
  }
}

// The package users install is the release build scripts/package makes; .ci/run builds it and
// names it in KORVEL_DEB.
TEST(Install, ThePackageNamesItsLibrariesPassesLintianAndPlaysFromItsOwnFiles) {
  const QString deb = qEnvironmentVariable("KORVEL_DEB");
  if (deb.isEmpty()) GTEST_SKIP() << "KORVEL_DEB names no package (scripts/package builds one)";
  ASSERT_TRUE(QFileInfo::exists(deb)) << deb.toStdString();
  QTemporaryDir temp;
  ASSERT_TRUE(temp.isValid());

  const ToolRun depends = RunTool("dpkg-deb", {"--field", deb, "Depends"});
  EXPECT_EQ(depends.code, 0);
  // Found by dpkg-shlibdeps from the programs themselves.
  EXPECT_TRUE(depends.out.contains("libqt6widgets6")) << depends.out.toStdString();
  EXPECT_TRUE(depends.out.contains("libc6")) << depends.out.toStdString();
  EXPECT_TRUE(depends.out.contains("qt6-qpa-plugins")) << depends.out.toStdString();
  EXPECT_TRUE(depends.out.contains("fonts-wqy-zenhei")) << "the interface's font";

  const QString root = temp.filePath("root");
  const ToolRun unpack = RunTool("dpkg-deb", {"-x", deb, root});
  ASSERT_EQ(unpack.code, 0) << unpack.out.toStdString();
  for (const char* file :
       {"usr/games/korvel", "usr/games/korvel-lobby", "usr/games/korvel-server",
        "usr/games/korvel-replay", "usr/share/applications/org.korvel.Korvel.desktop",
        "usr/share/doc/korvel/copyright", "usr/share/doc/korvel/changelog.gz",
        "usr/share/man/man6/korvel-replay.6.gz",
        "usr/share/icons/hicolor/scalable/apps/korvel.svg"}) {
    EXPECT_TRUE(QFileInfo::exists(root + "/" + file)) << file;
  }
  const LocalGame game =
      PlayLocalGame(root + "/usr/games", temp.filePath("home"), "a deal has started");
  ExpectAPlayedGame(game);
  ExpectTheSessionReplays(root + "/usr/games", game);
  ExpectTheMenuEntryPlaysAlone(root + "/usr/games", temp.filePath("hall-home"));

  if (QStandardPaths::findExecutable("lintian").isEmpty()) {
    GTEST_SKIP() << "lintian is not installed (scripts/setup --test installs it)";
  }
  const ToolRun lint = RunTool("lintian", {"--fail-on", "error,warning", deb}, 300000);
  EXPECT_EQ(lint.code, 0) << lint.out.toStdString();
}

}  // namespace
}  // namespace korvel
