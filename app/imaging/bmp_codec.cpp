#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstring>
#include <new>

#include "imaging/byte_order.h"
#include "imaging/picture_codecs.h"

namespace verosa {
namespace {

// Compression values of the info header.
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitFields = 3;
constexpr std::uint32_t kBiAlphaBitFields = 6;

constexpr std::uint32_t kCoreHeaderSize = 12;     // BITMAPCOREHEADER
constexpr std::uint32_t kOs2HeaderSize = 64;      // BITMAPINFOHEADER2
constexpr std::uint32_t kMaskFieldsOffset = 40;   // masks inside 52/56/108/124-byte headers

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

// One bit-field mask: where the channel sits and how wide it is. Narrow
// channels widen to 8 bits by repeating their bits (31 of 5 bits is 255);
// wide ones keep their top 8 bits.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int width = 0;

  explicit Channel(std::uint32_t m = 0) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    width = 32 - std::countl_zero(m >> shift);
  }
  std::uint8_t Of(std::uint32_t pixel) const {
    if (width == 0) return 0;
    const std::uint32_t v = (pixel & mask) >> shift;
    if (width >= 8) return static_cast<std::uint8_t>(v >> (width - 8));
    std::uint32_t out = 0;
    for (int at = 8 - width;; at -= width) {
      if (at < 0) {
        out |= v >> -at;
        break;
      }
      out |= v << at;
      if (at == 0) break;
    }
    return static_cast<std::uint8_t>(out);
  }
};

struct BmpInfo {
  std::int64_t width = 0;
  std::int64_t height = 0;  // negative: top-down rows
  int bits = 0;
  std::uint32_t compression = kBiRgb;
  std::uint32_t colours_used = 0;
  std::uint32_t masks[3] = {0, 0, 0};
  std::int32_t x_ppm = kPixelsPerMetre;
  std::int32_t y_ppm = kPixelsPerMetre;
  std::size_t table_offset = 0;  // first colour-table entry
  int table_entry_bytes = 4;
};

std::optional<BmpInfo> ReadInfo(std::span<const std::uint8_t> file) {
  const std::size_t at = BitmapFileHeader::kSize;
  if (file.size() < at + 4) return std::nullopt;
  const std::uint8_t* h = file.data() + at;
  const std::uint32_t header_size = GetLe32(h);
  BmpInfo info;
  if (header_size == kCoreHeaderSize) {
    if (file.size() < at + kCoreHeaderSize) return std::nullopt;
    info.width = GetLe16(h + 4);
    info.height = GetLe16(h + 6);
    info.bits = GetLe16(h + 10);
    info.table_offset = at + kCoreHeaderSize;
    info.table_entry_bytes = 3;
    return info;
  }
  switch (header_size) {
    case 40: case 52: case 56: case 64: case 108: case 124: break;
    default: return std::nullopt;
  }
  if (file.size() < at + header_size) return std::nullopt;
  const auto ih = BitmapInfoHeader::Read(h, header_size);
  info.width = ih->biWidth;
  info.height = ih->biHeight;
  info.bits = ih->biBitCount;
  info.compression = ih->biCompression;
  info.colours_used = ih->biClrUsed;
  if (ih->biXPelsPerMeter > 0) info.x_ppm = ih->biXPelsPerMeter;
  if (ih->biYPelsPerMeter > 0) info.y_ppm = ih->biYPelsPerMeter;
  info.table_offset = at + header_size;
  // OS/2 headers use compression 3 and 4 for other codings.
  if (header_size == kOs2HeaderSize && info.compression > kBiRle4) return std::nullopt;
  if (info.compression == kBiBitFields || info.compression == kBiAlphaBitFields) {
    const std::uint8_t* m;
    if (header_size >= kMaskFieldsOffset + 12) {
      m = h + kMaskFieldsOffset;
    } else {
      // A 40-byte header is followed by three masks (four with alpha).
      const std::size_t extra = info.compression == kBiAlphaBitFields ? 16 : 12;
      if (file.size() < info.table_offset + extra) return std::nullopt;
      m = file.data() + info.table_offset;
      info.table_offset += extra;
    }
    for (int i = 0; i < 3; ++i) info.masks[i] = GetLe32(m + 4 * i);
  }
  return info;
}

bool IsPlainGreyRamp(const std::vector<Rgb>& table) {
  if (table.size() != 256) return false;
  for (std::size_t i = 0; i < 256; ++i)
    if (table[i].r != i || table[i].g != i || table[i].b != i) return false;
  return true;
}

// Pixel indices of a run-length coded picture, bottom row first; none when
// the data ends before the picture does.
std::optional<std::vector<std::uint8_t>> DecodeRle(std::span<const std::uint8_t> data,
                                                   int width, int height, bool four_bit) {
  std::vector<std::uint8_t> index(static_cast<std::size_t>(width) * height, 0);
  std::uint64_t x = 0, y = 0;
  std::size_t p = 0;
  auto put = [&](std::uint8_t value) {
    if (x < static_cast<std::uint64_t>(width) && y < static_cast<std::uint64_t>(height))
      index[static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)] = value;
    ++x;
  };
  while (y < static_cast<std::uint64_t>(height)) {
    if (p + 2 > data.size()) return std::nullopt;
    const std::uint8_t count = data[p];
    const std::uint8_t value = data[p + 1];
    p += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i)
        put(four_bit ? ((i & 1) ? value & 0x0F : value >> 4) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of picture
      return index;
    } else if (value == 2) {  // move right and up
      if (p + 2 > data.size()) return std::nullopt;
      x += data[p];
      y += data[p + 1];
      p += 2;
    } else {  // literal pixels, padded to an even byte count
      const std::size_t bytes = four_bit ? (value + 1u) / 2 : value;
      if (p + bytes > data.size()) return std::nullopt;
      for (int i = 0; i < value; ++i)
        put(four_bit ? ((i & 1) ? data[p + i / 2] & 0x0F : data[p + i / 2] >> 4) : data[p + i]);
      p += bytes + (bytes & 1);
    }
  }
  return index;
}

// Writes one 24-bit or grey output row from colour-table indices.
void MapRow(const std::uint8_t* indices, int width, const std::vector<Rgb>& table, bool grey,
            std::uint8_t* out) {
  if (grey) {
    std::memcpy(out, indices, static_cast<std::size_t>(width));
    return;
  }
  for (int x = 0; x < width; ++x, out += 3) {
    const std::uint8_t i = indices[x];
    if (i < table.size()) {
      out[0] = table[i].b;
      out[1] = table[i].g;
      out[2] = table[i].r;
    } else {
      out[0] = out[1] = out[2] = 0;
    }
  }
}

}  // namespace

DibBlock DecodeBmp(std::span<const std::uint8_t> file, std::uint64_t max_pixels) {
  const auto fh = BitmapFileHeader::Read(file.data(), file.size());
  if (!fh || fh->bfType != BitmapFileHeader::kBitmapType) return {};
  const auto info = ReadInfo(file);
  if (!info) return {};

  const std::int64_t width = info->width;
  const bool top_down = info->height < 0;
  const std::int64_t height = top_down ? -info->height : info->height;
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
      static_cast<std::uint64_t>(width * height) > std::min(max_pixels, kMaxPicturePixels))
    return {};

  const int bits = info->bits;
  const std::uint32_t comp = info->compression;
  const bool indexed = bits == 1 || bits == 2 || bits == 4 || bits == 8;
  bool valid = false;
  switch (comp) {
    case kBiRgb: valid = indexed || bits == 16 || bits == 24 || bits == 32; break;
    case kBiRle8: valid = bits == 8 && !top_down; break;
    case kBiRle4: valid = bits == 4 && !top_down; break;
    case kBiBitFields:
    case kBiAlphaBitFields: valid = bits == 16 || bits == 32; break;
    default: break;
  }
  if (!valid) return {};

  // Colour table.
  std::vector<Rgb> table;
  std::size_t table_end = info->table_offset;
  if (indexed) {
    const std::uint32_t full = 1u << bits;
    const std::uint32_t entries =
        info->colours_used == 0 || info->colours_used > full ? full : info->colours_used;
    table_end += static_cast<std::size_t>(entries) * info->table_entry_bytes;
    if (table_end > file.size()) return {};
    table.resize(entries);
    const std::uint8_t* e = file.data() + info->table_offset;
    for (auto& c : table) {
      c.b = e[0];
      c.g = e[1];
      c.r = e[2];
      e += info->table_entry_bytes;
    }
  } else if (info->colours_used <= 256) {
    // An optional table of colours the picture favours; only its length matters.
    table_end += static_cast<std::size_t>(info->colours_used) * info->table_entry_bytes;
  }

  // Pixel data: at the file header's offset when that points past the
  // headers and into the file, else right after the table.
  std::size_t offset = table_end;
  if (fh->bfOffBits >= table_end && fh->bfOffBits < file.size()) offset = fh->bfOffBits;
  if (offset >= file.size()) return {};
  const std::span<const std::uint8_t> data = file.subspan(offset);

  const bool grey = bits == 8 && IsPlainGreyRamp(table);
  const PixelFormat format =
      grey ? PixelFormat::Grey8 : bits == 32 ? PixelFormat::Bgrx32 : PixelFormat::Bgr24;
  DibBlock dib = AllocateDib(static_cast<int>(width), static_cast<int>(height), format);  // every row is written below
  if (dib.empty()) return {};
  const DibLayout layout = *DibLayoutOf(dib);
  BitmapInfoHeader header = *BitmapInfoHeader::Read(dib.data(), dib.size());
  header.biXPelsPerMeter = info->x_ppm;
  header.biYPelsPerMeter = info->y_ppm;
  header.Write(dib.data());

  const int w = static_cast<int>(width);
  const int h = static_cast<int>(height);
  // Output row of file row r.
  auto out_row = [&](int r) {
    return dib.data() + layout.pixel_offset + layout.stride * static_cast<std::size_t>(top_down ? h - 1 - r : r);
  };

  if (comp == kBiRle8 || comp == kBiRle4) {
    std::optional<std::vector<std::uint8_t>> indices;
    try {
      indices = DecodeRle(data, w, h, comp == kBiRle4);
    } catch (const std::bad_alloc&) {
      return {};
    }
    if (!indices) return {};
    for (int r = 0; r < h; ++r)
      MapRow(indices->data() + static_cast<std::size_t>(r) * w, w, table, grey, out_row(r));
    return dib;
  }

  const std::uint64_t in_stride = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
  const std::uint64_t last_row = (static_cast<std::uint64_t>(width) * bits + 7) / 8;
  // The last row's padding may be missing.
  if (in_stride * (height - 1) + last_row > data.size()) return {};

  std::vector<std::uint8_t> indices;
  if (indexed) indices.resize(static_cast<std::size_t>(w));
  Channel channels[3];
  if (bits == 16 || (bits == 32 && comp != kBiRgb)) {
    const bool plain = comp == kBiRgb;
    channels[0] = Channel(plain ? 0x7C00 : info->masks[0]);
    channels[1] = Channel(plain ? 0x03E0 : info->masks[1]);
    channels[2] = Channel(plain ? 0x001F : info->masks[2]);
  }

  for (int r = 0; r < h; ++r) {
    const std::uint8_t* in = data.data() + in_stride * static_cast<std::uint64_t>(r);
    std::uint8_t* out = out_row(r);
    if (indexed) {
      const int per_byte = 8 / bits;
      const std::uint8_t mask = static_cast<std::uint8_t>((1u << bits) - 1);
      for (int x = 0; x < w; ++x) {
        const int shift = 8 - bits - (x % per_byte) * bits;
        indices[static_cast<std::size_t>(x)] = (in[x / per_byte] >> shift) & mask;
      }
      MapRow(indices.data(), w, table, grey, out);
    } else if (bits == 24) {
      std::memcpy(out, in, static_cast<std::size_t>(w) * 3);
    } else if (bits == 32 && comp == kBiRgb) {
      std::memcpy(out, in, static_cast<std::size_t>(w) * 4);
    } else {
      const int step = bits / 8;
      const int out_step = bits == 32 ? 4 : 3;
      for (int x = 0; x < w; ++x, in += step, out += out_step) {
        const std::uint32_t pixel = step == 2 ? GetLe16(in) : GetLe32(in);
        out[0] = channels[2].Of(pixel);
        out[1] = channels[1].Of(pixel);
        out[2] = channels[0].Of(pixel);
        if (out_step == 4) out[3] = 0;
      }
    }
  }
  return dib;
}

std::vector<std::uint8_t> EncodeBmp(const DibBlock& dib) {
  const auto layout = DibLayoutOf(dib);
  if (!layout) return {};
  const std::size_t headers = BitmapFileHeader::kSize + BitmapInfoHeader::kSize;
  std::vector<std::uint8_t> file;
  BitmapFileHeader fh;
  if (layout->format == PixelFormat::Bgrx32) {
    const std::size_t stride = *DibStride(layout->width, 3);
    const std::size_t image = stride * static_cast<std::size_t>(layout->height);
    file.assign(headers + image, 0);
    fh.bfSize = static_cast<std::uint32_t>(headers + image);
    fh.bfOffBits = static_cast<std::uint32_t>(headers);
    fh.Write(file.data());
    BitmapInfoHeader ih;
    ih.biWidth = layout->width;
    ih.biHeight = layout->height;
    ih.biBitCount = 24;
    ih.biSizeImage = static_cast<std::uint32_t>(image);
    ih.biXPelsPerMeter = kPixelsPerMetre;
    ih.biYPelsPerMeter = kPixelsPerMetre;
    ih.Write(file.data() + BitmapFileHeader::kSize);
    for (int r = 0; r < layout->height; ++r) {
      const std::uint8_t* in = dib.data() + layout->pixel_offset + layout->stride * r;
      std::uint8_t* out = file.data() + headers + stride * r;
      for (int x = 0; x < layout->width; ++x, in += 4, out += 3) std::memcpy(out, in, 3);
    }
    return file;
  }
  file = EncodeBmpHeaders(dib);
  file.insert(file.end(), dib.data() + layout->pixel_offset, dib.data() + layout->pixel_offset + layout->ImageBytes());
  return file;
}

std::vector<std::uint8_t> EncodeBmpHeaders(const DibBlock& dib) {
  const auto layout = DibLayoutOf(dib);
  if (!layout || layout->format == PixelFormat::Bgrx32) return {};
  const std::size_t headers = BitmapFileHeader::kSize + BitmapInfoHeader::kSize;
  const std::size_t table = layout->pixel_offset - BitmapInfoHeader::kSize;
  std::vector<std::uint8_t> file(BitmapFileHeader::kSize + layout->pixel_offset);
  BitmapFileHeader fh;
  fh.bfSize = static_cast<std::uint32_t>(headers + table + layout->ImageBytes());
  fh.bfOffBits = static_cast<std::uint32_t>(headers + table);
  fh.Write(file.data());
  std::memcpy(file.data() + BitmapFileHeader::kSize, dib.data(), layout->pixel_offset);
  // The block's own header may carry an image size of 0; write the real one.
  BitmapInfoHeader ih = *BitmapInfoHeader::Read(dib.data(), dib.size());
  ih.biSizeImage = static_cast<std::uint32_t>(layout->ImageBytes());
  ih.Write(file.data() + BitmapFileHeader::kSize);
  return file;
}

}  // namespace verosa
