#include "protocol/seat_info.h"

#include <cmath>
#include <cstdio>

#include "platform/gbk.h"

namespace korvel {
namespace {

uint64_t U64(const RecordBytes& r, size_t from) {
  uint64_t v = 0;
  for (int k = 7; k >= 0; --k) v = v << 8 | r[from + k];
  return v;
}

}  // namespace

std::string SingleByteText(const RecordBytes& r, size_t from, size_t length) {
  std::string bytes;
  for (size_t i = from; i < from + length && r[i] != 0; ++i) bytes += static_cast<char>(r[i]);
  return GbkToUtf8(bytes);
}

std::string MixedText(const RecordBytes& r, size_t from, size_t length) {
  return GbkToUtf8(std::span(r).subspan(from, length), /*stopAtZero=*/true);
}

std::string DoubleByteText(const RecordBytes& r, size_t from, size_t length) {
  std::string bytes;
  for (size_t i = from; i + 2 <= from + length && r[i] != 0; i += 2) {
    bytes += static_cast<char>(r[i]);
    if (r[i + 1] != 0) bytes += static_cast<char>(r[i + 1]);
  }
  return GbkToUtf8(bytes);
}

int32_t Counter32(const RecordBytes& r, size_t from) {
  uint32_t v = uint32_t{r[from]} | uint32_t{r[from + 1]} << 8 | uint32_t{r[from + 2]} << 16;
  if (r[from + 3] < 0x80) v |= uint32_t{r[from + 3]} << 24;
  return static_cast<int32_t>(v);
}

SeatInfo DecodeSeatInfo(const RecordBytes& r) {
  SeatInfo s;
  s.nickname = MixedText(r, 16, 32);
  s.avatar = SingleByteText(r, 48, 16);
  if (s.avatar.empty()) s.avatar = "m1";
  s.gender = r[64];
  s.location = DoubleByteText(r, 72, 8);
  s.points = static_cast<double>(U64(r, 80));
  s.credit = static_cast<double>(U64(r, 88));
  s.coins = static_cast<double>(U64(r, 96));
  s.amount104 = static_cast<double>(U64(r, 104));
  s.title = DoubleByteText(r, 112, 16);
  s.amount64 = static_cast<int64_t>(U64(r, 64));
  s.amount136 = static_cast<int64_t>(U64(r, 136));
  s.amount144 = static_cast<int64_t>(U64(r, 144));
  s.logins = Counter32(r, 152);
  s.disconnects = Counter32(r, 156);
  s.wins = Counter32(r, 160);
  s.losses = Counter32(r, 164);
  s.accountId = SingleByteText(r, 168, 16);
  s.nameTag = DoubleByteText(r, 184, 24);
  s.voiceLang = SingleByteText(r, 210, 8);
  s.voiceSet = SingleByteText(r, 218, 8);
  s.amount226 = static_cast<double>(U64(r, 226));
  return s;
}

int AvatarNumber(const std::string& avatar) {
  auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : 0; };
  int n = 0;
  if (avatar.size() == 2) {
    n = digit(avatar[1]) - 1;
  } else if (avatar.size() == 3) {
    n = 10 * digit(avatar[1]) + digit(avatar[2]) - 1;
  }
  // Other lengths and codes outside the range show the first portrait.
  if (n >= 10 || n < 0) n = 0;
  if (!avatar.empty() && avatar[0] == 'w') n += 10;
  return n;
}

std::string NumberText(double value) {
  char buffer[64];
  if (std::fabs(value) < 1e15 && value == std::floor(value)) {
    std::snprintf(buffer, sizeof buffer, "%.0f", value);
  } else {
    std::snprintf(buffer, sizeof buffer, "%g", value);
  }
  return buffer;
}

}  // namespace korvel
