#include "table/table.h"

#include <algorithm>

#include "storage/account_rules.h"
#include "table/coin_settlement.h"
#include "table/server_records.h"
#include "table/timeout_play.h"

namespace korvel::server {

namespace {
uint8_t MaskOfSeat(int seat) { return static_cast<uint8_t>(1 << seat); }

// The tag of a record answers the server's record of `reference` or a later one.
bool TagAtOrAfter(uint16_t tag, uint16_t reference) {
  return static_cast<int16_t>(static_cast<uint16_t>(tag - reference)) >= 0;
}
}  // namespace

Table::Table(int id, const TableConfig& config, const Clock& clock, uint64_t seed,
             ShantenCalculator& shanten, TableListener& listener,
             const std::vector<WallTiles>* scriptedWalls)
    : id_(id),
      config_(config),
      clock_(clock),
      rng_(seed),
      bot_(shanten),
      listener_(listener),
      scriptedWalls_(scriptedWalls && !scriptedWalls->empty() ? scriptedWalls : nullptr) {
  dealer_ = static_cast<int>(rng_.Below(kSeatCount));
}

bool Table::Full() const {
  return std::all_of(seats_.begin(), seats_.end(), [](const SeatState& s) { return s.occupied; });
}

int Table::Humans() const {
  int n = 0;
  for (const SeatState& s : seats_) n += s.occupied && !s.bot && !s.gone ? 1 : 0;
  return n;
}

bool Table::HumanPresent() const { return Humans() > 0; }

bool Table::Accepting() const { return stage_ == Stage::Filling && !Full(); }

uint16_t Table::Send(int seat, RecordBytes record) {
  SeatState& s = seats_[Clamp(seat)];
  if (!s.link) return 0;
  s.lastTag = s.link->Deliver(record);
  return s.lastTag;
}

void Table::SendToWatcher(const Watcher& w, RecordBytes record) { w.link->Deliver(record); }

void Table::SendAll(const RecordBytes& record) {
  for (int s = 0; s < kSeatCount; ++s)
    if (seats_[s].link) Send(s, record);
  for (const Watcher& w : watchers_) SendToWatcher(w, record);
}

int Table::Seat(const PlayerProfile& player, SeatLink* link, int preferredSeat) {
  if (!Accepting()) return -1;
  int seat = 0;
  if (preferredSeat >= 0 && preferredSeat < kSeatCount && !seats_[preferredSeat].occupied) {
    seat = preferredSeat;
  } else {
    while (seats_[seat].occupied) ++seat;
  }
  SeatState& s = seats_[seat];
  s = SeatState{};
  s.occupied = true;
  s.bot = link == nullptr;
  s.link = link;
  s.profile = player;
  s.profile.bot = s.bot;
  if (!player.stored) s.profile.coins = config_.startingCoins;
  s.ready = s.bot;
  // The key that proves the seat on a reconnection: the 31 bits the client keeps (it holds the
  // key as a non-negative signed number), from the system's secure source; wrong guesses are
  // limited per address and per account, so 2^31 values are out of a guesser's reach.
  do {
    s.reconnectKey = SystemRandom32() & 0x7FFFFFFF;
  } while (s.reconnectKey == 0);
  // The seeded generator advances as it always did here, so a seed still gives the same deals.
  rng_.Next();
  Log("seat " + std::to_string(seat) + ": " + player.account + (s.bot ? " (computer)" : ""));

  if (link) {
    Send(seat,
         LoginResultRecord(LoginVerdict::Accepted, config_.turnSeconds, config_.timeoutLimit));
    Send(seat, PlayerInfoRecord(kSeatByteSelf, s.profile, s.ready, config_.props));
    for (int o = 0; o < kSeatCount; ++o)
      if (o != seat && seats_[o].occupied)
        Send(seat,
             PlayerInfoRecord(kSeatByteJoined, seats_[o].profile, seats_[o].ready, config_.props));
  }
  for (int o = 0; o < kSeatCount; ++o)
    if (o != seat && seats_[o].link)
      Send(o, PlayerInfoRecord(kSeatByteJoined, s.profile, s.ready, config_.props));

  if (Full()) {
    AnnounceSeating();
    stage_ = Stage::Starting;
    stageDueMs_ = clock_.NowMs() + config_.startSeconds * 1000LL;
  }
  return seat;
}

void Table::AnnounceSeating() {
  // Three seat announcements assign the seats; the three player records after them complete
  // the client's count, which then draws the seats and chooses the voices.
  for (int h = 0; h < kSeatCount; ++h) {
    if (!seats_[h].link) continue;
    for (int s = 0; s < kSeatCount; ++s) Send(h, SeatRecord(s, seats_[s].profile.account));
    for (int s = 0; s < kSeatCount; ++s)
      Send(h, PlayerInfoRecord(s == h ? kSeatByteSelf : MaskOfSeat(s), seats_[s].profile,
                               seats_[s].ready, config_.props));
    // The first deal's dealer, and the key that proves this connection's seat if it has to
    // come back: given now, so no reconnection is ever taken on trust.
    Send(h, NextDealerRecord(dealer_, seats_[h].reconnectKey));
    seats_[h].keySent = true;
  }
}

void Table::Leave(int seat, const SeatLink* link, std::string_view why) {
  if (seat < 0 || seat >= kSeatCount) return;
  SeatState& s = seats_[seat];
  if (!s.occupied || s.bot || s.gone || !link || s.link != link) return;
  s.link = nullptr;
  Log("seat " + std::to_string(seat) + ": " + s.profile.account + " left (" + std::string(why) +
      ")");
  if (stage_ == Stage::InDeal && deal_ && !deal_->Over()) {
    // The deal goes on; the seat is played for until it ends.
    s.gone = true;
    if (deal_->Awaiting(seat))
      s.dueMs = std::min(s.dueMs, clock_.NowMs() + (Audience() ? config_.botDelayMs : 0));
    if (!Audience()) {
      // Nobody is left to watch: finish at once.
      for (SeatState& other : seats_)
        if (other.dueMs != kNever) other.dueMs = clock_.NowMs();
    }
    return;
  }
  if (stage_ == Stage::BetweenDeals) {
    EndGame(seat);
    return;
  }
  FreeSeat(seat);
  AfterSeatFreed();
}

void Table::Lost(int seat, const SeatLink* link, std::string_view why) {
  if (seat < 0 || seat >= kSeatCount) return;
  SeatState& s = seats_[seat];
  if (!s.occupied || s.bot || s.gone || !link || s.link != link) return;
  const bool gameOn = stage_ == Stage::InDeal || stage_ == Stage::BetweenDeals;
  if (!gameOn || config_.reconnectWindowMs <= 0) {
    Leave(seat, link, why);
    return;
  }
  const int64_t now = clock_.NowMs();
  s.link = nullptr;
  s.away = true;
  s.awayUntilMs = now + config_.reconnectWindowMs;
  Log("seat " + std::to_string(seat) + ": " + s.profile.account + " lost its connection (" +
      std::string(why) + "); the seat waits for a reconnection");
  // Meanwhile the seat is played for at the computer players' pace.
  if (stage_ == Stage::InDeal && deal_ && !deal_->Over() && deal_->Awaiting(seat))
    s.dueMs = std::min(s.dueMs, now + config_.botDelayMs);
}

void Table::GiveUpAway(int seat) {
  SeatState& s = seats_[seat];
  s.away = false;
  s.awayUntilMs = kNever;
  ++s.profile.disconnects;
  s.profile.credit = std::max<int64_t>(0, s.profile.credit - kAbandonCredit);
  listener_.SeatAbandoned(id_, s.profile);
  Log("seat " + std::to_string(seat) + ": " + s.profile.account +
      " did not come back; the seat is given up");
  if (stage_ == Stage::InDeal && deal_ && !deal_->Over()) {
    // Played for until the deal ends, which then ends the game.
    s.gone = true;
    return;
  }
  EndGame(seat);
}

int Table::SeatOf(std::string_view account) const {
  for (int s = 0; s < kSeatCount; ++s)
    if (seats_[s].occupied && !seats_[s].bot && seats_[s].profile.account == account) return s;
  return -1;
}

template <typename SendFn>
void Table::SendSnapshot(int viewer, SendFn send) {
  send(DealStartRecord(deal_->Dealer(), die1_, die2_));
  const int counter = WallEndCounter(deal_->TakenFromBack());
  for (int s = 0; s < kSeatCount; ++s) {
    const Hand& h = deal_->HandOf(s);
    const bool own = s == viewer;
    std::array<RestoreEntry, kRestoreEntries> entries{};
    size_t n = 0;
    for (int m = 0; m < h.meldCount; ++m) {
      const Meld& meld = h.melds[m];
      uint8_t kind = kRestoreExposed | 3;
      if (meld.kind == MeldKind::Gang) kind = kRestoreExposed | 4;
      if (meld.kind == MeldKind::ConcealedGang) kind = kRestoreExposed | 5;
      if (meld.kind == MeldKind::AddedGang) kind = kRestoreExposed | 6;
      // Another seat's concealed gang keeps its tile to itself.
      const TileCode tile = meld.kind == MeldKind::ConcealedGang && !own ? 0 : meld.tile;
      for (int k = 0; k < (meld.IsGang() ? 4 : 3) && n < entries.size(); ++k)
        entries[n++] = RestoreEntry{kind, tile};
    }
    for (TileCode t : h.ClientOrder())
      if (n < entries.size()) entries[n++] = RestoreEntry{kRestoreConcealed, own ? t : TileCode{0}};
    RecordBytes record = RestoreRecord(s, deal_->DiscardsOf(s).size, deal_->TakenFromFront(),
                                       counter, std::span(entries.data(), n));
    // The deal's number at the table, so a returning client numbers its deals on.
    record[rec::kByte5] = static_cast<uint8_t>(dealsStarted_ & 0xFF);
    send(record);
  }
}

bool Table::Reconnect(int seat, uint32_t key, SeatLink* link, bool* busy) {
  if (seat < 0 || seat >= kSeatCount || !link) return false;
  SeatState& s = seats_[seat];
  if (!s.occupied || s.bot || s.gone || stage_ == Stage::Closed) return false;
  // The key went out when the table filled; before that a lost connection is a leave.
  if (!s.keySent || key != s.reconnectKey) {
    Log("seat " + std::to_string(seat) + ": reconnection with a wrong key refused");
    return false;
  }
  if (s.link && s.link != link && s.link->Responsive()) {
    Log("seat " + std::to_string(seat) +
        ": reconnection refused while the seat's connection lives");
    if (busy) *busy = true;
    return false;
  }
  if (s.link && s.link != link) {
    // The old connection went quiet without noticing it is gone: the new one takes over.
    SeatLink* old = s.link;
    s.link = nullptr;
    old->Close("replaced by a reconnection");
  }
  const int64_t now = clock_.NowMs();
  s.link = link;
  s.away = false;
  s.awayUntilMs = kNever;
  s.refused = 0;
  link->ContinueTagsAfter(s.lastTag);
  Send(seat, ReconnectResultRecord(true));
  Log("seat " + std::to_string(seat) + ": " + s.profile.account + " reconnected");
  if (stage_ == Stage::InDeal && deal_ && !deal_->Over()) {
    SendSnapshot(seat, [&](const RecordBytes& record) { Send(seat, record); });
    for (const RecordBytes& record : dealWins_) Send(seat, record);
    s.winsSeen = dealWins_.size();
    if (deal_->Awaiting(seat)) {
      const Offer& offer = deal_->OfferOf(seat);
      if (offer.kind == OfferKind::OwnTurn) {
        // The turn starts again with a full clock.
        s.offerTag = Send(seat, OptionsRecord(seat, &offer, config_.turnSeconds));
        s.dueMs = now + config_.turnSeconds * 1000LL + config_.graceMs;
      } else {
        // A claim on a discard the client never saw is declined for it.
        s.dueMs = now;
      }
    }
  } else if (stage_ == Stage::BetweenDeals && s.missedDealEnd) {
    // The wins it missed, so the board's totals agree with the deal's results.
    for (size_t i = std::min(s.winsSeen, dealWins_.size()); i < dealWins_.size(); ++i)
      Send(seat, dealWins_[i]);
    s.winsSeen = dealWins_.size();
    if (lastOutcome_)
      SendReveal(*lastOutcome_, seat, [&](const RecordBytes& record) { Send(seat, record); });
    for (const RecordBytes& record : lastDealEnd_) Send(seat, record);
    Send(seat, NextDealerRecord(dealer_, s.reconnectKey));
    s.keySent = true;
  }
  s.missedDealEnd = false;
  return true;
}

template <typename SendFn>
void Table::SendReveal(const DealOutcome& out, int receiver, SendFn send) {
  for (int s = 0; s < kSeatCount; ++s) {
    if (s == receiver) continue;
    const TileList& tiles = out.reveal[s];
    for (size_t at = 0; at < tiles.size; at += 4) {
      const size_t n = std::min<size_t>(4, tiles.size - at);
      send(RevealRecord(s, std::span(tiles.begin() + at, n)));
    }
  }
}

bool Table::Watchable() const {
  return Full() &&
         (stage_ == Stage::Starting || stage_ == Stage::InDeal || stage_ == Stage::BetweenDeals);
}

bool Table::Involves(std::string_view account, std::string_view address) const {
  for (const SeatState& s : seats_) {
    if (!s.occupied || s.bot) continue;
    if (s.profile.account == account) return true;
    if (!address.empty() && s.profile.address == address) return true;
  }
  return false;
}

bool Table::Watch(SeatLink* link, int watchedSeat) {
  if (!link || !Watchable() || watchedSeat < 0 || watchedSeat >= kSeatCount) return false;
  // A computer player has nobody to follow; its hand is nobody's to see.
  if (!seats_[watchedSeat].occupied || seats_[watchedSeat].bot) return false;
  if (static_cast<int>(watchers_.size()) >= config_.maxWatchers) return false;
  watchers_.push_back(Watcher{link, watchedSeat});
  const Watcher& w = watchers_.back();
  SendToWatcher(w, LoginResultRecord(LoginVerdict::Accepted, config_.turnSeconds, 0));
  for (int s = 0; s < kSeatCount; ++s) SendToWatcher(w, SeatRecord(s, seats_[s].profile.account));
  // The watched player's record first: the watcher's client sees the table from that seat.
  for (int k = 0; k < kSeatCount; ++k) {
    const int s = (watchedSeat + k) % kSeatCount;
    SendToWatcher(
        w, PlayerInfoRecord(MaskOfSeat(s), seats_[s].profile, seats_[s].ready, config_.props));
  }
  if (stage_ == Stage::InDeal && deal_ && !deal_->Over()) {
    SendSnapshot(watchedSeat, [&](const RecordBytes& record) { SendToWatcher(w, record); });
    for (const RecordBytes& record : dealWins_) SendToWatcher(w, record);
  }
  Log("a watcher follows seat " + std::to_string(watchedSeat) + " (" +
      seats_[watchedSeat].profile.account + ")");
  return true;
}

void Table::Unwatch(const SeatLink* link) {
  std::erase_if(watchers_, [&](const Watcher& w) { return w.link == link; });
}

void Table::OnWatcherRecord(const SeatLink* link, const RecordBytes& record) {
  auto it = std::find_if(watchers_.begin(), watchers_.end(),
                         [&](const Watcher& w) { return w.link == link; });
  if (it == watchers_.end()) return;
  const int command = record[rec::kCommand];
  if (command == kCmdKeepAlive) return;
  const bool allZero = std::all_of(record.begin() + rec::kValues, record.begin() + rec::kPayload,
                                   [](uint8_t b) { return b == 0; });
  if (command == kCmdDealEnd && allZero) {
    SeatLink* leaving = it->link;
    watchers_.erase(it);
    leaving->Close("the watcher left");
    return;
  }
  Log("a watcher's command " + std::to_string(command) + " ignored");
}

void Table::FreeSeat(int seat) {
  const std::string account = seats_[seat].profile.account;
  seats_[seat] = SeatState{};
  for (int h = 0; h < kSeatCount; ++h)
    if (seats_[h].link) Send(h, PlayerLeftRecord(account));
  // A watcher's view ends with the player who left.
  for (const Watcher& w : watchers_) SendToWatcher(w, PlayerLeftRecord(account));
  watchers_.clear();
}

void Table::AfterSeatFreed() {
  stage_ = HumanPresent() ? Stage::Filling : Stage::Closed;
  stageDueMs_ = kNever;
  if (stage_ == Stage::Closed) Log("closed: no players left");
}

void Table::EndGame(int leaver) {
  const std::string account = seats_[leaver].profile.account;
  // The deal-end record with value(3) = 1 names the seat that left as the one missing from
  // its mask; the clients show that the game is over.
  const uint8_t remaining = static_cast<uint8_t>(kAllSeats & ~MaskOfSeat(leaver));
  SendAll(GameOverRecord(remaining));
  for (SeatState& s : seats_) s.link = nullptr;
  watchers_.clear();
  stage_ = Stage::Closed;
  stageDueMs_ = kNever;
  Log("closed: " + account + " left during the game");
}

void Table::MarkReady(int seat) {
  SeatState& s = seats_[seat];
  if (stage_ == Stage::InDeal || s.ready) return;
  s.ready = true;
  SendAll(ReadyMarkRecord(s.profile.account));
}

void Table::StartDeal() {
  stage_ = Stage::InDeal;
  dealEnded_ = false;
  dealStartMs_ = clock_.NowMs();
  for (SeatState& s : seats_) {
    s.ready = s.bot;
    s.scheduledSerial = 0;
    s.dueMs = kNever;
    s.refused = 0;
  }
  if (config_.secureWalls) rng_ = Rng::FromSystem();
  const WallTiles wall = scriptedWalls_ ? (*scriptedWalls_)[dealsStarted_ % scriptedWalls_->size()]
                                        : ShuffledWall(rng_);
  const int die1 = 1 + static_cast<int>(rng_.Below(6));
  const int die2 = 1 + static_cast<int>(rng_.Below(6));
  ++dealsStarted_;
  dealWins_.clear();
  for (SeatState& s : seats_) s.winsSeen = 0;
  deal_.reset();
  deal_.emplace(static_cast<DealObserver&>(*this));
  deal_->Start(dealer_, wall, die1, die2);
}

void Table::Tick() {
  const int64_t now = clock_.NowMs();
  for (int s = 0; s < kSeatCount && stage_ != Stage::Closed; ++s)
    if (seats_[s].away && now >= seats_[s].awayUntilMs) GiveUpAway(s);
  for (int guard = 0; guard < 10000; ++guard) {
    if (stage_ == Stage::Starting || stage_ == Stage::BetweenDeals) {
      if (config_.dealLimit > 0 && dealsPlayed_ >= config_.dealLimit) return;
      // The last deal's settlement is written before the next deal starts.
      if (SettlementPending()) return;
      const bool allReady = std::all_of(seats_.begin(), seats_.end(),
                                        [](const SeatState& s) { return s.occupied && s.ready; });
      if (!allReady && now < stageDueMs_) return;
      StartDeal();
      continue;
    }
    if (stage_ != Stage::InDeal || !deal_ || deal_->Over()) return;
    int next = -1;
    int64_t due = kNever;
    for (int s = 0; s < kSeatCount; ++s) {
      if (deal_->Awaiting(s) && seats_[s].dueMs < due) {
        due = seats_[s].dueMs;
        next = s;
      }
    }
    if (next < 0 || due > now) return;
    PlayDue(next);
    // Hand control back after each deal, so a caller can count deals and other tables run.
    if (dealEnded_) return;
  }
  Log("too many steps in one tick; continuing on the next");
}

int64_t Table::NextWakeMs() const {
  int64_t away = kNever;
  for (const SeatState& s : seats_)
    if (s.away) away = std::min(away, s.awayUntilMs);
  return std::min(away, NextPlayMs());
}

int64_t Table::NextPlayMs() const {
  switch (stage_) {
    case Stage::Starting:
    case Stage::BetweenDeals: {
      if (config_.dealLimit > 0 && dealsPlayed_ >= config_.dealLimit) return kNever;
      if (SettlementPending()) return clock_.NowMs() + kSettlementPollMs;
      const bool allReady = std::all_of(seats_.begin(), seats_.end(),
                                        [](const SeatState& s) { return s.occupied && s.ready; });
      return allReady ? clock_.NowMs() : stageDueMs_;
    }
    case Stage::InDeal: {
      if (!deal_ || deal_->Over()) return kNever;
      int64_t due = kNever;
      for (int s = 0; s < kSeatCount; ++s)
        if (deal_->Awaiting(s)) due = std::min(due, seats_[s].dueMs);
      return due;
    }
    default:
      return kNever;
  }
}

bool Table::SettlementPending() const {
  return settlementTicket_ != 0 && !listener_.SettlementWritten(settlementTicket_);
}

bool Table::ApplyAction(int seat, const Action& action, const char* source) {
  std::string why;
  if (deal_->Act(seat, action, &why)) return true;
  Log("seat " + std::to_string(seat) + ": " + source + " " + ActionName(action.kind) + " " +
      (action.tile ? TileName(action.tile) : std::string()) + " refused: " + why);
  return false;
}

void Table::PlayDue(int seat) {
  SeatState& s = seats_[seat];
  const uint32_t serial = deal_->OfferSerial(seat);
  const Offer offer = deal_->OfferOf(seat);
  const Hand& hand = deal_->HandOf(seat);
  const bool declared = deal_->Declared(seat);
  const bool pending = deal_->DeclarePending(seat);
  s.dueMs = kNever;
  Action action;
  const char* source = "time-out";
  if (s.bot) {
    const SeatView view{hand, offer, declared, pending, deal_->Seen(), deal_->WallRemaining()};
    action = bot_.Decide(view);
    source = "computer";
  } else {
    action = TimeoutPlay(hand, offer, declared, pending);
  }
  bool done = ApplyAction(seat, action, source);
  if (!done && deal_->Awaiting(seat)) {
    done = ApplyAction(seat, TimeoutPlay(hand, offer, declared, pending), "fallback");
  }
  if (!deal_ || deal_->Over() || !deal_->Awaiting(seat) || deal_->OfferSerial(seat) != serial)
    return;
  // The same offer is still open: a declaration waits for its discard, a declined self-drawn
  // win or gang still owes a discard.
  if (done && action.kind == ActionKind::DeclareReady) {
    s.dueMs = clock_.NowMs();
    return;
  }
  const Action discard =
      TimeoutPlay(deal_->HandOf(seat), deal_->OfferOf(seat), declared, deal_->DeclarePending(seat));
  if (!ApplyAction(seat, discard, "fallback") && deal_->Awaiting(seat) &&
      deal_->OfferSerial(seat) == serial) {
    // Cannot happen with a consistent deal; never spin on it.
    Log("seat " + std::to_string(seat) + ": no acceptable play; the deal waits");
  }
}

void Table::Refuse(int seat, const std::string& why) {
  SeatState& s = seats_[seat];
  Log("seat " + std::to_string(seat) + ": record ignored: " + why);
  if (++s.refused > config_.maxRefusedRecords && s.link) {
    SeatLink* link = s.link;
    Leave(seat, link, "too many refused records");
    link->Close("too many refused records");
  }
}

std::optional<Action> Table::ActionFromRecord(int seat, const RecordBytes& r) {
  const int command = r[rec::kCommand];
  if (command == kCmdDiscard) {
    if ((r[14] & 0xF0) != 0x40 || !IsPlayTile(r[15])) {
      Refuse(seat, "discard record without a valid tile");
      return std::nullopt;
    }
    return Action{ActionKind::Discard, r[15]};
  }
  const int op = r[9];
  const TileCode first = r[11];
  const TileCode last = r[15];
  switch (op) {
    case OpPass:
      return Action{ActionKind::Pass, 0};
    case OpReady:
      return Action{ActionKind::DeclareReady, 0};
    case OpPeng:
      return Action{ActionKind::Peng, first};
    case OpGang:
      return Action{ActionKind::Gang, first};
    case OpConcealedGang:
      return Action{ActionKind::ConcealedGang, first};
    case OpAddedGang:
      return Action{ActionKind::AddedGang, last};
    case OpHu:
      return Action{ActionKind::Win, 0};
    default:
      Refuse(seat, "operation " + std::to_string(op) + " is not played here");
      return std::nullopt;
  }
}

void Table::OnRecord(int seat, const RecordBytes& record) {
  if (seat < 0 || seat >= kSeatCount) return;
  SeatState& s = seats_[seat];
  if (!s.occupied || s.bot || s.gone || !s.link) return;
  const int command = record[rec::kCommand];
  switch (command) {
    case kCmdKeepAlive:
      return;
    case kCmdProp: {
      // A prop given to another seat: everyone else at the table is told who gave what to
      // whom; the sender's client has shown it already.
      const int target = record[11];
      const int targetSeat = target == 1 ? 0 : target == 2 ? 1 : target == 4 ? 2 : -1;
      if (!config_.props || !Full() || targetSeat < 0 || targetSeat == seat) {
        Refuse(seat, "a prop message with no seat to go to");
        return;
      }
      const RecordBytes out = RelayedPropRecord(seat, record);
      for (int o = 0; o < kSeatCount; ++o)
        if (o != seat && seats_[o].link) Send(o, out);
      for (const Watcher& w : watchers_) SendToWatcher(w, out);
      return;
    }
    case kCmdChat: {
      if (ReadBE32(record, rec::kPropLength) == 272 || ReadBE32(record, rec::kPropLength) == 260) {
        Refuse(seat, "prop traffic is not carried here");
        return;
      }
      const RecordBytes out = ChatRecord(seat, record);
      const int target = record[11];
      const int targetSeat = target == 1 ? 0 : target == 2 ? 1 : target == 4 ? 2 : -1;
      if (targetSeat >= 0 && targetSeat != seat && seats_[targetSeat].link) {
        Send(targetSeat, out);
        Send(seat, out);
      } else {
        SendAll(out);
      }
      return;
    }
    case kCmdDealEnd: {
      if (record[15] == 1) {
        MarkReady(seat);
        return;
      }
      const bool allZero =
          std::all_of(record.begin() + rec::kValues, record.begin() + rec::kPayload,
                      [](uint8_t b) { return b == 0; });
      if (allZero) {
        SeatLink* link = s.link;
        Leave(seat, link, "leave notice");
        link->Close("left the table");
        return;
      }
      Refuse(seat, "command 16 with unknown values");
      return;
    }
    case kCmdDiscard:
    case kCmdOperation: {
      if (stage_ != Stage::InDeal || !deal_ || deal_->Over()) {
        Refuse(seat, "no deal in play");
        return;
      }
      if (!deal_->Awaiting(seat)) {
        Refuse(seat, "nothing is offered to this seat now");
        return;
      }
      if (!TagAtOrAfter(ReadBE16(record, rec::kServerTag), s.offerTag)) {
        Refuse(seat, "answer to an earlier offer");
        return;
      }
      const std::optional<Action> action = ActionFromRecord(seat, record);
      if (!action) return;
      if (!ApplyAction(seat, *action, "player")) Refuse(seat, "not allowed now");
      return;
    }
    default:
      Refuse(seat, "unexpected command " + std::to_string(command));
      return;
  }
}

// ---- deal events become records ----

void Table::DealStarted(int dealer, int die1, int die2) {
  die1_ = die1;
  die2_ = die2;
  SendAll(DealStartRecord(dealer, die1, die2));
}

void Table::TilesGiven(int seat, std::span<const TileCode> tiles) {
  const std::array<TileCode, 4> hidden{};
  const std::span<const TileCode> zeros(hidden.data(), tiles.size());
  for (int r = 0; r < kSeatCount; ++r) {
    if (!seats_[r].link) continue;
    Send(r, TilesRecord(seat, r == seat ? tiles : zeros));
  }
  // A watcher's client keeps the watched hand face down; it needs the tiles for the end.
  for (const Watcher& w : watchers_)
    SendToWatcher(w, TilesRecord(seat, w.seat == seat ? tiles : zeros));
}

void Table::OfferMade(int seat, const Offer& offer) {
  SeatState& s = seats_[seat];
  const int64_t now = clock_.NowMs();
  s.scheduledSerial = deal_->OfferSerial(seat);
  uint16_t tag = 0;
  if (offer.kind == OfferKind::OwnTurn) {
    // Everyone sees whose turn it is; only the seat itself learns what it may do.
    for (int r = 0; r < kSeatCount; ++r) {
      if (!seats_[r].link) continue;
      const uint16_t sent =
          Send(r, OptionsRecord(seat, r == seat ? &offer : nullptr, config_.turnSeconds));
      if (r == seat) tag = sent;
    }
  } else if (s.link) {
    tag = Send(seat, OptionsRecord(seat, &offer, config_.turnSeconds));
  }
  // Watchers see the other seats' clocks; the watched seat's own turn would be theirs to play.
  if (offer.kind == OfferKind::OwnTurn) {
    for (const Watcher& w : watchers_)
      if (w.seat != seat) SendToWatcher(w, OptionsRecord(seat, nullptr, config_.turnSeconds));
  }
  s.offerTag = tag;
  if (s.link) {
    const int64_t from = std::max(now, dealStartMs_ + config_.firstTurnAllowanceMs);
    s.dueMs = from + config_.turnSeconds * 1000LL + config_.graceMs;
  } else {
    s.dueMs = now + (Audience() ? config_.botDelayMs : 0);
  }
}

void Table::Discarded(int seat, TileCode tile, bool declaresReady, int concealedLeft) {
  SendAll(DiscardRecord(seat, tile, declaresReady, concealedLeft));
}

void Table::SendWins(const RecordBytes& record) {
  dealWins_.push_back(record);
  SendAll(record);
  for (SeatState& s : seats_)
    if (s.link) s.winsSeen = dealWins_.size();
}

void Table::OperationDone(int seat, OpCode op, TileCode tile, std::array<uint8_t, 2> winnerMasks) {
  if (op == OpHu) {
    SendWins(OperationRecord(seat, op, tile, false, tile, winnerMasks));
    return;
  }
  for (int r = 0; r < kSeatCount; ++r) {
    if (!seats_[r].link) continue;
    // A concealed gang stays concealed from the other seats.
    const TileCode shown = op == OpConcealedGang && r != seat ? 0 : tile;
    Send(r, OperationRecord(seat, op, shown, false, op == OpHu ? tile : 0, winnerMasks));
  }
  for (const Watcher& w : watchers_) {
    const TileCode shown = op == OpConcealedGang && w.seat != seat ? 0 : tile;
    SendToWatcher(w, OperationRecord(seat, op, shown, false, op == OpHu ? tile : 0, winnerMasks));
  }
}

void Table::WinSettled(const WinEvent& ev) {
  listener_.WinFinished(id_, ev);
  if (!Audience()) return;
  for (int s = 0; s < kSeatCount; ++s) {
    WinReport w;
    w.score = ev.delta[s];
    w.discarder = s == ev.payer;
    w.selfDrawnWinner = ev.selfDrawn && ev.winners[0].seat == s;
    for (int i = 0; i < ev.winnerCount; ++i)
      if (ev.winners[i].seat == s) w.fan = ev.winners[i].value.code;
    w.baseStake = config_.baseStake;
    w.dealAmount = ev.dealTotal[s];
    SendWins(WinReportRecord(s, w));
  }
}

void Table::DealEnded(const DealOutcome& out) {
  dealEnded_ = true;
  lastOutcome_ = out;
  for (int r = 0; r < kSeatCount; ++r) {
    if (!seats_[r].link) continue;
    SendReveal(out, r, [&](const RecordBytes& record) { Send(r, record); });
  }
  for (const Watcher& w : watchers_) {
    SendReveal(out, w.seat, [&](const RecordBytes& record) { SendToWatcher(w, record); });
  }
  if (out.exhausted && Audience()) {
    for (int s = 0; s < kSeatCount; ++s) {
      WinReport w;
      w.checkReady = out.check.ready[s];
      w.checkNotReady = out.check.notReady[s];
      if (w.checkReady) w.readyFan = out.check.value[s].code;
      w.checkAmount = out.check.delta[s];
      w.baseStake = config_.baseStake;
      w.dealAmount = out.total[s];
      SendWins(WinReportRecord(s, w));
    }
  }
  lastDealEnd_.clear();
  std::array<int64_t, kSeatCount> held{};
  for (int s = 0; s < kSeatCount; ++s) held[s] = seats_[s].profile.coins;
  const auto settled = SettleCoins(out.total, held, config_.baseStake, config_.feePercent);
  uint8_t shortMask = 0;
  DealSettlement record;
  record.tableId = id_;
  record.deal = dealsStarted_;
  for (int s = 0; s < kSeatCount; ++s) {
    SeatState& seat = seats_[s];
    const SeatCoins& c = settled[s];
    seat.totalUnits += out.total[s];
    // The same rules the storage applies, so what the table shows matches what is written.
    seat.profile.coins += c.coins;
    seat.profile.points = std::max<int64_t>(0, seat.profile.points + out.total[s]);
    seat.profile.credit = std::min(kMaxCredit, seat.profile.credit + 1);
    if (!seat.bot) seat.profile.title = TitleForPoints(seat.profile.points);
    if (c.coins > 0) ++seat.profile.wins;
    if (c.coins < 0) ++seat.profile.losses;
    record.seats[s] = SeatSettlement{seat.profile.account, seat.bot, c.coins, c.fee, out.total[s]};
    if (seat.profile.coins < config_.minimumCoins) shortMask |= MaskOfSeat(s);
    const DealResult result{c.coins, c.subtotal, c.capped, config_.feePercent, config_.feeText};
    lastDealEnd_.push_back(DealResultRecord(s, result, seat.profile.title));
    SendAll(lastDealEnd_.back());
  }
  settlementTicket_ = listener_.DealSettled(id_, record);
  if (shortMask != 0) {
    // The notice takes the deal end's place: it shows the board and ends the game.
    SendAll(CoinsShortRecord(static_cast<uint8_t>(kAllSeats & ~shortMask), shortMask));
    if (config_.props) SendAll(PropScoreRecord());
    ++dealsPlayed_;
    listener_.DealFinished(id_, out);
    for (SeatState& seat : seats_) seat.link = nullptr;
    watchers_.clear();
    stage_ = Stage::Closed;
    stageDueMs_ = kNever;
    Log("closed: a player's coins ran short");
    return;
  }
  lastDealEnd_.push_back(DealEndRecord());
  SendAll(lastDealEnd_.back());
  // With props the client hands the board to its component, which settles on this notice.
  if (config_.props) {
    lastDealEnd_.push_back(PropScoreRecord());
    SendAll(lastDealEnd_.back());
  }
  for (int r = 0; r < kSeatCount; ++r) {
    SeatState& seat = seats_[r];
    if (seat.away) seat.missedDealEnd = true;
    if (!seat.link) continue;
    Send(r, NextDealerRecord(out.nextDealer, seat.reconnectKey));
    seat.keySent = true;
  }
  // A watcher learns the next dealer; it has no key, as it never reconnects to a seat.
  for (const Watcher& w : watchers_) SendToWatcher(w, NextDealerRecord(out.nextDealer, 0));

  dealer_ = out.nextDealer;
  ++dealsPlayed_;
  listener_.DealFinished(id_, out);

  stage_ = Stage::BetweenDeals;
  stageDueMs_ = clock_.NowMs() + config_.pauseSeconds * 1000LL + config_.continueGraceMs;
  for (int s = 0; s < kSeatCount; ++s)
    if (seats_[s].bot) SendAll(ReadyMarkRecord(seats_[s].profile.account));

  for (int s = 0; s < kSeatCount; ++s) {
    if (seats_[s].gone) {
      EndGame(s);
      break;
    }
  }
}

}  // namespace korvel::server
