// What a session file says in words: the deals it holds with their results, and a transcript of
// every deal (tiles dealt, discards, claims, wins and the coins that moved) a person can read and
// a diff can compare.
#pragma once

#include <string>
#include <vector>

#include "replay/session_file.h"

namespace korvel {

struct DealSummary {
  int number = 0;         // 1, 2, ... in the order played
  size_t firstEntry = 0;  // the entry of the deal's start
  uint32_t startMs = 0;
  uint32_t endMs = 0;  // the deal's end; 0 while it never ended in the file
  bool finished = false;
  std::vector<std::string> winners;  // "alice" ... in the order they won
  std::vector<std::string> results;  // "alice +120" ... one per seat that settled
};

std::vector<DealSummary> SummariseDeals(const SessionFile& file);
// One line per deal: number, times, winners and results.
std::string DealListText(const SessionFile& file);
// The whole session deal by deal.
std::string TranscriptText(const SessionFile& file);
// "3条", "7筒", "中" ...; "?" for a hidden tile, the byte in hex for one that is no tile.
std::string TileText(int code);
// m:ss.mmm since the session started.
std::string SessionTimeText(uint32_t ms);

}  // namespace korvel
