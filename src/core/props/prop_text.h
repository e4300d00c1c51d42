// Text helpers of the prop display: widths as the table's code page counts them, the column
// wrapping of prop messages, and the "|"-joined lists the component hands over.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

// Columns a text takes: 2 for a character that is two bytes in GBK, 1 for any other.
size_t DisplayWidth(std::string_view text);
// The text broken into lines of at most `columns` columns; a character never splits. An empty
// text is one empty line.
std::vector<std::string> WrapColumns(std::string_view text, size_t columns);
// "a|b||c" gives "a", "b", "", "c"; an empty text gives one empty piece.
std::vector<std::string> SplitBars(std::string_view joined);
// A text of the component's fixed buffers, up to its first zero byte and never past `size`.
std::string BufferText(const char* buffer, size_t size);

}  // namespace korvel
