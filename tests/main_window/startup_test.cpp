// The program as started from the desktop: a second copy ends at once.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

#include "shell/app_context.h"
#include "support/test_support.h"

namespace verosa {
namespace {

namespace fs = std::filesystem;

TEST(Startup, ASecondCopyEndsSilentlyAndLeavesTheFirstUntouched) {
  testing_support::IsolatedUser user;
  testing_support::ScratchDir out;
  // A runtime folder as the session gives it (Qt complains about others).
  fs::permissions(user.Root() / "run", fs::perms::owner_all, fs::perm_options::replace);
  AppContext first;
  ASSERT_TRUE(first.Initialize()) << first.FailureText();
  const fs::path settings = first.Settings().SettingsFile();
  const std::string settings_before = testing_support::ReadFile(settings);
  ASSERT_FALSE(settings_before.empty());

  const fs::path program = fs::path(VEROSA_BUILD_DIR) / "bin" / "verosa";
  ASSERT_TRUE(fs::exists(program));
  const fs::path log = out / "second.log";
  const std::string command =
      "QT_QPA_PLATFORM=offscreen '" + program.string() + "' >'" + log.string() + "' 2>&1";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(testing_support::ReadFile(log), "");

  // The first copy still holds the lock and its settings are as they were.
  EXPECT_EQ(testing_support::ReadFile(settings), settings_before);
  AppContext third;
  EXPECT_FALSE(third.Initialize());
  EXPECT_EQ(third.Failure(), StartupFailure::AlreadyRunning);
  first.Shutdown(false);
}

}  // namespace
}  // namespace verosa
