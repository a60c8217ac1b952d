#include "project/chapter_editing.h"

#include <algorithm>
#include <cstdio>

#include "core/media_info.h"
#include "platform/move_run.h"

namespace verosa {

int AddOneChapter(ProjectDocument& document, ChapterTree& tree, const NewChapter& chapter,
                  int estimate_rate) {
  ChapterRow row;
  row.music_title = FileNamePart(chapter.audio_path);
  row.play_time = chapter.play_time;
  row.lyric_path = chapter.lyric_path;
  row.picture_path = chapter.picture_path;
  row.audio_path = chapter.audio_path;
  const int title_index = tree.AddChapter(row, chapter.title, estimate_rate);
  if (title_index < 0) return title_index;

  if (document.TitleCellTotalNum() < title_index + 1) document.SetTitleCellTotalNum(title_index + 1);

  int sample_rate = chapter.sample_rate;
  if (sample_rate == 0) {
    WaveFormat format{};
    if (GetPcmWaveFormat(format, chapter.audio_path))
      sample_rate = static_cast<int>(format.samples_per_sec);
  }
  const int seconds = PlayTimeSeconds(chapter.play_time);

  AudioCell audio;
  audio.AudioFilePath = chapter.audio_path;
  audio.TitleIndex = title_index;
  audio.AudioTotalTime = seconds;
  audio.AudioSampleRate = sample_rate;
  audio.LyricFilePath = chapter.lyric_path;
  audio.LyricFont = chapter.lyric_font;
  audio.LyricColor = chapter.lyric_color;

  VideoCell video;
  video.VideoFilePath = chapter.picture_path;
  video.TitleIndex = title_index;
  video.VideoTotalTime = seconds;

  // The new node's place in the tree is its place in the cell arrays.
  document.InsertCells(tree.SelectedFlatIndex(), audio, video);
  return title_index;
}

RebuildResult RebuildChapterTree(ProjectDocument& document, ChapterTree& tree,
                                 ChapterSourceList& sources) {
  RebuildResult result;
  tree.Clear();
  int c = 0;
  while (c < document.CellCount()) {
    const AudioCell audio = *document.GetAudioCell(c);
    const VideoCell video = *document.GetVideoCell(c);

    // Titles up to the cell's title index; a gap gives empty titles. Titles
    // are only appended, so a chapter always joins the last one and the
    // tree keeps the order of the cells.
    const int wanted = std::max(audio.TitleIndex, 0);
    while (wanted + 1 > tree.TitleCount())
      if (!tree.AddTitle()) break;
    if (tree.TitleCount() == 0) tree.AddTitle();
    ChapterTreeNode* title = tree.Title(tree.TitleCount() - 1);
    tree.Select(title);

    ChapterRow row;
    row.music_title = FileNamePart(audio.AudioFilePath);
    row.play_time = FormatDurationText(audio.AudioTotalTime);
    row.lyric_path = audio.LyricFilePath;
    row.picture_path = video.VideoFilePath;
    row.audio_path = audio.AudioFilePath;

    const int item = sources.GetItemCount();
    bool accepted = title && sources.AddFile(audio.AudioFilePath.c_str(), -1) == 1;
    // A loaded chapter is kept whatever the size estimate says (rate 0);
    // only the chapter count of a title limits it.
    if (accepted && tree.AddChapter(row, TitleChoice::Selected, 0) < 0) {
      sources.RemoveItems(item, 1);
      accepted = false;
    }
    if (!accepted) {
      result.refused.push_back(audio.AudioFilePath);
      document.RemoveCells(c, 1);
      continue;
    }
    // Cells follow the title they were placed in.
    document.SetTitleIndex(c, c, tree.TitleIndexOf(title));
    ++c;
  }
  result.all_added = result.refused.empty();
  result.chapters = tree.TotalChapters();
  document.SetTitleCellTotalNum(tree.TitleCount());
  document.Header().AudioCellTotalNum = document.CellCount();
  document.Header().VideoCellTotalNum = document.CellCount();
  return result;
}

std::string TotalsText(int size_mb, int titles, int chapters) {
  char text[160];
  std::snprintf(text, sizeof text, "Total Sizes: %dMB, Total Titles: %d, Total Chapters: %d.",
                size_mb, titles, chapters);
  return std::string(text) + " Each chapter has one background picture.";
}

// ------------------------------------------------------------ ChapterEditor

namespace {

int ProbedRate(const std::string& audio_path) {
  WaveFormat format{};
  return GetPcmWaveFormat(format, audio_path) ? static_cast<int>(format.samples_per_sec) : 0;
}

// The index of `node` among its parent's children.
std::size_t ChildIndex(const ChapterTreeNode& node) {
  const auto& siblings = node.parent->children;
  const auto it = std::find_if(siblings.begin(), siblings.end(),
                               [&node](const auto& c) { return c.get() == &node; });
  return static_cast<std::size_t>(it - siblings.begin());
}

}  // namespace

ChapterEditor::ImportOutcome ChapterEditor::FinishImport(int first_item, ImportedAudio audio,
                                                         int sample_rate,
                                                         const ChapterDefaults& defaults) {
  ImportOutcome outcome;
  if (sources_.GetItemCount() <= first_item) return outcome;
  if (!tree_.AddTitle()) {
    // No title to put them in: dropping the items keeps the lists in step.
    sources_.RemoveItems(first_item, sources_.GetItemCount() - first_item);
    outcome.refusal = TooManyTitles;
    return outcome;
  }
  for (int i = first_item; i < sources_.GetItemCount();) {
    NewChapter chapter;
    chapter.audio_path =
        audio == ImportedAudio::Source ? sources_.GetItemName(i) : sources_.GetItemDestination(i);
    chapter.play_time = sources_.GetItemDuration(i);
    chapter.picture_path = defaults.picture_path;
    chapter.lyric_font = defaults.lyric_font;
    chapter.lyric_color = defaults.lyric_color;
    chapter.sample_rate = sample_rate;
    const int result = AddOneChapter(document_, tree_, chapter, EstimateRate());
    if (result < 0) {
      sources_.RemoveItems(i, 1);
      outcome.refusal = result;
      continue;
    }
    outcome.refusal = 0;
    ++outcome.added;
    ++i;
  }
  return outcome;
}

int ChapterEditor::AddChapter(const ChapterFiles& files) {
  ChapterTreeNode* selected = tree_.Selected();
  if (!selected || selected->kind == ChapterTreeNode::Kind::Root) {
    if (!tree_.AddTitle()) return TooManyTitles;
    selected = tree_.Selected();
  }
  // The new chapter's place in the flat order.
  int index = 0;
  if (selected->IsChapter()) {
    index = tree_.FlatIndexOf(selected) + 1;
  } else {
    const int title = tree_.TitleIndexOf(selected);
    index = tree_.FirstFlatIndexOfTitle(title) + tree_.ChapterCount(title);
  }
  if (sources_.InsertFile(files.audio_path.c_str(), index) != 1) return 0;

  NewChapter chapter;
  chapter.audio_path = files.audio_path;
  chapter.play_time = sources_.GetItemDuration(index);
  chapter.lyric_path = files.lyric_path;
  chapter.picture_path = files.picture_path;
  chapter.lyric_font = files.lyric_font;
  chapter.lyric_color = files.lyric_color;
  const int result = AddOneChapter(document_, tree_, chapter, EstimateRate());
  if (result < 0) {
    sources_.RemoveItems(index, 1);
    return result;
  }
  return 1;
}

void ChapterEditor::UpdateRow(int index) {
  ChapterTreeNode* node = tree_.ChapterAt(index);
  const AudioCell* audio = document_.GetAudioCell(index);
  const VideoCell* video = document_.GetVideoCell(index);
  if (!node || !audio || !video) return;
  node->name = FileNamePart(audio->AudioFilePath);
  node->columns = {FormatDurationText(audio->AudioTotalTime), audio->LyricFilePath,
                   video->VideoFilePath, audio->AudioFilePath};
}

bool ChapterEditor::EditChapter(int index, const ChapterFiles& files) {
  if (!tree_.ChapterAt(index) || !document_.GetAudioCell(index)) return false;
  sources_.SetItemName(index, files.audio_path.c_str());
  CellUpdate update;
  update.audio_path = files.audio_path;
  update.picture_path = files.picture_path;
  update.lyric_path = files.lyric_path;
  update.clear_lyric = true;
  update.total_time = PlayTimeSeconds(sources_.GetItemDuration(index));
  update.sample_rate = ProbedRate(files.audio_path);
  update.lyric_font = files.lyric_font;
  update.lyric_color = files.lyric_color;
  document_.UpdateCells(index, update);
  UpdateRow(index);
  return true;
}

bool ChapterEditor::SetLyricAndPicture(int index, const std::string& lyric_path,
                                       const std::string& picture_path) {
  CellUpdate update;
  update.lyric_path = lyric_path;
  update.clear_lyric = true;
  update.picture_path = picture_path;
  if (!tree_.ChapterAt(index) || !document_.UpdateCells(index, update)) return false;
  UpdateRow(index);
  return true;
}

bool ChapterEditor::SetPicture(int index, const std::string& picture_path) {
  CellUpdate update;
  update.picture_path = picture_path;
  if (!tree_.ChapterAt(index) || !document_.UpdateCells(index, update)) return false;
  UpdateRow(index);
  return true;
}

bool ChapterEditor::DeleteTitle(ChapterTreeNode* title) {
  const int title_index = tree_.TitleIndexOf(title);
  if (!title || !title->IsTitle() || title_index < 0) return false;
  const int first = tree_.FirstFlatIndexOfTitle(title_index);
  const int count = tree_.ChapterCount(title_index);
  if (count > 0) {
    document_.RemoveCells(first, count);
    sources_.RemoveItems(first, count);
  }
  tree_.RemoveNode(title);
  tree_.RenumberTitles();
  return true;
}

bool ChapterEditor::DeleteChapter(ChapterTreeNode* chapter, bool drop_empty_title) {
  const int index = tree_.FlatIndexOf(chapter);
  if (index < 0) return false;
  document_.RemoveCells(index, 1);
  sources_.RemoveItems(index, 1);
  ChapterTreeNode* title = chapter->parent;
  tree_.RemoveNode(chapter);
  if (drop_empty_title && title->children.empty()) tree_.RemoveNode(title);
  tree_.RenumberTitles();
  return true;
}

void ChapterEditor::RemoveAll() {
  tree_.Clear();
  document_.ClearCells();
  document_.SetTitleCellTotalNum(0);
  sources_.RemoveItems(0, sources_.GetItemCount());
}

void ChapterEditor::MoveRun(int from, int to, int count, int title_index) {
  // Already in place: the run follows `to`, or `to` is its own last entry.
  if (to >= from - 1 && to < from + count) {
    document_.SetTitleIndex(from, from + count - 1, title_index);
    return;
  }
  if (to < 0) {
    // To the front: everything before the run goes after it.
    document_.MoveCells(0, from + count - 1, title_index, from);
    sources_.MoveItems(0, from + count - 1, from);
    document_.SetTitleIndex(0, count - 1, title_index);
    return;
  }
  document_.MoveCells(from, to, title_index, count);
  sources_.MoveItems(from, to, count);
}

bool ChapterEditor::Move(ChapterTreeNode* target, ChapterTreeNode* dragged) {
  if (!target || !dragged || target == dragged) return false;
  if (target->kind == ChapterTreeNode::Kind::Root || dragged->kind == ChapterTreeNode::Kind::Root)
    return false;
  if (dragged->IsChapter() && target == dragged->parent) return false;
  if (dragged->IsTitle() && target->parent == dragged) return false;

  ChapterTreeNode* receiving = target->IsTitle() ? target : target->parent;
  ChapterTreeNode* source_title = dragged->IsTitle() ? dragged : dragged->parent;
  const int receiving_index = tree_.TitleIndexOf(receiving);
  const int from = dragged->IsTitle() ? tree_.FirstFlatIndexOfTitle(tree_.TitleIndexOf(dragged))
                                      : tree_.FlatIndexOf(dragged);
  const int count = dragged->IsTitle() ? static_cast<int>(dragged->children.size()) : 1;
  if (count == 0) return false;

  const int rate = EstimateRate();
  const int receiving_mb = document_.EstimateTitleSizeMB(rate, receiving_index);
  if (receiving == source_title) {
    if (receiving_mb > kMaxTitleSizeMB) return false;
  } else {
    if (static_cast<int>(receiving->children.size()) + count > kMaxChaptersPerTitle) return false;
    int moved_mb = 0;
    for (int i = from; i < from + count; ++i)
      moved_mb += ProjectDocument::EstimateChapterSizeMB(rate,
                                                         document_.GetAudioCell(i)->AudioTotalTime);
    if (receiving_mb + moved_mb > kMaxTitleSizeMB) return false;
  }

  const int to = target->IsChapter()
                     ? tree_.FlatIndexOf(target)
                     : tree_.FirstFlatIndexOfTitle(receiving_index) +
                           static_cast<int>(receiving->children.size()) - 1;
  MoveRun(from, to, count, receiving_index);

  // The same move in the tree.
  std::vector<std::unique_ptr<ChapterTreeNode>> moved;
  if (dragged->IsTitle()) {
    moved = std::move(dragged->children);
    dragged->children.clear();
  } else {
    auto& siblings = source_title->children;
    const std::size_t at = ChildIndex(*dragged);
    moved.push_back(std::move(siblings[at]));
    siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(at));
  }
  const std::size_t insert_at = target->IsChapter() ? ChildIndex(*target) + 1
                                                    : receiving->children.size();
  ChapterTreeNode* first_moved = moved.front().get();
  for (auto& node : moved) node->parent = receiving;
  receiving->children.insert(receiving->children.begin() + static_cast<std::ptrdiff_t>(insert_at),
                             std::make_move_iterator(moved.begin()),
                             std::make_move_iterator(moved.end()));
  receiving->expanded = true;
  if (source_title != receiving && source_title->children.empty()) tree_.RemoveNode(source_title);
  tree_.Select(first_moved);
  tree_.RenumberTitles();
  return true;
}

bool ChapterEditor::MoveDown() {
  const auto rows = tree_.Rows();
  const auto it = std::find(rows.begin(), rows.end(), tree_.Selected());
  if (it == rows.end() || !(*it)->IsChapter() || it + 1 == rows.end() || !(*(it + 1))->IsChapter())
    return false;
  return Move(const_cast<ChapterTreeNode*>(*(it + 1)), tree_.Selected());
}

bool ChapterEditor::MoveUp() {
  const auto rows = tree_.Rows();
  const auto it = std::find(rows.begin(), rows.end(), tree_.Selected());
  if (it == rows.end() || !(*it)->IsChapter() || it - rows.begin() < 2 || !(*(it - 2))->IsChapter())
    return false;
  return Move(const_cast<ChapterTreeNode*>(*(it - 2)), tree_.Selected());
}

}  // namespace verosa
