// The JSON job of `verosa-cli author`: titles of chapters, each a 24-bit BMP
// picture and a PCM WAV file, with the disc settings of the authoring
// library's parameter block. Reading checks every field and says which one
// is wrong and why; relative paths are taken from the job file's folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "pennock/pennock.h"

namespace verosa::cli {

struct AuthorJobChapter {
  std::filesystem::path picture;
  std::filesystem::path audio;
};

struct AuthorJobTitle {
  std::vector<AuthorJobChapter> chapters;
  std::uint16_t post_command = 0;  // 0: none
};

struct AuthorJob {
  std::filesystem::path output;
  std::uint8_t aspect = 43;              // 43 or 169
  std::uint8_t permitted_display = 0;    // 0..3
  std::string language = "en";           // two lower-case letters
  std::uint16_t menu_command = 22001;    // first play and menu: title 1
  std::vector<AuthorJobTitle> titles;
};

// Navigation defaults when the job leaves them out: first play and menu jump
// to title 1 (22001), each title but the last goes on to the next one
// (23000 + t + 1), the last ends the disc (0, no command) — as the program's
// authoring control does.
inline constexpr std::uint16_t kDefaultMenuCommand = 22001;
std::uint16_t DefaultPostCommand(int title, int title_count);

// The job in `file`, or nullopt with `error` naming the field and the reason.
std::optional<AuthorJob> ReadAuthorJob(const std::filesystem::path& file, std::string& error);

// Writes the job into a zeroed block; `window` receives the messages.
void FillAuthorParams(const AuthorJob& job, std::uint32_t window, pennock::AuthorParams& params);

}  // namespace verosa::cli
