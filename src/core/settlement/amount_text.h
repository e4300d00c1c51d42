// Numbers as the score board writes them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvel {

// Plain decimal: no thousands separator, a minus sign for negatives, no decimals for whole
// numbers, the shortest exact decimals otherwise ("20", "-40", "2.5").
std::string AmountText(double value);
// `text` with spaces in front up to `width` characters; a longer text stays whole.
std::string PadLeft(std::string_view text, size_t width);
// Rounds to the nearest whole number (halves away from zero) inside the 32-bit range.
int32_t RoundToInt32(double value);

}  // namespace korvel
