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

// A machine without a usable sound device still runs the program: the
// player opens the device only to play, and then fails without a word.
TEST(Startup, TheProgramStartsWithoutASoundDevice) {
  testing_support::IsolatedUser user;
  testing_support::ScratchDir dir;
  fs::permissions(user.Root() / "run", fs::perms::owner_all, fs::perm_options::replace);
  const char* old_driver = std::getenv("SDL_AUDIODRIVER");
  const std::string saved = old_driver ? old_driver : "";
  ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  const fs::path tone = dir / "tone.wav";
  ASSERT_EQ(std::system(("ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=d=0.2 '" + tone.string() + "'").c_str()), 0);
  {
    AppContext context;
    ASSERT_TRUE(context.Initialize()) << context.FailureText();
    EXPECT_FALSE(context.Preview().OpenAndPlay(tone));
    EXPECT_EQ(context.Preview().State(), PlayState::Stopped);
    context.Shutdown(false);
  }
  if (old_driver) ::setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
  else ::unsetenv("SDL_AUDIODRIVER");
}

}  // namespace
}  // namespace verosa
