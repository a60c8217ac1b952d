#include "author_job_file.h"

#include "cli_text.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <sstream>

#include "cli_text.h"
#include "job/navigation_code.h"

namespace verosa::cli {
namespace fs = std::filesystem;

namespace {

// Thrown inside the reader with the text the user sees; caught at its entry.
struct JobError {
  std::string text;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  throw JobError{where.empty() ? what : where + ": " + what};
}

std::string Quoted(const std::string& key) { return "\"" + key + "\""; }

// "1 title", "3 titles"; the same for chapters.
std::string Titles(long n) { return n == 1 ? Tr("1 title") : Tr("%s titles", {std::to_string(n)}); }
std::string Chapters(long n) { return n == 1 ? Tr("1 chapter") : Tr("%s chapters", {std::to_string(n)}); }

std::string TitleWhere(int t) { return Tr("title %s", {std::to_string(t)}); }
std::string ChapterWhere(int t, int c) { return Tr("title %s, chapter %s", {std::to_string(t), std::to_string(c)}); }

// Refuses keys the job format does not know: a misspelt key would otherwise
// silently fall back to its default.
void CheckKeys(const QJsonObject& object, std::initializer_list<const char*> known, const std::string& where) {
  for (const QString& key : object.keys()) {
    bool found = false;
    for (const char* k : known) found = found || key == QLatin1String(k);
    if (found) continue;
    std::string list;
    for (const char* k : known) list += (list.empty() ? "" : ", ") + Quoted(k);
    Fail(where, Tr("unknown key %s (known keys: %s)", {Quoted(key.toStdString()), list}));
  }
}

// An integer field within [low, high], or `fallback` when absent.
long Integer(const QJsonObject& object, const char* key, long low, long high, long fallback,
             const std::string& where, const std::string& expected) {
  if (!object.contains(QLatin1String(key))) return fallback;
  const QJsonValue value = object.value(QLatin1String(key));
  const double number = value.toDouble();
  if (!value.isDouble() || std::floor(number) != number || number < static_cast<double>(low) ||
      number > static_cast<double>(high))
    Fail(where, Tr("%s must be %s", {Quoted(key), Tr(expected.c_str())}));
  return static_cast<long>(number);
}

// A path field: required, a non-empty string, relative to `base`, short
// enough for a slot of the parameter block.
fs::path PathField(const QJsonObject& object, const char* key, const fs::path& base, const std::string& where) {
  if (!object.contains(QLatin1String(key))) Fail(where, Tr("%s is missing", {Quoted(key)}));
  const QJsonValue value = object.value(QLatin1String(key));
  if (!value.isString()) Fail(where, Tr("%s must be a string (a path)", {Quoted(key)}));
  const QByteArray bytes = value.toString().toUtf8();
  if (bytes.isEmpty()) Fail(where, Tr("%s is empty", {Quoted(key)}));
  if (bytes.contains('\0')) Fail(where, Tr("%s contains a NUL character", {Quoted(key)}));
  fs::path path(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  if (path.is_relative()) path = base / path;
  path = path.lexically_normal();
  const std::size_t length = path.native().size();
  if (length >= pennock::kPathSize)
    Fail(where, Tr("%s is %s bytes long as a full path; paths must be shorter than %s bytes",
                   {Quoted(key), std::to_string(length), std::to_string(pennock::kPathSize)}));
  return path;
}

// A navigation code that stands for a command whose target exists; 0 means
// no command.
std::uint16_t NavigationField(const QJsonObject& object, const char* key, std::uint16_t fallback,
                              const std::vector<int>& chapter_counts, const std::string& where) {
  const long code = Integer(object, key, 0, 65535, fallback, where, "a navigation code from 0 to 65535");
  if (code == 0) return 0;
  const auto value = static_cast<std::uint16_t>(code);
  const std::string name = Quoted(key) + " " + std::to_string(code);
  if (!pennock::EncodeNavigationCode(value))
    Fail(where, Tr("%s stands for no navigation command (use 101..9999 for title*100+chapter, 22001..22099 or "
                   "23001..23099 for a title, 30000, 40000, 50001..50256, 50501..50756, 60001..60999, or 0 for none)",
                   {name}));
  const int titles = static_cast<int>(chapter_counts.size());
  auto title_exists = [&](long t) { return t >= 1 && t <= titles; };
  if (code >= 101 && code <= 9999) {
    const long t = code / 100;
    const long c = code % 100;
    if (!title_exists(t))
      Fail(where, Tr("%s jumps to title %s, which the job does not have (it has %s)",
                     {name, std::to_string(t), Titles(titles)}));
    if (c < 1 || c > chapter_counts[static_cast<std::size_t>(t - 1)])
      Fail(where, Tr("%s jumps to chapter %s of title %s, which has %s",
                     {name, std::to_string(c), std::to_string(t), Chapters(chapter_counts[static_cast<std::size_t>(t - 1)])}));
  }
  if ((code >= 22001 && code <= 22099) || (code >= 23001 && code <= 23099)) {
    const long t = code % 1000;
    if (!title_exists(t))
      Fail(where, Tr("%s jumps to title %s, which the job does not have (it has %s)",
                     {name, std::to_string(t), Titles(titles)}));
  }
  return value;
}

// "file:line:column" of a byte offset, for a JSON syntax error.
std::string Position(const QByteArray& text, int offset) {
  int line = 1;
  int column = 1;
  for (int i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return Tr("line %s, column %s", {std::to_string(line), std::to_string(column)});
}

AuthorJob ParseJob(const QJsonObject& root, const fs::path& base) {
  CheckKeys(root, {"output", "aspect", "permitted_display", "language", "menu_command", "titles"}, "");
  AuthorJob job;
  job.output = PathField(root, "output", base, "");
  job.aspect = static_cast<std::uint8_t>(Integer(root, "aspect", 43, 169, 43, "", "43 (4:3) or 169 (16:9)"));
  if (job.aspect != 43 && job.aspect != 169) Fail("", Tr("%s must be %s", {Quoted("aspect"), Tr("43 (4:3) or 169 (16:9)")}));
  job.permitted_display = static_cast<std::uint8_t>(Integer(
      root, "permitted_display", 0, 3, 0, "",
      "0 (pan-scan and letterbox), 1 (pan-scan only), 2 (letterbox only) or 3 (not specified)"));
  if (root.contains(QLatin1String("language"))) {
    const QJsonValue value = root.value(QLatin1String("language"));
    const std::string text = value.isString() ? value.toString().toStdString() : std::string();
    if (text.size() != 2 || text[0] < 'a' || text[0] > 'z' || text[1] < 'a' || text[1] > 'z')
      Fail("", Tr("%s must be two lower-case letters (an ISO 639-1 code such as \"en\")", {Quoted("language")}));
    job.language = text;
  }

  if (!root.contains(QLatin1String("titles"))) Fail("", Tr("%s is missing", {Quoted("titles")}));
  const QJsonValue titles_value = root.value(QLatin1String("titles"));
  if (!titles_value.isArray()) Fail("", Tr("%s must be an array of titles", {Quoted("titles")}));
  const QJsonArray titles = titles_value.toArray();
  if (titles.isEmpty()) Fail("", Tr("%s is empty; a disc needs at least one title", {Quoted("titles")}));
  if (titles.size() > pennock::kMaxTitles)
    Fail("", Tr("%s has %s entries; a disc holds at most %s titles",
                {Quoted("titles"), std::to_string(titles.size()), std::to_string(pennock::kMaxTitles)}));

  std::vector<QJsonObject> title_objects;
  std::vector<int> chapter_counts;
  for (int t = 1; t <= titles.size(); ++t) {
    const QJsonValue value = titles[t - 1];
    const std::string where = TitleWhere(t);
    if (!value.isObject()) Fail(where, Tr("must be an object with \"chapters\""));
    const QJsonObject title = value.toObject();
    CheckKeys(title, {"chapters", "post_command"}, where);
    if (!title.contains(QLatin1String("chapters"))) Fail(where, Tr("%s is missing", {Quoted("chapters")}));
    const QJsonValue chapters_value = title.value(QLatin1String("chapters"));
    if (!chapters_value.isArray()) Fail(where, Tr("%s must be an array of chapters", {Quoted("chapters")}));
    const QJsonArray chapters = chapters_value.toArray();
    if (chapters.isEmpty()) Fail(where, Tr("%s is empty; a title needs at least one chapter", {Quoted("chapters")}));
    if (chapters.size() > pennock::kMaxChapters)
      Fail(where, Tr("%s has %s entries; a title holds at most %s chapters",
                     {Quoted("chapters"), std::to_string(chapters.size()), std::to_string(pennock::kMaxChapters)}));
    AuthorJobTitle parsed;
    for (int c = 1; c <= chapters.size(); ++c) {
      const QJsonValue chapter_value = chapters[c - 1];
      const std::string chapter_where = ChapterWhere(t, c);
      if (!chapter_value.isObject()) Fail(chapter_where, Tr("must be an object with \"picture\" and \"audio\""));
      const QJsonObject chapter = chapter_value.toObject();
      CheckKeys(chapter, {"picture", "audio"}, chapter_where);
      AuthorJobChapter entry;
      entry.picture = PathField(chapter, "picture", base, chapter_where);
      entry.audio = PathField(chapter, "audio", base, chapter_where);
      parsed.chapters.push_back(std::move(entry));
    }
    job.titles.push_back(std::move(parsed));
    title_objects.push_back(title);
    chapter_counts.push_back(static_cast<int>(chapters.size()));
  }

  // The navigation last: its targets are checked against the titles.
  const int count = static_cast<int>(job.titles.size());
  job.menu_command = NavigationField(root, "menu_command", kDefaultMenuCommand, chapter_counts, "");
  for (int t = 1; t <= count; ++t)
    job.titles[static_cast<std::size_t>(t - 1)].post_command = NavigationField(
        title_objects[static_cast<std::size_t>(t - 1)], "post_command", DefaultPostCommand(t, count), chapter_counts,
        TitleWhere(t));
  return job;
}

}  // namespace

std::uint16_t DefaultPostCommand(int title, int title_count) {
  return title < title_count ? static_cast<std::uint16_t>(23000 + title + 1) : 0;
}

std::optional<AuthorJob> ReadAuthorJob(const fs::path& file, std::string& error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = Tr("cannot open %s: %s", {file.string(), std::strerror(errno)});
    return std::nullopt;
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  const std::string bytes = buffer.str();
  const QByteArray text(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QJsonParseError parse{};
  const QJsonDocument document = QJsonDocument::fromJson(text, &parse);
  if (parse.error != QJsonParseError::NoError) {
    error = Tr("%s: malformed JSON at %s: %s",
               {file.string(), Position(text, parse.offset), parse.errorString().toStdString()});
    return std::nullopt;
  }
  if (!document.isObject()) {
    error = Tr("%s: the job must be a JSON object with \"output\" and \"titles\"", {file.string()});
    return std::nullopt;
  }
  std::error_code ec;
  const fs::path base = fs::absolute(file, ec).parent_path();
  try {
    return ParseJob(document.object(), base);
  } catch (const JobError& e) {
    error = file.string() + ": " + e.text;
    return std::nullopt;
  }
}

void FillAuthorParams(const AuthorJob& job, std::uint32_t window, pennock::AuthorParams& params) {
  auto copy = [](char (&slot)[pennock::kPathSize], const fs::path& path) {
    const std::string& text = path.native();
    std::memcpy(slot, text.c_str(), std::min(text.size() + 1, pennock::kPathSize));
    slot[pennock::kPathSize - 1] = '\0';
  };
  params.window = window;
  copy(params.output_folder, job.output);
  params.menu_navigation = static_cast<std::int16_t>(job.menu_command);
  params.language = static_cast<std::int16_t>(job.language[0] << 8 | job.language[1]);
  params.title_count = static_cast<std::uint8_t>(job.titles.size());
  params.aspect = job.aspect;
  params.permitted_display = job.permitted_display;
  for (std::size_t t = 0; t < job.titles.size(); ++t) {
    const AuthorJobTitle& title = job.titles[t];
    params.chapter_count[t + 1] = static_cast<std::uint8_t>(title.chapters.size());
    params.post_navigation[t + 1] = static_cast<std::int16_t>(title.post_command);
    for (std::size_t c = 0; c < title.chapters.size(); ++c) {
      copy(params.audio_file[t + 1][c + 1], title.chapters[c].audio);
      copy(params.picture_file[t + 1][c + 1], title.chapters[c].picture);
    }
  }
}

}  // namespace verosa::cli
