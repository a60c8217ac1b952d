// 20-bit titles authored through libPennock.so and decoded by FFmpeg's
// pcm_dvd decoder: every sample must come back with all its 20 bits.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "authoring_test_support.h"
#include "job/job_signals.h"
#include "pennock/pennock.h"
#include "platform/module.h"
#include "platform/window.h"
#include "support/test_support.h"

namespace {
using namespace pennock;
namespace fs = std::filesystem;

struct JobEnd : platform::QueuedSink {
  std::intptr_t OnMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override {
    if (message == kMsgStatus && (wparam == kStatusFailed || wparam == kStatusSucceeded)) {
      finished = true;
      status = static_cast<int>(wparam);
      result = static_cast<int>(lparam);
    }
    return 0;
  }
  bool finished = false;
  int status = 0;
  int result = 0;
};

// A WAV of 20-bit samples in 3-byte little-endian containers (the low four
// bits zero), as the multiplexer reads them.
std::string TwentyBitWav(const std::vector<std::int32_t>& samples, int channels, int rate) {
  const auto data = static_cast<std::uint32_t>(samples.size() * 3);
  std::vector<std::uint8_t> file(44 + data);
  auto le = [&](std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) file[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  std::memcpy(&file[0], "RIFF", 4);
  le(4, 36 + data, 4);
  std::memcpy(&file[8], "WAVEfmt ", 8);
  le(16, 16, 4);
  le(20, 1, 2);
  le(22, static_cast<std::uint32_t>(channels), 2);
  le(24, static_cast<std::uint32_t>(rate), 4);
  le(28, static_cast<std::uint32_t>(rate * channels * 3), 4);
  le(32, static_cast<std::uint32_t>(channels * 3), 2);
  le(34, 20, 2);
  std::memcpy(&file[36], "data", 4);
  le(40, data, 4);
  for (std::size_t i = 0; i < samples.size(); ++i) le(44 + 3 * i, static_cast<std::uint32_t>(samples[i]) << 4, 3);
  return std::string(file.begin(), file.end());
}

// Every audio sample of the VOB as pcm_dvd decodes it, 32-bit left-justified.
std::vector<std::int32_t> DecodeAudio(const fs::path& vob, const fs::path& raw) {
  const std::string command = "ffmpeg -nostdin -v error -y -i '" + vob.string() +
                              "' -map 0:a:0 -f s32le -c:a pcm_s32le '" + raw.string() + "'";
  if (std::system(command.c_str()) != 0) return {};
  const std::string bytes = testing_support::ReadFile(raw);
  std::vector<std::int32_t> out(bytes.size() / 4);
  std::memcpy(out.data(), bytes.data(), out.size() * 4);
  return out;
}

TEST(TwentyBitLpcm, TitlesDecodeToTheSourceSamples) {
  static platform::Module library;  // stays loaded while a job's worker may still run
  ASSERT_TRUE(library.Loaded() || library.Load("Pennock")) << library.Error();
  const auto author = reinterpret_cast<int (*)(AuthorParams*)>(library.Symbol("fuAuthor"));
  ASSERT_TRUE(author);

  const struct {
    int channels;
    int rate;
  } cases[] = {{2, 48000}, {1, 48000}, {2, 96000}, {1, 96000}};
  std::mt19937 random(20);
  std::uniform_int_distribution<std::int32_t> any_sample(-(1 << 19), (1 << 19) - 1);
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message() << k.channels << " channel(s) at " << k.rate << " Hz");
    testing_support::ScratchDir dir;
    // A quarter of a second and part of a 1/600 s frame, so the last frame is padded.
    const int frames = k.rate / 4 + 37;
    std::vector<std::int32_t> samples(static_cast<std::size_t>(frames * k.channels));
    for (auto& s : samples) s = any_sample(random);
    testing_support::WriteFile(dir / "audio.wav", TwentyBitWav(samples, k.channels, k.rate));
    const auto bmp = authoring_test::MakeBmp(720, 576, [](int x, int) { return x < 360 ? 0x204080u : 0xC0A060u; });
    testing_support::WriteFile(dir / "still.bmp", std::string(bmp.begin(), bmp.end()));

    const AuthorParamsPtr params = NewAuthorParams();
    JobEnd window;
    const platform::WindowHandle handle = platform::RegisterWindow(&window);
    params->window = handle;
    std::snprintf(params->output_folder, kPathSize, "%s", (dir / "out").c_str());
    params->language = static_cast<std::int16_t>('e' << 8 | 'n');
    params->title_count = 1;
    params->chapter_count[1] = 1;
    std::snprintf(params->audio_file[1][1], kPathSize, "%s", (dir / "audio.wav").c_str());
    std::snprintf(params->picture_file[1][1], kPathSize, "%s", (dir / "still.bmp").c_str());
    EXPECT_EQ(author(params.get()), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!window.finished && std::chrono::steady_clock::now() < deadline) window.WaitAndProcess(50);
    platform::UnregisterWindow(handle);
    if (window.status != kStatusSucceeded) {
      ADD_FAILURE() << "job ended with " << window.status << ", result " << window.result;
      continue;
    }

    const std::vector<std::int32_t> back = DecodeAudio(dir / "out" / "VIDEO_TS" / "VTS_01_1.VOB", dir / "back.raw");
    // The source, then the silence that completes its last 1/600 s frame.
    const std::size_t frame_samples = static_cast<std::size_t>(k.rate / 600 * k.channels);
    ASSERT_GE(back.size(), samples.size());
    EXPECT_LT(back.size() - samples.size(), frame_samples);
    std::size_t wrong = 0, first_wrong = 0;
    for (std::size_t i = 0; i < back.size(); ++i) {
      const std::int32_t expected = i < samples.size() ? static_cast<std::int32_t>(static_cast<std::uint32_t>(samples[i]) << 12) : 0;
      if (back[i] != expected && wrong++ == 0) first_wrong = i;
    }
    EXPECT_EQ(wrong, 0u) << "the first at sample " << first_wrong << " of " << back.size() << ": 0x" << std::hex
                         << back[first_wrong];
  }
}

}  // namespace
