// The information file of the title set, VTS_01_0.IFO, and its backup
// VTS_01_0.BUP: every title is one program chain, every chapter one program
// and one cell. The title set has no menu of its own; its menu tables stay
// empty.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "ifo/button_menu.h"
#include "ifo/ifo_common.h"

namespace pennock {

inline constexpr char kVtsIfoName[] = "VTS_01_0.IFO";
inline constexpr char kVtsBupName[] = "VTS_01_0.BUP";
inline constexpr char kVtsMenuVobName[] = "VTS_01_0.VOB";
inline constexpr int kMaxTitleVobFiles = 9;  // VTS_01_1.VOB ... VTS_01_9.VOB

// Titles and chapters a title set may hold here.
inline constexpr std::size_t kMaxVtsTitles = 99;
inline constexpr std::size_t kMaxTitleCells = 99;

struct VtsParameters {
  std::filesystem::path video_ts;
  std::uint8_t permitted_display = 0;  // of 16:9 video: 0 both, 1 pan-scan, 2 letterbox, 3+ unspecified
  std::uint16_t language = 0x656E;     // "en": two ASCII letters, the first in the high byte
};

// A title's time map: one entry every `unit_seconds`, bit 31 flagging the
// first entry of every cell after the first, bits 0..30 the VOBU start sector.
struct TimeMap {
  std::uint8_t unit_seconds = 2;
  std::vector<std::uint32_t> entries;
};

// The map of a title from the marks the multiplexer records every 2 seconds:
// with M marks a = ceil(M / 2048) (1 up to 2048 marks), unit 2a seconds,
// floor(M / a) entries taking every a-th mark.
TimeMap BuildTimeMap(const std::vector<TimeMapMark>& marks);

// Sectors of the title set's VOB files.
struct VtsVobSectors {
  std::uint32_t menu = 0;    // VTS_01_0.VOB
  std::uint32_t titles = 0;  // VTS_01_1.VOB ... VTS_01_9.VOB together
};

// The whole information file in memory, a multiple of 2048 bytes. Empty when
// `info` cannot be described (no titles, a title without chapters, more than
// kMaxVtsTitles titles or kMaxTitleCells chapters). `menu`, when given,
// describes a title-set menu stream for the menu attributes; `menu_tables`,
// when given, are the menu domain's PGCI_UT, C_ADT and VOBU_ADMAP.
std::vector<std::uint8_t> BuildVtsInformation(const TitleSetInfo& info, const VtsParameters& params,
                                              const VtsVobSectors& vobs,
                                              const StreamAttributes* menu = nullptr,
                                              const MenuTables* menu_tables = nullptr);

// Measures the VOB files in params.video_ts, writes VTS_01_0.IFO there and
// copies it to VTS_01_0.BUP. False when the information cannot be described or
// a file cannot be written; an IFO that could not be written completely is
// removed again, and no backup is made of it.
bool WriteVtsInformation(const TitleSetInfo& info, const VtsParameters& params,
                         const StreamAttributes* menu = nullptr, const MenuTables* menu_tables = nullptr);

}  // namespace pennock
