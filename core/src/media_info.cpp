#include "core/media_info.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/log.h>
#include <libavutil/samplefmt.h>
}

namespace verosa {
namespace {

namespace fs = std::filesystem;

struct InputCloser {
  void operator()(AVFormatContext* input) const { avformat_close_input(&input); }
};
using MediaInput = std::unique_ptr<AVFormatContext, InputCloser>;

// Opens a local file and reads its stream parameters; null on any failure.
// Probing arbitrary files must stay silent and must only ever read local
// files, so the library log is muted and the file protocol is forced.
// One PCM stream of known rate, channels and length, as the WAV demuxer
// reads them from the header.
bool IsPlainPcmWav(const AVFormatContext& input) {
  if (std::string_view(input.iformat->name) != "wav" || input.nb_streams != 1) return false;
  const AVStream& stream = *input.streams[0];
  const AVCodecParameters& par = *stream.codecpar;
  return par.codec_type == AVMEDIA_TYPE_AUDIO && par.codec_id >= AV_CODEC_ID_PCM_S16LE &&
         par.codec_id < AV_CODEC_ID_ADPCM_IMA_QT && par.sample_rate > 0 && par.ch_layout.nb_channels > 0 &&
         stream.duration != AV_NOPTS_VALUE && stream.duration >= 0;
}

// How far OpenMedia reads: the container's header alone for its tags, the
// header of a plain PCM WAV (else the streams) for facts about the sound,
// or the streams' first packets for everything.
enum class Probe { Tags, Header, Streams };

MediaInput OpenMedia(const fs::path& path, Probe probe = Probe::Streams) {
  static std::once_flag quiet;
  std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });

  // Regular files only: a FIFO would block the open, a directory is no media.
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return nullptr;

  // "file:" keeps a name such as "a:b.mp3" from being read as a protocol.
  const std::string url = "file:" + path.string();
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  AVFormatContext* raw = nullptr;
  const int opened = avformat_open_input(&raw, url.c_str(), nullptr, &options);
  av_dict_free(&options);
  if (opened < 0) return nullptr;  // the context is freed by libavformat

  MediaInput input(raw);
  // Tags are read with the header. A PCM WAV's header tells that much (a
  // disc job asks three times a chapter); its sample format is known only
  // after reading data.
  if (probe == Probe::Tags || (probe == Probe::Header && IsPlainPcmWav(*input))) return input;
  if (avformat_find_stream_info(input.get(), nullptr) < 0) return nullptr;
  return input;
}

AVStream* FirstAudioStream(const AVFormatContext& input) {
  for (unsigned i = 0; i < input.nb_streams; ++i) {
    if (input.streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) return input.streams[i];
  }
  return nullptr;
}

// Sample width of the PCM the stream decodes to. Float output (lossy codecs,
// float PCM) is converted to 16 bit; integer output keeps its real precision
// rounded up to whole bytes (24-bit FLAC decodes into 32-bit words).
int DecodedBitsPerSample(const AVCodecParameters& par) {
  switch (av_get_packed_sample_fmt(static_cast<AVSampleFormat>(par.format))) {
    case AV_SAMPLE_FMT_U8:
      return 8;
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_DBL:
      return 16;
    default:
      break;
  }
  const int bits = par.bits_per_raw_sample > 0 ? par.bits_per_raw_sample
                                               : av_get_bits_per_sample(par.codec_id);
  if (bits <= 16) return 16;
  return std::min(32, (bits + 7) / 8 * 8);
}

// Truncates a duration in time-base units to whole seconds, clamped to int.
int WholeSeconds(int64_t duration, AVRational time_base) {
  const int64_t seconds = av_rescale_q_rnd(duration, time_base, AVRational{1, 1},
                                           AV_ROUND_DOWN);
  return static_cast<int>(std::clamp<int64_t>(seconds, 0, INT_MAX));
}

// Reads every packet of the stream and measures from its first timestamp to
// the end of its last packet. For raw streams that carry no length.
int64_t DemuxedDuration(AVFormatContext& input, const AVStream& stream) {
  int64_t first = AV_NOPTS_VALUE;
  int64_t end = AV_NOPTS_VALUE;
  AVPacket* packet = av_packet_alloc();
  if (packet == nullptr) return AV_NOPTS_VALUE;
  while (av_read_frame(&input, packet) >= 0) {
    const int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (packet->stream_index == stream.index && ts != AV_NOPTS_VALUE) {
      const int64_t length = packet->duration > 0 && ts <= INT64_MAX - packet->duration
                                 ? packet->duration
                                 : 0;
      if (first == AV_NOPTS_VALUE || ts < first) first = ts;
      if (end == AV_NOPTS_VALUE || ts + length > end) end = ts + length;
    }
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  if (first == AV_NOPTS_VALUE || (first < 0 && end > INT64_MAX + first)) return AV_NOPTS_VALUE;
  return end - first;
}

}  // namespace

bool GetPcmWaveFormat(WaveFormat& out, const fs::path& path) {
  const MediaInput input = OpenMedia(path);
  if (!input) return false;
  const AVStream* stream = FirstAudioStream(*input);
  if (stream == nullptr) return false;

  // Only a stream our decoders can turn into PCM can be described as PCM.
  const AVCodecParameters& par = *stream->codecpar;
  const int channels = par.ch_layout.nb_channels;
  if (avcodec_find_decoder(par.codec_id) == nullptr || channels <= 0 || par.sample_rate <= 0)
    return false;

  const int bits = DecodedBitsPerSample(par);
  const int64_t block_align = int64_t{channels} * bits / 8;
  const int64_t bytes_per_sec = block_align * par.sample_rate;
  if (block_align > UINT16_MAX || bytes_per_sec > UINT32_MAX) return false;

  out.format_tag = kWaveFormatPcm;
  out.channels = static_cast<uint16_t>(channels);
  out.samples_per_sec = static_cast<uint32_t>(par.sample_rate);
  out.avg_bytes_per_sec = static_cast<uint32_t>(bytes_per_sec);
  out.block_align = static_cast<uint16_t>(block_align);
  out.bits_per_sample = static_cast<uint16_t>(bits);
  out.extra_size = 0;
  return true;
}

namespace {

// The media's length as a count in a time base; nullopt when unknown.
struct Length {
  int64_t count;
  AVRational time_base;
};

std::optional<Length> MediaLength(const fs::path& path) {
  const MediaInput input = OpenMedia(path, Probe::Header);
  if (!input) return std::nullopt;
  if (input->duration != AV_NOPTS_VALUE && input->duration >= 0)
    return Length{input->duration, AV_TIME_BASE_Q};

  const AVStream* audio = FirstAudioStream(*input);
  if (audio == nullptr) return std::nullopt;
  if (audio->duration != AV_NOPTS_VALUE && audio->duration >= 0)
    return Length{audio->duration, audio->time_base};

  const int64_t demuxed = DemuxedDuration(*input, *audio);
  if (demuxed == AV_NOPTS_VALUE || demuxed < 0) return std::nullopt;
  return Length{demuxed, audio->time_base};
}

}  // namespace

int GetMediaDurationSeconds(const fs::path& path) {
  const auto length = MediaLength(path);
  return length ? WholeSeconds(length->count, length->time_base) : -1;
}

double GetMediaLengthSeconds(const fs::path& path) {
  const auto length = MediaLength(path);
  return length ? static_cast<double>(length->count) * av_q2d(length->time_base) : -1.0;
}

std::string FormatMediaDuration(const fs::path& path) {
  const int seconds = GetMediaDurationSeconds(path);
  if (seconds < 0) return "00:00.00";
  return FormatDurationText(seconds);
}

bool IsDiscReadyWav(const fs::path& path, int sample_rate) {
  const MediaInput input = OpenMedia(path, Probe::Header);
  if (!input || std::string_view(input->iformat->name) != "wav") return false;
  const AVStream* stream = FirstAudioStream(*input);
  if (!stream) return false;
  const AVCodecParameters& par = *stream->codecpar;
  const bool lpcm = par.codec_id == AV_CODEC_ID_PCM_S16LE || par.codec_id == AV_CODEC_ID_PCM_S24LE;
  return lpcm && par.sample_rate == sample_rate && par.ch_layout.nb_channels >= 1 &&
         par.ch_layout.nb_channels <= 2;
}

std::string GetMediaTitleTag(const fs::path& path) {
  const MediaInput input = OpenMedia(path, Probe::Tags);
  if (!input) return {};
  const AVDictionaryEntry* tag = av_dict_get(input->metadata, "title", nullptr, 0);
  if (!tag || !*tag->value) {
    if (const AVStream* stream = FirstAudioStream(*input)) tag = av_dict_get(stream->metadata, "title", nullptr, 0);
  }
  if (!tag) return {};
  std::string title = tag->value;
  const auto first = title.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return title.substr(first, title.find_last_not_of(" \t\r\n") - first + 1);
}

bool HasAudioStream(const fs::path& path) {
  const MediaInput input = OpenMedia(path, Probe::Header);
  return input && FirstAudioStream(*input) != nullptr;
}

std::string FormatDurationText(int seconds) {
  seconds = std::max(seconds, 0);
  char text[32];
  std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", seconds / 3600, seconds / 60 % 60,
                seconds % 60);
  return text;
}

}  // namespace verosa
