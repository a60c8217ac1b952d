#include "support/test_support.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

namespace testing_support {
namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  std::random_device rd;
  const fs::path base = fs::temp_directory_path();
  for (;;) {
    path_ = base / ("verosa-test-" + std::to_string(getpid()) + "-" +
                    std::to_string(counter++) + "-" + std::to_string(rd() % 100000));
    std::error_code ec;
    if (fs::create_directory(path_, ec)) break;
  }
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (old_) setenv(name_.c_str(), old_->c_str(), 1);
  else unsetenv(name_.c_str());
}

IsolatedUser::IsolatedUser()
    : config_("XDG_CONFIG_HOME", (dir_.Path() / "config").string()),
      data_("XDG_DATA_HOME", (dir_.Path() / "data").string()),
      runtime_("XDG_RUNTIME_DIR", (dir_.Path() / "run").string()),
      home_("HOME", (dir_.Path() / "home").string()),
      tmp_("TMPDIR", (dir_.Path() / "tmp").string()),
      documents_("XDG_DOCUMENTS_DIR", (dir_.Path() / "home" / "Documents").string()) {
  for (const char* sub : {"config", "data", "run", "home", "tmp"})
    fs::create_directories(dir_.Path() / sub);
}

MessageBoxRecorder::MessageBoxRecorder(int answer) {
  previous_ = platform::SetMessageBoxHandler(
      [this, answer](platform::WindowHandle, const std::string& text, const std::string& caption,
                     unsigned style) {
        boxes_.push_back({text, caption, style});
        return answer;
      });
}

MessageBoxRecorder::~MessageBoxRecorder() { platform::SetMessageBoxHandler(previous_); }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string Shell(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>&1").c_str(), "r"), pclose);
  if (!pipe) return out;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get())) out.append(buffer, n);
  return out;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

static bool RunQuiet(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool MakeToneFile(const fs::path& path, double seconds, int sample_rate, int channels) {
  std::ostringstream cmd;
  cmd << "ffmpeg -nostdin -y -f lavfi -i 'sine=frequency=440:sample_rate=" << sample_rate
      << ":duration=" << seconds << "' -ac " << channels << " '" << path.string() << "'";
  return RunQuiet(cmd.str()) && fs::exists(path);
}

bool MakePictureFile(const fs::path& path, int width, int height) {
  std::ostringstream cmd;
  cmd << "ffmpeg -nostdin -y -f lavfi -i 'color=c=blue:s=" << width << "x" << height
      << "' -frames:v 1 '" << path.string() << "'";
  return RunQuiet(cmd.str()) && fs::exists(path);
}

std::filesystem::path MakeCdImage(const std::filesystem::path& dir,
                                  const std::vector<CdImageTrack>& tracks) {
  std::string bin, cue = "FILE \"disc.bin\" BINARY\n";
  int start = 0;
  for (std::size_t t = 0; t < tracks.size(); ++t) {
    char entry[96];
    std::snprintf(entry, sizeof entry, "  TRACK %02zu %s\n    INDEX 01 %02d:%02d:%02d\n", t + 1,
                  tracks[t].audio ? "AUDIO" : "MODE1/2352", start / 4500, start / 75 % 60, start % 75);
    cue += entry;
    for (std::size_t i = 0; i < static_cast<std::size_t>(tracks[t].sectors) * 2352; ++i)
      bin.push_back(tracks[t].audio ? static_cast<char>((i * 7 + i / 2352 + t) & 0xFF) : '\0');
    start += tracks[t].sectors;
  }
  WriteFile(dir / "disc.bin", bin);
  WriteFile(dir / "disc.cue", cue);
  return dir / "disc.cue";
}

}  // namespace testing_support
