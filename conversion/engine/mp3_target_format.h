// Target kind 101: an MP3 file written by the lame_enc encoder. The format
// holds the encoder's whole configuration record, so settings can be edited
// and copied between items.
#pragma once

#include <array>
#include <string>

#include "engine/property_set.h"
#include "lame_enc/lame_enc.h"

namespace carrowell {

inline constexpr const char* kMp3Identity = "{1BC03EF5-661B-4c3f-AD68-4630B8D16426}";

// Channel-mode index (integer 4) to the record's mode field.
inline constexpr std::array<int, 4> kMp3ModeTable = {BE_MP3_MODE_STEREO, BE_MP3_MODE_JSTEREO,
                                                     BE_MP3_MODE_DUALCHANNEL, BE_MP3_MODE_MONO};

// Properties:
//   integer 0  a value kept with the format, not read by the encoder
//   integer 1  bitrate (kbps, 128)          integer 2  maximum VBR bitrate (128)
//   integer 3  VBR quality (5)              integer 4  channel-mode index 0..3 (0 stereo, 3 mono)
//   integer 5  output sample rate in Hz (0 = the encoder decides)
//   flag 6 VBR, 7 copyright, 8 CRC, 9 original, 10 private, 11 MPEG-1
//   block 12   the 331-byte BE_CONFIG record
//   string -2  description, string -1 identity
class Mp3TargetFormat : public TargetFormat {
 public:
  static constexpr int kExtra = 0;
  static constexpr int kBitrate = 1;
  static constexpr int kMaxBitrate = 2;
  static constexpr int kVbrQuality = 3;
  static constexpr int kModeIndex = 4;
  static constexpr int kOutputRate = 5;
  static constexpr int kVbr = 6;
  static constexpr int kCopyright = 7;
  static constexpr int kCrc = 8;
  static constexpr int kOriginal = 9;
  static constexpr int kPrivate = 10;
  static constexpr int kMpeg1 = 11;
  static constexpr int kConfig = 12;

  Mp3TargetFormat();

  // Copies flags 6..11 and integers 0..5 from another MP3 format.
  int CopyFrom(const PropertySet& other) override;
  int GetFlag(int number, int& value) const override;
  int SetFlag(int number, int value) override;
  int GetInt(int number, int& value) const override;
  int SetInt(int number, int value) override;
  int GetString(int number, std::string& value) const override;
  int GetBlock(int number, void* buffer, std::size_t length) const override;
  int SetBlock(int number, const void* buffer, std::size_t length) override;

  // The configuration record a new format starts with.
  static BE_CONFIG DefaultConfig();

 private:
  BE_CONFIG config_;
  int extra_ = 0;
};

}  // namespace carrowell
