#include "hall_client.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QUrl>
#include <utility>

namespace korvel::lobby {

namespace {

constexpr int kRetryMs = 2000;
// The server sends a comment every 15 s; this long without a byte means the path is gone even
// if the connection has not said so.
constexpr int kQuietMs = 40000;
// No answer of the hall comes near this; a server that sends more is not one.
constexpr qint64 kMaxAnswer = 8 << 20;
constexpr char kTooLarge[] = "korvelTooLarge";

QNetworkRequest MakeRequest(const QString& host, int port, const QString& path,
                            const QString& token, int timeoutMs) {
  QUrl url;
  url.setScheme(QStringLiteral("http"));
  url.setHost(host);
  url.setPort(port);
  url.setPath(QStringLiteral("/api/v1/") + path);
  QNetworkRequest request(url);
  request.setRawHeader(
      "Accept", path == QLatin1StringView("events") ? "text/event-stream" : "application/json");
  if (!token.isEmpty()) request.setRawHeader("Authorization", "Bearer " + token.toLatin1());
  request.setTransferTimeout(timeoutMs);
  return request;
}

// What came back: the status (0 when nothing usable did) and the body, or the network's reason.
struct Answer {
  int status = 0;
  QByteArray body;
  QString networkReason;
};

Answer Read(QNetworkReply* reply) {
  Answer a;
  const QNetworkReply::NetworkError error = reply->error();
  // Errors below 200 are the connection's and the proxy's, and a protocol failure is a stream
  // that went wrong: whatever status came before them, the answer is incomplete. The other
  // errors only restate the HTTP status (400 among them, as an "invalid operation").
  const bool tooLarge = reply->property(kTooLarge).toBool();
  const bool transport = !tooLarge && ((error > QNetworkReply::NoError && error < 200) ||
                                       error == QNetworkReply::ProtocolFailure ||
                                       error == QNetworkReply::ProtocolUnknownError);
  if (!transport) a.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (a.status > 0) {
    // What was cut off is not read: the answer counts as unreadable.
    if (!tooLarge) a.body = reply->readAll();
  } else {
    a.networkReason = reply->errorString();
  }
  return a;
}

HallFailure Unreadable(int status) {
  HallFailure f;
  f.kind = HallFailure::Kind::Other;
  f.status = status;
  f.detail = QStringLiteral("the answer cannot be read");
  f.text = QStringLiteral("服务器的回答无法读懂。");
  return f;
}

// The rule a refused value broke, in the player's words; the server's own text when it is not
// one the window knows.
QString ExplainBadValue(const QString& reason) {
  static const QRegularExpression stake(QStringLiteral("^stake is (\\d+)\\.\\.(\\d+)$"));
  static const QRegularExpression turn(QStringLiteral("^turn_seconds is (\\d+)\\.\\.(\\d+)$"));
  if (reason.startsWith(QLatin1StringView("a name ")))
    return QStringLiteral("用户名须为3到16个英文字母、数字或 _ - .，以字母或数字开头。");
  if (reason.startsWith(QLatin1StringView("names starting with \"robot\"")))
    return QStringLiteral("以 robot 开头的用户名留给电脑玩家。");
  if (reason.startsWith(QLatin1StringView("a password has")))
    return QStringLiteral("密码须为8到128个字符。");
  if (reason.startsWith(QLatin1StringView("a password ")))
    return QStringLiteral("密码里有不能用的字符。");
  if (reason.startsWith(QLatin1StringView("a nickname has")) ||
      reason.startsWith(QLatin1StringView("a nickname neither")))
    return QStringLiteral("昵称须为1到15个字，不含首尾空格。");
  if (reason.startsWith(QLatin1StringView("a nickname ")))
    return QStringLiteral("昵称里有不能用的字符。");
  if (const auto m = stake.match(reason); m.hasMatch())
    return QStringLiteral("底注须为%1到%2。").arg(m.captured(1), m.captured(2));
  if (const auto m = turn.match(reason); m.hasMatch())
    return QStringLiteral("每步时间须为%1到%2秒。").arg(m.captured(1), m.captured(2));
  if (reason.startsWith(QLatin1StringView("computer_players is")))
    return QStringLiteral("电脑玩家须为0到2个。");
  return reason;
}

}  // namespace

HallFailure HallClient::Classify(Request request, int status, const QString& serverReason) {
  using Kind = HallFailure::Kind;
  HallFailure f;
  f.status = status;
  f.detail = serverReason;
  const auto set = [&f](Kind kind, const char16_t* text) {
    f.kind = kind;
    f.text = QString::fromUtf16(text);
  };
  const bool reserving = request == Request::Seat || request == Request::Watch;
  const QString unreachable = QStringLiteral("无法连接服务器，请检查服务器地址和网络。");
  if (status >= 200 && status <= 299) {
    f.detail.clear();
  } else if (status == 0) {
    f.kind = Kind::Unreachable;
    f.text = unreachable;
  } else if (status == 401) {
    if (request == Request::SignIn) {
      set(Kind::WrongPassword, u"用户名或密码错误。");
    } else {
      set(Kind::SignedOut, u"登录已过期，请重新登录。");
    }
  } else if (status == 400) {
    f.kind = Kind::BadValue;
    f.text = serverReason.isEmpty()
                 ? QStringLiteral("填写的内容不符合要求。")
                 : QStringLiteral("填写的内容不符合要求：") + ExplainBadValue(serverReason);
  } else if (status == 403 && request == Request::Register) {
    set(Kind::NoRegistration, u"这个服务器不接受注册。");
  } else if (status == 404 && reserving) {
    set(Kind::NoSuchTable, u"这张牌桌已经散了。");
  } else if (status == 404) {
    // Every other path exists on a hall: whatever answered is something else.
    f.kind = Kind::Unreachable;
    f.text = unreachable;
  } else if (status == 409 && request == Request::Register) {
    set(Kind::NameTaken, u"这个用户名已经有人用了。");
  } else if (status == 409 && request == Request::CreateTable) {
    set(Kind::HallFull, u"牌桌都满了，请稍后再试。");
  } else if (status == 409 && reserving && serverReason.contains(u"held by another server")) {
    set(Kind::OtherServer, u"这张牌桌在另一台服务器上。");
  } else if (status == 409 && request == Request::Watch) {
    set(Kind::CannotWatch, u"这张牌桌现在不能旁观。");
  } else if (status == 409 && request == Request::Seat) {
    if (serverReason.startsWith(u"this table needs ")) {
      set(Kind::NotEnoughCoins, u"金币不足，不能在这张牌桌入座。");
    } else if (serverReason == u"you are seated at a table already" ||
               serverReason == u"you hold a seat at another table") {
      set(Kind::AlreadySeated, u"你已经在别的牌桌就座了。");
    } else {
      set(Kind::SeatTaken, u"座位已被别人占了，请换一张牌桌。");
    }
  } else if (status == 429) {
    set(Kind::TooMany, u"操作太频繁，请稍后再试。");
  } else if (status >= 500) {
    set(Kind::Busy, u"服务器正忙，请稍后再试。");
  } else {
    set(Kind::Other, u"服务器拒绝了这个请求。");
  }
  return f;
}

HallClient::HallClient(QObject* parent) : QObject(parent) {
  // The game port is reached directly, so the hall is too; and a proxy that gathers a response
  // before passing it on would hold the event stream back.
  net_.setProxy(QNetworkProxy::NoProxy);
  // A hall never sends a window elsewhere, least of all with its token.
  net_.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
  retry_.setSingleShot(true);
  retry_.setInterval(kRetryMs);
  connect(&retry_, &QTimer::timeout, this, [this] {
    if (following_ && !stream_) OpenStream();
  });
  quiet_.setSingleShot(true);
  quiet_.setInterval(kQuietMs);
  connect(&quiet_, &QTimer::timeout, this, [this] { StreamLost(); });
}

HallClient::~HallClient() {
  following_ = false;
  retry_.stop();
  quiet_.stop();
  // The manager deletes the replies still on their way; nobody is left to hear of them.
  for (QNetworkReply* reply : net_.findChildren<QNetworkReply*>()) reply->disconnect(this);
}

void HallClient::SetServer(const QString& host, int port) {
  StopFollowing();
  host_ = host;
  port_ = port;
}

QNetworkReply* HallClient::Send(const QByteArray& method, const QString& path,
                                const QByteArray& body) {
  QNetworkRequest request = MakeRequest(host_, port_, path, token_, timeoutMs_);
  if (method == "GET") return net_.get(request);
  // The hall refuses a POST or DELETE without a length, even an empty one.
  request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
  request.setHeader(QNetworkRequest::ContentLengthHeader, body.size());
  return net_.sendCustomRequest(request, method, body);
}

template <typename T>
void HallClient::Call(Request request, const QByteArray& method, const QString& path,
                      const QByteArray& body, std::function<std::optional<T>(QByteArrayView)> parse,
                      Done<T> done) {
  QNetworkReply* reply = Send(method, path, body);
  connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
    if (received <= kMaxAnswer) return;
    reply->setProperty(kTooLarge, true);
    reply->abort();
  });
  connect(reply, &QNetworkReply::finished, this,
          [reply, request, parse = std::move(parse), done = std::move(done)] {
            // Out of the manager's hands: a callback that destroys this client leaves the reply
            // to the event loop rather than deleting it under its own signal.
            reply->setParent(nullptr);
            reply->deleteLater();
            const Answer answer = Read(reply);
            T value{};
            HallFailure failure;
            if (answer.status == 0) {
              failure = Classify(request, 0, answer.networkReason);
            } else if (answer.status < 200 || answer.status > 299) {
              failure = Classify(request, answer.status, ParseErrorText(answer.body));
              if (failure.kind == HallFailure::Kind::OtherServer) {
                const QJsonObject where = QJsonDocument::fromJson(answer.body).object();
                failure.host = where.value(QLatin1StringView("host")).toString();
                const int port = where.value(QLatin1StringView("port")).toInt();
                failure.port = port >= 1 && port <= 65535 ? port : 0;
              }
            } else if (std::optional<T> parsed = parse(answer.body)) {
              value = std::move(*parsed);
            } else {
              failure = Unreadable(answer.status);
            }
            if (done) done(failure, value);
          });
}

namespace {

// Answers whose content the window does not need still have to be the hall's JSON.
std::optional<HallClient::Nothing> AnyObject(QByteArrayView json) {
  if (!QJsonDocument::fromJson(json.toByteArray()).isObject()) return std::nullopt;
  return HallClient::Nothing{};
}

QByteArray Json(const QJsonObject& object) {
  return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

}  // namespace

void HallClient::Describe(Done<HallInfo> done) {
  Call<HallInfo>(Request::Describe, "GET", QStringLiteral("hall"), {}, ParseHallInfo,
                 std::move(done));
}

void HallClient::Register(const QString& name, const QString& password, const QString& nickname,
                          Done<Nothing> done) {
  const QJsonObject body{{"name", name}, {"password", password}, {"nickname", nickname}};
  Call<Nothing>(Request::Register, "POST", QStringLiteral("accounts"), Json(body), AnyObject,
                std::move(done));
}

void HallClient::SignIn(const QString& name, const QString& password, Done<SignInTicket> done) {
  const QJsonObject body{{"name", name}, {"password", password}};
  Call<SignInTicket>(Request::SignIn, "POST", QStringLiteral("sessions"), Json(body),
                     ParseSignInTicket,
                     [this, done = std::move(done)](const HallFailure& f, const SignInTicket& t) {
                       if (!f) token_ = t.token;
                       if (done) done(f, t);
                     });
}

void HallClient::SignOut(Done<Nothing> done) {
  Call<Nothing>(Request::SignOut, "DELETE", QStringLiteral("sessions"), {}, AnyObject,
                std::move(done));
  // The request already carries the token; from now on nothing else does.
  token_.clear();
}

void HallClient::Me(Done<PlayerFigures> done) {
  Call<PlayerFigures>(Request::Me, "GET", QStringLiteral("me"), {}, ParsePlayerFigures,
                      std::move(done));
}

void HallClient::Tables(Done<std::vector<HallTable>> done) {
  Call<std::vector<HallTable>>(Request::Tables, "GET", QStringLiteral("tables"), {}, ParseTableList,
                               std::move(done));
}

void HallClient::CreateTable(int stake, int turnSeconds, int computerPlayers, Done<qint64> done) {
  const QJsonObject body{
      {"stake", stake}, {"turn_seconds", turnSeconds}, {"computer_players", computerPlayers}};
  Call<qint64>(Request::CreateTable, "POST", QStringLiteral("tables"), Json(body),
               ParseCreatedTable, std::move(done));
}

void HallClient::ReserveSeat(qint64 tableId, Done<SeatTicket> done) {
  Call<SeatTicket>(Request::Seat, "POST", QStringLiteral("tables/%1/seats").arg(tableId), "{}",
                   ParseSeatTicket, std::move(done));
}

void HallClient::ReserveWatch(qint64 tableId, int seat, Done<SeatTicket> done) {
  const QJsonObject body = seat < 0 ? QJsonObject{} : QJsonObject{{"seat", seat}};
  Call<SeatTicket>(Request::Watch, "POST", QStringLiteral("tables/%1/watchers").arg(tableId),
                   Json(body), ParseSeatTicket, std::move(done));
}

// ---- the event stream ----

void HallClient::Follow() {
  following_ = true;
  if (!stream_ && !retry_.isActive()) OpenStream();
}

void HallClient::StopFollowing() {
  following_ = false;
  retry_.stop();
  CloseStream();
  SetLive(false);
}

void HallClient::OpenStream() {
  retry_.stop();
  parser_.Reset();
  // The stream stays open for good: only silence ends it, and quiet_ watches for that.
  QNetworkRequest request = MakeRequest(host_, port_, QStringLiteral("events"), QString(), 0);
  QNetworkReply* reply = net_.get(request);
  stream_ = reply;
  connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
    if (reply == stream_) OnStreamBytes();
  });
  connect(reply, &QNetworkReply::finished, this, [this, reply] {
    if (reply == stream_) OnStreamEnded();
  });
  quiet_.start();
}

void HallClient::OnStreamBytes() {
  QNetworkReply* reply = stream_;
  quiet_.start();
  const QByteArray bytes = reply->readAll();
  // A refusal (503 with too many streams) is JSON, not events; its end brings the retry.
  if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200) return;
  const std::vector<StreamEvent> events = parser_.Feed(bytes);
  // A slot may stop following, change the server or destroy this client: look before going on.
  const QPointer<HallClient> self(this);
  const auto gone = [&] { return !self || stream_ != reply; };
  for (const StreamEvent& event : events) {
    bool readable = true;
    if (event.type == "tables") {
      const std::optional<std::vector<HallTable>> tables = ParseTableList(event.data);
      readable = tables.has_value();
      if (tables) Q_EMIT tablesReplaced(*tables);
      if (tables && !gone()) SetLive(true);
    } else if (event.type == "table") {
      const std::optional<HallTable> table = ParseTable(event.data);
      readable = table.has_value();
      if (table) Q_EMIT tableChanged(*table);
    } else if (event.type == "table-closed") {
      const std::optional<qint64> id = ParseClosedTable(event.data);
      readable = id.has_value();
      if (id) Q_EMIT tableClosed(*id);
    }
    if (gone()) return;
    // A list the window cannot follow is better started again from the whole.
    if (!readable) {
      StreamLost();
      return;
    }
  }
  if (parser_.Broken()) StreamLost();
}

void HallClient::OnStreamEnded() {
  // Whatever came with the end still counts.
  if (stream_->bytesAvailable() > 0) {
    const QPointer<HallClient> self(this);
    QNetworkReply* reply = stream_;
    OnStreamBytes();
    if (!self || stream_ != reply) return;
  }
  StreamLost();
}

void HallClient::CloseStream() {
  quiet_.stop();
  QNetworkReply* reply = stream_;
  stream_ = nullptr;
  if (!reply) return;
  reply->disconnect(this);
  reply->abort();
  reply->setParent(nullptr);
  reply->deleteLater();
}

void HallClient::StreamLost() {
  CloseStream();
  const QPointer<HallClient> self(this);
  SetLive(false);
  if (self && following_ && !stream_) retry_.start();
}

void HallClient::SetLive(bool live) {
  if (live_ == live) return;
  live_ = live;
  Q_EMIT streamLive(live);
}

}  // namespace korvel::lobby
