#include "imaging/dib.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "imaging/byte_order.h"

namespace verosa {

std::optional<BitmapInfoHeader> BitmapInfoHeader::Read(const std::uint8_t* b, std::size_t size) {
  if (size < kSize) return std::nullopt;
  BitmapInfoHeader h;
  h.biSize = GetLe32(b + 0);
  h.biWidth = static_cast<std::int32_t>(GetLe32(b + 4));
  h.biHeight = static_cast<std::int32_t>(GetLe32(b + 8));
  h.biPlanes = GetLe16(b + 12);
  h.biBitCount = GetLe16(b + 14);
  h.biCompression = GetLe32(b + 16);
  h.biSizeImage = GetLe32(b + 20);
  h.biXPelsPerMeter = static_cast<std::int32_t>(GetLe32(b + 24));
  h.biYPelsPerMeter = static_cast<std::int32_t>(GetLe32(b + 28));
  h.biClrUsed = GetLe32(b + 32);
  h.biClrImportant = GetLe32(b + 36);
  return h;
}

void BitmapInfoHeader::Write(std::uint8_t* out) const {
  PutLe32(out + 0, biSize);
  PutLe32(out + 4, static_cast<std::uint32_t>(biWidth));
  PutLe32(out + 8, static_cast<std::uint32_t>(biHeight));
  PutLe16(out + 12, biPlanes);
  PutLe16(out + 14, biBitCount);
  PutLe32(out + 16, biCompression);
  PutLe32(out + 20, biSizeImage);
  PutLe32(out + 24, static_cast<std::uint32_t>(biXPelsPerMeter));
  PutLe32(out + 28, static_cast<std::uint32_t>(biYPelsPerMeter));
  PutLe32(out + 32, biClrUsed);
  PutLe32(out + 36, biClrImportant);
}

std::optional<BitmapFileHeader> BitmapFileHeader::Read(const std::uint8_t* b, std::size_t size) {
  if (size < kSize) return std::nullopt;
  BitmapFileHeader h;
  h.bfType = GetLe16(b + 0);
  h.bfSize = GetLe32(b + 2);
  h.bfReserved1 = GetLe16(b + 6);
  h.bfReserved2 = GetLe16(b + 8);
  h.bfOffBits = GetLe32(b + 10);
  return h;
}

void BitmapFileHeader::Write(std::uint8_t* out) const {
  PutLe16(out + 0, bfType);
  PutLe32(out + 2, bfSize);
  PutLe16(out + 6, bfReserved1);
  PutLe16(out + 8, bfReserved2);
  PutLe32(out + 10, bfOffBits);
}

int BytesPerPixel(PixelFormat format) {
  switch (format) {
    case PixelFormat::Grey8: return 1;
    case PixelFormat::Bgrx32: return 4;
    case PixelFormat::Bgr24: break;
  }
  return 3;
}

std::optional<std::size_t> DibStride(std::int64_t width, int bytes_per_pixel) {
  if (width <= 0 || width > kMaxPictureSide || bytes_per_pixel <= 0 || bytes_per_pixel > 4)
    return std::nullopt;
  return static_cast<std::size_t>((width * bytes_per_pixel + 3) / 4 * 4);
}

namespace {

bool SizeAllowed(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
         static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <=
             kMaxPicturePixels;
}

}  // namespace

std::optional<DibLayout> DibLayoutOf(const DibBlock& dib) {
  const auto header = BitmapInfoHeader::Read(dib.data(), dib.size());
  if (!header || header->biSize != BitmapInfoHeader::kSize || header->biCompression != 0 ||
      !SizeAllowed(header->biWidth, header->biHeight))
    return std::nullopt;
  DibLayout layout;
  switch (header->biBitCount) {
    case 8: layout.format = PixelFormat::Grey8; break;
    case 24: layout.format = PixelFormat::Bgr24; break;
    case 32: layout.format = PixelFormat::Bgrx32; break;
    default: return std::nullopt;
  }
  layout.width = header->biWidth;
  layout.height = header->biHeight;
  layout.bytes_per_pixel = BytesPerPixel(layout.format);
  layout.stride = *DibStride(layout.width, layout.bytes_per_pixel);
  layout.pixel_offset =
      BitmapInfoHeader::kSize + (layout.format == PixelFormat::Grey8 ? kGreyTableBytes : 0);
  if (dib.size() < layout.pixel_offset + layout.ImageBytes()) return std::nullopt;
  return layout;
}

DibBlock AllocateDib(int width, int height, PixelFormat format) {
  if (!SizeAllowed(width, height)) return {};
  const int bpp = BytesPerPixel(format);
  const std::size_t stride = *DibStride(width, bpp);
  const bool grey = format == PixelFormat::Grey8;
  const std::size_t table = grey ? kGreyTableBytes : 0;
  const std::size_t image = stride * static_cast<std::size_t>(height);
  DibBlock dib;
  try {
    dib.resize(BitmapInfoHeader::kSize + table + image);
  } catch (const std::bad_alloc&) {
    return {};
  }

  BitmapInfoHeader header;
  header.biWidth = width;
  header.biHeight = height;
  header.biBitCount = static_cast<std::uint16_t>(bpp * 8);
  header.biSizeImage = static_cast<std::uint32_t>(image);
  header.biXPelsPerMeter = kPixelsPerMetre;
  header.biYPelsPerMeter = kPixelsPerMetre;
  header.biClrUsed = grey ? 256 : 0;
  header.Write(dib.data());
  if (grey) {
    std::uint8_t* entry = dib.data() + BitmapInfoHeader::kSize;
    for (int i = 0; i < 256; ++i, entry += 4) {
      entry[0] = entry[1] = entry[2] = static_cast<std::uint8_t>(i);
      entry[3] = 0;
    }
  }
  const std::size_t used = static_cast<std::size_t>(width) * bpp;
  if (used < stride) {
    std::uint8_t* pixels = dib.data() + BitmapInfoHeader::kSize + table;
    for (int y = 0; y < height; ++y) std::memset(pixels + stride * y + used, 0, stride - used);
  }
  return dib;
}

DibBlock CreateBlankDib(int width, int height, ColorRef colour, PixelFormat format) {
  DibBlock dib = AllocateDib(width, height, format);
  if (dib.empty()) return dib;
  const DibLayout layout = *DibLayoutOf(dib);
  std::uint8_t* pixels = dib.data() + layout.pixel_offset;
  const std::size_t used = static_cast<std::size_t>(width) * layout.bytes_per_pixel;
  if (format == PixelFormat::Grey8) {
    for (int y = 0; y < height; ++y) std::memset(pixels + layout.stride * y, colour & 0xFF, used);
    return dib;
  }
  // The DIB keeps blue, green, red in that order.
  const std::uint8_t bgrx[4] = {static_cast<std::uint8_t>(colour >> 16),
                                static_cast<std::uint8_t>(colour >> 8),
                                static_cast<std::uint8_t>(colour), 0};
  if (bgrx[0] == 0 && bgrx[1] == 0 && bgrx[2] == 0) {
    for (int y = 0; y < height; ++y) std::memset(pixels + layout.stride * y, 0, used);
    return dib;
  }
  for (int y = 0; y < height; ++y) {
    std::uint8_t* p = pixels + layout.stride * y;
    for (int x = 0; x < width; ++x, p += layout.bytes_per_pixel)
      std::memcpy(p, bgrx, static_cast<std::size_t>(layout.bytes_per_pixel));
  }
  return dib;
}

DibBlock ToBgr24(const DibBlock& source) {
  const auto s = DibLayoutOf(source);
  if (!s) return {};
  DibBlock target = AllocateDib(s->width, s->height, PixelFormat::Bgr24);  // every pixel is written below
  if (target.empty()) return {};
  const DibLayout d = *DibLayoutOf(target);
  for (int y = 0; y < s->height; ++y) {
    const std::uint8_t* in = source.data() + s->RowOffset(y);
    std::uint8_t* out = target.data() + d.RowOffset(y);
    if (s->format == PixelFormat::Bgr24) {
      std::memcpy(out, in, static_cast<std::size_t>(s->width) * 3);
      continue;
    }
    for (int x = 0; x < s->width; ++x, in += s->bytes_per_pixel, out += 3) {
      if (s->format == PixelFormat::Grey8) {
        out[0] = out[1] = out[2] = in[0];
      } else {
        std::memcpy(out, in, 3);
      }
    }
  }
  return target;
}

namespace {

// Source index pair and weight of the nearer-left neighbour, for one target
// column or row.
struct Tap {
  int i0 = 0;
  int i1 = 0;
  int w = 256;  // weight of i0 out of 256
};

std::vector<Tap> Taps(int source, int target) {
  std::vector<Tap> taps(static_cast<std::size_t>(target));
  for (int x = 0; x < target; ++x) {
    double u = (x + 0.5) * source / target - 0.5;
    if (u < 0) u = 0;
    Tap& t = taps[static_cast<std::size_t>(x)];
    t.i0 = static_cast<int>(u);
    t.w = static_cast<int>((t.i0 + 1 - u) * 256 + 0.5);
    t.i0 = std::min(t.i0, source - 1);
    t.i1 = t.i0 + 1 < source ? t.i0 + 1 : t.i0;
  }
  return taps;
}

// Horizontal pass of one row: 16-bit sums, weight x 256.
template <int C>
void ResampleRow(const std::uint8_t* src, const std::vector<Tap>& taps, std::uint16_t* out) {
  for (const Tap& t : taps) {
    const std::uint8_t* a = src + t.i0 * C;
    const std::uint8_t* b = src + t.i1 * C;
    const int w = t.w;
    const int w1 = 256 - w;
    for (int c = 0; c < C; ++c) *out++ = static_cast<std::uint16_t>(w * a[c] + w1 * b[c]);
  }
}

// Vertical blend of two 16-bit rows into bytes.
void BlendRows(const std::uint16_t* a, const std::uint16_t* b, int v, std::size_t n,
               std::uint8_t* out) {
  const std::uint32_t v0 = static_cast<std::uint32_t>(v);
  const std::uint32_t v1 = 256 - v0;
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>((v0 * a[i] + v1 * b[i]) >> 16);
}

// Vertical pass over source bytes: 16-bit sums.
void BlendSourceRows(const std::uint8_t* a, const std::uint8_t* b, int v, std::size_t n,
                     std::uint16_t* out) {
  const unsigned v0 = static_cast<unsigned>(v);
  const unsigned v1 = 256 - v0;
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint16_t>(v0 * a[i] + v1 * b[i]);
}

// Horizontal pass over a vertically blended row, finishing with >> 16.
template <int C>
void ResampleBlended(const std::uint16_t* src, const std::vector<Tap>& taps, std::uint8_t* out) {
  for (const Tap& t : taps) {
    const std::uint16_t* a = src + t.i0 * C;
    const std::uint16_t* b = src + t.i1 * C;
    const std::uint32_t w = static_cast<std::uint32_t>(t.w);
    const std::uint32_t w1 = 256 - w;
    for (int c = 0; c < C; ++c) *out++ = static_cast<std::uint8_t>((w * a[c] + w1 * b[c]) >> 16);
  }
}

template <int C>
void ScaleHorizontalFirst(const DibBlock& src_dib, const DibLayout& s, DibBlock& dst_dib,
                          const DibLayout& d) {
  const std::vector<Tap> cols = Taps(s.width, d.width);
  const std::vector<Tap> rows = Taps(s.height, d.height);
  const std::size_t n = static_cast<std::size_t>(d.width) * C;
  // Two cached resampled source rows; `cached[k]` is the source row held by `buffer[k]`.
  std::vector<std::uint16_t> buffer[2] = {std::vector<std::uint16_t>(n),
                                          std::vector<std::uint16_t>(n)};
  int cached[2] = {-1, -1};
  auto fetch = [&](int row, int keep) -> const std::uint16_t* {
    for (int k = 0; k < 2; ++k)
      if (cached[k] == row) return buffer[k].data();
    const int slot = cached[0] == keep ? 1 : 0;
    ResampleRow<C>(src_dib.data() + s.RowOffset(row), cols, buffer[slot].data());
    cached[slot] = row;
    return buffer[slot].data();
  };
  for (int y = 0; y < d.height; ++y) {
    const Tap& t = rows[static_cast<std::size_t>(y)];
    const std::uint16_t* a = fetch(t.i0, t.i1);
    const std::uint16_t* b = t.i1 == t.i0 ? a : fetch(t.i1, t.i0);
    const int v = t.i1 == t.i0 ? 256 : t.w;
    BlendRows(a, b, v, n, dst_dib.data() + d.RowOffset(y));
  }
}

template <int C>
void ScaleVerticalFirst(const DibBlock& src_dib, const DibLayout& s, DibBlock& dst_dib,
                        const DibLayout& d) {
  const std::vector<Tap> cols = Taps(s.width, d.width);
  const std::vector<Tap> rows = Taps(s.height, d.height);
  const std::size_t n = static_cast<std::size_t>(s.width) * C;
  std::vector<std::uint16_t> blended(n);
  for (int y = 0; y < d.height; ++y) {
    const Tap& t = rows[static_cast<std::size_t>(y)];
    const std::uint8_t* a = src_dib.data() + s.RowOffset(t.i0);
    const std::uint8_t* b = src_dib.data() + s.RowOffset(t.i1);
    BlendSourceRows(a, b, t.i1 == t.i0 ? 256 : t.w, n, blended.data());
    ResampleBlended<C>(blended.data(), cols, dst_dib.data() + d.RowOffset(y));
  }
}

template <int C>
void Scale(const DibBlock& src, const DibLayout& s, DibBlock& dst, const DibLayout& d,
           bool horizontal_first) {
  if (horizontal_first) ScaleHorizontalFirst<C>(src, s, dst, d);
  else ScaleVerticalFirst<C>(src, s, dst, d);
}

}  // namespace

DibBlock ScaleDib(const DibBlock& source, int width, int height, ScaleOrder order) {
  const auto s = DibLayoutOf(source);
  if (!s || width <= 0 || height <= 0) return {};
  DibBlock target = AllocateDib(width, height, s->format);  // every pixel is written below
  if (target.empty()) return {};
  const DibLayout d = *DibLayoutOf(target);

  if (width == s->width && height == s->height) {
    std::memcpy(target.data() + d.pixel_offset, source.data() + s->pixel_offset, d.ImageBytes());
    return target;
  }

  bool horizontal_first = order == ScaleOrder::HorizontalFirst;
  if (order == ScaleOrder::Automatic)
    horizontal_first = static_cast<double>(s->width) / width >
                       static_cast<double>(s->height) / height;
  try {
    switch (s->bytes_per_pixel) {
      case 1: Scale<1>(source, *s, target, d, horizontal_first); break;
      case 4: Scale<4>(source, *s, target, d, horizontal_first); break;
      default: Scale<3>(source, *s, target, d, horizontal_first); break;
    }
  } catch (const std::bad_alloc&) {
    return {};
  }
  return target;
}

}  // namespace verosa
