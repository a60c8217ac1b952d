#include "control/destination_names.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/paths.h"

namespace carrowell {
namespace {
namespace fs = std::filesystem;
constexpr int kAttempts = 64;
}  // namespace

const char* OriginSubFolder(ItemOrigin origin) {
  switch (origin) {
    case ItemOrigin::Recording: return "REC2WAV";
    case ItemOrigin::CdTrack: return "CD2WAV";
    case ItemOrigin::AddedFile: break;
  }
  return "temp";
}

const char* OriginPrefix(ItemOrigin origin) {
  switch (origin) {
    case ItemOrigin::Recording: return "CVR";
    case ItemOrigin::CdTrack: return "CVC";
    case ItemOrigin::AddedFile: break;
  }
  return "CVF";
}

std::optional<std::string> MakeDestination(const std::string& output_folder, ItemOrigin origin,
                                           const std::string& extension,
                                           const std::function<bool(const std::string&)>& taken) {
  const fs::path base = output_folder.empty() ? platform::DocumentsFolder() : fs::path(output_folder);
  return MakeDestinationIn((base / OriginSubFolder(origin)).string(), origin, extension, taken);
}

std::optional<std::string> MakeDestinationIn(const std::string& folder_name, ItemOrigin origin,
                                             const std::string& extension,
                                             const std::function<bool(const std::string&)>& taken,
                                             const std::string& stem) {
  const fs::path folder = folder_name;
  std::string safe_stem = stem;
  std::replace(safe_stem.begin(), safe_stem.end(), '/', '-');
  for (int n = 1; !safe_stem.empty() && safe_stem != "." && safe_stem != ".." && n <= kAttempts; ++n) {
    const std::string result =
        (folder / (safe_stem + (n > 1 ? " (" + std::to_string(n) + ")" : "") + extension)).string();
    std::error_code ec;
    if (!fs::exists(result, ec) && !ec && !(taken && taken(result))) return result;
  }
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::string name = (folder / (std::string(OriginPrefix(origin)) + "XXXXXX.TMP")).string();
    const int fd = ::mkstemps(name.data(), 4);
    if (fd < 0) return std::nullopt;
    ::close(fd);
    const std::string result = fs::path(name).replace_extension(extension).string();
    std::error_code ec;
    fs::remove(name, ec);
    if (!fs::exists(result, ec) && !(taken && taken(result))) return result;
  }
  return std::nullopt;
}

}  // namespace carrowell
