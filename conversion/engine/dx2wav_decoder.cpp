#include "engine/dx2wav_decoder.h"

#include <algorithm>
#include <cmath>

#include "engine/source_descriptors.h"

namespace carrowell {

Dx2WavDecoder::Dx2WavDecoder(std::string library) : library_(std::move(library)) {}

Dx2WavDecoder::Dx2WavDecoder(const Dx2WavFunctions& functions)
    : preset_(true), functions_(functions) {}

int Dx2WavDecoder::Init() {
  if (preset_) return functions_.initialize && functions_.transform && functions_.release;
  if (module_.Load(library_)) {
    functions_.initialize = reinterpret_cast<DW_InitialazeFn>(module_.Symbol("DW_Initialaze"));
    functions_.transform = reinterpret_cast<DW_TransformFn>(module_.Symbol("DW_Transform"));
    functions_.release = reinterpret_cast<DW_ReleaseFn>(module_.Symbol("DW_Release"));
    functions_.open = reinterpret_cast<DW_OpenFn>(module_.Symbol("DW_Open"));
    functions_.step = reinterpret_cast<DW_StepFn>(module_.Symbol("DW_Step"));
    functions_.close = reinterpret_cast<DW_CloseFn>(module_.Symbol("DW_Close"));
    if (functions_.initialize && functions_.transform && functions_.release) return 1;
  }
  functions_ = {};
  module_.Unload();
  ReportNotInstalled(library_);
  return 0;
}

void Dx2WavDecoder::Release() {
  if (preset_) return;
  functions_ = {};
  module_.Unload();
}

int Dx2WavDecoder::Run(ConversionProgress& progress) {
  if (!functions_.initialize || descriptor_ == nullptr) return 0;
  const std::string source = descriptor_->String(MediaFileSource::kPath);
  const std::string display = descriptor_->String(kDescriptionString, source);

  // The handle exports when present (several decoders may run at once),
  // else the component's one process-wide conversion.
  DW_Conversion* handle = nullptr;
  double duration = 0;
  if (RunsConcurrently()) {
    handle = functions_.open(source.c_str(), output_.c_str(), &duration, nullptr);
    if (handle == nullptr) return 0;
  } else if (functions_.initialize(source.c_str(), output_.c_str(), &duration) < 0) {
    return 0;
  }
  const auto transform = [&](double* position) {
    return handle ? functions_.step(handle, kStep, position) : functions_.transform(kStep, position);
  };
  if (!(duration >= 0) || !std::isfinite(duration)) duration = 0;

  progress.SetDecodeRange(0, std::max<std::int64_t>(1, static_cast<std::int64_t>(duration)));
  progress.SetCurrentFile(display.c_str());

  // The component promises progress on every step; a position that stops
  // moving for many steps in a row ends the conversion all the same.
  bool finished = false;
  double position = 0;
  double furthest = 0;
  int stalled = 0;
  for (;;) {
    if (transform(&position) == 0) {
      finished = true;
      break;
    }
    if (progress.IsAborted()) break;
    if (!(position >= 0)) position = 0;
    if (position > furthest) {
      furthest = position;
      stalled = 0;
    } else if (++stalled >= kStallLimit) {
      break;
    }
    progress.SetDecodePosition(static_cast<std::int64_t>(std::min(position, duration)));
    progress.PumpMessages();
  }
  const std::int32_t released = handle ? functions_.close(handle) : functions_.release();
  return finished && released == DW_OK ? 1 : 0;
}

}  // namespace carrowell
