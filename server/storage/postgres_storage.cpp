// The shared engine: PostgreSQL through libpq, so several server processes keep one hall. Every
// statement is prepared once per connection; a dropped connection is re-opened on the next call.
#include <libpq-fe.h>

#include <cstdlib>
#include <mutex>
#include <vector>

#include "storage/account_rules.h"
#include "storage/storage.h"
#include "storage/table_seats_json.h"

namespace korvel::server {

namespace {

constexpr const char* kSchemaV1[] = {
    "CREATE TABLE accounts ("
    " id BIGSERIAL PRIMARY KEY,"
    " name TEXT NOT NULL UNIQUE,"
    " nickname TEXT NOT NULL,"
    " gender INTEGER NOT NULL DEFAULT 1,"
    " avatar TEXT NOT NULL DEFAULT 'm1',"
    " location TEXT NOT NULL DEFAULT '',"
    " title TEXT NOT NULL DEFAULT '',"
    " password_hash TEXT NOT NULL DEFAULT '',"
    " coins BIGINT NOT NULL,"
    " points BIGINT NOT NULL DEFAULT 0,"
    " credit BIGINT NOT NULL DEFAULT 100,"
    " logins INTEGER NOT NULL DEFAULT 0,"
    " disconnects INTEGER NOT NULL DEFAULT 0,"
    " wins INTEGER NOT NULL DEFAULT 0,"
    " losses INTEGER NOT NULL DEFAULT 0,"
    " created BIGINT NOT NULL,"
    " last_seen BIGINT NOT NULL,"
    " topped_up_day BIGINT NOT NULL DEFAULT 0)",
    "CREATE TABLE deals ("
    " id BIGSERIAL PRIMARY KEY,"
    " server TEXT NOT NULL,"
    " table_id BIGINT NOT NULL,"
    " deal BIGINT NOT NULL,"
    " fee BIGINT NOT NULL,"
    " finished BIGINT NOT NULL,"
    " UNIQUE (server, table_id, deal))",
    "CREATE TABLE deal_seats ("
    " deal_id BIGINT NOT NULL REFERENCES deals(id),"
    " seat INTEGER NOT NULL,"
    " account TEXT NOT NULL,"
    " bot INTEGER NOT NULL,"
    " coins BIGINT NOT NULL,"
    " fee BIGINT NOT NULL,"
    " units INTEGER NOT NULL,"
    " PRIMARY KEY (deal_id, seat))",
    "CREATE INDEX deal_seats_account ON deal_seats(account)",
    "CREATE TABLE servers (id TEXT PRIMARY KEY, seen BIGINT NOT NULL)",
    "CREATE TABLE hall_tables ("
    " id BIGINT PRIMARY KEY,"
    " server TEXT NOT NULL,"
    " host TEXT NOT NULL,"
    " port INTEGER NOT NULL,"
    " stake INTEGER NOT NULL,"
    " turn_seconds INTEGER NOT NULL,"
    " computer_players INTEGER NOT NULL,"
    " watchers INTEGER NOT NULL,"
    " watchable INTEGER NOT NULL,"
    " seats TEXT NOT NULL)",
    "CREATE TABLE seat_claims ("
    " account TEXT PRIMARY KEY,"
    " server TEXT NOT NULL,"
    " table_id BIGINT NOT NULL)",
    "CREATE SEQUENCE table_ids",
};

struct Prepared {
  const char* name;
  std::string sql;
};

std::vector<Prepared> Statements() {
  return {
      {"find_account",
       "SELECT id, name, nickname, gender, avatar, location, title, password_hash, coins, points,"
       " credit, logins, disconnects, wins, losses, created, last_seen, topped_up_day"
       " FROM accounts WHERE name = $1"},
      {"create_account",
       "INSERT INTO accounts (name, nickname, gender, avatar, location, title, password_hash,"
       " coins, points, credit, created, last_seen, topped_up_day)"
       " VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13)"
       " ON CONFLICT (name) DO NOTHING RETURNING id"},
      {"top_up",
       "UPDATE accounts SET coins = GREATEST(coins, $1), topped_up_day = $2"
       " WHERE name = $3 AND topped_up_day < $2"},
      {"count_login", "UPDATE accounts SET logins = logins + 1, last_seen = $1 WHERE name = $2"},
      {"count_disconnect",
       "UPDATE accounts SET disconnects = disconnects + 1, last_seen = $1,"
       " credit = GREATEST(0, credit - $2) WHERE name = $3"},
      {"insert_deal",
       "INSERT INTO deals (server, table_id, deal, fee, finished) VALUES ($1, $2, $3, $4, $5)"
       " ON CONFLICT DO NOTHING RETURNING id"},
      {"insert_seat",
       "INSERT INTO deal_seats (deal_id, seat, account, bot, coins, fee, units)"
       " VALUES ($1, $2, $3, $4, $5, $6, $7)"},
      {"apply_seat",
       "UPDATE accounts SET coins = coins + $1, points = GREATEST(0, points + $2),"
       " wins = wins + $3, losses = losses + $4, last_seen = $5,"
       " credit = LEAST($6, credit + 1) WHERE name = $7"},
      {"retitle",
       "UPDATE accounts SET title = " + std::string(TitleSqlCase()) + " WHERE name = $1"},
      {"register_server",
       "INSERT INTO servers (id, seen) VALUES ($1, $2)"
       " ON CONFLICT (id) DO UPDATE SET seen = excluded.seen"},
      {"drop_stale_tables",
       "DELETE FROM hall_tables WHERE server NOT IN (SELECT id FROM servers WHERE seen >= $1)"},
      {"drop_stale_claims",
       "DELETE FROM seat_claims WHERE server NOT IN (SELECT id FROM servers WHERE seen >= $1)"},
      {"drop_stale_servers", "DELETE FROM servers WHERE seen < $1"},
      {"put_table",
       "INSERT INTO hall_tables (id, server, host, port, stake, turn_seconds, computer_players,"
       " watchers, watchable, seats) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10)"
       " ON CONFLICT (id) DO UPDATE SET server = excluded.server, host = excluded.host,"
       " port = excluded.port, stake = excluded.stake, turn_seconds = excluded.turn_seconds,"
       " computer_players = excluded.computer_players, watchers = excluded.watchers,"
       " watchable = excluded.watchable, seats = excluded.seats"},
      {"remove_table", "DELETE FROM hall_tables WHERE id = $1 AND server = $2"},
      {"list_tables",
       "SELECT id, server, host, port, stake, turn_seconds, computer_players, watchers,"
       " watchable, seats FROM hall_tables ORDER BY id"},
      {"next_table_id", "SELECT nextval('table_ids')"},
      {"claim_seat",
       "INSERT INTO seat_claims (account, server, table_id) VALUES ($1, $2, $3)"
       " ON CONFLICT (account) DO NOTHING"},
      {"release_seat", "DELETE FROM seat_claims WHERE account = $1 AND server = $2"},
      {"find_claim", "SELECT account, server, table_id FROM seat_claims WHERE account = $1"},
  };
}

class Result {
 public:
  explicit Result(PGresult* r) : r_(r) {}
  ~Result() { PQclear(r_); }
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;
  Result(Result&& o) noexcept : r_(o.r_) { o.r_ = nullptr; }
  PGresult* Raw() const { return r_; }
  int Rows() const { return PQntuples(r_); }
  std::string Text(int row, int col) const { return PQgetvalue(r_, row, col); }
  int64_t Int(int row, int col) const {
    return std::strtoll(PQgetvalue(r_, row, col), nullptr, 10);
  }
  int64_t Changed() const { return std::strtoll(PQcmdTuples(r_), nullptr, 10); }

 private:
  PGresult* r_;
};

std::string Param(int64_t v) { return std::to_string(v); }
std::string Param(int v) { return std::to_string(v); }
std::string Param(bool v) { return v ? "1" : "0"; }
std::string Param(std::string_view v) { return std::string(v); }
std::string Param(const std::string& v) { return v; }

class PostgresStorage final : public Storage {
 public:
  explicit PostgresStorage(const std::string& url) : url_(url) {
    Connect();
    // A database this server must refuse (foreign, newer) still closes its connection: the
    // destructor does not run for an object whose constructor throws.
    try {
      Migrate();
      PrepareAll();
    } catch (...) {
      PQfinish(conn_);
      conn_ = nullptr;
      throw;
    }
  }
  ~PostgresStorage() override { PQfinish(conn_); }

  std::string Describe() const override {
    return std::string("PostgreSQL database ") + PQdb(conn_) + " on " + PQhost(conn_) + ":" +
           PQport(conn_);
  }

  std::optional<Account> FindAccount(std::string_view name) override {
    std::lock_guard lock(mutex_);
    Result r = Run("find_account", name);
    if (r.Rows() == 0) return std::nullopt;
    Account a;
    a.id = r.Int(0, 0);
    a.name = r.Text(0, 1);
    a.nickname = r.Text(0, 2);
    a.gender = static_cast<int>(r.Int(0, 3));
    a.avatar = r.Text(0, 4);
    a.location = r.Text(0, 5);
    a.title = r.Text(0, 6);
    a.passwordHash = r.Text(0, 7);
    a.coins = r.Int(0, 8);
    a.points = r.Int(0, 9);
    a.credit = r.Int(0, 10);
    a.logins = static_cast<int32_t>(r.Int(0, 11));
    a.disconnects = static_cast<int32_t>(r.Int(0, 12));
    a.wins = static_cast<int32_t>(r.Int(0, 13));
    a.losses = static_cast<int32_t>(r.Int(0, 14));
    a.created = r.Int(0, 15);
    a.lastSeen = r.Int(0, 16);
    a.toppedUpDay = r.Int(0, 17);
    return a;
  }

  bool CreateAccount(const Account& a) override {
    std::lock_guard lock(mutex_);
    return Run("create_account", a.name, a.nickname, a.gender, a.avatar, a.location, a.title,
               a.passwordHash, a.coins, a.points, a.credit, a.created, a.lastSeen, a.toppedUpDay)
               .Rows() > 0;
  }

  bool TopUp(std::string_view name, int64_t day, int64_t coinsUpTo) override {
    std::lock_guard lock(mutex_);
    return Run("top_up", coinsUpTo, day, name).Changed() > 0;
  }

  void CountLogin(std::string_view name, int64_t now) override {
    std::lock_guard lock(mutex_);
    Run("count_login", now, name);
  }

  void CountDisconnect(std::string_view name, int64_t now) override {
    std::lock_guard lock(mutex_);
    Run("count_disconnect", now, kAbandonCredit, name);
  }

  void RecordDeal(const DealSettlement& d) override {
    std::lock_guard lock(mutex_);
    Plain("BEGIN");
    try {
      int64_t fee = 0;
      for (const SeatSettlement& s : d.seats) fee += s.fee;
      Result inserted = Run("insert_deal", d.server, d.tableId, d.deal, fee, d.finished);
      if (inserted.Rows() == 0) {
        Plain("COMMIT");
        return;
      }
      const int64_t dealId = inserted.Int(0, 0);
      for (int seat = 0; seat < 3; ++seat) {
        const SeatSettlement& s = d.seats[seat];
        Run("insert_seat", dealId, seat, s.account, s.bot, s.coins, s.fee, s.units);
        if (s.bot) continue;
        Run("apply_seat", s.coins, s.units, s.coins > 0 ? 1 : 0, s.coins < 0 ? 1 : 0, d.finished,
            kMaxCredit, s.account);
        Run("retitle", s.account);
      }
      Plain("COMMIT");
    } catch (...) {
      PQclear(PQexec(conn_, "ROLLBACK"));
      throw;
    }
  }

  void RegisterServer(std::string_view server, int64_t now) override {
    std::lock_guard lock(mutex_);
    Run("register_server", server, now);
  }

  void DropStaleServers(int64_t staleBefore) override {
    std::lock_guard lock(mutex_);
    Plain("BEGIN");
    try {
      Run("drop_stale_tables", staleBefore);
      Run("drop_stale_claims", staleBefore);
      Run("drop_stale_servers", staleBefore);
      Plain("COMMIT");
    } catch (...) {
      PQclear(PQexec(conn_, "ROLLBACK"));
      throw;
    }
  }

  void PutTable(const TableRow& t) override {
    std::lock_guard lock(mutex_);
    Run("put_table", t.id, t.server, t.host, t.port, t.stake, t.turnSeconds, t.computerPlayers,
        t.watchers, t.watchable, SeatsToJson(t.seats));
  }

  void RemoveTable(std::string_view server, int64_t tableId) override {
    std::lock_guard lock(mutex_);
    Run("remove_table", tableId, server);
  }

  std::vector<TableRow> ListTables() override {
    std::lock_guard lock(mutex_);
    Result r = Run("list_tables");
    std::vector<TableRow> rows;
    for (int i = 0; i < r.Rows(); ++i) {
      TableRow t;
      t.id = r.Int(i, 0);
      t.server = r.Text(i, 1);
      t.host = r.Text(i, 2);
      t.port = static_cast<int>(r.Int(i, 3));
      t.stake = static_cast<int>(r.Int(i, 4));
      t.turnSeconds = static_cast<int>(r.Int(i, 5));
      t.computerPlayers = static_cast<int>(r.Int(i, 6));
      t.watchers = static_cast<int>(r.Int(i, 7));
      t.watchable = r.Int(i, 8) != 0;
      t.seats = SeatsFromJson(r.Text(i, 9));
      rows.push_back(std::move(t));
    }
    return rows;
  }

  int64_t NextTableId() override {
    std::lock_guard lock(mutex_);
    return Run("next_table_id").Int(0, 0);
  }

  bool ClaimSeat(const SeatClaim& c) override {
    std::lock_guard lock(mutex_);
    return Run("claim_seat", c.account, c.server, c.tableId).Changed() > 0;
  }

  void ReleaseSeat(std::string_view account, std::string_view server) override {
    std::lock_guard lock(mutex_);
    Run("release_seat", account, server);
  }

  std::optional<SeatClaim> FindClaim(std::string_view account) override {
    std::lock_guard lock(mutex_);
    Result r = Run("find_claim", account);
    if (r.Rows() == 0) return std::nullopt;
    return SeatClaim{r.Text(0, 0), r.Text(0, 1), r.Int(0, 2)};
  }

 private:
  void Connect() {
    conn_ = PQconnectdb(url_.c_str());
    if (PQstatus(conn_) != CONNECTION_OK) {
      std::string message = PQerrorMessage(conn_);
      while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
      PQfinish(conn_);
      conn_ = nullptr;
      throw StorageError("cannot connect to PostgreSQL: " + message);
    }
    PQclear(PQexec(conn_, "SET client_min_messages = warning"));
  }

  std::string Error() const {
    std::string message = PQerrorMessage(conn_);
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
      message.pop_back();
    return "PostgreSQL: " + message;
  }

  Result Plain(const char* sql) {
    Result r(PQexec(conn_, sql));
    const ExecStatusType st = PQresultStatus(r.Raw());
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) throw StorageError(Error());
    return r;
  }

  // Creates or upgrades the schema under a lock, so two processes starting together agree.
  void Migrate() {
    Plain("BEGIN");
    try {
      Plain("SELECT pg_advisory_xact_lock(1263687244)");
      Result meta(PQexec(conn_,
                         "SELECT to_regclass('korvel_meta') IS NOT NULL,"
                         " to_regclass('accounts') IS NOT NULL"));
      if (PQresultStatus(meta.Raw()) != PGRES_TUPLES_OK) throw StorageError(Error());
      const bool ours = meta.Text(0, 0) == "t";
      const bool other = meta.Text(0, 1) == "t";
      int version = 0;
      if (ours) {
        Result v(PQexec(conn_, "SELECT value FROM korvel_meta WHERE key = 'schema'"));
        if (PQresultStatus(v.Raw()) != PGRES_TUPLES_OK || v.Rows() != 1)
          throw StorageError("the PostgreSQL database has a damaged korvel_meta table");
        version = static_cast<int>(v.Int(0, 0));
      } else if (other) {
        throw StorageError("the PostgreSQL database holds tables not made by korvel-server");
      }
      if (version > kSchemaVersion)
        throw StorageError("the PostgreSQL database has schema " + std::to_string(version) +
                           ", newer than this korvel-server knows (" +
                           std::to_string(kSchemaVersion) + "); use a newer korvel-server");
      if (version < 1) {
        Plain("CREATE TABLE korvel_meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)");
        Plain("INSERT INTO korvel_meta VALUES ('schema', '0')");
        for (const char* sql : kSchemaV1) Plain(sql);
      }
      // Later schema versions add their steps here, each from the version before it.
      Plain(("UPDATE korvel_meta SET value = '" + std::to_string(kSchemaVersion) +
             "' WHERE key = 'schema'")
                .c_str());
      Plain("COMMIT");
    } catch (...) {
      PQclear(PQexec(conn_, "ROLLBACK"));
      throw;
    }
  }

  void PrepareAll() {
    for (const Prepared& p : Statements()) {
      Result r(PQprepare(conn_, p.name, p.sql.c_str(), 0, nullptr));
      if (PQresultStatus(r.Raw()) != PGRES_COMMAND_OK) throw StorageError(Error());
    }
  }

  // A connection lost since the last call is opened again (outside a transaction only).
  void EnsureConnected() {
    if (PQstatus(conn_) == CONNECTION_OK) return;
    PQreset(conn_);
    if (PQstatus(conn_) != CONNECTION_OK) throw StorageError(Error());
    PrepareAll();
  }

  template <typename... Args>
  Result Run(const char* name, const Args&... args) {
    if (PQtransactionStatus(conn_) == PQTRANS_IDLE) EnsureConnected();
    const std::vector<std::string> values{Param(args)...};
    std::vector<const char*> pointers;
    for (const std::string& v : values) pointers.push_back(v.c_str());
    Result r(PQexecPrepared(conn_, name, static_cast<int>(pointers.size()), pointers.data(),
                            nullptr, nullptr, 0));
    const ExecStatusType st = PQresultStatus(r.Raw());
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) throw StorageError(Error());
    return r;
  }

  std::string url_;
  PGconn* conn_ = nullptr;
  std::mutex mutex_;
};

}  // namespace

std::unique_ptr<Storage> OpenPostgresStorage(const std::string& url) {
  return std::make_unique<PostgresStorage>(url);
}

}  // namespace korvel::server
