// Aborting a conversion from the progress window: during decoding, during
// encoding (WAV and MP3), and the question answered No.
#include <gtest/gtest.h>

#include "conversion_test_support.h"

namespace {
using namespace carrowell;
using namespace conversion_testing;

class Abort : public ConversionTest {
 protected:
  Abort() { control_.SetOutputFolder(Work().c_str()); }

  // A source long enough for several steps in both stages, twice in the list.
  void AddSources() {
    const fs::path source = Media("long.flac");
    ASSERT_TRUE(MakeTone(source, 40, 44100, "-ac 2 -c:a flac"));
    ASSERT_EQ(control_.AddFile(source.c_str(), -1), 1);
    ASSERT_EQ(control_.AddFile(source.c_str(), -1), 1);
  }

  // Presses Abort once the current file's bar passes `at` (0..1000).
  void PressAbortAt(int at) {
    ui_.on_events = [this, at](RecordingDisplay& display) {
      if (pressed_ || display.Seen().file_progress.empty() ||
          display.Seen().file_progress.back() < at)
        return;
      pressed_ = true;
      pressed_at_ = display.Seen().file_progress.back();
      display.PressAbort();
    };
  }

  void ExpectNothingLeft() {
    for (int i = 0; i < control_.GetItemCount(); ++i)
      EXPECT_FALSE(fs::exists(control_.GetItemDestination(i))) << i;
    EXPECT_TRUE(IntermediatesLeft().empty());
    EXPECT_EQ(ui_.beeps.back(), BeepKind::Error);
    EXPECT_EQ(ui_.display_log.closed, 1);
    EXPECT_EQ(control_.GetItemCount(), 2);
  }

  // One item at a time on this thread: the bar values follow the press.
  testing_support::ScopedEnv one_worker_{"VEROSA_CONVERT_WORKERS", "1"};
  ConversionControl control_;
  bool pressed_ = false;
  int pressed_at_ = -1;
};

TEST_F(Abort, DuringDecoding) {
  AddSources();
  PressAbortAt(1);
  EXPECT_EQ(control_.ConvertAll(), 0);
  ASSERT_TRUE(pressed_);
  EXPECT_LT(pressed_at_, 500);
  // The encoder never ran: the bar stayed in its first half.
  for (int value : ui_.display_log.file_progress) EXPECT_LE(value, 500);
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].text, "Are you sure you want to cancel converting?");
  ExpectNothingLeft();
}

TEST_F(Abort, DuringResampling) {
  AddSources();
  PressAbortAt(501);
  EXPECT_EQ(control_.ConvertAll(), 0);
  ASSERT_TRUE(pressed_);
  EXPECT_GT(pressed_at_, 500);
  EXPECT_LT(pressed_at_, 1000);
  ExpectNothingLeft();
}

TEST_F(Abort, DuringMp3Encoding) {
  control_.SetNewItemTargetKind(kTargetMp3);
  AddSources();
  PressAbortAt(600);
  EXPECT_EQ(control_.ConvertAll(), 0);
  ASSERT_TRUE(pressed_);
  EXPECT_GE(pressed_at_, 600);
  EXPECT_LT(pressed_at_, 1000);
  ExpectNothingLeft();
}

TEST_F(Abort, AnsweringNoChangesNothing) {
  testing_support::MessageBoxRecorder no(platform::kIdNo);
  AddSources();
  PressAbortAt(250);
  EXPECT_EQ(control_.ConvertAll(), 1);
  ASSERT_TRUE(pressed_);
  EXPECT_EQ(no.Boxes().size(), 1u);
  EXPECT_TRUE(fs::exists(control_.GetItemDestination(0)));
  EXPECT_TRUE(fs::exists(control_.GetItemDestination(1)));
  EXPECT_EQ(ui_.display_log.percentage, "100.00 %");
  EXPECT_EQ(ui_.beeps.back(), BeepKind::Default);
}

TEST_F(Abort, TheListStaysPutWhileABatchRuns) {
  AddSources();
  const fs::path extra = Media("extra.wav");
  WriteWav(extra, 8000, 1, 800);
  bool tried = false;
  ui_.on_events = [&](RecordingDisplay&) {
    if (tried) return;
    tried = true;
    // What a window event could ask for in the middle of a batch.
    control_.RemoveItems(0, 2);
    EXPECT_EQ(control_.MoveItems(1, 0, 1), 0);
    EXPECT_EQ(control_.AddFile(extra.c_str(), 0), 0);
    const int index = 0;
    EXPECT_EQ(control_.ConvertItems(&index, 1), 0);
  };
  EXPECT_EQ(control_.ConvertAll(), 1);
  EXPECT_TRUE(tried);
  EXPECT_EQ(control_.GetItemCount(), 2);
  // Afterwards the list is free again.
  control_.RemoveItems(0, 1);
  EXPECT_EQ(control_.GetItemCount(), 1);
}

}  // namespace
