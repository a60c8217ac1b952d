// The project in memory: the header and, in disc order (all chapters of
// title 1, then title 2, ...), one AudioCell and one VideoCell per chapter.
// Cell i of both arrays is chapter i.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "project/project_types.h"

namespace verosa {

// What a chapter edit changes; empty paths, negative numbers, a sample rate
// of 0 and a missing font leave the field as it is. The colour changes only
// together with a font.
struct CellUpdate {
  std::string audio_path;
  std::string picture_path;
  std::string lyric_path;
  // An empty lyric path clears the chapter's lyric file.
  bool clear_lyric = false;
  int total_time = -1;
  int title_index = -1;
  int chapter_index = -1;
  int sample_rate = 0;
  std::optional<LogFont> lyric_font;
  ColorRef lyric_color = kWhite;
};

// A chapter left out when a project was opened.
struct DroppedChapter {
  enum class Reason { MissingAudio, MissingPicture };
  int index = 0;  // its number in the file
  Reason reason = Reason::MissingAudio;
  std::string path;
};

struct OpenReport {
  bool all_loaded = true;
  std::vector<DroppedChapter> dropped;
  // Announced chapters that name neither an audio file nor a picture (their
  // sections are missing or empty); skipped, and not in `dropped`.
  int empty_cells = 0;
};

class ProjectDocument {
 public:
  ProjectDocument() { NewProject(); }

  // Header defaults (Date = now), no cells, the given path.
  bool NewProject(const std::filesystem::path& path = {});
  // False when the file is refused (unreadable, another creator or version);
  // the document is then unchanged. Otherwise true, also when chapters whose
  // files are gone were dropped (the report names them).
  bool OpenProject(const std::filesystem::path& path, OpenReport* report = nullptr);
  // Writes the whole file at once; an existing file is replaced only when the
  // new one is complete.
  bool SaveProject(const std::filesystem::path& path, std::error_code* error = nullptr);

  // Position -1 appends; otherwise the pair goes to position + 1 when that is
  // inside the arrays, else it is appended.
  void AddCells(const AudioCell& audio, const VideoCell& video, int position);
  // Inserts the pair so that it becomes cell `index` (0..count).
  void InsertCells(int index, const AudioCell& audio, const VideoCell& video);
  const AudioCell* GetAudioCell(int index) const;
  const VideoCell* GetVideoCell(int index) const;
  bool UpdateCells(int index, const CellUpdate& update);
  void RemoveCells(int first, int count);
  bool MoveCells(int from, int to, int title_index, int count);
  void SetTitleIndex(int first, int last, int title_index);
  void ClearCells();

  ProjectHeader& Header() { return header_; }
  const ProjectHeader& Header() const { return header_; }
  const std::vector<AudioCell>& AudioCells() const { return audio_; }
  const std::vector<VideoCell>& VideoCells() const { return video_; }
  const std::vector<MenuCell>& MenuCells() const { return menu_; }
  std::vector<MenuCell>& MenuCells() { return menu_; }
  int CellCount() const { return static_cast<int>(audio_.size()); }
  int TitleCellTotalNum() const { return header_.TitleCellTotalNum; }
  void SetTitleCellTotalNum(int count) { header_.TitleCellTotalNum = count; }
  const std::filesystem::path& Path() const { return path_; }
  void SetPath(const std::filesystem::path& path) { path_ = path; }

  // Size estimates in MB at `sample_rate` Hz: per chapter
  // ((rate / 1024) * seconds * 4) / 1024 + 4, all integer arithmetic.
  int EstimateProjectSizeMB(int sample_rate);
  int EstimateTitleSizeMB(int sample_rate, int title_index) const;
  int CachedProjectSizeMB() const { return cached_size_mb_; }
  static int EstimateChapterSizeMB(int sample_rate, int seconds);

 private:
  void SyncCounts();

  ProjectHeader header_;
  std::vector<VideoCell> video_;
  std::vector<AudioCell> audio_;
  std::vector<MenuCell> menu_;
  std::filesystem::path path_;
  int cached_size_mb_ = 0;
};

}  // namespace verosa
