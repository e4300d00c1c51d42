// The hall: every table of the process. A login takes the first table that still has a free
// seat, or opens a new one with its computer players already seated, so seats fill in login
// order. Tables close when their last human leaves.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "rules/shapes.h"
#include "table/hall_link.h"
#include "table/server_records.h"
#include "table/table.h"

namespace korvel::server {

struct HallConfig {
  TableConfig table;
  int bots = 2;  // computer players seated in each new table
  uint64_t seed = 0;
  // Walls from the system's secure source; the seed then only places the first dealers.
  bool secureWalls = false;
  std::vector<WallTiles> walls;  // scripted walls, used in turn; empty = shuffled
  bool allowWatchers = false;
  int maxTables = 200;
  // Seats one client address may hold, those waiting for a reconnection included.
  int maxSeatsPerAddress = 16;
  // Seats one address may leave waiting for a reconnection; a further lost connection from it
  // gives its seat up at once, so a few addresses that log in and drop cannot hold the hall.
  int maxAwayPerAddress = 2;
};

class Hall : public TableListener {
 public:
  using LogFn = std::function<void(std::string_view)>;
  Hall(const HallConfig& config, const Clock& clock, LogFn log);
  // Accounts, keys and tables from the hall service; without it anyone sits (open play).
  void SetLink(HallLink* link) { link_ = link; }

  struct Placement {
    LoginVerdict verdict = LoginVerdict::Refused;
    int tableId = -1;
    int seat = -1;
    bool watching = false;  // a watcher of `seat`, not its player
    // Refused for now, not for good: the seat's own connection still lives, so the client is
    // closed without a verdict and may try again.
    bool tryLater = false;
    std::string reason;
  };
  // Seats a human who sent its login record from `address`, or lets it watch when its login
  // key asks to (see kWatchKey). On refusal nothing was sent to the link.
  Placement Login(const RecordBytes& loginRecord, SeatLink* link, std::string_view address = {});
  // A client whose connection dropped during a game asks for its seat back (command 28 with
  // the reconnect key at 268..271). Accepted, the seat's table has already answered it; on
  // refusal nothing was sent to the link.
  Placement Reconnect(const RecordBytes& reconnectRecord, SeatLink* link);
  void OnRecord(int tableId, int seat, const RecordBytes& record);
  void Leave(int tableId, int seat, const SeatLink* link, std::string_view why);
  // The connection was lost rather than closed by a leave notice: the seat may be kept.
  void Lost(int tableId, int seat, const SeatLink* link, std::string_view why);
  void OnWatcherRecord(int tableId, const SeatLink* link, const RecordBytes& record);
  void Unwatch(int tableId, const SeatLink* link);
  void Tick();
  int64_t NextWakeMs() const;
  size_t TableCount() const { return tables_.size(); }
  Table* Find(int tableId);

  // TableListener
  void Log(std::string_view line) override { log_(line); }
  uint64_t DealSettled(int tableId, const DealSettlement& deal) override;
  bool SettlementWritten(uint64_t ticket) override;
  void SeatAbandoned(int tableId, const PlayerProfile& player) override;

  // Computer players' accounts start with this; no human may log in with it.
  static constexpr std::string_view kBotPrefix = "robot#";
  // With watchers allowed, a login key "watch" watches the first human of the first table in
  // play that the client has no part in; "watch:ACCOUNT" that player, from its seat.
  static constexpr std::string_view kWatchKey = "watch";
  static PlayerProfile BotProfile(int tableId, int index);

 private:
  Table& OpenTable();
  Table& OpenTable(const TableOrder& order);
  Table& AddTable(int id, const TableConfig& config, int bots);
  Placement Place(const Admission& admission, SeatLink* link, std::string_view address);
  // Tells the hall service what changed at the tables since the last tick.
  void Publish();
  TableRow RowOf(const Table& table) const;
  bool AccountSeated(std::string_view account) const;
  int SeatsHeldFrom(std::string_view address) const;
  Placement WatchLogin(std::string_view account, std::string_view address, std::string_view target,
                       SeatLink* link);

  HallConfig config_;
  const Clock& clock_;
  LogFn log_;
  ShantenCalculator shanten_;
  std::vector<std::unique_ptr<Table>> tables_;
  int nextTableId_ = 1;
  HallLink* link_ = nullptr;
  // What the hall service was last told, per table: its row as text, and who sits there.
  std::vector<std::pair<int, std::string>> published_;
  std::vector<std::string> seatedAccounts_;
};

}  // namespace korvel::server
