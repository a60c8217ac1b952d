// MSB-first bit writer into a byte vector.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace pennock {

class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}

  // Appends the low `length` bits (0..32) of `bits`, most significant first.
  void Put(std::uint32_t bits, int length) {
    if (length <= 0) return;
    const std::uint64_t mask = (std::uint64_t{1} << length) - 1;
    acc_ = (acc_ << length) | (bits & mask);
    pending_ += length;
    if (pending_ >= 32) {
      pending_ -= 32;
      const auto word = static_cast<std::uint32_t>(acc_ >> pending_);
      out_.insert(out_.end(), {static_cast<std::uint8_t>(word >> 24), static_cast<std::uint8_t>(word >> 16),
                               static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)});
    }
  }
  // Pads with '0' bits up to the next byte boundary and writes them out.
  void Align() {
    if (pending_ % 8) Put(0, 8 - pending_ % 8);
    while (pending_ > 0) {
      pending_ -= 8;
      out_.push_back(static_cast<std::uint8_t>(acc_ >> pending_));
    }
  }
  void PutBytes(std::initializer_list<std::uint8_t> bytes) {
    Align();
    out_.insert(out_.end(), bytes);
  }
  // Bytes written so far, counting whole bytes still pending.
  std::size_t ByteCount() const { return out_.size() + static_cast<std::size_t>(pending_ / 8); }

 private:
  std::vector<std::uint8_t>& out_;
  std::uint64_t acc_ = 0;  // only the low `pending_` bits are still to be written
  int pending_ = 0;        // below 32 between calls
};

}  // namespace pennock
