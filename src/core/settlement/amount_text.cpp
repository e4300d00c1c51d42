#include "settlement/amount_text.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/gbk.h"

namespace korvel {

std::string AmountText(double value) {
  if (std::isnan(value)) return "0";
  if (value == 0) return "0";  // never "-0"
  char buffer[400];
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (ec != std::errc()) return "0";
  return std::string(buffer, end);
}

std::string PadLeft(std::string_view text, size_t width) {
  const size_t length = Utf8Length(text);
  if (length >= width) return std::string(text);
  return std::string(width - length, ' ') + std::string(text);
}

int32_t RoundToInt32(double value) {
  if (std::isnan(value)) return 0;
  const double r = std::round(value);
  if (r <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (r >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(r);
}

}  // namespace korvel
