// korvel-lobby: the hall window a player starts from the desktop menu, and the command-line
// lobby scripts use to start the Korvel table client.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFont>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "config/launch_params.h"
#include "hall_window.h"
#include "lobby_app.h"
#include "local_server.h"
#include "offscreen.h"
#include "platform/notices.h"
#include "platform/user_folders.h"
#include "qt_platform.h"

namespace {

bool SplitHostPort(const QString& text, std::string& host, int16_t& port) {
  const int colon = text.lastIndexOf(':');
  if (colon <= 0) return false;
  bool ok = false;
  const int value = text.mid(colon + 1).toInt(&ok);
  if (!ok || value < 1 || value > 32767) return false;
  host = text.left(colon).toStdString();
  port = static_cast<int16_t>(value);
  return true;
}

// A second start of the menu game, while one runs: the player is told in a message box (a menu
// shows no standard error), the running table comes forward, and nothing is started.
bool AlreadyRunning(const korvel::LobbyOptions& o) {
  korvel::UnixLobbyLink link(korvel::KorvelRuntimeDir());
  if (!link.WindowExists(o.lobbyTitle) && !link.WindowExists(o.clientTitle)) return false;
  QApplication::setFont(QFont("WenQuanYi Zen Hei", 9));
  korvel::QtDialogs(korvel::DialogsPrintMode())
      .MessageBox(korvel::kAlreadyRunning, korvel::kTitleWarning, korvel::DialogButtons::Ok,
                  korvel::DialogIcon::None);
  link.Send(o.clientTitle, korvel::LobbyMessage{korvel::kSysCommand, korvel::kScRestore, 0});
  return true;
}

// The hall window. A second start brings the running hall (or its table) forward instead.
int RunHallWindow(QApplication& app, const QString& clientPath) {
  korvel::lobby::HallWindowOptions o;
  o.clientPath = clientPath;
  o.serverProgram = QCoreApplication::applicationDirPath() + "/korvel-server";
  o.replayProgram = QCoreApplication::applicationDirPath() + "/korvel-replay";
  const std::string state = korvel::EnsureUserFolder(korvel::UserFolder::kState);
  if (!state.empty()) {
    o.serverLog = QString::fromStdString(state + "/korvel-server.log");
    if (qEnvironmentVariableIsEmpty("KORVEL_LOG")) o.clientLog = state + "/korvel.log";
  }
  korvel::UnixLobbyLink link(korvel::KorvelRuntimeDir());
  if (link.WindowExists(o.lobbyTitle)) {
    link.Send(o.lobbyTitle, korvel::LobbyMessage{korvel::lobby::kMsgShowHall, 0, 0});
    link.Send(o.clientTitle, korvel::LobbyMessage{korvel::kSysCommand, korvel::kScRestore, 0});
    std::printf("hall: the hall already runs; it was brought forward\n");
    return 0;
  }
  QApplication::setFont(QFont("WenQuanYi Zen Hei", 10));
  korvel::lobby::HallWindow window(o);
  if (!window.Listen()) {
    std::fprintf(stderr, "korvel-lobby: another lobby already runs as \"%s\"\n",
                 o.lobbyTitle.c_str());
    return 1;
  }
  window.show();
  return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
  // A widget application for the one message box a menu start may need. Without a display the
  // hall window would run where nobody sees it: it says so instead (below).
  const bool noDisplay =
      !std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY");
  korvel::UseOffscreenWithoutDisplay();
  QApplication app(argc, argv);
  app.setApplicationName("korvel-lobby");
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "The hall of the Korvel Mahjong client. Without options it opens the hall window: sign in\n"
      "to a server and pick a table, play alone against the computer, or host a table for\n"
      "friends.\n\n"
      "With --server, --user, --local or the other options below it is the command-line lobby\n"
      "for scripts. It owns the lobby endpoint (\"Tesk山庄\", or\n"
      "--title in quick mode), starts korvel with the launch line built from the options below,\n"
      "prints every message the client sends, and sends the lobby's requests typed on standard\n"
      "input: ask (1125: is a deal in progress?), leave (771: leave if allowed), leave-now\n"
      "(1024), login (22: log in again), quit. It ends when the client ends.");
  parser.addHelpOption();
  QCommandLineOption server("server", "Game server (default 127.0.0.1:6000).", "HOST:PORT",
                            "127.0.0.1:6000");
  QCommandLineOption user("user", "User id, at most 16 bytes (default: $USER).", "NAME");
  QCommandLineOption key("key", "Login key (default korvel).", "KEY", "korvel");
  QCommandLineOption location("location", "Location text shown on the table.", "TEXT", "本地牌桌");
  QCommandLineOption proxy("proxy", "Connect through this SOCKS5 proxy.", "HOST:PORT");
  QCommandLineOption proxyUser("proxy-user", "Proxy user name.", "U");
  QCommandLineOption proxyPass("proxy-pass", "Proxy password.", "P");
  QCommandLineOption quick("quick",
                           "Quick mode: 2-second turns, titles from --title and "
                           "--window-title.");
  QCommandLineOption title("title", "Lobby window title in quick mode.", "TITLE", "Korvel快速大厅");
  QCommandLineOption windowTitle("window-title", "Client window title in quick mode.", "TITLE",
                                 "Korvel麻将");
  QCommandLineOption watch("watch", "Watch a table, with this coin balance.", "BALANCE");
  QCommandLineOption props("props", "Allow the prop component.");
  QCommandLineOption propParam("prop-param", "Parameter for the prop component.", "N", "0");
  QCommandLineOption client("client", "The client program (default: korvel beside this one).",
                            "PATH");
  QCommandLineOption noClient("no-client", "Only own the lobby endpoint; start no client.");
  QCommandLineOption stay("stay", "Keep running after the client ends.");
  QCommandLineOption local("local",
                           "Play alone against two computer players: start a private "
                           "korvel-server on a free loopback port, stopped when the table "
                           "closes. The user id defaults to the account name.");
  parser.addOptions({server, user, key, location, proxy, proxyUser, proxyPass, quick, title,
                     windowTitle, watch, props, propParam, client, noClient, stay, local});
  parser.process(app);

  // Any option but --client makes this the command-line lobby.
  bool scripted = false;
  for (const QCommandLineOption* o :
       {&server, &user, &key, &location, &proxy, &proxyUser, &proxyPass, &quick, &title,
        &windowTitle, &watch, &props, &propParam, &noClient, &stay, &local}) {
    scripted = scripted || parser.isSet(*o);
  }
  if (!parser.positionalArguments().isEmpty()) {
    std::fprintf(stderr, "korvel-lobby: unexpected argument %s (see --help)\n",
                 parser.positionalArguments().first().toLocal8Bit().constData());
    return 2;
  }
  const QString programs = QCoreApplication::applicationDirPath();
  if (!scripted && noDisplay) {
    std::fprintf(stderr,
                 "korvel-lobby: the hall window needs a display; for a game from a terminal use "
                 "--local, or --server HOST:PORT --user NAME (see --help)\n");
    return 2;
  }
  if (!scripted)
    return RunHallWindow(app, parser.isSet(client) ? parser.value(client) : programs + "/korvel");

  auto fail = [](const char* why) {
    std::fprintf(stderr, "korvel-lobby: %s (see --help)\n", why);
    return 2;
  };

  korvel::LobbyOptions o;
  korvel::LaunchParams& p = o.launch;
  if (!SplitHostPort(parser.value(server), p.ServerHost, p.ServerPort)) {
    return fail("--server needs HOST:PORT with a port of 1..32767");
  }
  const char* envUser = std::getenv("USER");
  p.UserId = parser.isSet(user)    ? parser.value(user).toStdString()
             : parser.isSet(local) ? korvel::LocalUserName(korvel::AccountName())
             : envUser && *envUser ? std::string(envUser)
                                   : std::string("player");
  if (p.UserId.size() > 16) return fail("the user id has at most 16 bytes");
  for (char c : p.UserId) {
    if (static_cast<unsigned char>(c) >= 0x80) return fail("the user id must be plain ASCII");
  }
  p.LoginKey = parser.value(key).toStdString();
  p.Location = parser.value(location).toStdString();
  // "$" ends a launch field: one inside a value would shift every field after it.
  for (const QCommandLineOption* o :
       {&user, &key, &location, &proxyUser, &proxyPass, &title, &windowTitle}) {
    if (parser.value(*o).contains('$')) return fail("no option value may contain \"$\"");
  }
  if (parser.isSet(proxy)) {
    if (!SplitHostPort(parser.value(proxy), p.ProxyHost, p.ProxyPort)) {
      return fail("--proxy needs HOST:PORT with a port of 1..32767");
    }
    p.ConnectionType = korvel::kConnectProxy;
    p.ProxyUser = parser.value(proxyUser).toStdString();
    p.ProxyPassword = parser.value(proxyPass).toStdString();
  }
  p.QuickMode = parser.isSet(quick);
  o.lobbyTitle = p.QuickMode ? parser.value(title).toStdString() : "Tesk山庄";
  o.clientTitle = p.QuickMode ? parser.value(windowTitle).toStdString() : "korvel";
  if (p.QuickMode) {
    p.LobbyTitleField = o.lobbyTitle;
    p.WindowTitleField = o.clientTitle;
  }
  if (parser.isSet(watch)) {
    bool ok = false;
    p.WatcherBalance = parser.value(watch).toLongLong(&ok);
    if (!ok) return fail("--watch needs a number");
    p.Spectator = true;
    // korvel-server recognises a watcher by its key.
    if (!parser.isSet(key)) p.LoginKey = "watch";
  }
  p.PropSwitch = parser.isSet(props) ? 1 : 0;
  p.PropParameter = static_cast<int16_t>(parser.value(propParam).toInt());
  o.clientPath = parser.isSet(client)
                     ? parser.value(client).toStdString()
                     : (QCoreApplication::applicationDirPath() + "/korvel").toStdString();
  o.startClient = !parser.isSet(noClient);
  o.stay = parser.isSet(stay) || !o.startClient;

  std::unique_ptr<korvel::LocalServer> localServer;
  if (parser.isSet(local)) {
    if (parser.isSet(server) || parser.isSet(noClient)) {
      return fail("--local starts its own server and client");
    }
    if (AlreadyRunning(o)) {
      std::printf("lobby: a game already runs; it was brought forward\n");
      return 0;
    }
    o.local = true;
    // The logs of a game started from the menu go with the player's other state.
    const std::string state = korvel::EnsureUserFolder(korvel::UserFolder::kState);
    const QString serverLog =
        state.empty() ? QString() : QString::fromStdString(state + "/korvel-server.log");
    if (!state.empty() && qEnvironmentVariableIsEmpty("KORVEL_LOG")) {
      o.clientLog = state + "/korvel.log";
    }
    localServer = std::make_unique<korvel::LocalServer>();
    const int port =
        localServer->Start(QCoreApplication::applicationDirPath() + "/korvel-server", serverLog);
    if (port == 0) {
      std::fprintf(stderr, "korvel-lobby: cannot start korvel-server beside this program\n");
      return 1;
    }
    p.ServerHost = "127.0.0.1";
    p.ServerPort = static_cast<int16_t>(port);
    std::printf("lobby: local server on 127.0.0.1:%d\n", port);
    std::fflush(stdout);
  }

  korvel::LobbyApp lobby(o);
  lobby.AdoptServer(std::move(localServer));
  if (!lobby.Start()) return 1;
  return app.exec();
}
