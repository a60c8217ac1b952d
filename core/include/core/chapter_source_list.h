// The list of audio sources behind the chapters: item i is the source of
// chapter i. The conversion library implements it over its control
// (carrowell::ConversionSourceList), the command-line tool without one
// (verosa::ProbedSourceList); the project model only needs to register and
// drop sources.
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
};

}  // namespace verosa
