// Titles and chapters as a tree for display and editing: a root ("Music DVD")
// whose children are titles, whose children are chapters. The tree keeps the
// selected row and each title's expanded flag; it holds no widgets.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace verosa {

class ProjectDocument;

enum AddChapterResult : int {
  TooManyTitles = -1,
  TooManyChapters = -2,
  TitleTooLarge = -3,
};

inline constexpr int kMaxTitles = 99;
inline constexpr int kMaxChaptersPerTitle = 99;
inline constexpr int kMaxTitleSizeMB = 2048;

// The message shown for a refused chapter; empty for a non-negative result.
const char* AddChapterRefusalText(int result);

struct ChapterTreeNode {
  enum class Kind { Root, Title, Chapter };
  enum Column { PlayTime = 0, LyricFile = 1, BackgroundPicture = 2, AudioFile = 3 };

  Kind kind = Kind::Root;
  std::string name;                    // "Title %d", or the music title of a chapter
  std::array<std::string, 4> columns;  // chapter rows only
  bool expanded = true;
  ChapterTreeNode* parent = nullptr;
  std::vector<std::unique_ptr<ChapterTreeNode>> children;

  bool IsTitle() const { return kind == Kind::Title; }
  bool IsChapter() const { return kind == Kind::Chapter; }
};

// The texts of a chapter row.
struct ChapterRow {
  std::string music_title;
  std::string play_time;  // "HH:MM:SS"
  std::string lyric_path;
  std::string picture_path;
  std::string audio_path;
};

enum class TitleChoice { Selected, ForceNew };

class ChapterTree {
 public:
  explicit ChapterTree(ProjectDocument& document);

  static constexpr const char* kRootCaption = "Music DVD";

  // Places a chapter under the selected node (a new title for the root or
  // when forced; after the selected chapter; at the end of a selected title)
  // and selects it. Returns the 0-based title index or a refusal. The size
  // check covers the title's existing chapters at `estimate_rate` Hz.
  int AddChapter(const ChapterRow& row, TitleChoice choice, int estimate_rate);
  // Appends "Title %d" and selects it; false when 99 titles exist.
  bool AddTitle();
  // Renames titles "Title 1".. in order, stamps their cell runs with the
  // title index and sets TitleCellTotalNum.
  void RenumberTitles();

  void Clear();
  // Removes a title or chapter node with its subtree (not the root).
  void RemoveNode(ChapterTreeNode* node);

  ChapterTreeNode& Root() { return root_; }
  const ChapterTreeNode& Root() const { return root_; }
  int TitleCount() const { return static_cast<int>(root_.children.size()); }
  ChapterTreeNode* Title(int index);
  int ChapterCount(int title_index) const;
  int TotalChapters() const;

  void Select(ChapterTreeNode* node) { selected_ = node; }
  ChapterTreeNode* Selected() const { return selected_; }
  bool SelectionIsTitle() const { return selected_ && selected_->IsTitle(); }
  bool SelectionIsChapter() const { return selected_ && selected_->IsChapter(); }

  // Title index of a title or chapter node, -1 for the root or null.
  int TitleIndexOf(const ChapterTreeNode* node) const;
  // Flat cell index of a chapter node, -1 for anything else.
  int FlatIndexOf(const ChapterTreeNode* node) const;
  int SelectedFlatIndex() const { return FlatIndexOf(selected_); }
  // First flat index of a title's chapters (where they would start when empty).
  int FirstFlatIndexOfTitle(int title_index) const;
  ChapterTreeNode* ChapterAt(int flat_index);

  // Visible rows in list order: the root, each title and its chapters while expanded.
  std::vector<const ChapterTreeNode*> Rows() const;

 private:
  ProjectDocument& document_;
  ChapterTreeNode root_;
  ChapterTreeNode* selected_ = nullptr;
};

std::string TitleName(int number);

}  // namespace verosa
