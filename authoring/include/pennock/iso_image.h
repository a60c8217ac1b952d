// The disc image of a DVD-Video folder: an ISO 9660 + UDF 1.02 bridge file
// system that both kinds of reader (players and libdvdread read UDF,
// computers often ISO 9660) see the same way. The folder's VIDEO_TS files
// come first and contiguous, in DVD-Video order (VIDEO_TS.IFO, .VOB, .BUP,
// then per title set its IFO, menu VOB, title VOBs and BUP), each on a
// 2048-byte sector boundary and described by one extent that the ISO 9660
// and the UDF directories share; an empty AUDIO_TS folder sits beside it.
//
// The image is never held whole: Open lays out the file system from the
// folder's listing (a few hundred KB of directory sectors), and Read hands
// out the image's bytes in order, reading the files as it passes them. A
// burner pulls with Read (its size known from Size() up front); WriteToFile
// writes the image to a file. Recording times come from the files, so one
// folder and label always give the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pennock {

inline constexpr std::size_t kIsoSectorBytes = 2048;

// The volume labels a user's text becomes.
struct IsoLabels {
  std::string iso;  // 1..32 of A-Z 0-9 _ (ISO 9660 d-characters)
  std::string udf;  // UTF-8; the UDF volume identifier, at most 30 Latin-1 or 15 other characters
  std::string udf_logical;  // UTF-8; the UDF logical volume name, at most 126 or 63 characters
};
// Accents dropped and other characters replaced for ISO 9660; control
// characters and characters beyond U+FFFF dropped for UDF; an empty result
// becomes "DVD_VIDEO". `text` is UTF-8 (invalid bytes count as '_').
IsoLabels MakeIsoLabels(const std::string& text);

// One file of the image, in image order.
struct IsoImageFile {
  std::string name;              // "VIDEO_TS.IFO"
  std::string directory;         // "VIDEO_TS"
  std::filesystem::path source;  // the file read
  std::uint64_t bytes = 0;
  std::uint32_t sector = 0;      // first sector in the image
  std::time_t modified = 0;      // recorded as the file's time on both sides
};

class IsoImage {
 public:
  // Lays out the image of `dvd_folder` (the folder holding VIDEO_TS).
  // `label` is the user's text (MakeIsoLabels); empty: the folder's name.
  // Null with `error` set when the folder cannot be imaged: no
  // VIDEO_TS/VIDEO_TS.IFO, a file that cannot be read, a name that is not
  // an 8.3 DVD-Video name, a folder inside VIDEO_TS, a file of 4 GiB or
  // more (ISO 9660 cannot describe it). Other entries beside VIDEO_TS and
  // AUDIO_TS are left out and listed by LeftOut().
  static std::unique_ptr<IsoImage> Open(const std::filesystem::path& dvd_folder, const std::string& label,
                                        std::string* error);
  ~IsoImage();
  IsoImage(const IsoImage&) = delete;
  IsoImage& operator=(const IsoImage&) = delete;

  std::uint64_t Size() const { return std::uint64_t{sectors_} * kIsoSectorBytes; }
  std::uint32_t Sectors() const { return sectors_; }
  const IsoLabels& Labels() const { return labels_; }
  const std::vector<IsoImageFile>& Files() const { return files_; }
  const std::vector<std::filesystem::path>& LeftOut() const { return left_out_; }

  // Copies the next bytes of the image into `buffer` and moves on: returns
  // `bytes`, fewer only at the end of the image (0 there), or -1 when a file
  // cannot be read or has changed since Open (Error() names it; the image
  // cannot go on).
  std::int64_t Read(std::uint8_t* buffer, std::size_t bytes);
  std::uint64_t Position() const { return position_; }
  const std::string& Error() const { return error_; }

  // Progress: bytes written so far and the image's size; return false to stop.
  using Progress = std::function<bool(std::uint64_t done, std::uint64_t total)>;
  // Writes the whole image, from the start, to `out` (replaced only when the
  // image is complete; nothing is left on failure or stop). False with
  // Error() set on failure; Stopped() tells a stop by `progress`.
  bool WriteToFile(const std::filesystem::path& out, const Progress& progress = {});
  bool Stopped() const { return stopped_; }

 private:
  struct Segment;
  IsoImage();
  bool ListFiles(const std::filesystem::path& dvd_folder, const std::string& label);
  bool Layout(const std::filesystem::path& dvd_folder, const std::string& label);
  bool ReadFile(std::size_t index, std::uint64_t offset, std::uint8_t* buffer, std::size_t bytes);
  void Rewind();

  IsoLabels labels_;
  std::vector<IsoImageFile> files_;
  std::vector<std::filesystem::path> left_out_;
  std::vector<Segment> segments_;
  std::vector<std::uint8_t> head_;  // directory sectors before the first file
  std::vector<std::uint8_t> tail_;  // the closing anchor sector
  std::uint32_t sectors_ = 0;
  std::uint64_t position_ = 0;
  std::size_t segment_ = 0;
  int fd_ = -1;
  std::size_t fd_file_ = 0;
  std::string error_;
  bool failed_ = false;
  bool stopped_ = false;
};

}  // namespace pennock
