// Tessaly: the authoring control the program loads by name ("Tessaly") at
// start-up. The output job fills one AuthoringRequest (titles of chapters,
// each a still picture and a WAV file, in compact title numbers), hands it to
// SetJob and calls Start; the control authors the DVD folder in the
// background and reports to the window named in the request with
// WM_USER+1 / WM_USER+6 (progress in lParam) and WM_USER+2 (status code in
// wParam). A job is complete at the status code CompletionCode() selects.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pennock/pennock.h"

#define TESSALY_API __attribute__((visibility("default")))

namespace tessaly {

inline constexpr int kMaxTitles = 99;
inline constexpr int kMaxChapters = 100;  // entries of a title record, incl. the closing one

inline constexpr std::uint8_t kAspect169 = 169;
inline constexpr std::uint8_t kAspect43 = 43;
inline constexpr std::uint8_t kDisplayLetterbox = 2;
inline constexpr std::uint8_t kDisplayPanScan = 1;

// Status codes the completion query selects between.
inline constexpr std::int32_t kStatusComplete = 9800;
inline constexpr std::int32_t kStatusCompleteOther = 3900;
// A job ends with 9000 and the job result in lParam: 0 < result for an audio
// file that cannot be used (title * 100 + chapter, both from 1), other
// values for write or resource failures, kResultNotStarted when the output
// folder could not be prepared.
inline constexpr std::int32_t kStatusFailed = 9000;
inline constexpr std::intptr_t kResultNotStarted = -100;

// One chapter; the entry after a title's last chapter carries only `seconds`
// (the length of the title's WAV file, minus one).
struct ChapterEntry {
  std::int32_t seconds;      // play time of the chapter
  std::int32_t reserved;     // never written
  const char* picture_path;  // 24-bit BMP still
  const char* audio_path;    // PCM WAV
};

struct TitleRecord {
  std::uint8_t chapter_count;
  std::uint8_t reserved[19];
  ChapterEntry chapters[kMaxChapters];
  const char* title_wav_path;
};

// The parameter block. Only the named fields are written by the caller. It
// is large (over 160 KB), so the caller builds it on the heap, as the output
// job does; SetJob copies what the job needs and does not keep it.
struct AuthoringRequest {
  std::uint32_t window;            // receives the progress and status messages
  const char* output_folder;       // the DVD folder (VIDEO_TS goes inside)
  const char* temp_folder;
  std::uint8_t title_count;
  std::uint8_t one;                // always 1
  std::uint8_t aspect;             // 169 or 43
  std::uint8_t menu_aspect;        // same as `aspect`
  std::uint8_t video_display;      // 2 letter box, 1 pan and scan
  std::uint8_t menu_display;
  std::uint8_t reserved[1626];
  TitleRecord titles[kMaxTitles];
  const char* menu_picture_path;
};

// Field order and counts hold on every build; the byte offsets are those of
// a 32-bit build, where pointers are four bytes wide.
static_assert(offsetof(TitleRecord, chapters) < offsetof(TitleRecord, title_wav_path));
static_assert(sizeof(TitleRecord::chapters) / sizeof(ChapterEntry) == 100);
static_assert(sizeof(AuthoringRequest::titles) / sizeof(TitleRecord) == 99);
static_assert(offsetof(AuthoringRequest, output_folder) < offsetof(AuthoringRequest, temp_folder));
static_assert(offsetof(AuthoringRequest, temp_folder) < offsetof(AuthoringRequest, title_count));
static_assert(offsetof(AuthoringRequest, menu_display) < offsetof(AuthoringRequest, titles));
static_assert(offsetof(AuthoringRequest, titles) < offsetof(AuthoringRequest, menu_picture_path));
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(ChapterEntry) == 16);
static_assert(offsetof(ChapterEntry, picture_path) == 8);
static_assert(offsetof(ChapterEntry, audio_path) == 12);
static_assert(offsetof(TitleRecord, chapters) == 20);
static_assert(offsetof(TitleRecord, title_wav_path) == 1620);
static_assert(sizeof(TitleRecord) == 1624);
static_assert(offsetof(AuthoringRequest, output_folder) == 4);
static_assert(offsetof(AuthoringRequest, temp_folder) == 8);
static_assert(offsetof(AuthoringRequest, title_count) == 12);
static_assert(offsetof(AuthoringRequest, menu_display) == 17);
static_assert(offsetof(AuthoringRequest, titles) == 1644);
static_assert(offsetof(AuthoringRequest, menu_picture_path) == 162420);
static_assert(sizeof(AuthoringRequest) == 162424);
#endif

// The control. Operations keep their order (SetMenus came last); the two
// between Abort and Release are not used by the program.
class TessalyCtrl {
 public:
  // Begins the job set before; returns at once.
  virtual void Start() = 0;
  // Non-zero when the request was accepted.
  virtual int SetJob(const AuthoringRequest* request) = 0;
  // Stops a running job and waits for it; called first at unload.
  virtual void ShutDown() = 0;
  // Text for the status line; owned by the control.
  virtual const char* StatusText(std::int32_t code) = 0;
  virtual void Abort() = 0;
  // The last status code the job reported (0 before the first job).
  virtual std::int32_t LastStatus() = 0;
  // The overall progress of the running job, 0..100.
  virtual std::int32_t Progress() = 0;
  // Called second at unload; the object is not used afterwards.
  virtual void Release() = 0;
  // Non-zero: a job is complete at status 9800; zero: at 3900.
  virtual int CompletionQuery() = 0;
  // Menus with buttons for the next Start (null: the generated menu). The
  // caller keeps them until Start has returned, which copies them.
  virtual void SetMenus(const pennock::DiscMenus* menus) = 0;

 protected:
  virtual ~TessalyCtrl() = default;
};

}  // namespace tessaly

extern "C" {
// A new control, or null.
TESSALY_API tessaly::TessalyCtrl* CreateTessalyCtrl();
}
