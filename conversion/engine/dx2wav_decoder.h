// Source kind 4: decodes a media file into the intermediate WAV file with
// the Dx2Wav component, one step of 100 packets at a time. With the
// component's handle exports every decoder has a conversion of its own.
#pragma once

#include <string>

#include "dx2wav/dx2wav.h"
#include "engine/engine.h"
#include "platform/module.h"

namespace carrowell {

struct Dx2WavFunctions {
  DW_InitialazeFn initialize = nullptr;
  DW_TransformFn transform = nullptr;
  DW_ReleaseFn release = nullptr;
  // The handle exports; without them conversions run one at a time.
  DW_OpenFn open = nullptr;
  DW_StepFn step = nullptr;
  DW_CloseFn close = nullptr;
};

class Dx2WavDecoder : public Decoder {
 public:
  static constexpr int kStep = 100;
  // Steps in a row without a later position before the decoder gives up.
  static constexpr int kStallLimit = 10000;

  // Loads the component by name.
  explicit Dx2WavDecoder(std::string library = "Dx2Wav.dll");
  // Uses functions that are already at hand instead of loading a library.
  explicit Dx2WavDecoder(const Dx2WavFunctions& functions);

  int Init() override;
  void Release() override;
  int Run(ConversionProgress& progress) override;
  bool RunsConcurrently() const override {
    return functions_.open && functions_.step && functions_.close;
  }

 private:
  std::string library_;
  bool preset_ = false;
  platform::Module module_;
  Dx2WavFunctions functions_;
};

}  // namespace carrowell
