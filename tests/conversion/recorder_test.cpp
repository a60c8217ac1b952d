// The recorder on SDL's disk audio driver, which reads a known raw file as
// the sound input: the recording is that input after the start-up latency,
// bit for bit, across a pause; the header is right whenever the recording is
// not running; the meters follow the input's level; the size limit stops it.
#include "recorder/recorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "conversion/capture_input.h"
#include "conversion/conversion_test_support.h"

namespace carrowell {
namespace {

namespace fs = std::filesystem;
using conversion_testing::InputSection;
using conversion_testing::kCaptureBufferFrames;
using std::chrono::milliseconds;

constexpr std::size_t kBufferBytes = kCaptureBufferFrames * 4;

// The input, buffer by buffer, with the meters each buffer must show.
const std::vector<InputSection> kSections = {
    {24, 20000, 8000},  // loud
    {12, 99, 60},       // below the quiet level: empty meters
    {12, 300, 100},     // soft, just above it
    {12, 32768, 5000},  // full scale
    {100, 12000, 700},  // long enough for every recording below
};
const std::vector<InputLevels> kExpectedLevels = {
    {20000, 8000}, {0, 0}, {300, 100}, {32767, 5000}, {12000, 700}};

class LevelWindow : public platform::QueuedSink {
 public:
  std::intptr_t OnMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override {
    if (message == Recorder::kLevelMessage)
      levels.push_back({static_cast<int>(wparam), static_cast<int>(lparam)});
    return 0;
  }
  std::vector<InputLevels> levels;
};

std::uint32_t U32(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  std::memcpy(&v, bytes.data() + at, 4);
  return v;
}

// Where `piece` starts in `input` (at a frame), npos when nowhere.
std::size_t FindAt(const std::string& input, const std::string& piece) {
  for (std::size_t at = 0; at + piece.size() <= input.size(); at += 4)
    if (input.compare(at, piece.size(), piece) == 0) return at;
  return std::string::npos;
}

// The recording as runs of the input: each run starts somewhere in the
// input and must match it bit for bit to its end.
void ExpectRunsOfInput(const std::string& data, const std::string& input,
                       const std::vector<std::uint64_t>& run_ends, std::vector<std::size_t>* starts) {
  std::uint64_t begin = 0;
  for (const std::uint64_t end : run_ends) {
    ASSERT_GT(end, begin + kBufferBytes) << "each run holds more than a buffer";
    const std::string run = data.substr(begin, end - begin);
    const std::size_t at = FindAt(input, run.substr(0, kBufferBytes));
    ASSERT_NE(at, std::string::npos) << "the run at byte " << begin << " is not from the input";
    ASSERT_LE(at + run.size(), input.size());
    EXPECT_TRUE(input.compare(at, run.size(), run) == 0) << "the run at byte " << begin << " differs";
    starts->push_back(at);
    begin = end;
  }
  EXPECT_EQ(begin, data.size());
}

TEST(Recorder, RecordsTheInputBitForBitWithItsLevelsAcrossPauseAndLimit) {
  struct Case {
    const char* name;
    bool pause;
    std::uint64_t limit;  // 0: none
  };
  const Case cases[] = {
      {"pause and resume continue the file", true, 0},
      {"the size limit stops taking samples", false, 10 * kBufferBytes + 2},
  };
  const std::string input = conversion_testing::Bytes(conversion_testing::MakeCaptureSamples(kSections));

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::ScratchDir dir;
    conversion_testing::DiskAudio disk(dir.Path(), input);
    const fs::path path = dir / "take.wav";
    testing_support::WriteFile(path, std::string(3 * input.size(), 'x'));  // a stale, longer file

    LevelWindow window;
    const platform::WindowHandle handle = platform::RegisterWindow(&window);
    Recorder recorder;
    ASSERT_TRUE(recorder.Available()) << recorder.Error();
    EXPECT_EQ(recorder.Devices().front(), "Default");
    recorder.SetLevelWindow(handle);
    if (c.limit) recorder.SetDataLimit(c.limit);
    ASSERT_TRUE(recorder.Open(Recorder::kDefaultDevice)) << recorder.Error();
    EXPECT_EQ(recorder.Format().sample_rate, 44100);
    EXPECT_EQ(recorder.Format().channels, 2);

    std::this_thread::sleep_for(milliseconds(150));
    ASSERT_TRUE(recorder.Start(path.string()));
    std::vector<std::uint64_t> run_ends;
    std::this_thread::sleep_for(milliseconds(400));
    if (c.pause) {
      recorder.Pause();
      EXPECT_TRUE(recorder.IsPaused());
      run_ends.push_back(recorder.CapturedBytes());
      // Paused, the file is a complete WAV of what was taken.
      const std::string now = testing_support::ReadFile(path);
      ASSERT_EQ(now.size(), 44 + run_ends.back());
      EXPECT_EQ(U32(now, 40), run_ends.back());
      std::this_thread::sleep_for(milliseconds(300));
      recorder.Resume();
      std::this_thread::sleep_for(milliseconds(400));
    }
    Recorder::Event event = recorder.Poll();
    for (int i = 0; c.limit && event == Recorder::Event::None && i < 60; ++i) {
      std::this_thread::sleep_for(milliseconds(50));
      event = recorder.Poll();
    }
    if (c.limit) {
      EXPECT_EQ(event, Recorder::Event::LimitReached);
      EXPECT_EQ(recorder.CapturedBytes(), 10 * kBufferBytes);
    } else {
      EXPECT_EQ(event, Recorder::Event::None);
    }
    ASSERT_TRUE(recorder.Stop());
    run_ends.push_back(recorder.CapturedBytes());

    // The header, read back field by field.
    const std::string file = testing_support::ReadFile(path);
    ASSERT_GE(file.size(), 44u);
    const std::uint64_t data_bytes = file.size() - 44;
    EXPECT_EQ(data_bytes, run_ends.back());
    EXPECT_EQ(file.substr(0, 4), "RIFF");
    EXPECT_EQ(U32(file, 4), file.size() - 8);
    EXPECT_EQ(file.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(U32(file, 16), 16u);
    EXPECT_EQ(U32(file, 20), 1u | (2u << 16));  // PCM, two channels
    EXPECT_EQ(U32(file, 24), 44100u);
    EXPECT_EQ(U32(file, 28), 44100u * 4);
    EXPECT_EQ(U32(file, 32), 4u | (16u << 16));  // block align, bits
    EXPECT_EQ(file.substr(36, 4), "data");
    EXPECT_EQ(U32(file, 40), data_bytes);
    EXPECT_EQ(conversion_testing::ProbeStream(path),
              "codec_name=pcm_s16le\nsample_rate=44100\nchannels=2\n");

    std::vector<std::size_t> starts;
    ExpectRunsOfInput(file.substr(44), input, run_ends, &starts);
    if (c.pause && starts.size() == 2) {
      EXPECT_GT(starts[1], starts[0] + run_ends[0]) << "the input went on during the pause";
    }

    // Every buffer showed its section's levels, in order.
    const std::size_t wanted = 64;
    for (int i = 0; i < 100 && window.levels.size() < wanted; ++i) window.WaitAndProcess(50);
    recorder.Close();
    window.ProcessPending();
    platform::UnregisterWindow(handle);
    ASSERT_GE(window.levels.size(), wanted);
    std::size_t buffer = 0;
    for (std::size_t s = 0; s < kSections.size() && buffer < wanted; ++s) {
      for (int b = 0; b < kSections[s].buffers && buffer < wanted; ++b, ++buffer) {
        EXPECT_EQ(window.levels[buffer].left, kExpectedLevels[s].left) << "buffer " << buffer;
        EXPECT_EQ(window.levels[buffer].right, kExpectedLevels[s].right) << "buffer " << buffer;
      }
    }
  }
}

}  // namespace
}  // namespace carrowell
