#include "job/disc_menus.h"

#include <functional>

#include "job/navigation_code.h"

namespace pennock {
namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t kMenuLanguage = ('e' << 8) | 'n';
constexpr std::uint8_t kTitleMenuType = 2;
constexpr std::uint8_t kRootMenuType = 3;
constexpr std::uint8_t kChapterMenuType = 7;
constexpr std::uint8_t kTitleMenuPresent = 0x80;
constexpr std::uint8_t kRootAndChapterMenusPresent = 0x88;
// Song menus start after the two PGCs that pick the title's menu.
constexpr int kFirstSongPagePgc = 3;

bool CopyPages(const MenuPage* pages, int count, std::vector<MenuPageCopy>& out) {
  if (count > 0 && !pages) return false;
  for (int k = 0; k < count; ++k) {
    const MenuPage& page = pages[k];
    if (!page.picture || page.picture[0] == '\0') return false;
    if (page.button_count < 1 || page.button_count > kMaxMenuButtons) return false;
    MenuPageCopy copy;
    copy.picture = page.picture;
    copy.buttons.assign(page.buttons, page.buttons + page.button_count);
    out.push_back(std::move(copy));
  }
  return true;
}

bool ButtonsValid(const MenuSet& set, const AuthorParams& params) {
  const int titles = params.title_count;
  auto valid = [&](const MenuButton& b, std::size_t own_pages, bool song_menu) {
    switch (b.action) {
      case kButtonPlayTitle: return b.title >= 1 && b.title <= titles;
      case kButtonSongMenu: return b.title >= 1 && b.title <= titles && !set.song_pages[b.title].empty();
      case kButtonPlayChapter:
        return b.title >= 1 && b.title <= titles && b.chapter >= 1 && b.chapter <= params.chapter_count[b.title];
      case kButtonPage: {
        const std::size_t pages = song_menu ? (b.title >= 1 && b.title <= titles ? set.song_pages[b.title].size() : 0)
                                            : own_pages;
        return b.page >= 1 && b.page <= pages;
      }
      case kButtonTitleMenu: return true;
      default: return false;
    }
  };
  for (const MenuPageCopy& page : set.title_pages)
    for (const MenuButton& b : page.buttons)
      if (!valid(b, set.title_pages.size(), false)) return false;
  for (int t = 1; t <= titles; ++t)
    for (const MenuPageCopy& page : set.song_pages[t])
      for (const MenuButton& b : page.buttons)
        if (!valid(b, set.song_pages[t].size(), true)) return false;
  return true;
}

ButtonPage PagePlan(const MenuPageCopy& page, const std::function<NavigationCommand(const MenuButton&)>& command) {
  ButtonPage result;
  result.picture = page.picture;
  for (const MenuButton& b : page.buttons)
    result.buttons.push_back({b.left, b.top, b.right, b.bottom, command(b)});
  return result;
}

}  // namespace

std::optional<MenuSet> CopyMenus(const DiscMenus& menus, const AuthorParams& params) {
  const int titles = params.title_count;
  MenuSet set;
  set.accent_rgb = menus.accent_rgb & 0xFFFFFF;
  set.start_with_menu = menus.start_with_menu != 0;
  if (menus.title_page_count < 1 || !CopyPages(menus.title_pages, menus.title_page_count, set.title_pages))
    return std::nullopt;
  for (int t = 1; t <= titles; ++t)
    if (!CopyPages(menus.song_pages[t], menus.song_page_count[t], set.song_pages[static_cast<std::size_t>(t)]))
      return std::nullopt;
  if (!ButtonsValid(set, params)) return std::nullopt;
  return set;
}

std::optional<TitleSetMenus> BuildSongMenus(const MenuSet& menus, const fs::path& video_ts, TvSystem tv, int titles,
                                            const JobSignals& signals, int& failed) {
  failed = 0;
  std::vector<int> first_pgc(static_cast<std::size_t>(titles) + 1, 0);
  int next = kFirstSongPagePgc;
  for (int t = 1; t <= titles; ++t) {
    if (menus.song_pages[t].empty()) continue;
    first_pgc[static_cast<std::size_t>(t)] = next;
    next += static_cast<int>(menus.song_pages[t].size());
  }

  auto command = [&](const MenuButton& b) -> NavigationCommand {
    switch (b.action) {
      case kButtonPlayTitle: return command::JumpTitleSetTitle(b.title);
      case kButtonPlayChapter: return command::JumpChapter(b.title, b.chapter);
      case kButtonSongMenu: return command::LinkPgc(first_pgc[b.title]);
      case kButtonPage: return command::LinkPgc(first_pgc[b.title] + b.page - 1);
      default: return command::JumpTitleMenu();
    }
  };
  std::vector<ButtonPage> pages;
  std::vector<MenuPgcPlan> pgcs(2);
  for (int t = 1; t <= titles; ++t) {
    if (first_pgc[static_cast<std::size_t>(t)] == 0) continue;
    // The menu key inside title t shows the first page of its song menu.
    for (int pick = 0; pick < 2; ++pick)
      pgcs[static_cast<std::size_t>(pick)].pre.push_back(command::LinkPgcForTitle(t, first_pgc[static_cast<std::size_t>(t)]));
    for (const MenuPageCopy& page : menus.song_pages[t]) {
      pages.push_back(PagePlan(page, command));
      const int pgc = kFirstSongPagePgc + static_cast<int>(pgcs.size()) - 2;
      pgcs.push_back({0, {command::HighlightButton(1)}, {command::LinkPgc(pgc)}, static_cast<int>(pages.size())});
    }
  }
  // A title without a song menu: the title menu.
  for (int pick = 0; pick < 2; ++pick) pgcs[static_cast<std::size_t>(pick)].pre.push_back(command::JumpTitleMenu());
  pgcs[0].entry = kRootMenuType;
  pgcs[1].entry = kChapterMenuType;

  TitleSetMenus result;
  if (pages.empty()) {
    // No title has a song menu: the two PGCs that pick the menu alone, so
    // the menu key inside a title still shows the title menu. No menu VOB,
    // no cells.
    result.tables = BuildMenuTables(pgcs, ButtonMenuVob{}, kRootAndChapterMenusPresent, menus.accent_rgb,
                                    kMenuLanguage);
    result.tables.c_adt.clear();
    result.tables.vobu_admap.clear();
    return result;
  }
  const ButtonMenuVob vob = WriteButtonMenuVob(video_ts / "VTS_01_0.VOB", pages, tv, signals, &menus.coded);
  if (!vob.written) {
    failed = vob.failed_page ? kResultMenuPicture : kResultWriteFailed;
    return std::nullopt;
  }
  result.tables = BuildMenuTables(pgcs, vob, kRootAndChapterMenusPresent, menus.accent_rgb, kMenuLanguage);
  result.attributes = vob.attributes;
  return result;
}

TitleMenu BuildTitleMenu(const MenuSet& menus, const fs::path& video_ts, TvSystem tv, const JobSignals& signals) {
  auto command = [](const MenuButton& b) -> NavigationCommand {
    switch (b.action) {
      case kButtonPlayTitle:
      case kButtonPlayChapter: return command::JumpTitle(b.title);
      case kButtonSongMenu: return command::JumpTitleSetRootMenu(b.title);
      case kButtonPage: return command::LinkPgc(b.page);
      default: return command::LinkPgc(1);
    }
  };
  std::vector<ButtonPage> pages;
  std::vector<MenuPgcPlan> pgcs;
  for (const MenuPageCopy& page : menus.title_pages) {
    pages.push_back(PagePlan(page, command));
    const int pgc = static_cast<int>(pages.size());
    pgcs.push_back({pgc == 1 ? kTitleMenuType : std::uint8_t{0}, {command::HighlightButton(1)}, {command::LinkPgc(pgc)}, pgc});
  }
  TitleMenu menu;
  menu.vob = WriteButtonMenuVob(video_ts / "VIDEO_TS.VOB", pages, tv, signals, &menus.coded);
  if (menu.vob.written) menu.tables = BuildMenuTables(pgcs, menu.vob, kTitleMenuPresent, menus.accent_rgb, kMenuLanguage);
  return menu;
}

CodedMenuPictures CodeMenuPictures(const MenuSet& menus, const JobSignals& signals) {
  CodedMenuPictures coded;
  auto code = [&](const std::vector<MenuPageCopy>& pages) {
    for (const MenuPageCopy& page : pages) {
      if (signals.Aborted() || coded.count(page.picture)) continue;
      try {
        EncodedPicture picture = EncodePicturePacks(page.picture, kAspect43, 0, signals);
        if (picture.result.written && !picture.video.empty()) coded.emplace(page.picture, std::move(picture));
      } catch (const std::bad_alloc&) {
        // Coded again, and refused, when the page is written.
      }
    }
  };
  code(menus.title_pages);
  for (const auto& pages : menus.song_pages) code(pages);
  return coded;
}

}  // namespace pennock
