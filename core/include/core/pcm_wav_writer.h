// Writes a 16-bit PCM WAV file with the canonical 44-byte header: the output
// of Dx2Wav and Resample, and the output job's chapters brought to one disc
// format (16-bit stereo). The file is complete only after Finish() succeeds;
// a writer destroyed before that, or one whose write failed, deletes what it
// wrote.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace pcm_wav {

inline constexpr std::size_t kHeaderSize = 44;

class Writer {
 public:
  Writer() = default;
  ~Writer();
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  // Creates (or truncates) the file and writes a placeholder header. Paths
  // of anything but a regular file are refused.
  bool Open(const std::string& path, int sample_rate, int channels);
  // Appends interleaved frames; false on a short write or when the file would
  // outgrow the 4 GB limit of the format. After a failure nothing more is written.
  bool Write(const std::int16_t* samples, std::size_t frames);
  // Fills in the header sizes for what is written so far and flushes, so the
  // file is a complete WAV while it stays open for more; false on failure.
  bool Commit();
  // Fills in the header sizes, flushes and closes; false if any of it failed.
  bool Finish();
  // Closes and deletes the file.
  void Discard();

  bool IsOpen() const { return file_ != nullptr; }
  bool Failed() const { return failed_; }
  std::uint64_t Frames() const { return data_bytes_ / block_align_; }
  std::uint64_t DataBytes() const { return data_bytes_; }
  int SampleRate() const { return sample_rate_; }
  int Channels() const { return channels_; }

 private:
  bool WriteHeader();

  std::FILE* file_ = nullptr;
  std::string path_;
  int sample_rate_ = 0;
  int channels_ = 0;
  std::uint32_t block_align_ = 1;
  std::uint64_t data_bytes_ = 0;
  bool failed_ = false;
};

}  // namespace pcm_wav
