#include "mux/vob_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "mux/pack_format.h"

namespace pennock {
namespace fs = std::filesystem;

fs::path VobFiles::FilePath(int number) const {
  return video_ts_ / ("VTS_01_" + std::to_string(number) + ".VOB");
}

int VobFiles::Open(int number, std::uint64_t sector) {
  const auto index = static_cast<std::size_t>(number - 1);
  int& fd = fds_[index];
  if (fd >= 0) return fd;
  const fs::path path = FilePath(number);
  const bool create = origin_[index] == kUnused;
  fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | (create ? O_CREAT | O_TRUNC : 0), 0644);
  if (fd < 0) {
    error_ = "cannot create " + path.string() + ": " + std::strerror(errno);
    return fd;
  }
  if (create) origin_[index] = sector;
  return fd;
}

bool VobFiles::Write(std::uint64_t first_sector, const std::uint8_t* packs, std::size_t count) {
  while (count > 0) {
    if (first_sector >= kMaxTitleSetSectors) {
      error_ = "the title set is larger than nine VOB files";
      return false;
    }
    const int number = static_cast<int>(first_sector / kSectorsPerVobFile) + 1;
    const std::uint64_t in_file = first_sector % kSectorsPerVobFile;
    const std::size_t here = static_cast<std::size_t>(std::min<std::uint64_t>(count, kSectorsPerVobFile - in_file));
    const int fd = Open(number, first_sector);
    if (fd < 0) return false;
    const std::uint64_t at = (first_sector - origin_[static_cast<std::size_t>(number - 1)]) * kSectorSize;
    std::size_t done = 0;
    const std::size_t bytes = here * kSectorSize;
    while (done < bytes) {
      const ssize_t n = ::pwrite(fd, packs + done, bytes - done, static_cast<off_t>(at + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error_ = "cannot write " + FilePath(number).string() + ": " + std::strerror(n < 0 ? errno : ENOSPC);
        return false;
      }
      done += static_cast<std::size_t>(n);
    }
    packs += bytes;
    first_sector += here;
    count -= here;
  }
  return true;
}

bool VobFiles::Patch(std::uint64_t sector, std::size_t offset, const std::uint8_t* bytes, std::size_t size) {
  const int number = static_cast<int>(sector / kSectorsPerVobFile) + 1;
  const auto index = static_cast<std::size_t>(number - 1);
  if (number > kTitleVobFiles || origin_[index] == kUnused || sector < origin_[index]) {
    error_ = "sector " + std::to_string(sector) + " was never written";
    return false;
  }
  const int fd = Open(number, sector);
  if (fd < 0) return false;
  const auto at = static_cast<off_t>((sector - origin_[index]) * kSectorSize + offset);
  if (::pwrite(fd, bytes, size, at) != static_cast<ssize_t>(size)) {
    error_ = "cannot write " + FilePath(number).string() + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

void VobFiles::TruncateTo(std::uint64_t sectors) {
  Close();
  std::error_code ec;
  for (std::size_t index = 0; index < origin_.size(); ++index) {
    const std::uint64_t origin = origin_[index];
    if (origin == kUnused) continue;
    const fs::path path = FilePath(static_cast<int>(index) + 1);
    if (sectors <= origin) {
      fs::remove(path, ec);
      origin_[index] = kUnused;
    } else if (sectors - origin < fs::file_size(path, ec) / kSectorSize) {
      fs::resize_file(path, (sectors - origin) * kSectorSize, ec);
    }
  }
}

bool VobFiles::Close() {
  bool ok = true;
  for (int& fd : fds_) {
    if (fd >= 0 && ::close(fd) != 0) {
      ok = false;
      error_ = std::string("cannot write the VOB files: ") + std::strerror(errno);
    }
    fd = -1;
  }
  return ok;
}

}  // namespace pennock
