// Media file -> 16-bit PCM WAV through libavformat, libavcodec and
// libswresample, a step of packets per DW_Transform call.
//
// MP3 is decoded on two threads: packets are collected into batches, each
// batch is cut in two halves and each half is decoded by its own decoder
// after a warm-up on the packets that precede it. The floating-point MP3
// decoder's state (bit reservoir, overlap and filter-bank memory) only
// reaches a few frames back, so after the warm-up both halves decode exactly
// as one decoder running through the whole stream would.
#include "dx2wav/dx2wav.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "core/pcm_wav_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace dx2wav {
namespace {

constexpr int kMaxChannels = 64;
// A step ends early after this many packets of other streams.
constexpr int kForeignPacketsPerStep = 1000;
// Packets decoded together on two threads, and the warm-up before each half.
constexpr std::size_t kBatchPackets = 512;
constexpr std::size_t kWarmUpPackets = 12;

struct PacketDeleter {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using Packet = std::unique_ptr<AVPacket, PacketDeleter>;

// One decoder with the format conversion to 16-bit interleaved samples.
class Lane {
 public:
  Lane(const AVChannelLayout& out_layout, int out_rate) : out_rate_(out_rate) {
    av_channel_layout_copy(&out_layout_, &out_layout);
  }
  ~Lane() {
    swr_free(&swr_);
    avcodec_free_context(&decoder_);
    av_frame_free(&frame_);
    av_channel_layout_uninit(&swr_layout_);
    av_channel_layout_uninit(&out_layout_);
  }
  Lane(const Lane&) = delete;
  Lane& operator=(const Lane&) = delete;

  bool Open(const AVStream* stream) {
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) return false;
    decoder_ = avcodec_alloc_context3(codec);
    frame_ = av_frame_alloc();
    if (!decoder_ || !frame_ || avcodec_parameters_to_context(decoder_, stream->codecpar) < 0)
      return false;
    decoder_->pkt_timebase = stream->time_base;
    return avcodec_open2(decoder_, codec, nullptr) >= 0;
  }
  const AVCodecContext* Decoder() const { return decoder_; }

  // Sends one packet (null: end of stream) and converts every frame it
  // yields into Output(), or drops them when `keep` is false. Corrupt data
  // is skipped as players do.
  void Decode(const AVPacket* packet, bool keep) {
    if (avcodec_send_packet(decoder_, packet) < 0 && packet) return;
    while (avcodec_receive_frame(decoder_, frame_) >= 0) {
      if (keep) Convert(frame_);
      av_frame_unref(frame_);
    }
    if (!packet) Drain();
  }

  // Forgets all decoder state, for a lane that jumps to another place.
  void Restart() {
    avcodec_flush_buffers(decoder_);
    swr_free(&swr_);
  }

  std::vector<std::int16_t>& Output() { return out_; }

 private:
  bool Configure(const AVFrame* frame);
  void Convert(const AVFrame* frame);
  void Drain();
  // Appends up to `room` converted frames; false when nothing came out.
  bool Pull(const AVFrame* frame, int room);

  AVCodecContext* decoder_ = nullptr;
  AVFrame* frame_ = nullptr;
  SwrContext* swr_ = nullptr;
  // The input parameters the converter is set up for.
  int swr_format_ = -1;
  int swr_rate_ = 0;
  AVChannelLayout swr_layout_{};
  AVChannelLayout out_layout_{};
  const int out_rate_;
  std::vector<std::int16_t> out_;
};

bool Lane::Configure(const AVFrame* frame) {
  AVChannelLayout in_layout{};
  if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame->ch_layout.nb_channels <= 0)
    av_channel_layout_default(&in_layout, frame->ch_layout.nb_channels > 0
                                              ? frame->ch_layout.nb_channels
                                              : out_layout_.nb_channels);
  else
    av_channel_layout_copy(&in_layout, &frame->ch_layout);

  if (swr_ && swr_format_ == frame->format && swr_rate_ == frame->sample_rate &&
      av_channel_layout_compare(&swr_layout_, &in_layout) == 0) {
    av_channel_layout_uninit(&in_layout);
    return true;
  }
  // The stream changed its format: keep what the converter still holds.
  Drain();
  swr_free(&swr_);
  av_channel_layout_uninit(&swr_layout_);
  swr_layout_ = in_layout;
  swr_format_ = frame->format;
  swr_rate_ = frame->sample_rate;
  if (swr_alloc_set_opts2(&swr_, &out_layout_, AV_SAMPLE_FMT_S16, out_rate_, &swr_layout_,
                          static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0,
                          nullptr) < 0 ||
      swr_init(swr_) < 0) {
    swr_free(&swr_);
    return false;
  }
  return true;
}

bool Lane::Pull(const AVFrame* frame, int room) {
  if (room <= 0) return false;
  const std::size_t channels = static_cast<std::size_t>(out_layout_.nb_channels);
  const std::size_t used = out_.size();
  out_.resize(used + static_cast<std::size_t>(room) * channels);
  auto* dst = reinterpret_cast<std::uint8_t*>(out_.data() + used);
  const int got =
      frame ? swr_convert(swr_, &dst, room, const_cast<const std::uint8_t**>(frame->extended_data),
                          frame->nb_samples)
            : swr_convert(swr_, &dst, room, nullptr, 0);
  out_.resize(used + static_cast<std::size_t>(std::max(got, 0)) * channels);
  return got > 0;
}

void Lane::Convert(const AVFrame* frame) {
  // A frame the converter cannot take is dropped like undecodable data.
  if (frame->nb_samples <= 0 || frame->sample_rate <= 0 || !Configure(frame)) return;
  Pull(frame, swr_get_out_samples(swr_, frame->nb_samples));
}

void Lane::Drain() {
  if (!swr_) return;
  while (Pull(nullptr, swr_get_out_samples(swr_, 0))) {
  }
}

// Runs one job at a time on a thread of its own.
class Helper {
 public:
  Helper() : thread_([this] { Loop(); }) {}
  ~Helper() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  void Start(std::function<void()> job) {
    {
      std::lock_guard lock(mutex_);
      job_ = std::move(job);
    }
    wake_.notify_all();
  }
  void Wait() {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return !job_; });
  }

 private:
  void Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stop_ || job_; });
      if (stop_) return;
      lock.unlock();
      job_();
      lock.lock();
      job_ = nullptr;
      wake_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::function<void()> job_;
  bool stop_ = false;
  std::thread thread_;
};

// Only the floating-point MPEG audio decoders forget their past: the
// fixed-point ones carry rounding feedback from frame to frame.
bool DecodesInHalves(const AVCodecContext* decoder) {
  return decoder->codec_id == AV_CODEC_ID_MP3 &&
         (decoder->sample_fmt == AV_SAMPLE_FMT_FLTP || decoder->sample_fmt == AV_SAMPLE_FMT_FLT) &&
         std::thread::hardware_concurrency() >= 2;
}

// Conversions open in this process. MP3 is decoded in halves only while a
// conversion runs alone: side by side, the conversions keep the cores busy
// already (and one decoder gives the same samples).
std::atomic<int> g_open{0};

class Conversion {
 public:
  Conversion() { g_open.fetch_add(1, std::memory_order_relaxed); }
  ~Conversion() {
    Close();
    g_open.fetch_sub(1, std::memory_order_relaxed);
  }
  Conversion(const Conversion&) = delete;
  Conversion& operator=(const Conversion&) = delete;

  // Returns the duration in seconds, or a negative DW_ERR_* code.
  double Open(const char* source_path, const char* wav_path);
  // One step; false once the conversion has ended.
  bool Step(int packets);
  double Position() const {
    return static_cast<double>(frames_written_) / writer_.SampleRate();
  }
  // Ends the conversion; DW_OK when the WAV is complete.
  int Finish();

 private:
  void Close();
  void End(int result);
  void EndOfInput();
  // Decodes the collected packets in two halves on two threads.
  void DecodeBatch(bool last);
  // Writes what the lanes produced, in order.
  bool Flush();

  AVFormatContext* format_ = nullptr;
  int stream_index_ = -1;
  std::vector<std::unique_ptr<Lane>> lanes_;
  std::unique_ptr<Helper> helper_;  // only when decoding in halves
  Packet packet_;
  std::vector<Packet> batch_;       // packets not yet decoded
  std::vector<Packet> history_;     // the last packets before the batch

  pcm_wav::Writer writer_;
  std::uint64_t frames_written_ = 0;
  bool ended_ = false;
  int result_ = DW_ERR_INCOMPLETE;
};

void Conversion::Close() {
  helper_.reset();
  lanes_.clear();
  batch_.clear();
  history_.clear();
  packet_.reset();
  avformat_close_input(&format_);
  if (writer_.IsOpen()) writer_.Discard();
}

double Conversion::Open(const char* source_path, const char* wav_path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(source_path, ec)) return DW_ERR_INPUT;
  // The protocol prefix keeps names with a colon from being read as URLs.
  const std::string url = std::string("file:") + source_path;
  if (avformat_open_input(&format_, url.c_str(), nullptr, nullptr) < 0) return DW_ERR_INPUT;
  if (avformat_find_stream_info(format_, nullptr) < 0) return DW_ERR_INPUT;

  AVStream* stream = nullptr;
  for (unsigned i = 0; i < format_->nb_streams; ++i) {
    if (format_->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
      stream = format_->streams[i];
      stream_index_ = static_cast<int>(i);
      break;
    }
  }
  if (!stream) return DW_ERR_INPUT;
  for (unsigned i = 0; i < format_->nb_streams; ++i)
    if (static_cast<int>(i) != stream_index_) format_->streams[i]->discard = AVDISCARD_ALL;

  const AVCodecParameters* par = stream->codecpar;
  const int rate = par->sample_rate;
  const int channels = par->ch_layout.nb_channels;
  if (rate <= 0 || channels <= 0 || channels > kMaxChannels) return DW_ERR_INPUT;
  AVChannelLayout out_layout{};
  av_channel_layout_default(&out_layout, channels);
  lanes_.push_back(std::make_unique<Lane>(out_layout, rate));
  const bool opened = lanes_[0]->Open(stream);
  if (opened && DecodesInHalves(lanes_[0]->Decoder())) {
    lanes_.push_back(std::make_unique<Lane>(out_layout, rate));
    if (lanes_[1]->Open(stream))
      helper_ = std::make_unique<Helper>();
    else
      lanes_.pop_back();  // one decoder does it all
  }
  av_channel_layout_uninit(&out_layout);
  if (!opened) return DW_ERR_INPUT;
  packet_.reset(av_packet_alloc());
  if (!packet_) return DW_ERR_INPUT;

  // The audio stream's own length, else the file's.
  double duration = 0.0;
  if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
    duration = static_cast<double>(stream->duration) * av_q2d(stream->time_base);
  else if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0)
    duration = static_cast<double>(format_->duration) / AV_TIME_BASE;

  // Writing over the source would destroy it before it is read.
  if (std::filesystem::equivalent(source_path, wav_path, ec) || !writer_.Open(wav_path, rate, channels))
    return DW_ERR_OUTPUT;
  return duration;
}

bool Conversion::Step(int packets) {
  if (ended_) return false;
  int audio = 0, foreign = 0;
  while (audio < packets && foreign < kForeignPacketsPerStep) {
    const int read = av_read_frame(format_, packet_.get());
    if (read == AVERROR(EAGAIN)) {
      ++foreign;
      continue;
    }
    if (read < 0) {  // end of input, or an unreadable rest
      EndOfInput();
      return false;
    }
    if (packet_->stream_index != stream_index_) {
      av_packet_unref(packet_.get());
      ++foreign;
      continue;
    }
    ++audio;
    if (helper_) {
      batch_.emplace_back(av_packet_alloc());
      if (!batch_.back()) {
        End(DW_ERR_DECODE);
        return false;
      }
      av_packet_move_ref(batch_.back().get(), packet_.get());
      if (batch_.size() >= kBatchPackets) DecodeBatch(false);
    } else {
      lanes_[0]->Decode(packet_.get(), true);
      av_packet_unref(packet_.get());
    }
  }
  if (!Flush()) {
    End(DW_ERR_OUTPUT);
    return false;
  }
  return true;
}

void Conversion::DecodeBatch(bool last) {
  const std::size_t n = batch_.size();
  const bool alone = g_open.load(std::memory_order_relaxed) <= 1;
  const std::size_t split = alone && n >= 2 * kWarmUpPackets ? n / 2 : n;
  // Each lane starts afresh, warms up on the packets before its half, then
  // decodes its half; the lane with the stream's end drains the decoder.
  auto run = [&](Lane& lane, std::size_t from, std::size_t to) {
    lane.Restart();
    for (std::size_t i = from > kWarmUpPackets ? from - kWarmUpPackets : 0; i < from; ++i)
      lane.Decode(batch_[i].get(), false);
    if (from == 0)
      for (const Packet& p : history_) lane.Decode(p.get(), false);
    for (std::size_t i = from; i < to; ++i) lane.Decode(batch_[i].get(), true);
    if (last && to == n) lane.Decode(nullptr, true);
  };
  if (split < n) helper_->Start([&] { run(*lanes_[1], split, n); });
  run(*lanes_[0], 0, split);
  if (split < n) helper_->Wait();

  // Keep the tail for the warm-up of the next batch.
  std::vector<Packet> tail;
  for (std::size_t i = n > kWarmUpPackets ? n - kWarmUpPackets : 0; i < n; ++i)
    tail.push_back(std::move(batch_[i]));
  if (tail.size() < kWarmUpPackets) {
    const std::size_t keep = std::min(history_.size(), kWarmUpPackets - tail.size());
    tail.insert(tail.begin(), std::make_move_iterator(history_.end() - static_cast<std::ptrdiff_t>(keep)),
                std::make_move_iterator(history_.end()));
  }
  history_ = std::move(tail);
  batch_.clear();
}

bool Conversion::Flush() {
  const std::size_t channels = static_cast<std::size_t>(writer_.Channels());
  for (auto& lane : lanes_) {
    auto& out = lane->Output();
    const std::size_t frames = out.size() / channels;
    if (frames && !writer_.Write(out.data(), frames)) return false;
    frames_written_ += frames;
    out.clear();
  }
  return true;
}

void Conversion::EndOfInput() {
  if (helper_)
    DecodeBatch(true);
  else
    lanes_[0]->Decode(nullptr, true);
  if (!Flush())
    End(DW_ERR_OUTPUT);
  else if (frames_written_ == 0)
    End(DW_ERR_DECODE);
  else
    End(writer_.Finish() ? DW_OK : DW_ERR_OUTPUT);
}

void Conversion::End(int result) {
  ended_ = true;
  result_ = result;
  if (result != DW_OK && writer_.IsOpen()) writer_.Discard();
}

int Conversion::Finish() {
  if (!ended_) End(DW_ERR_INCOMPLETE);
  Close();
  return result_;
}

std::mutex g_mutex;
std::unique_ptr<Conversion> g_conversion;

}  // namespace
}  // namespace dx2wav

// The handle's type is the conversion itself.
struct DW_Conversion : dx2wav::Conversion {};

using dx2wav::g_conversion;
using dx2wav::g_mutex;

extern "C" DX2WAV_API double DW_Initialaze(const char* source_path, const char* wav_path,
                                           double* duration) {
  std::lock_guard lock(g_mutex);
  if (g_conversion) g_conversion->Finish();
  g_conversion.reset();
  if (duration) *duration = 0.0;
  if (!source_path || !wav_path || !*source_path || !*wav_path) return DW_ERR_INPUT;

  auto conversion = std::make_unique<dx2wav::Conversion>();
  const double result = conversion->Open(source_path, wav_path);
  if (result < 0) return result;  // the destructor removes anything half made
  if (duration) *duration = result;
  g_conversion = std::move(conversion);
  return result;
}

extern "C" DX2WAV_API int32_t DW_Transform(int32_t step, double* position) {
  std::lock_guard lock(g_mutex);
  if (!g_conversion) return 0;
  const bool more = g_conversion->Step(step > 0 ? step : 1);
  if (position) *position = g_conversion->Position();
  return more ? 1 : 0;
}

extern "C" DX2WAV_API int32_t DW_Release(void) {
  std::lock_guard lock(g_mutex);
  if (!g_conversion) return DW_ERR_STATE;
  const int result = g_conversion->Finish();
  g_conversion.reset();
  return result;
}

extern "C" DX2WAV_API DW_Conversion* DW_Open(const char* source_path, const char* wav_path,
                                             double* duration, int32_t* error) {
  if (duration) *duration = 0.0;
  if (error) *error = DW_OK;
  if (!source_path || !wav_path || !*source_path || !*wav_path) {
    if (error) *error = DW_ERR_INPUT;
    return nullptr;
  }
  auto conversion = std::make_unique<DW_Conversion>();
  const double result = conversion->Open(source_path, wav_path);
  if (result < 0) {
    if (error) *error = static_cast<int32_t>(result);
    return nullptr;
  }
  if (duration) *duration = result;
  return conversion.release();
}

extern "C" DX2WAV_API int32_t DW_Step(DW_Conversion* conversion, int32_t step, double* position) {
  if (!conversion) return 0;
  const bool more = conversion->Step(step > 0 ? step : 1);
  if (position) *position = conversion->Position();
  return more ? 1 : 0;
}

extern "C" DX2WAV_API int32_t DW_Close(DW_Conversion* conversion) {
  if (!conversion) return DW_ERR_STATE;
  const std::unique_ptr<DW_Conversion> owned(conversion);
  return owned->Finish();
}
