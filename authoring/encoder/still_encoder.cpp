#include "encoder/still_encoder.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "encoder/bit_writer.h"
#include "encoder/block_coder.h"
#include "encoder/colour_convert.h"
#include "encoder/forward_dct.h"
#include "encoder/mpeg2_tables.h"
#include "platform/message_box.h"

namespace pennock {
namespace {

void ShowError(const JobSignals& signals, const char* text) {
  platform::MessageBox(signals.window, text, "Error", platform::kMbOk | platform::kMbIconError);
}

// One slice (macroblock row) converted to Y, Cb and Cr in thousandths.
class SliceSamples {
 public:
  explicit SliceSamples(int width) : width_(width), y_(16 * width), cb_(8 * width / 2), cr_(8 * width / 2) {}

  void Convert(const BmpPicture& picture, int top) {
    for (int row = 0; row < 16; ++row) LumaRow(picture.Pixel(0, top + row), width_, &y_[row * width_]);
    for (int row = 0; row < 8; ++row)
      ChromaRow(picture.Pixel(0, top + 2 * row), picture.Pixel(0, top + 2 * row + 1), width_ / 2,
                &cb_[row * width_ / 2], &cr_[row * width_ / 2]);
  }
  // Block `index` of macroblock m: 0..3 luminance (top-left, top-right,
  // bottom-left, bottom-right), 4 Cb, 5 Cr.
  void Load(int m, int index, SampleBlock& block) const {
    const std::int32_t* src;
    int stride;
    if (index < 4) {
      src = &y_[(index >> 1) * 8 * width_ + m * 16 + (index & 1) * 8];
      stride = width_;
    } else {
      src = &(index == 4 ? cb_ : cr_)[m * 8];
      stride = width_ / 2;
    }
    for (int row = 0; row < 8; ++row)
      std::copy_n(src + row * stride, 8, block.begin() + row * 8);
  }

 private:
  int width_;
  std::vector<std::int32_t> y_, cb_, cr_;
};

}  // namespace

int FrameRateCodeForHeight(int height) {
  if (height == 480 || height == 240) return kFrameRateNtsc;
  if (height == 576 || height == 288) return kFrameRatePal;
  return kFrameRateNone;
}

TvSystem TvSystemForFrameRate(int frame_rate_code) {
  return frame_rate_code == kFrameRatePal ? TvSystem::Pal : TvSystem::Ntsc;
}

std::vector<std::uint8_t> StillHeaders(int width, int height, int frame_rate_code,
                                       int aspect_code, std::int64_t n) {
  const bool pal = TvSystemForFrameRate(frame_rate_code) == TvSystem::Pal;
  std::vector<std::uint8_t> out;
  // Room for every header up front; it also keeps GCC 12 at -O3 from
  // warning falsely about the writer's growth path (-Wstringop-overflow).
  out.reserve(128);
  BitWriter bits(out);
  // Sequence header: size, aspect ratio (2 = 4:3, 3 = 16:9) and frame rate,
  // bit_rate_value 22500, marker, vbv_buffer_size_value 112, no matrices.
  bits.PutBytes({0x00, 0x00, 0x01, 0xB3});
  bits.Put(static_cast<std::uint32_t>(width / 16 * 16), 12);
  bits.Put(static_cast<std::uint32_t>(height / 16 * 16), 12);
  bits.Put(aspect_code == kAspect169 ? 3 : 2, 4);
  bits.Put(static_cast<std::uint32_t>(frame_rate_code), 4);
  bits.PutBytes({0x15, 0xF9, 0x23, 0x80});
  // Sequence extension: Main Profile at Main Level, interlaced sequence, 4:2:0.
  bits.PutBytes({0x00, 0x00, 0x01, 0xB5, 0x14, 0x82, 0x00, 0x01, 0x00, 0x00});
  // Sequence display extension: video format, colour description, 720 x 480 or 576.
  if (pal)
    bits.PutBytes({0x00, 0x00, 0x01, 0xB5, 0x23, 0x05, 0x05, 0x05, 0x0B, 0x42, 0x12, 0x00});
  else
    bits.PutBytes({0x00, 0x00, 0x01, 0xB5, 0x25, 0x06, 0x06, 0x06, 0x0B, 0x42, 0x0F, 0x00});
  // GOP header: time code at a nominal 30 frames per second, closed GOP.
  bits.PutBytes({0x00, 0x00, 0x01, 0xB8});
  bits.Put(pal ? 0 : 1, 1);                                           // drop_frame_flag
  bits.Put(static_cast<std::uint32_t>((n / 108000) & 0x1F), 5);       // hours
  bits.Put(static_cast<std::uint32_t>((n / 1800) % 60), 6);           // minutes
  bits.Put(1, 1);                                                     // marker
  bits.Put(static_cast<std::uint32_t>((n / 30) % 60), 6);             // seconds
  bits.Put(static_cast<std::uint32_t>(n % 30), 6);                    // pictures
  bits.Put(1, 1);                                                     // closed_gop
  bits.Put(0, 1);                                                     // broken_link
  bits.Align();
  // Picture header: temporal reference 0, I picture, vbv_delay 0xFFFF.
  bits.PutBytes({0x00, 0x00, 0x01, 0x00, 0x00, 0x0F, 0xFF, 0xF8});
  // Picture coding extension: frame picture, top field first, frame DCT,
  // linear quantiser scale, table zero, zig-zag, progressive frame.
  bits.PutBytes({0x00, 0x00, 0x01, 0xB5, 0x8F, 0xFF, 0xF3, 0xC1, 0x80});
  return out;
}

CodedStill CodeStillPicture(const BmpPicture& picture, const StillCodingOptions& options,
                            const JobSignals& signals) {
  CodedStill coded;
  coded.frame_rate_code = FrameRateCodeForHeight(picture.height);
  coded.stream = StillHeaders(picture.width, picture.height, coded.frame_rate_code,
                              options.aspect_code, options.picture_number);
  const std::size_t header_bytes = coded.stream.size();
  // Room for the largest picture the limit lets through, so that the stream
  // never moves while it grows (pages are only touched as it is written).
  coded.stream.reserve(header_bytes + 2 * kCodedDataLimit);

  const int cols = picture.width / 16, rows = picture.height / 16;
  BitWriter bits(coded.stream);
  BlockCoder coder(bits, [&signals] { ShowError(signals, kMsgDcTooLarge); });
  SliceSamples slice(cols * 16);
  SampleBlock samples{};
  DctSums sums{};
  Coefficients qf{};
  auto code_block = [&](int m, int index) {
    slice.Load(m, index, samples);
    ForwardDct(samples, sums);
    Quantise(sums, options.q, qf);
    coder.Code(qf, index < 4 ? BlockCoder::Luma : index == 4 ? BlockCoder::Cb : BlockCoder::Cr);
    return bits.ByteCount() - header_bytes <= kCodedDataLimit;
  };

  bool within_limit = true;
  for (int r = 0; r < rows && within_limit && !coded.aborted; ++r) {
    bits.PutBytes({0x00, 0x00, 0x01, static_cast<std::uint8_t>(r + 1)});  // slice start code
    bits.Put(static_cast<std::uint32_t>(options.q), 5);                    // quantiser_scale_code
    bits.Put(0, 1);                                                        // extra_bit_slice
    coder.ResetPredictors();
    slice.Convert(picture, r * 16);
    for (int m = 0; m < cols; ++m) {
      signals.Send(kMsgProgress, 0, (m * 100 + r * cols * 100) / (cols * rows));
      if (signals.Aborted()) {
        coded.aborted = true;
        break;
      }
      bits.Put(0b11, 2);  // macroblock_address_increment 1, macroblock_type intra
      for (int index = 0; index < 6 && within_limit; ++index) within_limit = code_block(m, index);
      if (!within_limit) break;
    }
    bits.Align();
  }
  if (!within_limit) {
    coded.truncated = true;
    if (options.report_overflow) ShowError(signals, kMsgMemoryLimit);
  }
  if (!coded.aborted) bits.PutBytes({0x00, 0x00, 0x01, 0xB7});  // sequence end code
  return coded;
}

std::vector<std::uint8_t> PacketiseStill(const std::vector<std::uint8_t>& stream,
                                         int frame_rate_code, std::int64_t n) {
  const TvSystem tv = TvSystemForFrameRate(frame_rate_code);
  const Pack nav_pack = NavigationPackTemplate(tv);
  std::vector<std::uint8_t> file;
  file.reserve((stream.size() / 2000 + 3) * kSectorSize);
  file.assign(nav_pack.begin(), nav_pack.end());

  constexpr std::size_t kPesStart = kPackHeaderSize;        // 00 00 01 E0 at 14
  constexpr std::size_t kPesRoom = kSectorSize - kPesStart - 6;  // 2028 after the length field
  constexpr std::uint64_t kScrBase = 146, kScrExtension = 85;   // one pack time; callers rewrite it
  const std::uint64_t pts = tv == TvSystem::Pal ? 25200 : 21021;
  const std::uint64_t dts = tv == TvSystem::Pal ? 21600 : 18018;

  auto new_pack = [&]() -> std::uint8_t* {
    file.resize(file.size() + kSectorSize);
    std::uint8_t* p = file.data() + file.size() - kSectorSize;
    WritePackHeader(p, kScrBase, kScrExtension);
    p[14] = 0x00;
    p[15] = 0x00;
    p[16] = 0x01;
    p[17] = 0xE0;
    p[20] = 0x81;
    return p;
  };

  std::size_t pos = 0;
  bool first = true;
  for (;;) {
    std::uint8_t* p = new_pack();
    std::size_t header_data = 0;
    if (first && n == 0) {
      p[21] = 0xC1;  // PTS, DTS, extension
      header_data = 13;
      WriteTimestamp(p + 23, 0x3, pts);
      WriteTimestamp(p + 28, 0x1, dts);
      p[33] = 0x1E;  // P-STD buffer follows
      p[34] = 0x60;  // scale 1, size 232 x 1024 bytes
      p[35] = 0xE8;
    } else if (first) {
      p[21] = 0xC0;  // PTS and DTS
      header_data = 10;
      WriteTimestamp(p + 23, 0x3, pts);
      WriteTimestamp(p + 28, 0x1, dts);
    } else {
      p[21] = 0x00;
    }
    p[22] = static_cast<std::uint8_t>(header_data);
    first = false;

    const std::size_t header_total = 3 + header_data;
    const std::size_t room = kPesRoom - header_total;
    const std::size_t left = stream.size() - pos;
    std::uint8_t* data = p + kPesStart + 6 + header_total;
    if (left > room) {  // a full pack, more to come
      PutBe16(p + 18, static_cast<std::uint16_t>(kPesRoom));
      std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(pos), room, data);
      pos += room;
      continue;
    }
    std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(pos), left, data);
    pos += left;
    if (left == room) {
      // The data fills the pack exactly: one more pack with an empty packet.
      PutBe16(p + 18, static_cast<std::uint16_t>(kPesRoom));
      std::uint8_t* extra = new_pack();
      extra[21] = 0x00;
      extra[22] = 0x00;
      PutBe16(extra + 18, 3);
      PutPaddingPacket(extra + kPesStart + 9, kSectorSize - kPesStart - 9 - 6);
    } else if (room - left >= 6) {
      // A padding packet closes the pack.
      PutBe16(p + 18, static_cast<std::uint16_t>(header_total + left));
      PutPaddingPacket(data + left, room - left - 6);
    } else {
      // Too little room for a padding packet: 0xFF bytes after the data.
      PutBe16(p + 18, static_cast<std::uint16_t>(kPesRoom));
      std::fill(data + left, p + kSectorSize, 0xFF);
    }
    break;
  }

  const std::uint32_t last = static_cast<std::uint32_t>(file.size() / kSectorSize - 1);
  PutBe32(&file[nav::kVobuEa], last);
  PutBe32(&file[nav::kFirstRefEa], last);
  return file;
}

namespace {

// The "_menu.vob" bytes of one picture, in memory; `file` is left empty when
// the bitmap is refused.
StillResult EncodeStillBytes(const std::filesystem::path& bmp, const StillCodingOptions& options,
                             const JobSignals& signals, std::vector<std::uint8_t>& file) {
  StillResult result;
  result.q = options.q;
  file.clear();
  signals.SendStatus(kStatusEncodingPicture);

  BmpPicture picture;
  switch (ReadBmp24(bmp, picture)) {
    case BmpStatus::CannotOpen:
      result.frame_rate_code = kFrameRateNtsc;
      result.error = "cannot open " + bmp.string();
      return result;
    case BmpStatus::NotBitmap24:
      result.frame_rate_code = kFrameRateNone;
      result.error = kMsgNotBitmap24;
      ShowError(signals, kMsgNotBitmap24);
      return result;
    case BmpStatus::WrongSize:
      result.frame_rate_code = kFrameRateNone;
      result.error = kMsgWrongSize;
      ShowError(signals, kMsgWrongSize);
      return result;
    case BmpStatus::Ok:
      break;
  }

  const CodedStill coded = CodeStillPicture(picture, options, signals);
  result.frame_rate_code = coded.frame_rate_code;
  result.truncated = coded.truncated;
  file = PacketiseStill(coded.stream, coded.frame_rate_code, options.picture_number);
  result.packs = static_cast<int>(file.size() / kSectorSize);
  return result;
}

// q = 1, then 2 for a picture of more than 120 packs, then coarser while it
// is cut off at the coded-data limit.
StillResult EncodeChoosingQuantiser(const std::filesystem::path& bmp, int aspect_code, std::int64_t picture_number,
                                    const JobSignals& signals, std::vector<std::uint8_t>& file) {
  constexpr int kCoarsestQ = 31;
  StillCodingOptions options{.q = 1, .aspect_code = aspect_code, .picture_number = picture_number,
                             .report_overflow = false};
  StillResult result = EncodeStillBytes(bmp, options, signals, file);
  if (!file.empty() && (result.packs > kRetryPackCount || result.truncated)) {
    options.q = 2;
    result = EncodeStillBytes(bmp, options, signals, file);
  }
  while (!file.empty() && result.truncated && options.q < kCoarsestQ) {
    options.q = std::min(options.q * 2, kCoarsestQ);
    options.report_overflow = options.q == kCoarsestQ;
    result = EncodeStillBytes(bmp, options, signals, file);
  }
  return result;
}

StillResult WriteMenuVob(StillResult result, const std::vector<std::uint8_t>& file,
                         const std::filesystem::path& output_folder, const JobSignals& signals) {
  if (file.empty()) return result;
  const std::filesystem::path out_path = output_folder / kMenuVobName;
  std::ofstream out(out_path, std::ios::binary | std::ios::trunc);
  if (out) out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  if (out) out.close();
  if (!out) {
    std::error_code ec;
    std::filesystem::remove(out_path, ec);
    result.error = kMsgCannotOpenOutput;
    ShowError(signals, kMsgCannotOpenOutput);
    return result;
  }
  result.written = true;
  return result;
}

}  // namespace

StillResult EncodeStill(const std::filesystem::path& bmp, const std::filesystem::path& output_folder,
                        const StillCodingOptions& options, const JobSignals& signals) {
  std::vector<std::uint8_t> file;
  const StillResult result = EncodeStillBytes(bmp, options, signals, file);
  return WriteMenuVob(result, file, output_folder, signals);
}

StillResult EncodeStillChoosingQuantiser(const std::filesystem::path& bmp,
                                         const std::filesystem::path& output_folder,
                                         int aspect_code, std::int64_t picture_number,
                                         const JobSignals& signals) {
  std::vector<std::uint8_t> file;
  const StillResult result = EncodeChoosingQuantiser(bmp, aspect_code, picture_number, signals, file);
  return WriteMenuVob(result, file, output_folder, signals);
}

EncodedPicture EncodePicturePacks(const std::filesystem::path& bmp, int aspect_code, std::int64_t picture_number,
                                  const JobSignals& signals) {
  EncodedPicture picture;
  std::vector<std::uint8_t> file;
  picture.result = EncodeChoosingQuantiser(bmp, aspect_code, picture_number, signals, file);
  picture.result.written = !file.empty();
  // Every pack but the first, the navigation pack.
  for (std::size_t at = kSectorSize; at + kSectorSize <= file.size(); at += kSectorSize) {
    Pack& pack = picture.video.emplace_back();
    std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(at), kSectorSize, pack.begin());
  }
  return picture;
}

}  // namespace pennock
