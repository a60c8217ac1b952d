// Mixing any number of channels down to a left/right pair, in the usual WAV
// channel order: the front pair to left and right, the centre to both at
// -3 dB, the low-frequency channel (the fourth of six or more) left out, the
// rest alternately to left and right at -3 dB. Each side is divided by the
// sum of its weights, so a full-scale input never clips. Mono goes to both
// sides unchanged, stereo stays as it is.
#pragma once

#include <vector>

namespace core {

class StereoMix {
 public:
  explicit StereoMix(int channels) : left_(Weights(channels, true)), right_(Weights(channels, false)) {}

  // One frame of as many samples as the mix has channels.
  template <typename Sample>
  void Mix(const Sample* frame, double& left, double& right) const {
    left = right = 0;
    for (std::size_t c = 0; c < left_.size(); ++c) {
      left += static_cast<double>(frame[c]) * left_[c];
      right += static_cast<double>(frame[c]) * right_[c];
    }
  }

 private:
  static std::vector<double> Weights(int channels, bool left) {
    std::vector<double> weights(channels > 0 ? static_cast<std::size_t>(channels) : 0);
    double total = 0;
    for (int c = 0; c < channels; ++c) {
      double w;
      if (channels == 1) w = 1.0;
      else if (c < 2) w = (c == 0) == left ? 1.0 : 0.0;
      else if (c == 2) w = 0.7071;
      else if (c == 3 && channels >= 6) w = 0.0;
      else w = ((c % 2) == 0) == left ? 0.7071 : 0.0;
      weights[static_cast<std::size_t>(c)] = w;
      total += w;
    }
    for (double& w : weights) w /= total;
    return weights;
  }

  std::vector<double> left_, right_;
};

}  // namespace core
