// Snapshot records as a server sends them to rebuild a deal: one per seat.
#pragma once

#include <utility>
#include <vector>

#include "support/client_fixture.h"

namespace korvel::testing {

struct SeatSnapshot {
  int mask = 1;
  int discards = 0;
  std::vector<int> exposed;    // tiles of melds (and set-aside Red dragons), as sent
  std::vector<int> concealed;  // concealed tiles, as sent
  uint8_t exposedKind = 0x20;
};

inline RecordBytes RestoreRecord(const SeatSnapshot& s, int taken, int back) {
  RecordBytes r = ServerRecord(40, s.mask, {uint8_t(taken), 0, uint8_t(back), 0});
  r[7] = static_cast<uint8_t>(s.discards);
  size_t at = 16;
  for (int t : s.exposed) {
    r[at++] = s.exposedKind;
    r[at++] = static_cast<uint8_t>(t);
  }
  for (int t : s.concealed) {
    r[at++] = 0x10;
    r[at++] = static_cast<uint8_t>(t);
  }
  return r;
}

// A hand of `n` tiles counted up through the dots and bamboo.
inline std::vector<int> Run(int n, int first = 0) {
  std::vector<int> out;
  for (int i = first; i < first + n; ++i)
    out.push_back((i / 9 % 2 == 0 ? 0x80 : 0x20) | (i % 9 + 1));
  return out;
}

}  // namespace korvel::testing
