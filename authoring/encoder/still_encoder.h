// The still-picture encoder: one 24-bit BMP becomes one MPEG-2 Main Profile
// intra frame (one slice per macroblock row, one quantiser), packetised
// behind a navigation pack into "_menu.vob" in the output folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "encoder/bmp_reader.h"
#include "job/job_signals.h"
#include "mux/pack_format.h"

namespace pennock {

inline constexpr const char* kMenuVobName = "_menu.vob";
inline constexpr int kAspect169 = 169;
inline constexpr int kAspect43 = 43;

// Frame-rate codes of the sequence header.
inline constexpr int kFrameRateNone = 0;
inline constexpr int kFrameRatePal = 3;   // 25 Hz
inline constexpr int kFrameRateNtsc = 4;  // 29.97 Hz

// Coded picture data beyond this many bytes stops the coding.
inline constexpr std::size_t kCodedDataLimit = 645999;
inline constexpr int kRetryPackCount = 120;

inline constexpr const char* kMsgNotBitmap24 = "It is not a 24-bit bitmap";
inline constexpr const char* kMsgWrongSize = "Wrong bitmap size";
inline constexpr const char* kMsgDcTooLarge = "DC>256";
inline constexpr const char* kMsgCannotOpenOutput = "Can't open the output file.";
inline constexpr const char* kMsgMemoryLimit =
    "Memory has reached 550,000 bytes.\nPlease reduce the quantizer scale.";

int FrameRateCodeForHeight(int height);
TvSystem TvSystemForFrameRate(int frame_rate_code);

struct StillCodingOptions {
  int q = 1;                        // quantiser_scale_code
  int aspect_code = kAspect43;      // 169: 16:9, anything else 4:3
  std::int64_t picture_number = 0;  // frames since the start of the title
  bool report_overflow = true;      // show kMsgMemoryLimit when the data limit stops the coding
};

struct CodedStill {
  std::vector<std::uint8_t> stream;  // headers, slices, sequence end code
  int frame_rate_code = kFrameRateNone;
  bool aborted = false;
  bool truncated = false;            // stopped at the coded-data limit
};

// The elementary stream of one picture. Sends a progress message before every
// macroblock and stops when the abort flag is set.
CodedStill CodeStillPicture(const BmpPicture& picture, const StillCodingOptions& options,
                            const JobSignals& signals);

// The header bytes in front of the slices (sequence header and extensions,
// GOP header, picture header and coding extension).
std::vector<std::uint8_t> StillHeaders(int width, int height, int frame_rate_code,
                                       int aspect_code, std::int64_t picture_number);

// The "_menu.vob" bytes: the navigation pack template, then the video packs,
// with (packs - 1) as VOBU end address and first reference end address.
std::vector<std::uint8_t> PacketiseStill(const std::vector<std::uint8_t>& stream,
                                         int frame_rate_code, std::int64_t picture_number);

struct StillResult {
  int frame_rate_code = kFrameRateNtsc;  // as the caller uses it; 0 on a refused bitmap
  bool written = false;                  // _menu.vob exists
  int packs = 0;                         // packs in the file, navigation pack included
  int q = 0;
  bool truncated = false;                // the picture stopped at the coded-data limit
  std::string error;                     // the message shown, when refused
};

// Encodes one picture into output_folder/_menu.vob (status 9520 first).
StillResult EncodeStill(const std::filesystem::path& bmp, const std::filesystem::path& output_folder,
                        const StillCodingOptions& options, const JobSignals& signals);

// q = 1, and once more with q = 2 when the file holds more than 120 packs.
// A picture still cut off at the coded-data limit is coded again with
// coarser quantisers (4, 8, 16, 31) until it fits; only a picture that does
// not fit even then is reported.
StillResult EncodeStillChoosingQuantiser(const std::filesystem::path& bmp,
                                         const std::filesystem::path& output_folder,
                                         int aspect_code, std::int64_t picture_number,
                                         const JobSignals& signals);

// The same choice of quantiser, in memory: the picture's video packs (the
// "_menu.vob" packs after the navigation pack) and how they were coded.
// `written` tells that the bitmap was coded at all.
struct EncodedPicture {
  StillResult result;
  std::vector<Pack> video;
};
EncodedPicture EncodePicturePacks(const std::filesystem::path& bmp, int aspect_code, std::int64_t picture_number,
                                  const JobSignals& signals);

}  // namespace pennock
