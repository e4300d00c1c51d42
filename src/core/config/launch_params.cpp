#include "config/launch_params.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdlib>

namespace korvel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool SingleByte(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; });
}

}  // namespace

std::optional<int16_t> ParseInt16(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  long value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value < -32768 || value > 32767) return std::nullopt;
  return static_cast<int16_t>(value);
}

double LenientNumber(std::string_view text) {
  text = Trim(text);
  size_t n = 0;
  if (n < text.size() && (text[n] == '+' || text[n] == '-')) ++n;
  while (n < text.size() && (std::isdigit(static_cast<unsigned char>(text[n])) || text[n] == '.'))
    ++n;
  std::string number(text.substr(0, n));
  return number.empty() ? 0.0 : std::strtod(number.c_str(), nullptr);
}

LaunchParse ParseLaunchLine(std::string_view line) {
  LaunchParse result;
  auto fail = [&](LaunchError error, std::string message) {
    result.error = error;
    result.message = std::move(message);
    return result;
  };
  line = Trim(line);
  if (line.empty()) return fail(LaunchError::Empty, "the launch line is empty");

  LaunchParams& p = result.params;
  p.Spectator = line.back() != '$';

  // Fields are stored one by one as they are found, so a line cut short keeps what came before
  // the missing field (a quick-mode lobby title among them).
  std::array<std::string_view, kLaunchFields> field;
  int found = 0;
  std::string_view rest = line;
  for (; found < kLaunchFields; ++found) {
    const size_t dollar = rest.find('$');
    if (dollar == std::string_view::npos) break;
    field[found] = rest.substr(0, dollar);
    rest = rest.substr(dollar + 1);
  }
  auto missing = [&](int n) {
    if (n <= found) return false;
    fail(LaunchError::MissingField,
         "the launch line has " + std::to_string(found) + " fields, 15 are needed");
    return true;
  };
  auto integer = [&](int n, int16_t& out) {
    if (missing(n)) return false;
    auto value = ParseInt16(field[n - 1]);
    if (!value) {
      fail(LaunchError::BadInteger, "field " + std::to_string(n) + " (\"" +
                                        std::string(field[n - 1]) + "\") is not a 16-bit integer");
      return false;
    }
    out = *value;
    return true;
  };

  if (missing(2)) return result;
  p.UserId = field[0];
  p.LoginKey = field[1];
  if (!SingleByte(p.UserId) || !SingleByte(p.LoginKey)) {
    return fail(LaunchError::NotSingleByte, "the user id and key must be single-byte text");
  }
  if (p.UserId.size() > 16) return fail(LaunchError::TooLong, "the user id is over 16 bytes");
  if (p.LoginKey.size() > 240) return fail(LaunchError::TooLong, "the key is over 240 bytes");
  if (missing(3)) return result;
  p.ServerHost = field[2];
  if (!integer(4, p.ServerPort)) return result;
  if (missing(5)) return result;
  p.Location = field[4];
  if (!integer(6, p.ConnectionType)) return result;
  if (missing(7)) return result;
  p.ProxyHost = field[6];
  if (!integer(8, p.ProxyPort)) return result;
  if (missing(10)) return result;
  p.ProxyUser = field[8];
  p.ProxyPassword = field[9];
  // Their lengths travel as one byte each in the proxy's authentication message.
  if (p.ProxyUser.size() > 255 || p.ProxyPassword.size() > 255) {
    return fail(LaunchError::TooLong, "the proxy user or password is over 255 bytes");
  }
  if (missing(11)) return result;
  p.QuickMode = LenientNumber(field[10]) == 1.0;
  if (missing(12)) return result;
  p.LobbyTitleField = field[11];
  if (missing(13)) return result;
  p.WindowTitleField = field[12];
  if (!integer(14, p.PropSwitch)) return result;
  if (!integer(15, p.PropParameter)) return result;
  if (p.Spectator) {
    // Saturate: a balance beyond 64 bits is nonsense, not a reason to misbehave.
    const double balance = LenientNumber(rest);
    constexpr double kLimit = 9.2e18;
    p.WatcherBalance = balance >= kLimit    ? INT64_MAX
                       : balance <= -kLimit ? INT64_MIN
                                            : static_cast<int64_t>(balance);
  }
  return result;
}

std::string BuildLaunchLine(const LaunchParams& p) {
  std::string line;
  for (const std::string& f :
       {p.UserId, p.LoginKey, p.ServerHost, std::to_string(p.ServerPort), p.Location,
        std::to_string(p.ConnectionType), p.ProxyHost, std::to_string(p.ProxyPort), p.ProxyUser,
        p.ProxyPassword, std::string(p.QuickMode ? "1" : "0"), p.LobbyTitleField,
        p.WindowTitleField, std::to_string(p.PropSwitch), std::to_string(p.PropParameter)}) {
    line += f;
    line += '$';
  }
  if (p.Spectator) line += std::to_string(p.WatcherBalance);
  return line;
}

}  // namespace korvel
