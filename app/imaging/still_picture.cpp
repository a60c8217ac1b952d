#include "imaging/still_picture.h"

#include <functional>

#include <sys/stat.h>

#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <span>

#include "imaging/lyric_text.h"
#include "imaging/picture_codecs.h"
#include "platform/message_box.h"

namespace verosa {
namespace fs = std::filesystem;

namespace {

// Larger files cannot hold a picture this program accepts.
constexpr std::uint64_t kMaxBmpFileBytes = std::uint64_t{1} << 30;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens a regular file for reading; none for folders, devices and pipes.
File OpenRegularFile(const fs::path& path, std::uint64_t* size = nullptr) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) return nullptr;
  struct stat st {};
  if (::fstat(::fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  if (size) *size = static_cast<std::uint64_t>(st.st_size);
  return file;
}

}  // namespace

FrameSize FrameSizeOf(FrameMode mode) {
  switch (mode) {
    case FrameMode::Pal: return {720, 576};
    case FrameMode::Ntsc: return {720, 480};
  }
  return {};
}

std::optional<FrameMode> FrameModeFromName(std::string_view name) {
  if (name == "PAL") return FrameMode::Pal;
  if (name == "NTSC") return FrameMode::Ntsc;
  return std::nullopt;
}

std::optional<FrameMode> FrameModeFromTvMode(int tv_mode) {
  if (tv_mode == 0) return FrameMode::Pal;
  if (tv_mode == 1) return FrameMode::Ntsc;
  return std::nullopt;
}

bool StillPicture::LoadBmpFile(const fs::path& path) {
  std::uint64_t size = 0;
  const File file = OpenRegularFile(path, &size);
  if (!file || size < BitmapFileHeader::kSize || size > kMaxBmpFileBytes) return false;
  // Only a file that starts like a BMP is read whole.
  std::uint8_t magic[2] = {};
  if (std::fread(magic, 1, 2, file.get()) != 2 || magic[0] != 'B' || magic[1] != 'M') return false;
  std::vector<std::uint8_t> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  bytes[0] = magic[0];
  bytes[1] = magic[1];
  if (std::fread(bytes.data() + 2, 1, bytes.size() - 2, file.get()) != bytes.size() - 2)
    return false;
  DibBlock dib = DecodeBmp(bytes);
  if (dib.empty()) return false;
  dib_ = std::move(dib);
  return true;
}

bool StillPicture::LoadJpegFile(const fs::path& path) {
  const File file = OpenRegularFile(path);
  if (!file) {
    if (PictureErrorBoxesShown())
      platform::MessageBox(platform::kNoWindow, "JPEG :\nCan't open " + path.string() + "\n",
                           "Error", platform::kMbOk);
    return false;
  }
  DibBlock dib;
  if (!DecodeJpeg(file.get(), dib)) return false;
  dib_ = std::move(dib);
  return true;
}

void StillPicture::SetTextSource(const fs::path& path, const std::optional<LogFont>& font,
                                 ColorRef colour) {
  text_source_path_ = path;
  if (font) text_font_ = *font;
  text_color_ = colour;
}

bool StillPicture::FitToFrame(FrameMode mode) {
  const FrameSize size = FrameSizeOf(mode);
  if (size.width == 0) return false;
  return Resize(size.width, size.height);
}

bool StillPicture::Resize(int width, int height) {
  // The scaler copies a picture of the same size as it is.
  if (const auto layout = DibLayoutOf(dib_); layout && layout->width == width && layout->height == height) return true;
  dib_ = ScaleDib(dib_, width, height);
  return !dib_.empty();
}

bool StillPicture::ConvertToBgr24() {
  const auto layout = DibLayoutOf(dib_);
  if (!layout) return false;
  if (layout->format == PixelFormat::Bgr24) return true;
  DibBlock converted = ToBgr24(dib_);
  if (converted.empty()) return false;
  dib_ = std::move(converted);
  return true;
}

bool StillPicture::DrawLyricText() {
  if (!DibLayoutOf(dib_) || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
  const auto lines = ReadLyricLines(text_source_path_);
  if (!lines) return false;
  if (lines->empty()) return true;

  const QFont font = text_font_ ? FontFromLogFont(*text_font_) : QGuiApplication::font();
  const QString heading = QFile::decodeName(text_source_path_.stem().native().c_str());
  return Paint([&](QImage& image) {
    const LyricLayout placed = LayOutLyrics(heading, *lines, image.width(), image.height(),
                                            FontMeasure(font));
    PaintLyricLayout(image, placed, font, ColorFromColorRef(text_color_));
  });
}

bool StillPicture::Paint(const std::function<void(QImage&)>& paint) {
  const auto layout = DibLayoutOf(dib_);
  if (!layout || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
  QImage image = ToImage();
  paint(image);

  // Back into the block in its own format.
  for (int y = 0; y < layout->height; ++y) {
    const QRgb* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    std::uint8_t* out = dib_.data() + layout->RowOffset(y);
    for (int x = 0; x < layout->width; ++x, ++in, out += layout->bytes_per_pixel) {
      if (layout->format == PixelFormat::Grey8) {
        *out = static_cast<std::uint8_t>((qRed(*in) + qGreen(*in) + qBlue(*in) + 1) / 3);
      } else {
        out[0] = static_cast<std::uint8_t>(qBlue(*in));
        out[1] = static_cast<std::uint8_t>(qGreen(*in));
        out[2] = static_cast<std::uint8_t>(qRed(*in));
      }
    }
  }
  return true;
}

bool StillPicture::SaveBmpFile(const fs::path& path) const {
  // The headers, then the pixels straight from the block (a 32-bit block is
  // converted as a whole).
  const auto layout = DibLayoutOf(dib_);
  if (!layout) return false;
  std::vector<std::uint8_t> bytes = EncodeBmpHeaders(dib_);
  std::span<const std::uint8_t> pixels(dib_.data() + layout->pixel_offset, layout->ImageBytes());
  if (bytes.empty()) {
    bytes = EncodeBmp(dib_);
    pixels = {};
  }
  if (bytes.empty()) return false;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                       (pixels.empty() || std::fwrite(pixels.data(), 1, pixels.size(), file) == pixels.size());
  const bool closed = std::fclose(file) == 0;
  if (written && closed) return true;
  std::error_code ec;
  fs::remove(path, ec);  // no half-written picture
  return false;
}

bool StillPicture::RenderFramePicture(const fs::path& path, FrameMode mode) {
  if (!FitToFrame(mode)) return false;
  DrawLyricText();
  return SaveBmpFile(path);
}

bool StillPicture::RenderSizedPicture(const fs::path& path, int width, int height) {
  return Resize(width, height) && SaveBmpFile(path);
}

bool StillPicture::PrepareFramePicture(FrameMode mode) {
  if (!FitToFrame(mode)) return false;
  DrawLyricText();
  return true;
}

bool StillPicture::SetDib(DibBlock dib) {
  if (!DibLayoutOf(dib)) return false;
  dib_ = std::move(dib);
  return true;
}

int StillPicture::Width() const {
  const auto layout = DibLayoutOf(dib_);
  return layout ? layout->width : 0;
}

int StillPicture::Height() const {
  const auto layout = DibLayoutOf(dib_);
  return layout ? layout->height : 0;
}

int StillPicture::BitCount() const {
  const auto layout = DibLayoutOf(dib_);
  return layout ? layout->bytes_per_pixel * 8 : 0;
}

QImage StillPicture::ToImage() const {
  const auto layout = DibLayoutOf(dib_);
  if (!layout) return {};
  QImage image(layout->width, layout->height, QImage::Format_RGB32);
  if (image.isNull()) return {};
  for (int y = 0; y < layout->height; ++y) {
    const std::uint8_t* in = dib_.data() + layout->RowOffset(y);
    QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < layout->width; ++x, in += layout->bytes_per_pixel)
      out[x] = layout->format == PixelFormat::Grey8 ? qRgb(in[0], in[0], in[0])
                                                    : qRgb(in[2], in[1], in[0]);
  }
  return image;
}

}  // namespace verosa
