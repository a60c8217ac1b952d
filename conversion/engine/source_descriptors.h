// Source descriptors: what an item converts from.
//
//   kind 0  CdTrackSource    a track of an audio CD
//   kind 4  MediaFileSource  a media file (also recordings)
//   kind 5  NullSource       nothing; its decoder never initialises
#pragma once

#include <string>

#include "engine/property_set.h"

namespace carrowell {

inline constexpr int kSourceCdTrack = 0;
inline constexpr int kSourceMediaFile = 4;
inline constexpr int kSourceNull = 5;

inline constexpr const char* kCdTrackIdentity = "{48F123EB-66D6-4401-ADE7-8D0643E5A47C}";
inline constexpr const char* kMediaFileIdentity = "{F89232D6-181D-4a73-B06F-EF53F8BA3296}";

// "hh:mm:ss.cc" of a length in seconds (hundredths truncated), hours not
// wrapped. Negative or unreadable lengths give "00:00.00".
std::string FormatLengthText(double seconds);
// "hh:mm:ss.ff" of a number of CD sectors (75 per second, ff = frames 0..74).
std::string FormatSectorsText(long long sectors);

// Properties: integer 0 drive index, integer 1 track number (both -1 at
// first); second-family integers 3 first sector, 4 last sector; string 2
// track name. String -2 gives the track name, -3 the duration text.
class CdTrackSource : public SourceDescriptor {
 public:
  static constexpr int kDrive = 0;
  static constexpr int kTrack = 1;
  static constexpr int kName = 2;
  static constexpr int kFirstSector = 3;
  static constexpr int kLastSector = 4;

  int CopyFrom(const PropertySet& other) override;
  int GetInt(int number, int& value) const override;
  int SetInt(int number, int value) override;
  int GetInt2(int number, int& value) const override;
  int SetInt2(int number, int value) override;
  int GetString(int number, std::string& value) const override;
  int SetString(int number, const std::string& value) override;

 private:
  int drive_ = -1;
  int track_ = -1;
  int first_sector_ = 0;
  int last_sector_ = 0;
  std::string name_;
};

// Properties: string 0 source path, string -2 display name (both settable);
// string -3 gives the file's duration text.
class MediaFileSource : public SourceDescriptor {
 public:
  static constexpr int kPath = 0;

  int CopyFrom(const PropertySet& other) override;
  int GetString(int number, std::string& value) const override;
  int SetString(int number, const std::string& value) override;

 private:
  std::string path_;
  std::string display_name_;
};

// No properties at all.
class NullSource : public SourceDescriptor {
 public:
  int CopyFrom(const PropertySet&) override { return 0; }
};

}  // namespace carrowell
