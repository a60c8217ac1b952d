// Source kind 0: rips a CD track's sector range into the intermediate WAV
// file (44.1 kHz, 16 bits, stereo, the 46-byte header) through the CD
// component. An abort or a read error fails the item; the engine removes
// the partial file.
#pragma once

#include "engine/cdrip_library.h"
#include "engine/engine.h"

namespace carrowell {

class CdRipDecoder : public Decoder {
 public:
  int Init() override;
  void Release() override;
  int Run(ConversionProgress& progress) override;
  // One drive, one ripper per process.
  bool RunsConcurrently() const override { return false; }

 private:
  CdRipLibrary library_;
};

// The 46-byte header the CD decoder writes before `data_bytes` of audio.
std::string CdWavHeader(std::uint32_t data_bytes);

}  // namespace carrowell
