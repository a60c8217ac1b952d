#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/paths.h"

namespace platform {

SingleInstanceLock::SingleInstanceLock(const std::string& name) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::filesystem::path folder =
      runtime && *runtime ? std::filesystem::path(runtime) : PrivateTempFolder();
  if (folder.empty()) return;
  path_ = folder / name;
  fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) return;
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

SingleInstanceLock::~SingleInstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace platform
