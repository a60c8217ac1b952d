// Menus with buttons: every page is one still picture with a sub-picture that
// outlines its buttons, in one VOBU (and one VOB and cell of its own) whose
// navigation pack carries the buttons' highlight information; and the menu
// tables (PGCI_UT, C_ADT, VOBU_ADMAP) of a domain made of such pages.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

#include "encoder/still_encoder.h"
#include "ifo/ifo_common.h"
#include "job/job_signals.h"
#include "job/navigation_code.h"
#include "mux/pack_format.h"
#include "mux/subpicture.h"

namespace pennock {

inline constexpr std::size_t kMaxPageButtons = 36;

// The PGC palette entry of the highlight's accent colour.
inline constexpr std::uint8_t kAccentEntry = 1;
// Sub-picture pixel values: a button's outline and its inside.
inline constexpr std::uint8_t kOutlinePixel = 1;
inline constexpr std::uint8_t kInsidePixel = 2;
inline constexpr int kOutlineWidth = 3;

struct PageButton {
  int left = 0, top = 0, right = 0, bottom = 0;  // screen pixels, inclusive
  NavigationCommand command{};
};

struct ButtonPage {
  std::filesystem::path picture;        // 24-bit BMP of the disc's frame size
  std::vector<PageButton> buttons;  // 1..36
};

// The palette of menu PGCs: the usual one with the accent colour (0xRRGGBB)
// at the highlight's entry.
std::array<std::uint8_t, 64> MenuPalette(std::uint32_t accent_rgb);

// The colours of a button in the accent colour: selected (outlined, lightly
// tinted) and activated (outlined, strongly tinted).
SubpictureColours SelectColours();
SubpictureColours ActivateColours();

// The sub-picture of a page: every button's outline and inside.
SubpictureImage ButtonOutlines(const std::vector<PageButton>& buttons, int width, int height);

// Neighbours (button numbers from 1) of every button for the arrow keys: the
// nearest button in that direction, the button itself when there is none.
struct ButtonLinks {
  std::uint8_t up = 0, down = 0, left = 0, right = 0;
};
std::vector<ButtonLinks> LinkButtons(const std::vector<PageButton>& buttons);

struct MenuCell {
  std::uint32_t first_sector = 0;  // the page's navigation pack, within the menu VOBs
  std::uint32_t last_sector = 0;
  std::uint16_t vob_id = 0;
};

struct ButtonMenuVob {
  bool written = false;
  int failed_page = 0;  // from 1: the page whose picture could not be used
  TvSystem tv = TvSystem::Ntsc;
  std::vector<MenuCell> cells;  // one per page
  std::array<std::uint8_t, 4> cell_time{};
  StreamAttributes attributes;
};

// Writes the pages into `vob` (created or replaced), page k as VOB id k, cell
// 1. A page whose picture cannot be coded, or is not of the TV system's size,
// or has no or too many buttons, stops the writing, as does the abort flag;
// nothing is left then.
// Menu pictures coded ahead, by their file; a page whose picture is not
// among them is coded when its VOB is written.
using CodedMenuPictures = std::map<std::filesystem::path, EncodedPicture>;
ButtonMenuVob WriteButtonMenuVob(const std::filesystem::path& vob, const std::vector<ButtonPage>& pages,
                                 TvSystem tv, const JobSignals& signals, const CodedMenuPictures* coded = nullptr);

// One program chain of a menu domain.
struct MenuPgcPlan {
  std::uint8_t entry = 0;  // 0, or the menu type of an entry PGC (2 title, 3 root, 7 chapter)
  std::vector<NavigationCommand> pre;
  std::vector<NavigationCommand> post;
  int page = 0;            // from 1: shows that page (a still without end); 0: commands alone
};

struct MenuTables {
  std::vector<std::uint8_t> pgci_ut;     // one language unit
  std::vector<std::uint8_t> c_adt;
  std::vector<std::uint8_t> vobu_admap;
};

// The tables of a menu domain; `menu_existence` is the language unit's byte
// of menus present.
MenuTables BuildMenuTables(const std::vector<MenuPgcPlan>& pgcs, const ButtonMenuVob& vob,
                           std::uint8_t menu_existence, std::uint32_t accent_rgb, std::uint16_t language);

}  // namespace pennock
