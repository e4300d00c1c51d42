// What the server tells about each player: name, portrait, gender, amounts, counters and voice.
#pragma once

#include <cstdint>
#include <string>

namespace korvel {

// The nickname label of a seat: the name tag in brackets first, when the seat has one.
inline std::string SeatLabel(const std::string& nameTag, const std::string& nickname) {
  return nameTag.empty() ? nickname : "[" + nameTag + "] " + nickname;
}

struct SeatInfo {
  std::string nickname;
  std::string avatar = "m1";
  uint8_t gender = 0;  // 0 female, anything else male
  std::string location;
  double points = 0;
  double credit = 0;
  double coins = 0;
  double amount104 = 0;
  std::string title;
  int64_t amount64 = 0;
  int64_t amount136 = 0;
  int64_t amount144 = 0;
  int32_t logins = 0;
  int32_t disconnects = 0;
  int32_t wins = 0;
  int32_t losses = 0;
  std::string accountId;
  std::string nameTag;
  std::string voiceLang;
  std::string voiceSet;
  uint8_t voiceKind = 0;
  double amount226 = 0;
};

}  // namespace korvel
