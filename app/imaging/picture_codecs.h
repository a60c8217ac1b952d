// The BMP and JPEG coders behind StillPicture's file operations. They work
// on bytes and open streams, so the file operations stay thin and the coders
// can be fed any input directly.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "imaging/dib.h"

namespace verosa {

// Decodes the bytes of a whole BMP file into a DIB of this program's form.
// Accepted: the 12-byte core header and the 40-, 52-, 56-, 64-, 108- and
// 124-byte info headers; 1, 2, 4 and 8 bits with a colour table; 16 and 32
// bits plain or with bit-field masks; 24 bits; 4- and 8-bit run-length
// coding; bottom-up and top-down rows; the pixel offset of the file header.
// Colour-mapped, 16-bit and bit-field pictures become 24-bit (an 8-bit picture
// whose table is the plain grey ramp stays 8-bit); 32-bit stays 32-bit.
// Empty when the bytes are not such a file, are cut short, or the picture has
// more than `max_pixels` pixels.
DibBlock DecodeBmp(std::span<const std::uint8_t> file,
                   std::uint64_t max_pixels = kMaxPicturePixels);

// The bytes of a BMP file holding `dib`: a 14-byte file header and the block
// as it is, except that a 32-bit picture is written as 24-bit. Empty when the
// block is not a valid DIB.
std::vector<std::uint8_t> EncodeBmp(const DibBlock& dib);
// What EncodeBmp puts before the pixels of a block that is not 32-bit (the
// pixels follow as the block holds them); empty for a 32-bit or invalid block.
std::vector<std::uint8_t> EncodeBmpHeaders(const DibBlock& dib);

// While one lives, the coders and loaders on its thread report errors by
// their results alone, without a message box: a worker must not put one up,
// since the thread that would show it may be waiting for the worker.
class QuietPictureErrors {
 public:
  QuietPictureErrors();
  ~QuietPictureErrors();
  QuietPictureErrors(const QuietPictureErrors&) = delete;
  QuietPictureErrors& operator=(const QuietPictureErrors&) = delete;

 private:
  bool previous_;
};
// False on a thread that keeps its picture errors quiet.
bool PictureErrorBoxesShown();

// Decodes a JPEG stream into a 24-bit DIB (grey and CMYK pictures converted
// to RGB). Library errors, and corrupt or cut-short data, are shown in a
// "JPEG Fatal Error" message box; a picture of more than `max_pixels` pixels,
// or one that cannot be allocated, in a "JpegFile :\nOut of memory" box.
// False then, with `out` empty.
bool DecodeJpeg(std::FILE* file, DibBlock& out, std::uint64_t max_pixels = kMaxPicturePixels);

}  // namespace verosa
