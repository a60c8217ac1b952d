#include "engine/mp3_target_format.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace carrowell {

BE_CONFIG Mp3TargetFormat::DefaultConfig() {
  BE_CONFIG config;
  std::memset(&config, 0, sizeof config);
  config.dwConfig = BE_CONFIG_LAME;
  auto& lame = config.format.LHV1;
  lame.dwStructVersion = CURRENT_STRUCT_VERSION;
  lame.dwStructSize = CURRENT_STRUCT_SIZE;
  lame.dwSampleRate = 44100;
  lame.dwReSampleRate = 0;
  lame.dwBitrate = 128;
  lame.dwMaxBitrate = 128;
  lame.nPreset = LQP_CD;
  lame.dwPsyModel = 0;
  lame.dwEmphasis = 0;
  lame.bEnableVBR = 0;
  lame.nVBRQuality = 5;
  lame.bWriteVBRHeader = 1;
  lame.bNoRes = 1;
  return config;
}

Mp3TargetFormat::Mp3TargetFormat() : config_(DefaultConfig()) {}

int Mp3TargetFormat::CopyFrom(const PropertySet& other) {
  if (!SameKind(other)) return 0;
  for (int flag = kVbr; flag <= kMpeg1; ++flag) {
    int value = 0;
    if (other.GetFlag(flag, value)) SetFlag(flag, value);
  }
  for (int number = kExtra; number <= kOutputRate; ++number) {
    int value = 0;
    if (other.GetInt(number, value)) SetInt(number, value);
  }
  return 1;
}

int Mp3TargetFormat::GetFlag(int number, int& value) const {
  const auto& lame = config_.format.LHV1;
  switch (number) {
    case kVbr: value = lame.bEnableVBR; return 1;
    case kCopyright: value = lame.bCopyright; return 1;
    case kCrc: value = lame.bCRC; return 1;
    case kOriginal: value = lame.bOriginal; return 1;
    case kPrivate: value = lame.bPrivate; return 1;
    case kMpeg1: value = lame.dwMpegVersion == MPEG1 ? 1 : 0; return 1;
    default: return 0;
  }
}

int Mp3TargetFormat::SetFlag(int number, int value) {
  auto& lame = config_.format.LHV1;
  switch (number) {
    case kVbr: lame.bEnableVBR = value; return 1;
    case kCopyright: lame.bCopyright = value; return 1;
    case kCrc: lame.bCRC = value; return 1;
    case kOriginal: lame.bOriginal = value; return 1;
    case kPrivate: lame.bPrivate = value; return 1;
    case kMpeg1: lame.dwMpegVersion = value != 0 ? MPEG1 : MPEG2; return 1;
    default: return 0;
  }
}

int Mp3TargetFormat::GetInt(int number, int& value) const {
  const auto& lame = config_.format.LHV1;
  switch (number) {
    case kExtra: value = extra_; return 1;
    case kBitrate: value = static_cast<int>(lame.dwBitrate); return 1;
    case kMaxBitrate: value = static_cast<int>(lame.dwMaxBitrate); return 1;
    case kVbrQuality: value = lame.nVBRQuality; return 1;
    case kModeIndex:
      value = 0;
      for (std::size_t i = 0; i < kMp3ModeTable.size(); ++i)
        if (kMp3ModeTable[i] == lame.nMode) value = static_cast<int>(i);
      return 1;
    case kOutputRate: value = static_cast<int>(lame.dwReSampleRate); return 1;
    default: return 0;
  }
}

int Mp3TargetFormat::SetInt(int number, int value) {
  auto& lame = config_.format.LHV1;
  switch (number) {
    case kExtra: extra_ = value; return 1;
    case kBitrate: lame.dwBitrate = static_cast<DWORD>(value); return 1;
    case kMaxBitrate: lame.dwMaxBitrate = static_cast<DWORD>(value); return 1;
    case kVbrQuality: lame.nVBRQuality = value; return 1;
    case kModeIndex:
      if (value < 0 || value >= static_cast<int>(kMp3ModeTable.size())) return 0;
      lame.nMode = kMp3ModeTable[static_cast<std::size_t>(value)];
      return 1;
    case kOutputRate: lame.dwReSampleRate = static_cast<DWORD>(value); return 1;
    default: return 0;
  }
}

int Mp3TargetFormat::GetString(int number, std::string& value) const {
  if (number == kIdentityString) {
    value = kMp3Identity;
    return 1;
  }
  if (number != kDescriptionString) return 0;
  const auto& lame = config_.format.LHV1;
  // The rate is shown in kHz ("44.1"), as the label says, with a point
  // whatever the locale.
  char rate[32] = "Auto";
  if (lame.dwReSampleRate != 0) {
    const auto end = std::to_chars(rate, rate + sizeof rate - 1, lame.dwReSampleRate / 1000.0);
    *end.ptr = '\0';
  }
  char text[128];
  std::snprintf(text, sizeof text, "MPEG Layer-3; %d kbps; %s kHz; VBR %s",
                static_cast<int>(lame.dwBitrate), rate, lame.bEnableVBR ? "ON" : "OFF");
  value = text;
  return 1;
}

int Mp3TargetFormat::GetBlock(int number, void* buffer, std::size_t length) const {
  if (number != kConfig || buffer == nullptr || length < sizeof config_) return 0;
  std::memcpy(buffer, &config_, sizeof config_);
  return 1;
}

int Mp3TargetFormat::SetBlock(int number, const void* buffer, std::size_t length) {
  if (number != kConfig || buffer == nullptr || length < sizeof config_) return 0;
  std::memcpy(&config_, buffer, sizeof config_);
  return 1;
}

}  // namespace carrowell
