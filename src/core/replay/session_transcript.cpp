#include "replay/session_transcript.h"

#include <cstdio>

#include "model/tiles.h"
#include "platform/gbk.h"
#include "replay/session_records.h"

namespace korvel {
namespace {

using namespace recorded;

constexpr int kCmdDealTiles = 1;
constexpr int kCmdDealStart = 4;
constexpr int kCmdDraw = 5;
constexpr int kCmdReveal = 15;
constexpr int kCmdPlayerLeft = 21;
constexpr int kCmdGameOver = 22;
constexpr int kNextDealerNotice = 2;

std::string Tiles(std::initializer_list<uint8_t> codes) {
  std::string s;
  for (uint8_t c : codes) {
    if (c == 0) continue;
    if (!s.empty()) s += ' ';
    s += TileText(c);
  }
  return s.empty() ? "(hidden)" : s;
}

std::string OperationName(int op) {
  switch (op) {
    case OpReady:
      return "declares ready";
    case OpPass:
      return "passes";
    case OpChi:
      return "chi";
    case OpPeng:
      return "peng";
    case OpGang:
      return "gang";
    case OpConcealedGang:
      return "concealed gang";
    case OpAddedGang:
      return "added gang";
    case OpHu:
      return "wins";
  }
  return "operation " + std::to_string(op);
}

// A signed amount; nothing won or lost carries no sign.
std::string Signed(bool positive, uint32_t amount) {
  return (amount == 0 ? "" : positive ? "+" : "-") + std::to_string(amount);
}

std::string Coins(const RecordBytes& r, bool positive) {
  return Signed(positive, ReadLE32(r, rec::kPayload));
}

// Walks the received records once, telling `line` what each one means for the deal it is in.
template <typename OnDeal, typename OnLine>
void Walk(const SessionFile& file, OnDeal onDeal, OnLine line) {
  SeatNames names;
  DealSummary deal;
  bool inDeal = false;
  int number = 0;
  // The player's own leave notice went out: the connection closing next is the way out.
  bool leaving = false;
  auto close = [&](uint32_t at, bool finished) {
    if (!inDeal) return;
    deal.endMs = finished ? at : 0;
    deal.finished = finished;
    onDeal(deal);
    inDeal = false;
  };
  for (size_t i = 0; i < file.entries.size(); ++i) {
    const SessionEntry& e = file.entries[i];
    if (e.kind == EntryKind::Sent) {
      // The leave notice is the continue record with every value 0; a login starts afresh.
      const int command = e.record[rec::kCommand];
      if (command == kCmdSettlement && Low(e.record, 3) == 0) leaving = true;
      if (command == kCmdLogin || command == kCmdReconnect) leaving = false;
      continue;
    }
    if (e.kind == EntryKind::Lost) {
      line(e, leaving ? "the player leaves the table" : "the connection to the server was lost");
      leaving = false;
      continue;
    }
    if (e.kind != EntryKind::Received) continue;
    const RecordBytes& r = e.record;
    names.Take(r);
    const std::string who = names.Of(r[rec::kSeat]);
    switch (r[rec::kCommand]) {
      case kCmdDealStart:
        close(e.timeMs, false);
        deal = DealSummary{};
        deal.number = ++number;
        deal.firstEntry = i;
        deal.startMs = e.timeMs;
        inDeal = true;
        line(e, "deal " + std::to_string(number) + " starts: dealer " + who + ", dice " +
                    std::to_string(Low(r, 0)) + " " + std::to_string(Low(r, 1)));
        break;
      case kCmdDealTiles:
        line(e, who + " is dealt " + Tiles({Low(r, 0), Low(r, 1), Low(r, 2), Low(r, 3)}));
        break;
      case kCmdDraw:
        line(e, who + " draws " + Tiles({Low(r, 3)}));
        break;
      case kCmdDiscard:
        line(e, who + " discards " + Tiles({Low(r, 3)}) +
                    (r[rec::kPayload] ? " and declares ready" : ""));
        break;
      case kCmdOperation: {
        const int op = Low(r, 0);
        std::string text = who + " " + OperationName(op);
        if (op == OpHu) {
          deal.winners.push_back(who);
          if (r[17]) text += " on " + TileText(r[17]);
        } else if (op != OpPass && op != OpReady) {
          text += " " + Tiles({Low(r, 1), Low(r, 2), Low(r, 3)});
        }
        line(e, text);
        break;
      }
      case kCmdReveal:
        line(e, who + " shows " + Tiles({Low(r, 3), Low(r, 2), Low(r, 1), Low(r, 0)}));
        break;
      case kCmdWinReport:
        line(e, who + " scores " + Signed(r[117] != 0, ReadBE16(r, 86)));
        break;
      case kCmdDealResult: {
        const std::string coins = Coins(r, Low(r, 1) != 0);
        deal.results.push_back(who + " " + coins);
        line(e, who + " settles " + coins + " coins");
        break;
      }
      case kCmdSettlement:
        // Outside a deal, or naming the next dealer, it ends nothing.
        if (!inDeal || Low(r, 3) == kNextDealerNotice) break;
        line(e, "deal " + std::to_string(deal.number) + " ends");
        close(e.timeMs, true);
        break;
      case kCmdChat: {
        const uint32_t length = ReadBE32(r, rec::kPropLength);
        if (length == 272 || length == 260) break;  // a prop component's message
        std::string text =
            GbkToUtf8(std::span(r).subspan(rec::kChatText, rec::kChatBytes), /*stopAtZero=*/true);
        for (char& c : text)
          if (static_cast<unsigned char>(c) < 0x20) c = ' ';
        line(e, who + " says \"" + text + "\"");
        break;
      }
      case kCmdPlayerLeft:
        line(e,
             names.Nickname(PlainText(r, rec::kUserId, rec::kUserIdBytes)) + " leaves the table");
        break;
      case kCmdGameOver:
        line(e, "the game is over");
        break;
      default:
        break;
    }
  }
  if (inDeal) close(0, false);
}

std::string Join(const std::vector<std::string>& parts) {
  std::string s;
  for (const std::string& p : parts) s += (s.empty() ? "" : ", ") + p;
  return s;
}

}  // namespace

std::string TileText(int code) {
  if (code == 0) return "?";
  static const char* const kHonours[] = {"东", "南", "西", "北", "中", "发", "白"};
  const int suit = code >> 4, rank = code & 0x0F;
  if (suit == kSuitHonours && rank >= 1 && rank <= 7) return kHonours[rank - 1];
  const char* name = suit == kSuitBamboo       ? "条"
                     : suit == kSuitCharacters ? "万"
                     : suit == kSuitDots       ? "筒"
                                               : nullptr;
  if (!name || rank < 1 || rank > 9) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02x", code & 0xFF);
    return buf;
  }
  return std::to_string(rank) + name;
}

std::string SessionTimeText(uint32_t ms) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%u:%02u.%03u", ms / 60000, ms / 1000 % 60, ms % 1000);
  return buf;
}

std::vector<DealSummary> SummariseDeals(const SessionFile& file) {
  std::vector<DealSummary> deals;
  Walk(
      file, [&](const DealSummary& d) { deals.push_back(d); },
      [](const SessionEntry&, const std::string&) {});
  return deals;
}

std::string DealListText(const SessionFile& file) {
  std::string out;
  for (const DealSummary& d : SummariseDeals(file)) {
    out += "deal " + std::to_string(d.number) + "  " + SessionTimeText(d.startMs) + " - " +
           (d.finished ? SessionTimeText(d.endMs) : std::string("(not finished)"));
    if (d.finished) {
      out += "  " + (d.winners.empty() ? std::string("no winner") : "won by " + Join(d.winners));
      if (!d.results.empty()) out += "; " + Join(d.results);
    }
    out += "\n";
  }
  return out;
}

std::string TranscriptText(const SessionFile& file) {
  std::string out = "Korvel session\n";
  for (const auto& [key, value] : file.header) out += "  " + key + ": " + value + "\n";
  out += "\n";
  Walk(
      file,
      [&](const DealSummary& d) {
        if (!d.finished) out += "  (the deal does not end in this file)\n";
        out += "\n";
      },
      [&](const SessionEntry& e, const std::string& text) {
        out += SessionTimeText(e.timeMs) + "  " + text + "\n";
      });
  if (!file.problem.empty()) out += "\nThe file is not whole: " + file.problem + "\n";
  return out;
}

}  // namespace korvel
