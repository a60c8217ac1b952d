#include "platform/disk_space.h"

#include <sys/statvfs.h>

namespace platform {

std::int32_t FreeDiskSpaceMB(const std::filesystem::path& path, SpaceKind kind) {
  // A folder that does not exist yet lives on the file system of its parent.
  std::filesystem::path probe = path;
  std::error_code ec;
  while (!probe.empty() && !std::filesystem::exists(probe, ec)) {
    if (probe == probe.parent_path()) break;
    probe = probe.parent_path();
  }
  if (probe.empty()) return -1;

  struct statvfs st {};
  if (::statvfs(probe.c_str(), &st) != 0) return -1;
  std::uint64_t blocks = 0;
  switch (kind) {
    case SpaceKind::TotalFree: blocks = st.f_bfree; break;
    case SpaceKind::Total: blocks = st.f_blocks; break;
    case SpaceKind::AvailableToCaller: blocks = st.f_bavail; break;
  }
  const std::uint64_t bytes = blocks * st.f_frsize;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes >> 20));
}

}  // namespace platform
