// The game record file (one INI section per deal holding the whole score board) and the
// history window that opens a past deal's board again.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include "config/ini_file.h"
#include "platform/ports.h"
#include "protocol/seating.h"
#include "settlement/settlement.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr std::array<int, 6> kRecordedLists = {0, 1, 2, 4, 5, 6};

std::string Section(int deal) { return "juNum:" + std::to_string(deal); }
std::string Indexed(const char* name, int i) {
  return name + std::string("( ") + std::to_string(i) + " )";
}
std::string CountKey(int k) { return Indexed("count", k); }
std::string LineKey(int k, int line) { return CountKey(k) + Indexed("", line); }
std::string ColourKey(int k) { return CountKey(k) + " ForeColor"; }

// Board lines begin and end with spaces that line the columns up; INI values are trimmed, so
// each line is kept between quotes.
std::string Quoted(const std::string& line) { return "\"" + line + "\""; }
std::string Unquoted(const std::string& value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// A whole decimal number, or `otherwise`.
long NumberOr(const std::string& text, long otherwise) {
  if (text.empty()) return otherwise;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  return *end == '\0' ? v : otherwise;
}

// A list holds at most this many lines; a count read back is held to it.
constexpr long kMaxStoredLines = kMaxListLines;

}  // namespace

std::string Settlement::GameRecordPath() const {
  return JoinPath(files_.UserDir(UserFolder::kState), kGameRecordFile);
}

void Settlement::WriteDealRecord(int deal) {
  std::vector<classIniFile::KeyValue> keys;
  const auto& faces = table_.seating.SeatFace;
  for (int i = 0; i < kSeats; ++i) {
    keys.emplace_back(Indexed("name", i), faces[i].nickname);
    keys.emplace_back(Indexed("PicIndex", i), faces[i].avatar);
  }
  for (int k : kRecordedLists) {
    const auto& lines = boardLines[k];
    keys.emplace_back(CountKey(k), std::to_string(lines.size()));
    for (size_t l = 0; l < lines.size(); ++l) {
      keys.emplace_back(LineKey(k, static_cast<int>(l)), Quoted(lines[l]));
    }
  }
  for (int k = 0; k < kSeats; ++k) keys.emplace_back(ColourKey(k), std::to_string(boardColour[k]));
  recordWriter_.SetPath(GameRecordPath());
  if (!recordWriter_.WriteSection(Section(deal), keys)) {
    log_.Write("cannot write the game record " + recordWriter_.Path());
  }
}

void Settlement::ShowDealRecord(int deal) {
  classIniFile ini;
  ini.INIFileName = GameRecordPath();
  // One read of the section; names compare without regard to case, as the file's reader does.
  std::map<std::string, std::string> stored;
  for (auto& [key, value] : ini.GetIniSection(Section(deal))) stored.emplace(Lower(key), value);
  auto get = [&](const std::string& key) {
    auto it = stored.find(Lower(key));
    return it == stored.end() ? std::string() : it->second;
  };
  Scene& scene = view_.scene();
  Form& b = scene.form(board().form);
  const SpriteLists& sprites = view_.sprites();
  for (int i = 0; i < kSeats; ++i) {
    b.SetCaption(board_.ID[i], get(Indexed("name", i)));
    const long avatar = NumberOr(get(Indexed("PicIndex", i)), -1);
    if (avatar >= 0 && avatar < static_cast<long>(sprites.AvatarSprites.size())) {
      b.LoadSprite(board_.Tou[i], sprites.AvatarSprites[avatar]);
    } else {
      b.ClearPicture(board_.Tou[i]);
    }
  }
  for (int k : kRecordedLists) {
    const long count = std::clamp(NumberOr(get(CountKey(k)), 0), 0L, kMaxStoredLines);
    std::vector<std::string> lines;
    lines.reserve(static_cast<size_t>(count));
    for (long l = 0; l < count; ++l) {
      std::string line = Unquoted(get(LineKey(k, static_cast<int>(l))));
      lines.push_back(line.empty() ? " " : line);
    }
    boardLines[k] = lines;
    SetBoardList(k, lines);
  }
  for (int k = 0; k < kSeats; ++k) {
    const long colour = NumberOr(get(ColourKey(k)), 0);
    SetBoardColour(k, colour >= 0 && colour <= 0xFFFFFF ? static_cast<uint32_t>(colour) : 0);
  }
  const auto names = dealNameColours.find(deal);
  SetNameColours(names != dealNameColours.end() ? names->second
                                                : std::array{kNameInk, kNameInk, kNameInk});
  PlaceBoard();
  b.SetFormVisible(true);
}

int Settlement::HistoryLineAt(ElementId list, double y) const {
  if (history_.form == kNoForm) return -1;
  return view_.scene().form(history_.form).ListLineAt(list, y);
}

void Settlement::OnHistoryLineClick(int line) {
  Form& f = view_.scene().form(history().form);
  const Element* num = f.Get(history_.Num);
  if (!num || line < 0 || line >= static_cast<int>(num->lines.size())) return;
  // The seat columns are linked to the deal list: they choose and scroll with it.
  f.SelectLine(history_.Num, line);
  HistorySelected = num->selectedLine;
  HistoryTopLine = num->topLine;
}

void Settlement::OnHistoryLineOpen(int line) {
  const Form& f = view_.scene().form(history().form);
  const Element* num = f.Get(history_.Num);
  if (!num || line < 0 || line >= static_cast<int>(num->lines.size())) return;
  // The line names its deal; its position stops matching once the oldest lines are dropped.
  std::string text = num->lines[line];
  text.erase(0, std::min(text.size(), text.find_first_not_of(' ')));
  const long deal = NumberOr(text, line + 1);
  OnHistoryLineClick(line);
  ShowDealRecord(static_cast<int>(deal));
}

}  // namespace korvel
