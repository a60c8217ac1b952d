#include "ui/mp3_settings.h"

#include <algorithm>
#include <cstdlib>

#include "engine/mp3_target_format.h"
#include "ui/conversion_ui.h"

namespace carrowell {
namespace {

int Clamp(int value, int low, int high) { return std::clamp(value, low, high); }

int TableValue(const auto& table, int index) {
  return table[static_cast<std::size_t>(Clamp(index, 0, static_cast<int>(table.size()) - 1))];
}

}  // namespace

int BitratePosition(int kbps) {
  int best = 0;
  for (int i = 1; i < static_cast<int>(kMp3BitrateTable.size()); ++i)
    if (std::abs(kMp3BitrateTable[static_cast<std::size_t>(i)] - kbps) <
        std::abs(kMp3BitrateTable[static_cast<std::size_t>(best)] - kbps))
      best = i;
  return best;
}

std::string BitrateLabel(int position) {
  return std::to_string(TableValue(kMp3BitrateTable, position)) + " kbps";
}

Mp3Settings Mp3Settings::FromFormat(const PropertySet& format) {
  Mp3Settings s;
  s.extra = format.Int(Mp3TargetFormat::kExtra);
  s.bitrate_position = BitratePosition(format.Int(Mp3TargetFormat::kBitrate, 128));
  s.vbr = format.Flag(Mp3TargetFormat::kVbr) != 0;
  s.max_bitrate_position = BitratePosition(format.Int(Mp3TargetFormat::kMaxBitrate, 128));
  s.vbr_quality = Clamp(format.Int(Mp3TargetFormat::kVbrQuality, 5), 0, 9);
  s.mode = Clamp(format.Int(Mp3TargetFormat::kModeIndex), 0, 3);
  const int rate = format.Int(Mp3TargetFormat::kOutputRate);
  s.sample_rate_index = 0;
  for (std::size_t i = 0; i < kMp3SampleRateTable.size(); ++i)
    if (kMp3SampleRateTable[i] == rate) s.sample_rate_index = static_cast<int>(i);
  s.copyright = format.Flag(Mp3TargetFormat::kCopyright) != 0;
  s.crc = format.Flag(Mp3TargetFormat::kCrc) != 0;
  s.original = format.Flag(Mp3TargetFormat::kOriginal) != 0;
  s.private_bit = format.Flag(Mp3TargetFormat::kPrivate) != 0;
  s.mpeg1 = format.Flag(Mp3TargetFormat::kMpeg1) != 0;
  return s;
}

void Mp3Settings::ToFormat(PropertySet& format) const {
  format.SetInt(Mp3TargetFormat::kExtra, extra);
  format.SetInt(Mp3TargetFormat::kBitrate, Bitrate());
  format.SetFlag(Mp3TargetFormat::kVbr, vbr ? 1 : 0);
  format.SetInt(Mp3TargetFormat::kMaxBitrate, MaxBitrate());
  format.SetInt(Mp3TargetFormat::kVbrQuality, Clamp(vbr_quality, 0, 9));
  format.SetInt(Mp3TargetFormat::kModeIndex, Clamp(mode, 0, 3));
  format.SetInt(Mp3TargetFormat::kOutputRate, SampleRate());
  format.SetFlag(Mp3TargetFormat::kCopyright, copyright ? 1 : 0);
  format.SetFlag(Mp3TargetFormat::kCrc, crc ? 1 : 0);
  format.SetFlag(Mp3TargetFormat::kOriginal, original ? 1 : 0);
  format.SetFlag(Mp3TargetFormat::kPrivate, private_bit ? 1 : 0);
  format.SetFlag(Mp3TargetFormat::kMpeg1, mpeg1 ? 1 : 0);
}

int Mp3Settings::Bitrate() const { return TableValue(kMp3BitrateTable, bitrate_position); }
int Mp3Settings::MaxBitrate() const { return TableValue(kMp3BitrateTable, max_bitrate_position); }
int Mp3Settings::SampleRate() const { return TableValue(kMp3SampleRateTable, sample_rate_index); }

void Mp3SettingsDialog::Load(const TargetFormat& format) { values_ = Mp3Settings::FromFormat(format); }

int Mp3SettingsDialog::Show() { return ActiveConversionUi().EditMp3Settings(values_); }

void Mp3SettingsDialog::Store(TargetFormat& format) const { values_.ToFormat(format); }

}  // namespace carrowell
