// The launch line: fifteen "$"-terminated fields from the lobby. A watcher's line adds its coin
// balance after the fifteenth "$" and has no final "$".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvel {

inline constexpr int kLaunchFields = 15;

struct LaunchParams {
  std::string UserId;
  std::string LoginKey;
  std::string ServerHost;
  int16_t ServerPort = 0;
  std::string Location;
  int16_t ConnectionType = 0;
  std::string ProxyHost;
  int16_t ProxyPort = 0;
  std::string ProxyUser;
  std::string ProxyPassword;
  bool QuickMode = false;
  std::string LobbyTitleField;
  std::string WindowTitleField;
  int16_t PropSwitch = 0;
  int16_t PropParameter = 0;
  bool Spectator = false;
  int64_t WatcherBalance = 0;
};

enum class LaunchError { None, Empty, MissingField, BadInteger, TooLong, NotSingleByte };

struct LaunchParse {
  LaunchError error = LaunchError::None;
  std::string message;  // what was wrong, for the log
  LaunchParams params;
  bool ok() const { return error == LaunchError::None; }
};

inline constexpr int kConnectDirect = 0;
inline constexpr int kConnectProxy = 5;

LaunchParse ParseLaunchLine(std::string_view line);
// The line a lobby passes for `params` (with the balance appended for a watcher).
std::string BuildLaunchLine(const LaunchParams& params);

// The usual decimal conversion to a signed 16-bit integer; nothing for empty, non-numeric or
// out-of-range text.
std::optional<int16_t> ParseInt16(std::string_view text);
// A lenient numeric reading: the leading number of the text, 0 when there is none.
double LenientNumber(std::string_view text);

}  // namespace korvel
