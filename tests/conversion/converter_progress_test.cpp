// The converter progress: file and batch bars, the estimated time and
// percentage texts, and the abort question.
#include <gtest/gtest.h>

#include <algorithm>

#include "conversion_test_support.h"
#include "ui/converter_progress.h"

namespace {
using namespace carrowell;
using namespace conversion_testing;

class Progress : public ::testing::Test {
 protected:
  // A window that records, on a clock the test moves.
  std::unique_ptr<ConverterProgress> Open(std::function<void(RecordingDisplay&)> on_events = {}) {
    auto display = std::make_unique<RecordingDisplay>(log_, std::move(on_events));
    display_ = display.get();
    return std::make_unique<ConverterProgress>(std::move(display), [this] { return now_; });
  }

  RecordingDisplay::Log log_;
  RecordingDisplay* display_ = nullptr;
  double now_ = 1000.0;
};

TEST(ProgressTexts, RemainingTimeAndPercentage) {
  EXPECT_EQ(FormatRemainingTime(3725), "01:02:05");
  EXPECT_EQ(FormatRemainingTime(3725.9), "01:02:05");
  EXPECT_EQ(FormatRemainingTime(0), "00:00:00");
  EXPECT_EQ(FormatRemainingTime(-5), "00:00:00");
  EXPECT_EQ(FormatRemainingTime(360000), "100:00:00");
  EXPECT_EQ(FormatPercentage(37.5), "37.50 %");
  EXPECT_EQ(FormatPercentage(100), "100.00 %");
  EXPECT_EQ(FormatPercentage(0), "0.00 %");
}

TEST_F(Progress, OpensWithUnknownTexts) {
  auto progress = Open();
  EXPECT_EQ(progress->EstimatedTimeText(), "(unknown)");
  EXPECT_EQ(progress->PercentageText(), "(unknown)");
  EXPECT_EQ(log_.estimated, "(unknown)");
  EXPECT_EQ(log_.percentage, "(unknown)");
  EXPECT_EQ(progress->FileText(), "Converting:");
  EXPECT_TRUE(log_.abort_enabled);
  EXPECT_EQ(progress->IsAborted(), 0);
}

TEST_F(Progress, CurrentFileShowsItsName) {
  auto progress = Open();
  progress->SetCurrentFile("/music/album/Song One.mp3");
  EXPECT_EQ(progress->FileText(), "Converting:  Song One.mp3");
  ASSERT_FALSE(log_.file_texts.empty());
  EXPECT_EQ(log_.file_texts.back(), "Converting:  Song One.mp3");
  progress->SetCurrentFileName("other.wav");
  EXPECT_EQ(log_.file_texts.back(), "Converting:  other.wav");
}

TEST_F(Progress, DecodingFillsTheFirstHalfEncodingTheSecond) {
  auto progress = Open();
  progress->SetItemCount(2);
  EXPECT_EQ(log_.total_range, 200);
  EXPECT_EQ(progress->SetDecodeRange(0, 10), 1);
  progress->SetDecodePosition(5);
  EXPECT_EQ(progress->FileProgress(), 250);
  EXPECT_EQ(progress->TotalProgress(), 25);
  progress->SetDecodePosition(10);
  EXPECT_EQ(progress->FileProgress(), 500);
  EXPECT_EQ(progress->SetEncodeRange(0, 100), 1);
  progress->SetEncodePosition(50);
  EXPECT_EQ(progress->FileProgress(), 750);
  EXPECT_EQ(progress->TotalProgress(), 75);
  progress->SetEncodePosition(100);
  EXPECT_EQ(log_.file_progress.back(), 1000);
  // The second item starts from the first one's hundred.
  progress->SetFinishedCount(1);
  progress->SetDecodePosition(2);
  EXPECT_EQ(progress->TotalProgress(), 100 + 10);
  EXPECT_EQ(log_.total_progress.back(), 110);
}

TEST_F(Progress, RangesBelowTheirStartAreRefused) {
  auto progress = Open();
  progress->SetItemCount(1);
  EXPECT_EQ(progress->SetDecodeRange(5, 4), 0);
  EXPECT_EQ(progress->SetEncodeRange(1, 0), 0);
  // The spans stay at 1: position 1 is the whole stage.
  progress->SetDecodePosition(1);
  EXPECT_EQ(progress->FileProgress(), 500);
  progress->SetEncodePosition(1);
  EXPECT_EQ(progress->FileProgress(), 1000);
  // A range starting above zero counts its span.
  EXPECT_EQ(progress->SetDecodeRange(10, 30), 1);
  progress->SetDecodePosition(10);
  EXPECT_EQ(progress->FileProgress(), 250);
}

TEST_F(Progress, PercentageOfTheBatch) {
  auto progress = Open();
  progress->SetItemCount(4);
  progress->SetFinishedCount(1);
  progress->SetEncodeRange(0, 100);
  progress->SetEncodePosition(0);  // current 500: 50 + 100 of 400
  EXPECT_EQ(progress->PercentageText(), "37.50 %");
  EXPECT_EQ(log_.percentage, "37.50 %");
}

TEST_F(Progress, BatchBarNeverMovesBackWhenAnItemInFlightIsDone) {
  // Encoder bars at whole percents, as the resampler reports them; with an
  // item at 1000 beside them their floating sum lands on the next tenth.
  for (const int percent : {36, 82, 84, 86}) {
    SCOPED_TRACE(percent);
    log_ = {};
    auto progress = Open();
    progress->SetItemCount(5);
    progress->SetFinishedCount(3);
    const double other = (percent / 100.0 + 1) * 500;
    progress->ShowInFlight({"a.flac", "b.mp3"}, {1000, other});
    progress->SetFinishedCount(4);
    progress->ShowInFlight({"b.mp3"}, {other});
    progress->SetFinishedCount(5);
    progress->ShowInFlight({}, {});
    EXPECT_TRUE(std::is_sorted(log_.total_progress.begin(), log_.total_progress.end()));
    EXPECT_EQ(log_.total_progress.back(), 500);
  }
}

TEST_F(Progress, EstimatedTimeFromElapsedTime) {
  auto progress = Open();
  progress->SetItemCount(1);
  progress->SetDecodeRange(0, 100);
  // The first update starts the clock; at total 0 nothing is estimated.
  progress->SetDecodePosition(0);
  EXPECT_EQ(progress->EstimatedTimeText(), "(unknown)");
  EXPECT_EQ(progress->PercentageText(), "0.00 %");
  // Half done after 3725 s: as long again.
  now_ += 3725.6;
  progress->SetDecodePosition(100);
  EXPECT_EQ(progress->TotalProgress(), 50);
  EXPECT_EQ(progress->EstimatedTimeText(), "01:02:05");
  EXPECT_EQ(log_.estimated, "01:02:05");
  EXPECT_EQ(progress->PercentageText(), "50.00 %");
}

TEST_F(Progress, AbortAsksAndOnlyYesAborts) {
  auto progress = Open();
  {
    testing_support::MessageBoxRecorder no(platform::kIdNo);
    EXPECT_FALSE(display_->PressAbort());
    ASSERT_EQ(no.Boxes().size(), 1u);
    EXPECT_EQ(no.Boxes()[0].text, "Are you sure you want to cancel converting?");
    EXPECT_EQ(no.Boxes()[0].caption, "Verosa");
    EXPECT_EQ(no.Boxes()[0].style, platform::kMbYesNo | platform::kMbIconWarning);
    EXPECT_EQ(progress->IsAborted(), 0);
  }
  testing_support::MessageBoxRecorder yes(platform::kIdYes);
  // Pressed while the engine pumps events: seen at the next poll.
  log_ = {};
  progress->PumpMessages();
  EXPECT_EQ(progress->IsAborted(), 0);
  EXPECT_FALSE(display_->PressAbort());
  EXPECT_NE(progress->IsAborted(), 0);
  // The flag stays; asking again needs no question.
  EXPECT_FALSE(display_->PressAbort());
  EXPECT_EQ(yes.Boxes().size(), 1u);
  EXPECT_NE(progress->IsAborted(), 0);
}

TEST_F(Progress, FinishDisablesAbortAndCloses) {
  testing_support::MessageBoxRecorder boxes(platform::kIdYes);
  auto progress = Open();
  progress->Finish();
  EXPECT_FALSE(progress->Converting());
  EXPECT_FALSE(log_.abort_enabled);
  EXPECT_EQ(log_.closed, 1);
  // Closing now is normal: no question.
  EXPECT_TRUE(display_->PressAbort());
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(progress->IsAborted(), 0);
  progress.reset();
  EXPECT_EQ(log_.closed, 1);
}

TEST_F(Progress, ClosedWhenDestroyedUnfinished) {
  auto progress = Open();
  progress.reset();
  EXPECT_EQ(log_.closed, 1);
}

}  // namespace
