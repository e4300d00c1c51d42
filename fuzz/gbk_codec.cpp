// Any bytes through the GBK codec both ways.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/gbk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string utf8 = korvel::GbkToUtf8(std::span(data, size));
  korvel::Utf8ToGbk(utf8);
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  korvel::Utf8ToGbk(raw);
  korvel::Utf8Prefix(raw, size / 2);
  korvel::Utf8Length(raw);
  return 0;
}
