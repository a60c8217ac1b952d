#include "engine/source_descriptors.h"

#include <cstdio>

#include "engine/media_detector.h"

namespace carrowell {

namespace {

std::string FourFields(long long a, long long b, long long c, long long d) {
  char text[64];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%02lld", a, b, c, d);
  return text;
}

}  // namespace

std::string FormatLengthText(double seconds) {
  // Past about 290 million years the fields would overflow; no media is that long.
  if (!(seconds >= 0) || seconds > 1e12) return "00:00.00";
  const long long whole = static_cast<long long>(seconds);
  const long long hundredths = static_cast<long long>(seconds * 100) % 100;
  return FourFields(whole / 3600, whole / 60 % 60, whole % 60, hundredths);
}

std::string FormatSectorsText(long long sectors) {
  if (sectors < 0) sectors = 0;
  return FourFields(sectors / 270000, sectors / 4500 % 60, sectors / 75 % 60, sectors % 75);
}

// ---------------------------------------------------------------- CD track

int CdTrackSource::CopyFrom(const PropertySet& other) {
  if (!SameKind(other)) return 0;
  other.GetInt(kDrive, drive_);
  other.GetInt(kTrack, track_);
  other.GetInt2(kFirstSector, first_sector_);
  other.GetInt2(kLastSector, last_sector_);
  other.GetString(kName, name_);
  return 1;
}

int CdTrackSource::GetInt(int number, int& value) const {
  if (number == kDrive) value = drive_;
  else if (number == kTrack) value = track_;
  else return 0;
  return 1;
}

int CdTrackSource::SetInt(int number, int value) {
  if (number == kDrive) drive_ = value;
  else if (number == kTrack) track_ = value;
  else return 0;
  return 1;
}

int CdTrackSource::GetInt2(int number, int& value) const {
  if (number == kFirstSector) value = first_sector_;
  else if (number == kLastSector) value = last_sector_;
  else return 0;
  return 1;
}

int CdTrackSource::SetInt2(int number, int value) {
  if (number == kFirstSector) first_sector_ = value;
  else if (number == kLastSector) last_sector_ = value;
  else return 0;
  return 1;
}

int CdTrackSource::GetString(int number, std::string& value) const {
  switch (number) {
    case kName:
    case kDescriptionString: value = name_; return 1;
    case kDurationString:
      // A track's play time counts its last sector too.
      value = FormatSectorsText(static_cast<long long>(last_sector_) - first_sector_ + 1);
      return 1;
    case kIdentityString: value = kCdTrackIdentity; return 1;
    default: return 0;
  }
}

int CdTrackSource::SetString(int number, const std::string& value) {
  if (number != kName) return 0;
  name_ = value;
  return 1;
}

// -------------------------------------------------------------- media file

int MediaFileSource::CopyFrom(const PropertySet& other) {
  if (!SameKind(other)) return 0;
  other.GetString(kPath, path_);
  other.GetString(kDescriptionString, display_name_);
  return 1;
}

int MediaFileSource::GetString(int number, std::string& value) const {
  switch (number) {
    case kPath: value = path_; return 1;
    case kDescriptionString: value = display_name_; return 1;
    case kDurationString: {
      const auto length = path_.empty() ? std::nullopt : MediaLengthSeconds(path_);
      value = length ? FormatLengthText(*length) : "00:00.00";
      return 1;
    }
    case kIdentityString: value = kMediaFileIdentity; return 1;
    default: return 0;
  }
}

int MediaFileSource::SetString(int number, const std::string& value) {
  if (number == kPath) path_ = value;
  else if (number == kDescriptionString) display_name_ = value;
  else return 0;
  return 1;
}

}  // namespace carrowell
