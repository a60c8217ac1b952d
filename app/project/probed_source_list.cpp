#include "project/probed_source_list.h"

#include "core/media_info.h"

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

}  // namespace verosa
