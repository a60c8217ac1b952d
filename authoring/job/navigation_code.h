// 16-bit navigation codes standing for 8-byte DVD-Video navigation commands.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace pennock {

using NavigationCommand = std::array<std::uint8_t, 8>;

// The command a code stands for, or nullopt for a code without a command.
// Codes are compared as unsigned 16-bit numbers.
std::optional<NavigationCommand> EncodeNavigationCode(std::uint16_t code);

// Writes the command into `slot` when the code has one; leaves it alone
// otherwise. True when a command was written.
bool EncodeNavigationCode(std::uint16_t code, NavigationCommand& slot);

}  // namespace pennock
