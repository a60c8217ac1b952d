#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli_text.h"
#include "commands.h"
#include "core/media_info.h"
#include "json_writer.h"
#include "project_json.h"
#include "platform/message_box.h"
#include "imaging/picture_composition.h"
#include "output/output_job.h"
#include "project/chapter_editing.h"
#include "project/probed_source_list.h"
#include "project/project_document.h"
#include "shell/app_context.h"
#include "shell/new_project_header.h"

namespace verosa::cli {
namespace fs = std::filesystem;

namespace {

constexpr const char* kProjectUsage =
    "Usage:\n"
    "  verosa-cli project info FILE [--json]\n"
    "      Show the header, menu cells, chapters and size estimate of a project.\n"
    "  verosa-cli project new FILE [--name N] [--tv pal|ntsc] [--aspect 4:3|16:9]\n"
    "                         [--display letterbox|panscan] [--rate 48000|96000]\n"
    "                         [--theme I] [--force]\n"
    "      Create an empty project (--force replaces an existing file).\n"
    "  verosa-cli project add FILE AUDIO --picture P [--lyrics L]\n"
    "                         [--new-title | --title N]\n"
    "      Add one chapter: to the last title (or a new one when there is none),\n"
    "      to a new title with --new-title, or to title N (1-based) with --title.\n"
    "\n"
    "Exit codes: 0 success, 1 failure, 2 invalid project file, 3 chapter refused.\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, Tr("verosa-cli: %s\n"), message.c_str());
  return kExitFailure;
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, Tr("verosa-cli: %s\n\n%s"), Tr(message.c_str()), Tr(kProjectUsage));
  return kExitFailure;
}

int InvalidProject(const fs::path& path) {
  std::fprintf(stderr, Tr("Invalid project file: %s\n"), path.string().c_str());
  return kExitBadProject;
}

const char* TvText(int mode) { return mode == 1 ? "NTSC" : "PAL"; }
const char* AspectText(int aspect) { return aspect == 1 ? "16:9" : "4:3"; }
const char* DisplayText(int mode) { return mode == 1 ? "pan and scan" : "letter box"; }

void ReportDropped(const OpenReport& report) {
  for (const DroppedChapter& d : report.dropped)
    std::fprintf(stderr, Tr("Dropped chapter %d: %s not found: %s\n"), d.index + 1,
                 d.reason == DroppedChapter::Reason::MissingAudio ? "audio file"
                                                                  : "background picture",
                 d.path.empty() ? "(no path)" : d.path.c_str());
  if (report.empty_cells > 0)
    std::fprintf(stderr, Tr("Skipped %d announced chapter%s that name%s no file\n"), report.empty_cells,
                 report.empty_cells == 1 ? "" : "s", report.empty_cells == 1 ? "s" : "");
}

void WriteFontJson(JsonWriter& json, const LogFont& f) {
  json.BeginObject("LyricFont")
      .Field("lfHeight", f.lfHeight)
      .Field("lfWidth", f.lfWidth)
      .Field("lfEscapement", f.lfEscapement)
      .Field("lfOrientation", f.lfOrientation)
      .Field("lfWeight", f.lfWeight)
      .Field("lfItalic", int{f.lfItalic})
      .Field("lfUnderline", int{f.lfUnderline})
      .Field("lfStrikeOut", int{f.lfStrikeOut})
      .Field("lfCharSet", int{f.lfCharSet})
      .Field("lfOutPrecision", int{f.lfOutPrecision})
      .Field("lfClipPrecision", int{f.lfClipPrecision})
      .Field("lfQuality", int{f.lfQuality})
      .Field("lfPitchAndFamily", int{f.lfPitchAndFamily})
      .Field("lfFaceName", f.FaceName())
      .EndObject();
}

std::string InfoJson(const fs::path& path, ProjectDocument& doc, const OpenReport& report) {
  const ProjectHeader& h = doc.Header();
  JsonWriter json;
  json.BeginObject().Field("file", path.string());
  WriteHeaderJson(json, h);
  json.BeginArray("menu_cells");
  for (const MenuCell& m : doc.MenuCells())
    json.BeginObject()
        .Field("MenuType", m.MenuType)
        .Field("MenuBmpFilePath", m.MenuBmpFilePath)
        .Field("StillTime", m.StillTime)
        .EndObject();
  json.EndArray();
  json.BeginArray("audio_cells");
  for (const AudioCell& a : doc.AudioCells()) {
    json.BeginObject()
        .Field("AudioFilePath", a.AudioFilePath)
        .Field("TitleIndex", a.TitleIndex)
        .Field("ChapterIndex", a.ChapterIndex)
        .Field("AudioTotalTime", a.AudioTotalTime)
        .Field("AudioCodingMode", a.AudioCodingMode)
        .Field("AudioSampleRate", a.AudioSampleRate)
        .Field("AudioBitsPerSample", a.AudioBitsPerSample)
        .Field("AudioChannels", a.AudioChannels)
        .Field("AudioBitsPerSecond", a.AudioBitsPerSecond)
        .Field("UseLyric", a.UseLyric)
        .Field("LyricFilePath", a.LyricFilePath);
    WriteFontJson(json, a.LyricFont);
    json.Field("LyricColor", static_cast<std::uint32_t>(a.LyricColor)).EndObject();
  }
  json.EndArray();
  json.BeginArray("video_cells");
  for (const VideoCell& v : doc.VideoCells())
    json.BeginObject()
        .Field("VideoFilePath", v.VideoFilePath)
        .Field("TitleIndex", v.TitleIndex)
        .Field("ChapterIndex", v.ChapterIndex)
        .Field("VideoTotalTime", v.VideoTotalTime)
        .EndObject();
  json.EndArray();
  json.Field("estimate_mb", doc.EstimateProjectSizeMB(h.AudioSampleRate));
  json.Field("disc_bytes", ExpectedDiscBytes(doc));
  json.Field("all_chapters_loaded", report.all_loaded);
  json.BeginArray("dropped");
  for (const DroppedChapter& d : report.dropped)
    json.BeginObject()
        .Field("index", d.index)
        .Field("reason", d.reason == DroppedChapter::Reason::MissingAudio ? "audio_missing"
                                                                          : "picture_missing")
        .Field("path", d.path)
        .EndObject();
  json.EndArray();
  json.Field("empty_chapters", report.empty_cells);
  json.EndObject();
  return json.Text();
}

void PrintInfoText(const fs::path& path, ProjectDocument& doc, const OpenReport& report) {
  const ProjectHeader& h = doc.Header();
  std::printf("Project:      %s\n", h.ProjectName.c_str());
  std::printf("File:         %s\n", path.string().c_str());
  std::printf("Creator:      %s %s, %s\n", h.Creator.c_str(), h.Version.c_str(), h.Date.c_str());
  std::printf("Video:        %s, %s, %s (type %d, coding %d)\n", TvText(h.TVMode),
              AspectText(h.VideoAspectRatio), DisplayText(h.VideoDisplayMode), h.VideoType,
              h.VideoCodingMode);
  std::printf("Audio:        LPCM %d Hz, %d channels\n", h.AudioSampleRate, h.AudioChannel);
  std::printf("Menu:         type %d, theme %d, aspect %s, %s\n", h.MenuType, h.ThemeIndex,
              AspectText(h.MenuAspectRatio), DisplayText(h.MenuDisplayMode));
  for (std::size_t i = 0; i < doc.MenuCells().size(); ++i) {
    const MenuCell& m = doc.MenuCells()[i];
    std::printf("Menu cell %zu:  type %d, still %d s, %s\n", i, m.MenuType, m.StillTime,
                m.MenuBmpFilePath.c_str());
  }
  std::printf("Titles:       %d\n", h.TitleCellTotalNum);
  std::printf("Chapters:     %d\n", doc.CellCount());
  for (int i = 0; i < doc.CellCount(); ++i) {
    const AudioCell& a = doc.AudioCells()[i];
    const VideoCell& v = doc.VideoCells()[i];
    std::printf("  %3d  title %d  %s  %d Hz  %s\n", i + 1, a.TitleIndex + 1,
                FormatDurationText(a.AudioTotalTime).c_str(), a.AudioSampleRate,
                a.AudioFilePath.c_str());
    std::printf("       picture %s\n", v.VideoFilePath.c_str());
    if (!a.LyricFilePath.empty())
      std::printf("       lyrics  %s (%s %d, colour 0x%06X)\n", a.LyricFilePath.c_str(),
                  a.LyricFont.FaceName().c_str(), a.LyricFont.lfHeight, a.LyricColor);
  }
  std::printf("Estimate:     %d MB\n", doc.EstimateProjectSizeMB(h.AudioSampleRate));
  const long long disc_bytes = ExpectedDiscBytes(doc);
  std::printf("Disc size:    at most %lld bytes (%s)\n", disc_bytes,
              disc_bytes <= kDvd5Bytes ? "fits a DVD-5" : "needs a DVD-9");
  std::printf("All chapters loaded: %s\n", report.all_loaded ? "yes" : "no");
}

int Info(const std::vector<std::string>& raw) {
  const Arguments args(raw, {}, {"--json"});
  if (!args.Ok()) return UsageError(args.Error());
  if (args.Positionals().size() != 1) return UsageError("project info needs one FILE");
  const fs::path path = args.Positionals()[0];

  ProjectDocument doc;
  OpenReport report;
  if (!doc.OpenProject(path, &report)) return InvalidProject(path);
  ReportDropped(report);
  if (args.Has("--json"))
    std::printf("%s\n", InfoJson(path, doc, report).c_str());
  else
    PrintInfoText(path, doc, report);
  return kExitOk;
}

// Parses "pal"/"ntsc" and the like into the header's numbers.
std::optional<int> Choice(const std::optional<std::string>& value, const char* zero,
                          const char* one) {
  if (!value) return std::nullopt;
  if (*value == zero) return 0;
  if (*value == one) return 1;
  return -1;
}

int New(const std::vector<std::string>& raw) {
  const Arguments args(raw, {"--name", "--tv", "--aspect", "--display", "--rate", "--theme"},
                       {"--force"});
  if (!args.Ok()) return UsageError(args.Error());
  if (args.Positionals().size() != 1) return UsageError("project new needs one FILE");
  const fs::path path = args.Positionals()[0];
  std::error_code ec;
  if (fs::exists(path, ec) && !args.Has("--force"))
    return Fail(Tr("%s already exists (use --force to replace it)", {path.string()}));

  AppContext context;
  if (!StartContext(context)) return kExitFailure;
  ProjectDocument& doc = context.Project();
  doc.NewProject(path);
  // New projects start from the user's settings, as the Config page shows them.
  ProjectChoices choices = ChoicesFromSettings(context.Settings().Values());
  if (auto name = args.Value("--name")) choices.project_name = *name;
  if (auto tv = Choice(args.Value("--tv"), "pal", "ntsc")) {
    if (*tv < 0) return UsageError("--tv takes pal or ntsc");
    choices.tv_mode = *tv;
  }
  if (auto aspect = Choice(args.Value("--aspect"), "4:3", "16:9")) {
    if (*aspect < 0) return UsageError("--aspect takes 4:3 or 16:9");
    choices.aspect_ratio = *aspect;
  }
  if (auto display = Choice(args.Value("--display"), "letterbox", "panscan")) {
    if (*display < 0) return UsageError("--display takes letterbox or panscan");
    choices.display_mode = *display;
  }
  if (auto rate = args.Value("--rate")) {
    if (*rate != "48000" && *rate != "96000") return UsageError("--rate takes 48000 or 96000");
    choices.sample_rate = std::stoi(*rate);
  }
  if (auto theme = args.Value("--theme")) {
    if (theme->empty() || theme->find_first_not_of("0123456789") != std::string::npos ||
        theme->size() > 4)
      return UsageError("--theme takes a theme number");
    choices.theme_index = std::stoi(*theme);
  }
  WriteChoices(choices, doc.Header());

  if (!doc.SaveProject(path, &ec))
    return Fail(Tr("cannot write %s: %s", {path.string(), ec.message()}));
  std::printf(Tr("Created %s\n"), path.string().c_str());
  context.Shutdown(false);
  return kExitOk;
}

int Add(const std::vector<std::string>& raw) {
  const Arguments args(raw, {"--picture", "--lyrics", "--title"}, {"--new-title"});
  if (!args.Ok()) return UsageError(args.Error());
  if (args.Positionals().size() != 2) return UsageError("project add needs FILE and AUDIO");
  if (args.Has("--new-title") && args.Has("--title"))
    return UsageError("--new-title and --title exclude each other");
  const fs::path path = args.Positionals()[0];
  std::error_code ec;
  const fs::path audio = fs::absolute(args.Positionals()[1], ec);

  AppContext context;
  if (!StartContext(context)) return kExitFailure;
  ProjectDocument& doc = context.Project();
  OpenReport report;
  if (!doc.OpenProject(path, &report)) return InvalidProject(path);
  ReportDropped(report);

  ProbedSourceList sources;
  ChapterTree tree(doc);
  const RebuildResult rebuilt = RebuildChapterTree(doc, tree, sources);
  for (const std::string& refused : rebuilt.refused)
    std::fprintf(stderr, Tr("Dropped chapter: no audio stream in %s\n"), refused.c_str());

  NewChapter chapter;
  chapter.audio_path = audio.string();
  const std::string picture = args.Value("--picture").value_or(context.DefaultChapterPicturePath());
  if (picture.empty()) return UsageError("a background picture is needed (--picture FILE)");
  if (!fs::is_regular_file(picture, ec)) return Fail(Tr("background picture not found: %s", {picture}));
  // The Edit page's rule: a chapter only with a background the disc can use.
  if (StillPicture still; !LoadPicture(still, picture))
    return Fail(Tr("background picture cannot be loaded (JPEG or BMP pictures only): %s", {picture}));
  chapter.picture_path = fs::absolute(picture, ec).string();
  if (auto lyrics = args.Value("--lyrics")) {
    if (!fs::is_regular_file(*lyrics, ec)) return Fail(Tr("lyric file not found: %s", {*lyrics}));
    chapter.lyric_path = fs::absolute(*lyrics, ec).string();
  }
  chapter.lyric_font = context.Settings().Values().lfLyricFont;
  chapter.lyric_color = context.Settings().Values().crLyricColor;

  // Where the chapter goes: as if the user had selected that title row.
  if (args.Has("--new-title")) {
    chapter.title = TitleChoice::ForceNew;
  } else if (auto title = args.Value("--title")) {
    const int number = title->find_first_not_of("0123456789") == std::string::npos &&
                               !title->empty() && title->size() < 4
                           ? std::stoi(*title)
                           : 0;
    if (number < 1 || number > tree.TitleCount())
      return Fail(Tr("no title %s (the project has %s)", {*title, std::to_string(tree.TitleCount())}));
    tree.Select(tree.Title(number - 1));
  } else {
    tree.Select(tree.TitleCount() > 0 ? tree.Title(tree.TitleCount() - 1) : nullptr);
  }

  if (!fs::is_regular_file(audio, ec) || sources.AddFile(chapter.audio_path.c_str(), -1) != 1)
    return Fail(Tr("not an audio file: %s", {audio.string()}));
  chapter.play_time = FormatMediaDuration(audio).substr(0, 8);

  const int result = AddOneChapter(doc, tree, chapter, doc.Header().AudioSampleRate);
  if (result < 0) {
    platform::MessageBox(platform::kNoWindow, AddChapterRefusalText(result), "Error",
                         platform::kMbOk | platform::kMbIconError);
    return kExitRefused;
  }
  if (!doc.SaveProject(path, &ec))
    return Fail(Tr("cannot write %s: %s", {path.string(), ec.message()}));
  std::printf(Tr("Added %s as chapter %d of title %d (%s)\n"), FileNamePart(chapter.audio_path).c_str(),
              tree.SelectedFlatIndex() - tree.FirstFlatIndexOfTitle(result) + 1, result + 1,
              chapter.play_time.c_str());
  context.Shutdown(false);
  return kExitOk;
}

}  // namespace

// Starts the shared context the way the program does, without the
// single-instance lock (the tool may run beside the program).
bool StartContext(AppContext& context) {
  if (context.Initialize(StartupOptions{.single_instance = false})) return true;
  std::fprintf(stderr, Tr("verosa-cli: start-up failed (%s)\n"), context.FailureText().c_str());
  return false;
}

bool WantsHelp(const std::vector<std::string>& args) {
  for (const std::string& a : args)
    if (a == "--help" || a == "-h") return true;
  return false;
}

Arguments::Arguments(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                     const std::vector<std::string>& flags) {
  auto is = [](const std::vector<std::string>& list, const std::string& s) {
    return std::find(list.begin(), list.end(), s) != list.end();
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() > 1 && a[0] == '-' && a != "-") {
      if (is(flags, a)) {
        options_.emplace_back(a, "");
      } else if (is(valued, a)) {
        if (i + 1 >= args.size()) {
          error_ = Tr("%s needs a value", {a});
          return;
        }
        options_.emplace_back(a, args[++i]);
      } else {
        error_ = Tr("unknown option %s", {a});
        return;
      }
    } else {
      positionals_.push_back(a);
    }
  }
}

std::optional<std::string> Arguments::Value(const std::string& option) const {
  for (auto it = options_.rbegin(); it != options_.rend(); ++it)
    if (it->first == option) return it->second;
  return std::nullopt;
}

bool Arguments::Has(const std::string& option) const { return Value(option).has_value(); }

int RunProjectCommand(const std::vector<std::string>& args) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    std::fputs(Tr(kProjectUsage), args.empty() ? stderr : stdout);
    return args.empty() ? kExitFailure : kExitOk;
  }
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (WantsHelp(rest)) {
    std::fputs(Tr(kProjectUsage), stdout);
    return kExitOk;
  }
  if (args[0] == "info") return Info(rest);
  if (args[0] == "new") return New(rest);
  if (args[0] == "add") return Add(rest);
  return UsageError(Tr("unknown project command '%s'", {args[0]}));
}

}  // namespace verosa::cli
