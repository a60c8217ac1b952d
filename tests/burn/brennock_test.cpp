// The disc burner on stdio: pseudo-drives (image files), loaded as the
// program loads it: a burn gives the bytes `verosa-cli iso` writes and
// libdvdread reads them; erase and burn report progress and stop through the
// sink; verosa-cli drives, burn and make --burn as a user runs them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "brennock/brennock.h"
#include "platform/module.h"
#include "shell/burner_holder.h"
#include "support/test_support.h"

namespace {
namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::ScopedEnv;
using testing_support::ScratchDir;

const std::string kCli = std::string(VEROSA_BUILD_DIR) + "/bin/verosa-cli";

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs a shell command; its exit code, and its stdout and stderr in `output`.
int Shell(const std::string& command, std::string* output = nullptr) {
  const std::string captured = command + " 2>&1";
  FILE* pipe = ::popen(captured.c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  const int status = ::pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Records what the burner reports; asks to cancel once the percent reaches
// `cancel_at` (never when negative).
class RecordingSink final : public brennock::ProgressSink {
 public:
  explicit RecordingSink(int cancel_at = -1) : cancel_at_(cancel_at) {}
  std::int32_t Progress(std::uint32_t code, std::uint32_t value, std::uintptr_t, std::uintptr_t) override {
    if (code == brennock::kProgressPercent) percents.push_back(static_cast<int>(value));
    if (code != brennock::kProgressCancelQuery) return 1;
    ++queries;
    return cancel_at_ >= 0 && !percents.empty() && percents.back() >= cancel_at_ ? 1 : 0;
  }
  std::vector<int> percents;
  int queries = 0;

 private:
  int cancel_at_;
};

// One DVD folder for the suite (two chapters of a tone over a still), its
// image by `verosa-cli iso`, and a copy with a large sparse VOB for burns
// that last long enough to be stopped.
class BurnTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new ScratchDir();
    const testing_support::IsolatedUser user;
    const fs::path media = *dir_ / "media";
    fs::create_directories(media);
    ASSERT_TRUE(testing_support::MakeToneFile(media / "tone.wav", 3, 48000));
    ASSERT_TRUE(testing_support::MakePictureFile(media / "still.bmp", 720, 576));
    const std::string chapter = "{\"picture\": \"" + (media / "still.bmp").string() + "\", \"audio\": \"" +
                                (media / "tone.wav").string() + "\"}";
    testing_support::WriteFile(*dir_ / "job.json", "{\"output\": \"" + Folder().string() + "\", \"titles\": [" +
                                                       "{\"chapters\": [" + chapter + ", " + chapter + "]}]}");
    std::string out;
    ASSERT_EQ(Shell(kCli + " author " + Quote((*dir_ / "job.json").string()), &out), 0) << out;
    ASSERT_EQ(Shell(kCli + " iso " + Quote(Folder().string()) + " " + Quote(Reference().string()) +
                      " --label 'My Disc'", &out), 0) << out;
    fs::copy(Folder(), BigFolder(), fs::copy_options::recursive);
    testing_support::WriteFile(BigFolder() / "VIDEO_TS" / "VTS_01_2.VOB", "");
    fs::resize_file(BigFolder() / "VIDEO_TS" / "VTS_01_2.VOB", std::uintmax_t{3} << 30);
  }
  static void TearDownTestSuite() { delete dir_; }

  static fs::path Folder() { return *dir_ / "dvd"; }
  static fs::path BigFolder() { return *dir_ / "big"; }
  static fs::path Reference() { return *dir_ / "reference.iso"; }

  // The burner over the pseudo-drives `files`, device i for files[i].
  void Load(const std::vector<fs::path>& files) {
    std::string list;
    for (const fs::path& f : files) list += (list.empty() ? "" : ";") + ("stdio:" + f.string());
    env_.emplace("VEROSA_BURN_DRIVES", list);
    ASSERT_EQ(holder_.Load(), brennock::S_OK);
    burner_ = holder_.Burner();
    burner_->SelectEngine(0);
    ASSERT_EQ(burner_->DeviceCount(), static_cast<std::int32_t>(files.size()));
  }
  brennock::DeviceStatus Status(int device) {
    brennock::DeviceStatus status;
    burner_->GetDevice(device)->Status(&status);
    return status;
  }

  static ScratchDir* dir_;
  ScratchDir scratch_;
  std::optional<ScopedEnv> env_;
  verosa::BurnerHolder holder_;
  brennock::Burner* burner_ = nullptr;
};
ScratchDir* BurnTest::dir_ = nullptr;

TEST_F(BurnTest, LoadAndRecordsRefuseWhatTheyCannotServe) {
  struct Case {
    const char* name;
    std::int32_t expected;
  } const cases[] = {{nullptr, brennock::E_INVALIDARG}, {"", brennock::E_INVALIDARG},
                     {"NoSuchComponent", brennock::E_HANDLE}, {"Tessaly", brennock::E_NOTIMPL}};
  for (const Case& c : cases) {
    verosa::BurnerHolder holder;
    EXPECT_EQ(holder.Load(c.name), c.expected) << (c.name ? c.name : "null");
    EXPECT_FALSE(holder.Loaded());
  }
  Load({scratch_ / "disc.iso"});
  EXPECT_EQ(holder_.Load(), brennock::E_ACCESSDENIED);
  EXPECT_TRUE(holder_.Loaded());

  platform::Module module;
  ASSERT_TRUE(module.Load("Brennock"));
  auto create = reinterpret_cast<brennock::CreateFunction>(module.Symbol(brennock::kCreateFunctionName));
  ASSERT_TRUE(create);
  brennock::Burner* other = nullptr;
  EXPECT_EQ(create("{00000000-0000-0000-C000-000000000046}", &other), brennock::E_NOINTERFACE);
  EXPECT_EQ(create(brennock::kIidBurner, nullptr), brennock::E_POINTER);

  brennock::Device* device = burner_->GetDevice(0);
  EXPECT_EQ(burner_->GetDevice(1), nullptr);
  brennock::DeviceInformation info;
  ASSERT_NE(device->Information(&info), 0);
  EXPECT_EQ(std::string(info.name), "stdio:" + (scratch_ / "disc.iso").string());
  EXPECT_NE(info.capabilities & brennock::kDvdMediaMask, 0u);
  info.size = 140;
  EXPECT_EQ(device->Information(&info), 0);

  brennock::Recorder* recorder = device->GetRecorder();
  ASSERT_NE(recorder, nullptr);
  const std::string folder = Folder().string();
  brennock::BurnRequest request;
  request.folder = folder.c_str();
  request.size = 20;  // the 32-bit layout, not this build's
  EXPECT_EQ(recorder->Burn(0, &request, 0, nullptr), brennock::kBurnBadRequest);
  EXPECT_EQ(recorder->Burn(0, nullptr, 0, nullptr), brennock::kBurnBadRequest);
  EXPECT_EQ(recorder->Erase(7, nullptr), brennock::kBurnBadRequest);
  EXPECT_FALSE(fs::exists(scratch_ / "disc.iso"));
}

// Blank file, and a larger image burned before (erased first): the burned
// file equals the reference image and libdvdread reads it.
TEST_F(BurnTest, ABurnedImageFileEqualsTheIsoCommandsImage) {
  const fs::path blank = scratch_ / "blank.iso";
  const fs::path used = scratch_ / "used.iso";
  fs::copy_file(Reference(), used);
  fs::resize_file(used, fs::file_size(Reference()) + 5 * 2048 * 1024);
  Load({blank, used});

  struct Case {
    int device;
    bool holds_data;
  } const cases[] = {{0, false}, {1, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device);
    brennock::Recorder* recorder = burner_->GetDevice(c.device)->GetRecorder();
    brennock::DeviceStatus status = Status(c.device);
    EXPECT_EQ(status.ready, 1);
    EXPECT_EQ(status.writable, 1);
    EXPECT_EQ(status.has_data, c.holds_data ? 1 : 0);
    EXPECT_EQ(status.erasable, c.holds_data ? 1 : 0);
    EXPECT_NE(status.media_type & brennock::kDvdMediaMask, 0u);
    if (c.holds_data) {
      RecordingSink erase;
      ASSERT_EQ(recorder->Erase(1, &erase), brennock::kBurnOk);
      EXPECT_GT(erase.queries, 0);
      EXPECT_TRUE(std::is_sorted(erase.percents.begin(), erase.percents.end()));
      EXPECT_EQ(erase.percents.back(), 100);
      EXPECT_EQ(Status(c.device).has_data, 0);
    }
    const std::string folder = Folder().string();
    brennock::BurnRequest request;
    request.folder = folder.c_str();
    request.label = "My Disc";
    RecordingSink sink;
    ASSERT_EQ(recorder->Burn(0, &request, 0, &sink), brennock::kBurnOk);
    EXPECT_GT(sink.queries, 0);
    EXPECT_TRUE(std::is_sorted(sink.percents.begin(), sink.percents.end()));
    ASSERT_FALSE(sink.percents.empty());
    EXPECT_EQ(sink.percents.back(), 100);
    const fs::path burned = c.device == 0 ? blank : used;
    EXPECT_EQ(Shell("cmp " + Quote(Reference().string()) + " " + Quote(burned.string())), 0);
    std::string listing;
    EXPECT_EQ(Shell("lsdvd " + Quote(burned.string()), &listing), 0) << listing;
    EXPECT_NE(listing.find("Disc Title: MY_DISC"), std::string::npos) << listing;
    EXPECT_NE(listing.find("Title: 01, Length: 00:00:06.000 Chapters: 02"), std::string::npos) << listing;
    EXPECT_EQ(Status(c.device).has_data, 1);
  }
}

// A sink that asks to cancel: the result is a failure, 100 % is never
// reported, a cancelled burn leaves an empty (blank) image file, and the
// drive takes the next burn.
TEST_F(BurnTest, CancelThroughTheSinkLeavesAFailureAndNoImage) {
  const fs::path file = scratch_ / "stopped.iso";
  Load({file});
  brennock::Recorder* recorder = burner_->GetDevice(0)->GetRecorder();
  struct Case {
    const char* what;
    bool erase;
    int cancel_at;
  } const cases[] = {{"burn stopped at 3 %", false, 3}, {"burn stopped at once", false, 0},
                     {"erase stopped at 25 %", true, 25}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingSink sink(c.cancel_at);
    if (c.erase) {
      fs::copy_file(Reference(), file, fs::copy_options::overwrite_existing);
      EXPECT_EQ(recorder->Erase(1, &sink), brennock::kBurnCancelled);
    } else {
      const std::string folder = BigFolder().string();
      brennock::BurnRequest request;
      request.folder = folder.c_str();
      EXPECT_EQ(recorder->Burn(0, &request, 0, &sink), brennock::kBurnCancelled);
      EXPECT_EQ(fs::file_size(file), 0u);
    }
    EXPECT_GT(sink.queries, 0);
    EXPECT_TRUE(std::find(sink.percents.begin(), sink.percents.end(), 100) == sink.percents.end());
    char error[256] = {};
    burner_->LastError(error, sizeof error);
    EXPECT_NE(std::string(error).find("cancelled"), std::string::npos) << error;
  }
  // The drive is free again at once: a stopped job leaves nothing running.
  const std::string folder = Folder().string();
  brennock::BurnRequest request;
  request.folder = folder.c_str();
  request.label = "My Disc";
  ASSERT_EQ(recorder->Erase(1, nullptr), brennock::kBurnOk);
  ASSERT_EQ(recorder->Burn(0, &request, 0, nullptr), brennock::kBurnOk);
  EXPECT_EQ(Shell("cmp " + Quote(Reference().string()) + " " + Quote(file.string())), 0);
}

// The commands as a user runs them, against pseudo-drives.
TEST_F(BurnTest, CommandLine) {
  const testing_support::IsolatedUser user;
  const fs::path disc = scratch_ / "cli.iso";
  const fs::path big = scratch_ / "big.iso";
  ScopedEnv drives("VEROSA_BURN_DRIVES", "stdio:" + disc.string() + ":" + big.string());
  const std::string dvd = Quote(Folder().string());
  ASSERT_EQ(Shell(kCli + " project new " + Quote((scratch_ / "Songs.mdp").string()) +
                " --name 'Songs for Ann' --tv pal"), 0);
  ASSERT_EQ(Shell(kCli + " project add " + Quote((scratch_ / "Songs.mdp").string()) + " " +
                Quote((*dir_ / "media" / "tone.wav").string()) + " --picture " +
                Quote((*dir_ / "media" / "still.bmp").string())), 0);

  struct Case {
    std::string what;
    std::string command;
    int exit_code;
    std::string says;  // in stdout or stderr
    bool same_as_reference;
  } const cases[] = {
      {"drives lists both", kCli + " drives", 0, "1: stdio:" + big.string(), false},
      {"burn --help", kCli + " burn --help", 0, "Usage: verosa-cli burn DVDDIR --device D", false},
      {"drives --help", kCli + " drives --help", 0, "Usage: verosa-cli drives", false},
      {"no such drive", kCli + " burn " + dvd + " --device /dev/nothing", 1, "no drive '/dev/nothing'", false},
      {"no --device", kCli + " burn " + dvd, 1, "burn needs --device", false},
      {"burn by address", kCli + " burn " + dvd + " --device stdio:" + Quote(disc.string()) + " --label 'My Disc'",
       0, "Burned: ", true},
      {"a disc with data is refused", kCli + " burn " + dvd + " --device 0 --label 'My Disc'", 1,
       "holds data; use --erase", true},
      {"drives shows the data", kCli + " drives", 0, "erasable 1, holds data 1", true},
      {"--erase erases, then burns", kCli + " burn " + dvd + " --device 0 --erase --label 'My Disc'", 0,
       "Disc erased.", true},
      {"Ctrl-C cancels", "timeout --preserve-status -s INT 1.5 " + kCli + " burn " +
                             Quote(BigFolder().string()) + " --device " + Quote(big.string()), 130, "cancelled",
       true},
      {"make --burn to no drive", kCli + " make " + Quote((scratch_ / "Songs.mdp").string()) +
                                      " --burn 7 --work " + Quote((scratch_ / "work").string()), 1,
       "no drive '7'", true},
      {"make --burn", kCli + " make " + Quote((scratch_ / "Songs.mdp").string()) + " --burn 0 --erase --work " +
                          Quote((scratch_ / "work").string()), 0, "Burned: ", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string out;
    EXPECT_EQ(Shell(c.command, &out), c.exit_code) << out;
    EXPECT_NE(out.find(c.says), std::string::npos) << out;
    if (c.same_as_reference) {
      EXPECT_EQ(Shell("cmp " + Quote(Reference().string()) + " " + Quote(disc.string())), 0);
    }
  }
  EXPECT_EQ(fs::file_size(big), 0u);
  std::string listing;
  EXPECT_EQ(Shell("lsdvd " + Quote(disc.string()), &listing), 0) << listing;
  EXPECT_NE(listing.find("Disc Title: SONGS_FOR_ANN"), std::string::npos) << listing;
  bool left = false;
  for (const auto& entry : fs::recursive_directory_iterator(scratch_ / "work"))
    left = left || entry.path().filename() == "VIDEO_TS";
  EXPECT_FALSE(left) << "the authored folder is removed";
}

}  // namespace
