#include "table/record_trace.h"

#include <cstdio>
#include <string_view>

#include "platform/gbk.h"
#include "rules/tiles.h"
#include "table/server_records.h"

namespace korvel::server {

namespace {

std::string Hex(unsigned v) {
  char buf[12];
  std::snprintf(buf, sizeof buf, "0x%02x", v);
  return buf;
}

std::string Text(const RecordBytes& r, size_t at, size_t n) {
  std::string s = GbkToUtf8(std::span(r).subspan(at, n), true);
  for (char& c : s)
    if (c == '\n' || c == '\r') c = ' ';
  return "\"" + s + "\"";
}

std::string Tiles(const RecordBytes& r, size_t at, size_t n) {
  std::string s = "[";
  for (size_t i = 0; i < n; ++i) {
    if (i) s += ' ';
    s += r[at + i] ? TileName(r[at + i]) : "-";
  }
  return s + "]";
}

std::string Low(const RecordBytes& r, int k) {
  const uint8_t v = r[rec::kValues + 2 * k + 1];
  return v ? TileName(v) : "-";
}

}  // namespace

std::string DescribeRecord(const RecordBytes& r, TraceDirection direction) {
  const bool in = direction == TraceDirection::In;
  const int command = r[rec::kCommand];
  const int seat = r[rec::kSeat];
  std::string line = in ? "in  " : "out ";
  line += "cmd " + std::to_string(command) + " seat " + std::to_string(seat) + " tag " +
          std::to_string(ReadBE16(r, rec::kServerTag)) + ": ";
  auto v = [&](int k) { return static_cast<int>(r[rec::kValues + 2 * k + 1]); };
  switch (command) {
    case kCmdDealTiles:
      line += "deal " + Low(r, 0) + " " + Low(r, 1) + " " + Low(r, 2) + " " + Low(r, 3);
      break;
    case kCmdDiscard:
      line += in ? "discard " + TileName(r[15])
                 : "discarded " + TileName(r[15]) + " declaration " + std::to_string(r[16]) +
                       " left " + std::to_string(r[17]);
      break;
    case kCmdSeatAnnounce:
      line += "seat of " + Text(r, 16, 16);
      break;
    case kCmdDealStart:
      line += "deal start, dice " + std::to_string(v(0)) + " " + std::to_string(v(1));
      break;
    case kCmdDraw:
      line += "draw " + Low(r, 3);
      break;
    case kCmdOptions:
      line += "options " + Hex(v(0)) + " ready " + std::to_string(r[16]) + " " + Tiles(r, 20, 14) +
              " concealed " + Tiles(r, 13, r[36] < 4 ? r[36] : 3) + " added " +
              Tiles(r, 47, r[46] < 5 ? r[46] : 4) + " clock " + std::to_string(r[100]);
      break;
    case kCmdOperation:
      line += "operation " + std::to_string(v(0)) + " tiles " + Low(r, 1) + " " + Low(r, 2) + " " +
              Low(r, 3) + " declaration " + std::to_string(r[16]) + " win tile " +
              (r[17] ? TileName(r[17]) : "-") + " winners " + std::to_string(r[18]) + "," +
              std::to_string(r[19]);
      break;
    case kCmdDealResult:
      line += std::string("deal result ") + (v(1) ? "+" : "-") + std::to_string(ReadLE32(r, 16)) +
              " coins";
      break;
    case kCmdReveal:
      line += "reveal " + Low(r, 3) + " " + Low(r, 2) + " " + Low(r, 1) + " " + Low(r, 0);
      break;
    case kCmdDealEnd:
      line += in ? (v(3) == 1 ? "continue" : "leave")
                 : (v(3) == 2 ? "next dealer, key " + std::to_string(ReadLE32(r, rec::kTrailer))
                              : "deal end " + std::to_string(v(3)));
      break;
    case kCmdWinReport:
      line += std::string("win report score ") + (r[117] ? "+" : "-") +
              std::to_string(ReadBE16(r, 86)) + " fan " + Hex(r[94]) + Hex(r[95]).substr(2) +
              Hex(r[96]).substr(2) + Hex(r[97]).substr(2) + " check " + std::to_string(r[98]) +
              "/" + std::to_string(r[99]) + " deal " + (r[13] ? "+" : "-") +
              std::to_string(ReadLE32(r, 16));
      break;
    case kCmdLogin:
      line += in ? "login " + Text(r, rec::kUserId, rec::kUserIdBytes)
                 : "login result " + std::to_string(v(3)) + " turn " + std::to_string(v(1));
      break;
    case kCmdChat:
      line += "chat " + Text(r, rec::kChatText, rec::kChatBytes);
      break;
    case kCmdPlayerInfo:
      line += "player " + Text(r, 168, 16) + " " + Text(r, 16, 32);
      break;
    case kCmdPlayerLeft:
      line += "left " + Text(r, 16, 16);
      break;
    case kCmdReadyMark:
      line += "ready " + Text(r, 16, 16);
      break;
    case kCmdKeepAlive:
      line += "keep-alive";
      break;
    case kCmdReconnect:
      line += "reconnect " + Text(r, rec::kUserId, rec::kUserIdBytes);
      break;
    case kCmdReconnectResult:
      line += "reconnect result " + std::to_string(v(3));
      break;
    case kCmdRestore: {
      line += "restore discards " + std::to_string(r[7]) + " taken " + std::to_string(v(0)) +
              " far end " + std::to_string(v(2));
      for (size_t k = 0; k < kRestoreEntries && r[16 + 2 * k] != 0; ++k)
        line += (r[16 + 2 * k] & 0xF0) == kRestoreExposed ? " m" + Hex(r[17 + 2 * k]).substr(2)
                                                          : " " + Hex(r[17 + 2 * k]).substr(2);
      break;
    }
    case kCmdProp:
      line += "prop " + std::to_string(r[9]) + " to mask " + std::to_string(r[11]);
      break;
    case kCmdPropScore:
      line += "prop score";
      break;
    default:
      line += "values " + std::to_string(v(0)) + " " + std::to_string(v(1)) + " " +
              std::to_string(v(2)) + " " + std::to_string(v(3));
      break;
  }
  return line;
}

}  // namespace korvel::server
