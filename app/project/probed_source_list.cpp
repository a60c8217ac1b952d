#include "project/probed_source_list.h"

#include "core/media_info.h"
#include "platform/move_run.h"

namespace verosa {

int ProbedSourceList::AddFile(const char* path, int after) {
  if (!path || !HasAudioStream(path)) return 0;
  const int count = GetItemCount();
  const int at = after >= 0 && after + 1 < count ? after + 1 : count;
  paths_.insert(paths_.begin() + at, path);
  return 1;
}

void ProbedSourceList::RemoveItems(int index, int count) {
  const int n = GetItemCount();
  if (index < 0 || index >= n || count <= 0) return;
  paths_.erase(paths_.begin() + index, paths_.begin() + std::min(index + count, n));
}

int ProbedSourceList::MoveItems(int from, int to, int count) {
  return platform::MoveRun(paths_, from, to, count) ? 1 : 0;
}

void ProbedSourceList::SetItemName(int index, const char* path) {
  if (path && index >= 0 && index < GetItemCount()) paths_[index] = path;
}

std::string ProbedSourceList::GetItemName(int index) {
  return index >= 0 && index < GetItemCount() ? paths_[index] : std::string();
}

std::string ProbedSourceList::GetItemDuration(int index) {
  return index >= 0 && index < GetItemCount()
             ? FormatDurationText(GetMediaDurationSeconds(paths_[index]))
             : std::string();
}

}  // namespace verosa
