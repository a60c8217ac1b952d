// WAV -> 16-bit PCM WAV at another sample rate through libswresample, using
// the SoX resampler engine when the library has it.
#include "resample/resample.h"

#include <algorithm>
#include <atomic>
#include <barrier>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "core/pcm_wav_writer.h"
#include "core/wav_reader.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace resample {
namespace {

constexpr int kMinRate = 8000;
constexpr int kMaxRate = 192000;
constexpr int kMaxChannels = 64;
constexpr std::size_t kBlockFrames = 32768;
constexpr std::size_t kMaxLanes = 8;
// SoX resampler precision in bits (its "high quality"): its error stays far
// below the 16-bit output's own, and 28 bits cost a third more time for the
// same result. Pass band as a fraction of the lower Nyquist frequency.
constexpr double kSoxrPrecision = 20.0;
constexpr double kCutoff = 0.95;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The parts of a WAV file the conversion needs.
struct WavInput {
  File file;
  int sample_rate = 0;
  int channels = 0;
  int bits = 0;          // bits per sample as stored: 8, 16, 24, 32 or 64
  bool is_float = false;
  std::uint64_t data_offset = 0;
  std::uint64_t frames = 0;  // whole frames actually present in the file

  int BytesPerFrame() const { return channels * bits / 8; }
};

// Takes the format of `w` when the conversion can read it: integer PCM of
// 8, 16, 24 or 32 bits, or float of 32 or 64 bits (plain or extensible).
bool TakeFormat(const core::WavLayout& w, WavInput& in) {
  if (w.channels < 1 || w.channels > kMaxChannels || w.sample_rate < 1 || w.sample_rate > 768000) return false;
  in.channels = w.channels;
  in.sample_rate = static_cast<int>(w.sample_rate);
  in.bits = w.bits_per_sample;
  switch (w.coding) {
    case core::SampleCoding::Pcm: return in.bits == 8 || in.bits == 16 || in.bits == 24 || in.bits == 32;
    case core::SampleCoding::Float: in.is_float = true; return in.bits == 32 || in.bits == 64;
    case core::SampleCoding::Other: return false;
  }
  return false;
}

// Opens a RIFF/WAVE file at its first sample. An open data size runs to the
// end of the file, one that claims more than the file holds is cut to what
// is there (core/wav_reader.h).
bool OpenWav(const char* path, WavInput& in) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  in.file.reset(std::fopen(path, "rb"));
  if (!in.file) return false;
  const auto layout = core::ReadWavLayout(in.file.get());
  if (!layout || !TakeFormat(*layout, in)) return false;
  in.data_offset = layout->data_offset;
  in.frames = layout->data_size / static_cast<std::uint64_t>(in.BytesPerFrame());
  return fseeko(in.file.get(), static_cast<off_t>(in.data_offset), SEEK_SET) == 0;
}

AVSampleFormat SampleFormat(const WavInput& in) {
  if (in.is_float) return in.bits == 32 ? AV_SAMPLE_FMT_FLT : AV_SAMPLE_FMT_DBL;
  switch (in.bits) {
    case 8: return AV_SAMPLE_FMT_U8;
    case 16: return AV_SAMPLE_FMT_S16;
    default: return AV_SAMPLE_FMT_S32;  // 24-bit samples are widened to 32
  }
}

// 24-bit little-endian samples -> 32-bit, in place from the back.
void Widen24(std::uint8_t* data, std::size_t samples) {
  for (std::size_t i = samples; i-- > 0;) {
    const std::uint8_t* s = data + 3 * i;
    const std::uint32_t v = (static_cast<std::uint32_t>(s[0]) << 8) |
                            (static_cast<std::uint32_t>(s[1]) << 16) |
                            (static_cast<std::uint32_t>(s[2]) << 24);
    std::memcpy(data + 4 * i, &v, 4);
  }
}

struct SwrDeleter {
  void operator()(SwrContext* s) const { swr_free(&s); }
};
using Swr = std::unique_ptr<SwrContext, SwrDeleter>;

// A resampler for `channels` channels of the input's sample format; the SoX
// engine when the library has it, else libswresample's own.
Swr MakeResampler(const WavInput& in, int channels, int out_rate) {
  AVChannelLayout layout{};
  av_channel_layout_default(&layout, channels);
  // A 16-bit input kept at its rate is copied; everything else is rounded
  // to 16 bits with triangular dither.
  const bool copy = !in.is_float && in.bits <= 16 && in.sample_rate == out_rate;
  for (const bool soxr : {true, false}) {
    SwrContext* raw = nullptr;
    if (swr_alloc_set_opts2(&raw, &layout, AV_SAMPLE_FMT_S16, out_rate, &layout,
                            SampleFormat(in), in.sample_rate, 0, nullptr) < 0)
      break;
    Swr swr(raw);
    if (soxr) {
      av_opt_set_int(raw, "resampler", SWR_ENGINE_SOXR, 0);
      av_opt_set_double(raw, "precision", kSoxrPrecision, 0);
    } else {
      av_opt_set_int(raw, "filter_size", 64, 0);
      av_opt_set_int(raw, "phase_shift", 14, 0);
    }
    av_opt_set_double(raw, "cutoff", kCutoff, 0);
    av_opt_set_int(raw, "dither_method", copy ? SWR_DITHER_NONE : SWR_DITHER_TRIANGULAR, 0);
    if (swr_init(raw) >= 0) {
      av_channel_layout_uninit(&layout);
      return swr;
    }
  }
  av_channel_layout_uninit(&layout);
  return nullptr;
}

// A run of adjacent channels with its own resampler. With several lanes the
// channels are resampled in parallel; each lane sees its channels only.
struct Lane {
  int first = 0;     // first channel
  int channels = 0;
  Swr swr;
  std::vector<std::uint8_t> in;   // this lane's samples of the block
  std::vector<std::int16_t> out;
  int produced = 0;               // frames in `out`, negative on error
};

// Conversions running in this process. Lanes only get threads of their own
// while a conversion runs alone: side by side, the conversions keep the cores
// busy already.
std::atomic<int> g_running{0};

struct Running {
  Running() { g_running.fetch_add(1, std::memory_order_relaxed); }
  ~Running() { g_running.fetch_sub(1, std::memory_order_relaxed); }
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;
};

// Runs one step on every lane: lane 0 on the calling thread, the others on
// threads of their own that live as long as the pool, or all of them on the
// calling thread while other conversions run (the same result either way).
class LanePool {
 public:
  explicit LanePool(std::vector<Lane>& lanes)
      : lanes_(lanes), start_(static_cast<std::ptrdiff_t>(lanes.size())),
        done_(static_cast<std::ptrdiff_t>(lanes.size())) {
    for (std::size_t i = 1; i < lanes_.size(); ++i) threads_.emplace_back([this, i] { Work(i); });
  }
  ~LanePool() {
    stop_ = true;
    if (!threads_.empty()) start_.arrive_and_wait();
    for (auto& t : threads_) t.join();
  }
  LanePool(const LanePool&) = delete;
  LanePool& operator=(const LanePool&) = delete;

  // Converts `frames` input frames of every lane (0: drains the filters).
  void Convert(int frames) {
    frames_ = frames;
    if (threads_.empty()) return Step(lanes_[0]);
    if (g_running.load(std::memory_order_relaxed) > 1) {
      for (Lane& lane : lanes_) Step(lane);
      return;
    }
    start_.arrive_and_wait();
    Step(lanes_[0]);
    done_.arrive_and_wait();
  }

 private:
  void Work(std::size_t i) {
    for (;;) {
      start_.arrive_and_wait();
      if (stop_) return;
      Step(lanes_[i]);
      done_.arrive_and_wait();
    }
  }
  void Step(Lane& lane) const {
    const int room = swr_get_out_samples(lane.swr.get(), frames_);
    if (room < 0) {
      lane.produced = room;
      return;
    }
    lane.out.resize(static_cast<std::size_t>(room) * static_cast<std::size_t>(lane.channels));
    auto* out = reinterpret_cast<std::uint8_t*>(lane.out.data());
    const std::uint8_t* in = lane.in.data();
    lane.produced = swr_convert(lane.swr.get(), &out, room, frames_ ? &in : nullptr, frames_);
  }

  std::vector<Lane>& lanes_;
  std::vector<std::thread> threads_;
  std::barrier<> start_, done_;
  int frames_ = 0;
  bool stop_ = false;
};

// Copies channels [first, first + n) of `frames` interleaved frames of
// `total` channels into a dense buffer (T: one sample).
template <typename T>
void Gather(const std::uint8_t* src, std::uint8_t* dst, std::size_t frames, int total, int first, int n) {
  const T* s = reinterpret_cast<const T*>(src) + first;
  T* d = reinterpret_cast<T*>(dst);
  for (std::size_t f = 0; f < frames; ++f, s += total, d += n)
    for (int k = 0; k < n; ++k) d[k] = s[k];
}

void GatherLane(const std::uint8_t* block, std::size_t frames, int total, int sample_bytes, Lane& lane) {
  lane.in.resize(frames * static_cast<std::size_t>(lane.channels * sample_bytes));
  switch (sample_bytes) {
    case 1: return Gather<std::uint8_t>(block, lane.in.data(), frames, total, lane.first, lane.channels);
    case 2: return Gather<std::uint16_t>(block, lane.in.data(), frames, total, lane.first, lane.channels);
    case 4: return Gather<std::uint32_t>(block, lane.in.data(), frames, total, lane.first, lane.channels);
    default: return Gather<std::uint64_t>(block, lane.in.data(), frames, total, lane.first, lane.channels);
  }
}

std::size_t LaneCount(int channels) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  return std::min<std::size_t>({static_cast<std::size_t>(channels), cores, kMaxLanes});
}

class Converter {
 public:
  explicit Converter(const ResampleRequest& request) : request_(request) {}
  int32_t Run();

 private:
  // Calls the progress callback; false once it asked to stop.
  bool Report(int percent);
  // Interleaves the lanes' output into the file.
  int32_t Emit();
  int32_t Fail(int32_t result) {
    writer_.Discard();
    return result;
  }

  const ResampleRequest& request_;
  WavInput in_;
  std::vector<Lane> lanes_;
  pcm_wav::Writer writer_;
  std::vector<std::int16_t> out_;
  int32_t abort_flag_ = 0;
};

bool Converter::Report(int percent) {
  if (request_.progress) request_.progress(&abort_flag_, std::clamp(percent, 0, 100));
  return abort_flag_ != -1;
}

int32_t Converter::Emit() {
  const int frames = lanes_[0].produced;
  for (const Lane& lane : lanes_)
    if (lane.produced != frames) return RESAMPLE_ERR_CONVERT;  // also catches errors
  if (frames == 0) return RESAMPLE_OK;
  const auto count = static_cast<std::size_t>(frames);
  if (lanes_.size() == 1)
    return writer_.Write(lanes_[0].out.data(), count) ? RESAMPLE_OK : RESAMPLE_ERR_OUTPUT;
  const int total = in_.channels;
  out_.resize(count * static_cast<std::size_t>(total));
  for (const Lane& lane : lanes_) {
    const std::int16_t* s = lane.out.data();
    std::int16_t* d = out_.data() + lane.first;
    for (std::size_t f = 0; f < count; ++f, s += lane.channels, d += total)
      for (int k = 0; k < lane.channels; ++k) d[k] = s[k];
  }
  return writer_.Write(out_.data(), count) ? RESAMPLE_OK : RESAMPLE_ERR_OUTPUT;
}

int32_t Converter::Run() {
  const Running running;
  if (!request_.input_path || !request_.output_path || !*request_.output_path ||
      !std::isfinite(request_.output_rate))
    return RESAMPLE_ERR_REQUEST;
  const long out_rate = std::lround(request_.output_rate);
  if (out_rate < kMinRate || out_rate > kMaxRate) return RESAMPLE_ERR_REQUEST;
  if (!OpenWav(request_.input_path, in_)) return RESAMPLE_ERR_INPUT;

  const std::size_t count = LaneCount(in_.channels);
  lanes_.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    Lane& lane = lanes_[i];
    lane.first = static_cast<int>(i * static_cast<std::size_t>(in_.channels) / count);
    lane.channels = static_cast<int>((i + 1) * static_cast<std::size_t>(in_.channels) / count) - lane.first;
    lane.swr = MakeResampler(in_, lane.channels, static_cast<int>(out_rate));
    if (!lane.swr) return RESAMPLE_ERR_CONVERT;
  }
  // Writing over the input would destroy it before it is read.
  std::error_code ec;
  if (std::filesystem::equivalent(request_.input_path, request_.output_path, ec) ||
      !writer_.Open(request_.output_path, static_cast<int>(out_rate), in_.channels))
    return RESAMPLE_ERR_OUTPUT;
  LanePool pool(lanes_);

  const std::size_t file_frame = static_cast<std::size_t>(in_.BytesPerFrame());
  const int sample_bytes = in_.bits == 24 ? 4 : in_.bits / 8;
  std::vector<std::uint8_t> block(kBlockFrames * static_cast<std::size_t>(in_.channels * sample_bytes));
  if (!Report(0)) return Fail(RESAMPLE_ABORTED);

  std::uint64_t done = 0;
  while (done < in_.frames) {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockFrames, in_.frames - done));
    const std::size_t got = std::fread(block.data(), file_frame, want, in_.file.get());
    if (got == 0) break;  // the file shrank under us: keep what was read
    if (in_.bits == 24) Widen24(block.data(), got * static_cast<std::size_t>(in_.channels));
    if (lanes_.size() == 1)
      lanes_[0].in.assign(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got * file_frame));
    else
      for (Lane& lane : lanes_) GatherLane(block.data(), got, in_.channels, sample_bytes, lane);
    pool.Convert(static_cast<int>(got));
    if (const int32_t r = Emit(); r != RESAMPLE_OK) return Fail(r);
    done += got;
    if (!Report(static_cast<int>(done * 100 / in_.frames))) return Fail(RESAMPLE_ABORTED);
  }

  // The samples the filters still hold.
  do {
    pool.Convert(0);
    if (const int32_t r = Emit(); r != RESAMPLE_OK) return Fail(r);
  } while (lanes_[0].produced > 0);
  if (!Report(100)) return Fail(RESAMPLE_ABORTED);
  return writer_.Finish() ? RESAMPLE_OK : RESAMPLE_ERR_OUTPUT;
}

class Control final : public AudioResampleCtrl {
 public:
  int32_t Resample(const ResampleRequest* request) override {
    if (!request) return RESAMPLE_ERR_REQUEST;
    return Converter(*request).Run();
  }
  ~Control() override = default;
};

}  // namespace
}  // namespace resample

extern "C" RESAMPLE_API AudioResampleCtrl* CreateAudioResampleCtrl(void) {
  return new (std::nothrow) resample::Control();
}

extern "C" RESAMPLE_API void DeleteAudioResampleCtrl(AudioResampleCtrl* ctrl) {
  delete static_cast<resample::Control*>(ctrl);
}
