#include "lobby_link.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QLocalSocket>
#include <QPointer>
#include <cstdio>
#include <cstdlib>

namespace korvel {
namespace {

constexpr int kMessageBytes = 12;
constexpr int kReplyWaitMs = 2000;
constexpr int kConnectWaitMs = 1000;

QByteArray Encode(const LobbyMessage& m) {
  QByteArray bytes(kMessageBytes, '\0');
  const uint32_t words[3] = {m.number, m.param1, m.param2};
  for (int w = 0; w < 3; ++w) {
    for (int k = 0; k < 4; ++k) bytes[4 * w + k] = static_cast<char>(words[w] >> (8 * k));
  }
  return bytes;
}

uint32_t Word(const QByteArray& bytes, int at) {
  uint32_t v = 0;
  for (int k = 3; k >= 0; --k) v = v << 8 | static_cast<uint8_t>(bytes[at + k]);
  return v;
}

}  // namespace

std::string LobbyEndpointPath(const std::string& runtimeDir, const std::string& title) {
  static const char* kHex = "0123456789abcdef";
  std::string name;
  for (unsigned char c : title) {
    name += kHex[c >> 4];
    name += kHex[c & 15];
  }
  return runtimeDir + "/" + name + ".sock";
}

std::string RuntimeDirProblem(const std::string& dir) {
  struct stat st {};
  if (lstat(dir.c_str(), &st) != 0) return "it cannot be created";
  if (S_ISLNK(st.st_mode)) return "it is a symbolic link";
  if (!S_ISDIR(st.st_mode)) return "it is not a folder";
  if (st.st_uid != getuid())
    return "it belongs to another user (uid " + std::to_string(st.st_uid) + ")";
  if ((st.st_mode & 077) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    return std::string("others may use it (mode ") + mode + ", not 0700)";
  }
  return {};
}

std::string KorvelRuntimeDir() {
  std::string dir;
  if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg) {
    dir = std::string(xdg) + "/korvel";
  } else {
    dir = "/tmp/korvel-" + std::to_string(getuid());
  }
  mkdir(dir.c_str(), 0700);
  // The lock and the lobby's sockets live here: in a folder somebody else made, they could
  // be read, replaced or pointed elsewhere by that user.
  if (const std::string problem = RuntimeDirProblem(dir); !problem.empty()) {
    std::fprintf(stderr,
                 "korvel: will not use the runtime folder %s: %s. Remove it, or set "
                 "XDG_RUNTIME_DIR to a folder of your own.\n",
                 dir.c_str(), problem.c_str());
    std::exit(2);
  }
  return dir;
}

UnixLobbyLink::UnixLobbyLink(std::string runtimeDir, QObject* parent)
    : QObject(parent), runtimeDir_(std::move(runtimeDir)) {
  connect(&server_, &QLocalServer::newConnection, this, &UnixLobbyLink::OnNewConnection);
}

bool UnixLobbyLink::Deliver(const std::string& title, const LobbyMessage& message, bool waitReply) {
  QLocalSocket socket;
  socket.connectToServer(QString::fromStdString(LobbyEndpointPath(runtimeDir_, title)));
  if (!socket.waitForConnected(kConnectWaitMs)) return false;
  socket.write(Encode(message));
  if (!socket.waitForBytesWritten(kConnectWaitMs)) return false;
  if (waitReply) {
    QByteArray reply;
    while (reply.size() < 4 && socket.waitForReadyRead(kReplyWaitMs)) reply += socket.readAll();
    if (reply.size() < 4) return false;
  }
  socket.disconnectFromServer();
  return true;
}

bool UnixLobbyLink::WindowExists(const std::string& title) {
  QLocalSocket socket;
  socket.connectToServer(QString::fromStdString(LobbyEndpointPath(runtimeDir_, title)));
  return socket.waitForConnected(kConnectWaitMs);
}

bool UnixLobbyLink::Post(const std::string& title, const LobbyMessage& message) {
  return Deliver(title, message, false);
}

bool UnixLobbyLink::Send(const std::string& title, const LobbyMessage& message) {
  return Deliver(title, message, true);
}

bool UnixLobbyLink::Listen(const std::string& ownTitle,
                           std::function<uint32_t(const LobbyMessage&)> handler) {
  handler_ = std::move(handler);
  server_.close();
  const std::string path = LobbyEndpointPath(runtimeDir_, ownTitle);
  // Someone accepting there owns the title; a file nobody accepts on is stale.
  if (WindowExists(ownTitle)) return false;
  QLocalServer::removeServer(QString::fromStdString(path));
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  return server_.listen(QString::fromStdString(path));
}

void UnixLobbyLink::StopListening() {
  if (!server_.isListening()) return;
  const QString path = server_.fullServerName();
  server_.close();
  QLocalServer::removeServer(path);
}

void UnixLobbyLink::OnNewConnection() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    QPointer<QLocalSocket> guard(socket);
    auto buffer = std::make_shared<QByteArray>();
    auto handle = [this, guard, buffer] {
      if (!guard) return;
      *buffer += guard->readAll();
      if (buffer->size() < kMessageBytes) return;
      const LobbyMessage m{Word(*buffer, 0), Word(*buffer, 4), Word(*buffer, 8)};
      buffer->clear();
      const uint32_t reply = handler_ ? handler_(m) : 0;
      if (!guard) return;
      QByteArray answer(4, '\0');
      for (int k = 0; k < 4; ++k) answer[k] = static_cast<char>(reply >> (8 * k));
      guard->write(answer);
      guard->flush();
      guard->disconnectFromServer();
    };
    connect(socket, &QLocalSocket::readyRead, this, handle);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (socket->bytesAvailable() > 0) handle();
  }
}

}  // namespace korvel
