// verosa-cli record: the conversion library's recorder without a window.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cli_text.h"
#include "commands.h"
#include "progress_display.h"
#include "recorder/recorder.h"

namespace verosa::cli {
namespace fs = std::filesystem;

namespace {

constexpr const char* kRecordUsage =
    "Usage: verosa-cli record OUT.wav --seconds N [--device NAME]\n"
    "  Record N seconds (a decimal number) from a sound input into a 16-bit\n"
    "  PCM WAV file, in the input's own rate and channels (44100 Hz stereo\n"
    "  where the input allows it). NAME is one of the capture devices the\n"
    "  sound system names, or Default (the default). Ctrl+C stops early and\n"
    "  keeps what was recorded as a complete WAV file.\n"
    "  Exit code 0 recorded, 1 failure (the reason on stderr), 130 stopped by\n"
    "  Ctrl+C.\n";

constexpr int kExitCancelled = 130;
constexpr auto kPollPeriod = std::chrono::milliseconds(50);

std::atomic<bool> g_interrupted{false};
void OnInterrupt(int) { g_interrupted.store(true); }

int UsageError(const std::string& message) {
  std::fprintf(stderr, Tr("verosa-cli: %s\n\n%s"), Tr(message.c_str()), Tr(kRecordUsage));
  return kExitFailure;
}

std::string Clock(double seconds) {
  const int whole = static_cast<int>(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", whole / 3600, whole / 60 % 60, whole % 60);
  return text;
}

}  // namespace

int RunRecord(const std::vector<std::string>& raw) {
  if (WantsHelp(raw)) {
    std::fputs(Tr(kRecordUsage), stdout);
    return kExitOk;
  }
  const Arguments args(raw, {"--seconds", "--device"}, {});
  if (!args.Ok()) return UsageError(args.Error());
  if (args.Positionals().size() != 1) return UsageError("record needs one OUT.wav");
  const auto seconds_text = args.Value("--seconds");
  if (!seconds_text) return UsageError("record needs --seconds N");
  double seconds = 0;
  try {
    std::size_t used = 0;
    seconds = std::stod(*seconds_text, &used);
    if (used != seconds_text->size()) seconds = 0;
  } catch (const std::exception&) {
    seconds = 0;
  }
  if (!(seconds > 0) || !std::isfinite(seconds))
    return UsageError(Tr("--seconds takes a number of seconds above 0, not '%s'", {*seconds_text}));
  const std::string out = args.Positionals()[0];
  const std::string device = args.Value("--device").value_or(carrowell::Recorder::kDefaultDevice);

  carrowell::Recorder recorder;
  if (!recorder.Available()) {
    std::fprintf(stderr, Tr("verosa-cli: cannot record: the sound system did not start (%s)\n"),
                 recorder.Error().c_str());
    return kExitFailure;
  }
  const std::vector<std::string> devices = recorder.Devices();
  if (std::find(devices.begin(), devices.end(), device) == devices.end()) {
    std::string names;
    for (const std::string& name : devices) names += "\n  " + name;
    std::fprintf(stderr, Tr("verosa-cli: no capture device named '%s'; the devices are:%s\n"), device.c_str(),
                 names.c_str());
    return kExitFailure;
  }
  if (!recorder.Open(device)) {
    std::fprintf(stderr, Tr("verosa-cli: cannot open the capture device '%s': %s\n"), device.c_str(),
                 recorder.Error().c_str());
    return kExitFailure;
  }
  const carrowell::RecordFormat format = recorder.Format();
  const std::uint64_t block = static_cast<std::uint64_t>(format.BlockAlign());
  const std::uint64_t wanted =
      static_cast<std::uint64_t>(std::llround(seconds * format.sample_rate)) * block;
  if (wanted == 0) return UsageError("--seconds is shorter than one sample");
  if (wanted > carrowell::Recorder::kMaxDataBytes)
    return UsageError(Tr("--seconds is longer than a WAV file can hold (at most %s s at %s Hz)",
                         {std::to_string(carrowell::Recorder::kMaxDataBytes / format.BytesPerSecond()),
                          std::to_string(format.sample_rate)}));
  // The recording ends exactly after the wanted samples.
  recorder.SetDataLimit(wanted);
  if (!recorder.Start(out)) {
    std::fprintf(stderr, Tr("verosa-cli: cannot write %s\n"), out.c_str());
    return kExitFailure;
  }

  g_interrupted.store(false);
  const auto old_handler = std::signal(SIGINT, OnInterrupt);
  struct RestoreSignal {
    void (*handler)(int);
    ~RestoreSignal() { std::signal(SIGINT, handler == SIG_ERR ? SIG_DFL : handler); }
  } restore{old_handler};

  ProgressDisplay progress;
  const std::string total = Clock(seconds);
  std::string failure;
  bool cancelled = false;
  for (bool done = false; !done;) {
    std::this_thread::sleep_for(kPollPeriod);
    const std::uint64_t taken = recorder.CapturedBytes();
    progress.SetStatus("Recording " + out + "  " + Clock(static_cast<double>(taken) / format.BytesPerSecond()) +
                       " / " + total);
    progress.SetPercent(static_cast<int>(taken * 100 / wanted));
    switch (recorder.Poll()) {
      case carrowell::Recorder::Event::LimitReached: done = true; break;
      case carrowell::Recorder::Event::DeviceLost:
        failure = "the capture device '" + device + "' was removed";
        done = true;
        break;
      case carrowell::Recorder::Event::WriteFailed:
        failure = "cannot write " + out + " fast enough";
        done = true;
        break;
      default: break;
    }
    if (g_interrupted.load()) {
      cancelled = true;
      done = true;
    }
  }
  const bool written = recorder.Stop();
  progress.End();
  if (!written) {
    std::fprintf(stderr, Tr("verosa-cli: cannot write %s\n"), out.c_str());
    return kExitFailure;
  }
  const double kept = static_cast<double>(recorder.CapturedBytes()) / format.BytesPerSecond();
  if (!failure.empty()) {
    std::fprintf(stderr, Tr("verosa-cli: recording stopped: %s; %s holds the first %.2f s\n"), failure.c_str(),
                 out.c_str(), kept);
    return kExitFailure;
  }
  if (cancelled) {
    std::fprintf(stderr, Tr("verosa-cli: stopped; %s holds the first %.2f s\n"), out.c_str(), kept);
    return kExitCancelled;
  }
  return kExitOk;
}

}  // namespace verosa::cli
