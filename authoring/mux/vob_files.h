// The title set's VOB files as one sector-addressed store: VTS_01_1.VOB holds
// sectors 0 .. 488,299, VTS_01_2.VOB the next 488,300 (1,000,038,400 bytes
// each), and so on up to VTS_01_9.VOB. A file starts with the first sector
// written to it (the title set's first sector, when that lies inside it).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace pennock {

inline constexpr std::uint32_t kSectorsPerVobFile = 488300;
inline constexpr int kTitleVobFiles = 9;
inline constexpr std::uint64_t kMaxTitleSetSectors = std::uint64_t{kTitleVobFiles} * kSectorsPerVobFile;

class VobFiles {
 public:
  explicit VobFiles(std::filesystem::path video_ts) : video_ts_(std::move(video_ts)) {}
  ~VobFiles() { Close(); }
  VobFiles(const VobFiles&) = delete;
  VobFiles& operator=(const VobFiles&) = delete;

  // Writes `count` whole packs from `first_sector` on, across file
  // boundaries. A file is created empty when it is first written to.
  bool Write(std::uint64_t first_sector, const std::uint8_t* packs, std::size_t count);
  // Overwrites `size` bytes at `offset` inside sector `sector`.
  bool Patch(std::uint64_t sector, std::size_t offset, const std::uint8_t* bytes, std::size_t size);
  // Cuts the store back to its first `sectors` sectors: files beyond are
  // removed, the last one shortened.
  void TruncateTo(std::uint64_t sectors);
  // Closes every file; false when a close reported a failure.
  bool Close();

  // What went wrong last, with the file's name.
  const std::string& Error() const { return error_; }
  std::filesystem::path FilePath(int number) const;

 private:
  int Open(int number, std::uint64_t sector);

  std::filesystem::path video_ts_;
  std::array<int, kTitleVobFiles> fds_{-1, -1, -1, -1, -1, -1, -1, -1, -1};
  static constexpr std::uint64_t kUnused = ~std::uint64_t{0};
  std::array<std::uint64_t, kTitleVobFiles> origin_{kUnused, kUnused, kUnused, kUnused, kUnused,
                                                    kUnused, kUnused, kUnused, kUnused};  // first sector of each file
  std::string error_;
};

}  // namespace pennock
