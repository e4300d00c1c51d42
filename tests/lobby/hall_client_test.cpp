// The hall service's client against a real korvel-server on loopback, and against stand-ins on
// loopback for the faults a real hall does not make.
#include "hall_client.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <csignal>
#include <memory>

#include "hall/server_process.h"

namespace korvel::lobby {
namespace {

using Kind = HallFailure::Kind;
using server::testing::ServerProcess;

const QString kPassword = QStringLiteral("correct horse");

void App() {
  static int argc = 1;
  static char name[] = "test_lobby";
  static char* argv[] = {name, nullptr};
  static auto* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
  (void)app;
}

// Runs the event loop until `done` holds or `ms` have passed; whether it holds.
bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
  if (done()) return true;
  QEventLoop loop;
  QTimer tick;
  QElapsedTimer clock;
  clock.start();
  QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
    if (done() || clock.elapsed() > ms) loop.quit();
  });
  tick.start(5);
  loop.exec();
  return done();
}

template <typename T>
struct Outcome {
  bool arrived = false;
  HallFailure failure;
  T value{};
};

// Starts a request through `call` and waits for its answer.
template <typename T>
Outcome<T> Ask(const std::function<void(HallClient::Done<T>)>& call) {
  auto out = std::make_shared<Outcome<T>>();
  call([out](const HallFailure& f, const T& v) {
    out->arrived = true;
    out->failure = f;
    out->value = v;
  });
  EXPECT_TRUE(WaitFor([&] { return out->arrived; })) << "no answer";
  return *out;
}

// A loopback listener that answers every request with the same bytes (or not at all), keeping
// what it was asked.
class StandIn {
 public:
  explicit StandIn(QByteArray answer = {}, bool close = true)
      : answer_(std::move(answer)), close_(close) {
    EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        ++connections;
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
          const QByteArray got = socket->property("got").toByteArray() + socket->readAll();
          socket->setProperty("got", got);
          if (!got.contains("\r\n\r\n") || socket->property("answered").toBool()) return;
          socket->setProperty("answered", true);
          request = got;
          if (answer_.isEmpty()) return;
          socket->write(answer_);
          if (close_) socket->disconnectFromHost();
        });
      }
    });
  }
  int Port() const { return server_.serverPort(); }

  int connections = 0;
  QByteArray request;  // the last one's head (and whatever of its body came along)

 private:
  QTcpServer server_;
  QByteArray answer_;
  bool close_;
};

QByteArray HttpAnswer(const QByteArray& status, const QByteArray& type, const QByteArray& body) {
  return "HTTP/1.1 " + status + "\r\nContent-Type: " + type +
         "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

class HallClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    ASSERT_TRUE(StartServer(0));
    client_.SetServer(QStringLiteral("127.0.0.1"), server_->lobbyPort);
  }

  bool StartServer(int lobbyPort) {
    server_ = std::make_unique<ServerProcess>();
    const std::string database = folder_.filePath(QStringLiteral("k.db")).toStdString();
    const bool started = server_->Start({"--port", "0", "--lobby-port", std::to_string(lobbyPort),
                                         "--database", database, "--create-database", "--quiet"});
    EXPECT_TRUE(started) << server_->Output();
    return started;
  }

  // Registers `name` and signs `client` in as it.
  void SignUp(HallClient& client, const QString& name) {
    const auto made = Ask<HallClient::Nothing>(
        [&](auto done) { client.Register(name, kPassword, name, std::move(done)); });
    EXPECT_FALSE(made.failure) << made.failure.detail.toStdString();
    const auto in =
        Ask<SignInTicket>([&](auto done) { client.SignIn(name, kPassword, std::move(done)); });
    EXPECT_FALSE(in.failure) << in.failure.detail.toStdString();
  }

  std::unique_ptr<HallClient> NewClient() {
    auto client = std::make_unique<HallClient>();
    client->SetServer(QStringLiteral("127.0.0.1"), server_->lobbyPort);
    return client;
  }

  const bool app_ = (App(), true);  // before anything of Qt's
  QTemporaryDir folder_;
  std::unique_ptr<ServerProcess> server_;
  HallClient client_;
};

TEST_F(HallClientTest, DescribesTheHallAndKeepsItsAccounts) {
  const auto hall = Ask<HallInfo>([&](auto done) { client_.Describe(std::move(done)); });
  ASSERT_FALSE(hall.failure) << hall.failure.detail.toStdString();
  EXPECT_FALSE(hall.value.open);
  EXPECT_TRUE(hall.value.registration);
  EXPECT_EQ(hall.value.host, "127.0.0.1");
  EXPECT_EQ(hall.value.port, server_->gamePort);
  EXPECT_FALSE(hall.value.version.isEmpty());

  const auto registered = Ask<HallClient::Nothing>([&](auto done) {
    client_.Register("mei", kPassword, QStringLiteral("小梅"), std::move(done));
  });
  EXPECT_FALSE(registered.failure) << registered.failure.detail.toStdString();
  const auto again = Ask<HallClient::Nothing>(
      [&](auto done) { client_.Register("mei", kPassword, "mei", std::move(done)); });
  EXPECT_EQ(again.failure.kind, Kind::NameTaken);
  EXPECT_EQ(again.failure.status, 409);
  EXPECT_EQ(again.failure.text, "这个用户名已经有人用了。");
  const auto badName = Ask<HallClient::Nothing>(
      [&](auto done) { client_.Register("_mei", kPassword, "mei", std::move(done)); });
  EXPECT_EQ(badName.failure.kind, Kind::BadValue);
  EXPECT_EQ(badName.failure.detail, "a name starts with a letter or a digit");
  EXPECT_EQ(badName.failure.text,
            "填写的内容不符合要求：用户名须为3到16个英文字母、数字或 _ - .，以字母或数字开头。");
  const auto badPassword = Ask<HallClient::Nothing>(
      [&](auto done) { client_.Register("lei", "short", "lei", std::move(done)); });
  EXPECT_EQ(badPassword.failure.text, "填写的内容不符合要求：密码须为8到128个字符。");

  const auto wrong = Ask<SignInTicket>(
      [&](auto done) { client_.SignIn("mei", "not the password", std::move(done)); });
  EXPECT_EQ(wrong.failure.kind, Kind::WrongPassword);
  EXPECT_EQ(wrong.failure.text, "用户名或密码错误。");
  EXPECT_TRUE(client_.Token().isEmpty());

  const auto in =
      Ask<SignInTicket>([&](auto done) { client_.SignIn("mei", kPassword, std::move(done)); });
  ASSERT_FALSE(in.failure) << in.failure.detail.toStdString();
  EXPECT_EQ(in.value.token.size(), 43);
  EXPECT_EQ(client_.Token(), in.value.token);
  EXPECT_GT(in.value.expires, QDateTime::currentSecsSinceEpoch() + 6 * 86400);

  const auto me = Ask<PlayerFigures>([&](auto done) { client_.Me(std::move(done)); });
  ASSERT_FALSE(me.failure) << me.failure.detail.toStdString();
  EXPECT_EQ(me.value.name, "mei");
  EXPECT_EQ(me.value.nickname, "小梅");
  EXPECT_EQ(me.value.coins, 10000);
  EXPECT_EQ(me.value.credit, 100);
  EXPECT_EQ(me.value.title, "新手");

  const auto out = Ask<HallClient::Nothing>([&](auto done) { client_.SignOut(std::move(done)); });
  EXPECT_FALSE(out.failure) << out.failure.detail.toStdString();
  EXPECT_TRUE(client_.Token().isEmpty());
  // The server has voided the token, not just the client forgotten it.
  client_.SetToken(in.value.token);
  const auto after = Ask<PlayerFigures>([&](auto done) { client_.Me(std::move(done)); });
  EXPECT_EQ(after.failure.kind, Kind::SignedOut);
  EXPECT_EQ(after.failure.text, "登录已过期，请重新登录。");
}

TEST_F(HallClientTest, OpensTablesReservesSeatsAndSaysWhyNot) {
  SignUp(client_, "mei");
  const auto created =
      Ask<qint64>([&](auto done) { client_.CreateTable(10, 8, 1, std::move(done)); });
  ASSERT_FALSE(created.failure) << created.failure.detail.toStdString();
  const qint64 id = created.value;
  EXPECT_GT(id, 0);

  const auto tables =
      Ask<std::vector<HallTable>>([&](auto done) { client_.Tables(std::move(done)); });
  ASSERT_FALSE(tables.failure) << tables.failure.detail.toStdString();
  ASSERT_EQ(tables.value.size(), 1u);
  EXPECT_EQ(tables.value[0].id, id);
  EXPECT_EQ(tables.value[0].computerPlayers, 1);
  EXPECT_EQ(tables.value[0].FreeSeats(), 2);
  EXPECT_EQ(tables.value[0].port, server_->gamePort);

  const auto seat = Ask<SeatTicket>([&](auto done) { client_.ReserveSeat(id, std::move(done)); });
  ASSERT_FALSE(seat.failure) << seat.failure.detail.toStdString();
  EXPECT_EQ(seat.value.seat, 1) << "the computer player has seat 0";
  EXPECT_EQ(seat.value.key.size(), 43);
  EXPECT_EQ(seat.value.host, "127.0.0.1");
  EXPECT_EQ(seat.value.port, server_->gamePort);
  EXPECT_EQ(seat.value.location, QStringLiteral("127.0.0.1:%1").arg(server_->gamePort));
  EXPECT_GT(seat.value.expires, QDateTime::currentSecsSinceEpoch());

  // A second player takes the last seat; a third finds the table full.
  const auto lei = NewClient();
  SignUp(*lei, "lei");
  const auto last = Ask<SeatTicket>([&](auto done) { lei->ReserveSeat(id, std::move(done)); });
  EXPECT_FALSE(last.failure) << last.failure.detail.toStdString();
  EXPECT_EQ(last.value.seat, 2);
  const auto tao = NewClient();
  SignUp(*tao, "tao");
  const auto full = Ask<SeatTicket>([&](auto done) { tao->ReserveSeat(id, std::move(done)); });
  EXPECT_EQ(full.failure.kind, Kind::SeatTaken);
  EXPECT_EQ(full.failure.text, "座位已被别人占了，请换一张牌桌。");

  // A table of the highest stake needs a million coins; a new account has ten thousand.
  const auto dear =
      Ask<qint64>([&](auto done) { tao->CreateTable(100000, 8, 2, std::move(done)); });
  ASSERT_FALSE(dear.failure) << dear.failure.detail.toStdString();
  const auto poor =
      Ask<SeatTicket>([&](auto done) { tao->ReserveSeat(dear.value, std::move(done)); });
  EXPECT_EQ(poor.failure.kind, Kind::NotEnoughCoins);
  EXPECT_EQ(poor.failure.text, "金币不足，不能在这张牌桌入座。");

  const auto gone = Ask<SeatTicket>([&](auto done) { tao->ReserveSeat(999999, std::move(done)); });
  EXPECT_EQ(gone.failure.kind, Kind::NoSuchTable);
  const auto watch =
      Ask<SeatTicket>([&](auto done) { tao->ReserveWatch(id, -1, std::move(done)); });
  EXPECT_EQ(watch.failure.kind, Kind::CannotWatch) << "the server was started without watchers";
  const auto badStake = Ask<qint64>([&](auto done) { tao->CreateTable(0, 8, 0, std::move(done)); });
  EXPECT_EQ(badStake.failure.kind, Kind::BadValue);
  EXPECT_EQ(badStake.failure.text, "填写的内容不符合要求：底注须为1到100000。");
  const auto stranger = NewClient();
  const auto anonymous =
      Ask<qint64>([&](auto done) { stranger->CreateTable(10, 8, 0, std::move(done)); });
  EXPECT_EQ(anonymous.failure.kind, Kind::SignedOut);
}

TEST_F(HallClientTest, FollowsTheTablesAndFindsTheHallAgainAfterARestart) {
  HallClient follower;
  follower.SetServer(QStringLiteral("127.0.0.1"), server_->lobbyPort);
  int lists = 0;
  std::vector<HallTable> changes;
  std::vector<bool> live;
  QObject::connect(&follower, &HallClient::tablesReplaced,
                   [&](const std::vector<HallTable>&) { ++lists; });
  QObject::connect(&follower, &HallClient::tableChanged,
                   [&](const HallTable& t) { changes.push_back(t); });
  QObject::connect(&follower, &HallClient::streamLive, [&](bool on) { live.push_back(on); });
  follower.Follow();
  ASSERT_TRUE(WaitFor([&] { return lists == 1 && live == std::vector<bool>{true}; }));

  SignUp(client_, "mei");
  const auto created =
      Ask<qint64>([&](auto done) { client_.CreateTable(10, 8, 0, std::move(done)); });
  ASSERT_FALSE(created.failure);
  EXPECT_TRUE(WaitFor([&] {
    return !changes.empty() && changes.back().id == created.value &&
           changes.back().FreeSeats() == 3;
  }));
  const auto seat =
      Ask<SeatTicket>([&](auto done) { client_.ReserveSeat(created.value, std::move(done)); });
  ASSERT_FALSE(seat.failure);
  EXPECT_TRUE(WaitFor([&] {
    return !changes.empty() && changes.back().seats[0].reserved &&
           changes.back().seats[0].name == "mei";
  }));

  // Killed, the server drops the stream without a word; the same port answers again later.
  const int port = server_->lobbyPort;
  server_->Kill(SIGKILL);
  EXPECT_TRUE(WaitFor([&] { return live.back() == false; }));
  EXPECT_TRUE(follower.Following()) << "a drop does not end the following";
  ASSERT_TRUE(StartServer(port));
  EXPECT_TRUE(WaitFor([&] { return lists == 2 && live.back(); })) << "the retry comes every 2 s";
  EXPECT_EQ(live, (std::vector<bool>{true, false, true}));

  follower.StopFollowing();
  EXPECT_FALSE(follower.Following());
  EXPECT_EQ(live.back(), false);
}

TEST_F(HallClientTest, NoAnswerComesToAClientThatIsGone) {
  bool called = false;
  auto client = NewClient();
  client->Describe([&](const HallFailure&, const HallInfo&) { called = true; });
  client->Follow();
  client.reset();
  WaitFor([] { return false; }, 300);
  EXPECT_FALSE(called);
}

TEST(HallClientFaults, NothingListeningOrNothingAnsweringIsUnreachable) {
  App();
  int closedPort = 0;
  {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    closedPort = probe.serverPort();
  }
  HallClient client;
  client.SetServer(QStringLiteral("127.0.0.1"), closedPort);
  const auto refused = Ask<HallInfo>([&](auto done) { client.Describe(std::move(done)); });
  EXPECT_EQ(refused.failure.kind, Kind::Unreachable);
  EXPECT_EQ(refused.failure.status, 0);
  EXPECT_FALSE(refused.failure.detail.isEmpty());
  EXPECT_EQ(refused.failure.text, "无法连接服务器，请检查服务器地址和网络。");

  StandIn silent;
  client.SetServer(QStringLiteral("127.0.0.1"), silent.Port());
  client.SetTimeoutMs(300);
  const auto quiet = Ask<HallInfo>([&](auto done) { client.Describe(std::move(done)); });
  EXPECT_EQ(quiet.failure.kind, Kind::Unreachable);
  EXPECT_EQ(silent.connections, 1);
}

TEST(HallClientFaults, AnswersThatAreNotAHallsAreNotBelieved) {
  App();
  HallClient client;
  const auto describe = [&](const QByteArray& answer) {
    StandIn standIn(answer);
    client.SetServer(QStringLiteral("127.0.0.1"), standIn.Port());
    return Ask<HallInfo>([&](auto done) { client.Describe(std::move(done)); }).failure;
  };
  const HallFailure garbled = describe(HttpAnswer("200 OK", "application/json", "not json"));
  EXPECT_EQ(garbled.kind, Kind::Other);
  EXPECT_EQ(garbled.status, 200);
  EXPECT_EQ(garbled.text, "服务器的回答无法读懂。");
  const HallFailure web = describe(HttpAnswer("404 Not Found", "text/html", "<h1>404</h1>"));
  EXPECT_EQ(web.kind, Kind::Unreachable);
  EXPECT_EQ(web.status, 404);
  const HallFailure moved =
      describe("HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:1/\r\nContent-Length: 0\r\n\r\n");
  EXPECT_EQ(moved.kind, Kind::Other) << "a redirect is not followed";
  const HallFailure huge =
      describe(HttpAnswer("200 OK", "application/json", QByteArray(9 << 20, ' ') + "{}"));
  EXPECT_EQ(huge.kind, Kind::Other) << "an answer beyond any hall's is not read to its end";
}

TEST(HallClientFaults, ATableOfAnotherProcessComesWithItsAddressAndTheRequestIsWellFormed) {
  App();
  StandIn standIn(
      HttpAnswer("409 Conflict", "application/json",
                 R"({"error":"the table is held by another server: reserve it in that hall",)"
                 R"("host":"10.0.0.2","port":5000})"));
  HallClient client;
  client.SetServer(QStringLiteral("127.0.0.1"), standIn.Port());
  client.SetToken(QStringLiteral("tok-en_1"));
  const auto elsewhere =
      Ask<SeatTicket>([&](auto done) { client.ReserveSeat(7, std::move(done)); });
  EXPECT_EQ(elsewhere.failure.kind, Kind::OtherServer);
  EXPECT_EQ(elsewhere.failure.host, "10.0.0.2");
  EXPECT_EQ(elsewhere.failure.port, 5000);
  const QByteArray request = standIn.request.toLower();
  EXPECT_TRUE(request.startsWith("post /api/v1/tables/7/seats http/1.1\r\n")) << request.data();
  EXPECT_TRUE(request.contains("\r\nauthorization: bearer tok-en_1\r\n")) << request.data();
  EXPECT_TRUE(request.contains("\r\ncontent-type: application/json\r\n")) << request.data();
  EXPECT_TRUE(request.contains("\r\ncontent-length: 2\r\n")) << request.data();
}

TEST(HallClientFaults, AStreamThatCannotBeReadIsStartedAgain) {
  App();
  StandIn standIn(
      "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n\r\n"
      "event: tables\ndata: {\"tables\":[]}\n\n"
      "event: table\ndata: {\"id\":\"seven\"}\n\n",
      false);
  HallClient client;
  client.SetServer(QStringLiteral("127.0.0.1"), standIn.Port());
  std::vector<bool> live;
  int changes = 0;
  QObject::connect(&client, &HallClient::streamLive, [&](bool on) { live.push_back(on); });
  QObject::connect(&client, &HallClient::tableChanged, [&](const HallTable&) { ++changes; });
  client.Follow();
  EXPECT_TRUE(WaitFor([&] { return standIn.connections == 2 && live.size() == 4; }));
  EXPECT_EQ(live, (std::vector<bool>{true, false, true, false}));
  EXPECT_EQ(changes, 0);
  // A new address ends the following, retries and all.
  client.SetServer(QStringLiteral("127.0.0.1"), standIn.Port());
  EXPECT_FALSE(client.Following());
  EXPECT_FALSE(WaitFor([&] { return standIn.connections > 2; }, 2500));
}

// The server's words for refusals a test hall does not easily give.
TEST(HallClientFaults, RefusalsTheServerGivesOnlyInCrowdedHallsReadRight) {
  using R = HallClient::Request;
  struct Case {
    R request;
    int status;
    const char* reason;
    Kind kind;
  };
  for (const Case& c : {
           Case{R::Seat, 409, "you are seated at a table already", Kind::AlreadySeated},
           Case{R::Seat, 409, "you hold a seat at another table", Kind::AlreadySeated},
           Case{R::Watch, 409, "the table is held by another server: reserve it in that hall",
                Kind::OtherServer},
           Case{R::Watch, 409, "no player at that seat to watch", Kind::CannotWatch},
       }) {
    const HallFailure f = HallClient::Classify(c.request, c.status, c.reason);
    EXPECT_EQ(f.kind, c.kind) << c.reason;
    EXPECT_EQ(f.status, c.status);
    EXPECT_EQ(f.detail, c.reason);
    EXPECT_FALSE(f.text.isEmpty());
  }
  const HallFailure nickname =
      HallClient::Classify(R::Register, 400, "a nickname neither starts nor ends with a space");
  EXPECT_EQ(nickname.text, "填写的内容不符合要求：昵称须为1到15个字，不含首尾空格。");
  const HallFailure turn = HallClient::Classify(R::CreateTable, 400, "turn_seconds is 3..15");
  EXPECT_EQ(turn.text, "填写的内容不符合要求：每步时间须为3到15秒。");
  const HallFailure unknown = HallClient::Classify(R::CreateTable, 400, "unknown field \"x\"");
  EXPECT_EQ(unknown.text, "填写的内容不符合要求：unknown field \"x\"");
  EXPECT_FALSE(HallClient::Classify(R::Me, 200, ""));
}

}  // namespace
}  // namespace korvel::lobby
