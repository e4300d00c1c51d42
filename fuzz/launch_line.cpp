// Any text as a launch line: parsing must end in a result or a refusal, never a fault.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "config/launch_params.h"
#include "net/records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  korvel::LaunchParse parsed = korvel::ParseLaunchLine(line);
  if (parsed.ok()) {
    korvel::BuildLoginRecord(parsed.params.UserId, parsed.params.LoginKey);
    korvel::ParseLaunchLine(korvel::BuildLaunchLine(parsed.params));
  }
  return 0;
}
