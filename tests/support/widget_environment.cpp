// For the suites of widgets: one QApplication on the offscreen platform for
// all tests of the suite. Added to a suite as an extra source.
#include <gtest/gtest.h>

#include <QApplication>
#include <QToolTip>
#include <cstdlib>
#include <memory>

namespace {

class WidgetEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override {
    QToolTip::hideText();
    app_.reset();
  }

 private:
  int argc_ = 1;
  char name_[16] = "verosa_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const kWidgets =
    ::testing::AddGlobalTestEnvironment(new WidgetEnvironment);

}  // namespace
