// Batches converted by several workers at once: the same files as one item
// after the other, progress that names the files in flight, and the same
// outcome on a failure or an abort (items after the stop stay unconverted,
// nothing half-written, no intermediate file left).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "conversion_test_support.h"

namespace {
using namespace carrowell;
using namespace conversion_testing;

struct Source {
  const char* file;
  const char* options;  // after the tone input
  int rate;
  // Bit-exact from run to run: nothing to resample, so no dither.
  bool exact;
};

const Source kSources[] = {
    {"a.flac", "-ac 2 -c:a flac", 48000, true},
    {"b.wav", "-ac 1 -c:a pcm_s16le", 48000, true},
    {"c.mp3", "-ac 2 -c:a libmp3lame -b:a 192k", 44100, false},
    {"d.flac", "-ac 2 -c:a flac", 48000, true},
    {"e.ogg", "-ac 2 -c:a libvorbis", 44100, false},
};

std::string WorkerText(int workers) { return std::to_string(workers); }

class Parallel : public ConversionTest {
 protected:
  void MakeSources(double seconds) {
    for (const Source& s : kSources) {
      std::ostringstream args;
      args << "-f lavfi -i 'sine=frequency=440:sample_rate=" << s.rate << ":duration=" << seconds
           << "' " << s.options;
      ASSERT_TRUE(Ffmpeg(args.str(), Media(s.file))) << s.file;
    }
  }

  // A control over all the sources, writing into `folder` under the work folder.
  std::unique_ptr<ConversionControl> MakeControl(const std::string& folder) {
    auto control = std::make_unique<ConversionControl>();
    fs::create_directories(Work() / folder / "temp");
    control->SetOutputFolder((Work() / folder).c_str());
    for (const Source& s : kSources) EXPECT_EQ(control->AddFile(Media(s.file).c_str(), -1), 1);
    return control;
  }

  // Which items have a destination file, in list order.
  static std::vector<bool> Written(ConversionControl& control) {
    std::vector<bool> written;
    for (int i = 0; i < control.GetItemCount(); ++i)
      written.push_back(fs::exists(control.GetItemDestination(i)));
    return written;
  }
};

TEST_F(Parallel, WorkersWriteWhatOneWorkerWrites) {
  MakeSources(6);
  std::vector<std::vector<std::int16_t>> reference;
  for (const int workers : {1, 2, 3}) {
    SCOPED_TRACE("workers " + WorkerText(workers));
    testing_support::ScopedEnv env("VEROSA_CONVERT_WORKERS", WorkerText(workers));
    auto control = MakeControl("w" + WorkerText(workers));
    ASSERT_EQ(control->ConvertAll(), 1);
    EXPECT_EQ(ui_.beeps.back(), BeepKind::Default);
    EXPECT_TRUE(boxes_.Boxes().empty());
    EXPECT_TRUE(IntermediatesLeft().empty());
    EXPECT_EQ(ui_.display_log.closed, 1);
    EXPECT_EQ(ui_.display_log.percentage, "100.00 %");
    const auto& totals = ui_.display_log.total_progress;
    EXPECT_TRUE(std::is_sorted(totals.begin(), totals.end()));
    // With several workers the text names every file in flight.
    const bool named_two = std::any_of(
        ui_.display_log.file_texts.begin(), ui_.display_log.file_texts.end(),
        [](const std::string& text) { return text.rfind("Converting:  ", 0) == 0 && text.find(", ") != std::string::npos; });
    EXPECT_EQ(named_two, workers > 1);

    for (int i = 0; i < control->GetItemCount(); ++i) {
      const Source& source = kSources[i];
      SCOPED_TRACE(source.file);
      const auto info = ReadWavInfo(control->GetItemDestination(i));
      ASSERT_TRUE(info && info->IsComplete());
      EXPECT_EQ(info->sample_rate, 48000u);
      const std::vector<std::int16_t> samples = ReadSamples(control->GetItemDestination(i));
      if (workers == 1) {
        reference.push_back(samples);
        continue;
      }
      const auto& expected = reference[static_cast<std::size_t>(i)];
      ASSERT_EQ(samples.size(), expected.size());
      if (source.exact) {
        EXPECT_TRUE(samples == expected);
      } else {
        // The resampler's dither moves samples by a few steps from run to run.
        int worst = 0;
        for (std::size_t k = 0; k < samples.size(); ++k)
          worst = std::max(worst, std::abs(samples[k] - expected[k]));
        EXPECT_LE(worst, 4);
      }
    }
  }
}

TEST_F(Parallel, StopsLikeOneItemAfterTheOther) {
  MakeSources(20);
  struct Case {
    const char* name;
    int workers;
    bool abort;  // else the second item's source is gone
  };
  const Case kCases[] = {
      {"failure, one worker", 1, false},
      {"failure, two workers", 2, false},
      {"failure, three workers", 3, false},
      {"abort with two files in flight", 2, true},
  };
  int run = 0;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    testing_support::ScopedEnv env("VEROSA_CONVERT_WORKERS", WorkerText(c.workers));
    const std::string folder = "run" + std::to_string(run++);
    fs::create_directories(MediaFolder() / folder);
    for (const Source& s : kSources) fs::copy_file(Media(s.file), MediaFolder() / folder / s.file);
    auto control = std::make_unique<ConversionControl>();
    fs::create_directories(Work() / folder / "temp");
    control->SetOutputFolder((Work() / folder).c_str());
    for (const Source& s : kSources)
      ASSERT_EQ(control->AddFile((MediaFolder() / folder / s.file).c_str(), -1), 1);

    bool pressed = false;
    if (c.abort) {
      ui_.on_events = [&pressed](RecordingDisplay& display) {
        const auto& texts = display.Seen().file_texts;
        if (pressed || texts.empty() || texts.back().find(", ") == std::string::npos) return;
        pressed = true;
        display.PressAbort();
      };
    } else {
      ui_.on_events = nullptr;
      fs::remove(MediaFolder() / folder / kSources[1].file);
    }
    EXPECT_EQ(control->ConvertAll(), 0);
    EXPECT_EQ(ui_.beeps.back(), BeepKind::Error);
    EXPECT_EQ(ui_.display_log.closed, 1);
    EXPECT_TRUE(IntermediatesLeft().empty());
    EXPECT_EQ(control->GetItemCount(), 5);

    const std::vector<bool> written = Written(*control);
    if (c.abort) {
      EXPECT_TRUE(pressed);
      // Whatever was done before the abort stays; nothing from it on.
      const auto first_missing = std::find(written.begin(), written.end(), false);
      EXPECT_LT(first_missing - written.begin(), 3);
      EXPECT_TRUE(std::none_of(first_missing, written.end(), [](bool w) { return w; }));
    } else {
      EXPECT_EQ(written, (std::vector<bool>{true, false, false, false, false}));
    }
    for (int i = 0; i < control->GetItemCount(); ++i) {
      if (!written[static_cast<std::size_t>(i)]) continue;
      const auto info = ReadWavInfo(control->GetItemDestination(i));
      EXPECT_TRUE(info && info->IsComplete()) << i;
    }
    ui_.on_events = nullptr;
  }
}

}  // namespace
