// The video manager information: VIDEO_TS.IFO and its backup VIDEO_TS.BUP
// (first-play program chain, title table, the disc menu's program chain,
// the title-set attribute table and the menu's cell and VOBU addresses), and
// the job's menu step that produces them together with VIDEO_TS.VOB.
#pragma once

#include <cstdint>
#include <filesystem>

#include "ifo/button_menu.h"
#include "ifo/menu_stream.h"
#include "job/job_signals.h"
#include "job/navigation_code.h"
#include "platform/window.h"

namespace pennock {

inline constexpr const char* kVmgIfoName = "VIDEO_TS.IFO";
inline constexpr const char* kVmgBupName = "VIDEO_TS.BUP";
// Printed into the VMG, space-padded to 32 bytes.
inline constexpr const char* kProviderIdentifier = "BRACKENHOLLOW-COMPANY-USA";
// VMG last sector recorded when there is no VIDEO_TS.VOB.
inline constexpr std::uint32_t kVmgLastSectorWithoutMenu = 25;
// Start sector of the placeholder title table written first.
inline constexpr std::uint32_t kPlaceholderTitleSetSector = 26;

struct VmgParameters {
  std::filesystem::path video_ts;
  NavigationCommand first_play{};  // all zero: no command
  NavigationCommand menu_pre{};
  NavigationCommand menu_post{};
  // Menus with buttons: their tables replace the one-PGC menu's.
  const MenuTables* button_menu = nullptr;
};

// Writes VIDEO_TS.IFO (with a placeholder title table) and copies it to
// VIDEO_TS.BUP. The menu tables are written only when the menu stream has
// sectors. On a write error sends status 9810, removes both files and
// returns false.
bool WriteVmgInformation(const MenuStream& menu, const VmgParameters& params,
                         const JobSignals& signals);

// Title sets present: VTS_nn_0.BUP for nn = 1.. up to the first missing one.
int CountTitleSets(const std::filesystem::path& video_ts);

// The title table pass: one entry per title of every title set (chapter
// counts from each title set's VTS_PTT_SRPT, start sectors from the file
// sizes), written over sector 1 of VIDEO_TS.IFO, then the IFO copied to the
// BUP again. False when no title set can be read, the titles do not fit the
// table, or a write fails.
bool RewriteTitleTable(const std::filesystem::path& video_ts);

struct MenuSet;

struct DiscMenuRequest {
  platform::WindowHandle window = platform::kNoWindow;
  std::filesystem::path output_folder;  // VIDEO_TS is inside it
  std::uint16_t navigation_code = 0;    // encoded into the first-play and menu command slots
  // With menus with buttons: the title menu's pages instead of the generated
  // picture, and the first play from them.
  const MenuSet* menus = nullptr;
};

// The job's menu step: menu picture, VIDEO_TS.VOB, VIDEO_TS.IFO and .BUP, the
// title table pass; then removes the menu picture, the intermediate menu
// stream and every empty VTS_01_n.VOB. Returns 0; 9810 when the VMG could not
// be written (status 9810 sent, no VMG files left); 2010 when the VMG was
// written without a menu stream (status 2010 sent); kResultMenuPicture or
// kResultWriteFailed when a title menu page could not be written.
int BuildVideoManager(const DiscMenuRequest& request, const JobSignals& signals);

}  // namespace pennock
