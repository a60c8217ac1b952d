#pragma once

#include <cstdint>
#include <filesystem>

namespace platform {

enum class SpaceKind { TotalFree = 0, Total = 1, AvailableToCaller = 2 };

// Megabytes (bytes >> 20, truncated to 32 bits) on the file system holding
// `path` (or its nearest existing parent); -1 when it cannot be queried.
std::int32_t FreeDiskSpaceMB(const std::filesystem::path& path, SpaceKind kind);

}  // namespace platform
