// Shared helpers for the test suites: scratch folders, environment overrides
// and a message-box recorder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace testing_support {

// A fresh folder removed again at the end of the test.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Points XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR, HOME and TMPDIR at a
// scratch folder so settings, data files and locks of a test touch nothing else.
class IsolatedUser {
 public:
  IsolatedUser();
  const std::filesystem::path& Root() const { return dir_.Path(); }

 private:
  ScratchDir dir_;
  ScopedEnv config_, data_, runtime_, home_, tmp_, documents_;
};

struct RecordedBox {
  std::string text;
  std::string caption;
  unsigned style = 0;
};

// Records every message box and answers with a fixed button.
class MessageBoxRecorder {
 public:
  explicit MessageBoxRecorder(int answer = platform::kIdOk);
  ~MessageBoxRecorder();
  const std::vector<RecordedBox>& Boxes() const { return boxes_; }
  void Clear() { boxes_.clear(); }

 private:
  std::vector<RecordedBox> boxes_;
  platform::MessageBoxHandler previous_;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
// What a shell command prints on stdout and stderr.
std::string Shell(const std::string& command);

// Makes a short audio file with ffmpeg (sine tone). Returns false when ffmpeg
// is missing or fails.
bool MakeToneFile(const std::filesystem::path& path, double seconds, int sample_rate,
                  int channels = 2);
// Makes a small solid-colour JPEG or BMP picture with ffmpeg.
bool MakePictureFile(const std::filesystem::path& path, int width = 64, int height = 48);

// Writes a CUE/BIN disc image into `dir` with one track per entry (audio or
// MODE1 data, that many 2352-byte sectors) and returns the CUE file. Audio
// sectors hold bytes that differ from sector to sector.
struct CdImageTrack {
  bool audio = true;
  int sectors = 75;
};
std::filesystem::path MakeCdImage(const std::filesystem::path& dir,
                                  const std::vector<CdImageTrack>& tracks);

}  // namespace testing_support
