// What the server tells about each player: name, portrait, gender, amounts, counters and voice.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "model/seat_info.h"
#include "model/tiles.h"
#include "net/records.h"

namespace korvel {

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
