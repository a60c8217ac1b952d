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

// What a new chapter gets unless the user chose otherwise: the theme's
// chapter picture and the lyric font and colour of the settings.
struct ChapterDefaults {
  std::string picture_path;
  LogFont lyric_font = LogFont::DefaultLyricFont();
  ColorRef lyric_color = kWhite;
};

// A chapter's files and lyric style as the chapter dialog gives them.
struct ChapterFiles {
  std::string audio_path;
  std::string picture_path;
  std::string lyric_path;  // empty: no lyrics
  LogFont lyric_font = LogFont::DefaultLyricFont();
  ColorRef lyric_color = kWhite;
};

// The Edit page's changes. Each one goes through the tree, the project
// cells and the source list in the same way, so that item i of the source
// list stays the source of chapter i and the tree shows the cells in order.
// Limit refusals come back as negative AddChapterResult values and change
// nothing.
class ChapterEditor {
 public:
  ChapterEditor(ProjectDocument& document, ChapterTree& tree, ChapterSourceList& sources)
      : document_(document), tree_(tree), sources_(sources) {}

  enum class ImportedAudio { Source, Destination };
  struct ImportOutcome {
    int added = 0;
    int refusal = 0;  // the last refusal, 0 when none
  };
  // Turns the source items from `first_item` to the end into the chapters
  // of one new title. A refused item is removed from the source list. With
  // 99 titles nothing can be placed: every new item is removed and the
  // titles refusal returned.
  ImportOutcome FinishImport(int first_item, ImportedAudio audio, int sample_rate,
                             const ChapterDefaults& defaults);

  // Adds a chapter after the selected chapter, or at the end of the
  // selected title, or (nothing selected) in a new title. 0 for a source
  // the list refused, a negative refusal, or 1.
  int AddChapter(const ChapterFiles& files);
  // Points chapter `index` at new files; its length and rate are read from
  // the new audio file.
  bool EditChapter(int index, const ChapterFiles& files);
  // The in-place edit of a chapter row: both paths taken as they are (an
  // empty lyric path clears the lyrics).
  bool SetLyricAndPicture(int index, const std::string& lyric_path,
                          const std::string& picture_path);
  bool SetPicture(int index, const std::string& picture_path);

  // Removes a title with its chapters; the later titles are renumbered.
  bool DeleteTitle(ChapterTreeNode* title);
  // Removes a chapter; its title goes too when `drop_empty_title` and it is
  // left without chapters.
  bool DeleteChapter(ChapterTreeNode* chapter, bool drop_empty_title);
  void RemoveAll();

  // Moves `dragged` (a title's chapters, or one chapter) to `target`: after
  // a target chapter, or to the end of a target title. Refused (false) when
  // the receiving title would hold 100 chapters or more than 2048 MB; a
  // title left without chapters is removed. The moved chapter (the first
  // one of a title) is selected.
  bool Move(ChapterTreeNode* target, ChapterTreeNode* dragged);
  // The selected chapter one row down or up in the list as shown.
  bool MoveDown();
  bool MoveUp();

  // The rate the size limits are estimated at: the project's.
  int EstimateRate() const { return document_.Header().AudioSampleRate; }

 private:
  void MoveRun(int from, int to, int count, int title_index);
  void UpdateRow(int index);

  ProjectDocument& document_;
  ChapterTree& tree_;
  ChapterSourceList& sources_;
};

}  // namespace verosa
