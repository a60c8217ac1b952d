// The Edit page's changes through ChapterEditor: after every command the
// tree, the project cells and the source items must name the same files in
// the same order, with the cells stamped by the title the tree shows.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/move_run.h"
#include "project/chapter_editing.h"
#include "project/chapter_tree.h"
#include "project/project_document.h"

namespace {
using namespace verosa;

// A source list that keeps paths and lengths; `refuse` names files it will
// not take.
class Sources : public ChapterSourceList {
 public:
  int GetItemCount() override { return static_cast<int>(items.size()); }
  int AddFile(const char* path, int after) override {
    if (refuse == path) return 0;
    const int n = GetItemCount();
    items.insert(items.begin() + (after >= 0 && after + 1 < n ? after + 1 : n), path);
    return 1;
  }
  void RemoveItems(int index, int count) override {
    if (index < 0 || index >= GetItemCount() || count <= 0) return;
    items.erase(items.begin() + index, items.begin() + std::min(index + count, GetItemCount()));
  }
  int MoveItems(int from, int to, int count) override {
    return platform::MoveRun(items, from, to, count) ? 1 : 0;
  }
  void SetItemName(int index, const char* path) override { items.at(index) = path; }
  std::string GetItemName(int index) override { return items.at(index); }
  std::string GetItemDuration(int) override { return "00:01:00"; }  // 14 MB at 48 kHz
  std::string GetItemDestination(int index) override { return items.at(index) + ".wav"; }

  std::vector<std::string> items;
  std::string refuse;
};

class Editor : public ::testing::Test {
 public:
  Editor() { doc.Header().AudioSampleRate = 48000; }

  // Titles of `sizes` chapters named "t<title>c<chapter>", built by imports.
  void Build(std::vector<int> sizes) {
    for (std::size_t t = 0; t < sizes.size(); ++t) {
      const int first = sources.GetItemCount();
      for (int c = 0; c < sizes[t]; ++c)
        sources.AddFile(("t" + std::to_string(t + 1) + "c" + std::to_string(c + 1)).c_str(), -1);
      ASSERT_EQ(editor.FinishImport(first, ChapterEditor::ImportedAudio::Source, 0, {}).added,
                sizes[t]);
    }
  }

  // The three lists agree; returns the chapter counts per title.
  std::vector<int> Shape() {
    std::vector<int> shape;
    std::vector<std::string> from_tree;
    for (int t = 0; t < tree.TitleCount(); ++t) {
      const ChapterTreeNode& title = *tree.Title(t);
      EXPECT_EQ(title.name, TitleName(t + 1));
      shape.push_back(static_cast<int>(title.children.size()));
      for (const auto& chapter : title.children) {
        from_tree.push_back(chapter->columns[ChapterTreeNode::AudioFile]);
        const int flat = static_cast<int>(from_tree.size()) - 1;
        EXPECT_EQ(doc.GetAudioCell(flat)->TitleIndex, t) << "cell " << flat;
        EXPECT_EQ(doc.GetVideoCell(flat)->TitleIndex, t) << "cell " << flat;
      }
    }
    std::vector<std::string> from_cells;
    for (const AudioCell& cell : doc.AudioCells()) from_cells.push_back(cell.AudioFilePath);
    EXPECT_EQ(from_tree, from_cells);
    EXPECT_EQ(from_cells, sources.items);
    EXPECT_EQ(doc.TitleCellTotalNum(), tree.TitleCount());
    return shape;
  }

  ChapterTreeNode* ChapterNode(int title, int chapter) {
    return tree.Title(title)->children.at(static_cast<std::size_t>(chapter)).get();
  }

  ProjectDocument doc;
  ChapterTree tree{doc};
  Sources sources;
  ChapterEditor editor{doc, tree, sources};
};

TEST_F(Editor, ImportsMakeOneTitleWithinTheLimits) {
  // 120 files: the first 99 become chapters, the rest leave the source list,
  // and the last result is the chapter-count refusal.
  for (int i = 0; i < 120; ++i) sources.AddFile(("song" + std::to_string(i)).c_str(), -1);
  const auto outcome = editor.FinishImport(0, ChapterEditor::ImportedAudio::Source, 0, {});
  EXPECT_EQ(outcome.added, 99);
  EXPECT_EQ(outcome.refusal, TooManyChapters);
  EXPECT_EQ(Shape(), std::vector<int>{99});
  EXPECT_EQ(sources.items.back(), "song98");

  // With 99 titles an import cannot place anything: the new items go again
  // and the lists stay in step.
  ProjectDocument full;
  ChapterTree full_tree{full};
  Sources full_sources;
  ChapterEditor full_editor{full, full_tree, full_sources};
  for (int t = 0; t < kMaxTitles; ++t) ASSERT_TRUE(full_tree.AddTitle());
  full_sources.AddFile("late.mp3", -1);
  EXPECT_EQ(full_editor.FinishImport(0, ChapterEditor::ImportedAudio::Source, 0, {}).refusal,
            TooManyTitles);
  EXPECT_TRUE(full_sources.items.empty());
  EXPECT_EQ(full.CellCount(), 0);

  // CD and recorder imports take the converted file.
  Sources& s = sources;
  const int first = s.GetItemCount();
  s.AddFile("track01", -1);
  tree.Select(nullptr);
  editor.FinishImport(first, ChapterEditor::ImportedAudio::Destination, 44100, {});
  EXPECT_EQ(doc.AudioCells().back().AudioFilePath, "track01.wav");
  EXPECT_EQ(doc.AudioCells().back().AudioSampleRate, 44100);
}

TEST_F(Editor, MovesFollowTheFourCasesAndTheLimits) {
  struct Case {
    const char* what;
    std::vector<int> titles;
    std::function<ChapterTreeNode*(Editor&)> target, dragged;
    bool moved;
    std::vector<int> shape_after;
  };
  auto title = [](int t) { return [t](Editor& e) { return e.tree.Title(t); }; };
  auto chapter = [](int t, int c) { return [t, c](Editor& e) { return e.ChapterNode(t, c); }; };
  const std::vector<Case> cases = {
      {"60 onto 40 would hold 100", {60, 40}, title(1), title(0), false, {60, 40}},
      {"60 onto 39 merge into 99, later titles renumbered", {1, 60, 39, 2}, title(2), title(1),
       true, {1, 99, 2}},
      {"chapter onto title goes to its end", {2, 2}, title(1), chapter(0, 0), true, {1, 3}},
      {"title onto chapter joins that chapter's title", {1, 2}, chapter(1, 0), title(0), true, {3}},
      {"chapter onto chapter follows it, across titles", {3, 3}, chapter(0, 0), chapter(1, 2),
       true, {4, 2}},
      {"chapter onto its own title does nothing", {3}, title(0), chapter(0, 1), false, {3}},
      {"title onto its own chapter does nothing", {3}, chapter(0, 1), title(0), false, {3}},
      {"into an empty first title", {0, 2}, title(0), chapter(1, 1), true, {1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Editor& self = *this;
    // Each case starts from its own titles, built through the editor.
    doc.ClearCells();
    tree.Clear();
    sources.items.clear();
    for (int size : c.titles) {
      if (size == 0) {
        tree.AddTitle();
        continue;
      }
      Build({size});
    }
    ChapterTreeNode* dragged = c.dragged(self);
    const std::string first_moved = dragged->IsChapter()
                                        ? dragged->columns[ChapterTreeNode::AudioFile]
                                        : dragged->children.front()->columns[ChapterTreeNode::AudioFile];
    EXPECT_EQ(editor.Move(c.target(self), dragged), c.moved);
    EXPECT_EQ(Shape(), c.shape_after);
    if (c.moved) {
      ASSERT_TRUE(tree.SelectionIsChapter());
      EXPECT_EQ(tree.Selected()->columns[ChapterTreeNode::AudioFile], first_moved);
    }
  }

  // A title at more than 2048 MB refuses any chapter from elsewhere, and a
  // move inside it.
  doc.ClearCells();
  tree.Clear();
  sources.items.clear();
  Build({2, 1});
  CellUpdate huge;
  huge.total_time = 4 * 3600;  // 2591 MB at 48 kHz
  doc.UpdateCells(0, huge);
  EXPECT_FALSE(editor.Move(tree.Title(0), ChapterNode(1, 0)));
  EXPECT_FALSE(editor.Move(ChapterNode(0, 1), ChapterNode(0, 0)));
  EXPECT_EQ(Shape(), (std::vector<int>{2, 1}));
}

TEST_F(Editor, MoveUpAndDownWalkTheVisibleRows) {
  Build({2, 1, 2});
  // The first chapter of a title moves to the end of the title above; the
  // title left empty goes and the later ones are renumbered.
  tree.Select(ChapterNode(1, 0));
  ASSERT_TRUE(editor.MoveUp());
  EXPECT_EQ(Shape(), (std::vector<int>{3, 2}));
  EXPECT_EQ(tree.Selected()->columns[ChapterTreeNode::AudioFile], "t2c1");

  // The second chapter of a title cannot pass its title row; the first one
  // can, and Move Down takes it back one place.
  tree.Select(ChapterNode(1, 1));
  EXPECT_FALSE(editor.MoveUp());
  tree.Select(ChapterNode(0, 2));
  ASSERT_TRUE(editor.MoveUp());
  EXPECT_EQ(sources.items, (std::vector<std::string>{"t1c1", "t2c1", "t1c2", "t3c1", "t3c2"}));
  ASSERT_TRUE(editor.MoveDown());
  EXPECT_EQ(sources.items, (std::vector<std::string>{"t1c1", "t1c2", "t2c1", "t3c1", "t3c2"}));
  // The last chapter of a title has a title row below it.
  EXPECT_FALSE(editor.MoveDown());
  // A collapsed title above hides its chapters: no move.
  tree.Title(0)->expanded = false;
  tree.Select(ChapterNode(1, 0));
  EXPECT_FALSE(editor.MoveUp());
  EXPECT_EQ(Shape(), (std::vector<int>{3, 2}));
}

TEST_F(Editor, DeletesEditsAndAdds) {
  Build({1, 2, 1});
  // The button keeps an emptied title; the Delete key drops it.
  EXPECT_TRUE(editor.DeleteChapter(ChapterNode(0, 0), false));
  EXPECT_EQ(Shape(), (std::vector<int>{0, 2, 1}));
  EXPECT_TRUE(editor.DeleteChapter(ChapterNode(2, 0), true));
  EXPECT_EQ(Shape(), (std::vector<int>{0, 2}));
  EXPECT_TRUE(editor.DeleteTitle(tree.Title(0)));
  EXPECT_EQ(Shape(), std::vector<int>{2});

  // Add a Chapter into an empty title, after a chapter, and with nothing
  // selected; the dialog's font and colour are kept.
  ASSERT_TRUE(tree.AddTitle());
  ChapterFiles files;
  files.audio_path = "new1";
  files.picture_path = "/p.jpg";
  files.lyric_font.lfHeight = 33;
  files.lyric_color = 0x0000FF;
  EXPECT_EQ(editor.AddChapter(files), 1);
  EXPECT_EQ(Shape(), (std::vector<int>{2, 1}));
  EXPECT_EQ(doc.GetAudioCell(2)->LyricFont.lfHeight, 33);
  EXPECT_EQ(doc.GetAudioCell(2)->LyricColor, 0x0000FFu);
  tree.Select(ChapterNode(0, 0));
  files.audio_path = "new2";
  EXPECT_EQ(editor.AddChapter(files), 1);
  EXPECT_EQ(sources.items, (std::vector<std::string>{"t2c1", "new2", "t2c2", "new1"}));
  tree.Select(nullptr);
  files.audio_path = "new3";
  EXPECT_EQ(editor.AddChapter(files), 1);
  EXPECT_EQ(Shape(), (std::vector<int>{3, 1, 1}));
  sources.refuse = "bad";
  files.audio_path = "bad";
  EXPECT_EQ(editor.AddChapter(files), 0);
  EXPECT_EQ(Shape(), (std::vector<int>{3, 1, 1}));

  // Edit a Chapter points the item at the new file; an empty lyric path
  // clears the lyrics (in the dialog and in place).
  files = {"edited", "/q.jpg", "/l.txt", LogFont::DefaultLyricFont(), kWhite};
  ASSERT_TRUE(editor.EditChapter(0, files));
  EXPECT_EQ(doc.GetAudioCell(0)->LyricFilePath, "/l.txt");
  files.lyric_path.clear();
  ASSERT_TRUE(editor.EditChapter(0, files));
  EXPECT_EQ(doc.GetAudioCell(0)->LyricFilePath, "");
  ASSERT_TRUE(editor.SetLyricAndPicture(1, "/x.txt", "/y.jpg"));
  ASSERT_TRUE(editor.SetLyricAndPicture(1, "", "/y.jpg"));
  EXPECT_EQ(doc.GetAudioCell(1)->LyricFilePath, "");
  EXPECT_EQ(ChapterNode(0, 1)->columns[ChapterTreeNode::LyricFile], "");
  EXPECT_EQ(Shape(), (std::vector<int>{3, 1, 1}));
  EXPECT_EQ(sources.items.front(), "edited");

  editor.RemoveAll();
  EXPECT_EQ(Shape(), std::vector<int>{});
  EXPECT_EQ(doc.Header().AudioCellTotalNum, 0);
}

}  // namespace
