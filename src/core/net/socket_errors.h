// The notices for the four socket errors the client can explain.
#pragma once

#include <optional>
#include <string>

namespace korvel {

// The whole message for `number`, or nothing for an error the client does not explain.
std::optional<std::string> NetworkNotice(int number);

}  // namespace korvel
