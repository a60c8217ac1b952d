#include "engine/resample_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/media_detector.h"
#include "engine/wav_file.h"
#include "engine/wav_target_format.h"

namespace carrowell {
namespace {

// The resampler's callback reaches the running conversion's sink here. The
// callback runs on the thread that called Resample, so every converting
// thread has a sink of its own.
thread_local ConversionProgress* g_current_sink = nullptr;

void OnResampleProgress(std::int32_t* abort_flag, std::int32_t percent) {
  if (g_current_sink == nullptr) return;
  if (g_current_sink->IsAborted()) {
    if (abort_flag) *abort_flag = -1;
    return;
  }
  g_current_sink->SetEncodePosition(std::min(std::abs(percent), 100));
  g_current_sink->PumpMessages();
}

struct CurrentSink {
  explicit CurrentSink(ConversionProgress& sink) { g_current_sink = &sink; }
  ~CurrentSink() { g_current_sink = nullptr; }
};

}  // namespace

ResampleEncoder::ResampleEncoder(std::string library) : library_(std::move(library)) {}

ResampleEncoder::~ResampleEncoder() { Release(); }

int ResampleEncoder::Init() {
  if (resampler_) return 1;
  if (module_.Load(library_)) {
    auto create =
        reinterpret_cast<CreateAudioResampleCtrlFn>(module_.Symbol("CreateAudioResampleCtrl"));
    delete_ctrl_ =
        reinterpret_cast<DeleteAudioResampleCtrlFn>(module_.Symbol("DeleteAudioResampleCtrl"));
    if (create && delete_ctrl_) resampler_ = create();
    if (resampler_) return 1;
  }
  delete_ctrl_ = nullptr;
  module_.Unload();
  ReportNotInstalled(library_);
  return 0;
}

void ResampleEncoder::Release() {
  if (resampler_ && delete_ctrl_) delete_ctrl_(resampler_);
  resampler_ = nullptr;
  delete_ctrl_ = nullptr;
  module_.Unload();
}

bool ResampleEncoder::ProbeInput(ResampleRequest& request) const {
  const auto format = ProbeWaveFormat(input_);
  if (!format) return false;
  request.input_rate = static_cast<float>(format->sample_rate);
  request.channels = format->channels;
  return true;
}

int ResampleEncoder::SetInput(const std::string& path) {
  input_ = path;
  if (descriptor_ == nullptr) return 1;
  ResampleRequest request{};
  if (descriptor_->GetBlock(WavTargetFormat::kRequest, &request, sizeof request) &&
      ProbeInput(request))
    descriptor_->SetBlock(WavTargetFormat::kRequest, &request, sizeof request);
  return 1;
}

int ResampleEncoder::Run(ConversionProgress& progress) {
  CurrentSink sink(progress);
  progress.SetEncodeRange(0, 100);
  if (resampler_ == nullptr || descriptor_ == nullptr) return 0;

  ResampleRequest request{};
  if (!descriptor_->GetBlock(WavTargetFormat::kRequest, &request, sizeof request)) return 0;
  request.input_path = input_.c_str();
  request.output_path = output_.c_str();
  ProbeInput(request);
  request.progress = &OnResampleProgress;

  const std::int32_t result = resampler_->Resample(&request);
  progress.SetEncodePosition(100);
  if (result != RESAMPLE_OK || progress.IsAborted()) return 0;
  // Only a complete 16-bit WAV at the requested rate counts as written.
  const auto written = ReadWavInfo(output_);
  return written && written->IsComplete() && written->format_tag == kWavPcm &&
                 written->bits_per_sample == 16 &&
                 written->sample_rate == static_cast<std::uint32_t>(std::lround(request.output_rate))
             ? 1
             : 0;
}

}  // namespace carrowell
