// Target kind 100: a PCM WAV file at the output sample rate, written by the
// resampler. Its properties make up the request handed to the resampler.
#pragma once

#include <string>

#include "engine/property_set.h"
#include "resample/resample.h"

namespace carrowell {

// Properties: strings 0 and 1 (input and output path, empty at first);
// real 2 input sample rate (44100), real 3 output sample rate (48000), both
// held as single-precision floats; integer 4 (0, carried along); integer 5
// channel count (2); block 6 the ResampleRequest made of all of these.
// It has no identity string, so CopyFrom never copies.
class WavTargetFormat : public TargetFormat {
 public:
  static constexpr int kInputPath = 0;
  static constexpr int kOutputPath = 1;
  static constexpr int kInputRate = 2;
  static constexpr int kOutputRate = 3;
  static constexpr int kOption = 4;
  static constexpr int kChannels = 5;
  static constexpr int kRequest = 6;

  int CopyFrom(const PropertySet&) override { return 0; }
  int GetInt(int number, int& value) const override;
  int SetInt(int number, int value) override;
  int GetReal(int number, double& value) const override;
  int SetReal(int number, double value) override;
  int GetString(int number, std::string& value) const override;
  int SetString(int number, const std::string& value) override;
  // The request's paths point into this object and stay valid until the
  // paths change or the object goes away.
  int GetBlock(int number, void* buffer, std::size_t length) const override;
  int SetBlock(int number, const void* buffer, std::size_t length) override;

 private:
  std::string input_path_;
  std::string output_path_;
  float input_rate_ = 44100.0f;
  float output_rate_ = 48000.0f;
  int option_ = 0;
  int channels_ = 2;
};

}  // namespace carrowell
