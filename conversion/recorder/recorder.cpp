#include "recorder/recorder.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace carrowell {
namespace {

constexpr Uint32 kSdlParts = SDL_INIT_AUDIO | SDL_INIT_EVENTS;
// Frames per callback: about 23 ms at 44.1 kHz, so the meters move smoothly.
constexpr Uint16 kCallbackFrames = 1024;
// Seconds of audio the ring holds while the writer is busy.
constexpr int kRingSeconds = 8;
constexpr auto kWriterPeriod = std::chrono::milliseconds(50);

}  // namespace

InputLevels MeasureLevels(const std::int16_t* samples, std::size_t frames, int channels) {
  if (channels <= 0 || samples == nullptr) return {};
  int peak[2] = {0, 0};
  const int right_channel = channels > 1 ? 1 : 0;
  for (std::size_t f = 0; f < frames; ++f) {
    const std::int16_t* frame = samples + f * static_cast<std::size_t>(channels);
    peak[0] = std::max(peak[0], std::abs(static_cast<int>(frame[0])));
    peak[1] = std::max(peak[1], std::abs(static_cast<int>(frame[right_channel])));
  }
  InputLevels levels;
  for (int c = 0; c < 2; ++c) {
    int value = std::min(peak[c], 32767);
    if (value < kQuietLevel) value = 0;
    (c == 0 ? levels.left : levels.right) = value;
  }
  return levels;
}

Recorder::Recorder() {
  // Ctrl+C belongs to the program, not to SDL.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(kSdlParts) != 0) {
    error_ = SDL_GetError();
    return;
  }
  available_ = true;
  // The devices present at start are announced once; they are no news.
  SDL_PumpEvents();
  SDL_FlushEvents(SDL_AUDIODEVICEADDED, SDL_AUDIODEVICEREMOVED);
}

Recorder::~Recorder() {
  Close();
  if (available_) SDL_QuitSubSystem(kSdlParts);
}

std::vector<std::string> Recorder::Devices() const {
  std::vector<std::string> names{kDefaultDevice};
  if (!available_) return names;
  const int count = SDL_GetNumAudioDevices(1);
  for (int i = 0; i < count; ++i)
    if (const char* name = SDL_GetAudioDeviceName(i, 1)) names.emplace_back(name);
  return names;
}

bool Recorder::Open(const std::string& device) {
  if (recording_) return false;
  Close();
  if (!available_) return false;
  SDL_AudioSpec want{};
  want.freq = 44100;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = kCallbackFrames;
  want.callback = &Recorder::Callback;
  want.userdata = this;
  SDL_AudioSpec have{};
  const char* name = device.empty() || device == kDefaultDevice ? nullptr : device.c_str();
  // The device's own rate and channel count are kept; samples are 16-bit.
  device_ = SDL_OpenAudioDevice(name, 1, &want, &have,
                                SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
  if (device_ == 0) {
    error_ = SDL_GetError();
    return false;
  }
  device_name_ = name ? device : kDefaultDevice;
  format_.sample_rate = have.freq;
  format_.channels = have.channels;
  ring_.assign(static_cast<std::size_t>(format_.BytesPerSecond()) * kRingSeconds, 0);
  ring_written_ = 0;
  ring_read_ = 0;
  lost_ = false;
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void Recorder::Close() {
  if (recording_) Stop();
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  device_ = 0;
  last_left_ = 0;
  last_right_ = 0;
}

InputLevels Recorder::LastLevels() const { return {last_left_.load(), last_right_.load()}; }

void Recorder::Callback(void* self, std::uint8_t* stream, int length) {
  if (length > 0) static_cast<Recorder*>(self)->Capture(stream, static_cast<std::size_t>(length));
}

void Recorder::Capture(const std::uint8_t* data, std::size_t length) {
  const std::size_t block = static_cast<std::size_t>(format_.BlockAlign());
  const std::size_t frames = length / block;
  const InputLevels levels =
      MeasureLevels(reinterpret_cast<const std::int16_t*>(data), frames, format_.channels);
  last_left_ = levels.left;
  last_right_ = levels.right;
  if (const platform::WindowHandle window = level_window_.load(); window != platform::kNoWindow)
    platform::PostMessage(window, kLevelMessage, static_cast<std::uintptr_t>(levels.left),
                          levels.right);

  if (!capturing_.load()) return;
  std::size_t bytes = frames * block;
  const std::uint64_t accepted = accepted_bytes_.load();
  const std::uint64_t limit = data_limit_.load();
  const std::uint64_t room = limit > accepted ? limit - accepted : 0;
  if (bytes >= room) {
    bytes = static_cast<std::size_t>(room / block * block);
    limit_reached_ = true;
    capturing_ = false;
  }
  const std::uint64_t written = ring_written_.load(std::memory_order_relaxed);
  const std::uint64_t free = ring_.size() - (written - ring_read_.load(std::memory_order_acquire));
  if (bytes > free) {
    // The file cannot keep up: what is in the ring stays, nothing after it.
    overrun_ = true;
    capturing_ = false;
    return;
  }
  const std::size_t at = static_cast<std::size_t>(written % ring_.size());
  const std::size_t first = std::min(bytes, ring_.size() - at);
  std::memcpy(ring_.data() + at, data, first);
  std::memcpy(ring_.data(), data + first, bytes - first);
  ring_written_.store(written + bytes, std::memory_order_release);
  accepted_bytes_ += bytes;
  wake_.notify_one();
}

void Recorder::Drain() {
  std::lock_guard lock(file_mutex_);
  const std::uint64_t written = ring_written_.load(std::memory_order_acquire);
  std::uint64_t read = ring_read_.load(std::memory_order_relaxed);
  const std::size_t block = static_cast<std::size_t>(format_.BlockAlign());
  while (read < written) {
    const std::size_t at = static_cast<std::size_t>(read % ring_.size());
    const std::size_t bytes =
        static_cast<std::size_t>(std::min<std::uint64_t>(written - read, ring_.size() - at));
    if (writer_.IsOpen() && !writer_.Failed())
      writer_.Write(reinterpret_cast<const std::int16_t*>(ring_.data() + at), bytes / block);
    read += bytes;
    ring_read_.store(read, std::memory_order_release);
  }
}

void Recorder::WriterLoop() {
  std::unique_lock lock(wake_mutex_);
  while (!stop_writer_) {
    wake_.wait_for(lock, kWriterPeriod);
    lock.unlock();
    Drain();
    lock.lock();
  }
}

void Recorder::StopCapturing() {
  // With the device locked the callback is not running: nothing more
  // reaches the ring after this.
  if (device_ != 0) SDL_LockAudioDevice(device_);
  capturing_ = false;
  if (device_ != 0) SDL_UnlockAudioDevice(device_);
}

bool Recorder::Start(const std::string& path) {
  if (!IsOpen() || recording_) return false;
  if (!writer_.Open(path, format_.sample_rate, format_.channels)) {
    error_ = "cannot write " + path;
    return false;
  }
  SDL_LockAudioDevice(device_);
  ring_written_ = 0;
  ring_read_ = 0;
  accepted_bytes_ = 0;
  limit_reached_ = false;
  overrun_ = false;
  limit_reported_ = false;
  failure_reported_ = false;
  SDL_UnlockAudioDevice(device_);
  {
    std::lock_guard lock(wake_mutex_);
    stop_writer_ = false;
  }
  writer_thread_ = std::thread([this] { WriterLoop(); });
  recording_ = true;
  capturing_ = true;
  return true;
}

void Recorder::Pause() {
  if (!recording_) return;
  StopCapturing();
  Drain();
  std::lock_guard lock(file_mutex_);
  writer_.Commit();
}

void Recorder::Resume() {
  if (recording_ && !lost_ && !limit_reached_ && !overrun_) capturing_ = true;
}

bool Recorder::Stop() {
  if (!recording_) return true;
  StopCapturing();
  {
    std::lock_guard lock(wake_mutex_);
    stop_writer_ = true;
  }
  wake_.notify_one();
  if (writer_thread_.joinable()) writer_thread_.join();
  Drain();
  recording_ = false;
  std::lock_guard lock(file_mutex_);
  return writer_.Finish();
}

Recorder::Event Recorder::Poll() {
  if (available_) {
    SDL_PumpEvents();
    SDL_Event events[16];
    bool added = false;
    const int count =
        SDL_PeepEvents(events, 16, SDL_GETEVENT, SDL_AUDIODEVICEADDED, SDL_AUDIODEVICEREMOVED);
    for (int i = 0; i < count; ++i) {
      const SDL_AudioDeviceEvent& event = events[i].adevice;
      if (!event.iscapture) continue;
      if (event.type == SDL_AUDIODEVICEADDED) added = true;
      if (event.type == SDL_AUDIODEVICEREMOVED && device_ != 0 && event.which == device_) lost_ = true;
    }
    if (device_ != 0 && SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) lost_ = true;
    if (lost_ && device_ != 0) {
      Close();
      return Event::DeviceLost;
    }
    if (added && lost_) return Event::DeviceAdded;
  }
  if (recording_ && limit_reached_ && !limit_reported_) {
    limit_reported_ = true;
    return Event::LimitReached;
  }
  if (recording_ && !failure_reported_) {
    bool failed = overrun_.load();
    {
      std::lock_guard lock(file_mutex_);
      failed = failed || writer_.Failed();
    }
    if (failed) {
      failure_reported_ = true;
      return Event::WriteFailed;
    }
  }
  return Event::None;
}

}  // namespace carrowell
