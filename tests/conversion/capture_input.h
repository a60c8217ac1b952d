// A known sound input for the recorder tests: SDL's "disk" audio driver
// reads capture data from the raw file named by SDL_DISKAUDIOFILEIN, in
// buffers of the size the device was opened with.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace conversion_testing {

// 16-bit stereo frames per buffer the recorder asks for.
inline constexpr int kCaptureBufferFrames = 1024;

// A run of whole buffers whose left and right samples have fixed magnitudes
// and random signs (so no two stretches of the input look alike).
struct InputSection {
  int buffers;
  int left;   // magnitude; 32768 gives -32768 for every sample
  int right;
};

// The interleaved samples of `sections`, one after the other.
inline std::vector<std::int16_t> MakeCaptureSamples(const std::vector<InputSection>& sections) {
  std::vector<std::int16_t> samples;
  std::uint32_t state = 12345;
  const auto next_bit = [&] {
    state = state * 1664525u + 1013904223u;
    return (state >> 16) & 1u;
  };
  const auto sample = [&](int magnitude) {
    if (magnitude >= 32768) return std::int16_t{-32768};
    return static_cast<std::int16_t>(next_bit() ? magnitude : -magnitude);
  };
  for (const InputSection& section : sections)
    for (int f = 0; f < section.buffers * kCaptureBufferFrames; ++f) {
      samples.push_back(sample(section.left));
      samples.push_back(sample(section.right));
    }
  return samples;
}

inline std::string Bytes(const std::vector<std::int16_t>& samples) {
  return std::string(reinterpret_cast<const char*>(samples.data()), samples.size() * 2);
}

// Points the disk driver at `input` (written to `dir`); its output goes to
// a file in `dir` as well.
class DiskAudio {
 public:
  DiskAudio(const std::filesystem::path& dir, const std::string& input)
      : driver_("SDL_AUDIODRIVER", "disk"),
        in_("SDL_DISKAUDIOFILEIN", (dir / "capture.raw").string()),
        out_("SDL_DISKAUDIOFILE", (dir / "playback.raw").string()) {
    testing_support::WriteFile(dir / "capture.raw", input);
  }

 private:
  testing_support::ScopedEnv driver_, in_, out_;
};

}  // namespace conversion_testing
