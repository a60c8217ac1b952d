// MSB-first bit writer appending to a byte vector. Bits are gathered 32 at a
// time; the vector is exact after Align() (and after PutBytes()).
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace pennock {

class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out), size_(out.size()) {}

  // Appends the low `length` bits (0..32) of `bits`, most significant first.
  [[gnu::always_inline]] void Put(std::uint32_t bits, int length) {
    const std::uint64_t mask = (std::uint64_t{1} << length) - 1;
    acc_ = (acc_ << length) | (bits & mask);
    pending_ += length;
    if (pending_ >= 32) {
      pending_ -= 32;
      const auto word = static_cast<std::uint32_t>(acc_ >> pending_);
      if (size_ + 4 > out_.size()) out_.resize(std::max<std::size_t>(out_.size() * 2, size_ + 65536));
      std::uint8_t* p = out_.data() + size_;
      p[0] = static_cast<std::uint8_t>(word >> 24);
      p[1] = static_cast<std::uint8_t>(word >> 16);
      p[2] = static_cast<std::uint8_t>(word >> 8);
      p[3] = static_cast<std::uint8_t>(word);
      size_ += 4;
    }
  }
  struct Code {
    std::uint32_t bits;
    int length;  // 1..32
  };
  // Appends several codes; the state stays in registers for the whole run.
  void PutAll(const Code* codes, int count) {
    std::uint64_t acc = acc_;
    int pending = pending_;
    if (size_ + 4 * static_cast<std::size_t>(count) + 4 > out_.size())
      out_.resize(std::max<std::size_t>(out_.size() * 2, size_ + 4 * static_cast<std::size_t>(count) + 65536));
    std::uint8_t* p = out_.data() + size_;
    for (int i = 0; i < count; ++i) {
      acc = (acc << codes[i].length) | codes[i].bits;
      pending += codes[i].length;
      if (pending >= 32) {
        pending -= 32;
        const auto word = static_cast<std::uint32_t>(acc >> pending);
        p[0] = static_cast<std::uint8_t>(word >> 24);
        p[1] = static_cast<std::uint8_t>(word >> 16);
        p[2] = static_cast<std::uint8_t>(word >> 8);
        p[3] = static_cast<std::uint8_t>(word);
        p += 4;
      }
    }
    size_ = static_cast<std::size_t>(p - out_.data());
    acc_ = acc;
    pending_ = pending;
  }
  // Pads with '0' bits up to the next byte boundary and writes everything out.
  void Align() {
    if (pending_ % 8) Put(0, 8 - pending_ % 8);
    out_.resize(size_);
    while (pending_ > 0) {
      pending_ -= 8;
      out_.push_back(static_cast<std::uint8_t>(acc_ >> pending_));
    }
    size_ = out_.size();
  }
  void PutBytes(std::initializer_list<std::uint8_t> bytes) {
    Align();
    out_.insert(out_.end(), bytes);
    size_ = out_.size();
  }
  // Bytes written so far, counting whole bytes still pending.
  std::size_t ByteCount() const { return size_ + static_cast<std::size_t>(pending_ / 8); }

 private:
  std::vector<std::uint8_t>& out_;
  std::size_t size_;       // bytes of out_ in use; out_ may be longer in between
  std::uint64_t acc_ = 0;  // only the low `pending_` bits are still to be written
  int pending_ = 0;        // below 32 between calls
};

}  // namespace pennock
