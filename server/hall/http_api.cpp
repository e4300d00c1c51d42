#include "hall/http_api.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <optional>
#include <string_view>

namespace korvel::server {

namespace {

ApiReply Fail(int status, std::string message) {
  ApiReply r;
  r.status = status;
  r.body = {{"error", std::move(message)}};
  return r;
}

// The body as a JSON object holding only `allowed` fields; an empty body is an empty object.
std::optional<nlohmann::json> ReadObject(const ApiRequest& req,
                                         std::initializer_list<std::string_view> allowed,
                                         ApiReply& error) {
  if (req.body.size() > kMaxRequestBody) {
    error = Fail(413, "the body is larger than " + std::to_string(kMaxRequestBody) + " bytes");
    return std::nullopt;
  }
  if (req.body.empty()) return nlohmann::json::object();
  const std::string_view type = std::string_view(req.contentType).substr(0, 16);
  if (type != "application/json") {
    error = Fail(415, "the body must be application/json");
    return std::nullopt;
  }
  nlohmann::json body = nlohmann::json::parse(req.body, nullptr, false);
  if (body.is_discarded() || !body.is_object()) {
    error = Fail(400, "the body is not a JSON object");
    return std::nullopt;
  }
  for (const auto& [key, value] : body.items()) {
    if (std::find(allowed.begin(), allowed.end(), key) == allowed.end()) {
      error = Fail(400, "unknown field \"" + key + "\"");
      return std::nullopt;
    }
  }
  return body;
}

// A string field; `required` fields must be present.
bool StringField(const nlohmann::json& body, const char* name, std::string& out, ApiReply& error,
                 bool required = true) {
  const auto it = body.find(name);
  if (it == body.end()) {
    if (!required) return true;
    error = Fail(400, std::string("\"") + name + "\" is missing");
    return false;
  }
  if (!it->is_string()) {
    error = Fail(400, std::string("\"") + name + "\" must be a string");
    return false;
  }
  out = it->get<std::string>();
  return true;
}

bool IntField(const nlohmann::json& body, const char* name, int& out, ApiReply& error) {
  const auto it = body.find(name);
  if (it == body.end()) return true;
  if (!it->is_number_integer()) {
    error = Fail(400, std::string("\"") + name + "\" must be a whole number");
    return false;
  }
  const int64_t v = it->get<int64_t>();
  if (v < -1000000000 || v > 1000000000) {
    error = Fail(400, std::string("\"") + name + "\" is out of range");
    return false;
  }
  out = static_cast<int>(v);
  return true;
}

std::string BearerToken(std::string_view header) {
  constexpr std::string_view kPrefix = "Bearer ";
  if (header.size() <= kPrefix.size() || header.size() > 200 || header.substr(0, 7) != kPrefix)
    return {};
  const std::string_view token = header.substr(kPrefix.size());
  const bool ok = std::all_of(token.begin(), token.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
  });
  return ok ? std::string(token) : std::string();
}

// "/api/v1/tables/ID/seats" and ".../watchers": the id and which, or nothing.
std::optional<std::pair<int64_t, std::string_view>> TablePath(std::string_view path) {
  constexpr std::string_view kPrefix = "/api/v1/tables/";
  if (path.substr(0, kPrefix.size()) != kPrefix) return std::nullopt;
  path.remove_prefix(kPrefix.size());
  const size_t slash = path.find('/');
  if (slash == std::string_view::npos || slash == 0 || slash > 12) return std::nullopt;
  int64_t id = 0;
  for (char c : path.substr(0, slash)) {
    if (c < '0' || c > '9') return std::nullopt;
    id = id * 10 + (c - '0');
  }
  const std::string_view what = path.substr(slash + 1);
  if (what != "seats" && what != "watchers") return std::nullopt;
  return std::make_pair(id, what);
}

}  // namespace

ApiReply HandleApi(HallService& hall, const ApiRequest& req) {
  ApiReply error;
  const std::string token = BearerToken(req.authorization);
  const std::string_view path = req.path;
  const bool post = req.method == "POST";
  const bool get = req.method == "GET";

  if (path == "/api/v1/accounts") {
    if (!post) return Fail(405, "use POST");
    const auto body = ReadObject(req, {"name", "password", "nickname"}, error);
    std::string name, password, nickname;
    if (!body || !StringField(*body, "name", name, error) ||
        !StringField(*body, "password", password, error) ||
        !StringField(*body, "nickname", nickname, error))
      return error;
    return hall.Register(name, password, nickname, req.address);
  }
  if (path == "/api/v1/sessions") {
    if (req.method == "DELETE") return hall.SignOut(token);
    if (!post) return Fail(405, "use POST or DELETE");
    const auto body = ReadObject(req, {"name", "password"}, error);
    std::string name, password;
    if (!body || !StringField(*body, "name", name, error) ||
        !StringField(*body, "password", password, error))
      return error;
    return hall.SignIn(name, password, req.address);
  }
  if (path == "/api/v1/hall") {
    if (!get) return Fail(405, "use GET");
    return hall.Describe();
  }
  if (path == "/api/v1/me") {
    if (!get) return Fail(405, "use GET");
    return hall.Me(token);
  }
  if (path == "/api/v1/tables") {
    if (get) return hall.Tables();
    if (!post) return Fail(405, "use GET or POST");
    const auto body = ReadObject(req, {"stake", "turn_seconds", "computer_players"}, error);
    int stake = hall.Config().defaultStake;
    int turnSeconds = hall.Config().defaultTurnSeconds;
    int computers = 0;
    if (!body || !IntField(*body, "stake", stake, error) ||
        !IntField(*body, "turn_seconds", turnSeconds, error) ||
        !IntField(*body, "computer_players", computers, error))
      return error;
    return hall.CreateTable(token, stake, turnSeconds, computers);
  }
  if (const auto table = TablePath(path)) {
    if (!post) return Fail(405, "use POST");
    const bool watch = table->second == "watchers";
    const auto body = watch ? ReadObject(req, {"seat"}, error) : ReadObject(req, {}, error);
    int seat = -1;
    if (!body || !IntField(*body, "seat", seat, error)) return error;
    return hall.Reserve(token, table->first, watch, seat, req.address);
  }
  return Fail(404, "no such resource");
}

// ---- the HTTP server ----

struct HallHttpServer::Impl {
  explicit Impl(const HallHttpConfig& c) : limiter(c.requestsPerSecond, c.requestBurst) {}
  httplib::Server server;
  RequestLimiter limiter;
};

namespace {

int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Reply(httplib::Response& res, const ApiReply& reply) {
  res.status = reply.status;
  res.set_header("Cache-Control", "no-store");
  res.set_content(reply.body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n",
                  "application/json");
}

constexpr int kGatherMs = 200;

struct StreamState {
  uint64_t last = 0;
  bool greeted = false;
  int64_t quietSinceMs = 0;
};

}  // namespace

HallHttpServer::HallHttpServer(HallService& hall, const HallHttpConfig& config)
    : hall_(hall), config_(config), impl_(std::make_unique<Impl>(config)) {}

HallHttpServer::~HallHttpServer() { Stop(); }

bool HallHttpServer::Start(std::string* error) {
  httplib::Server& s = impl_->server;
  const int threads = config_.workerThreads + config_.maxEventStreams;
  s.new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<size_t>(threads)); };
  s.set_payload_max_length(kMaxRequestBody);
  s.set_read_timeout(5, 0);
  s.set_write_timeout(5, 0);
  s.set_keep_alive_max_count(100);
  s.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    if (!impl_->limiter.Allow(req.remote_addr, SteadyMs())) {
      Reply(res, ApiReply{429, {{"error", "too many requests; slow down"}}});
      return httplib::Server::HandlerResponse::Handled;
    }
    // Without a length the library would wait for the client to close before it routes the
    // request, holding a thread for its read timeout.
    if ((req.method == "POST" || req.method == "PUT" || req.method == "DELETE") &&
        !req.has_header("Content-Length") && !req.has_header("Transfer-Encoding")) {
      Reply(res, ApiReply{411,
                          {{"error",
                            "a request with a method that may carry a body needs "
                            "Content-Length (0 when empty)"}}});
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  s.set_error_handler([](const httplib::Request&, httplib::Response& res) {
    if (!res.body.empty()) return;
    const int status = res.status;
    Reply(
        res,
        ApiReply{status,
                 {{"error", status == 413 ? "the body is too large" : "the request was refused"}}});
  });
  s.Get("/api/v1/events", [this](const httplib::Request&, httplib::Response& res) {
    EventHub& hub = hall_.Events();
    if (!hub.Join(config_.maxEventStreams)) {
      Reply(res, ApiReply{503, {{"error", "too many event streams open"}}});
      return;
    }
    auto state = std::make_shared<StreamState>();
    state->last = hub.Latest();
    state->quietSinceMs = SteadyMs();
    res.set_header("Cache-Control", "no-store");
    res.set_chunked_content_provider(
        "text/event-stream",
        [this, state](size_t, httplib::DataSink& sink) {
          EventHub& events = hall_.Events();
          if (!state->greeted) {
            // The whole list first, so a window needs nothing else to start from.
            state->greeted = true;
            const std::string text = "event: tables\ndata: " + hall_.Tables().body.dump() + "\n\n";
            return sink.write(text.data(), text.size());
          }
          // Short waits, so a stopping server is not held up by its streams.
          const std::optional<std::string> event = events.Next(state->last, 500);
          if (events.Closed()) {
            sink.done();
            return false;
          }
          const int64_t now = SteadyMs();
          if (event) {
            state->quietSinceMs = now;
            if (!sink.write(event->data(), event->size())) return false;
            // A breath before the next wait lets a burst gather, so a thousand streams wake a
            // few times a second rather than once per change.
            std::this_thread::sleep_for(std::chrono::milliseconds(kGatherMs));
            return true;
          }
          if (now - state->quietSinceMs >= config_.keepAliveMs) {
            state->quietSinceMs = now;
            static constexpr std::string_view kPing = ": keep-alive\n\n";
            return sink.write(kPing.data(), kPing.size());
          }
          return sink.is_writable();
        },
        [this](bool) { hall_.Events().Leave(); });
  });
  const auto handler = [this](const httplib::Request& req, httplib::Response& res) {
    ApiRequest api;
    api.method = req.method;
    api.path = req.path;
    api.authorization = req.get_header_value("Authorization");
    api.contentType = req.get_header_value("Content-Type");
    api.body = req.body;
    api.address = req.remote_addr;
    ApiReply reply;
    try {
      reply = HandleApi(hall_, api);
    } catch (const std::exception& e) {
      // A database that fails mid-request: the client is told, the server goes on.
      reply = ApiReply{503, {{"error", "the hall cannot answer now"}}};
    }
    Reply(res, reply);
  };
  s.Get(R"(/api/.*)", handler);
  s.Post(R"(/api/.*)", handler);
  s.Delete(R"(/api/.*)", handler);

  if (config_.port == 0) {
    const int port = s.bind_to_any_port(config_.bindAddress);
    if (port <= 0) {
      if (error) *error = "cannot listen for the hall on " + config_.bindAddress;
      return false;
    }
    port_ = static_cast<uint16_t>(port);
  } else {
    if (!s.bind_to_port(config_.bindAddress, config_.port)) {
      if (error)
        *error = "cannot listen for the hall on " + config_.bindAddress + ":" +
                 std::to_string(config_.port);
      return false;
    }
    port_ = config_.port;
  }
  thread_ = std::thread([this] { impl_->server.listen_after_bind(); });
  // Stop() can only end a server that has started listening.
  for (int i = 0; i < 2000 && !impl_->server.is_running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void HallHttpServer::Stop() {
  hall_.Events().Close();
  if (thread_.joinable()) {
    impl_->server.stop();
    thread_.join();
  }
}

}  // namespace korvel::server
