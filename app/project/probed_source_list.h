// A chapter source list that accepts files with an audio stream and keeps
// their paths. Used where no conversion control is at hand.
#pragma once

#include <string>
#include <vector>

#include "core/chapter_source_list.h"

namespace verosa {

class ProbedSourceList : public ChapterSourceList {
 public:
  int GetItemCount() override { return static_cast<int>(paths_.size()); }
  int AddFile(const char* path, int after) override;
  void RemoveItems(int index, int count) override;
  int MoveItems(int from, int to, int count) override;
  void SetItemName(int index, const char* path) override;
  std::string GetItemName(int index) override;
  std::string GetItemDuration(int index) override;
  std::string GetItemDestination(int index) override { return GetItemName(index); }
  const std::vector<std::string>& Paths() const { return paths_; }

 private:
  std::vector<std::string> paths_;
};

}  // namespace verosa
