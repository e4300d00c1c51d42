// korvel: the table client. A lobby starts it with the launch line as its arguments.
#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>

#include "app/client.h"
#include "offscreen.h"
#include "picture_library.h"
#include "platform/user_folders.h"
#include "qt_platform.h"
#include "replay/input_entries.h"
#include "replay/session_recorder.h"
#include "scene_window.h"
#include "stop_signals.h"

namespace {

const char* kUsage =
    "Usage: korvel FIELD1$FIELD2$...$FIELD15$[BALANCE]\n"
    "\n"
    "The Korvel Mahjong table client. A lobby (korvel-lobby) starts it with the launch line:\n"
    "fifteen fields, each followed by \"$\":\n"
    "  1   user id (at most 16 bytes)\n"
    "  2   login key (at most 240 bytes)\n"
    "  3   game server host\n"
    "  4   game server port\n"
    "  5   location text\n"
    "  6   connection: 0 direct, 5 through the SOCKS5 proxy\n"
    "  7   proxy host\n"
    "  8   proxy port\n"
    "  9   proxy user name\n"
    "  10  proxy password\n"
    "  11  quick mode (1 = on)\n"
    "  12  lobby window title (quick mode)\n"
    "  13  client window title (quick mode)\n"
    "  14  props (1 = allowed)\n"
    "  15  prop parameter\n"
    "\n"
    "A watcher's line adds its coin balance after the fifteenth \"$\".\n"
    "\n"
    "Files:\n"
    "  share/korvel/             pictures, sounds, voices, quick phrases and the rules page,\n"
    "                            found beside bin/ first, then under the install prefix\n"
    "  $XDG_CONFIG_HOME/korvel/chat.ini  your own quick phrases, read before the shipped ones\n"
    "  $XDG_STATE_HOME/korvel/info.tk    the game record of the current table\n"
    "\n"
    "Environment:\n"
    "  KORVEL_DIALOGS=print   message boxes go to standard error and are answered OK\n"
    "  KORVEL_LOG=FILE        write the log to FILE instead of standard error\n"
    "  KORVEL_LAYOUT=small    the 800 x 600 table whatever the screen (full: 1024 x 768)\n"
    "  KORVEL_PICTURES=DIR    the picture set (default: share/korvel/pictures of the install)\n"
    "  KORVEL_SCREENSHOT=FILE save the table as a PNG after KORVEL_SCREENSHOT_AFTER_MS\n"
    "                         milliseconds (default 1500)\n"
    "  KORVEL_SCREENSHOT_DIR=DIR  a PNG of the table every KORVEL_SCREENSHOT_EVERY_MS\n"
    "                         milliseconds (default 5000) into DIR\n"
    "  KORVEL_TIMING=1        log when the table window's first frame has been painted\n"
    "  KORVEL_SESSION_DIR=DIR where the session recordings go (default:\n"
    "                         $XDG_DATA_HOME/korvel/sessions or ~/.local/share/korvel/sessions)\n"
    "\n"
    "Every table session is recorded for korvel-replay. The [Sessions] section of\n"
    "$XDG_CONFIG_HOME/korvel/korvel.ini (or ~/.config/korvel/korvel.ini) sets SizeLimitMB\n"
    "(all recordings together, default 200; the oldest are removed) and Record=0 turns\n"
    "recording off.\n";

// The launch line is the arguments joined by single spaces, as one command line.
std::string JoinArguments(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  return line;
}

// Logs the wall-clock moment the table window has finished its first paint, for the launch
// benchmark to compare with the moment it started the process.
class FirstFrameProbe : public QObject {
 public:
  FirstFrameProbe(korvel::SceneFrontEnd& frontEnd, korvel::FormId form, korvel::Log& log)
      : frontEnd_(frontEnd), form_(form), log_(log) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!done_ && event->type() == QEvent::Paint && watched == frontEnd_.Window(form_)) {
      done_ = true;
      // Queued, so it runs once this paint has been drawn and handed to the window system.
      QTimer::singleShot(0, this, [this] {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        log_.Write(
            "first frame at " +
            std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
        QCoreApplication::instance()->removeEventFilter(this);
      });
    }
    return false;
  }

 private:
  korvel::SceneFrontEnd& frontEnd_;
  korvel::FormId form_;
  korvel::Log& log_;
  bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  const std::string commandLine = JoinArguments(argc, argv);

  korvel::UseOffscreenWithoutDisplay();
  // Qt must not read options out of the launch line.
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  QApplication app(qtArgc, qtArgv);
  app.setApplicationName("korvel");
  // The table's own font for the few plain widgets too (the chat box, message boxes, tooltips):
  // their texts are Chinese, and one font face loaded is less memory than two.
  QApplication::setFont(QFont("WenQuanYi Zen Hei", 9));

  korvel::QtPlatform platform("korvel");
  korvel::Log& log = platform.platform().log;
  const std::string appDir = QCoreApplication::applicationDirPath().toStdString();
  if (const int moved = korvel::MoveFilesFromAppDir(appDir); moved > 0) {
    log.Write(std::to_string(moved) + " files moved from " + appDir + " to the user folders");
  }
  // Only the folder is listed here: each picture is read when the table first asks for it.
  korvel::PictureLibrary pictures;
  const QString pictureFolder =
      korvel::DefaultPictureFolder(QCoreApplication::applicationDirPath());
  // Pictures drawn for the screen's ratio, so a HiDPI table is as sharp as its text.
  pictures.LoadFolder(pictureFolder, app.devicePixelRatio());
  if (pictures.Missing() > 0) {
    log.Write(std::to_string(pictures.Missing()) + " pictures missing in " +
              pictureFolder.toStdString());
  }
  // Every table session is recorded unless the settings say not to; a launch line the client
  // will refuse anyway starts no recording.
  std::optional<korvel::FolderSessionStore> sessionStore;
  std::optional<korvel::SessionRecorder> recorder;
  std::optional<korvel::RecordingPlatform> recording;
  const korvel::LaunchParse launch = korvel::ParseLaunchLine(commandLine);
  const std::string settingsFile = korvel::DefaultSettingsFile();
  if (launch.ok() && korvel::SessionRecordingWanted(settingsFile)) {
    const char* dir = std::getenv("KORVEL_SESSION_DIR");
    const std::string folder = dir && *dir ? dir : korvel::DefaultSessionFolder();
    if (folder.empty()) {
      log.Write("no folder for session recordings (HOME is not set): this session is not recorded");
    } else {
      korvel::Platform& base = platform.platform();
      korvel::RecorderSettings settings;
      settings.sizeLimit = korvel::SessionSizeLimit(settingsFile);
      sessionStore.emplace(folder);
      recorder.emplace(
          *sessionStore, base.timers, log,
          korvel::SessionFileName(std::time(nullptr), launch.params),
          korvel::SessionHeaderFor(launch.params, base.screen.Width(), base.screen.Height()),
          settings);
      // Logging in again after leaving is another table, in a file of its own.
      recorder->nextFileName = [&launch] {
        return korvel::SessionFileName(std::time(nullptr), launch.params);
      };
      recording.emplace(base, *recorder);
    }
  }
  korvel::Client client(recording ? recording->platform() : platform.platform());
  if (recording) {
    recording->RecordWhile([&client] { return client.connection().RecordMode; });
    client.tablePlay().SetRandomSource(korvel::RecordingRandomSource(
        *recorder,
        static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count())));
  }
  // Ctrl-C, the lobby or the desktop session ending the client: it ends as it does after a
  // game, with the session recording written out.
  korvel::Process& process =
      recording ? recording->platform().process : platform.platform().process;
  korvel::StopSignals stopSignals([&log, &process, &client](int signal) {
    log.Write("stopped by " + korvel::DescribeSignal(signal) + ": closing");
    client.settlement().DeleteGameRecord();
    korvel::EndClientNow(process, 0);
  });
  client.view().scene().SetPictureStore(&pictures);
  client.Startup(commandLine);
  // The player's clicks go into the session too: a click shows its effect before the server's
  // answer, and the replay shows what the player saw.
  std::optional<korvel::InputRecorder> input;
  if (recorder) input.emplace(client.input(), client.view().scene(), *recorder);

  korvel::SceneFrontEnd frontEnd(client.view().scene(), pictures);
  frontEnd.SetEvents(input ? static_cast<korvel::ElementEvents*>(&*input) : &client.input());
  platform.screen().SetTableWindow([&frontEnd, &client]() -> uint64_t {
    QWidget* table = frontEnd.Window(client.view().mainForm());
    return table ? static_cast<uint64_t>(table->winId()) : 0;
  });
  platform.dialogs().SetOwner(frontEnd.Window(client.view().mainForm()));
  FirstFrameProbe firstFrame(frontEnd, client.view().mainForm(), log);
  if (const char* timing = std::getenv("KORVEL_TIMING"); timing && *timing) {
    app.installEventFilter(&firstFrame);
  }
  if (const char* shot = std::getenv("KORVEL_SCREENSHOT"); shot && *shot) {
    const char* after = std::getenv("KORVEL_SCREENSHOT_AFTER_MS");
    const int ms = after && *after ? std::max(0, std::atoi(after)) : 1500;
    const QString file = QString::fromLocal8Bit(shot);
    QTimer::singleShot(ms, &app, [&frontEnd, &client, &log, file] {
      const bool saved = frontEnd.SaveScreenshot(client.view().mainForm(), file);
      log.Write((saved ? "screenshot saved to " : "cannot save the screenshot to ") +
                file.toStdString());
    });
  }
  // A screenshot every few seconds into a folder, for games played without anyone watching.
  QTimer shots;
  if (const char* dir = std::getenv("KORVEL_SCREENSHOT_DIR"); dir && *dir) {
    const char* every = std::getenv("KORVEL_SCREENSHOT_EVERY_MS");
    const int ms = every && *every ? std::max(500, std::atoi(every)) : 5000;
    const QString folder = QString::fromLocal8Bit(dir);
    QObject::connect(&shots, &QTimer::timeout, &app, [&frontEnd, &client, &log, folder] {
      static int shot = 0;
      const QString file = QString("%1/table-%2.png").arg(folder).arg(++shot, 4, 10, QChar('0'));
      if (!frontEnd.SaveScreenshot(client.view().mainForm(), file)) {
        log.Write("cannot save the screenshot to " + file.toStdString());
      }
    });
    shots.start(ms);
  }
  return app.exec();
}
