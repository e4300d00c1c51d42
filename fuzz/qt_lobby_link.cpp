// The lobby link's listening side with peers that cannot be trusted: several local connections
// write arbitrary bytes in arbitrary pieces (whole messages, halves, too much, nothing) and hang
// up when they like, and every message that arrives goes to a client's lobby handler, whose
// leaving and log-in paths run on the virtual platform. Nothing may crash and the link must
// still answer a well-formed message afterwards.
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QLocalSocket>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/client.h"
#include "lobby_link.h"
#include "platform/virtual_platform.h"

namespace {

using namespace korvel;

constexpr int kPeers = 3;
const char* kTitle = "fuzz-client";

struct Link {
  Link() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QCoreApplication>(argc, argv);
    dir = "/tmp/korvel-fuzz-link-" + std::to_string(getpid());
    ::mkdir(dir.c_str(), 0700);  // private, as the client's own runtime folder must be
    link = std::make_unique<UnixLobbyLink>(dir);
    if (!link->Listen(kTitle, [this](const LobbyMessage& m) { return handler(m); })) {
      std::fprintf(stderr, "cannot listen in %s\n", dir.c_str());
      std::abort();
    }
  }
  std::unique_ptr<QCoreApplication> app;
  std::string dir;
  std::unique_ptr<UnixLobbyLink> link;
  std::function<uint32_t(const LobbyMessage&)> handler;
};

void Pump() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Link link;
  VirtualPlatform vp;
  vp.lobby.windows.insert("Tesk山庄");
  auto client = std::make_unique<Client>(vp.platform());
  try {
    client->Startup("a$k$h$6000$Room$0$$0$$$0$$$0$0$");
  } catch (const ClientEnded&) {
    return 0;
  }
  bool ended = false;
  int messages = 0;
  link.handler = [&](const LobbyMessage& m) -> uint32_t {
    ++messages;
    if (ended) return 0;
    try {
      const uint32_t reply = client->LobbyMessage(m);
      vp.timers.Advance(100);
      return reply;
    } catch (const ClientEnded&) {
      ended = true;
      return 0;
    }
  };
  const QString path = QString::fromStdString(LobbyEndpointPath(link.dir, kTitle));
  std::array<std::unique_ptr<QLocalSocket>, kPeers> peers;
  size_t at = 0;
  while (at < size) {
    const uint8_t op = data[at++];
    auto& peer = peers[op % kPeers];
    switch (op / kPeers % 3) {
      case 0: {
        if (!peer) {
          peer = std::make_unique<QLocalSocket>();
          peer->connectToServer(path);
          peer->waitForConnected(1000);
        }
        const size_t n = std::min<size_t>(size - at, 1 + (op >> 4));
        peer->write(reinterpret_cast<const char*>(data + at), static_cast<qint64>(n));
        peer->flush();
        at += n;
        break;
      }
      case 1:
        peer.reset();
        break;
      default:
        if (peer) peer->readAll();
        break;
    }
    Pump();
  }
  for (auto& peer : peers) peer.reset();
  Pump();
  // Still listening: a whole message gets its reply.
  link.handler = [](const LobbyMessage& m) { return m.number + 1; };
  QLocalSocket probe;
  probe.connectToServer(path);
  if (!probe.waitForConnected(1000)) std::abort();
  const char message[12] = {0x7D, 0x04};  // 1149, no parameters
  probe.write(message, sizeof message);
  probe.flush();
  QByteArray reply;
  for (int i = 0; i < 200 && reply.size() < 4; ++i) {
    Pump();
    probe.waitForReadyRead(5);
    reply += probe.readAll();
  }
  if (reply.size() < 4 || static_cast<uint8_t>(reply[0]) != 0x7E) {
    std::fprintf(stderr, "the lobby link no longer answers (%d bytes)\n",
                 static_cast<int>(reply.size()));
    std::abort();
  }
  return 0;
}
