// verosa-cli probe / convert: the conversion library without a window.
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "commands.h"
#include "control/conversion_control.h"
#include "control/file_errors.h"
#include "core/media_info.h"
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

int UsageError(const std::string& message, const char* usage) {
  std::fprintf(stderr, "verosa-cli: %s\n\n%s", message.c_str(), usage);
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

}  // namespace

int RunProbe(const std::vector<std::string>& raw) {
  if (WantsHelp(raw)) {
    std::fputs(kProbeUsage, stdout);
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
    std::fputs(kConvertUsage, stdout);
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
    std::fprintf(stderr, "verosa-cli: cannot make the folder %s\n", folder.c_str());
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

  int converted = 0;
  {
    InterruptScope interrupt;
    converted = control.ConvertAll();
  }
  // Items after a failed one are not converted; their files never appear.
  for (int i = 0; i < control.GetItemCount(); ++i) {
    const std::string destination = control.GetItemDestination(i);
    if (fs::is_regular_file(destination, ec)) std::printf("%s\n", destination.c_str());
  }
  control.RemoveAllItems();
  return converted && all_added ? kExitOk : kExitFailure;
}

}  // namespace verosa::cli
