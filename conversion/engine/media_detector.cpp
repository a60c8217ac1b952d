#include "engine/media_detector.h"

#include <memory>
#include <mutex>
#include <system_error>

#include "ui/media_info.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

namespace carrowell {
namespace {

namespace fs = std::filesystem;

struct InputCloser {
  void operator()(AVFormatContext* input) const { avformat_close_input(&input); }
};
using MediaInput = std::unique_ptr<AVFormatContext, InputCloser>;

// Local regular files only, through the file protocol, with the library's
// log muted: probing arbitrary files must neither block nor chatter.
MediaInput OpenMedia(const fs::path& path) {
  static std::once_flag quiet;
  std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return nullptr;
  const std::string url = "file:" + path.string();
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  AVFormatContext* raw = nullptr;
  const int opened = avformat_open_input(&raw, url.c_str(), nullptr, &options);
  av_dict_free(&options);
  if (opened < 0) return nullptr;
  MediaInput input(raw);
  if (avformat_find_stream_info(input.get(), nullptr) < 0) return nullptr;
  return input;
}

const AVStream* FirstAudioStream(const AVFormatContext& input) {
  for (unsigned i = 0; i < input.nb_streams; ++i)
    if (input.streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) return input.streams[i];
  return nullptr;
}

// From the first timestamp of the stream to the end of its last packet.
std::optional<double> DemuxedLength(AVFormatContext& input, const AVStream& stream) {
  int64_t first = AV_NOPTS_VALUE;
  int64_t end = AV_NOPTS_VALUE;
  AVPacket* packet = av_packet_alloc();
  if (packet == nullptr) return std::nullopt;
  while (av_read_frame(&input, packet) >= 0) {
    const int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (packet->stream_index == stream.index && ts != AV_NOPTS_VALUE) {
      const int64_t length =
          packet->duration > 0 && ts <= INT64_MAX - packet->duration ? packet->duration : 0;
      if (first == AV_NOPTS_VALUE || ts < first) first = ts;
      if (end == AV_NOPTS_VALUE || ts + length > end) end = ts + length;
    }
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  if (first == AV_NOPTS_VALUE || end < first) return std::nullopt;
  return static_cast<double>(end - first) * av_q2d(stream.time_base);
}

}  // namespace

std::optional<double> MediaLengthSeconds(const fs::path& path) {
  const MediaInput input = OpenMedia(path);
  if (!input) return std::nullopt;
  if (input->duration != AV_NOPTS_VALUE && input->duration >= 0)
    return static_cast<double>(input->duration) / AV_TIME_BASE;
  const AVStream* audio = FirstAudioStream(*input);
  if (audio == nullptr) return std::nullopt;
  if (audio->duration != AV_NOPTS_VALUE && audio->duration >= 0)
    return static_cast<double>(audio->duration) * av_q2d(audio->time_base);
  return DemuxedLength(*input, *audio);
}

std::optional<WaveFormatProbe> ProbeWaveFormat(const fs::path& path) {
  verosa::WaveFormat format{};
  if (!verosa::GetPcmWaveFormat(format, path)) return std::nullopt;
  return WaveFormatProbe{static_cast<int>(format.samples_per_sec),
                         static_cast<int>(format.channels)};
}

bool HasAudio(const fs::path& path) { return verosa::HasAudioStream(path); }

}  // namespace carrowell
