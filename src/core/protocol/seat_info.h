// What the server tells about each player: name, portrait, gender, amounts, counters and voice.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "net/records.h"
#include "model/tiles.h"

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

// Decodes a player-information record; every field is read inside its own bytes.
SeatInfo DecodeSeatInfo(const RecordBytes& record);

// Text fields of the record in their three encodings.
std::string SingleByteText(const RecordBytes& r, size_t from, size_t length);
std::string MixedText(const RecordBytes& r, size_t from, size_t length);
std::string DoubleByteText(const RecordBytes& r, size_t from, size_t length);
// A little-endian signed 32-bit counter whose reading stops before a byte that would take it
// past the signed range.
int32_t Counter32(const RecordBytes& r, size_t from);

// The portrait number 0..19 of an avatar code: m1..m10 are 0..9, w1..w10 are 10..19.
int AvatarNumber(const std::string& avatar);

// A number as the labels show it: whole numbers without a fraction.
std::string NumberText(double value);

}  // namespace korvel
