// What the table knows about a player and shows the others: the account it logged in with,
// the name and picture shown at its seat, and its coins.
#pragma once

#include <cstdint>
#include <string>

namespace korvel::server {

struct PlayerProfile {
  std::string account;   // single-byte text, at most 16 bytes: the login's user id
  std::string nickname;  // UTF-8; travels as GBK
  std::string avatar = "m1";
  uint8_t gender = 1;    // 0 female, 1 male
  std::string location;  // UTF-8, Chinese characters only (a double-byte field)
  std::string title;     // UTF-8, Chinese characters only (a double-byte field)
  int64_t coins = 0;
  int64_t points = 0;
  int64_t credit = 100;
  int32_t logins = 0;
  int32_t disconnects = 0;
  int32_t wins = 0;
  int32_t losses = 0;
  bool bot = false;
  // The figures come from a stored account, so the table keeps its coins rather than giving it
  // the table's starting coins.
  bool stored = false;
  std::string address;  // where a human's connection comes from; never sent to anyone
};

}  // namespace korvel::server
