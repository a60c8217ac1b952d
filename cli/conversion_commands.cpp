// verosa-cli probe / convert / cd: the conversion library without a window.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli_text.h"
#include "commands.h"
#include "control/conversion_control.h"
#include "control/file_errors.h"
#include "core/media_info.h"
#include "engine/cdrip_library.h"
#include "engine/mp3_target_format.h"
#include "engine/source_descriptors.h"
#include "json_writer.h"
#include "ui/console_ui.h"
#include "ui/mp3_settings.h"

namespace verosa::cli {
namespace fs = std::filesystem;

namespace {

constexpr const char* kProbeUsage =
    "Usage: verosa-cli probe FILE [--json]\n"
    "  Show whether a media file has audio, its duration and the PCM wave\n"
    "  format it decodes to. Exit code 1 when it has no usable audio.\n";

constexpr const char* kConvertUsage =
    "Usage: verosa-cli convert FILE... --out DIR [--rate 48000|96000]\n"
    "                          [--mp3 [--bitrate KBPS]]\n"
    "  Convert media files into 16-bit PCM WAV files at the given sample rate\n"
    "  (48000 by default), or into MP3 files with --mp3 (KBPS one of 32 40 48\n"
    "  56 64 80 96 112 128 160 192 224 256 320; 128 by default).\n"
    "  DIR is used as the work folder: the files are written under unique\n"
    "  names into DIR/temp (made when missing) and their paths printed, one\n"
    "  per line, in the order of the arguments. Ctrl+C asks to abort.\n"
    "  Exit code 0 only when every file was converted.\n";

constexpr const char* kCdUsage =
    "Usage: verosa-cli cd tracks [DRIVE|IMAGE]\n"
    "       verosa-cli cd rip [DRIVE|IMAGE] --tracks LIST --out DIR\n"
    "                         [--rate 44100|48000|96000]\n"
    "  tracks: list the CD drives, then the tracks of the disc in DRIVE (the\n"
    "  first drive by default): number, kind, first sector and length.\n"
    "  rip: read the audio tracks in LIST (\"1,3-5\"; \"all\" for every audio\n"
    "  track) into 16-bit PCM WAV files \"Track NN.WAV\" in DIR, at the CD's\n"
    "  own 44100 Hz unless --rate says otherwise; their paths are printed.\n"
    "  DRIVE is a device (/dev/sr0) or part of a drive's name; IMAGE is a\n"
    "  CUE/BIN, TOC or NRG disc image. Ctrl+C asks to abort.\n";

int UsageError(const std::string& message, const char* usage) {
  std::fprintf(stderr, Tr("verosa-cli: %s\n\n%s"), Tr(message.c_str()), Tr(usage));
  return kExitFailure;
}

void OnInterrupt(int) { carrowell::InterruptConsoleConversion(); }

// Ctrl+C asks the running batch to abort (cleaning up its files) instead of
// killing the process; a second Ctrl+C after the batch ends kills as usual.
class InterruptScope {
 public:
  InterruptScope() { previous_ = std::signal(SIGINT, OnInterrupt); }
  ~InterruptScope() { std::signal(SIGINT, previous_ == SIG_ERR ? SIG_DFL : previous_); }

 private:
  void (*previous_)(int) = SIG_DFL;
};

// Converts every item (Ctrl+C asks to abort), prints the files written, one
// a line, and empties the list; whether all were converted.
bool ConvertAndList(carrowell::ConversionControl& control) {
  int converted = 0;
  {
    InterruptScope interrupt;
    converted = control.ConvertAll();
  }
  // Items after a failed one are not converted; their files never appear.
  std::error_code ec;
  for (int i = 0; i < control.GetItemCount(); ++i) {
    const std::string destination = control.GetItemDestination(i);
    if (fs::is_regular_file(destination, ec)) std::printf("%s\n", destination.c_str());
  }
  control.RemoveAllItems();
  return converted != 0;
}

}  // namespace

int RunProbe(const std::vector<std::string>& raw) {
  if (WantsHelp(raw)) {
    std::fputs(Tr(kProbeUsage), stdout);
    return kExitOk;
  }
  const Arguments args(raw, {}, {"--json"});
  if (!args.Ok()) return UsageError(args.Error(), kProbeUsage);
  if (args.Positionals().size() != 1) return UsageError("probe needs one FILE", kProbeUsage);
  const std::string path = args.Positionals()[0];

  WaveFormat format{};
  const bool has_audio = HasAudioStream(path);
  const bool has_format = has_audio && GetPcmWaveFormat(format, path);
  if (!has_audio || !has_format) {
    carrowell::ReportFileError(carrowell::FileErrorCause::InvalidFile, path);
    if (args.Has("--json"))
      std::printf("%s\n", JsonWriter().BeginObject().Field("file", path).Field("has_audio", false)
                              .EndObject().Text().c_str());
    return kExitFailure;
  }
  // The item's duration text, as the conversion list shows it.
  carrowell::MediaFileSource source;
  source.SetString(carrowell::MediaFileSource::kPath, path);
  const std::string item_duration = source.String(carrowell::kDurationString);
  const int seconds = GetMediaDurationSeconds(path);
  const std::string duration_text = FormatMediaDuration(path);

  if (args.Has("--json")) {
    JsonWriter json;
    json.BeginObject()
        .Field("file", path)
        .Field("has_audio", true)
        .Field("duration_seconds", seconds)
        .Field("duration_text", duration_text)
        .Field("item_duration", item_duration)
        .BeginObject("wave_format")
        .Field("wFormatTag", int{format.format_tag})
        .Field("nChannels", int{format.channels})
        .Field("nSamplesPerSec", format.samples_per_sec)
        .Field("nAvgBytesPerSec", format.avg_bytes_per_sec)
        .Field("nBlockAlign", int{format.block_align})
        .Field("wBitsPerSample", int{format.bits_per_sample})
        .Field("cbSize", int{format.extra_size})
        .EndObject()
        .EndObject();
    std::printf("%s\n", json.Text().c_str());
  } else {
    std::printf("File:          %s\n", path.c_str());
    std::printf("Audio:         yes\n");
    std::printf("Duration:      %s (%d s)\n", duration_text.c_str(), seconds);
    std::printf("Item duration: %s\n", item_duration.c_str());
    std::printf("Wave format:   PCM, %u Hz, %u channels, %u bits (%u bytes/s, block %u)\n",
                format.samples_per_sec, format.channels, format.bits_per_sample,
                format.avg_bytes_per_sec, format.block_align);
  }
  return kExitOk;
}

int RunConvert(const std::vector<std::string>& raw) {
  if (WantsHelp(raw)) {
    std::fputs(Tr(kConvertUsage), stdout);
    return kExitOk;
  }
  const Arguments args(raw, {"--out", "--rate", "--bitrate"}, {"--mp3"});
  if (!args.Ok()) return UsageError(args.Error(), kConvertUsage);
  if (args.Positionals().empty()) return UsageError("convert needs at least one FILE", kConvertUsage);
  const auto out = args.Value("--out");
  if (!out || out->empty()) return UsageError("convert needs --out DIR", kConvertUsage);

  double rate = 48000;
  if (auto value = args.Value("--rate")) {
    if (*value != "48000" && *value != "96000")
      return UsageError("--rate takes 48000 or 96000", kConvertUsage);
    rate = std::stod(*value);
  }
  const bool mp3 = args.Has("--mp3");
  int bitrate = 128;
  if (auto value = args.Value("--bitrate")) {
    if (!mp3) return UsageError("--bitrate needs --mp3", kConvertUsage);
    const bool digits = !value->empty() && value->size() <= 3 &&
                        value->find_first_not_of("0123456789") == std::string::npos;
    bitrate = digits ? std::stoi(*value) : 0;
    if (!digits || carrowell::kMp3BitrateTable[static_cast<std::size_t>(
                       carrowell::BitratePosition(bitrate))] != bitrate)
      return UsageError("--bitrate takes one of 32 40 48 56 64 80 96 112 128 160 192 224 256 320",
                        kConvertUsage);
  }

  std::error_code ec;
  const fs::path work = fs::absolute(*out, ec);
  const fs::path folder = work / carrowell::OriginSubFolder(carrowell::ItemOrigin::AddedFile);
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) {
    std::fprintf(stderr, Tr("verosa-cli: cannot make the folder %s\n"), folder.c_str());
    return kExitFailure;
  }

  carrowell::ConversionControl control;
  control.SetOutputFolder(work.c_str());
  control.SetSampleRate(rate);
  if (mp3) control.SetNewItemTargetKind(carrowell::kTargetMp3);

  bool all_added = true;
  for (const std::string& file : args.Positionals()) {
    const std::string path = fs::absolute(file, ec).string();
    if (!control.AddFile(path.c_str(), -1)) {
      all_added = false;
      continue;
    }
    if (mp3)
      control.Item(control.GetItemCount() - 1)->Target().SetInt(
          carrowell::Mp3TargetFormat::kBitrate, bitrate);
  }

  return ConvertAndList(control) && all_added ? kExitOk : kExitFailure;
}

namespace {

// The CD component with the drive a command names; an error text otherwise.
struct CdSource {
  carrowell::CdRipLibrary library;
  int drive = -1;
  std::string name;
  std::string error;
};

void OpenCdSource(CdSource& source, const std::optional<std::string>& wanted) {
  std::error_code ec;
  // A disc image is one more drive of the component.
  if (wanted && fs::is_regular_file(*wanted, ec)) {
    const std::string image = fs::absolute(*wanted, ec).string();
    const char* images = std::getenv("VEROSA_CD_IMAGES");
    const std::string list = images && *images ? image + ":" + images : image;
    ::setenv("VEROSA_CD_IMAGES", list.c_str(), 1);
  }
  if (!source.library.Load()) {
    source.error = source.library.Error();
    return;
  }
  const std::vector<std::string> drives = source.library.Drives();
  if (drives.empty()) {
    source.error = Tr("there are no CD drives that can read audio CDs");
    return;
  }
  if (!wanted) {
    source.drive = 0;
  } else {
    const std::string image = fs::is_regular_file(*wanted, ec) ? fs::absolute(*wanted, ec).string() : "";
    for (std::size_t i = 0; i < drives.size() && source.drive < 0; ++i)
      if (drives[i] == *wanted || drives[i] == image || drives[i].find(*wanted) != std::string::npos)
        source.drive = static_cast<int>(i);
    if (source.drive < 0) {
      source.error = Tr("no CD drive is named %s", {*wanted});
      return;
    }
  }
  source.name = drives[static_cast<std::size_t>(source.drive)];
  source.library.SetDrive(source.drive);
}

// "1,3-5" or "all" against the disc's audio tracks; empty when LIST names a
// track the disc does not have as audio.
std::optional<std::vector<carrowell::CdTrack>> ChooseTracks(const std::string& list,
                                                            const std::vector<carrowell::CdTrack>& tracks,
                                                            std::string& error) {
  std::vector<carrowell::CdTrack> chosen;
  auto find = [&](int number) -> const carrowell::CdTrack* {
    for (const carrowell::CdTrack& track : tracks)
      if (track.number == number) return &track;
    return nullptr;
  };
  if (list == "all") {
    for (const carrowell::CdTrack& track : tracks)
      if (track.audio) chosen.push_back(track);
    return chosen;
  }
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t end = std::min(list.find(',', start), list.size());
    const std::string part = list.substr(start, end - start);
    const std::size_t dash = part.find('-');
    const std::string low = part.substr(0, dash);
    const std::string high = dash == std::string::npos ? low : part.substr(dash + 1);
    auto number = [](const std::string& text) {
      return !text.empty() && text.size() <= 2 && text.find_first_not_of("0123456789") == std::string::npos
                 ? std::stoi(text)
                 : -1;
    };
    const int first = number(low), last = number(high);
    if (first < 1 || last < first) {
      error = Tr("--tracks takes track numbers such as 1,3-5 (\"%s\" is not one)", {part});
      return std::nullopt;
    }
    for (int n = first; n <= last; ++n) {
      const carrowell::CdTrack* track = find(n);
      if (!track || !track->audio) {
        error = Tr("the disc has no audio track %s", {std::to_string(n)});
        return std::nullopt;
      }
      chosen.push_back(*track);
    }
    start = end + 1;
  }
  return chosen;
}

int RunCdTracks(const Arguments& args) {
  if (args.Positionals().size() > 2) return UsageError("cd tracks takes one DRIVE or IMAGE", kCdUsage);
  CdSource source;
  OpenCdSource(source, args.Positionals().size() == 2 ? std::optional(args.Positionals()[1]) : std::nullopt);
  if (!source.error.empty()) {
    std::fprintf(stderr, Tr("verosa-cli: %s\n"), source.error.c_str());
    return kExitFailure;
  }
  const std::vector<std::string> drives = source.library.Drives();
  for (std::size_t i = 0; i < drives.size(); ++i)
    std::printf("%s %s\n", static_cast<int>(i) == source.drive ? "*" : " ", drives[i].c_str());
  const std::vector<carrowell::CdTrack> tracks = source.library.ReadTracks();
  if (tracks.empty()) {
    std::fprintf(stderr, Tr("verosa-cli: no disc can be read in %s\n"), source.name.c_str());
    return kExitFailure;
  }
  std::printf("\nTrack  Kind   First sector  Length\n");
  int audio = 0;
  for (const carrowell::CdTrack& track : tracks) {
    audio += track.audio;
    std::printf("%02d     %-5s  %12d  %s\n", track.number, track.audio ? "audio" : "data",
                static_cast<int>(track.first), carrowell::FormatSectorsText(track.Sectors()).c_str());
  }
  std::printf("Audio track count: %d\n", audio);
  return kExitOk;
}

int RunCdRip(const Arguments& args) {
  if (args.Positionals().size() > 2) return UsageError("cd rip takes one DRIVE or IMAGE", kCdUsage);
  const auto list = args.Value("--tracks");
  if (!list || list->empty()) return UsageError("cd rip needs --tracks LIST", kCdUsage);
  const auto out = args.Value("--out");
  if (!out || out->empty()) return UsageError("cd rip needs --out DIR", kCdUsage);
  double rate = 44100;
  if (auto value = args.Value("--rate")) {
    if (*value != "44100" && *value != "48000" && *value != "96000")
      return UsageError("--rate takes 44100, 48000 or 96000", kCdUsage);
    rate = std::stod(*value);
  }
  std::error_code ec;
  const fs::path folder = fs::absolute(*out, ec);
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) {
    std::fprintf(stderr, Tr("verosa-cli: cannot make the folder %s\n"), folder.c_str());
    return kExitFailure;
  }

  carrowell::CdImport import{folder.string(), {}};
  {
    CdSource source;
    OpenCdSource(source, args.Positionals().size() == 2 ? std::optional(args.Positionals()[1]) : std::nullopt);
    if (!source.error.empty()) {
      std::fprintf(stderr, Tr("verosa-cli: %s\n"), source.error.c_str());
      return kExitFailure;
    }
    const std::vector<carrowell::CdTrack> tracks = source.library.ReadTracks();
    if (tracks.empty()) {
      std::fprintf(stderr, Tr("verosa-cli: no disc can be read in %s\n"), source.name.c_str());
      return kExitFailure;
    }
    std::string error;
    const auto chosen = ChooseTracks(*list, tracks, error);
    if (!chosen) {
      std::fprintf(stderr, Tr("verosa-cli: %s\n"), error.c_str());
      return kExitFailure;
    }
    if (chosen->empty()) {
      std::fprintf(stderr, Tr("verosa-cli: the disc has no audio tracks\n"));
      return kExitFailure;
    }
    for (const carrowell::CdTrack& track : *chosen) {
      char name[32];
      std::snprintf(name, sizeof name, "Track %02d", track.number);
      import.tracks.push_back({source.drive, track, name});
    }
  }

  carrowell::ConversionControl control;
  control.SetOutputFolder(folder.c_str());
  control.SetSampleRate(rate);
  if (control.AddCdTracks(import) != static_cast<int>(import.tracks.size())) return kExitFailure;
  return ConvertAndList(control) ? kExitOk : kExitFailure;
}

}  // namespace

int RunCd(const std::vector<std::string>& raw) {
  if (WantsHelp(raw)) {
    std::fputs(Tr(kCdUsage), stdout);
    return kExitOk;
  }
  const Arguments args(raw, {"--tracks", "--out", "--rate"}, {});
  if (!args.Ok()) return UsageError(args.Error(), kCdUsage);
  const std::string what = args.Positionals().empty() ? "" : args.Positionals()[0];
  if (what == "tracks") {
    if (args.Value("--tracks") || args.Value("--out") || args.Value("--rate"))
      return UsageError("cd tracks takes no options", kCdUsage);
    return RunCdTracks(args);
  }
  if (what == "rip") return RunCdRip(args);
  return UsageError("cd needs \"tracks\" or \"rip\"", kCdUsage);
}

}  // namespace verosa::cli
