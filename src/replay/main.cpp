// korvel-replay: shows a recorded table session again in the table's own window.
#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "offscreen.h"
#include "picture_library.h"
#include "replay/session_file.h"
#include "app/session_replay.h"
#include "replay/session_transcript.h"
#include "replay_controls.h"

namespace {

const char* kUsage =
    "Usage: korvel-replay [OPTIONS] FILE\n"
    "       korvel-replay --list FILE\n"
    "       korvel-replay --export-text FILE [OUT]\n"
    "\n"
    "Shows a recorded Korvel table session again in the table window, without a server:\n"
    "play and pause, speed 1x/2x/4x/16x, next and previous deal, jump to a deal, and one\n"
    "record at a time. Nothing is sent anywhere and the table takes no clicks.\n"
    "\n"
    "The client records every session into $XDG_DATA_HOME/korvel/sessions/\n"
    "(~/.local/share/korvel/sessions/ without it), one .kvsession file per table, named by\n"
    "date, time and table.\n"
    "\n"
    "  --list FILE            print the deals with their winners and coins, and end\n"
    "  --export-text FILE [OUT]  write a plain-text transcript to OUT (default: standard\n"
    "                         output), and end\n"
    "  --deal N               start at deal N (1 = the first)\n"
    "  --at MS                then play on MS milliseconds\n"
    "  --speed S              1, 2, 4 or 16 (default 1)\n"
    "  --paused               start paused\n"
    "  --screenshot PNG       save the table with the control bar once --deal and --at are\n"
    "                         reached, and end\n"
    "  -h, --help             this text\n"
    "\n"
    "A file that is cut short or damaged is replayed up to the damage, with a warning.\n"
    "Exit status: 0 done, 1 bad arguments, 2 the file cannot be read as a session.\n";

int Fail(const std::string& text, int code) {
  std::fprintf(stderr, "korvel-replay: %s\n", text.c_str());
  return code;
}

// The file's entries, or the reason there are none; a damaged file is read up to the damage.
bool Load(const std::string& path, korvel::SessionFile& file) {
  file = korvel::ReadSessionFile(path);
  if (!file.usable) {
    Fail(path + ": " + file.problem, 2);
    return false;
  }
  if (!file.problem.empty()) {
    std::fprintf(stderr, "korvel-replay: warning: %s: %s\n", path.c_str(), file.problem.c_str());
  }
  return true;
}

bool ParseNumber(const char* text, long& out) {
  char* end = nullptr;
  out = std::strtol(text, &end, 10);
  return *text && end && *end == 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string path, screenshot;
  long deal = 0, at = 0, speed = 1;
  bool paused = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](long& out) {
      if (i + 1 >= argc || !ParseNumber(argv[i + 1], out)) return false;
      ++i;
      return true;
    };
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--list" || arg == "--export-text") {
      if (i + 1 >= argc) return Fail(arg + " needs a FILE (see --help)", 1);
      korvel::SessionFile file;
      if (!Load(argv[i + 1], file)) return 2;
      if (arg == "--list") {
        std::fputs(korvel::DealListText(file).c_str(), stdout);
        return 0;
      }
      const std::string text = korvel::TranscriptText(file);
      if (i + 2 < argc) {
        std::ofstream out(argv[i + 2], std::ios::binary);
        out << text;
        out.close();
        if (!out) return Fail(std::string("cannot write ") + argv[i + 2], 1);
      } else {
        std::fputs(text.c_str(), stdout);
      }
      return 0;
    } else if (arg == "--deal") {
      if (!value(deal) || deal < 1) return Fail("--deal needs a deal number from 1", 1);
    } else if (arg == "--at") {
      if (!value(at) || at < 0) return Fail("--at needs milliseconds", 1);
    } else if (arg == "--speed") {
      if (!value(speed) || (speed != 1 && speed != 2 && speed != 4 && speed != 16)) {
        return Fail("--speed is 1, 2, 4 or 16", 1);
      }
    } else if (arg == "--paused") {
      paused = true;
    } else if (arg == "--screenshot") {
      if (i + 1 >= argc) return Fail("--screenshot needs a file name", 1);
      screenshot = argv[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      return Fail("unknown option " + arg + " (see --help)", 1);
    } else if (path.empty()) {
      path = arg;
    } else {
      return Fail("one session file at a time (see --help)", 1);
    }
  }
  if (path.empty()) return Fail("no session file given (see --help)", 1);

  korvel::SessionFile file;
  if (!Load(path, file)) return 2;
  if (deal > static_cast<long>(korvel::SummariseDeals(file).size())) {
    return Fail(path + " has no deal " + std::to_string(deal), 1);
  }

  korvel::UseOffscreenWithoutDisplay();
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  QApplication app(qtArgc, qtArgv);
  app.setApplicationName("korvel-replay");

  korvel::PictureLibrary pictures;
  pictures.LoadFolder(korvel::DefaultPictureFolder(QCoreApplication::applicationDirPath()));

  korvel::SessionReplay replay(std::move(file));
  const QString title = "回放 - " + QFileInfo(QString::fromStdString(path)).fileName();
  korvel::ReplayControls controls(replay, pictures, title);
  controls.SetSpeed(static_cast<int>(speed));
  if (deal > 0) controls.JumpToDeal(static_cast<int>(deal) - 1);
  if (at > 0) controls.Advance(at);
  controls.show();
  controls.FollowTable();

  if (!screenshot.empty()) {
    QTimer::singleShot(300, &app, [&] {
      const bool saved = controls.Picture().save(QString::fromStdString(screenshot), "PNG");
      if (!saved) Fail("cannot save the screenshot to " + screenshot, 1);
      app.exit(saved ? 0 : 1);
    });
  } else if (!paused) {
    controls.Play();
  }
  return app.exec();
}
