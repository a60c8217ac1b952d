#include "preview/preview_player.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include <SDL.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libswresample/swresample.h>
}

namespace verosa {
namespace {

constexpr std::int64_t kUnitsPerSecond = 10'000'000;  // 100-nanosecond units
constexpr long kEventComplete = 1;
constexpr int kOutputChannels = 2;
constexpr Uint16 kDeviceFrames = 1024;
// Decoded audio kept ahead of the device.
constexpr std::size_t kRingSeconds = 1;

std::atomic<int> g_play_state{static_cast<int>(PlayState::Stopped)};

void SetState(PlayState state) { g_play_state.store(static_cast<int>(state)); }

bool LogEnabled() {
  static const bool enabled = [] {
    const char* value = std::getenv("VEROSA_PLAYER_LOG");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
  }();
  return enabled;
}

void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Log(const char* format, ...) {
  if (!LogEnabled()) return;
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  std::fprintf(stderr, "preview player: %s\n", buffer);
}

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

float GainOf(int volume) { return static_cast<float>(std::pow(10.0, volume / 2000.0)); }

}  // namespace

struct PreviewPlayer::Pipeline {
  ~Pipeline() { Close(); }

  bool Open(const std::filesystem::path& path);
  bool OpenDevice();
  void Close();
  void StartDecoder() { decoder = std::thread([this] { DecodeLoop(); }); }

  // Decodes one packet's worth of samples into `out` (interleaved stereo,
  // starting at `start`, in 100-ns units). False at the end of the file.
  bool DecodeSome(std::vector<std::int16_t>& out, std::int64_t& start);
  void SeekDecoder(std::int64_t target);
  void Append(const std::vector<std::int16_t>& samples, std::int64_t start);
  void DecodeLoop();
  void Fill(Uint8* stream, int length);
  static void Callback(void* user, Uint8* stream, int length) {
    static_cast<Pipeline*>(user)->Fill(stream, length);
  }

  std::int64_t Position() const;
  void Seek(std::int64_t target);
  std::size_t FreeFrames() const { return capacity_frames - buffered_frames; }

  platform::WindowHandle owner = platform::kNoWindow;

  // FFmpeg side, used by OpenAndPlay and then by the decoder thread alone.
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  SwrContext* swr = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  int stream_index = -1;
  int rate = 0;
  std::int64_t duration = 0;
  bool sdl_audio = false;
  SDL_AudioDeviceID device = 0;
  std::thread decoder;

  // Shared with the decoder thread and the audio callback.
  mutable std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::int16_t> ring;
  std::size_t capacity_frames = 0;
  std::size_t read_frame = 0;
  std::size_t buffered_frames = 0;
  std::int64_t base = 0;          // position of the first frame after the last seek
  std::int64_t frames_played = 0;  // frames handed to the device since then
  std::int64_t seek_target = -1;   // pending seek for the decoder
  std::uint64_t generation = 0;    // changes on every seek
  std::int64_t skip_until = 0;     // samples before this position are dropped
  bool end_of_file = false;
  bool completed = false;
  bool quit = false;
  std::deque<long> events;
  std::atomic<float> gain{1.0f};
};

bool PreviewPlayer::Pipeline::Open(const std::filesystem::path& path) {
  // FFmpeg's own messages belong to the debug log too.
  static std::once_flag quiet;
  std::call_once(quiet, [] { av_log_set_level(LogEnabled() ? AV_LOG_WARNING : AV_LOG_QUIET); });
  // No input format is forced: FFmpeg probes the content to choose a reader.
  int result = avformat_open_input(&format, path.c_str(), nullptr, nullptr);
  if (result < 0) {
    Log("cannot open %s: %s", path.c_str(), AvError(result).c_str());
    return false;
  }
  if ((result = avformat_find_stream_info(format, nullptr)) < 0) {
    Log("cannot read the streams of %s: %s", path.c_str(), AvError(result).c_str());
    return false;
  }
  const AVCodec* decoder_codec = nullptr;
  stream_index = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder_codec, 0);
  if (stream_index < 0 || decoder_codec == nullptr) {
    Log("no playable audio stream in %s", path.c_str());
    return false;
  }
  AVStream* stream = format->streams[stream_index];
  codec = avcodec_alloc_context3(decoder_codec);
  if (codec == nullptr || avcodec_parameters_to_context(codec, stream->codecpar) < 0 ||
      (result = avcodec_open2(codec, decoder_codec, nullptr)) < 0) {
    Log("cannot open the decoder for %s", path.c_str());
    return false;
  }
  rate = codec->sample_rate;
  if (rate <= 0) {
    Log("no sample rate in %s", path.c_str());
    return false;
  }
  AVChannelLayout in_layout;
  if (codec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || codec->ch_layout.nb_channels <= 0)
    av_channel_layout_default(&in_layout, std::max(codec->ch_layout.nb_channels, 1));
  else
    av_channel_layout_copy(&in_layout, &codec->ch_layout);
  AVChannelLayout out_layout = AV_CHANNEL_LAYOUT_STEREO;
  result = swr_alloc_set_opts2(&swr, &out_layout, AV_SAMPLE_FMT_S16, rate, &in_layout,
                               codec->sample_fmt, rate, 0, nullptr);
  av_channel_layout_uninit(&in_layout);
  if (result < 0 || swr_init(swr) < 0) {
    Log("cannot convert the samples of %s", path.c_str());
    return false;
  }
  packet = av_packet_alloc();
  frame = av_frame_alloc();
  if (packet == nullptr || frame == nullptr) return false;

  if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
    duration = av_rescale_q(stream->duration, stream->time_base, AVRational{1, kUnitsPerSecond});
  else if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
    duration = av_rescale(format->duration, kUnitsPerSecond, AV_TIME_BASE);

  capacity_frames = static_cast<std::size_t>(rate) * kRingSeconds;
  ring.assign(capacity_frames * kOutputChannels, 0);
  return true;
}

bool PreviewPlayer::Pipeline::OpenDevice() {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    Log("no audio output: %s", SDL_GetError());
    return false;
  }
  sdl_audio = true;
  SDL_AudioSpec wanted{};
  wanted.freq = rate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = kOutputChannels;
  wanted.samples = kDeviceFrames;
  wanted.callback = &Pipeline::Callback;
  wanted.userdata = this;
  SDL_AudioSpec obtained{};
  // SDL converts to what the device takes.
  device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (device == 0) {
    Log("cannot open the audio device: %s", SDL_GetError());
    return false;
  }
  return true;
}

void PreviewPlayer::Pipeline::Close() {
  {
    std::lock_guard lock(mutex);
    quit = true;
  }
  changed.notify_all();
  if (device != 0) {
    SDL_CloseAudioDevice(device);  // waits for the callback to return
    device = 0;
  }
  if (decoder.joinable()) decoder.join();
  if (sdl_audio) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    sdl_audio = false;
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  swr_free(&swr);
  avcodec_free_context(&codec);
  avformat_close_input(&format);
}

bool PreviewPlayer::Pipeline::DecodeSome(std::vector<std::int16_t>& out, std::int64_t& start) {
  out.clear();
  start = -1;
  const AVRational units{1, kUnitsPerSecond};
  for (;;) {
    int result = avcodec_receive_frame(codec, frame);
    if (result == 0) {
      const std::int64_t pts = frame->best_effort_timestamp;
      const AVStream* stream = format->streams[stream_index];
      const std::int64_t first = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
      if (pts != AV_NOPTS_VALUE) start = av_rescale_q(pts - first, stream->time_base, units);
      const int frames = swr_get_out_samples(swr, frame->nb_samples);
      out.resize(static_cast<std::size_t>(std::max(frames, 0)) * kOutputChannels);
      std::uint8_t* planes[1] = {reinterpret_cast<std::uint8_t*>(out.data())};
      const int converted = swr_convert(swr, planes, frames,
                                        const_cast<const std::uint8_t**>(frame->extended_data),
                                        frame->nb_samples);
      av_frame_unref(frame);
      out.resize(static_cast<std::size_t>(std::max(converted, 0)) * kOutputChannels);
      return true;
    }
    if (result == AVERROR_EOF) return false;
    if (result != AVERROR(EAGAIN)) {
      Log("decoding failed: %s", AvError(result).c_str());
      return false;
    }
    result = av_read_frame(format, packet);
    if (result < 0) {
      avcodec_send_packet(codec, nullptr);  // drain the decoder
      continue;
    }
    if (packet->stream_index == stream_index) {
      const int sent = avcodec_send_packet(codec, packet);
      if (sent < 0 && sent != AVERROR(EAGAIN)) Log("bad packet skipped: %s", AvError(sent).c_str());
    }
    av_packet_unref(packet);
  }
}

void PreviewPlayer::Pipeline::SeekDecoder(std::int64_t target) {
  AVStream* stream = format->streams[stream_index];
  const std::int64_t ts = av_rescale_q(target, AVRational{1, kUnitsPerSecond}, stream->time_base);
  const std::int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
  const int result = av_seek_frame(format, stream_index, ts + start, AVSEEK_FLAG_BACKWARD);
  if (result < 0) Log("seeking failed: %s", AvError(result).c_str());
  avcodec_flush_buffers(codec);
  swr_init(swr);  // drops what the converter still holds
}

// Called with the lock held.
void PreviewPlayer::Pipeline::Append(const std::vector<std::int16_t>& samples, std::int64_t start) {
  std::size_t frames = samples.size() / kOutputChannels;
  std::size_t first = 0;
  if (start >= 0 && start < skip_until) {
    const auto drop = static_cast<std::size_t>(av_rescale(skip_until - start, rate, kUnitsPerSecond));
    first = std::min(drop, frames);
  }
  for (std::size_t f = first; f < frames; ++f) {
    const std::size_t at = (read_frame + buffered_frames) % capacity_frames;
    ring[at * 2] = samples[f * 2];
    ring[at * 2 + 1] = samples[f * 2 + 1];
    ++buffered_frames;
  }
}

void PreviewPlayer::Pipeline::DecodeLoop() {
  std::vector<std::int16_t> samples;
  std::unique_lock lock(mutex);
  while (!quit) {
    if (seek_target >= 0) {
      const std::int64_t target = seek_target;
      seek_target = -1;
      lock.unlock();
      SeekDecoder(target);
      lock.lock();
      continue;
    }
    if (end_of_file) {
      if (buffered_frames == 0 && !completed) {
        completed = true;
        events.push_back(kEventComplete);
        const platform::WindowHandle window = owner;
        lock.unlock();
        platform::PostMessage(window, kGraphNotifyMessage, 0, 0);
        lock.lock();
        continue;
      }
      changed.wait(lock);
      continue;
    }
    // Room for at least one large decoded frame before decoding more.
    if (FreeFrames() < capacity_frames / 4) {
      changed.wait(lock);
      continue;
    }
    const std::uint64_t decoded_for = generation;
    lock.unlock();
    std::int64_t start = -1;
    const bool more = DecodeSome(samples, start);
    lock.lock();
    if (decoded_for != generation) continue;  // a seek came in meanwhile
    if (!more) {
      end_of_file = true;
      continue;
    }
    // A frame larger than the room left waits until the device has made room.
    while (!quit && decoded_for == generation &&
           FreeFrames() < samples.size() / kOutputChannels && FreeFrames() < capacity_frames)
      changed.wait(lock);
    if (quit || decoded_for != generation) continue;
    if (samples.size() / kOutputChannels > capacity_frames) samples.resize(capacity_frames * kOutputChannels);
    Append(samples, start);
  }
}

void PreviewPlayer::Pipeline::Fill(Uint8* stream, int length) {
  auto* out = reinterpret_cast<std::int16_t*>(stream);
  const std::size_t wanted = static_cast<std::size_t>(length) / (sizeof(std::int16_t) * kOutputChannels);
  const float g = gain.load();
  std::size_t done = 0;
  {
    std::lock_guard lock(mutex);
    while (done < wanted && buffered_frames > 0) {
      for (int c = 0; c < kOutputChannels; ++c) {
        const std::int16_t sample = ring[read_frame * kOutputChannels + static_cast<std::size_t>(c)];
        const float scaled = std::nearbyint(static_cast<float>(sample) * g);
        out[done * kOutputChannels + static_cast<std::size_t>(c)] =
            static_cast<std::int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
      }
      read_frame = (read_frame + 1) % capacity_frames;
      --buffered_frames;
      ++done;
    }
    frames_played += static_cast<std::int64_t>(done);
  }
  changed.notify_all();
  std::memset(out + done * kOutputChannels, 0, (wanted - done) * kOutputChannels * sizeof(std::int16_t));
}

std::int64_t PreviewPlayer::Pipeline::Position() const {
  std::lock_guard lock(mutex);
  const std::int64_t position = base + av_rescale(frames_played, kUnitsPerSecond, rate);
  return duration > 0 ? std::min(position, duration) : position;
}

void PreviewPlayer::Pipeline::Seek(std::int64_t target) {
  if (device != 0) SDL_LockAudioDevice(device);
  {
    std::lock_guard lock(mutex);
    ++generation;
    seek_target = target;
    skip_until = target;
    base = target;
    frames_played = 0;
    read_frame = 0;
    buffered_frames = 0;
    end_of_file = false;
    completed = false;
  }
  if (device != 0) SDL_UnlockAudioDevice(device);
  changed.notify_all();
}

// ---------------------------------------------------------------------------

PreviewPlayer::PreviewPlayer() = default;

PreviewPlayer::~PreviewPlayer() { ReleaseGraph(); }

void PreviewPlayer::SetOwnerWindow(platform::WindowHandle owner) {
  owner_ = owner;
  if (pipeline_) {
    std::lock_guard lock(pipeline_->mutex);
    pipeline_->owner = owner;
  }
}

PlayState PreviewPlayer::State() { return static_cast<PlayState>(g_play_state.load()); }

bool PreviewPlayer::Initialize() {
  ReleaseGraph();
  pipeline_ = std::make_unique<Pipeline>();
  pipeline_->owner = owner_;
  return true;
}

bool PreviewPlayer::OpenAndPlay(const std::filesystem::path& path) {
  ReleaseGraph();
  pipeline_ = std::make_unique<Pipeline>();
  Pipeline& p = *pipeline_;
  p.owner = owner_;
  p.gain.store(GainOf(volume_));
  duration_ = 0;
  // A failed open leaves an empty pipeline, as Initialize does.
  const auto fail = [&] {
    Log("cannot play %s", path.c_str());
    pipeline_ = std::make_unique<Pipeline>();
    pipeline_->owner = owner_;
    return false;
  };
  if (!p.Open(path)) return fail();
  // Decode ahead before the device asks, so playback starts without a gap.
  std::vector<std::int16_t> samples;
  std::int64_t start = -1;
  while (p.FreeFrames() >= p.capacity_frames / 2) {
    if (!p.DecodeSome(samples, start)) {
      p.end_of_file = true;
      break;
    }
    if (samples.size() / kOutputChannels > p.FreeFrames()) samples.resize(p.FreeFrames() * kOutputChannels);
    p.Append(samples, start);
  }
  if (!p.OpenDevice()) return fail();
  p.StartDecoder();
  return Run();
}

bool PreviewPlayer::Run() {
  if (!pipeline_ || pipeline_->device == 0) return false;
  SDL_PauseAudioDevice(pipeline_->device, 0);
  SetState(PlayState::Running);
  return true;
}

bool PreviewPlayer::Pause() {
  if (!pipeline_ || pipeline_->device == 0) return false;
  if (State() != PlayState::Running) return false;
  SDL_PauseAudioDevice(pipeline_->device, 1);
  SetState(PlayState::Paused);
  return true;
}

bool PreviewPlayer::Stop() {
  if (!pipeline_ || pipeline_->device == 0) return false;
  if (State() == PlayState::Stopped) return false;
  SDL_PauseAudioDevice(pipeline_->device, 1);
  SetState(PlayState::Stopped);
  return true;
}

bool PreviewPlayer::PauseResume() {
  if (State() != PlayState::Paused) return Pause();
  if (!SeekPercent(GetPositionPercent())) return false;
  return Run();
}

bool PreviewPlayer::StopPlayback() {
  Stop();
  return true;
}

bool PreviewPlayer::ReleaseGraph() {
  if (!pipeline_) return false;
  Stop();
  pipeline_.reset();
  return true;
}

int PreviewPlayer::HandleGraphEvents() {
  if (!pipeline_) return 0;
  std::deque<long> events;
  {
    std::lock_guard lock(pipeline_->mutex);
    events.swap(pipeline_->events);
  }
  for (const long event : events)
    if (event == kEventComplete) platform::PostMessage(owner_, kPlaybackEndedMessage, 0, 0);
  return static_cast<int>(events.size());
}

bool PreviewPlayer::ReadDuration() {
  duration_ = 0;
  if (!pipeline_ || pipeline_->format == nullptr) return false;
  duration_ = pipeline_->duration;
  return true;
}

int PreviewPlayer::DurationSeconds() const {
  if (!pipeline_ || pipeline_->format == nullptr) return -1;
  return static_cast<int>(pipeline_->duration / kUnitsPerSecond);
}

std::int64_t PreviewPlayer::GetPosition() const {
  if (!pipeline_ || pipeline_->format == nullptr) return -1;
  return pipeline_->Position();
}

int PreviewPlayer::GetPositionPercent() const {
  const std::int64_t position = GetPosition();
  if (position < 0 || duration_ == 0) return 0;
  return static_cast<int>(position * 100 / duration_);
}

std::string PreviewPlayer::GetPositionText() const {
  const std::int64_t position = GetPosition();
  if (position < 0) return {};
  const std::int64_t seconds = position / kUnitsPerSecond;
  char text[32];
  std::snprintf(text, sizeof text, "%02dm:%02ds", static_cast<int>(seconds / 60), static_cast<int>(seconds % 60));
  return text;
}

bool PreviewPlayer::SeekPercent(int percent) {
  if (!pipeline_ || pipeline_->format == nullptr) return false;
  const std::int64_t target = duration_ * static_cast<std::int64_t>(percent) / 100;
  return SetPosition(target);
}

bool PreviewPlayer::SetPosition(std::int64_t position) {
  if (!pipeline_ || pipeline_->format == nullptr) return false;
  if (position < 0) position = 0;
  if (pipeline_->duration > 0) position = std::min(position, pipeline_->duration);
  pipeline_->Seek(position);
  return true;
}

bool PreviewPlayer::SetVolume(int volume) {
  if (!pipeline_ || volume < kVolumeQuietest || volume > kVolumeFull) return false;
  volume_ = volume;
  pipeline_->gain.store(GainOf(volume));
  return true;
}

bool PreviewPlayer::GetVolume(int& volume) const {
  if (!pipeline_) return false;
  volume = volume_;
  return true;
}

std::string PreviewPlayer::ReaderName() const {
  if (!pipeline_ || pipeline_->format == nullptr) return {};
  return pipeline_->format->iformat->name;
}

}  // namespace verosa
