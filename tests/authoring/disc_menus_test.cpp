// Discs with menus with buttons, authored by the job and walked with
// libdvdnav as a player does (menu keys, arrow keys, activation, resume);
// the sub-pictures decoded by FFmpeg's DVD subtitle decoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <tuple>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "authoring_test_support.h"
#include "menu_player.h"
#include "ifo/button_menu.h"
#include "job/author_job.h"
#include "job/disc_menus.h"
#include "mux/subpicture.h"
#include "pennock/pennock.h"
#include "support/test_support.h"

namespace {
using namespace pennock;
using namespace menu_test;
namespace fs = std::filesystem;
using testing_support::ScratchDir;
using testing_support::Shell;

// 16-bit stereo 48 kHz WAV of silence with a click.
void WriteWav(const fs::path& path, double seconds) {
  const auto frames = static_cast<std::uint32_t>(seconds * 48000);
  const std::uint32_t data = frames * 4;
  std::vector<std::uint8_t> file(44 + data, 0);
  auto le = [&](std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) file[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  std::memcpy(&file[0], "RIFF", 4); le(4, 36 + data, 4); std::memcpy(&file[8], "WAVEfmt ", 8);
  le(16, 16, 4); le(20, 1, 2); le(22, 2, 2); le(24, 48000, 4); le(28, 192000, 4); le(32, 4, 2); le(34, 16, 2);
  std::memcpy(&file[36], "data", 4); le(40, data, 4);
  file[44 + 100] = 0x40;
  testing_support::WriteFile(path, std::string(file.begin(), file.end()));
}

// A menu page as the program draws it: a dark background, every button a
// light box.
void WritePagePicture(const fs::path& path, int height, const std::vector<MenuButton>& buttons) {
  const auto bmp = authoring_test::MakeBmp(720, height, [&](int x, int y) -> std::uint32_t {
    for (const MenuButton& b : buttons)
      if (x >= b.left && x <= b.right && y >= b.top && y <= b.bottom) return 0xD0D0D0;
    return 0x102040;
  });
  testing_support::WriteFile(path, std::string(bmp.begin(), bmp.end()));
}

MenuButton Button(int slot, MenuButtonAction action, int title, int chapter = 0, int page = 0) {
  // Slots 0..11 in a grid of 3 x 4, 12.. in a row below.
  const int column = slot < 12 ? slot % 3 : slot - 12, row = slot < 12 ? slot / 3 : 4;
  const int pitch = slot < 12 ? 200 : 150;
  const auto left = static_cast<std::uint16_t>(60 + pitch * column), top = static_cast<std::uint16_t>(80 + 70 * row);
  return {left, top, static_cast<std::uint16_t>(left + pitch - 21), static_cast<std::uint16_t>(top + 49),
          static_cast<std::uint8_t>(action), static_cast<std::uint8_t>(title), static_cast<std::uint8_t>(chapter),
          static_cast<std::uint8_t>(page)};
}

// Pages of `entries` buttons, 12 a page, with Previous/Next where there are
// more pages and `extra` buttons on every page.
std::vector<std::vector<MenuButton>> Paginate(const std::vector<MenuButton>& entries, int title,
                                              const std::vector<MenuButton>& extra) {
  std::vector<std::vector<MenuButton>> pages;
  const int count = static_cast<int>((entries.size() + 11) / 12);
  for (int p = 0; p < count; ++p) {
    std::vector<MenuButton> page;
    for (int i = 12 * p; i < std::min<int>(12 * p + 12, static_cast<int>(entries.size())); ++i) {
      MenuButton b = entries[static_cast<std::size_t>(i)];
      const MenuButton at = Button(i - 12 * p, kButtonTitleMenu, 0);
      b.left = at.left, b.top = at.top, b.right = at.right, b.bottom = at.bottom;
      page.push_back(b);
    }
    int slot = 12;
    if (p > 0) page.push_back(Button(slot++, kButtonPage, title, 0, p));
    if (p + 1 < count) page.push_back(Button(slot++, kButtonPage, title, 0, p + 2));
    for (MenuButton b : extra) {
      const MenuButton at = Button(slot++, kButtonTitleMenu, 0);
      b.left = at.left, b.top = at.top, b.right = at.right, b.bottom = at.bottom;
      page.push_back(b);
    }
    pages.push_back(page);
  }
  return pages;
}

// A disc of titles with the given chapter counts: the title menu lists every
// title (a song menu for titles of several chapters, play for the others),
// each title of several chapters has a song menu with Back and Play all.
class MenuDisc {
 public:
  MenuDisc(const ScratchDir& dir, const std::vector<int>& chapters, bool start_with_menu, int height = 480)
      : dir_(dir), chapters_(chapters), height_(height), params_(NewAuthorParams()) {
    std::snprintf(params_->output_folder, kPathSize, "%s", (dir / "out").string().c_str());
    params_->language = static_cast<std::int16_t>('e' << 8 | 'n');
    params_->menu_navigation = 22001;
    const fs::path still = dir / "still.bmp";
    const auto bmp = authoring_test::MakeBmp(720, height, [](int x, int) { return x < 360 ? 0x802020u : 0x208020u; });
    testing_support::WriteFile(still, std::string(bmp.begin(), bmp.end()));
    params_->title_count = static_cast<std::uint8_t>(chapters.size());
    for (std::size_t t = 1; t <= chapters.size(); ++t) {
      params_->chapter_count[t] = static_cast<std::uint8_t>(chapters[t - 1]);
      for (int c = 1; c <= chapters[t - 1]; ++c) {
        const fs::path wav = dir / ("a" + std::to_string(t) + "_" + std::to_string(c) + ".wav");
        WriteWav(wav, 0.6);
        std::snprintf(params_->audio_file[t][c], kPathSize, "%s", wav.string().c_str());
        std::snprintf(params_->picture_file[t][c], kPathSize, "%s", still.string().c_str());
      }
      if (t < chapters.size()) params_->post_navigation[t] = static_cast<std::int16_t>(23000 + t + 1);
    }

    std::vector<MenuButton> titles;
    for (std::size_t t = 1; t <= chapters.size(); ++t)
      titles.push_back(Button(0, chapters[t - 1] > 1 ? kButtonSongMenu : kButtonPlayTitle, static_cast<int>(t)));
    title_pages_ = Paginate(titles, 0, {});
    for (std::size_t t = 1; t <= chapters.size(); ++t) {
      if (chapters[t - 1] < 2) continue;
      std::vector<MenuButton> songs;
      for (int c = 1; c <= chapters[t - 1]; ++c) songs.push_back(Button(0, kButtonPlayChapter, static_cast<int>(t), c));
      song_pages_[t] = Paginate(songs, static_cast<int>(t),
                                {Button(0, kButtonTitleMenu, 0), Button(0, kButtonPlayChapter, static_cast<int>(t), 1)});
    }
    menus_.accent_rgb = 0xFFA020;
    menus_.start_with_menu = start_with_menu ? 1 : 0;
    menus_.title_page_count = static_cast<std::uint16_t>(title_pages_.size());
    title_records_ = Records(title_pages_, "title");
    menus_.title_pages = title_records_.data();
    for (auto& [t, pages] : song_pages_) {
      song_records_[t] = Records(pages, "songs" + std::to_string(t));
      menus_.song_page_count[t] = static_cast<std::uint16_t>(pages.size());
      menus_.song_pages[t] = song_records_[t].data();
    }
  }

  int Author() {
    const auto set = CopyMenus(menus_, *params_);
    if (!set) return -100;
    fs::create_directories(dir_ / "out" / "VIDEO_TS");
    std::atomic<std::int32_t> progress{0};
    return RunAuthorJob(*params_, JobSignals{}, progress, &*set);
  }

  fs::path Out() const { return dir_ / "out"; }
  const std::vector<std::vector<MenuButton>>& TitlePages() const { return title_pages_; }
  const std::vector<std::vector<MenuButton>>& SongPages(int t) { return song_pages_[static_cast<std::size_t>(t)]; }
  // VOB id of page p (from 0) of title t's song menu: the song pages in title order.
  int SongVobId(int t, int p) {
    int id = 1;
    for (auto& [title, pages] : song_pages_) {
      if (static_cast<int>(title) == t) return id + p;
      id += static_cast<int>(pages.size());
    }
    return 0;
  }
  DiscMenus& Menus() { return menus_; }
  const AuthorParams& Params() const { return *params_; }

 private:
  std::vector<MenuPage> Records(const std::vector<std::vector<MenuButton>>& pages, const std::string& name) {
    std::vector<MenuPage> records;
    for (std::size_t p = 0; p < pages.size(); ++p) {
      const fs::path picture = dir_ / (name + "_" + std::to_string(p + 1) + ".bmp");
      WritePagePicture(picture, height_, pages[p]);
      names_.push_back(std::make_unique<std::string>(picture.string()));
      MenuPage record{};
      record.picture = names_.back()->c_str();
      record.button_count = static_cast<std::uint8_t>(pages[p].size());
      std::copy(pages[p].begin(), pages[p].end(), record.buttons);
      records.push_back(record);
    }
    return records;
  }

  const ScratchDir& dir_;
  std::vector<int> chapters_;
  int height_;
  AuthorParamsPtr params_;
  std::vector<std::vector<MenuButton>> title_pages_;
  std::map<std::size_t, std::vector<std::vector<MenuButton>>> song_pages_;
  std::vector<std::unique_ptr<std::string>> names_;
  std::vector<MenuPage> title_records_;
  std::map<std::size_t, std::vector<MenuPage>> song_records_;
  DiscMenus menus_{};
};

std::vector<Rect> RectsOf(const std::vector<MenuButton>& buttons) {
  std::vector<Rect> rects;
  for (const MenuButton& b : buttons) rects.push_back({b.left, b.top, b.right, b.bottom});
  return rects;
}

// Sub-pictures the encoder makes come back from FFmpeg's decoder pixel for
// pixel: outlines, noise of odd size, runs longer than a code holds, empty.
TEST(DiscMenus, SubpicturesComeBackFromFfmpegPixelForPixel) {
  std::vector<PageButton> buttons{{40, 60, 239, 109, {}}, {300, 60, 499, 109, {}}, {40, 400, 700, 470, {}}};
  SubpictureImage noise(33, 17), long_runs(720, 8), empty(720, 480);
  unsigned seed = 7;
  for (auto& p : noise.pixels) p = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 16 & 3);
  for (int y = 0; y < 8; ++y) long_runs.At(600 - y, y) = static_cast<std::uint8_t>(1 + y % 3);
  const struct { const char* name; SubpictureImage image; int x, y; } cases[] = {
      {"button outlines", ButtonOutlines(buttons, 720, 480), 0, 0},
      {"noise", noise, 101, 51},
      {"long runs", long_runs, 0, 300},
      {"empty", empty, 0, 0},
  };
  for (const auto& c : cases) {
    const std::vector<std::uint8_t> unit = EncodeSubpicture(c.image, c.x, c.y, SelectColours());
    ASSERT_FALSE(unit.empty()) << c.name;
    SubtitleDecoder decoder;
    const std::optional<Decoded> back = decoder.Decode(unit.data(), static_cast<int>(unit.size()));
    ASSERT_TRUE(back) << c.name;
    EXPECT_EQ(back->x, c.x) << c.name;
    EXPECT_EQ(back->y, c.y) << c.name;
    EXPECT_EQ(back->width, c.image.width) << c.name;
    EXPECT_EQ(back->height, c.image.height) << c.name;
    EXPECT_TRUE(back->pixels == c.image.pixels) << c.name;
  }
}

TEST(DiscMenus, EveryButtonLeadsWhereItSays) {
  ScratchDir dir;
  MenuDisc disc(dir, {2, 1, 14}, false);
  ASSERT_EQ(disc.Author(), 0);

  Player player(disc.Out());
  ASSERT_TRUE(player.Opened());
  // First play as ever: title 1 starts by itself.
  ASSERT_EQ(player.Run(), Player::Rest::Title);
  EXPECT_EQ(player.TitleAndChapter(), std::make_pair(1, 1));

  // The menu key shows the title menu with the first button highlighted.
  player.MenuKey(DVD_MENU_Title);
  ASSERT_EQ(player.Run(), Player::Rest::Menu);
  ASSERT_TRUE(player.InTitleMenu());
  EXPECT_EQ(player.Buttons(), RectsOf(disc.TitlePages()[0]));
  EXPECT_EQ(player.Highlighted(), 1);
  {
    // As a player shows it: the first button outlined in the accent colour
    // and tinted with it, the rest of the picture untouched.
    const MenuFrame frame = DecodeRestingMenu(player, dir.Path());
    const Screen screen = ComposeHighlight(frame, player.Highlight(1, 0), player.Palette());
    const MenuButton& b = disc.TitlePages()[0][0];
    const Screen plain = ComposeHighlight(frame, {}, player.Palette());
    const Rgb edge = screen.At(b.left + 1, (b.top + b.bottom) / 2), inside = screen.At((b.left + b.right) / 2, b.top + 10);
    EXPECT_NEAR(edge.r, 0xFF, 16);
    EXPECT_NEAR(edge.g, 0xA0, 16);
    EXPECT_NEAR(edge.b, 0x20, 16);
    EXPECT_GT(inside.r - inside.b, 40);  // the light box tinted orange
    EXPECT_GT(inside.b, 100);
    const Rgb outside = screen.At(b.right + 8, b.top), before = plain.At(b.right + 8, b.top);
    EXPECT_EQ(std::make_tuple(outside.r, outside.g, outside.b), std::make_tuple(before.r, before.g, before.b));
  }

  // Title 2 (one song) plays; titles 1 and 3 open their song menus.
  const struct { int button; bool song_menu; int title; } title_buttons[] = {{1, true, 1}, {2, false, 2}, {3, true, 3}};
  for (const auto& c : title_buttons) {
    player.MenuKey(DVD_MENU_Title);
    ASSERT_EQ(player.Run(), Player::Rest::Menu);
    player.Activate(c.button);
    if (c.song_menu) {
      ASSERT_EQ(player.Run(), Player::Rest::Menu) << "button " << c.button;
      EXPECT_TRUE(player.InSongMenu());
      EXPECT_EQ(player.VobId(), disc.SongVobId(c.title, 0));
      EXPECT_EQ(player.Buttons(), RectsOf(disc.SongPages(c.title)[0]));
    } else {
      ASSERT_EQ(player.Run(), Player::Rest::Title) << "button " << c.button;
      EXPECT_EQ(player.TitleAndChapter(), std::make_pair(c.title, 1));
    }
  }

  // Every button of every song page: a song plays from its chapter, Next and
  // Previous turn the page, Back shows the title menu, Play all plays
  // chapter 1.
  for (int title : {1, 3}) {
    const auto& pages = disc.SongPages(title);
    for (std::size_t p = 0; p < pages.size(); ++p)
      for (std::size_t b = 0; b < pages[p].size(); ++b) {
        player.PlayTitle(title);
        ASSERT_EQ(player.Run(), Player::Rest::Title);
        player.MenuKey(DVD_MENU_Root);  // the menu key inside a title: its song menu
        ASSERT_EQ(player.Run(), Player::Rest::Menu);
        ASSERT_EQ(player.VobId(), disc.SongVobId(title, 0));
        for (std::size_t turn = 0; turn < p; ++turn) {  // Next is after the songs (and Previous)
          player.Activate(static_cast<int>(player.Buttons().size()) - 2);
          ASSERT_EQ(player.Run(), Player::Rest::Menu);
        }
        ASSERT_EQ(player.VobId(), disc.SongVobId(title, static_cast<int>(p))) << "title " << title << " page " << p;
        EXPECT_EQ(player.Buttons(), RectsOf(pages[p]));
        const MenuButton& button = pages[p][b];
        player.Activate(static_cast<int>(b) + 1);
        const std::string where = "title " + std::to_string(title) + " page " + std::to_string(p + 1) + " button " +
                                  std::to_string(b + 1);
        switch (button.action) {
          case kButtonPlayChapter:
            ASSERT_EQ(player.Run(), Player::Rest::Title) << where;
            EXPECT_EQ(player.TitleAndChapter(), std::make_pair(title, static_cast<int>(button.chapter))) << where;
            break;
          case kButtonPage:
            ASSERT_EQ(player.Run(), Player::Rest::Menu) << where;
            EXPECT_EQ(player.VobId(), disc.SongVobId(title, button.page - 1)) << where;
            break;
          case kButtonTitleMenu:
            ASSERT_EQ(player.Run(), Player::Rest::Menu) << where;
            EXPECT_TRUE(player.InTitleMenu()) << where;
            break;
          default: ADD_FAILURE() << where;
        }
      }
  }

  // The arrow keys move through the grid and stay on the page at its edges.
  player.MenuKey(DVD_MENU_Title);
  ASSERT_EQ(player.Run(), Player::Rest::Menu);
  player.PlayTitle(3);
  ASSERT_EQ(player.Run(), Player::Rest::Title);
  player.MenuKey(DVD_MENU_Part);  // the chapter key shows the song menu too
  ASSERT_EQ(player.Run(), Player::Rest::Menu);
  ASSERT_EQ(player.VobId(), disc.SongVobId(3, 0));
  const struct { dvdnav_status_t (*key)(dvdnav_t*, pci_t*); int to; } moves[] = {
      {dvdnav_right_button_select, 2}, {dvdnav_lower_button_select, 5}, {dvdnav_left_button_select, 4},
      {dvdnav_upper_button_select, 1}, {dvdnav_upper_button_select, 1}, {dvdnav_left_button_select, 1}};
  for (const auto& move : moves) {
    player.Key(move.key);
    EXPECT_EQ(player.Highlighted(), move.to);
  }

  // Resume: the title menu called from title 3, chapter 2 returns there.
  player.Activate(2);
  ASSERT_EQ(player.Run(), Player::Rest::Title);
  ASSERT_EQ(player.TitleAndChapter(), std::make_pair(3, 2));
  player.MenuKey(DVD_MENU_Title);
  ASSERT_EQ(player.Run(), Player::Rest::Menu);
  player.MenuKey(DVD_MENU_Escape);
  ASSERT_EQ(player.Run(), Player::Rest::Title);
  EXPECT_EQ(player.TitleAndChapter(), std::make_pair(3, 2));

  // FFmpeg finds the sub-picture of each menu's first page: every highlight
  // rectangle lies on a button drawn in the picture and is outlined in the
  // sub-picture, which draws nothing else. lsdvd (libdvdread) reads the disc.
  const struct { const char* vob; std::vector<MenuButton> buttons; } menus[] = {
      {"VIDEO_TS.VOB", disc.TitlePages()[0]}, {"VTS_01_0.VOB", disc.SongPages(1)[0]}};
  for (const auto& menu : menus) {
    const MenuFrame frame = DecodeMenuVob(disc.Out() / "VIDEO_TS" / menu.vob);
    ASSERT_TRUE(frame.subpicture) << menu.vob;
    ASSERT_EQ(frame.luma.size(), 720u * 480) << menu.vob;
    const Decoded& spu = *frame.subpicture;
    ASSERT_EQ(spu.width * spu.height, 720 * 480);
    std::size_t outside = 0;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 720; ++x) {
        const bool in = std::any_of(menu.buttons.begin(), menu.buttons.end(), [&](const MenuButton& b) {
          return x >= b.left && x <= b.right && y >= b.top && y <= b.bottom;
        });
        if (!in && spu.pixels[static_cast<std::size_t>(y * 720 + x)] != 0) ++outside;
      }
    EXPECT_EQ(outside, 0u) << menu.vob;
    for (const MenuButton& b : menu.buttons) {
      const int cx = (b.left + b.right) / 2, cy = (b.top + b.bottom) / 2;
      EXPECT_EQ(spu.pixels[static_cast<std::size_t>(b.top * 720 + cx)], kOutlinePixel) << menu.vob;
      EXPECT_EQ(spu.pixels[static_cast<std::size_t>(cy * 720 + b.right)], kOutlinePixel) << menu.vob;
      EXPECT_EQ(spu.pixels[static_cast<std::size_t>(cy * 720 + cx)], kInsidePixel) << menu.vob;
      EXPECT_GT(frame.Luma(cx, cy), 150) << menu.vob << " button at " << b.left << "," << b.top;
      EXPECT_GT(frame.Luma(b.left + 4, b.top + 4), 150) << menu.vob;
      EXPECT_LT(frame.Luma(b.left - 6, cy), 90) << menu.vob;
    }
  }
  const std::string report = Shell("lsdvd -x '" + disc.Out().string() + "'");
  EXPECT_NE(report.find("Title: 03"), std::string::npos) << report;
  EXPECT_NE(report.find("Chapters: 14"), std::string::npos) << report;
  EXPECT_EQ(report.find("rror"), std::string::npos) << report;

  // The end of the last title comes back to the title menu, which stays with
  // its first button highlighted.
  EXPECT_EQ(player.RunThroughTitles(), Player::Rest::Menu);
  EXPECT_TRUE(player.InTitleMenu());
  EXPECT_EQ(player.Highlighted(), 1);
  EXPECT_EQ(player.RunThroughTitles(), Player::Rest::Menu);
  EXPECT_TRUE(player.InTitleMenu());
}

// The menu and chapter keys inside a title of one song show the title menu,
// also on a disc where no title has a song menu (no title-set menu VOB then).
TEST(DiscMenus, MenuKeysInATitleWithoutSongsMenuShowTheTitleMenu) {
  const struct { std::vector<int> chapters; bool menu_vob; } kDiscs[] = {{{2, 1, 3}, true}, {{1, 1}, false}};
  for (const auto& d : kDiscs) {
    SCOPED_TRACE(d.chapters.size());
    ScratchDir dir;
    MenuDisc disc(dir, d.chapters, false);
    ASSERT_EQ(disc.Author(), 0);
    EXPECT_EQ(fs::exists(disc.Out() / "VIDEO_TS" / "VTS_01_0.VOB"), d.menu_vob);
    Player player(disc.Out());
    ASSERT_TRUE(player.Opened());
    for (const DVDMenuID_t key : {DVD_MENU_Root, DVD_MENU_Part}) {
      player.PlayTitle(2);
      ASSERT_EQ(player.Run(), Player::Rest::Title);
      player.MenuKey(key);
      ASSERT_EQ(player.Run(), Player::Rest::Menu) << key;
      EXPECT_TRUE(player.InTitleMenu()) << key;
      EXPECT_EQ(player.Buttons(), RectsOf(disc.TitlePages()[0]));
    }
    const std::string report = Shell("lsdvd -x '" + disc.Out().string() + "' 2>&1");
    EXPECT_EQ(report.find("rror"), std::string::npos) << report;
    EXPECT_NE(report.find("Title: 02"), std::string::npos) << report;
  }
}

// Menus that do not fit the disc's titles are refused before any work.
TEST(DiscMenus, MenusThatDoNotFitTheDiscAreRefused) {
  ScratchDir dir;
  MenuDisc disc(dir, {2, 1}, false);
  ASSERT_TRUE(CopyMenus(disc.Menus(), disc.Params()));
  const struct {
    const char* what;
    std::function<void(DiscMenus&, MenuPage&)> spoil;
  } cases[] = {
      {"no title page", [](DiscMenus& m, MenuPage&) { m.title_page_count = 0; }},
      {"a page without picture", [](DiscMenus&, MenuPage& p) { p.picture = nullptr; }},
      {"a page without buttons", [](DiscMenus&, MenuPage& p) { p.button_count = 0; }},
      {"a title the disc lacks", [](DiscMenus&, MenuPage& p) { p.buttons[0].title = 3; }},
      {"a song menu title 2 lacks", [](DiscMenus&, MenuPage& p) { p.buttons[1].action = kButtonSongMenu; }},
      {"a page the menu lacks", [](DiscMenus&, MenuPage& p) { p.buttons[0] = {0, 0, 9, 9, kButtonPage, 0, 0, 2}; }},
      {"a chapter the title lacks",
       [](DiscMenus& m, MenuPage&) { const_cast<MenuPage*>(m.song_pages[1])->buttons[0].chapter = 3; }},
  };
  for (const auto& c : cases) {
    DiscMenus menus = disc.Menus();
    std::vector<MenuPage> titles(menus.title_pages, menus.title_pages + menus.title_page_count);
    std::vector<MenuPage> songs(menus.song_pages[1], menus.song_pages[1] + menus.song_page_count[1]);
    menus.title_pages = titles.data();
    menus.song_pages[1] = songs.data();
    c.spoil(menus, titles[0]);
    EXPECT_FALSE(CopyMenus(menus, disc.Params())) << c.what;
  }
}

// A disc that starts with the menu; 99 titles on 9 title pages, and a title
// of 99 songs on 9 song pages: every page reached through Next, every button
// leads to its title or song.
TEST(DiscMenus, NinetyNineTitlesAndSongsArePaged) {
  ScratchDir dir;
  std::vector<int> chapters(99, 1);
  chapters[0] = 99;
  MenuDisc disc(dir, chapters, true, 576);
  ASSERT_EQ(disc.Author(), 0);
  ASSERT_EQ(disc.TitlePages().size(), 9u);
  ASSERT_EQ(disc.SongPages(1).size(), 9u);

  Player player(disc.Out());
  ASSERT_TRUE(player.Opened());
  ASSERT_EQ(player.Run(), Player::Rest::Menu);  // first play: the title menu
  ASSERT_TRUE(player.InTitleMenu());
  int title = 0;
  for (std::size_t p = 0; p < disc.TitlePages().size(); ++p) {
    const auto& page = disc.TitlePages()[p];
    ASSERT_EQ(player.Buttons(), RectsOf(page)) << "page " << p + 1;
    for (std::size_t b = 0; b < page.size() && page[b].action != kButtonPage; ++b) {
      ++title;
      player.Activate(static_cast<int>(b) + 1);
      ASSERT_EQ(player.Run(), title == 1 ? Player::Rest::Menu : Player::Rest::Title) << "title " << title;
      if (title == 1) EXPECT_EQ(player.VobId(), disc.SongVobId(1, 0));
      else EXPECT_EQ(player.TitleAndChapter(), std::make_pair(title, 1));
      player.MenuKey(DVD_MENU_Title);  // back to page 1, then on to page p
      ASSERT_EQ(player.Run(), Player::Rest::Menu);
      for (std::size_t turn = 0; turn < p; ++turn) {
        player.Activate(static_cast<int>(player.Buttons().size()));  // Next is the last button
        ASSERT_EQ(player.Run(), Player::Rest::Menu);
      }
    }
    if (p + 1 < disc.TitlePages().size()) {
      player.Activate(static_cast<int>(page.size()));
      ASSERT_EQ(player.Run(), Player::Rest::Menu);
    }
  }
  EXPECT_EQ(title, 99);

  int song = 0;
  for (std::size_t p = 0; p < disc.SongPages(1).size(); ++p) {
    const auto& page = disc.SongPages(1)[p];
    for (std::size_t b = 0; b < page.size() && page[b].action == kButtonPlayChapter && song < 99; ++b) {
      if (page[b].chapter != song + 1) break;  // Play all follows the songs
      ++song;
      player.PlayTitle(1);
      ASSERT_EQ(player.Run(), Player::Rest::Title);
      player.MenuKey(DVD_MENU_Root);
      ASSERT_EQ(player.Run(), Player::Rest::Menu);
      for (std::size_t turn = 0; turn < p; ++turn) {
        player.Activate(static_cast<int>(player.Buttons().size()) - 2);
        ASSERT_EQ(player.Run(), Player::Rest::Menu);
      }
      ASSERT_EQ(player.Buttons(), RectsOf(page)) << "song page " << p + 1;
      player.Activate(static_cast<int>(b) + 1);
      ASSERT_EQ(player.Run(), Player::Rest::Title);
      EXPECT_EQ(player.TitleAndChapter(), std::make_pair(1, song)) << "song " << song;
    }
  }
  EXPECT_EQ(song, 99);
}

}  // namespace
