#include "project/project_document.h"

#include <algorithm>
#include <climits>

#include "platform/move_run.h"
#include "project/project_file.h"

namespace verosa {

bool ProjectDocument::NewProject(const std::filesystem::path& path) {
  path_ = path;
  header_ = ProjectHeader{};
  header_.Date = CurrentDateText();
  audio_.clear();
  video_.clear();
  menu_.clear();
  cached_size_mb_ = 0;
  return true;
}

bool ProjectDocument::OpenProject(const std::filesystem::path& path, OpenReport* report) {
  ProjectDocument loaded;
  loaded.path_ = path;
  if (!ReadProjectHeader(path, loaded.header_)) return false;
  OpenReport local;
  local.all_loaded = ReadProjectCells(path, loaded, &local.dropped, &local.empty_cells);
  if (!local.all_loaded) {
    loaded.header_.AudioCellTotalNum = loaded.CellCount();
    loaded.header_.VideoCellTotalNum = loaded.CellCount();
  }
  *this = std::move(loaded);
  if (report) *report = std::move(local);
  return true;
}

bool ProjectDocument::SaveProject(const std::filesystem::path& path, std::error_code* error) {
  return WriteProjectFile(path, *this, error);
}

void ProjectDocument::SyncCounts() {
  header_.AudioCellTotalNum = static_cast<int>(audio_.size());
  header_.VideoCellTotalNum = static_cast<int>(video_.size());
}

void ProjectDocument::AddCells(const AudioCell& audio, const VideoCell& video, int position) {
  if (position >= 0 && position + 1 < CellCount())
    InsertCells(position + 1, audio, video);
  else
    InsertCells(CellCount(), audio, video);
}

void ProjectDocument::InsertCells(int index, const AudioCell& audio, const VideoCell& video) {
  if (index < 0 || index > CellCount()) index = CellCount();
  audio_.insert(audio_.begin() + index, audio);
  video_.insert(video_.begin() + index, video);
  SyncCounts();
}

const AudioCell* ProjectDocument::GetAudioCell(int index) const {
  return index >= 0 && index < CellCount() ? &audio_[index] : nullptr;
}

const VideoCell* ProjectDocument::GetVideoCell(int index) const {
  return index >= 0 && index < static_cast<int>(video_.size()) ? &video_[index] : nullptr;
}

bool ProjectDocument::UpdateCells(int index, const CellUpdate& u) {
  if (index < 0 || index >= CellCount() || index >= static_cast<int>(video_.size())) return false;
  AudioCell& a = audio_[index];
  VideoCell& v = video_[index];
  if (!u.audio_path.empty()) a.AudioFilePath = u.audio_path;
  if (!u.picture_path.empty()) v.VideoFilePath = u.picture_path;
  if (!u.lyric_path.empty() || u.clear_lyric) a.LyricFilePath = u.lyric_path;
  if (u.total_time >= 0) a.AudioTotalTime = v.VideoTotalTime = u.total_time;
  if (u.title_index >= 0) a.TitleIndex = v.TitleIndex = u.title_index;
  if (u.chapter_index >= 0) a.ChapterIndex = v.ChapterIndex = u.chapter_index;
  if (u.sample_rate > 0) a.AudioSampleRate = u.sample_rate;
  if (u.lyric_font) {
    a.LyricFont = *u.lyric_font;
    a.LyricColor = u.lyric_color;
  }
  return true;
}

void ProjectDocument::RemoveCells(int first, int count) {
  if (first < 0 || first >= CellCount() || count <= 0) return;
  const int last = std::min(first + count, CellCount());
  audio_.erase(audio_.begin() + first, audio_.begin() + last);
  video_.erase(video_.begin() + first, video_.begin() + last);
  SyncCounts();
}

bool ProjectDocument::MoveCells(int from, int to, int title_index, int count) {
  if (!platform::CanMoveRun(CellCount(), from, to, count)) return false;
  platform::MoveRun(audio_, from, to, count);
  platform::MoveRun(video_, from, to, count);
  // The run now ends right after the pair that was at `to`.
  const int first = to > from ? to - count + 1 : to + 1;
  SetTitleIndex(first, first + count - 1, title_index);
  return true;
}

void ProjectDocument::SetTitleIndex(int first, int last, int title_index) {
  if (first < 0 || last < 0 || first >= CellCount() || last >= CellCount()) return;
  for (int i = first; i <= last; ++i) audio_[i].TitleIndex = video_[i].TitleIndex = title_index;
}

void ProjectDocument::ClearCells() {
  audio_.clear();
  video_.clear();
  SyncCounts();
  header_.TitleCellTotalNum = 0;
  cached_size_mb_ = 0;
}

namespace {
// Sums in 64 bits: times and rates come from files and are not range-checked.
int ClampMB(long long mb) { return static_cast<int>(std::min<long long>(mb, INT_MAX)); }
}  // namespace

int ProjectDocument::EstimateChapterSizeMB(int sample_rate, int seconds) {
  return ClampMB((static_cast<long long>(sample_rate / 1024) * seconds * 4) / 1024 + 4);
}

int ProjectDocument::EstimateProjectSizeMB(int sample_rate) {
  long long total = 0;
  for (const AudioCell& a : audio_) total += EstimateChapterSizeMB(sample_rate, a.AudioTotalTime);
  cached_size_mb_ = ClampMB(total);
  return cached_size_mb_;
}

int ProjectDocument::EstimateTitleSizeMB(int sample_rate, int title_index) const {
  long long total = 0;
  for (const AudioCell& a : audio_)
    if (a.TitleIndex == title_index) total += EstimateChapterSizeMB(sample_rate, a.AudioTotalTime);
  return ClampMB(total);
}

}  // namespace verosa
