// Target kind 100: converts the intermediate WAV file into a 16-bit PCM WAV
// at the format's output sample rate with the Resample component.
#pragma once

#include <string>

#include "engine/engine.h"
#include "platform/module.h"
#include "resample/resample.h"

namespace carrowell {

class ResampleEncoder : public Encoder {
 public:
  explicit ResampleEncoder(std::string library = "Resample.dll");
  ~ResampleEncoder() override;

  int Init() override;
  void Release() override;
  // Remembers the path and puts its sample rate and channel count into the
  // format's request when the file can be probed.
  int SetInput(const std::string& path) override;
  int Run(ConversionProgress& progress) override;

 private:
  // Fills in the input's rate and channels; false when the probe fails.
  bool ProbeInput(ResampleRequest& request) const;

  std::string library_;
  platform::Module module_;
  DeleteAudioResampleCtrlFn delete_ctrl_ = nullptr;
  AudioResampleCtrl* resampler_ = nullptr;
};

}  // namespace carrowell
