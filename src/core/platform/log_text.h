// Text from outside (names, chat, server messages) goes into log lines; a newline or a control
// character in it must not start a line of its own or move the terminal about.
#pragma once

#include <string>
#include <string_view>

namespace korvel {

// `line` with backslashes doubled and every ASCII control character and DEL written as an escape
// (\n, \r, \t, or \xNN); other bytes, UTF-8 included, stay as they are.
std::string EscapeForLog(std::string_view line);

}  // namespace korvel
