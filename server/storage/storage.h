// The hall's records: accounts, every deal's settlement, and the tables and seats of every
// server process that shares the database. One interface, an SQLite and a PostgreSQL engine
// behind it. Calls block on the database, so the table engine never makes them itself: it hands
// its writes to a StorageWriter and reads only what the hall service looked up beforehand.
//
// Every engine is safe to call from several threads (it serialises its own connection).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace korvel::server {

// A database that cannot be used: missing, locked, corrupt, of a newer schema, unreachable.
class StorageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Account {
  int64_t id = 0;
  std::string name;      // the login name: printable ASCII, at most 16 bytes
  std::string nickname;  // UTF-8, GBK-representable
  int gender = 1;        // 0 female, 1 male
  std::string avatar = "m1";
  std::string location;      // UTF-8
  std::string title;         // UTF-8; follows the points (see TitleForPoints)
  std::string passwordHash;  // Argon2id string; empty for accounts of an open server
  int64_t coins = 0;
  int64_t points = 0;
  int64_t credit = 0;
  int32_t logins = 0;
  int32_t disconnects = 0;
  int32_t wins = 0;
  int32_t losses = 0;
  int64_t created = 0;      // Unix seconds
  int64_t lastSeen = 0;     // Unix seconds
  int64_t toppedUpDay = 0;  // days since the epoch of the last daily top-up
};

// One seat's share of a finished deal. Computer players' seats are recorded too (so a deal's
// results always sum to minus its fee) but change no account.
struct SeatSettlement {
  std::string account;
  bool bot = false;
  int64_t coins = 0;  // the change of its coins, fee already taken
  int64_t fee = 0;    // taken from this seat's win
  int units = 0;      // the deal's units: > 0 a win, < 0 a loss
};

struct DealSettlement {
  std::string server;  // the process that played it (its instance id)
  int64_t tableId = 0;
  int64_t deal = 0;      // the deal's number at its table, from 1
  int64_t finished = 0;  // Unix seconds
  std::array<SeatSettlement, 3> seats;
};

// A table as the hall lists it; any process sharing the database sees all of them.
struct TableSeatRow {
  std::string name;  // empty: free
  std::string nickname;
  int64_t coins = 0;
  bool reserved = false;  // held for a player who has a key but has not logged in yet
};
struct TableRow {
  int64_t id = 0;
  std::string server;  // the instance id of the process that holds it
  std::string host;
  int port = 0;
  int stake = 10;
  int turnSeconds = 8;
  int computerPlayers = 0;
  int watchers = 0;
  bool watchable = false;
  std::array<TableSeatRow, 3> seats;
};

// Where an account sits, at most one place in the whole hall.
struct SeatClaim {
  std::string account;
  std::string server;
  int64_t tableId = 0;
};

class Storage {
 public:
  virtual ~Storage() = default;
  virtual std::string Describe() const = 0;  // for the log: engine and location

  virtual std::optional<Account> FindAccount(std::string_view name) = 0;
  // False when the name is taken.
  virtual bool CreateAccount(const Account& account) = 0;
  // Adds `coins` and stamps the day, only if the account was not topped up on `day` yet.
  virtual bool TopUp(std::string_view name, int64_t day, int64_t coinsUpTo) = 0;
  // A login at a table (once per table session) and a dropped connection that did not return.
  virtual void CountLogin(std::string_view name, int64_t now) = 0;
  virtual void CountDisconnect(std::string_view name, int64_t now) = 0;
  // One transaction: the deal's rows and every human seat's coins, points, wins and losses.
  // A deal recorded twice (same server, table and number) changes nothing the second time.
  virtual void RecordDeal(const DealSettlement& deal) = 0;

  // Tables of every process, and the claims that keep an account at one table.
  virtual void RegisterServer(std::string_view server, int64_t now) = 0;
  // Forgets the tables and claims of processes not heard from since `staleBefore`.
  virtual void DropStaleServers(int64_t staleBefore) = 0;
  virtual void PutTable(const TableRow& row) = 0;
  virtual void RemoveTable(std::string_view server, int64_t tableId) = 0;
  virtual std::vector<TableRow> ListTables() = 0;
  // A fresh table id, unique across processes.
  virtual int64_t NextTableId() = 0;
  // False when the account already sits (or is reserved) somewhere else.
  virtual bool ClaimSeat(const SeatClaim& claim) = 0;
  virtual void ReleaseSeat(std::string_view account, std::string_view server) = 0;
  virtual std::optional<SeatClaim> FindClaim(std::string_view account) = 0;
};

// "postgresql://..." or "postgres://..." opens PostgreSQL, anything else is an SQLite file.
// `create`: an SQLite file that does not exist yet is made (with its folder); otherwise a
// missing file is an error. Throws StorageError with a message meant for the operator.
std::unique_ptr<Storage> OpenStorage(const std::string& location, bool create);
std::unique_ptr<Storage> OpenSqliteStorage(const std::string& path, bool create);
std::unique_ptr<Storage> OpenPostgresStorage(const std::string& url);

// The schema this build writes; a database with a higher number is refused.
inline constexpr int kSchemaVersion = 1;

}  // namespace korvel::server
