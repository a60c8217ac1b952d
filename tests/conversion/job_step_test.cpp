// A batch that runs as a step of another job (the output job's audio step):
// no window of its own, its progress and status go to the job's host, and
// the job's cancel stops it without a question.
#include <gtest/gtest.h>

#include <algorithm>

#include "conversion_test_support.h"
#include "core/job_observer.h"

namespace {
using namespace carrowell;
using namespace conversion_testing;

class RecordingHost : public core::JobHost {
 public:
  void Percent(int percent) override { percents.push_back(percent); }
  void SubPercent(int percent) override { sub_percents.push_back(percent); }
  void Status(const std::string& text) override { statuses.push_back(text); }
  void Finished(bool success) override { finished.push_back(success); }
  void ProcessEvents() override {
    ++pumps;
    if (on_events) on_events(*this);
  }
  bool Cancelled() const override { return cancelled; }

  std::function<void(RecordingHost&)> on_events;
  bool cancelled = false;
  std::vector<int> percents;
  std::vector<int> sub_percents;
  std::vector<std::string> statuses;
  std::vector<bool> finished;
  int pumps = 0;
};

// One item after the other, as on a single core (parallel batches have
// tests of their own).
class JobStep : public ConversionTest {
 protected:
  JobStep() { control_.SetOutputFolder(Work().c_str()); }

  testing_support::ScopedEnv one_worker_{"VEROSA_CONVERT_WORKERS", "1"};

  void AddSources() {
    const fs::path source = Media("long.flac");
    ASSERT_TRUE(MakeTone(source, 20, 44100, "-ac 2 -c:a flac"));
    ASSERT_EQ(control_.AddFile(source.c_str(), -1), 1);
    ASSERT_EQ(control_.AddFile(source.c_str(), -1), 1);
  }

  ConversionControl control_;
  RecordingHost host_;
};

TEST_F(JobStep, ReportsToTheJobInsteadOfAWindow) {
  AddSources();
  const int indices[] = {0, 1};
  EXPECT_EQ(control_.ConvertItemsInJob(indices, 2, host_), 1);
  EXPECT_EQ(ui_.displays_created, 0);
  EXPECT_TRUE(ui_.beeps.empty());
  EXPECT_TRUE(fs::exists(control_.GetItemDestination(0)));
  EXPECT_TRUE(fs::exists(control_.GetItemDestination(1)));

  ASSERT_FALSE(host_.percents.empty());
  EXPECT_TRUE(std::is_sorted(host_.percents.begin(), host_.percents.end()));
  EXPECT_EQ(host_.percents.back(), 100);
  // The second file starts again: the sub-percent goes back once.
  ASSERT_FALSE(host_.sub_percents.empty());
  EXPECT_EQ(*std::max_element(host_.sub_percents.begin(), host_.sub_percents.end()), 100);
  EXPECT_GE(std::count(host_.sub_percents.begin(), host_.sub_percents.end(), 100), 2);
  ASSERT_EQ(host_.statuses.size(), 2u);
  EXPECT_EQ(host_.statuses[0], "Converting:  long.flac");
  EXPECT_GT(host_.pumps, 2);
  EXPECT_EQ(host_.finished, std::vector<bool>{true});
}

TEST_F(JobStep, TheJobsCancelStopsItWithoutAQuestion) {
  AddSources();
  host_.on_events = [](RecordingHost& host) {
    if (!host.sub_percents.empty() && host.sub_percents.back() >= 10) host.cancelled = true;
  };
  const int indices[] = {0, 1};
  EXPECT_EQ(control_.ConvertItemsInJob(indices, 2, host_), 0);
  EXPECT_TRUE(host_.cancelled);
  EXPECT_TRUE(boxes_.Boxes().empty());
  EXPECT_FALSE(fs::exists(control_.GetItemDestination(0)));
  EXPECT_FALSE(fs::exists(control_.GetItemDestination(1)));
  EXPECT_TRUE(IntermediatesLeft().empty());
  EXPECT_EQ(host_.finished, std::vector<bool>{false});
  // The second file never started.
  EXPECT_EQ(host_.statuses.size(), 1u);
  EXPECT_LT(host_.percents.empty() ? 0 : host_.percents.back(), 100);
}

TEST_F(JobStep, RefusesWhatConvertItemsRefuses) {
  AddSources();
  const int outside = 5;
  EXPECT_EQ(control_.ConvertItemsInJob(&outside, 1, host_), 0);
  EXPECT_EQ(control_.ConvertItemsInJob(nullptr, 1, host_), 0);
}

}  // namespace
