// The one GBK codec: the wire, the login record, names, chat and INI files all speak GBK while
// the rest of the program works in UTF-8.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace korvel {

inline constexpr std::string_view kReplacementChar = "\xEF\xBF\xBD";  // U+FFFD

// Decodes GBK bytes to UTF-8. An invalid or truncated sequence becomes U+FFFD and decoding goes
// on with the next byte; nothing beyond `bytes` is ever read. Stops at the first zero byte when
// `stopAtZero` is set.
std::string GbkToUtf8(std::span<const uint8_t> bytes, bool stopAtZero = false);
inline std::string GbkToUtf8(std::string_view bytes) {
  return GbkToUtf8(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

// Encodes UTF-8 text as GBK. Characters GBK cannot hold, and bytes that are not valid UTF-8,
// are skipped.
std::string Utf8ToGbk(std::string_view text);

// Number of characters (code points) in UTF-8 text; invalid bytes count one each.
size_t Utf8Length(std::string_view text);
// The first `count` characters of UTF-8 text.
std::string_view Utf8Prefix(std::string_view text, size_t count);

}  // namespace korvel
