#include "lobby_app.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

#include "net/lobby_window.h"

namespace korvel {

LobbyApp::LobbyApp(LobbyOptions options)
    : options_(std::move(options)), stopSignals_([this](int) { Shutdown(0); }) {
  session_.SetClientTitle(options_.clientTitle);
  connect(&session_, &ClientSession::clientEnded, this, [this](int code, bool crashed) {
    // A crashed or killed client has no exit code: QProcess then gives the signal's number.
    Print(crashed ? "client ended by " + DescribeSignal(code)
                  : "client exited with code " + std::to_string(code));
    if (!options_.stay) Shutdown(0);
  });
  connect(&session_, &ClientSession::systemCommand, this, &LobbyApp::OnSystemCommand);
  connect(&session_, &ClientSession::clientMessage, this, [this](uint32_t number) {
    Print("message " + std::to_string(number) + " from client: " + LobbyMessageName(number, true));
  });
}

void LobbyApp::Print(const std::string& line) {
  std::printf("lobby: %s\n", line.c_str());
  std::fflush(stdout);
}

bool LobbyApp::Start() {
  if (!session_.Listen(options_.lobbyTitle)) {
    std::fprintf(stderr, "korvel-lobby: another lobby already runs as \"%s\"\n",
                 options_.lobbyTitle.c_str());
    return false;
  }
  Print("listening as \"" + options_.lobbyTitle + "\"");
  stdin_ = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
  connect(stdin_.get(), &QSocketNotifier::activated, this, &LobbyApp::OnStdin);
  if (!options_.startClient) return true;

  Print("starting " + options_.clientPath + " " + BuildLaunchLine(options_.launch));
  QString error;
  if (!session_.Start(options_.clientPath, options_.launch, options_.clientTitle,
                      options_.clientLog, &error)) {
    std::fprintf(stderr, "korvel-lobby: cannot start %s: %s\n", options_.clientPath.c_str(),
                 error.toStdString().c_str());
    return false;
  }
  return true;
}

void LobbyApp::OnSystemCommand(uint32_t command) {
  Print(command == kScRestore    ? "client asks to restore the lobby window"
        : command == kScMinimize ? "client asks to minimise the lobby window"
                                 : "client sends system command " + std::to_string(command));
  // The client gives the screen back when it has left its table (or cannot play at all).
  // Without a lobby window to show, that ends the game: the client is closed, as it expects
  // a lobby may do, once the reply has reached it.
  if (options_.local && command == kScRestore && !closing_) {
    closing_ = true;
    Print("the client left its table: closing it");
    QTimer::singleShot(0, this, [this] { Shutdown(0); });
  }
}

bool LobbyApp::Request(uint32_t number) {
  const bool ok = session_.Request(number);
  Print("request " + std::to_string(number) + " (" + LobbyMessageName(number, false) + ")" +
        (ok ? " sent" : ": the client is not listening"));
  return ok;
}

void LobbyApp::OnStdin() {
  char buffer[256];
  const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
  if (n <= 0) {
    stdin_->setEnabled(false);  // end of input: keep running until the client ends
    return;
  }
  pendingInput_.append(buffer, static_cast<size_t>(n));
  size_t newline;
  while ((newline = pendingInput_.find('\n')) != std::string::npos) {
    std::string word = pendingInput_.substr(0, newline);
    pendingInput_.erase(0, newline + 1);
    while (!word.empty() && (word.back() == '\r' || word.back() == ' ')) word.pop_back();
    if (word.empty()) continue;
    if (word == "quit") {
      Shutdown(0);
    } else if (word == "ask" || word == "1125") {
      Request(kMsgInDeal);
    } else if (word == "leave" || word == "771") {
      Request(kMsgConnected);
    } else if (word == "leave-now" || word == "1024") {
      Request(kMsgLeaveNow);
    } else if (word == "login" || word == "22") {
      Request(kMsgLogin);
    } else {
      Print("commands: ask (1125), leave (771), leave-now (1024), login (22), quit");
    }
  }
}

void LobbyApp::Shutdown(int code) {
  // A client that has left its table is no longer connected: its server may end at the same
  // time, so the whole game ends in the time of the slower of the two.
  if (closing_ && server_) server_->AskToStop();
  session_.Stop();
  if (server_) server_->Stop();
  QCoreApplication::exit(code);
}

}  // namespace korvel
