// The MP3 settings as the settings dialog holds them: slider positions and
// list indices, turned into the format's values through fixed tables.
#pragma once

#include <array>
#include <string>

#include "engine/property_set.h"
#include "engine/settings_dialog.h"

namespace carrowell {

// Bitrate sliders, positions 0..13 (kbps).
inline constexpr std::array<int, 14> kMp3BitrateTable = {32,  40,  48,  56,  64,  80,  96,
                                                         112, 128, 160, 192, 224, 256, 320};
// Output sample-rate list, indices 0..3 (0 = "Auto").
inline constexpr std::array<int, 4> kMp3SampleRateTable = {0, 48000, 44100, 32000};

// The position of a bitrate on the sliders (the nearest table entry).
int BitratePosition(int kbps);
// "128 kbps" for a slider position.
std::string BitrateLabel(int position);

// Default values are those of a reset: 128 kbps on both sliders, VBR off,
// VBR quality 5, stereo, "Auto" sample rate, every flag off.
struct Mp3Settings {
  int extra = 0;                 // list 1053 (integer 0)
  int bitrate_position = 8;      // slider 1000 (integer 1)
  bool vbr = false;              // check box 1014 (flag 6)
  int max_bitrate_position = 8;  // slider 1002 (integer 2)
  int vbr_quality = 5;           // list 1084 (integer 3)
  int mode = 0;                  // list 1004 (integer 4)
  int sample_rate_index = 0;     // list 1003 (integer 5)
  bool copyright = false;        // check box 1068 (flag 7)
  bool crc = false;              // check box 1066 (flag 8)
  bool original = false;         // check box 1067 (flag 9)
  bool private_bit = false;      // check box 1069 (flag 10)
  bool mpeg1 = false;            // check box 1082 (flag 11)

  // Reads a format, looking each value up in its table.
  static Mp3Settings FromFormat(const PropertySet& format);
  // Writes the table values into a format.
  void ToFormat(PropertySet& format) const;
  int Bitrate() const;
  int MaxBitrate() const;
  int SampleRate() const;

  friend bool operator==(const Mp3Settings&, const Mp3Settings&) = default;
};

// The settings dialog object of the MP3 target kind.
class Mp3SettingsDialog : public SettingsDialog {
 public:
  void Load(const TargetFormat& format) override;
  int Show() override;
  void Store(TargetFormat& format) const override;
  const Mp3Settings& Values() const { return values_; }

 private:
  Mp3Settings values_;
};

}  // namespace carrowell
