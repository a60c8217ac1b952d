#include "project/chapter_tree.h"

#include <algorithm>

#include "project/project_document.h"

namespace verosa {

const char* AddChapterRefusalText(int result) {
  switch (result) {
    case TooManyTitles: return "The amount of the titles can not exceed 99!";
    case TooManyChapters: return "The amount of the chapter under each title can not exceed 99!";
    case TitleTooLarge: return "The size of each title can not exceed 2048MB!";
    default: return "";
  }
}

std::string TitleName(int number) { return "Title " + std::to_string(number); }

ChapterTree::ChapterTree(ProjectDocument& document) : document_(document) {
  root_.kind = ChapterTreeNode::Kind::Root;
  root_.name = kRootCaption;
}

bool ChapterTree::AddTitle() {
  if (TitleCount() >= kMaxTitles) return false;
  auto title = std::make_unique<ChapterTreeNode>();
  title->kind = ChapterTreeNode::Kind::Title;
  title->name = TitleName(TitleCount() + 1);
  title->parent = &root_;
  selected_ = title.get();
  root_.children.push_back(std::move(title));
  document_.SetTitleCellTotalNum(TitleCount());
  return true;
}

int ChapterTree::AddChapter(const ChapterRow& row, TitleChoice choice, int estimate_rate) {
  ChapterTreeNode* node = selected_;
  if (!node || choice == TitleChoice::ForceNew) node = &root_;

  ChapterTreeNode* title = nullptr;
  std::size_t insert_at = 0;
  if (node->kind == ChapterTreeNode::Kind::Root) {
    if (TitleCount() >= kMaxTitles) return TooManyTitles;
    AddTitle();
    title = root_.children.back().get();
    insert_at = 0;
  } else if (node->IsChapter()) {
    title = node->parent;
    const auto& siblings = title->children;
    const auto it = std::find_if(siblings.begin(), siblings.end(),
                                 [node](const auto& c) { return c.get() == node; });
    insert_at = static_cast<std::size_t>(it - siblings.begin()) + 1;
  } else {
    title = node;
    insert_at = title->children.size();
  }

  const int title_index = TitleIndexOf(title);
  if (static_cast<int>(title->children.size()) >= kMaxChaptersPerTitle) return TooManyChapters;
  if (document_.EstimateTitleSizeMB(estimate_rate, title_index) > kMaxTitleSizeMB)
    return TitleTooLarge;

  auto chapter = std::make_unique<ChapterTreeNode>();
  chapter->kind = ChapterTreeNode::Kind::Chapter;
  chapter->name = row.music_title;
  chapter->columns = {row.play_time, row.lyric_path, row.picture_path, row.audio_path};
  chapter->parent = title;
  selected_ = chapter.get();
  title->children.insert(title->children.begin() + static_cast<std::ptrdiff_t>(insert_at),
                         std::move(chapter));
  title->expanded = true;
  return title_index;
}

void ChapterTree::RenumberTitles() {
  int first = 0;
  for (int i = 0; i < TitleCount(); ++i) {
    ChapterTreeNode& title = *root_.children[i];
    title.name = TitleName(i + 1);
    const int count = static_cast<int>(title.children.size());
    if (count > 0) document_.SetTitleIndex(first, first + count - 1, i);
    first += count;
  }
  document_.SetTitleCellTotalNum(TitleCount());
}

void ChapterTree::Clear() {
  root_.children.clear();
  selected_ = nullptr;
}

void ChapterTree::RemoveNode(ChapterTreeNode* node) {
  if (!node || !node->parent) return;
  // Selection inside the removed subtree falls back to the parent.
  for (const ChapterTreeNode* s = selected_; s; s = s->parent)
    if (s == node) {
      selected_ = node->parent == &root_ ? nullptr : node->parent;
      break;
    }
  auto& siblings = node->parent->children;
  std::erase_if(siblings, [node](const auto& c) { return c.get() == node; });
}

ChapterTreeNode* ChapterTree::Title(int index) {
  return index >= 0 && index < TitleCount() ? root_.children[index].get() : nullptr;
}

int ChapterTree::ChapterCount(int title_index) const {
  return title_index >= 0 && title_index < TitleCount()
             ? static_cast<int>(root_.children[title_index]->children.size())
             : 0;
}

int ChapterTree::TotalChapters() const {
  int total = 0;
  for (const auto& title : root_.children) total += static_cast<int>(title->children.size());
  return total;
}

int ChapterTree::TitleIndexOf(const ChapterTreeNode* node) const {
  if (!node) return -1;
  if (node->IsChapter()) node = node->parent;
  for (int i = 0; i < TitleCount(); ++i)
    if (root_.children[i].get() == node) return i;
  return -1;
}

int ChapterTree::FirstFlatIndexOfTitle(int title_index) const {
  int flat = 0;
  for (int i = 0; i < title_index && i < TitleCount(); ++i)
    flat += static_cast<int>(root_.children[i]->children.size());
  return flat;
}

int ChapterTree::FlatIndexOf(const ChapterTreeNode* node) const {
  if (!node || !node->IsChapter()) return -1;
  const int title = TitleIndexOf(node);
  if (title < 0) return -1;
  const auto& chapters = root_.children[title]->children;
  for (std::size_t i = 0; i < chapters.size(); ++i)
    if (chapters[i].get() == node) return FirstFlatIndexOfTitle(title) + static_cast<int>(i);
  return -1;
}

ChapterTreeNode* ChapterTree::ChapterAt(int flat_index) {
  if (flat_index < 0) return nullptr;
  for (auto& title : root_.children) {
    const int count = static_cast<int>(title->children.size());
    if (flat_index < count) return title->children[flat_index].get();
    flat_index -= count;
  }
  return nullptr;
}

std::vector<const ChapterTreeNode*> ChapterTree::Rows() const {
  std::vector<const ChapterTreeNode*> rows{&root_};
  for (const auto& title : root_.children) {
    rows.push_back(title.get());
    if (title->expanded)
      for (const auto& chapter : title->children) rows.push_back(chapter.get());
  }
  return rows;
}

}  // namespace verosa
