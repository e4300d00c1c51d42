// The embedded engine: one SQLite file in WAL mode, held exclusively by one server process (a
// second process would otherwise keep its own idea of who sits where).
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <mutex>

#include "storage/account_rules.h"
#include "storage/storage.h"
#include "storage/table_seats_json.h"

namespace korvel::server {

namespace {

// Marks the file as ours, so another program's SQLite database is not taken for an empty one.
constexpr int kApplicationId = 0x4B52564C;

constexpr const char* kSchemaV1[] = {
    "CREATE TABLE accounts ("
    " id INTEGER PRIMARY KEY,"
    " name TEXT NOT NULL UNIQUE,"
    " nickname TEXT NOT NULL,"
    " gender INTEGER NOT NULL DEFAULT 1,"
    " avatar TEXT NOT NULL DEFAULT 'm1',"
    " location TEXT NOT NULL DEFAULT '',"
    " title TEXT NOT NULL DEFAULT '',"
    " password_hash TEXT NOT NULL DEFAULT '',"
    " coins INTEGER NOT NULL,"
    " points INTEGER NOT NULL DEFAULT 0,"
    " credit INTEGER NOT NULL DEFAULT 100,"
    " logins INTEGER NOT NULL DEFAULT 0,"
    " disconnects INTEGER NOT NULL DEFAULT 0,"
    " wins INTEGER NOT NULL DEFAULT 0,"
    " losses INTEGER NOT NULL DEFAULT 0,"
    " created INTEGER NOT NULL,"
    " last_seen INTEGER NOT NULL,"
    " topped_up_day INTEGER NOT NULL DEFAULT 0)",
    "CREATE TABLE deals ("
    " id INTEGER PRIMARY KEY,"
    " server TEXT NOT NULL,"
    " table_id INTEGER NOT NULL,"
    " deal INTEGER NOT NULL,"
    " fee INTEGER NOT NULL,"
    " finished INTEGER NOT NULL,"
    " UNIQUE (server, table_id, deal))",
    "CREATE TABLE deal_seats ("
    " deal_id INTEGER NOT NULL REFERENCES deals(id),"
    " seat INTEGER NOT NULL,"
    " account TEXT NOT NULL,"
    " bot INTEGER NOT NULL,"
    " coins INTEGER NOT NULL,"
    " fee INTEGER NOT NULL,"
    " units INTEGER NOT NULL,"
    " PRIMARY KEY (deal_id, seat))",
    "CREATE INDEX deal_seats_account ON deal_seats(account)",
    "CREATE TABLE servers (id TEXT PRIMARY KEY, seen INTEGER NOT NULL)",
    "CREATE TABLE hall_tables ("
    " id INTEGER PRIMARY KEY,"
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
    " table_id INTEGER NOT NULL)",
    "CREATE TABLE counters (name TEXT PRIMARY KEY, value INTEGER NOT NULL)",
    "INSERT INTO counters VALUES ('table_id', 0)",
};

class Statement {
 public:
  Statement() = default;
  Statement(sqlite3* db, const std::string& sql) {
    if (sqlite3_prepare_v3(db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr) !=
        SQLITE_OK)
      throw StorageError(std::string("SQLite cannot prepare a statement: ") + sqlite3_errmsg(db));
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  Statement(Statement&& o) noexcept : stmt_(o.stmt_) { o.stmt_ = nullptr; }
  Statement& operator=(Statement&& o) noexcept {
    std::swap(stmt_, o.stmt_);
    return *this;
  }

  // Binds `args` to ?1, ?2, ... after resetting the statement.
  template <typename... Args>
  Statement& Bind(const Args&... args) {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    int i = 0;
    (BindOne(++i, args), ...);
    return *this;
  }
  // True while a row is there to read; throws on an error.
  bool Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    const std::string message = sqlite3_errmsg(sqlite3_db_handle(stmt_));
    sqlite3_reset(stmt_);
    throw StorageError("SQLite: " + message);
  }
  void Run() {
    while (Step()) {
    }
    sqlite3_reset(stmt_);
  }
  int64_t Int(int col) const { return sqlite3_column_int64(stmt_, col); }
  std::string Text(int col) const {
    const auto* p = sqlite3_column_text(stmt_, col);
    return p ? std::string(reinterpret_cast<const char*>(p),
                           static_cast<size_t>(sqlite3_column_bytes(stmt_, col)))
             : std::string();
  }
  void Reset() { sqlite3_reset(stmt_); }

 private:
  void BindOne(int i, int64_t v) { sqlite3_bind_int64(stmt_, i, v); }
  void BindOne(int i, int v) { sqlite3_bind_int64(stmt_, i, v); }
  void BindOne(int i, bool v) { sqlite3_bind_int64(stmt_, i, v ? 1 : 0); }
  void BindOne(int i, std::string_view v) {
    sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
  }
  void BindOne(int i, const std::string& v) { BindOne(i, std::string_view(v)); }
  void BindOne(int i, const char* v) { BindOne(i, std::string_view(v)); }

  sqlite3_stmt* stmt_ = nullptr;
};

constexpr const char* kAccountColumns =
    "id, name, nickname, gender, avatar, location, title, password_hash, coins, points, credit,"
    " logins, disconnects, wins, losses, created, last_seen, topped_up_day";

class SqliteStorage final : public Storage {
 public:
  SqliteStorage(const std::string& path, bool create) : path_(path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::exists(path, ec)) {
      if (!create)
        throw StorageError("no database at " + path +
                           " (start once with --create-database to make one)");
      const fs::path folder = fs::path(path).parent_path();
      if (!folder.empty()) fs::create_directories(folder, ec);
      if (ec) throw StorageError("cannot make the folder " + folder.string() + ": " + ec.message());
    }
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (create) flags |= SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
      const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
      sqlite3_close(db_);
      db_ = nullptr;
      throw StorageError("cannot open the database " + path + ": " + message);
    }
    try {
      Prepare();
    } catch (const StorageError&) {
      statements_.clear();
      sqlite3_close(db_);
      db_ = nullptr;
      throw;
    }
  }
  ~SqliteStorage() override {
    statements_.clear();
    sqlite3_close(db_);
  }

  std::string Describe() const override { return "SQLite " + path_; }

  std::optional<Account> FindAccount(std::string_view name) override {
    std::lock_guard lock(mutex_);
    Statement& s = *findAccount_;
    s.Bind(name);
    if (!s.Step()) return std::nullopt;
    Account a = ReadAccount(s);
    s.Reset();
    return a;
  }

  bool CreateAccount(const Account& a) override {
    std::lock_guard lock(mutex_);
    Statement& s = *createAccount_;
    s.Bind(a.name, a.nickname, a.gender, a.avatar, a.location, a.title, a.passwordHash, a.coins,
           a.points, a.credit, a.created, a.lastSeen, a.toppedUpDay);
    const bool inserted = s.Step();
    s.Reset();
    return inserted;
  }

  bool TopUp(std::string_view name, int64_t day, int64_t coinsUpTo) override {
    std::lock_guard lock(mutex_);
    topUp_->Bind(coinsUpTo, day, name).Run();
    return sqlite3_changes(db_) > 0;
  }

  void CountLogin(std::string_view name, int64_t now) override {
    std::lock_guard lock(mutex_);
    countLogin_->Bind(now, name).Run();
  }

  void CountDisconnect(std::string_view name, int64_t now) override {
    std::lock_guard lock(mutex_);
    countDisconnect_->Bind(now, kAbandonCredit, name).Run();
  }

  void RecordDeal(const DealSettlement& d) override {
    std::lock_guard lock(mutex_);
    Exec("BEGIN IMMEDIATE");
    try {
      int64_t fee = 0;
      for (const SeatSettlement& s : d.seats) fee += s.fee;
      Statement& insert = *insertDeal_;
      insert.Bind(d.server, d.tableId, d.deal, fee, d.finished);
      if (!insert.Step()) {
        // Recorded before: nothing is applied twice.
        Exec("COMMIT");
        return;
      }
      const int64_t dealId = insert.Int(0);
      insert.Reset();
      for (int seat = 0; seat < 3; ++seat) {
        const SeatSettlement& s = d.seats[seat];
        insertSeat_->Bind(dealId, seat, s.account, s.bot, s.coins, s.fee, s.units).Run();
        if (s.bot) continue;
        applySeat_
            ->Bind(s.coins, s.units, s.coins > 0 ? 1 : 0, s.coins < 0 ? 1 : 0, d.finished,
                   kMaxCredit, s.account)
            .Run();
        retitle_->Bind(s.account).Run();
      }
      Exec("COMMIT");
    } catch (...) {
      Exec("ROLLBACK", true);
      throw;
    }
  }

  void RegisterServer(std::string_view server, int64_t now) override {
    std::lock_guard lock(mutex_);
    registerServer_->Bind(server, now).Run();
  }

  void DropStaleServers(int64_t staleBefore) override {
    std::lock_guard lock(mutex_);
    Exec("BEGIN IMMEDIATE");
    try {
      Statement(db_,
                "DELETE FROM hall_tables WHERE server NOT IN (SELECT id FROM servers WHERE seen "
                ">= ?1)")
          .Bind(staleBefore)
          .Run();
      Statement(db_,
                "DELETE FROM seat_claims WHERE server NOT IN (SELECT id FROM servers WHERE seen "
                ">= ?1)")
          .Bind(staleBefore)
          .Run();
      Statement(db_, "DELETE FROM servers WHERE seen < ?1").Bind(staleBefore).Run();
      Exec("COMMIT");
    } catch (...) {
      Exec("ROLLBACK", true);
      throw;
    }
  }

  void PutTable(const TableRow& t) override {
    std::lock_guard lock(mutex_);
    putTable_
        ->Bind(t.id, t.server, t.host, t.port, t.stake, t.turnSeconds, t.computerPlayers,
               t.watchers, t.watchable, SeatsToJson(t.seats))
        .Run();
  }

  void RemoveTable(std::string_view server, int64_t tableId) override {
    std::lock_guard lock(mutex_);
    removeTable_->Bind(tableId, server).Run();
  }

  std::vector<TableRow> ListTables() override {
    std::lock_guard lock(mutex_);
    std::vector<TableRow> rows;
    Statement& s = *listTables_;
    s.Bind();
    while (s.Step()) {
      TableRow t;
      t.id = s.Int(0);
      t.server = s.Text(1);
      t.host = s.Text(2);
      t.port = static_cast<int>(s.Int(3));
      t.stake = static_cast<int>(s.Int(4));
      t.turnSeconds = static_cast<int>(s.Int(5));
      t.computerPlayers = static_cast<int>(s.Int(6));
      t.watchers = static_cast<int>(s.Int(7));
      t.watchable = s.Int(8) != 0;
      t.seats = SeatsFromJson(s.Text(9));
      rows.push_back(std::move(t));
    }
    return rows;
  }

  int64_t NextTableId() override {
    std::lock_guard lock(mutex_);
    Statement& s = *nextTableId_;
    s.Bind();
    if (!s.Step()) throw StorageError("SQLite: the table counter is missing");
    const int64_t id = s.Int(0);
    s.Reset();
    return id;
  }

  bool ClaimSeat(const SeatClaim& c) override {
    std::lock_guard lock(mutex_);
    claimSeat_->Bind(c.account, c.server, c.tableId).Run();
    return sqlite3_changes(db_) > 0;
  }

  void ReleaseSeat(std::string_view account, std::string_view server) override {
    std::lock_guard lock(mutex_);
    releaseSeat_->Bind(account, server).Run();
  }

  std::optional<SeatClaim> FindClaim(std::string_view account) override {
    std::lock_guard lock(mutex_);
    Statement& s = *findClaim_;
    s.Bind(account);
    if (!s.Step()) return std::nullopt;
    SeatClaim c{s.Text(0), s.Text(1), s.Int(2)};
    s.Reset();
    return c;
  }

 private:
  void Exec(const char* sql, bool quiet = false) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK && !quiet) {
      const std::string text = message ? message : "unknown error";
      sqlite3_free(message);
      throw StorageError("SQLite: " + text + " (in " + sql + ")");
    }
    sqlite3_free(message);
  }

  int64_t PragmaInt(const char* pragma) {
    Statement s(db_, std::string("PRAGMA ") + pragma);
    return s.Step() ? s.Int(0) : 0;
  }

  // Refuses what is not ours, locked, corrupt or too new; brings an older schema up to date.
  void Prepare() {
    sqlite3_busy_timeout(db_, 500);
    sqlite3_extended_result_codes(db_, 0);
    const auto fail = [&](const std::string& what) {
      const int code = sqlite3_errcode(db_);
      if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        throw StorageError("the database " + path_ + " is in use by another process");
      if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)
        throw StorageError("the database " + path_ + " is corrupt or not a database (" +
                           sqlite3_errmsg(db_) + ")");
      throw StorageError("the database " + path_ + ": " + what + ": " + sqlite3_errmsg(db_));
    };
    // One process only: the lock is taken with the first write and kept until the end.
    if (sqlite3_exec(db_, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK)
      fail("cannot lock it");
    {
      sqlite3_stmt* st = nullptr;
      if (sqlite3_prepare_v2(db_, "PRAGMA journal_mode=WAL", -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        fail("cannot read it");
      }
      const int rc = sqlite3_step(st);
      sqlite3_finalize(st);
      if (rc != SQLITE_ROW) fail("cannot switch it to WAL");
    }
    if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
      fail("cannot lock it");
    try {
      Statement check(db_, "PRAGMA quick_check");
      if (!check.Step() || check.Text(0) != "ok")
        throw StorageError("the database " + path_ + " is corrupt (" + check.Text(0) + ")");
    } catch (const StorageError&) {
      Exec("ROLLBACK", true);
      if (sqlite3_errcode(db_) == SQLITE_NOTADB || sqlite3_errcode(db_) == SQLITE_CORRUPT) fail("");
      throw;
    }
    const int64_t app = PragmaInt("application_id");
    const int64_t version = PragmaInt("user_version");
    const int64_t objects = [&] {
      Statement s(db_, "SELECT count(*) FROM sqlite_master");
      return s.Step() ? s.Int(0) : 0;
    }();
    if ((app != 0 && app != kApplicationId) || (app == 0 && objects > 0)) {
      Exec("ROLLBACK", true);
      throw StorageError("the database " + path_ + " was not made by korvel-server");
    }
    if (version > kSchemaVersion) {
      Exec("ROLLBACK", true);
      throw StorageError("the database " + path_ + " has schema " + std::to_string(version) +
                         ", newer than this korvel-server knows (" +
                         std::to_string(kSchemaVersion) + "); use a newer korvel-server");
    }
    if (version < 1) {
      for (const char* sql : kSchemaV1) Exec(sql);
    }
    // Later schema versions add their steps here, each from the version before it.
    Exec(("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str());
    Exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
    Exec("COMMIT");
    // Committed transactions survive the process being killed; only the operating system
    // crashing could lose the last few.
    Exec("PRAGMA synchronous=NORMAL");
    Exec("PRAGMA foreign_keys=ON");

    const std::string cols = kAccountColumns;
    findAccount_ = Make("SELECT " + cols + " FROM accounts WHERE name = ?1");
    createAccount_ = Make(
        "INSERT INTO accounts (name, nickname, gender, avatar, location, title, password_hash,"
        " coins, points, credit, created, last_seen, topped_up_day)"
        " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)"
        " ON CONFLICT (name) DO NOTHING RETURNING id");
    topUp_ = Make(
        "UPDATE accounts SET coins = MAX(coins, ?1), topped_up_day = ?2"
        " WHERE name = ?3 AND topped_up_day < ?2");
    countLogin_ = Make("UPDATE accounts SET logins = logins + 1, last_seen = ?1 WHERE name = ?2");
    countDisconnect_ = Make(
        "UPDATE accounts SET disconnects = disconnects + 1, last_seen = ?1,"
        " credit = MAX(0, credit - ?2) WHERE name = ?3");
    insertDeal_ = Make(
        "INSERT INTO deals (server, table_id, deal, fee, finished) VALUES (?1, ?2, ?3, ?4, ?5)"
        " ON CONFLICT DO NOTHING RETURNING id");
    insertSeat_ = Make(
        "INSERT INTO deal_seats (deal_id, seat, account, bot, coins, fee, units)"
        " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    applySeat_ = Make(
        "UPDATE accounts SET coins = coins + ?1, points = MAX(0, points + ?2),"
        " wins = wins + ?3, losses = losses + ?4, last_seen = ?5,"
        " credit = MIN(?6, credit + 1) WHERE name = ?7");
    retitle_ =
        Make("UPDATE accounts SET title = " + std::string(TitleSqlCase()) + " WHERE name = ?1");
    registerServer_ = Make(
        "INSERT INTO servers (id, seen) VALUES (?1, ?2)"
        " ON CONFLICT (id) DO UPDATE SET seen = excluded.seen");
    putTable_ = Make(
        "INSERT INTO hall_tables (id, server, host, port, stake, turn_seconds, computer_players,"
        " watchers, watchable, seats) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)"
        " ON CONFLICT (id) DO UPDATE SET server = excluded.server, host = excluded.host,"
        " port = excluded.port, stake = excluded.stake, turn_seconds = excluded.turn_seconds,"
        " computer_players = excluded.computer_players, watchers = excluded.watchers,"
        " watchable = excluded.watchable, seats = excluded.seats");
    removeTable_ = Make("DELETE FROM hall_tables WHERE id = ?1 AND server = ?2");
    listTables_ = Make(
        "SELECT id, server, host, port, stake, turn_seconds, computer_players, watchers,"
        " watchable, seats FROM hall_tables ORDER BY id");
    nextTableId_ =
        Make("UPDATE counters SET value = value + 1 WHERE name = 'table_id' RETURNING value");
    claimSeat_ = Make(
        "INSERT INTO seat_claims (account, server, table_id) VALUES (?1, ?2, ?3)"
        " ON CONFLICT (account) DO NOTHING");
    releaseSeat_ = Make("DELETE FROM seat_claims WHERE account = ?1 AND server = ?2");
    findClaim_ = Make("SELECT account, server, table_id FROM seat_claims WHERE account = ?1");
  }

  Statement* Make(const std::string& sql) {
    statements_.push_back(std::make_unique<Statement>(db_, sql));
    return statements_.back().get();
  }

  static Account ReadAccount(const Statement& s) {
    Account a;
    a.id = s.Int(0);
    a.name = s.Text(1);
    a.nickname = s.Text(2);
    a.gender = static_cast<int>(s.Int(3));
    a.avatar = s.Text(4);
    a.location = s.Text(5);
    a.title = s.Text(6);
    a.passwordHash = s.Text(7);
    a.coins = s.Int(8);
    a.points = s.Int(9);
    a.credit = s.Int(10);
    a.logins = static_cast<int32_t>(s.Int(11));
    a.disconnects = static_cast<int32_t>(s.Int(12));
    a.wins = static_cast<int32_t>(s.Int(13));
    a.losses = static_cast<int32_t>(s.Int(14));
    a.created = s.Int(15);
    a.lastSeen = s.Int(16);
    a.toppedUpDay = s.Int(17);
    return a;
  }

  std::string path_;
  sqlite3* db_ = nullptr;
  std::mutex mutex_;
  std::vector<std::unique_ptr<Statement>> statements_;
  Statement* findAccount_ = nullptr;
  Statement* createAccount_ = nullptr;
  Statement* topUp_ = nullptr;
  Statement* countLogin_ = nullptr;
  Statement* countDisconnect_ = nullptr;
  Statement* insertDeal_ = nullptr;
  Statement* insertSeat_ = nullptr;
  Statement* applySeat_ = nullptr;
  Statement* retitle_ = nullptr;
  Statement* registerServer_ = nullptr;
  Statement* putTable_ = nullptr;
  Statement* removeTable_ = nullptr;
  Statement* listTables_ = nullptr;
  Statement* nextTableId_ = nullptr;
  Statement* claimSeat_ = nullptr;
  Statement* releaseSeat_ = nullptr;
  Statement* findClaim_ = nullptr;
};

}  // namespace

std::unique_ptr<Storage> OpenSqliteStorage(const std::string& path, bool create) {
  return std::make_unique<SqliteStorage>(path, create);
}

std::unique_ptr<Storage> OpenStorage(const std::string& location, bool create) {
  if (location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0)
    return OpenPostgresStorage(location);
  return OpenSqliteStorage(location, create);
}

}  // namespace korvel::server
