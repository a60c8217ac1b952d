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

namespace pennock::command {

// JumpTT: title of the disc.
NavigationCommand JumpTitle(int title);
// JumpVTS_TT: title of the title set.
NavigationCommand JumpTitleSetTitle(int title);
// JumpVTS_PTT: chapter of a title of the title set.
NavigationCommand JumpChapter(int title, int chapter);
// JumpSS to the title menu of the video manager.
NavigationCommand JumpTitleMenu();
// CallSS to the title menu, resuming at `resume_cell` afterwards.
NavigationCommand CallTitleMenu(int resume_cell);
// JumpSS to the root menu of title set 1, with `title` as its title.
NavigationCommand JumpTitleSetRootMenu(int title);
// LinkPGCN, and with `button` from 1 that button highlighted first (SetHL_BTNN).
NavigationCommand LinkPgc(int pgc, int button = 0);
// SetHL_BTNN alone.
NavigationCommand HighlightButton(int button);
// LinkPGCN when the title set's title number (SPRM 5) is `title`.
NavigationCommand LinkPgcForTitle(int title, int pgc);

}  // namespace pennock::command
