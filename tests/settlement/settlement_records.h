// Win reports, deal results and deal-end notices built at the offsets the client reads, for
// the settlement tests.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "net/records.h"
#include "platform/gbk.h"
#include "settlement/fan_code.h"

namespace korvel::testing {

inline FanCode Fan(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) { return {{b0, b1, b2, b3}}; }

struct Report {
  int mask = 1;
  int64_t dealAmount = 0;  // signed: byte 13 carries the sign
  std::vector<std::pair<uint8_t, uint8_t>> pairs;
  uint16_t score = 0;  // bytes 86..87
  uint16_t secondScore = 0;
  FanCode fan;
  uint8_t checkA = 0, checkB = 0;
  FanCode ready;
  uint32_t stake = 5;
  uint8_t checkSign = 1;
  uint16_t checkAmount = 0;
};

inline void PutLE(RecordBytes& r, size_t at, uint64_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) r[at + k] = static_cast<uint8_t>(v >> (8 * k));
}

inline void PutBE(RecordBytes& r, size_t at, uint64_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) r[at + k] = static_cast<uint8_t>(v >> (8 * (bytes - 1 - k)));
}

inline RecordBytes WinReportRecord(const Report& w) {
  RecordBytes r{};
  r[3] = 17;
  r[6] = static_cast<uint8_t>(w.mask);
  r[13] = w.dealAmount >= 0 ? 1 : 0;
  PutLE(r, 16, static_cast<uint64_t>(w.dealAmount >= 0 ? w.dealAmount : -w.dealAmount), 8);
  PutBE(r, 86, w.score, 2);
  PutBE(r, 88, w.secondScore, 2);
  for (int k = 0; k < 4; ++k) r[94 + k] = w.fan.bytes[k];
  r[98] = w.checkA;
  r[99] = w.checkB;
  for (int k = 0; k < 4; ++k) r[100 + k] = w.ready.bytes[k];
  PutBE(r, 106, w.stake, 4);
  r[111] = w.checkSign;
  PutLE(r, 112, w.checkAmount, 2);
  size_t at = 116;
  for (const auto& [index, value] : w.pairs) {
    r[at] = index;
    r[at + 1] = value;
    at += 2;
  }
  return r;
}

struct DealResult {
  int mask = 1;
  int64_t score = 0;      // written as two's complement
  uint8_t scoreSign = 1;  // value(1): 0 negates
  uint8_t cap = 0;        // byte 24
  uint8_t subtotalSign = 1;
  int64_t subtotal = 0;
  uint8_t feePercent = 0;
  std::string title = "雀圣";
  std::string feeText;
};

inline RecordBytes DealResultRecord(const DealResult& d) {
  RecordBytes r{};
  r[3] = 9;
  r[6] = static_cast<uint8_t>(d.mask);
  r[11] = d.scoreSign;
  PutLE(r, 16, static_cast<uint64_t>(d.score), 8);
  r[24] = d.cap;
  r[25] = d.subtotalSign;
  PutLE(r, 26, static_cast<uint64_t>(d.subtotal), 8);
  r[34] = d.feePercent;
  const std::string title = Utf8ToGbk(d.title);
  std::copy(title.begin(), title.end(), r.begin() + 44);
  const std::string fee = Utf8ToGbk(d.feeText);
  std::copy(fee.begin(), fee.end(), r.begin() + 61);
  return r;
}

inline RecordBytes Result(int mask, int64_t score, uint8_t sign = 1, uint8_t cap = 0,
                          int64_t subtotal = 0, uint8_t subtotalSign = 1) {
  DealResult d;
  d.mask = mask;
  d.score = score;
  d.scoreSign = sign;
  d.cap = cap;
  d.subtotal = subtotal;
  d.subtotalSign = subtotalSign;
  return DealResultRecord(d);
}

// Command 16: value(1), value(2), value(3) and the seat mask.
inline RecordBytes NoticeRecord(int mask, uint8_t v1, uint8_t v2, uint8_t v3) {
  RecordBytes r{};
  r[3] = 16;
  r[6] = static_cast<uint8_t>(mask);
  r[11] = v1;
  r[13] = v2;
  r[15] = v3;
  return r;
}

}  // namespace korvel::testing
