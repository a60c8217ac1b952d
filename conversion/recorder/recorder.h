// Recording from a sound input through SDL2 capture. The device runs from
// Open on (the meters move); Start writes what it delivers into a 16-bit PCM
// WAV file. SDL's callback only computes the levels and copies the samples
// into a ring buffer; a writer thread takes them to the file. The header is
// brought up to date on Pause, Stop and when the recorder closes, so the file
// is a valid WAV whenever the recording is not running.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/pcm_wav_writer.h"
#include "platform/window.h"

namespace carrowell {

// Samples are always 16-bit; rate and channels are what the device gives.
struct RecordFormat {
  int sample_rate = 44100;
  int channels = 2;
  int BlockAlign() const { return channels * 2; }
  int BytesPerSecond() const { return sample_rate * BlockAlign(); }
};

// The left and right peaks of one captured buffer, 0..32767; a peak below
// kQuietLevel counts as silence (0).
struct InputLevels {
  int left = 0;
  int right = 0;
};
inline constexpr int kQuietLevel = 100;
InputLevels MeasureLevels(const std::int16_t* samples, std::size_t frames, int channels);

class Recorder {
 public:
  // Posted to the level window for every captured buffer: wparam left,
  // lparam right.
  static constexpr std::uint32_t kLevelMessage = 0x8101;
  // The name that opens the system's default input.
  static constexpr const char* kDefaultDevice = "Default";
  // The data of a WAV file must stay below 4 GiB; the recording stops a
  // little before.
  static constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - 44 - (1u << 20);

  enum class Event {
    None,
    DeviceLost,    // the open device went away; the recording is stopped
    DeviceAdded,   // a capture device appeared
    LimitReached,  // the file reached its size limit; recording stopped taking samples
    WriteFailed,   // the file could not be written (or the writer fell behind)
  };

  Recorder();
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // False when SDL's audio could not start (Error() says why).
  bool Available() const { return available_; }
  const std::string& Error() const { return error_; }
  // "Default" followed by the capture devices SDL names.
  std::vector<std::string> Devices() const;

  // Opens `device` (kDefaultDevice or a name of Devices()) and starts the
  // meters. Closes a device that is open; not while recording.
  bool Open(const std::string& device);
  void Close();
  bool IsOpen() const { return device_ != 0; }
  const std::string& DeviceName() const { return device_name_; }
  RecordFormat Format() const { return format_; }

  void SetLevelWindow(platform::WindowHandle window) { level_window_.store(window); }
  // The size limit of the data chunk (tests lower it).
  void SetDataLimit(std::uint64_t bytes) { data_limit_ = std::min(bytes, kMaxDataBytes); }
  InputLevels LastLevels() const;

  // Truncates `path`, writes the header and records into it.
  bool Start(const std::string& path);
  // Stops taking samples; everything captured so far is in the file and the
  // header says so.
  void Pause();
  void Resume();
  // Ends the recording: the file is complete and closed. False when
  // something could not be written.
  bool Stop();
  bool IsRecording() const { return recording_; }
  bool IsPaused() const { return recording_ && !capturing_.load(); }
  // Sample bytes taken from the device for the file so far.
  std::uint64_t CapturedBytes() const { return accepted_bytes_.load(); }

  // Looks at what happened since the last call; None when nothing did.
  Event Poll();

 private:
  static void Callback(void* self, std::uint8_t* stream, int length);
  void Capture(const std::uint8_t* data, std::size_t length);
  // Moves what the ring holds to the file; takes file_mutex_.
  void Drain();
  void WriterLoop();
  void StopCapturing();

  bool available_ = false;
  std::string error_;
  std::uint32_t device_ = 0;
  std::string device_name_;
  RecordFormat format_;
  std::atomic<platform::WindowHandle> level_window_{platform::kNoWindow};
  std::atomic<int> last_left_{0};
  std::atomic<int> last_right_{0};

  // Ring buffer: the callback writes, the drain reads.
  std::vector<std::uint8_t> ring_;
  std::atomic<std::uint64_t> ring_written_{0};
  std::atomic<std::uint64_t> ring_read_{0};

  std::atomic<bool> capturing_{false};
  std::atomic<std::uint64_t> accepted_bytes_{0};
  std::atomic<std::uint64_t> data_limit_{kMaxDataBytes};
  std::atomic<bool> limit_reached_{false};
  std::atomic<bool> overrun_{false};
  bool limit_reported_ = false;
  bool failure_reported_ = false;
  bool lost_ = false;
  bool recording_ = false;

  std::mutex file_mutex_;
  pcm_wav::Writer writer_;
  std::thread writer_thread_;
  std::mutex wake_mutex_;
  std::condition_variable wake_;
  bool stop_writer_ = false;
};

}  // namespace carrowell
