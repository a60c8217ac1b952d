#pragma once

#include <filesystem>
#include <string>

namespace platform {

// A per-user named lock held for the life of the object. The lock file lives
// in the user's runtime folder ($XDG_RUNTIME_DIR, else the private temp folder).
class SingleInstanceLock {
 public:
  explicit SingleInstanceLock(const std::string& name);
  ~SingleInstanceLock();
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // False when another process already holds the lock.
  bool Acquired() const { return fd_ >= 0; }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
  int fd_ = -1;
};

}  // namespace platform
