#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "cli_text.h"
#include "commands.h"
#include "imaging/lyric_text.h"
#include "imaging/picture_composition.h"
#include "imaging/still_picture.h"
#include "json_writer.h"

namespace verosa::cli {
namespace fs = std::filesystem;

namespace {

constexpr const char* kRenderUsage =
    "Usage: verosa-cli render-still PICTURE OUT.bmp [--tv pal|ntsc | --size WxH]\n"
    "                  [--lyrics FILE] [--font \"FACE,HEIGHT,WEIGHT[,italic][,underline][,strikeout]\"]\n"
    "                  [--color RRGGBB]\n"
    "  Composes a disc still: PICTURE (a BMP or JPEG file) scaled to the DVD frame\n"
    "  (--tv pal: 720 x 576, the default; ntsc: 720 x 480) with the lyric file drawn\n"
    "  on it (its name as the heading, its lines in one to three columns), written\n"
    "  as a 24-bit BMP. With --size the picture is scaled to W x H as a preview is;\n"
    "  lyrics are then drawn at the PAL frame first.\n"
    "  --font takes a font description: HEIGHT in pixels (negative: character\n"
    "  height, positive: line height), WEIGHT 100-900 (400 normal, 700 bold);\n"
    "  default \"System,20,900\". --color is the text colour, default FFFFFF.\n"
    "  Prints the picture's size and whether lyrics were drawn as JSON.\n"
    "Exit codes: 0 written, 1 failure (usage, picture not loaded, file not written).\n";

int UsageError(const std::string& message) {
  std::fprintf(stderr, Tr("verosa-cli: %s\n\n%s"), Tr(message.c_str()), Tr(kRenderUsage));
  return kExitFailure;
}

bool ParseInt(const std::string& text, long min, long max, int& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || value < min || value > max) return false;
  out = static_cast<int>(value);
  return true;
}

std::optional<LogFont> ParseFont(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (parts.size() < 3 || parts[0].empty()) return std::nullopt;
  LogFont font;
  font.SetFaceName(parts[0]);
  int height = 0, weight = 0;
  if (!ParseInt(parts[1], -2048, 2048, height) || !ParseInt(parts[2], 0, 1000, weight))
    return std::nullopt;
  font.lfHeight = height;
  font.lfWeight = weight;
  for (std::size_t i = 3; i < parts.size(); ++i) {
    if (parts[i] == "italic") font.lfItalic = 1;
    else if (parts[i] == "underline") font.lfUnderline = 1;
    else if (parts[i] == "strikeout") font.lfStrikeOut = 1;
    else return std::nullopt;
  }
  return font;
}

std::optional<ColorRef> ParseColour(const std::string& text) {
  if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    return std::nullopt;
  const unsigned long rgb = std::strtoul(text.c_str(), nullptr, 16);
  // RRGGBB to 0x00BBGGRR.
  return static_cast<ColorRef>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
}

bool ParseSize(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find('x');
  return x != std::string::npos && ParseInt(text.substr(0, x), 1, kMaxPictureSide, width) &&
         ParseInt(text.substr(x + 1), 1, kMaxPictureSide, height);
}

}  // namespace

// Text is drawn with QPainter, which needs a QGuiApplication; without a
// display the offscreen platform serves.
std::unique_ptr<QGuiApplication> EnsureGuiApplication() {
  if (QCoreApplication::instance()) return nullptr;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "verosa-cli";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QGuiApplication>(argc, argv);
}

int RunRenderStill(const std::vector<std::string>& raw) {
  if (WantsHelp(raw)) {
    std::fputs(Tr(kRenderUsage), stdout);
    return kExitOk;
  }
  const Arguments args(raw, {"--tv", "--size", "--lyrics", "--font", "--color"}, {});
  if (!args.Ok()) return UsageError(args.Error());
  if (args.Positionals().size() != 2) return UsageError("render-still needs PICTURE and OUT.bmp");
  if (args.Has("--tv") && args.Has("--size")) return UsageError("give --tv or --size, not both");

  FrameMode mode = FrameMode::Pal;
  if (const auto tv = args.Value("--tv")) {
    if (*tv == "pal") mode = FrameMode::Pal;
    else if (*tv == "ntsc") mode = FrameMode::Ntsc;
    else return UsageError("--tv takes pal or ntsc");
  }
  int width = 0, height = 0;
  const bool sized = args.Has("--size");
  if (sized && !ParseSize(*args.Value("--size"), width, height))
    return UsageError("--size takes WxH, for example 320x256");
  LogFont font = LogFont::DefaultLyricFont();
  if (const auto text = args.Value("--font")) {
    const auto parsed = ParseFont(*text);
    if (!parsed) return UsageError("--font takes FACE,HEIGHT,WEIGHT[,italic][,underline][,strikeout]");
    font = *parsed;
  }
  ColorRef colour = kWhite;
  if (const auto text = args.Value("--color")) {
    const auto parsed = ParseColour(*text);
    if (!parsed) return UsageError("--color takes six hexadecimal digits RRGGBB");
    colour = *parsed;
  }
  const fs::path picture_path = args.Positionals()[0];
  const fs::path out = args.Positionals()[1];
  const std::optional<fs::path> lyrics = args.Value("--lyrics");

  const std::unique_ptr<QGuiApplication> app = lyrics ? EnsureGuiApplication() : nullptr;

  StillPicture picture;
  if (!LoadPicture(picture, picture_path)) {
    std::fprintf(stderr, Tr("verosa-cli: cannot load the picture %s\n"), picture_path.string().c_str());
    return kExitFailure;
  }
  bool with_lyrics = false;
  if (lyrics) {
    picture.SetTextSource(*lyrics, font, colour);
    with_lyrics = ReadLyricLines(*lyrics).has_value();
    if (!with_lyrics)
      std::fprintf(stderr, Tr("verosa-cli: cannot read the lyric file %s; the picture has no text\n"),
                   lyrics->string().c_str());
  }

  bool written = false;
  if (sized) {
    // As the previews: lyrics at the frame size, then the whole scaled.
    if (lyrics) picture.PrepareFramePicture(FrameMode::Pal);
    written = picture.RenderSizedPicture(out, width, height);
  } else {
    written = picture.RenderFramePicture(out, mode);
  }
  if (!written) {
    std::fprintf(stderr, Tr("verosa-cli: cannot write %s\n"), out.string().c_str());
    return kExitFailure;
  }
  JsonWriter json;
  json.BeginObject()
      .Field("file", out.string())
      .Field("width", picture.Width())
      .Field("height", picture.Height())
      .Field("lyrics", with_lyrics)
      .EndObject();
  std::printf("%s\n", json.Text().c_str());
  return kExitOk;
}

}  // namespace verosa::cli
