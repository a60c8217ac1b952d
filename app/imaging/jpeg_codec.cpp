// JPEG decoding on libjpeg's version 6 interface. Library errors leave the
// decoder through longjmp, so the function holding the jump target keeps no
// objects with destructors of its own: its buffers belong to the caller or
// to the library's memory pools.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "imaging/picture_codecs.h"
#include "platform/message_box.h"

namespace verosa {
namespace {

enum class Stage { Preparing, ReadingRows, Finishing };

struct ErrorManager {
  jpeg_error_mgr pub;  // first, so the library's pointer converts back
  std::jmp_buf jump;
  Stage stage;
};

ErrorManager* Manager(j_common_ptr cinfo) { return reinterpret_cast<ErrorManager*>(cinfo->err); }

thread_local bool t_quiet = false;

// Kept out of the functions that jump, so its strings are gone before the jump.
[[gnu::noinline]] void ShowLibraryMessage(j_common_ptr cinfo) {
  if (t_quiet) return;
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  platform::MessageBox(platform::kNoWindow, text, "JPEG Fatal Error",
                       platform::kMbOk | platform::kMbIconError);
}

[[gnu::noinline]] void ShowOutOfMemory() {
  if (t_quiet) return;
  platform::MessageBox(platform::kNoWindow, "JpegFile :\nOut of memory", "Error",
                       platform::kMbOk | platform::kMbIconError);
}

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  ShowLibraryMessage(cinfo);
  std::longjmp(Manager(cinfo)->jump, 1);
}

// Warnings that mean the picture data is damaged or cut short. The library
// would go on and fill the rest with grey; such a picture is refused.
// Once the pixels are complete nothing is damage. While rows are decoded the
// end of the file is harmless by itself (the decoder reads a little ahead):
// data that is really missing shows as a marker hit in the middle of a
// segment. Before that (a progressive picture reads all its scans first) the
// end of the file means missing scans.
bool IsDamage(int code, Stage stage) {
  if (stage == Stage::Finishing) return false;
  switch (code) {
    case JWRN_JPEG_EOF:
      return stage == Stage::Preparing;
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
      return true;
    default:
      return false;
  }
}

void EmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace output
  if (IsDamage(cinfo->err->msg_code, Manager(cinfo)->stage)) ErrorExit(cinfo);
  ++cinfo->err->num_warnings;
}

void OutputMessage(j_common_ptr) {}

std::uint8_t Product(unsigned a, unsigned b) { return static_cast<std::uint8_t>((a * b + 127) / 255); }

}  // namespace

QuietPictureErrors::QuietPictureErrors() : previous_(t_quiet) { t_quiet = true; }
QuietPictureErrors::~QuietPictureErrors() { t_quiet = previous_; }
bool PictureErrorBoxesShown() { return !t_quiet; }

bool DecodeJpeg(std::FILE* file, DibBlock& out, std::uint64_t max_pixels) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.emit_message = EmitMessage;
  err.pub.output_message = OutputMessage;
  err.stage = Stage::Preparing;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    out.clear();
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_read_header(&cinfo, TRUE);

  // Output colours: blue-green-red straight into the rows where the library
  // can convert, grey and CMYK through a scratch row.
  enum { kDirect, kGrey, kRgb, kCmyk } conversion = kDirect;
  switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
      cinfo.out_color_space = JCS_GRAYSCALE;
      conversion = kGrey;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      cinfo.out_color_space = JCS_CMYK;
      conversion = kCmyk;
      break;
    case JCS_UNKNOWN:
      // Components without a declared meaning: one is grey, three are taken
      // as RGB, four as CMYK.
      cinfo.out_color_space = JCS_UNKNOWN;
      if (cinfo.num_components == 1) conversion = kGrey;
      else if (cinfo.num_components == 3) conversion = kRgb;
      else if (cinfo.num_components == 4) conversion = kCmyk;
      else ERREXIT(&cinfo, JERR_CONVERSION_NOTIMPL);
      break;
    default:
      cinfo.out_color_space = JCS_EXT_BGR;
      break;
  }

  const std::uint64_t pixels = std::uint64_t{cinfo.image_width} * cinfo.image_height;
  if (pixels > max_pixels || pixels > kMaxPicturePixels || cinfo.image_width > kMaxPictureSide ||
      cinfo.image_height > kMaxPictureSide) {
    jpeg_destroy_decompress(&cinfo);
    ShowOutOfMemory();
    return false;
  }
  // Bounds the library's own buffers (a progressive picture keeps all its
  // coefficients) by what a picture of the allowed size needs.
  cinfo.mem->max_memory_to_use = static_cast<long>(pixels * 16 + (64L << 20));

  jpeg_start_decompress(&cinfo);
  const int width = static_cast<int>(cinfo.output_width);
  const int height = static_cast<int>(cinfo.output_height);
  const int components = cinfo.output_components;
  out = AllocateDib(width, height, PixelFormat::Bgr24);  // every row is decoded into
  if (out.empty()) {
    jpeg_destroy_decompress(&cinfo);
    ShowOutOfMemory();
    return false;
  }
  const std::size_t stride = *DibStride(width, 3);
  std::uint8_t* const pixels_start = out.data() + BitmapInfoHeader::kSize;

  JSAMPARRAY scratch = nullptr;
  if (conversion != kDirect)
    scratch = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                         static_cast<JDIMENSION>(width * components), 1);
  // Adobe's CMYK pictures keep their inks inverted.
  const bool inverted = cinfo.saw_Adobe_marker;
  err.stage = Stage::ReadingRows;

  while (cinfo.output_scanline < cinfo.output_height) {
    const int y = static_cast<int>(cinfo.output_scanline);
    std::uint8_t* row = pixels_start + stride * static_cast<std::size_t>(height - 1 - y);
    if (conversion == kDirect) {
      JSAMPROW target = row;
      jpeg_read_scanlines(&cinfo, &target, 1);
      continue;
    }
    jpeg_read_scanlines(&cinfo, scratch, 1);
    const std::uint8_t* in = scratch[0];
    for (int x = 0; x < width; ++x, row += 3, in += components) {
      switch (conversion) {
        case kGrey:
          row[0] = row[1] = row[2] = in[0];
          break;
        case kRgb:
          row[0] = in[2];
          row[1] = in[1];
          row[2] = in[0];
          break;
        case kCmyk: {
          const unsigned k = inverted ? in[3] : 255u - in[3];
          auto ink = [&](std::uint8_t v) { return inverted ? v : 255u - v; };
          row[0] = Product(ink(in[2]), k);
          row[1] = Product(ink(in[1]), k);
          row[2] = Product(ink(in[0]), k);
          break;
        }
        case kDirect:
          break;
      }
    }
  }
  err.stage = Stage::Finishing;
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace verosa
