// Pennock: turns titles of chapters (one 24-bit BMP and one LPCM WAV each)
// into a DVD-Video folder. The caller fills one AuthorParams block, calls
// fuAuthor, which prepares the folders and starts a worker thread, and then
// polls fuStatus/fuProgress or listens to the messages sent to the window
// named in the block; fuAbort asks the worker to stop.
//
// The block is large (about 82 MB, mostly path slots that stay empty): get it
// with NewAuthorParams(), never on the stack. Its pages cost nothing until a
// path is written into them.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#if defined(__GNUC__)
#define PENNOCK_EXPORT __attribute__((visibility("default")))
#else
#define PENNOCK_EXPORT
#endif

namespace pennock {

inline constexpr int kMaxTitles = 99;
inline constexpr int kMaxChapters = 99;
// Every path slot holds a path of up to PATH_MAX - 1 bytes and its NUL (the
// original design had 260, the limit of the system it was written for).
inline constexpr std::size_t kPathSize = PATH_MAX;
static_assert(kPathSize == 4096);

#pragma pack(push, 1)
// The parameter block, little-endian, owned by the caller until the job ends.
// P = kPathSize; the offsets are those of the original layout with P = 260.
struct AuthorParams {
  std::uint32_t leading;                   // 0: not used
  std::uint32_t window;                    // 4: window handle for the messages
  char output_folder[kPathSize];           // 8: VIDEO_TS and AUDIO_TS go in here
  std::int16_t menu_navigation;            // 8 + P: navigation code of the menu domain
  std::int16_t language;                   // 10 + P: two ASCII letters, first in the high byte
  std::uint8_t title_count;                // 12 + P: T, titles 1..T
  std::uint8_t aspect;                     // 13 + P: 169 = 16:9, else 4:3
  std::uint8_t permitted_display;          // 14 + P: 16:9 display modes
  std::uint8_t chapter_count[100];         // 15 + P: chapters of title t at [t]
  char audio_file[100][100][kPathSize];    // 115 + P: WAV of title t, chapter c
  char picture_file[100][100][kPathSize];  // 115 + 10,001 P: BMP of title t, chapter c
  std::uint8_t filler;                     // 115 + 20,001 P
  std::int16_t post_navigation[100];       // 116 + 20,001 P: post-title code of title t
};
#pragma pack(pop)

static_assert(offsetof(AuthorParams, window) == 4);
static_assert(offsetof(AuthorParams, output_folder) == 8);
static_assert(offsetof(AuthorParams, menu_navigation) == 8 + kPathSize);
static_assert(offsetof(AuthorParams, language) == 10 + kPathSize);
static_assert(offsetof(AuthorParams, title_count) == 12 + kPathSize);
static_assert(offsetof(AuthorParams, aspect) == 13 + kPathSize);
static_assert(offsetof(AuthorParams, permitted_display) == 14 + kPathSize);
static_assert(offsetof(AuthorParams, chapter_count) == 15 + kPathSize);
static_assert(offsetof(AuthorParams, audio_file) == 115 + kPathSize);
static_assert(offsetof(AuthorParams, picture_file) == 115 + 10001 * kPathSize);
static_assert(offsetof(AuthorParams, filler) == 115 + 20001 * kPathSize);
static_assert(offsetof(AuthorParams, post_navigation) == 116 + 20001 * kPathSize);
static_assert(sizeof(AuthorParams) == 316 + 20001 * kPathSize);

// Menus with buttons, handed beside the block to fuAuthorWithMenus: the
// disc's title menu and a song menu per title, each of pages, each page a
// finished picture (labels drawn) and the buttons on it. The job outlines the
// buttons in a sub-picture and highlights them in the accent colour.
enum MenuButtonAction : std::uint8_t {
  kButtonPlayTitle = 1,    // plays `title` from its start
  kButtonSongMenu = 2,     // shows the song menu of `title`
  kButtonPlayChapter = 3,  // plays `title` from `chapter` (song menus)
  kButtonPage = 4,         // shows `page` of this menu (of the song menu of `title`)
  kButtonTitleMenu = 5,    // shows the first page of the title menu
};
inline constexpr int kMaxMenuButtons = 36;

struct MenuButton {
  std::uint16_t left, top, right, bottom;  // pixels of the page's picture, inclusive
  std::uint8_t action;                     // MenuButtonAction
  std::uint8_t title;                      // 1..99
  std::uint8_t chapter;                    // 1..99
  std::uint8_t page;                       // from 1
};

struct MenuPage {
  const char* picture;  // 24-bit BMP of 720 x 480 (NTSC discs) or 720 x 576 (PAL)
  std::uint8_t button_count;  // 1..kMaxMenuButtons
  MenuButton buttons[kMaxMenuButtons];
};

struct DiscMenus {
  std::uint32_t accent_rgb;         // highlight colour, 0xRRGGBB
  std::uint8_t start_with_menu;     // 1: the disc starts at the title menu; 0: it plays title 1
  std::uint16_t title_page_count;   // pages of the title menu, 1 and more
  const MenuPage* title_pages;
  std::uint16_t song_page_count[100];  // of the song menu of title t at [t]; 0: none
  const MenuPage* song_pages[100];
};

// Owns a block from NewAuthorParams.
struct AuthorParamsDeleter {
  void operator()(AuthorParams* params) const noexcept { std::free(params); }
};
using AuthorParamsPtr = std::unique_ptr<AuthorParams, AuthorParamsDeleter>;

// A new all-zero block, or null when there is no memory. calloc hands out
// pages that are mapped on first write, so a job of a few chapters touches a
// few hundred kilobytes of the block, and a fresh block is cheaper than
// clearing a used one.
inline AuthorParamsPtr NewAuthorParams() {
  return AuthorParamsPtr(static_cast<AuthorParams*>(std::calloc(1, sizeof(AuthorParams))));
}

// Status codes of the WM_USER+2 message (wParam) and of fuStatus. A job ends
// with kStatusSucceeded, or kStatusFailed with the job result in lParam.
enum StatusCode : std::int32_t {
  kStatusFailed = 9000,
  kStatusJobStarted = 9010,
  kStatusChapter = 9020,
  kStatusAborted = 9090,
  kStatusTitleDone = 9220,
  kStatusCopying = 9290,
  kStatusEncodingPicture = 9520,
  kStatusSucceeded = 9800,
  kStatusVmgWriteFailed = 9810,
  kStatusTempStreamMissing = 2010,
};

// Job results carried with status 9000 (besides t * 100 + c for an audio file
// that cannot be used, kResultPictureBase + t * 100 + c for a chapter picture
// that cannot be encoded, and t * 100 for an abort while title t was
// multiplexed).
inline constexpr int kResultBuffers = -1;
inline constexpr int kResultWriteFailed = -2;  // a VOB or information file could not be written
inline constexpr int kResultAbortRecording = -7;
inline constexpr int kResultBuilder = 2910;
inline constexpr int kResultPictureBase = 20000;
inline constexpr int kResultMenuPicture = -8;  // a menu page could not be coded

}  // namespace pennock

extern "C" {
// Prepares the output folders and starts the job; 0, or -1 when the folders
// cannot be prepared (or a job is still running).
PENNOCK_EXPORT int fuAuthor(pennock::AuthorParams* params);
// fuAuthor with menus: the job copies `menus` (and its pictures' names)
// before this returns. -1 also when the menus are not complete.
PENNOCK_EXPORT int fuAuthorWithMenus(pennock::AuthorParams* params, const pennock::DiscMenus* menus);
// The last status code of the worker; 0 before the first job.
PENNOCK_EXPORT int fuStatus(void);
// The overall progress, 0..100.
PENNOCK_EXPORT int fuProgress(void);
// Asks the running (or the next) job to stop.
PENNOCK_EXPORT void fuAbort(void);
}
