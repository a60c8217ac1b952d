// Changes that go through both views of the chapters (the ProjectDocument
// cells and the ChapterTree) and the source list together.
#pragma once

#include <string>

#include "core/chapter_source_list.h"
#include "project/chapter_tree.h"
#include "project/project_document.h"

namespace verosa {

struct NewChapter {
  std::string audio_path;
  std::string play_time;     // "HH:MM:SS"
  std::string lyric_path;
  std::string picture_path;
  int sample_rate = 0;       // 0: probed from the audio file
  LogFont lyric_font = LogFont::DefaultLyricFont();
  ColorRef lyric_color = kWhite;
  TitleChoice title = TitleChoice::Selected;
};

// Adds one chapter under the tree's selection within the limits (99 titles,
// 99 chapters a title, 2048 MB a title at `estimate_rate` Hz). Returns the
// title index, or a negative refusal that leaves everything unchanged.
int AddOneChapter(ProjectDocument& document, ChapterTree& tree, const NewChapter& chapter,
                  int estimate_rate);

struct RebuildResult {
  bool all_added = true;
  int chapters = 0;
  std::vector<std::string> refused;  // audio paths the source list or the limits refused
};

// Rebuilds the tree of a freshly opened project and registers every audio
// path with the source list; refused chapters are removed from the cells.
RebuildResult RebuildChapterTree(ProjectDocument& document, ChapterTree& tree,
                                 ChapterSourceList& sources);

// The Edit page's totals line.
std::string TotalsText(int size_mb, int titles, int chapters);

}  // namespace verosa
