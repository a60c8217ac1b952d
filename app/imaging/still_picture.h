// StillPicture: the program's one picture class. It holds a packed DIB,
// loads it from BMP and JPEG files, scales it, draws a lyric file onto it and
// writes it as a BMP file. Every disc still and every preview is made with it
// (see picture_composition.h for how they are put together).
#pragma once

#include <QImage>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

#include "imaging/dib.h"
#include "project/project_types.h"

namespace verosa {

// DVD frame of a television system.
enum class FrameMode {
  Pal,   // 720 x 576
  Ntsc,  // 720 x 480
};

struct FrameSize {
  int width = 0;
  int height = 0;
};

// Size of the frame; 0 x 0 for a value outside the enumeration.
FrameSize FrameSizeOf(FrameMode mode);
// "PAL" or "NTSC"; none for anything else.
std::optional<FrameMode> FrameModeFromName(std::string_view name);
// The project's TVMode: 0 PAL, 1 NTSC; none for anything else.
std::optional<FrameMode> FrameModeFromTvMode(int tv_mode);

class StillPicture {
 public:
  StillPicture() = default;

  // Loads a BMP file (see DecodeBmp). False, with the picture unchanged, when
  // the file cannot be read or is no BMP this program reads; no message.
  bool LoadBmpFile(const std::filesystem::path& path);
  // Loads a JPEG file. False, with the picture unchanged, when it cannot be
  // opened ("JPEG :\nCan't open <path>\n") or decoded (see DecodeJpeg); the
  // reasons are shown in message boxes.
  bool LoadJpegFile(const std::filesystem::path& path);

  // The lyric file, its font (none keeps the current one) and colour.
  void SetTextSource(const std::filesystem::path& path, const std::optional<LogFont>& font,
                     ColorRef colour);

  // Scales the picture to the frame of `mode`. False, unchanged, for a mode
  // outside the enumeration; false when the scaled copy could not be made.
  bool FitToFrame(FrameMode mode);
  // Replaces the picture by its copy scaled to width x height. When the copy
  // cannot be made the picture is left empty and false is returned.
  bool Resize(int width, int height);
  // Turns the picture into a 24-bit one (see ToBgr24); the still encoder
  // takes nothing else. False, unchanged, when the picture is empty or the
  // copy cannot be made.
  bool ConvertToBgr24();
  // Draws the lyric file onto the picture: its name as a centred heading, then
  // its lines (see LayOutLyrics). False, unchanged, when the picture is empty,
  // the file cannot be read, or there is no QGuiApplication to draw text with.
  // A file without lines draws nothing and gives true.
  bool DrawLyricText();
  // Paints on a copy of the picture and takes the result back. False,
  // unchanged, when the picture is empty or there is no QGuiApplication.
  bool Paint(const std::function<void(QImage&)>& paint);
  // Writes the picture as a BMP file (32-bit pictures as 24-bit). False when
  // the picture is empty or the file cannot be written completely.
  bool SaveBmpFile(const std::filesystem::path& path) const;

  // FitToFrame, then (only when it worked) DrawLyricText and SaveBmpFile.
  // True when the file was written.
  bool RenderFramePicture(const std::filesystem::path& path, FrameMode mode);
  // Resize, then (only when it worked) SaveBmpFile. True when written.
  bool RenderSizedPicture(const std::filesystem::path& path, int width, int height);
  // FitToFrame, then (only when it worked) DrawLyricText. The fit's result.
  bool PrepareFramePicture(FrameMode mode);

  // Replaces the picture by a block of this program's form (checked with
  // DibLayoutOf). False, unchanged, for any other block.
  bool SetDib(DibBlock dib);
  const DibBlock& Dib() const { return dib_; }
  bool IsEmpty() const { return dib_.empty(); }
  int Width() const;
  int Height() const;
  int BitCount() const;  // 8, 24 or 32; 0 when empty

  // A top-down copy for display; a null image when empty.
  QImage ToImage() const;

  const std::filesystem::path& TextSourcePath() const { return text_source_path_; }
  // The font DrawLyricText uses; none: the application's default font.
  const std::optional<LogFont>& TextFont() const { return text_font_; }
  ColorRef TextColor() const { return text_color_; }

 private:
  DibBlock dib_;
  std::filesystem::path text_source_path_;
  std::optional<LogFont> text_font_;
  ColorRef text_color_ = kWhite;
};

}  // namespace verosa
