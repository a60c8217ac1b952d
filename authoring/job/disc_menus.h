// The job's menus with buttons: a copy of the caller's DiscMenus, and the
// steps that turn it into the song menus of the title set and the title menu
// of the video manager.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "ifo/button_menu.h"
#include "ifo/ifo_common.h"
#include "job/job_signals.h"
#include "pennock/pennock.h"

namespace pennock {

struct MenuPageCopy {
  std::filesystem::path picture;
  std::vector<MenuButton> buttons;
};

struct MenuSet {
  std::uint32_t accent_rgb = 0;
  bool start_with_menu = false;
  std::vector<MenuPageCopy> title_pages;
  std::array<std::vector<MenuPageCopy>, kMaxTitles + 1> song_pages;  // [t]
  CodedMenuPictures coded;  // the pages' pictures, once coded ahead
};

// Codes the pictures of every page (quietly: `signals` should send nothing);
// a picture that fails is left out and fails again when its page is written.
CodedMenuPictures CodeMenuPictures(const MenuSet& menus, const JobSignals& signals);

// The copy the worker keeps; nullopt when the menus do not fit the job's
// titles (no title page, a page without picture or with 0 or too many
// buttons, a button naming a title, chapter or page the disc does not have).
std::optional<MenuSet> CopyMenus(const DiscMenus& menus, const AuthorParams& params);

// Writes VTS_01_0.VOB with the song menus of every title that has one and
// returns the title set's menu tables, whose root and chapter menus show the
// title's song menu, or the title menu for a title without one (no VOB when
// no title has one). nullopt with `failed` set to kResultMenuPicture or
// kResultWriteFailed when a page cannot be written.
struct TitleSetMenus {
  MenuTables tables;
  StreamAttributes attributes;
};
std::optional<TitleSetMenus> BuildSongMenus(const MenuSet& menus, const std::filesystem::path& video_ts, TvSystem tv,
                                            int titles, const JobSignals& signals, int& failed);

// Writes VIDEO_TS.VOB with the title menu; the pages' tables and what the
// stream carries. `written` false with `failed_page` set when a page cannot
// be used.
struct TitleMenu {
  ButtonMenuVob vob;
  MenuTables tables;
};
TitleMenu BuildTitleMenu(const MenuSet& menus, const std::filesystem::path& video_ts, TvSystem tv,
                         const JobSignals& signals);

}  // namespace pennock
