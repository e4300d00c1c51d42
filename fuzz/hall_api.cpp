// The hall service's request handling from hostile bytes: any method, path, bearer token and
// body reach HandleApi, which must answer every one with a status and a JSON object, never
// crash, hang or read out of bounds. The database is an in-memory SQLite one; a signed-in
// session and a table exist so the handlers behind authentication are reached too.
#include <cstddef>
#include <cstdint>
#include <string>

#include "hall/hall_service.h"
#include "hall/http_api.h"
#include "storage/storage.h"
#include "storage/storage_writer.h"

namespace {

using namespace korvel::server;

struct World {
  World() {
    storage = OpenSqliteStorage(":memory:", true);
    writer = std::make_unique<StorageWriter>(*storage, nullptr);
    HallServiceConfig config;
    config.serverId = "fuzz";
    config.hashCost = HashCost::Minimal;
    config.registrationsPerAddressPerHour = 1 << 30;
    config.maxFailuresPerAccount = 1 << 30;
    config.maxFailuresPerAddress = 1 << 30;
    service = std::make_unique<HallService>(config, *storage, *writer, nullptr,
                                            [] { return int64_t{1'800'000'000'000}; });
    ApiRequest reg{"POST",
                   "/api/v1/accounts",
                   "",
                   "application/json",
                   R"({"name":"fuzzer","password":"password1","nickname":"f"})",
                   "10.0.0.1"};
    HandleApi(*service, reg);
    ApiRequest in{"POST",
                  "/api/v1/sessions",
                  "",
                  "application/json",
                  R"({"name":"fuzzer","password":"password1"})",
                  "10.0.0.1"};
    token = HandleApi(*service, in).body.value("token", "");
    ApiRequest table{"POST", "/api/v1/tables", "Bearer " + token, "application/json",
                     "{}",   "10.0.0.1"};
    HandleApi(*service, table);
  }
  std::unique_ptr<Storage> storage;
  std::unique_ptr<StorageWriter> writer;
  std::unique_ptr<HallService> service;
  std::string token;
};

constexpr const char* kPaths[] = {
    "/api/v1/accounts", "/api/v1/sessions",       "/api/v1/me",
    "/api/v1/tables",   "/api/v1/tables/1/seats", "/api/v1/tables/1/watchers"};
constexpr const char* kMethods[] = {"GET", "POST", "DELETE", "PUT"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static World world;
  if (size < 2) return 0;
  ApiRequest req;
  req.method = kMethods[data[0] & 3];
  // The path is one of the real ones, or the input's own text when the low bits say so.
  const size_t pathChoice = (data[0] >> 2) & 7;
  const std::string rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const size_t cut = std::min<size_t>(rest.size(), data[1]);
  if (pathChoice < std::size(kPaths)) {
    req.path = kPaths[pathChoice];
    req.body = rest;
  } else {
    req.path = rest.substr(0, cut);
    req.body = rest.substr(cut);
  }
  req.authorization = (data[0] & 0x20) ? "Bearer " + world.token : rest.substr(0, cut);
  req.contentType = (data[0] & 0x40) ? "text/plain" : "application/json";
  req.address = "10.0.0." + std::to_string(data[1]);
  const ApiReply reply = HandleApi(*world.service, req);
  if (reply.status < 200 || reply.status > 599 || !reply.body.is_object()) __builtin_trap();
  // Every answer must be writable as JSON text.
  (void)reply.body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  world.service->Housekeeping();
  return 0;
}
