#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/disk_space.h"
#include "platform/message_box.h"
#include "platform/move_run.h"
#include "platform/paths.h"
#include "platform/single_instance.h"
#include "platform/window.h"
#include "support/test_support.h"

namespace {
using testing_support::IsolatedUser;
using testing_support::MessageBoxRecorder;
using testing_support::ScratchDir;

std::string Moved(std::string list, int from, int to, int count, bool* moved = nullptr) {
  const bool ok = platform::MoveRun(list, from, to, count);
  if (moved) *moved = ok;
  return list;
}

TEST(MoveRun, MovesTheRunRightAfterTheTargetInBothDirections) {
  EXPECT_EQ(Moved("ABCDE", 3, 0, 2), "ADEBC");
  EXPECT_EQ(Moved("ABCDE", 0, 3, 2), "CDABE");
  EXPECT_EQ(Moved("ABCDE", 0, 4, 1), "BCDEA");
  EXPECT_EQ(Moved("ABCDE", 4, 0, 1), "AEBCD");
  EXPECT_EQ(Moved("ABCDE", 1, 0, 1), "ABCDE");  // already right after the target
}

TEST(MoveRun, RefusesBadArgumentsWithoutChange) {
  struct Case { int from, to, count; };
  for (const Case c : {Case{-1, 2, 1}, Case{1, -1, 1}, Case{5, 0, 1}, Case{0, 5, 1},
                       Case{2, 2, 1}, Case{1, 2, 2}, Case{1, 3, 0}, Case{1, 3, -1},
                       Case{3, 0, 3}}) {
    bool moved = true;
    EXPECT_EQ(Moved("ABCDE", c.from, c.to, c.count, &moved), "ABCDE")
        << c.from << "," << c.to << "," << c.count;
    EXPECT_FALSE(moved);
  }
}

class RecordingSink : public platform::QueuedSink {
 public:
  std::intptr_t OnMessage(std::uint32_t message, std::uintptr_t wparam,
                          std::intptr_t lparam) override {
    EXPECT_TRUE(IsOwnerThread());
    messages.push_back({message, wparam, lparam});
    return static_cast<std::intptr_t>(wparam) + lparam;
  }
  struct Message { std::uint32_t message; std::uintptr_t wparam; std::intptr_t lparam; };
  std::vector<Message> messages;
};

TEST(WindowMessages, SendFromAWorkerBlocksUntilTheOwnerHandledIt) {
  RecordingSink sink;
  const platform::WindowHandle window = platform::RegisterWindow(&sink);
  ASSERT_NE(window, platform::kNoWindow);
  EXPECT_TRUE(platform::IsWindow(window));

  std::atomic<bool> returned{false};
  std::intptr_t result = 0;
  std::thread worker([&] {
    result = platform::SendMessage(window, platform::kWmUser + 2, 9800, 1);
    returned = true;
  });
  // The worker waits until the owner pumps its queue.
  while (sink.WaitAndProcess(50) == 0) EXPECT_FALSE(returned);
  worker.join();
  EXPECT_TRUE(returned);
  EXPECT_EQ(result, 9801);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].message, platform::kWmUser + 2);

  // On the owner's own thread a send runs at once.
  EXPECT_EQ(platform::SendMessage(window, platform::kWmUser + 1, 2, 3), 5);
  platform::UnregisterWindow(window);
  EXPECT_FALSE(platform::IsWindow(window));
  EXPECT_EQ(platform::SendMessage(window, 1, 1, 1), 0);
}

TEST(WindowMessages, PostQueuesAndSkipsWindowsThatHaveGone) {
  RecordingSink sink;
  const auto window = platform::RegisterWindow(&sink);
  EXPECT_TRUE(platform::PostMessage(window, 0x8001, 0, 0));
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(sink.ProcessPending(), 1);
  EXPECT_EQ(sink.messages.size(), 1u);

  EXPECT_TRUE(platform::PostMessage(window, 0x8001, 0, 0));
  platform::UnregisterWindow(window);
  sink.ProcessPending();
  EXPECT_EQ(sink.messages.size(), 1u);
  EXPECT_FALSE(platform::PostMessage(window, 0x8001, 0, 0));
}

TEST(WindowMessages, UnregisterLetsWaitingSendersGoBeforeTheSinkDies) {
  auto sink = std::make_unique<RecordingSink>();
  const auto window = platform::RegisterWindow(sink.get());
  std::atomic<int> waiting{0};
  std::vector<std::thread> senders;
  std::vector<std::intptr_t> results(3, -1);
  for (int i = 0; i < 3; ++i)
    senders.emplace_back([&, i] {
      ++waiting;
      results[static_cast<std::size_t>(i)] = platform::SendMessage(window, platform::kWmUser + 2, 1, 1);
    });
  while (waiting < 3) std::this_thread::yield();
  // The owner never pumps: unregistering must not hang, and once it has
  // returned no sender touches the sink any more.
  platform::UnregisterWindow(window);
  sink.reset();
  for (std::thread& t : senders) t.join();
  for (std::intptr_t r : results) EXPECT_EQ(r, 0);
}

TEST(MessageBox, TranslatorThenHandlerAndDefaultButtons) {
  MessageBoxRecorder recorder(platform::kIdNo);
  auto previous = platform::SetMessageTranslator(
      [](const std::string& text) { return text == "Error" ? "Fehler" : text; });
  EXPECT_EQ(platform::MessageBox(platform::kNoWindow, "Text", "Error",
                                 platform::kMbYesNo | platform::kMbIconError),
            platform::kIdNo);
  platform::SetMessageTranslator(previous);
  ASSERT_EQ(recorder.Boxes().size(), 1u);
  EXPECT_EQ(recorder.Boxes()[0].caption, "Fehler");
  EXPECT_EQ(recorder.Boxes()[0].text, "Text");

  EXPECT_EQ(platform::DefaultButton(platform::kMbOk), platform::kIdOk);
  EXPECT_EQ(platform::DefaultButton(platform::kMbYesNo), platform::kIdYes);
  EXPECT_EQ(platform::DefaultButton(platform::kMbYesNo | platform::kMbDefButton2), platform::kIdNo);
  EXPECT_EQ(platform::DefaultButton(platform::kMbYesNoCancel | platform::kMbDefButton3),
            platform::kIdCancel);
}

TEST(DiskSpace, KindsAndFailures) {
  ScratchDir dir;
  const int total = platform::FreeDiskSpaceMB(dir.Path(), platform::SpaceKind::Total);
  const int free_all = platform::FreeDiskSpaceMB(dir.Path(), platform::SpaceKind::TotalFree);
  const int avail = platform::FreeDiskSpaceMB(dir.Path(), platform::SpaceKind::AvailableToCaller);
  EXPECT_GT(total, 0);
  EXPECT_LE(free_all, total);
  EXPECT_LE(avail, free_all);
  // A folder still to be made is measured on its parent's file system.
  EXPECT_EQ(platform::FreeDiskSpaceMB(dir / "not" / "yet", platform::SpaceKind::Total), total);
  EXPECT_EQ(platform::FreeDiskSpaceMB("", platform::SpaceKind::Total), -1);
}

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstGoes) {
  IsolatedUser user;
  {
    platform::SingleInstanceLock first("Verosa");
    ASSERT_TRUE(first.Acquired());
    // flock locks belong to the open file, so a second open in this process
    // conflicts just as another process would.
    platform::SingleInstanceLock second("Verosa");
    EXPECT_FALSE(second.Acquired());
  }
  platform::SingleInstanceLock again("Verosa");
  EXPECT_TRUE(again.Acquired());
}

TEST(Paths, PrivateTempFolderIsOnlyForThisUser) {
  IsolatedUser user;
  const auto folder = platform::PrivateTempFolder();
  ASSERT_FALSE(folder.empty());
  struct stat st {};
  ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(platform::PrivateTempFolder(), folder);  // stable between runs
}

TEST(Paths, PrivateTempFolderAvoidsANameSomeoneElsePrepared) {
  IsolatedUser user;
  const auto expected = user.Root() / "tmp" / ("verosa-" + std::to_string(::getuid()));
  // A symlink planted at the fixed name must not be followed.
  std::filesystem::create_directory_symlink(user.Root(), expected);
  const auto folder = platform::PrivateTempFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder, expected);
  struct stat st {};
  ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(Paths, KnownFoldersFollowTheEnvironment) {
  IsolatedUser user;
  EXPECT_EQ(platform::CommonAppDataFolder(), user.Root() / "data" / "Verosa");
  EXPECT_EQ(platform::ConfigFolder(), user.Root() / "config");
  EXPECT_EQ(platform::DocumentsFolder(), user.Root() / "home" / "Documents");
  EXPECT_EQ(platform::NativeSeparators("a\\b\\c.mp3"), "a/b/c.mp3");
  EXPECT_TRUE(platform::CreateFolderPath(user.Root() / "x" / "y" / "z"));
  EXPECT_FALSE(platform::CreateFolderPath(""));
}

}  // namespace
