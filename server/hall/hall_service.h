// The hall service: accounts, sign-in sessions, the list of tables, seat and watch
// reservations with their single-use keys, and the events a hall window follows. Its requests
// come from the HTTP threads (hall/http_api.h); the tables reach it through HallLink from their
// own thread and never wait on it for more than a lock.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "hall/credentials.h"
#include "hall/event_hub.h"
#include "net/rate_limiter.h"
#include "storage/account_rules.h"
#include "storage/storage.h"
#include "storage/storage_writer.h"
#include "table/hall_link.h"

namespace korvel::server {

struct HallServiceConfig {
  // Anyone may sit under any name without a key; accounts are made on first login.
  bool open = false;
  bool allowRegistration = true;
  bool allowWatchers = false;
  // Other processes share the database: the table list includes theirs.
  bool shared = false;
  std::string serverId;            // this process, unique among those sharing the database
  std::string host = "127.0.0.1";  // where clients reach this process's game port
  int port = 6000;
  AccountRules rules;
  int defaultStake = 10;
  int defaultTurnSeconds = 8;
  int minTurnSeconds = 3;
  int maxTurnSeconds = 15;
  int maxStake = 100000;
  int maxTables = 200;
  // A seat needs this many units' worth of coins.
  int minimumUnits = 10;
  int64_t sessionSeconds = 7 * 86400;
  int64_t reservationMs = 60000;
  HashCost hashCost = HashCost::Interactive;
  // Failed sign-ins and wrong keys: per account and per address, within a window.
  int maxFailuresPerAccount = 5;
  int maxFailuresPerAddress = 20;
  int64_t failureWindowMs = 15 * 60 * 1000;
  // Accounts one address may register per hour.
  int registrationsPerAddressPerHour = 5;
  size_t maxSessions = 100000;
  size_t maxReservations = 10000;
};

struct ApiReply {
  int status = 200;
  nlohmann::json body = nlohmann::json::object();
};

class HallService : public HallLink {
 public:
  using LogFn = std::function<void(std::string_view)>;
  using NowFn = std::function<int64_t()>;  // milliseconds since the Unix epoch

  HallService(const HallServiceConfig& config, Storage& storage, StorageWriter& writer, LogFn log,
              NowFn now = nullptr);

  const HallServiceConfig& Config() const { return config_; }
  EventHub& Events() { return events_; }

  // The requests, already parsed; each answers with a status and a JSON body.
  ApiReply Register(const std::string& name, const std::string& password,
                    const std::string& nickname, const std::string& address);
  ApiReply SignIn(const std::string& name, const std::string& password, const std::string& address);
  ApiReply SignOut(const std::string& token);
  ApiReply Me(const std::string& token);
  ApiReply Tables();
  // What a hall window needs to know before it signs in: open play or accounts, registration,
  // watching, the table defaults and limits, and where the game port is.
  ApiReply Describe() const;
  ApiReply CreateTable(const std::string& token, int stake, int turnSeconds, int computerPlayers);
  ApiReply Reserve(const std::string& token, int64_t tableId, bool watch, int watchSeat,
                   const std::string& address);

  // Ends reservations and sessions that ran out, and tells the database this process lives.
  // Called about once a second from the main loop; it only queues writes.
  void Housekeeping();

  // HallLink, from the tables' thread.
  Admission Admit(std::string_view account, std::string_view key,
                  std::string_view address) override;
  std::vector<TableOrder> TakeTableOrders() override;
  void Seated(const PlayerProfile& player, int tableId) override;
  void TableChanged(const TableRow& row) override;
  void TableClosed(int tableId) override;
  void SeatReleased(std::string_view account) override;
  void Abandoned(const PlayerProfile& player) override;
  uint64_t DealSettled(const DealSettlement& deal) override;
  bool Written(uint64_t ticket) override;

  // How long each deal's settlement took to write, in microseconds (for the benchmark line
  // the server prints when it stops).
  std::vector<int64_t> SettlementMicros() const;

  // The account as the tables show it.
  static PlayerProfile ProfileOf(const Account& account);
  static nlohmann::json TableJson(const TableRow& row);

 private:
  struct Session {
    std::string account;
    int64_t expiresMs = 0;
  };
  struct Reservation {
    std::string key;
    int tableId = 0;
    int seat = 0;
    bool watch = false;
    int64_t expiresMs = 0;
    PlayerProfile profile;
  };

  int64_t NowMs() const { return now_(); }
  // The signed-in account of a bearer token, or empty.
  std::string AccountOf(const std::string& token);
  // The account with the day's top-up applied, read from the database.
  std::optional<Account> LoadAccount(const std::string& name);
  void Announce(const TableRow& row);
  // The row as the hall lists it: this process's address and the reserved seats marked.
  TableRow Decorate(TableRow row) const;
  void DropReservation(const std::string& account, bool releaseClaim);
  static ApiReply Error(int status, const std::string& message);

  HallServiceConfig config_;
  Storage& storage_;
  StorageWriter& writer_;
  LogFn log_;
  NowFn now_;
  EventHub events_;
  FailureLimiter accountFailures_;
  FailureLimiter addressFailures_;
  FailureLimiter registrations_;

  mutable std::mutex mutex_;
  std::map<std::string, Session> sessions_;          // by token
  std::map<std::string, Reservation> reservations_;  // by account, one each
  std::map<int, TableRow> tables_;                   // this process's tables, by id
  std::vector<TableOrder> orders_;
  std::map<std::string, int> seated_;  // accounts seated here, and their tables
  int64_t lastHeartbeatMs_ = 0;
  mutable std::mutex timingMutex_;
  std::vector<int64_t> settlementMicros_;
};

}  // namespace korvel::server
