#include "table/hall.h"

#include <algorithm>

#include "platform/gbk.h"

namespace korvel::server {

Hall::Hall(const HallConfig& config, const Clock& clock, LogFn log)
    : config_(config), clock_(clock), log_(std::move(log)) {
  config_.table.secureWalls = config_.secureWalls;
  // The text codec opens its converters on first use, which needs file descriptors: open them
  // now, so a login that arrives while the process is out of descriptors cannot fail on them.
  Utf8ToGbk("牌");
  GbkToUtf8("a");
}

PlayerProfile Hall::BotProfile(int tableId, int index) {
  static constexpr const char* kNames[] = {"机器人一号", "机器人二号", "机器人三号"};
  static constexpr const char* kAvatars[] = {"m3", "w2", "m7"};
  static constexpr uint8_t kGenders[] = {1, 0, 1};
  PlayerProfile p;
  const int k = index % 3;
  p.account =
      std::string(kBotPrefix) + std::to_string(tableId % 100000) + "-" + std::to_string(k + 1);
  p.nickname = kNames[k];
  p.avatar = kAvatars[k];
  p.gender = kGenders[k];
  p.location = "本地";
  p.title = "电脑";
  p.bot = true;
  return p;
}

Table& Hall::OpenTable() {
  int id = nextTableId_++;
  while (Find(id)) id = nextTableId_++;
  return AddTable(id, config_.table, config_.bots);
}

Table& Hall::OpenTable(const TableOrder& order) {
  TableConfig config = config_.table;
  config.baseStake = order.stake;
  config.turnSeconds = order.turnSeconds;
  // The same number of units' worth of coins as the hall's own stake asks for.
  config.minimumCoins = config_.table.baseStake > 0
                            ? config_.table.minimumCoins / config_.table.baseStake * order.stake
                            : config_.table.minimumCoins;
  return AddTable(order.id, config, order.computerPlayers);
}

Table& Hall::AddTable(int id, const TableConfig& config, int botCount) {
  // Each table draws from its own stream of the seed, so tables never share deals.
  const uint64_t seed = config_.seed ^ (0x9E3779B97F4A7C15ull * static_cast<uint64_t>(id));
  tables_.push_back(std::make_unique<Table>(id, config, clock_, seed, shanten_, *this,
                                            config_.walls.empty() ? nullptr : &config_.walls));
  Table& table = *tables_.back();
  const int bots = std::clamp(botCount, 0, 2);
  for (int i = 0; i < bots; ++i) table.Seat(BotProfile(id, i), nullptr);
  log_("table " + std::to_string(id) + " opened with " + std::to_string(bots) +
       " computer players");
  return table;
}

bool Hall::AccountSeated(std::string_view account) const {
  for (const auto& table : tables_)
    for (int s = 0; s < kSeatCount; ++s)
      if (table->Occupied(s) && table->PlayerAt(s).account == account) return true;
  return false;
}

namespace {

std::string FieldText(const RecordBytes& r, size_t from, size_t length) {
  std::string text;
  for (size_t i = from; i < from + length && r[i] != 0; ++i)
    text.push_back(static_cast<char>(r[i]));
  return text;
}

}  // namespace

int Hall::SeatsHeldFrom(std::string_view address) const {
  int n = 0;
  for (const auto& table : tables_)
    for (int s = 0; s < kSeatCount; ++s)
      if (table->Occupied(s) && !table->PlayerAt(s).bot && table->PlayerAt(s).address == address)
        ++n;
  return n;
}

Hall::Placement Hall::Login(const RecordBytes& r, SeatLink* link, std::string_view address) {
  Placement out;
  const std::string account = FieldText(r, rec::kUserId, rec::kUserIdBytes);
  const bool printable = std::all_of(account.begin(), account.end(),
                                     [](char c) { return static_cast<uint8_t>(c) >= 0x20; });
  if (account.empty() || !printable || account.rfind(kBotPrefix, 0) == 0) {
    out.verdict = LoginVerdict::Refused;
    out.reason = "the login record carries no usable user id";
    return out;
  }
  const std::string key = FieldText(r, rec::kLoginKey, rec::kLoginKeyBytes);
  if (link_) {
    const Admission admission = link_->Admit(account, key, address);
    if (admission.verdict != LoginVerdict::Accepted) {
      out.verdict = admission.verdict;
      out.reason = admission.reason;
      return out;
    }
    if (admission.tableId >= 0 || admission.watch) return Place(admission, link, address);
    // Open play: the hall chooses the table, as without a link, with the stored account.
    if (key == kWatchKey || key.rfind(std::string(kWatchKey) + ":", 0) == 0) {
      return WatchLogin(
          account, address,
          key.size() > kWatchKey.size() ? std::string_view(key).substr(kWatchKey.size() + 1) : "",
          link);
    }
    return Place(admission, link, address);
  }
  if (key == kWatchKey || key.rfind(std::string(kWatchKey) + ":", 0) == 0) {
    return WatchLogin(
        account, address,
        key.size() > kWatchKey.size() ? std::string_view(key).substr(kWatchKey.size() + 1) : "",
        link);
  }
  if (AccountSeated(account)) {
    out.verdict = LoginVerdict::TableUnavailable;
    out.reason = "\"" + account + "\" is already seated";
    return out;
  }
  // Seats left waiting for a reconnection count too, so one client cannot fill the hall with
  // tables whose computer players play on.
  if (!address.empty() && SeatsHeldFrom(address) >= config_.maxSeatsPerAddress) {
    out.verdict = LoginVerdict::TableUnavailable;
    out.reason = "the address " + std::string(address) + " already holds its share of seats";
    return out;
  }
  Table* table = nullptr;
  for (const auto& t : tables_)
    if (t->Accepting()) {
      table = t.get();
      break;
    }
  if (!table && static_cast<int>(tables_.size()) >= config_.maxTables) {
    out.verdict = LoginVerdict::TableUnavailable;
    out.reason = "every table is taken";
    return out;
  }
  if (!table) table = &OpenTable();
  PlayerProfile p;
  p.address = address;
  p.account = account;
  p.nickname = GbkToUtf8(account);
  p.avatar = "m1";
  p.gender = 1;
  p.location = "本地";
  p.title = "玩家";
  out.seat = table->Seat(p, link);
  out.tableId = table->Id();
  out.verdict = out.seat >= 0 ? LoginVerdict::Accepted : LoginVerdict::TableUnavailable;
  return out;
}

Hall::Placement Hall::Place(const Admission& a, SeatLink* link, std::string_view address) {
  Placement out;
  out.verdict = LoginVerdict::TableUnavailable;
  const PlayerProfile& p = a.profile;
  if (a.watch) {
    Table* t = Find(a.tableId);
    if (!t || !config_.allowWatchers || t->Involves(p.account, address) ||
        !t->Watch(link, a.seat)) {
      out.reason = "the table cannot be watched now";
      return out;
    }
    out.verdict = LoginVerdict::Accepted;
    out.tableId = t->Id();
    out.seat = a.seat;
    out.watching = true;
    return out;
  }
  if (AccountSeated(p.account)) {
    out.reason = "\"" + p.account + "\" is already seated";
    return out;
  }
  Table* table = nullptr;
  if (a.tableId >= 0) {
    table = Find(a.tableId);
    if (!table || !table->Accepting()) {
      out.reason = "the reserved table no longer takes players";
      return out;
    }
  } else {
    if (!address.empty() && SeatsHeldFrom(address) >= config_.maxSeatsPerAddress) {
      out.reason = "the address " + std::string(address) + " already holds its share of seats";
      return out;
    }
    for (const auto& t : tables_)
      if (t->Accepting()) {
        table = t.get();
        break;
      }
    if (!table && static_cast<int>(tables_.size()) >= config_.maxTables) {
      out.reason = "every table is taken";
      return out;
    }
    if (!table) table = &OpenTable();
  }
  PlayerProfile seated = p;
  seated.address = address;
  out.seat = table->Seat(seated, link, a.seat);
  out.tableId = table->Id();
  if (out.seat < 0) {
    out.reason = "the table took nobody";
    return out;
  }
  out.verdict = LoginVerdict::Accepted;
  link_->Seated(seated, table->Id());
  return out;
}

Hall::Placement Hall::WatchLogin(std::string_view account, std::string_view address,
                                 std::string_view target, SeatLink* link) {
  Placement out;
  out.verdict = LoginVerdict::TableUnavailable;
  if (!config_.allowWatchers) {
    out.reason = "watching is not allowed here";
    return out;
  }
  for (const auto& t : tables_) {
    // Nobody watches a table it plays at, under its own account or from its own address.
    if (!t->Watchable() || t->Involves(account, address)) continue;
    int seat = target.empty() ? -1 : t->SeatOf(target);
    for (int s = 0; target.empty() && s < kSeatCount && seat < 0; ++s)
      if (t->Occupied(s) && !t->PlayerAt(s).bot) seat = s;
    if (seat < 0) continue;
    if (!t->Watch(link, seat)) continue;
    out.verdict = LoginVerdict::Accepted;
    out.tableId = t->Id();
    out.seat = seat;
    out.watching = true;
    return out;
  }
  out.reason = target.empty() ? "no table may be watched"
                              : "\"" + std::string(target) + "\" plays at no table to watch";
  return out;
}

Hall::Placement Hall::Reconnect(const RecordBytes& r, SeatLink* link) {
  Placement out;
  out.verdict = LoginVerdict::Refused;
  const std::string account = FieldText(r, rec::kUserId, rec::kUserIdBytes);
  const uint32_t key = ReadLE32(r, rec::kTrailer);
  for (const auto& t : tables_) {
    const int seat = t->SeatOf(account);
    if (seat < 0) continue;
    if (!t->Reconnect(seat, key, link, &out.tryLater)) {
      out.reason = out.tryLater ? "the seat's own connection still lives" : "a wrong key";
      return out;
    }
    out.verdict = LoginVerdict::Accepted;
    out.tableId = t->Id();
    out.seat = seat;
    return out;
  }
  out.reason = "\"" + account + "\" has no seat to come back to";
  return out;
}

void Hall::Lost(int tableId, int seat, const SeatLink* link, std::string_view why) {
  Table* t = Find(tableId);
  if (!t) return;
  const std::string address = t->Occupied(seat) ? t->PlayerAt(seat).address : std::string();
  int away = 0;
  for (const auto& table : tables_)
    for (int s = 0; s < kSeatCount; ++s)
      if (table->Occupied(s) && table->Away(s) && !address.empty() &&
          table->PlayerAt(s).address == address)
        ++away;
  if (away >= config_.maxAwayPerAddress) {
    log_("table " + std::to_string(tableId) + ": the address " + address +
         " already has its seats waiting for reconnections; seat " + std::to_string(seat) +
         " is given up");
    t->Leave(seat, link, why);
    return;
  }
  t->Lost(seat, link, why);
}

void Hall::OnWatcherRecord(int tableId, const SeatLink* link, const RecordBytes& record) {
  if (Table* t = Find(tableId)) t->OnWatcherRecord(link, record);
}

void Hall::Unwatch(int tableId, const SeatLink* link) {
  if (Table* t = Find(tableId)) t->Unwatch(link);
}

Table* Hall::Find(int tableId) {
  for (const auto& t : tables_)
    if (t->Id() == tableId) return t.get();
  return nullptr;
}

void Hall::OnRecord(int tableId, int seat, const RecordBytes& record) {
  if (Table* t = Find(tableId)) t->OnRecord(seat, record);
}

void Hall::Leave(int tableId, int seat, const SeatLink* link, std::string_view why) {
  if (Table* t = Find(tableId)) t->Leave(seat, link, why);
}

void Hall::Tick() {
  if (link_) {
    for (const TableOrder& order : link_->TakeTableOrders()) {
      if (Find(order.id)) continue;
      OpenTable(order);
      log_("table " + std::to_string(order.id) + " opened by the hall, stake " +
           std::to_string(order.stake) + ", " + std::to_string(order.turnSeconds) + " s turns");
    }
  }
  for (const auto& t : tables_) t->Tick();
  std::erase_if(tables_, [](const std::unique_ptr<Table>& t) { return t->Closed(); });
  if (link_) Publish();
}

TableRow Hall::RowOf(const Table& t) const {
  TableRow row;
  row.id = t.Id();
  row.stake = t.Config().baseStake;
  row.turnSeconds = t.Config().turnSeconds;
  row.watchers = t.Watchers();
  row.watchable = config_.allowWatchers && t.Watchable();
  for (int s = 0; s < kSeatCount; ++s) {
    if (!t.Occupied(s)) continue;
    const PlayerProfile& p = t.PlayerAt(s);
    if (p.bot) ++row.computerPlayers;
    row.seats[s].name = p.account;
    row.seats[s].nickname = p.nickname;
    row.seats[s].coins = p.coins;
  }
  return row;
}

void Hall::Publish() {
  std::vector<std::pair<int, std::string>> now;
  std::vector<std::string> accounts;
  for (const auto& t : tables_) {
    const TableRow row = RowOf(*t);
    std::string text = std::to_string(row.watchers) + (row.watchable ? "w" : "-");
    for (const TableSeatRow& seat : row.seats)
      text += "|" + seat.name + ":" + std::to_string(seat.coins);
    const auto before = std::find_if(published_.begin(), published_.end(),
                                     [&](const auto& p) { return p.first == t->Id(); });
    if (before == published_.end() || before->second != text) link_->TableChanged(row);
    now.emplace_back(t->Id(), std::move(text));
    for (int s = 0; s < kSeatCount; ++s)
      if (t->Occupied(s) && !t->PlayerAt(s).bot) accounts.push_back(t->PlayerAt(s).account);
  }
  for (const auto& before : published_) {
    const int id = before.first;
    if (std::none_of(now.begin(), now.end(), [&](const auto& p) { return p.first == id; }))
      link_->TableClosed(id);
  }
  for (const std::string& account : seatedAccounts_)
    if (std::find(accounts.begin(), accounts.end(), account) == accounts.end())
      link_->SeatReleased(account);
  published_ = std::move(now);
  seatedAccounts_ = std::move(accounts);
}

uint64_t Hall::DealSettled(int, const DealSettlement& deal) {
  return link_ ? link_->DealSettled(deal) : 0;
}

bool Hall::SettlementWritten(uint64_t ticket) { return !link_ || link_->Written(ticket); }

void Hall::SeatAbandoned(int, const PlayerProfile& player) {
  if (link_) link_->Abandoned(player);
}

int64_t Hall::NextWakeMs() const {
  int64_t wake = Table::kNever;
  for (const auto& t : tables_) wake = std::min(wake, t->NextWakeMs());
  return wake;
}

}  // namespace korvel::server
