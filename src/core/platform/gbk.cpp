#include "platform/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace korvel {
namespace {

// One converter per direction and thread, opened on first use.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts one unit starting at `in`; returns bytes consumed (0 = invalid) and appends output.
  size_t ConvertOne(const char* in, size_t available, size_t unit, std::string& out) {
    if (unit > available) return 0;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buffer[16];
    char* src = const_cast<char*>(in);
    size_t srcLeft = unit;
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1) || srcLeft != 0) {
      return 0;
    }
    out.append(buffer, dst - buffer);
    return unit;
  }

 private:
  iconv_t cd_;
};

Converter& Decoder() {
  thread_local Converter c("UTF-8", "GBK");
  return c;
}
Converter& Encoder() {
  thread_local Converter c("GBK", "UTF-8");
  return c;
}

// Length of the UTF-8 sequence that starts with `lead`, 0 when `lead` cannot start one.
size_t Utf8SequenceLength(uint8_t lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool ValidUtf8At(std::string_view text, size_t i, size_t length) {
  if (length == 0 || i + length > text.size()) return false;
  for (size_t k = 1; k < length; ++k) {
    if ((static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80) return false;
  }
  return true;
}

}  // namespace

std::string GbkToUtf8(std::span<const uint8_t> bytes, bool stopAtZero) {
  std::string out;
  out.reserve(bytes.size());
  const char* data = reinterpret_cast<const char*>(bytes.data());
  size_t i = 0;
  while (i < bytes.size()) {
    uint8_t b = bytes[i];
    if (b == 0 && stopAtZero) break;
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    // 0x80 stands alone as the euro sign in GBK; every other high byte leads a pair.
    size_t used = Decoder().ConvertOne(data + i, bytes.size() - i, b == 0x80 ? 1 : 2, out);
    if (used == 0) {
      out.append(kReplacementChar);
      used = 1;
    }
    i += used;
  }
  return out;
}

std::string Utf8ToGbk(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    uint8_t b = static_cast<uint8_t>(text[i]);
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    size_t length = Utf8SequenceLength(b);
    if (!ValidUtf8At(text, i, length)) {
      ++i;
      continue;
    }
    Encoder().ConvertOne(text.data() + i, text.size() - i, length, out);
    i += length;
  }
  return out;
}

size_t Utf8Length(std::string_view text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++count) {
    size_t length = Utf8SequenceLength(static_cast<uint8_t>(text[i]));
    i += ValidUtf8At(text, i, length) ? length : 1;
  }
  return count;
}

std::string_view Utf8Prefix(std::string_view text, size_t count) {
  size_t i = 0;
  for (size_t n = 0; n < count && i < text.size(); ++n) {
    size_t length = Utf8SequenceLength(static_cast<uint8_t>(text[i]));
    i += ValidUtf8At(text, i, length) ? length : 1;
  }
  return text.substr(0, i);
}

}  // namespace korvel
