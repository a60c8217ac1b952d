#include "job/navigation_code.h"

namespace pennock {

std::optional<NavigationCommand> EncodeNavigationCode(std::uint16_t code) {
  auto u8 = [](unsigned v) { return static_cast<std::uint8_t>(v); };
  if (code >= 101 && code <= 9999)  // JumpVTS_PTT title, chapter
    return NavigationCommand{0x30, 0x05, 0x00, u8(code % 100), 0x00, u8(code / 100), 0x00, 0x00};
  if (code >= 22001 && code <= 22099)  // JumpTT title
    return NavigationCommand{0x30, 0x02, 0x00, 0x00, 0x00, u8(code - 22000), 0x00, 0x00};
  if (code >= 23001 && code <= 23099)  // JumpVTS_TT title
    return NavigationCommand{0x30, 0x03, 0x00, 0x00, 0x00, u8(code - 23000), 0x00, 0x00};
  if (code == 30000)  // JumpSS to the VTS root menu (VTS 1, title 1)
    return NavigationCommand{0x30, 0x06, 0x00, 0x01, 0x01, 0x83, 0x00, 0x00};
  if (code == 40000)  // CallSS to the VTS root menu, resume cell 1
    return NavigationCommand{0x30, 0x08, 0x00, 0x00, 0x01, 0x83, 0x00, 0x00};
  if (code >= 50001 && code <= 50256)  // JumpSS to VMG menu PGC nn
    return NavigationCommand{0x30, 0x06, 0x00, u8(code - 50000), 0x00, 0xC0, 0x00, 0x00};
  if (code >= 50501 && code <= 50756)  // CallSS to VMG menu PGC nn, resume cell 0
    return NavigationCommand{0x30, 0x08, 0x00, u8(code - 50500), 0x00, 0xC0, 0x00, 0x00};
  if (code >= 60001 && code <= 60999) {  // LinkPGCN
    const unsigned pgc = code - 60000u;
    return NavigationCommand{0x20, 0x04, 0x00, 0x00, 0x00, 0x00, u8(pgc >> 8), u8(pgc)};
  }
  return std::nullopt;
}

bool EncodeNavigationCode(std::uint16_t code, NavigationCommand& slot) {
  const auto command = EncodeNavigationCode(code);
  if (command) slot = *command;
  return command.has_value();
}

}  // namespace pennock

namespace pennock::command {
namespace {
std::uint8_t U8(int v) { return static_cast<std::uint8_t>(v); }
}  // namespace

NavigationCommand JumpTitle(int title) { return {0x30, 0x02, 0x00, 0x00, 0x00, U8(title), 0x00, 0x00}; }

NavigationCommand JumpTitleSetTitle(int title) { return {0x30, 0x03, 0x00, 0x00, 0x00, U8(title), 0x00, 0x00}; }

NavigationCommand JumpChapter(int title, int chapter) {
  return {0x30, 0x05, U8(chapter >> 8 & 0x03), U8(chapter), 0x00, U8(title), 0x00, 0x00};
}

NavigationCommand JumpTitleMenu() { return {0x30, 0x06, 0x00, 0x00, 0x00, 0x42, 0x00, 0x00}; }

NavigationCommand CallTitleMenu(int resume_cell) {
  return {0x30, 0x08, 0x00, 0x00, U8(resume_cell), 0x42, 0x00, 0x00};
}

NavigationCommand JumpTitleSetRootMenu(int title) { return {0x30, 0x06, 0x00, U8(title), 0x01, 0x83, 0x00, 0x00}; }

NavigationCommand LinkPgc(int pgc, int button) {
  if (button <= 0) return {0x20, 0x04, 0x00, 0x00, 0x00, 0x00, U8(pgc >> 8 & 0x7F), U8(pgc)};
  return {0x56, 0x04, 0x00, 0x00, U8(button << 2), 0x00, U8(pgc >> 8 & 0x7F), U8(pgc)};
}

NavigationCommand HighlightButton(int button) { return {0x56, 0x00, 0x00, 0x00, U8(button << 2), 0x00, 0x00, 0x00}; }

NavigationCommand LinkPgcForTitle(int title, int pgc) {
  // Link with an immediate "equal" comparison of SPRM 5.
  return {0x20, 0xA4, 0x00, 0x85, U8(title >> 8), U8(title), U8(pgc >> 8 & 0x7F), U8(pgc)};
}

}  // namespace pennock::command
