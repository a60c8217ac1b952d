#include "core/pcm_wav_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cstring>

namespace pcm_wav {
namespace {

// Samples go to the file as they are in memory.
static_assert(std::endian::native == std::endian::little);

constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - (kHeaderSize - 8);
constexpr std::size_t kFileBuffer = 1 << 20;

void PutLe(std::uint8_t* p, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

Writer::~Writer() {
  if (file_) Discard();
}

bool Writer::Open(const std::string& path, int sample_rate, int channels) {
  if (file_) Discard();
  if (sample_rate <= 0 || channels <= 0 || channels > 0xFFFF / 2) return false;
  path_ = path;
  sample_rate_ = sample_rate;
  channels_ = channels;
  block_align_ = static_cast<std::uint32_t>(channels) * 2;
  data_bytes_ = 0;
  failed_ = false;
  // Only regular files are written (and deleted again on failure).
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !(file_ = ::fdopen(fd, "wb"))) {
    ::close(fd);
    path_.clear();
    return false;
  }
  std::setvbuf(file_, nullptr, _IOFBF, kFileBuffer);
  if (!WriteHeader()) {
    Discard();
    return false;
  }
  return true;
}

bool Writer::WriteHeader() {
  std::array<std::uint8_t, kHeaderSize> h{};
  const auto data = static_cast<std::uint32_t>(data_bytes_);
  std::memcpy(&h[0], "RIFF", 4);
  PutLe(&h[4], data + static_cast<std::uint32_t>(kHeaderSize - 8), 4);
  std::memcpy(&h[8], "WAVEfmt ", 8);
  PutLe(&h[16], 16, 4);                                                 // fmt chunk size
  PutLe(&h[20], 1, 2);                                                  // PCM
  PutLe(&h[22], static_cast<std::uint32_t>(channels_), 2);
  PutLe(&h[24], static_cast<std::uint32_t>(sample_rate_), 4);
  PutLe(&h[28], static_cast<std::uint32_t>(sample_rate_) * block_align_, 4);  // bytes/s
  PutLe(&h[32], block_align_, 2);
  PutLe(&h[34], 16, 2);                                                 // bits per sample
  std::memcpy(&h[36], "data", 4);
  PutLe(&h[40], data, 4);
  return std::fwrite(h.data(), 1, h.size(), file_) == h.size();
}

bool Writer::Write(const std::int16_t* samples, std::size_t frames) {
  if (!file_ || failed_) return false;
  const std::uint64_t bytes = static_cast<std::uint64_t>(frames) * block_align_;
  if (data_bytes_ + bytes > kMaxDataBytes ||
      std::fwrite(samples, 1, bytes, file_) != bytes) {
    failed_ = true;
    return false;
  }
  data_bytes_ += bytes;
  return true;
}

bool Writer::Commit() {
  if (!file_ || failed_) return false;
  if (std::fseek(file_, 0, SEEK_SET) != 0 || !WriteHeader() || std::fseek(file_, 0, SEEK_END) != 0 ||
      std::fflush(file_) != 0) {
    failed_ = true;
    return false;
  }
  return true;
}

bool Writer::Finish() {
  if (!file_) return false;
  bool ok = !failed_ && std::fseek(file_, 0, SEEK_SET) == 0 && WriteHeader() &&
            std::fflush(file_) == 0;
  ok = (std::fclose(file_) == 0) && ok;
  file_ = nullptr;
  if (!ok) {
    failed_ = true;
    ::unlink(path_.c_str());
  }
  return ok;
}

void Writer::Discard() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!path_.empty()) ::unlink(path_.c_str());
  failed_ = true;
}

}  // namespace pcm_wav
