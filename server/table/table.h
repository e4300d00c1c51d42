// One table of three seats: seating in login order, the ready marks and the continue records
// between deals, the deal loop, the time-out play for humans who do not answer, the computer
// players, and the records each seat receives. Time comes from an injected clock; records leave
// through each human seat's link, so a test, a benchmark and the network all drive it alike.
//
// Other seats' concealed tiles never leave the table: a seat receives its own tiles and zeros
// for everyone else's until the reveal at the end of the deal.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bots/bot_player.h"
#include "net/records.h"
#include "rules/wall.h"
#include "storage/storage.h"
#include "table/clock.h"
#include "table/deal.h"
#include "table/player_profile.h"

namespace korvel::server {

// A human seat's connection as the table sees it.
class SeatLink {
 public:
  virtual ~SeatLink() = default;
  // Sends one record after stamping its tag; returns the tag it carries.
  virtual uint16_t Deliver(RecordBytes& record) = 0;
  // Ends the connection from the server's side.
  virtual void Close(std::string_view reason) = 0;
  // A connection that takes over a seat after a reconnection goes on numbering its records
  // after the last tag the seat was sent, so answers to offers made before are told apart.
  virtual void ContinueTagsAfter(uint16_t /*tag*/) {}
  // The connection is open and its client was heard from lately (the client sends a keep-alive
  // every five seconds), so a reconnection to its seat comes from someone else.
  virtual bool Responsive() const { return false; }
};

class TableListener {
 public:
  virtual ~TableListener() = default;
  virtual void Log(std::string_view line) = 0;
  virtual void WinFinished(int /*tableId*/, const WinEvent& /*event*/) {}
  virtual void DealFinished(int /*tableId*/, const DealOutcome& /*outcome*/) {}
  // Each deal's coins, wins and losses, to be written in one transaction; the result is a
  // ticket the table shows to SettlementWritten before it starts the next deal.
  virtual uint64_t DealSettled(int /*tableId*/, const DealSettlement& /*deal*/) { return 0; }
  virtual bool SettlementWritten(uint64_t /*ticket*/) { return true; }
  // A human whose connection dropped mid-game did not come back in time.
  virtual void SeatAbandoned(int /*tableId*/, const PlayerProfile& /*player*/) {}
};

struct TableConfig {
  int turnSeconds = 8;
  int graceMs = 2000;               // beyond the client's own clock before the server plays for it
  int startSeconds = 15;            // from a full table to the first deal
  int pauseSeconds = 15;            // between deals, at most (never under the client's countdown)
  int continueGraceMs = 5000;       // the client counts its own 15 s before it sends continue
  int firstTurnAllowanceMs = 4000;  // the client's dice, wall and dealing animations
  int botDelayMs = 800;             // computer players' thinking time while humans watch
  int baseStake = 10;               // coins per unit
  int timeoutLimit = 3;             // time-outs in a row before the client hides its window
  int64_t startingCoins = 10000;
  int maxRefusedRecords = 200;  // a client that keeps sending refused records is disconnected
  int dealLimit = 0;            // stop after this many deals (bot-only runs); 0 = no limit
  // How long a seat whose connection dropped during a game waits for its player to reconnect
  // (the client tries for a little over a minute); 0 = a lost connection is a leave.
  int reconnectWindowMs = 90000;
  int maxWatchers = 4;
  // Percentage of each deal's winnings the table keeps, and the label the score board shows.
  int feePercent = 0;
  std::string feeText = "服务费";
  // A seat needs this many coins to play another deal; below it the game at the table ends.
  int64_t minimumCoins = 100;
  // The clients' prop component may run: the player records allow it and its messages travel.
  bool props = false;
  // Every wall and its dice from the system's secure random source rather than the table's
  // seeded generator (which then stays for tests that want repeatable deals).
  bool secureWalls = false;
};

class Table : private DealObserver {
 public:
  Table(int id, const TableConfig& config, const Clock& clock, uint64_t seed,
        ShantenCalculator& shanten, TableListener& listener,
        const std::vector<WallTiles>* scriptedWalls = nullptr);

  int Id() const { return id_; }
  // Seats a player in `preferredSeat` when it is free, otherwise in the next free seat; a null
  // link seats a computer player. -1 when the table takes nobody now.
  int Seat(const PlayerProfile& player, SeatLink* link, int preferredSeat = -1);
  // A human left: by the leave notice or a lost connection. Before the first deal the seat is
  // freed for the next login. Once deals have been played the game at the table ends (the
  // client holds a player-left notice back between deals, so it could not be told otherwise);
  // a human who leaves mid-deal is played for until the deal ends first. Only the link that
  // holds the seat can give it up.
  void Leave(int seat, const SeatLink* link, std::string_view why);
  // A human seat's connection was lost (not a leave notice). During a game the seat is kept:
  // it is played for while it waits for its player to reconnect, and given up when the wait
  // runs out. Before the first deal it is a leave.
  void Lost(int seat, const SeatLink* link, std::string_view why);
  // The player of `seat` comes back on `link` with the reconnect key it was given when the
  // table filled (and again at every deal's end). On success the seat is told so (command 29)
  // and, during a deal, gets the deal's start and the table's snapshot (command 40), the deal's
  // wins so far, then its open turn again. Refused with a wrong key, and while the seat's own
  // connection is still responsive (`busy` is then set: the client may try again later).
  bool Reconnect(int seat, uint32_t key, SeatLink* link, bool* busy = nullptr);
  // The seat a human account holds here, or -1.
  int SeatOf(std::string_view account) const;
  bool Away(int seat) const { return seats_[Clamp(seat)].away; }

  // Watchers follow the table from one human seat's side and never act. A full table takes up
  // to `maxWatchers` of them; a deal under way is shown to them with its snapshot.
  bool Watchable() const;
  // Whether `account` or a connection from `address` plays here (a seat waiting for its player
  // included): such a client may not watch the table.
  bool Involves(std::string_view account, std::string_view address) const;
  bool Watch(SeatLink* link, int watchedSeat);
  void Unwatch(const SeatLink* link);
  // A watcher may keep its connection alive and leave; anything else it sends is ignored.
  void OnWatcherRecord(const SeatLink* link, const RecordBytes& record);
  int Watchers() const { return static_cast<int>(watchers_.size()); }

  // One record from a human seat's client. Anything malformed, unexpected or out of turn is
  // logged and ignored.
  void OnRecord(int seat, const RecordBytes& record);
  // Runs everything that is due: computer players, time-outs, the start of deals.
  void Tick();
  // When Tick next has something to do.
  int64_t NextWakeMs() const;

  bool Accepting() const;
  bool Closed() const { return stage_ == Stage::Closed; }
  int Humans() const;
  int DealsPlayed() const { return dealsPlayed_; }
  const TableConfig& Config() const { return config_; }
  // The last deal's settlement is not written yet, so the next deal waits for it.
  bool SettlementPending() const;
  int64_t CoinsOf(int seat) const { return seats_[Clamp(seat)].profile.coins; }
  int64_t UnitsOf(int seat) const { return seats_[Clamp(seat)].totalUnits; }
  const PlayerProfile& PlayerAt(int seat) const { return seats_[Clamp(seat)].profile; }
  bool Occupied(int seat) const { return seats_[Clamp(seat)].occupied; }
  const Deal* CurrentDeal() const { return deal_ ? &*deal_ : nullptr; }

  static constexpr int64_t kNever = std::numeric_limits<int64_t>::max();
  // How often a table waiting for its settlement to be written looks again.
  static constexpr int64_t kSettlementPollMs = 2;

 private:
  enum class Stage : uint8_t { Filling, Starting, InDeal, BetweenDeals, Closed };

  struct SeatState {
    bool occupied = false;
    bool bot = false;
    bool gone = false;  // the human left during a deal; freed when it ends
    bool ready = false;
    PlayerProfile profile;
    SeatLink* link = nullptr;
    uint32_t reconnectKey = 0;
    int64_t totalUnits = 0;
    uint32_t scheduledSerial = 0;
    int64_t dueMs = kNever;
    uint16_t offerTag = 0;
    int refused = 0;
    bool away = false;  // the connection dropped during the game; the seat waits for it
    int64_t awayUntilMs = kNever;
    bool missedDealEnd = false;  // a deal ended while the seat was away
    bool keySent = false;        // the reconnect key has gone out to the seat's client
    uint16_t lastTag = 0;        // the tag of the last record the seat was sent
    size_t winsSeen = 0;         // records of `dealWins_` the seat's client received
  };
  struct Watcher {
    SeatLink* link = nullptr;
    int seat = 0;  // the seat whose side the watcher sees
  };

  static int Clamp(int seat) { return seat < 0 || seat >= kSeatCount ? 0 : seat; }
  bool Full() const;
  bool HumanPresent() const;
  // Sends to a human seat's link; returns the tag the record carries (0 without a link).
  uint16_t Send(int seat, RecordBytes record);
  void SendAll(const RecordBytes& record);
  void Log(const std::string& line) { listener_.Log("table " + std::to_string(id_) + ": " + line); }

  void AnnounceSeating();
  // The deal's start and the three seats' snapshots as `viewer` may see them, through `send`.
  template <typename SendFn>
  void SendSnapshot(int viewer, SendFn send);
  // The other seats' concealed tiles at the deal's end, as `receiver` gets them.
  template <typename SendFn>
  void SendReveal(const DealOutcome& out, int receiver, SendFn send);
  void GiveUpAway(int seat);
  int64_t NextPlayMs() const;
  void SendToWatcher(const Watcher& w, RecordBytes record);
  void StartDeal();
  // Someone follows the table: a human seat or a watcher.
  bool Audience() const { return HumanPresent() || !watchers_.empty(); }
  void SendWins(const RecordBytes& record);
  void FreeSeat(int seat);
  void AfterSeatFreed();
  // A player left after deals were played: the game at this table ends for everyone.
  void EndGame(int leaver);
  void MarkReady(int seat);
  void PlayDue(int seat);
  bool ApplyAction(int seat, const Action& action, const char* source);
  std::optional<Action> ActionFromRecord(int seat, const RecordBytes& record);
  void Refuse(int seat, const std::string& why);

  // DealObserver
  void DealStarted(int dealer, int die1, int die2) override;
  void TilesGiven(int seat, std::span<const TileCode> tiles) override;
  void OfferMade(int seat, const Offer& offer) override;
  void Discarded(int seat, TileCode tile, bool declaresReady, int concealedLeft) override;
  void OperationDone(int seat, OpCode op, TileCode tile,
                     std::array<uint8_t, 2> winnerMasks) override;
  void WinSettled(const WinEvent& event) override;
  void DealEnded(const DealOutcome& outcome) override;

  const int id_;
  const TableConfig config_;
  const Clock& clock_;
  Rng rng_;
  BotPlayer bot_;
  TableListener& listener_;
  const std::vector<WallTiles>* scriptedWalls_;

  Stage stage_ = Stage::Filling;
  std::array<SeatState, kSeatCount> seats_{};
  std::vector<Watcher> watchers_;
  // The records every seat got at the last deal's end, for a seat that was away then.
  std::vector<RecordBytes> lastDealEnd_;
  // The deal's wins as everyone saw them (the win results and the win reports, the check at
  // the wall's end included), for a client that comes back into the deal or after it.
  std::vector<RecordBytes> dealWins_;
  std::optional<DealOutcome> lastOutcome_;
  int die1_ = 1, die2_ = 1;
  std::optional<Deal> deal_;
  int64_t stageDueMs_ = kNever;
  int64_t dealStartMs_ = 0;
  int dealsStarted_ = 0;
  int dealer_ = 0;
  int dealsPlayed_ = 0;
  bool dealEnded_ = false;
  uint64_t settlementTicket_ = 0;
};

}  // namespace korvel::server
