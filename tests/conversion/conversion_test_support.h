// Shared pieces of the conversion tests: a scripted user interface that
// stands in for the windows, a recording progress display, and helpers that
// make and read audio files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "control/conversion_control.h"
#include "engine/wav_file.h"
#include "support/test_support.h"
#include "ui/conversion_ui.h"
#include "ui/mp3_settings.h"

namespace conversion_testing {

namespace fs = std::filesystem;

// Records what the progress window was told; `on_events` runs whenever the
// conversion pumps events, so a test can press Abort at a chosen moment.
class RecordingDisplay : public carrowell::ProgressDisplay {
 public:
  struct Log {
    std::vector<std::string> file_texts;
    std::vector<int> file_progress;
    std::vector<int> total_progress;
    int total_range = -1;
    std::string estimated;
    std::string percentage;
    bool abort_enabled = true;
    int closed = 0;
    int events = 0;
  };

  RecordingDisplay(Log& log, std::function<void(RecordingDisplay&)> on_events)
      : log_(log), on_events_(std::move(on_events)) {}

  bool PressAbort() { return AskToAbort(); }
  const Log& Seen() const { return log_; }

  void ShowFileText(const std::string& text) override { log_.file_texts.push_back(text); }
  void SetFileProgress(int value) override { log_.file_progress.push_back(value); }
  void SetTotalRange(int upper) override { log_.total_range = upper; }
  void SetTotalProgress(int value) override { log_.total_progress.push_back(value); }
  void ShowEstimatedTime(const std::string& text) override { log_.estimated = text; }
  void ShowPercentage(const std::string& text) override { log_.percentage = text; }
  void SetAbortEnabled(bool enabled) override { log_.abort_enabled = enabled; }
  void ProcessEvents() override {
    ++log_.events;
    if (on_events_) on_events_(*this);
  }
  void Close() override { ++log_.closed; }

 private:
  Log& log_;
  std::function<void(RecordingDisplay&)> on_events_;
};

// The windows of the conversion library, answered by the test.
class ScriptedUi : public carrowell::ConversionUi {
 public:
  ScriptedUi() { previous_ = carrowell::SetConversionUi(this); }
  ~ScriptedUi() override { carrowell::SetConversionUi(previous_); }

  std::unique_ptr<carrowell::ProgressDisplay> CreateProgressDisplay() override {
    ++displays_created;
    display_log = {};
    return std::make_unique<RecordingDisplay>(display_log, on_events);
  }
  std::optional<carrowell::FileSelection> BrowseForFiles(
      const carrowell::FileBrowseRequest& request) override {
    browse_requests.push_back(request);
    return selection;
  }
  std::optional<carrowell::CdImport> ChooseCdTracks(carrowell::CdRipLibrary* library,
                                                    const std::string& directory) override {
    cd_requests.emplace_back(library != nullptr, directory);
    return cd_answer;
  }
  bool RunRecorder(const std::string& recording_path) override {
    recorder_paths.push_back(recording_path);
    return record ? record(recording_path) : false;
  }
  std::optional<std::string> ChangeOutputFile(const std::string& destination) override {
    change_requests.push_back(destination);
    return new_destination;
  }
  int EditMp3Settings(carrowell::Mp3Settings& settings) override {
    ++mp3_dialogs;
    if (!edit_mp3) return carrowell::kDialogCancel;
    edit_mp3(settings);
    return carrowell::kDialogOk;
  }
  void OpenFolder(const std::string& folder) override { opened_folders.push_back(folder); }
  void Beep(carrowell::BeepKind kind) override { beeps.push_back(kind); }
  void SetBusyCursor(bool busy) override { busy_depth += busy ? 1 : -1; }

  // Answers.
  std::function<void(RecordingDisplay&)> on_events;
  std::optional<carrowell::FileSelection> selection;
  std::vector<std::pair<bool, std::string>> cd_requests;  // library available, folder
  std::optional<carrowell::CdImport> cd_answer;
  std::optional<std::string> new_destination;
  std::function<bool(const std::string&)> record;  // writes the recording, says whether saved
  std::function<void(carrowell::Mp3Settings&)> edit_mp3;
  // Seen.
  int displays_created = 0;
  RecordingDisplay::Log display_log;
  std::vector<carrowell::FileBrowseRequest> browse_requests;
  std::vector<std::string> change_requests;
  std::vector<std::string> recorder_paths;
  int mp3_dialogs = 0;
  std::vector<std::string> opened_folders;
  std::vector<carrowell::BeepKind> beeps;
  int busy_depth = 0;

 private:
  carrowell::ConversionUi* previous_ = nullptr;
};

// A private user (settings, temporary folder, documents) with a work folder
// that holds the "temp" sub-folder, message boxes recorded, windows scripted.
class ConversionTest : public ::testing::Test {
 protected:
  ConversionTest() : boxes_(platform::kIdYes) {
    work_ = user_.Root() / "work";
    fs::create_directories(work_ / "temp");
    media_ = user_.Root() / "media";
    fs::create_directories(media_);
  }

  const fs::path& Work() const { return work_; }
  fs::path Media(const std::string& name) const { return media_ / name; }
  const fs::path& MediaFolder() const { return media_; }
  // The intermediate files this process still has.
  std::vector<fs::path> IntermediatesLeft() const {
    std::vector<fs::path> left;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(carrowell::IntermediateFolder(), ec))
      left.push_back(entry.path());
    return left;
  }

  testing_support::IsolatedUser user_;
  testing_support::MessageBoxRecorder boxes_;
  ScriptedUi ui_;

 private:
  fs::path work_;
  fs::path media_;
};

// Runs a command quietly; true on exit code 0.
inline bool Run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

inline std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

// ffmpeg with the given inputs/options writing `out`.
inline bool Ffmpeg(const std::string& arguments, const fs::path& out) {
  return Run("ffmpeg -nostdin -y -loglevel error " + arguments + " " + Quote(out)) &&
         fs::exists(out);
}

// A 440 Hz tone of `seconds` at `rate`, encoded by `options` (codec, channels).
inline bool MakeTone(const fs::path& out, double seconds, int rate, const std::string& options) {
  std::ostringstream args;
  args << "-f lavfi -i 'sine=frequency=440:sample_rate=" << rate << ":duration=" << seconds
       << "' " << options;
  return Ffmpeg(args.str(), out);
}

// Writes a 16-bit PCM WAV of a low tone (no ffmpeg needed).
inline void WriteWav(const fs::path& path, int rate, int channels, std::uint32_t frames,
                     std::uint32_t claimed_data_bytes = 0) {
  const std::uint32_t data = frames * channels * 2;
  const std::uint32_t claimed = claimed_data_bytes ? claimed_data_bytes : data;
  std::string bytes;
  auto put32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(v >> (8 * i)));
  };
  auto put16 = [&](std::uint16_t v) {
    bytes.push_back(static_cast<char>(v));
    bytes.push_back(static_cast<char>(v >> 8));
  };
  bytes += "RIFF";
  put32(36 + claimed);
  bytes += "WAVEfmt ";
  put32(16);
  put16(1);
  put16(static_cast<std::uint16_t>(channels));
  put32(static_cast<std::uint32_t>(rate));
  put32(static_cast<std::uint32_t>(rate * channels * 2));
  put16(static_cast<std::uint16_t>(channels * 2));
  put16(16);
  bytes += "data";
  put32(claimed);
  for (std::uint32_t f = 0; f < frames; ++f)
    for (int c = 0; c < channels; ++c) put16(static_cast<std::uint16_t>((f % 100) * 300));
  testing_support::WriteFile(path, bytes);
}

// Seconds of audio ffmpeg itself decodes from `source` (the reference the
// converted file is held against).
inline std::optional<double> ReferenceSeconds(const fs::path& source, const fs::path& scratch) {
  const fs::path reference = scratch / (source.filename().string() + ".ref.wav");
  if (!Ffmpeg("-i " + Quote(source) + " -vn -c:a pcm_s16le -f wav", reference)) return std::nullopt;
  const auto info = carrowell::ReadWavInfo(reference);
  fs::remove(reference);
  if (!info) return std::nullopt;
  return info->Seconds();
}

// The interleaved 16-bit samples of a PCM WAV.
inline std::vector<std::int16_t> ReadSamples(const fs::path& path) {
  const auto info = carrowell::ReadWavInfo(path);
  if (!info || info->bits_per_sample != 16) return {};
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(info->data_offset));
  std::vector<std::int16_t> samples(info->Frames() * info->channels);
  in.read(reinterpret_cast<char*>(samples.data()),
          static_cast<std::streamsize>(samples.size() * sizeof(std::int16_t)));
  return samples;
}

// What ffprobe says about the first audio stream: "codec_name=mp3|..." fields.
inline std::string ProbeStream(const fs::path& path) {
  const std::string command = "ffprobe -v error -select_streams a:0 -show_entries "
                              "stream=codec_name,sample_rate,channels -of "
                              "default=noprint_wrappers=1 " + Quote(path) + " 2>/dev/null";
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  return out;
}

}  // namespace conversion_testing
