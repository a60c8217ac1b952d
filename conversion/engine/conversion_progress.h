// The sink that decoders and encoders report their progress to and poll for
// an abort. The converter progress window implements it.
#pragma once

#include <cstdint>

namespace carrowell {

class ConversionProgress {
 public:
  virtual ~ConversionProgress() = default;
  // Names the file being converted (its file-name part is shown).
  virtual void SetCurrentFile(const char* path) = 0;
  // The decode stage's range; 0 and no change when high < low.
  virtual int SetDecodeRange(std::int64_t low, std::int64_t high) = 0;
  virtual int SetDecodePosition(std::int64_t position) = 0;
  // Same as SetCurrentFile.
  virtual void SetCurrentFileName(const char* path) = 0;
  // The encode stage's range; 0 and no change when high < low.
  virtual int SetEncodeRange(std::int64_t low, std::int64_t high) = 0;
  virtual int SetEncodePosition(std::int64_t position) = 0;
  // Non-zero once the user has confirmed an abort; it stays set.
  virtual int IsAborted() = 0;
  // Handles the pending events of the thread without waiting.
  virtual void PumpMessages() = 0;
};

}  // namespace carrowell
