#include "hall/hall_service.h"

#include <algorithm>
#include <chrono>

#include "platform/gbk.h"
#include "replay/session_file.h"

namespace korvel::server {

namespace {

int64_t WallMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// Refusals of a sign-in or a login key all read alike, whatever the reason, so a guesser
// learns nothing from them.
constexpr const char* kSignInRefused = "the name or the password is wrong";
constexpr const char* kNotSignedIn = "not signed in, or the session has ended";

// Heartbeats tell the processes sharing the database that this one lives; one not heard from
// for kStaleMs loses its tables and seat claims.
constexpr int64_t kHeartbeatMs = 5000;
constexpr int64_t kStaleMs = 30000;

}  // namespace

HallService::HallService(const HallServiceConfig& config, Storage& storage, StorageWriter& writer,
                         LogFn log, NowFn now)
    : config_(config),
      storage_(storage),
      writer_(writer),
      log_(std::move(log)),
      now_(now ? std::move(now) : NowFn(WallMs)),
      accountFailures_(config.maxFailuresPerAccount, config.failureWindowMs),
      addressFailures_(config.maxFailuresPerAddress, config.failureWindowMs),
      registrations_(config.registrationsPerAddressPerHour, 3600 * 1000) {
  if (!log_) log_ = [](std::string_view) {};
  InitCrypto();
  const int64_t nowSeconds = NowMs() / 1000;
  storage_.RegisterServer(config_.serverId, nowSeconds);
  storage_.DropStaleServers(nowSeconds - kStaleMs / 1000);
  lastHeartbeatMs_ = NowMs();
}

ApiReply HallService::Error(int status, const std::string& message) {
  ApiReply r;
  r.status = status;
  r.body = {{"error", message}};
  return r;
}

PlayerProfile HallService::ProfileOf(const Account& a) {
  PlayerProfile p;
  p.account = a.name;
  p.nickname = a.nickname;
  p.avatar = a.avatar.empty() ? "m1" : a.avatar;
  p.gender = static_cast<uint8_t>(a.gender == 0 ? 0 : 1);
  p.location = a.location.empty() ? "本地" : a.location;
  p.title = a.title.empty() ? TitleForPoints(a.points) : a.title;
  p.coins = a.coins;
  p.points = a.points;
  p.credit = a.credit;
  p.logins = a.logins;
  p.disconnects = a.disconnects;
  p.wins = a.wins;
  p.losses = a.losses;
  p.stored = true;
  return p;
}

nlohmann::json HallService::TableJson(const TableRow& row) {
  nlohmann::json seats = nlohmann::json::array();
  for (const TableSeatRow& s : row.seats) {
    if (s.name.empty()) {
      seats.push_back(nullptr);
      continue;
    }
    nlohmann::json seat = {{"name", s.name}, {"nickname", s.nickname}, {"coins", s.coins}};
    if (s.reserved) seat["reserved"] = true;
    seats.push_back(std::move(seat));
  }
  return {{"id", row.id},
          {"seats", std::move(seats)},
          {"watchers", row.watchers},
          {"watchable", row.watchable},
          {"stake", row.stake},
          {"turn_seconds", row.turnSeconds},
          {"computer_players", row.computerPlayers},
          {"host", row.host},
          {"port", row.port}};
}

std::string HallService::AccountOf(const std::string& token) {
  if (token.empty()) return {};
  std::lock_guard lock(mutex_);
  const auto it = sessions_.find(token);
  if (it == sessions_.end()) return {};
  if (it->second.expiresMs <= NowMs()) {
    sessions_.erase(it);
    return {};
  }
  return it->second.account;
}

std::optional<Account> HallService::LoadAccount(const std::string& name) {
  // Settlements still queued would make the figures stale.
  writer_.WaitIdle();
  const int64_t day = DayOf(NowMs() / 1000);
  std::optional<Account> account = storage_.FindAccount(name);
  if (account && account->toppedUpDay < day && account->coins < config_.rules.dailyTopUp) {
    if (storage_.TopUp(name, day, config_.rules.dailyTopUp)) account = storage_.FindAccount(name);
  }
  return account;
}

ApiReply HallService::Register(const std::string& name, const std::string& password,
                               const std::string& nickname, const std::string& address) {
  if (!config_.allowRegistration || config_.open)
    return Error(403, "this server does not take new accounts");
  for (const std::string& problem :
       {CheckAccountName(name), CheckNickname(nickname), CheckPassword(password)})
    if (!problem.empty()) return Error(400, problem);
  if (name.rfind("robot", 0) == 0) return Error(400, "names starting with \"robot\" are kept");
  if (registrations_.Blocked(address, NowMs()))
    return Error(429, "too many new accounts from this address; try again later");
  Account a;
  a.name = name;
  a.nickname = nickname;
  a.passwordHash = HashPassword(password, config_.hashCost);
  if (a.passwordHash.empty()) return Error(503, "the server cannot hash passwords now");
  a.coins = config_.rules.startingCoins;
  a.credit = config_.rules.startingCredit;
  a.title = TitleForPoints(0);
  a.location = "本地";
  a.created = a.lastSeen = NowMs() / 1000;
  a.toppedUpDay = DayOf(a.created);
  if (!storage_.CreateAccount(a)) return Error(409, "the name is taken");
  registrations_.Fail(address, NowMs());
  log_("hall: account " + name + " registered from " + address);
  ApiReply r;
  r.status = 201;
  r.body = {{"name", name}, {"nickname", nickname}, {"coins", a.coins}};
  return r;
}

ApiReply HallService::SignIn(const std::string& name, const std::string& password,
                             const std::string& address) {
  // A hash of a password nobody has, checked when the account does not exist, so the answer
  // takes as long as for a real account.
  static const std::string dummy = HashPassword("no account has this", config_.hashCost);
  const int64_t now = NowMs();
  const bool blocked =
      accountFailures_.Blocked("pw:" + name, now) || addressFailures_.Blocked(address, now);
  std::optional<Account> account;
  if (!config_.open && name.size() <= 64 && password.size() <= 1024)
    account = storage_.FindAccount(name);
  const bool good =
      VerifyPassword(account ? account->passwordHash : dummy, password) && account && !blocked;
  if (!good) {
    accountFailures_.Fail("pw:" + name, now);
    addressFailures_.Fail(address, now);
    return Error(401, kSignInRefused);
  }
  Session session{name, now + config_.sessionSeconds * 1000};
  std::string token = RandomToken(32);
  {
    std::lock_guard lock(mutex_);
    if (sessions_.size() >= config_.maxSessions) {
      std::erase_if(sessions_, [&](const auto& kv) { return kv.second.expiresMs <= now; });
      if (sessions_.size() >= config_.maxSessions) return Error(503, "too many sessions");
    }
    sessions_[token] = session;
  }
  ApiReply r;
  r.body = {{"token", token}, {"expires", session.expiresMs / 1000}};
  return r;
}

ApiReply HallService::SignOut(const std::string& token) {
  std::lock_guard lock(mutex_);
  if (sessions_.erase(token) == 0) return Error(401, kNotSignedIn);
  ApiReply r;
  r.status = 200;
  return r;
}

ApiReply HallService::Me(const std::string& token) {
  const std::string name = AccountOf(token);
  if (name.empty()) return Error(401, kNotSignedIn);
  const std::optional<Account> a = LoadAccount(name);
  if (!a) return Error(401, kNotSignedIn);
  ApiReply r;
  r.body = {{"name", a->name},
            {"nickname", a->nickname},
            {"coins", a->coins},
            {"points", a->points},
            {"credit", a->credit},
            {"logins", a->logins},
            {"disconnects", a->disconnects},
            {"wins", a->wins},
            {"losses", a->losses},
            {"title", a->title.empty() ? TitleForPoints(a->points) : a->title},
            {"gender", a->gender},
            {"avatar", a->avatar},
            {"location", a->location},
            {"created", a->created},
            {"last_seen", a->lastSeen}};
  return r;
}

TableRow HallService::Decorate(TableRow row) const {
  row.server = config_.serverId;
  row.host = config_.host;
  row.port = config_.port;
  for (const auto& [account, r] : reservations_) {
    if (r.watch || r.tableId != row.id || r.seat < 0 || r.seat > 2) continue;
    if (!row.seats[r.seat].name.empty()) continue;
    row.seats[r.seat] = TableSeatRow{account, r.profile.nickname, r.profile.coins, true};
  }
  return row;
}

ApiReply HallService::Describe() const {
  ApiReply reply;
  reply.body = {{"open", config_.open},
                {"registration", config_.allowRegistration && !config_.open},
                {"watchers", config_.allowWatchers},
                {"stake", config_.defaultStake},
                {"max_stake", config_.maxStake},
                {"turn_seconds", config_.defaultTurnSeconds},
                {"min_turn_seconds", config_.minTurnSeconds},
                {"max_turn_seconds", config_.maxTurnSeconds},
                {"host", config_.host},
                {"port", config_.port},
                {"version", ClientVersion()}};
  return reply;
}

ApiReply HallService::Tables() {
  nlohmann::json list = nlohmann::json::array();
  std::vector<TableRow> rows;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [id, row] : tables_) rows.push_back(Decorate(row));
  }
  if (config_.shared) {
    for (TableRow& other : storage_.ListTables())
      if (other.server != config_.serverId) rows.push_back(std::move(other));
    std::sort(rows.begin(), rows.end(),
              [](const TableRow& a, const TableRow& b) { return a.id < b.id; });
  }
  for (const TableRow& row : rows) list.push_back(TableJson(row));
  ApiReply r;
  r.body = {{"tables", std::move(list)}};
  return r;
}

void HallService::Announce(const TableRow& decorated) {
  events_.Publish("table", TableJson(decorated).dump());
  writer_.Post([decorated](Storage& s) { s.PutTable(decorated); });
}

ApiReply HallService::CreateTable(const std::string& token, int stake, int turnSeconds,
                                  int computerPlayers) {
  const std::string name = AccountOf(token);
  if (name.empty()) return Error(401, kNotSignedIn);
  if (stake < 1 || stake > config_.maxStake)
    return Error(400, "stake is 1.." + std::to_string(config_.maxStake));
  if (turnSeconds < config_.minTurnSeconds || turnSeconds > config_.maxTurnSeconds)
    return Error(400, "turn_seconds is " + std::to_string(config_.minTurnSeconds) + ".." +
                          std::to_string(config_.maxTurnSeconds));
  if (computerPlayers < 0 || computerPlayers > 2) return Error(400, "computer_players is 0..2");
  {
    std::lock_guard lock(mutex_);
    if (static_cast<int>(tables_.size() + orders_.size()) >= config_.maxTables)
      return Error(409, "every table is taken");
  }
  const int64_t id = storage_.NextTableId();
  if (id <= 0 || id > INT32_MAX) return Error(503, "no table number left");
  TableRow row;
  row.id = id;
  row.stake = stake;
  row.turnSeconds = turnSeconds;
  row.computerPlayers = computerPlayers;
  for (int i = 0; i < computerPlayers; ++i) row.seats[i].name = "robot";
  {
    std::lock_guard lock(mutex_);
    orders_.push_back(TableOrder{static_cast<int>(id), stake, turnSeconds, computerPlayers});
    // Listed at once; the tables fill in the computer players' names on their next tick.
    tables_[static_cast<int>(id)] = row;
    Announce(Decorate(row));
  }
  log_("hall: " + name + " opened table " + std::to_string(id));
  ApiReply r;
  r.status = 201;
  r.body = {{"id", id}};
  return r;
}

ApiReply HallService::Reserve(const std::string& token, int64_t tableId, bool watch, int watchSeat,
                              const std::string& address) {
  const std::string name = AccountOf(token);
  if (name.empty()) return Error(401, kNotSignedIn);
  TableRow row;
  {
    std::lock_guard lock(mutex_);
    const auto it = tables_.find(static_cast<int>(tableId));
    if (it != tables_.end()) row = Decorate(it->second);
  }
  if (row.id == 0) {
    if (config_.shared) {
      for (const TableRow& other : storage_.ListTables()) {
        if (other.id != tableId) continue;
        ApiReply r = Error(409, "the table is held by another server: reserve it in that hall");
        r.body["host"] = other.host;
        r.body["port"] = other.port;
        return r;
      }
    }
    return Error(404, "no such table");
  }
  std::optional<Account> account = LoadAccount(name);
  if (!account) return Error(401, kNotSignedIn);
  Reservation res;
  res.watch = watch;
  res.tableId = static_cast<int>(tableId);
  res.profile = ProfileOf(*account);
  res.key = RandomToken(32);
  res.expiresMs = NowMs() + config_.reservationMs;
  if (watch) {
    if (!config_.allowWatchers || !row.watchable)
      return Error(409, "the table cannot be watched now");
    res.seat = -1;
    for (int s = 0; s < 3; ++s) {
      const TableSeatRow& seat = row.seats[s];
      const bool human = !seat.name.empty() && !seat.reserved && seat.name.rfind("robot#", 0) != 0;
      if (human && (watchSeat < 0 || watchSeat == s)) {
        res.seat = s;
        break;
      }
    }
    if (res.seat < 0) return Error(409, "no player at that seat to watch");
    for (const TableSeatRow& seat : row.seats)
      if (seat.name == name) return Error(409, "a player does not watch its own table");
  } else {
    const int64_t minimum = static_cast<int64_t>(row.stake) * config_.minimumUnits;
    if (account->coins < minimum)
      return Error(409, "this table needs " + std::to_string(minimum) +
                            " coins; the daily top-up comes tomorrow");
    {
      std::lock_guard lock(mutex_);
      if (seated_.count(name)) return Error(409, "you are seated at a table already");
    }
    res.seat = -1;
    for (int s = 0; s < 3; ++s) {
      const TableSeatRow& seat = row.seats[s];
      if (seat.name.empty() || (seat.reserved && seat.name == name)) {
        res.seat = s;
        break;
      }
    }
    if (res.seat < 0) return Error(409, "the table is full");
  }
  std::lock_guard lock(mutex_);
  const auto previous = reservations_.find(name);
  const bool hadClaim = previous != reservations_.end() && !previous->second.watch;
  if (!watch && !hadClaim && !config_.open &&
      !storage_.ClaimSeat(SeatClaim{name, config_.serverId, tableId}))
    return Error(409, "you hold a seat at another table");
  if (previous != reservations_.end() && previous->second.watch == false && watch)
    writer_.Post([name, id = config_.serverId](Storage& s) { s.ReleaseSeat(name, id); });
  if (reservations_.size() >= config_.maxReservations) return Error(503, "the hall is busy");
  reservations_[name] = res;
  if (!watch) {
    const auto it = tables_.find(res.tableId);
    if (it != tables_.end()) Announce(Decorate(it->second));
  }
  ApiReply r;
  r.body = {{"seat", res.seat},
            {"key", res.key},
            {"host", config_.host},
            {"port", config_.port},
            {"location", config_.host + ":" + std::to_string(config_.port)},
            {"expires", res.expiresMs / 1000}};
  log_("hall: " + name +
       (watch ? " may watch" : " reserved seat " + std::to_string(res.seat) + " at") + " table " +
       std::to_string(tableId) + " from " + address);
  return r;
}

void HallService::DropReservation(const std::string& account, bool releaseClaim) {
  const auto it = reservations_.find(account);
  if (it == reservations_.end()) return;
  const bool watch = it->second.watch;
  const int tableId = it->second.tableId;
  reservations_.erase(it);
  if (!watch && releaseClaim && !seated_.count(account))
    writer_.Post([account, id = config_.serverId](Storage& s) { s.ReleaseSeat(account, id); });
  if (!watch) {
    const auto t = tables_.find(tableId);
    if (t != tables_.end()) Announce(Decorate(t->second));
  }
}

void HallService::Housekeeping() {
  const int64_t now = NowMs();
  std::lock_guard lock(mutex_);
  std::vector<std::string> expired;
  for (const auto& [account, r] : reservations_)
    if (r.expiresMs <= now) expired.push_back(account);
  for (const std::string& account : expired) DropReservation(account, true);
  std::erase_if(sessions_, [&](const auto& kv) { return kv.second.expiresMs <= now; });
  if (now - lastHeartbeatMs_ >= kHeartbeatMs) {
    lastHeartbeatMs_ = now;
    writer_.Post([id = config_.serverId, seconds = now / 1000](Storage& s) {
      s.RegisterServer(id, seconds);
      s.DropStaleServers(seconds - kStaleMs / 1000);
    });
  }
}

// ---- the tables' side ----

Admission HallService::Admit(std::string_view accountView, std::string_view key,
                             std::string_view addressView) {
  const std::string account(accountView);
  const std::string address(addressView);
  Admission out;
  if (config_.open) {
    // Anyone sits under any name; the account is made on its first login.
    std::optional<Account> a;
    try {
      a = LoadAccount(account);
      if (!a) {
        Account fresh;
        fresh.name = account;
        fresh.nickname = std::string(Utf8Prefix(GbkToUtf8(account), 15));
        fresh.coins = config_.rules.startingCoins;
        fresh.credit = config_.rules.startingCredit;
        fresh.title = TitleForPoints(0);
        fresh.location = "本地";
        fresh.created = fresh.lastSeen = NowMs() / 1000;
        fresh.toppedUpDay = DayOf(fresh.created);
        storage_.CreateAccount(fresh);
        a = storage_.FindAccount(account);
      }
    } catch (const StorageError& e) {
      out.verdict = LoginVerdict::TableUnavailable;
      out.reason = std::string("the database failed: ") + e.what();
      return out;
    }
    if (!a) {
      out.verdict = LoginVerdict::TableUnavailable;
      out.reason = "the account could not be made";
      return out;
    }
    out.verdict = LoginVerdict::Accepted;
    out.profile = ProfileOf(*a);
    return out;
  }
  const int64_t now = NowMs();
  if (addressFailures_.Blocked(address, now) || accountFailures_.Blocked("key:" + account, now)) {
    out.verdict = LoginVerdict::Refused;
    out.reason = "too many wrong keys lately";
    return out;
  }
  std::lock_guard lock(mutex_);
  const auto it = reservations_.find(account);
  if (it == reservations_.end() || it->second.expiresMs <= now) {
    out.verdict = LoginVerdict::TableUnavailable;
    out.reason = "no seat is reserved for \"" + account + "\"";
    return out;
  }
  if (!SameSecret(key, it->second.key)) {
    addressFailures_.Fail(address, now);
    accountFailures_.Fail("key:" + account, now);
    out.verdict = LoginVerdict::Refused;
    out.reason = "a wrong key";
    return out;
  }
  const Reservation r = it->second;
  reservations_.erase(it);  // a key is good once
  out.verdict = LoginVerdict::Accepted;
  out.tableId = r.tableId;
  out.seat = r.seat;
  out.watch = r.watch;
  out.profile = r.profile;
  return out;
}

std::vector<TableOrder> HallService::TakeTableOrders() {
  std::lock_guard lock(mutex_);
  std::vector<TableOrder> out;
  out.swap(orders_);
  return out;
}

void HallService::Seated(const PlayerProfile& player, int tableId) {
  {
    std::lock_guard lock(mutex_);
    seated_[player.account] = tableId;
  }
  writer_.Post(
      [name = player.account, now = NowMs() / 1000](Storage& s) { s.CountLogin(name, now); });
}

void HallService::TableChanged(const TableRow& row) {
  std::lock_guard lock(mutex_);
  tables_[static_cast<int>(row.id)] = row;
  Announce(Decorate(row));
}

void HallService::TableClosed(int tableId) {
  std::lock_guard lock(mutex_);
  tables_.erase(tableId);
  std::vector<std::string> stale;
  for (const auto& [account, r] : reservations_)
    if (r.tableId == tableId) stale.push_back(account);
  for (const std::string& account : stale) DropReservation(account, true);
  events_.Publish("table-closed", nlohmann::json{{"id", tableId}}.dump());
  writer_.Post([id = config_.serverId, tableId](Storage& s) { s.RemoveTable(id, tableId); });
}

void HallService::SeatReleased(std::string_view accountView) {
  const std::string account(accountView);
  std::lock_guard lock(mutex_);
  seated_.erase(account);
  if (reservations_.count(account) && !reservations_[account].watch) return;
  if (!config_.open)
    writer_.Post([account, id = config_.serverId](Storage& s) { s.ReleaseSeat(account, id); });
}

void HallService::Abandoned(const PlayerProfile& player) {
  writer_.Post(
      [name = player.account, now = NowMs() / 1000](Storage& s) { s.CountDisconnect(name, now); });
}

uint64_t HallService::DealSettled(const DealSettlement& deal) {
  DealSettlement d = deal;
  d.server = config_.serverId;
  d.finished = NowMs() / 1000;
  return writer_.Post([this, d](Storage& s) {
    const auto start = std::chrono::steady_clock::now();
    s.RecordDeal(d);
    const int64_t micros = std::chrono::duration_cast<std::chrono::microseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count();
    std::lock_guard lock(timingMutex_);
    // Enough for a long benchmark; a server that runs for months keeps only the first ones.
    if (settlementMicros_.size() < 1000000) settlementMicros_.push_back(micros);
  });
}

std::vector<int64_t> HallService::SettlementMicros() const {
  std::lock_guard lock(timingMutex_);
  return settlementMicros_;
}

bool HallService::Written(uint64_t ticket) { return writer_.Done(ticket); }

}  // namespace korvel::server
