#include "job/author_job.h"

#include <sys/stat.h>

#include <cstdio>
#include <future>
#include <new>
#include <string>
#include <vector>

#include "encoder/still_encoder.h"
#include "ifo/vmg_writer.h"
#include "ifo/vts_writer.h"
#include "job/navigation_code.h"
#include "mux/title_mux.h"

namespace pennock {
namespace fs = std::filesystem;

namespace {

std::string FixedString(const char* text, std::size_t size) {
  std::size_t n = 0;
  while (n < size && text[n] != '\0') ++n;
  return std::string(text, n);
}

// Deletes `path` when present; false when it stays (including a file that
// has no write permission at all, which the user has protected).
bool DeleteIfPresent(const fs::path& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return true;
  if ((st.st_mode & 0222) == 0) return false;
  std::error_code ec;
  return fs::remove(path, ec) && !ec;
}

}  // namespace

bool DeleteDiscFiles(const fs::path& video_ts) {
  for (const char* name : {"VIDEO_TS.IFO", "VIDEO_TS.VOB", "VIDEO_TS.BUP"})
    if (!DeleteIfPresent(video_ts / name)) return false;
  for (int n = 1; n <= 99; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "VTS_%02d_0.IFO", n);
    if (!DeleteIfPresent(video_ts / name)) return false;
    for (int part = 0; part <= 9; ++part) {
      std::snprintf(name, sizeof name, "VTS_%02d_%d.VOB", n, part);
      if (!DeleteIfPresent(video_ts / name)) return false;
    }
    std::snprintf(name, sizeof name, "VTS_%02d_0.BUP", n);
    if (!DeleteIfPresent(video_ts / name)) return false;
  }
  return true;
}

int PrepareOutputFolders(const fs::path& out) {
  std::error_code ec;
  const fs::path video_ts = out / "VIDEO_TS";
  const fs::path audio_ts = out / "AUDIO_TS";
  if (!fs::exists(video_ts, ec)) {
    if (!fs::create_directories(video_ts, ec)) return -1;
  } else if (!fs::is_directory(video_ts, ec) || !DeleteDiscFiles(video_ts)) {
    return -1;
  }
  if (!fs::exists(audio_ts, ec) && !fs::create_directories(audio_ts, ec)) return -1;
  return fs::is_directory(audio_ts, ec) ? 0 : -1;
}

int RunAuthorJob(const AuthorParams& params, const JobSignals& signals,
                 std::atomic<std::int32_t>& progress, const MenuSet* menus) {
  signals.SendStatus(kStatusJobStarted);
  const fs::path out = FixedString(params.output_folder, kPathSize);
  const fs::path video_ts = out / "VIDEO_TS";
  const int titles = params.title_count;

  // Audio scan: every chapter's format, and the audio size for the progress.
  std::vector<std::vector<ChapterSource>> sources(static_cast<std::size_t>(titles));
  std::uint64_t total_sectors = 0;
  try {
    for (int t = 1; t <= titles; ++t)
      for (int c = 1; c <= params.chapter_count[t]; ++c) {
        ChapterSource source;
        source.audio = FixedString(params.audio_file[t][c], kPathSize);
        source.picture = FixedString(params.picture_file[t][c], kPathSize);
        const auto format = ReadWavFormat(source.audio);
        if (!format) return t * 100 + c;
        source.format = *format;
        std::error_code ec;
        source.audio_sectors = fs::file_size(source.audio, ec) / kSectorSize;
        total_sectors += source.audio_sectors;
        sources[static_cast<std::size_t>(t - 1)].push_back(std::move(source));
      }
  } catch (const std::bad_alloc&) {
    return kResultBuffers;
  }

  // After every VOBU; a window hears of a position only when it changes
  // (each message waits for the window's thread).
  int shown_chapter = -1, shown_overall = -1;
  auto report = [&](std::uint64_t done, int chapter_percent) {
    const int overall = total_sectors ? static_cast<int>(std::min<std::uint64_t>(done * 100 / total_sectors, 100)) : 100;
    progress.store(overall, std::memory_order_relaxed);
    if (chapter_percent != shown_chapter) signals.Send(kMsgProgress, 0, chapter_percent);
    if (overall / 2 != shown_overall) signals.Send(kMsgOverall, 0, overall / 2);
    shown_chapter = chapter_percent;
    shown_overall = overall / 2;
  };
  // The menu pages are coded on a worker while the titles are written.
  std::future<CodedMenuPictures> coded_menus;
  if (menus) {
    const JobSignals quiet{platform::kNoWindow, nullptr, signals.abort};
    coded_menus = std::async(std::launch::async, [menus, quiet] { return CodeMenuPictures(*menus, quiet); });
  }
  TitleSetMuxer muxer({out, video_ts, params.aspect == kAspect169 ? kAspect169 : kAspect43}, signals, report);
  std::vector<NavigationCommand> post_commands(static_cast<std::size_t>(titles));
  StreamAttributes streams;
  for (int t = 1; t <= titles; ++t) {
    const MuxResult result = muxer.MuxTitle(t, sources[static_cast<std::size_t>(t - 1)]);
    switch (result.outcome) {
      case MuxOutcome::Done: break;
      case MuxOutcome::Aborted: return t * 100;
      case MuxOutcome::AudioUnreadable: return t * 100 + result.failed_chapter;
      case MuxOutcome::PictureFailed: return kResultPictureBase + t * 100 + result.failed_chapter;
      case MuxOutcome::WriteFailed: return kResultWriteFailed;
    }
    signals.SendStatus(kStatusTitleDone);
    if (t == 1) streams = DetectStreamAttributes(video_ts / "VTS_01_1.VOB");
    for (int c = 1; c <= params.chapter_count[t]; ++c)
      if (signals.Aborted()) {
        signals.SendStatus(kStatusAborted);
        return kResultAbortRecording;
      }
    EncodeNavigationCode(static_cast<std::uint16_t>(params.post_navigation[t]),
                         post_commands[static_cast<std::size_t>(t - 1)]);
  }
  // With menus the disc comes back to the title menu after the last title.
  if (menus && post_commands.back() == NavigationCommand{}) post_commands.back() = command::CallTitleMenu(1);
  MenuSet menus_with_pictures;
  if (menus) {
    menus_with_pictures = *menus;
    menus_with_pictures.coded = coded_menus.get();
    menus = &menus_with_pictures;
  }

  TitleSetInfo info = DescribeTitleSet(muxer, post_commands);
  info.streams = streams;
  VtsParameters vts;
  vts.video_ts = video_ts;
  vts.permitted_display = params.permitted_display;
  vts.language = static_cast<std::uint16_t>(params.language);
  std::optional<TitleSetMenus> song_menus;
  if (menus) {
    int failed = 0;
    song_menus = BuildSongMenus(*menus, video_ts, TvSystemForFrameRate(streams.frame_rate_code), titles, signals, failed);
    if (failed != 0 && signals.Aborted()) {
      signals.SendStatus(kStatusAborted);
      return kResultAbortRecording;
    }
    if (failed != 0) return failed;
  }
  if (!WriteVtsInformation(info, vts, song_menus ? &song_menus->attributes : nullptr,
                           song_menus ? &song_menus->tables : nullptr))
    return kResultWriteFailed;

  DiscMenuRequest menu;
  menu.window = signals.window;
  menu.output_folder = out;
  menu.navigation_code = static_cast<std::uint16_t>(params.menu_navigation);
  menu.menus = menus;
  return BuildVideoManager(menu, signals);
}

}  // namespace pennock
