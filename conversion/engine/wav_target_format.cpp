#include "engine/wav_target_format.h"

#include <cstring>

namespace carrowell {

int WavTargetFormat::GetInt(int number, int& value) const {
  if (number == kOption) value = option_;
  else if (number == kChannels) value = channels_;
  else return 0;
  return 1;
}

int WavTargetFormat::SetInt(int number, int value) {
  if (number == kOption) option_ = value;
  else if (number == kChannels) channels_ = value;
  else return 0;
  return 1;
}

int WavTargetFormat::GetReal(int number, double& value) const {
  if (number == kInputRate) value = input_rate_;
  else if (number == kOutputRate) value = output_rate_;
  else return 0;
  return 1;
}

int WavTargetFormat::SetReal(int number, double value) {
  if (number == kInputRate) input_rate_ = static_cast<float>(value);
  else if (number == kOutputRate) output_rate_ = static_cast<float>(value);
  else return 0;
  return 1;
}

int WavTargetFormat::GetString(int number, std::string& value) const {
  if (number == kInputPath) value = input_path_;
  else if (number == kOutputPath) value = output_path_;
  else return 0;
  return 1;
}

int WavTargetFormat::SetString(int number, const std::string& value) {
  if (number == kInputPath) input_path_ = value;
  else if (number == kOutputPath) output_path_ = value;
  else return 0;
  return 1;
}

int WavTargetFormat::GetBlock(int number, void* buffer, std::size_t length) const {
  if (number != kRequest || buffer == nullptr || length < sizeof(ResampleRequest)) return 0;
  ResampleRequest request{};
  request.input_path = input_path_.c_str();
  request.output_path = output_path_.c_str();
  request.input_rate = input_rate_;
  request.output_rate = output_rate_;
  request.option = option_;
  request.channels = channels_;
  request.progress = nullptr;
  std::memcpy(buffer, &request, sizeof request);
  return 1;
}

int WavTargetFormat::SetBlock(int number, const void* buffer, std::size_t length) {
  if (number != kRequest || buffer == nullptr || length < sizeof(ResampleRequest)) return 0;
  ResampleRequest request;
  std::memcpy(&request, buffer, sizeof request);
  // The paths may point into this object's own strings: copy before assigning.
  std::string input = request.input_path ? request.input_path : "";
  std::string output = request.output_path ? request.output_path : "";
  input_path_ = std::move(input);
  output_path_ = std::move(output);
  input_rate_ = request.input_rate;
  output_rate_ = request.output_rate;
  option_ = request.option;
  channels_ = request.channels;
  return 1;
}

}  // namespace carrowell
