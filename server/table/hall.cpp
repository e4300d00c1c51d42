#include "table/hall.h"

#include <algorithm>

#include "platform/gbk.h"

namespace korvel::server {

Hall::Hall(const HallConfig& config, const Clock& clock, LogFn log)
    : config_(config), clock_(clock), log_(std::move(log)) {
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
  const int id = nextTableId_++;
  // Each table draws from its own stream of the seed, so tables never share deals.
  const uint64_t seed = config_.seed ^ (0x9E3779B97F4A7C15ull * static_cast<uint64_t>(id));
  tables_.push_back(std::make_unique<Table>(id, config_.table, clock_, seed, shanten_, *this,
                                            config_.walls.empty() ? nullptr : &config_.walls));
  Table& table = *tables_.back();
  const int bots = std::clamp(config_.bots, 0, 2);
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
  if (Table* t = Find(tableId)) t->Lost(seat, link, why);
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
  for (const auto& t : tables_) t->Tick();
  std::erase_if(tables_, [](const std::unique_ptr<Table>& t) { return t->Closed(); });
}

int64_t Hall::NextWakeMs() const {
  int64_t wake = Table::kNever;
  for (const auto& t : tables_) wake = std::min(wake, t->NextWakeMs());
  return wake;
}

}  // namespace korvel::server
