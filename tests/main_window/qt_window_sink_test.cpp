// Window messages into the Qt event loop, and widget texts through the
// language component.
#include "ui/common/qt_window_sink.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include "shell/app_context.h"
#include "support/test_support.h"
#include "ui/common/ui_language.h"

namespace verosa {
namespace {

// Runs the event loop until `done` holds.
template <typename Done>
void PumpUntil(Done done) {
  while (!done()) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(QtWindowSink, SendFromAnotherThreadRunsOnTheGuiThreadAndReturnsTheResult) {
  const std::thread::id gui = std::this_thread::get_id();
  std::thread::id handled_on;
  QtWindowSink sink([&](std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
    handled_on = std::this_thread::get_id();
    return static_cast<std::intptr_t>(message + wparam) + lparam;
  });
  const platform::WindowHandle window = sink.Register();
  ASSERT_NE(window, platform::kNoWindow);

  auto sent = std::async(std::launch::async, [window] {
    return platform::SendMessage(window, platform::kWmUser + 2, 9800, 7);
  });
  PumpUntil([&] { return sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
  EXPECT_EQ(sent.get(), static_cast<std::intptr_t>(platform::kWmUser + 2 + 9800 + 7));
  EXPECT_EQ(handled_on, gui);
}

TEST(QtWindowSink, PostedMessagesRunLaterInOrder) {
  std::vector<std::uintptr_t> seen;
  QtWindowSink sink([&](std::uint32_t, std::uintptr_t wparam, std::intptr_t) {
    seen.push_back(wparam);
    return std::intptr_t{0};
  });
  const platform::WindowHandle window = sink.Register();
  for (std::uintptr_t i = 1; i <= 3; ++i)
    EXPECT_TRUE(platform::PostMessage(window, platform::kWmUser + 1, i, 0));
  EXPECT_TRUE(seen.empty()) << "posting does not run the handler at once";
  PumpUntil([&] { return seen.size() == 3; });
  EXPECT_EQ(seen, (std::vector<std::uintptr_t>{1, 2, 3}));
}

TEST(QtWindowSink, ClosingLetsWaitingSendersGoAndRefusesLaterCalls) {
  std::atomic<int> handled{0};
  auto sink = std::make_unique<QtWindowSink>([&](std::uint32_t, std::uintptr_t, std::intptr_t) {
    ++handled;
    return std::intptr_t{1};
  });
  const platform::WindowHandle window = sink->Register();
  std::atomic<bool> sending{false};
  // The GUI thread does not pump: the sender waits until the window goes.
  auto sent = std::async(std::launch::async, [&] {
    sending = true;
    return platform::SendMessage(window, platform::kWmUser + 1, 0, 0);
  });
  while (!sending) std::this_thread::yield();
  sink->Unregister();
  EXPECT_EQ(sent.get(), 0);
  EXPECT_FALSE(platform::IsWindow(window));

  bool ran = false;
  sink->RunOnOwnerThread([&] { ran = true; }, false);
  QApplication::processEvents();
  EXPECT_FALSE(ran);
  sink.reset();
  QApplication::processEvents();
  EXPECT_EQ(handled.load(), 0);
}

TEST(UiLanguage, DialogAndMenuTextsPassThroughTheLanguageComponent) {
  testing_support::IsolatedUser user;
  AppContext context;
  ASSERT_TRUE(context.Initialize(StartupOptions{.single_instance = false}));
  const LanguageHolder& language = context.Settings().Language();

  QWidget dialog;
  dialog.setWindowTitle("About $APPNAME$");
  auto* label = new QLabel("$APPNAME$ Project File(*.mdp)", &dialog);
  auto* button = new QPushButton("Start", &dialog);
  TranslateWidgetTexts(language, dialog, kSectionMiscStrings);
  EXPECT_EQ(dialog.windowTitle(), "About Verosa");
  EXPECT_EQ(label->text(), "Verosa Project File(*.mdp)");
  EXPECT_EQ(button->text(), "Start");

  QMenuBar bar;
  QMenu* help = bar.addMenu("&Help");
  QAction* about = help->addAction("&About $APPNAME$...");
  TranslateMenuTexts(language, bar, kSectionPopupMenus);
  EXPECT_EQ(about->text(), "&About Verosa...");
  EXPECT_EQ(help->title(), "&Help");
}

}  // namespace
}  // namespace verosa
