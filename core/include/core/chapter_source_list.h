// The list of audio sources behind the chapters: item i is the source of
// chapter i. The conversion library implements it over its control
// (carrowell::ConversionSourceList), the command-line tool without one
// (verosa::ProbedSourceList); the project model only needs to register and
// drop sources. AddFile(path, index - 1) inserts at `index`.
#pragma once

#include <string>

namespace verosa {

class ChapterSourceList {
 public:
  virtual ~ChapterSourceList() = default;
  virtual int GetItemCount() = 0;
  // Adds a media file after item `after` (-1 appends). 1 when accepted.
  virtual int AddFile(const char* path, int after) = 0;
  virtual void RemoveItems(int index, int count) = 0;
  // Moves `count` items from `from` to stand right after the item that was
  // at `to`, as the project cells move. 1 when moved.
  virtual int MoveItems(int from, int to, int count) = 0;
  // Points item `index` at another file (a chapter's edited audio).
  virtual void SetItemName(int index, const char* path) = 0;
  // The file of item `index`, its length as "HH:MM:SS" and the file it is
  // converted into; empty for an unknown index.
  virtual std::string GetItemName(int index) = 0;
  virtual std::string GetItemDuration(int index) = 0;
  virtual std::string GetItemDestination(int index) = 0;

  // Adds a media file so that it becomes item `index` (past the end: the
  // last item). 1 when accepted.
  int InsertFile(const char* path, int index) {
    const int count = GetItemCount();
    if (index > 0 || count == 0) return AddFile(path, (index < count ? index : count) - 1);
    if (AddFile(path, -1) != 1) return 0;
    MoveItems(0, count, count);  // the earlier items go after the new one
    return 1;
  }
};

}  // namespace verosa
