// Encoding one photo-like PAL still: our encoder against FFmpeg's own MPEG-2
// intra encoder on the same picture, measured in the same run.
#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>

#include "encoder/still_encoder.h"

namespace {

// Smooth colour fields with fine texture and a few hard edges, like a photo.
const pennock::BmpPicture& PhotoLikePicture() {
  static const pennock::BmpPicture picture = [] {
    pennock::BmpPicture p;
    p.width = 720;
    p.height = 576;
    p.rgb.resize(720 * 576 * 3);
    std::uint32_t seed = 12345;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) {
        seed = seed * 1664525u + 1013904223u;
        const double grain = static_cast<double>(seed >> 24) / 64.0 - 2.0;
        const double sky = 120 + 90 * std::sin(x / 180.0) * std::cos(y / 150.0);
        const bool hill = y > 380 + 40 * std::sin(x / 60.0);
        std::uint8_t* px = &p.rgb[(static_cast<std::size_t>(y) * p.width + x) * 3];
        px[0] = static_cast<std::uint8_t>(std::clamp(hill ? 60 + grain * 4 : sky * 0.6 + grain, 0.0, 255.0));
        px[1] = static_cast<std::uint8_t>(std::clamp(hill ? 120 + grain * 6 : sky * 0.8 + grain, 0.0, 255.0));
        px[2] = static_cast<std::uint8_t>(std::clamp(hill ? 40 + grain * 3 : sky + grain, 0.0, 255.0));
      }
    return p;
  }();
  return picture;
}

void BM_VerosaStillEncode(benchmark::State& state) {
  const pennock::BmpPicture& picture = PhotoLikePicture();
  std::size_t bytes = 0;
  for (auto _ : state) {
    const pennock::CodedStill coded = pennock::CodeStillPicture(picture, {.q = 1}, {});
    const auto file = pennock::PacketiseStill(coded.stream, coded.frame_rate_code, 0);
    bytes = file.size();
    benchmark::DoNotOptimize(file.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

// FFmpeg's own path for one picture: swscale turns the RGB picture into
// 4:2:0 (BT.601, studio range), then its MPEG-2 encoder codes one intra
// frame at quantiser 2, the encoder opened per picture as a one-picture
// encode does. With `convert` false the 4:2:0 frame is made once, outside
// the timing, and only the encode is measured.
void FfmpegIntra(benchmark::State& state, bool convert) {
  const pennock::BmpPicture& picture = PhotoLikePicture();
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO);
  if (!codec) {
    state.SkipWithError("no MPEG-2 encoder in this FFmpeg");
    return;
  }
  AVFrame* frame = av_frame_alloc();
  frame->format = AV_PIX_FMT_YUV420P;
  frame->width = picture.width;
  frame->height = picture.height;
  av_frame_get_buffer(frame, 32);
  SwsContext* sws = sws_getContext(picture.width, picture.height, AV_PIX_FMT_RGB24, picture.width,
                                   picture.height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
  const std::uint8_t* src[1] = {picture.rgb.data()};
  const int src_stride[1] = {picture.width * 3};
  auto to_yuv = [&] { sws_scale(sws, src, src_stride, 0, picture.height, frame->data, frame->linesize); };
  if (!convert) to_yuv();
  AVPacket* packet = av_packet_alloc();
  std::size_t bytes = 0;
  for (auto _ : state) {
    if (convert) to_yuv();
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->width = picture.width;
    ctx->height = picture.height;
    ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    ctx->time_base = {1, 25};
    ctx->gop_size = 0;
    ctx->flags |= AV_CODEC_FLAG_QSCALE;
    ctx->global_quality = FF_QP2LAMBDA * 2;
    ctx->thread_count = 1;
    if (avcodec_open2(ctx, codec, nullptr) < 0) throw std::runtime_error("avcodec_open2");
    frame->pts = 0;
    frame->quality = ctx->global_quality;
    avcodec_send_frame(ctx, frame);
    avcodec_send_frame(ctx, nullptr);
    while (avcodec_receive_packet(ctx, packet) == 0) {
      bytes = static_cast<std::size_t>(packet->size);
      av_packet_unref(packet);
    }
    avcodec_free_context(&ctx);
  }
  state.counters["bytes"] = static_cast<double>(bytes);
  sws_freeContext(sws);
  av_packet_free(&packet);
  av_frame_free(&frame);
}

void BM_FfmpegMpeg2Intra(benchmark::State& state) { FfmpegIntra(state, true); }
void BM_FfmpegMpeg2IntraEncodeOnly(benchmark::State& state) { FfmpegIntra(state, false); }

}  // namespace

BENCHMARK(BM_VerosaStillEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FfmpegMpeg2Intra)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FfmpegMpeg2IntraEncodeOnly)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
