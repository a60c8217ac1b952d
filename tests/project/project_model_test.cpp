#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/media_info.h"
#include "project/chapter_editing.h"
#include "project/chapter_tree.h"
#include "project/project_document.h"
#include "support/test_support.h"

namespace {
using namespace verosa;

// Accepts every file except the ones named in `refuse`, keeping the order.
class FakeSources : public ChapterSourceList {
 public:
  int GetItemCount() override { return static_cast<int>(items.size()); }
  int AddFile(const char* path, int after) override {
    if (refuse.count(path)) return 0;
    const int n = GetItemCount();
    items.insert(items.begin() + (after >= 0 && after + 1 < n ? after + 1 : n), path);
    return 1;
  }
  void RemoveItems(int index, int count) override {
    if (index < 0 || index >= GetItemCount()) return;
    items.erase(items.begin() + index, items.begin() + std::min(index + count, GetItemCount()));
  }
  int MoveItems(int, int, int) override { return 0; }
  void SetItemName(int, const char*) override {}
  std::string GetItemName(int) override { return {}; }
  std::string GetItemDuration(int) override { return {}; }
  std::string GetItemDestination(int) override { return {}; }
  std::vector<std::string> items;
  std::set<std::string> refuse;
};

NewChapter Chapter(const std::string& name, int seconds = 60) {
  NewChapter c;
  c.audio_path = "/music/" + name;
  c.play_time = FormatDurationText(seconds);
  c.picture_path = "/pictures/back.jpg";
  c.sample_rate = 44100;
  return c;
}

std::vector<std::string> AudioNames(const ProjectDocument& doc) {
  std::vector<std::string> names;
  for (const AudioCell& a : doc.AudioCells()) names.push_back(FileNamePart(a.AudioFilePath));
  return names;
}

class Model : public ::testing::Test {
 protected:
  int Add(const std::string& name, int seconds = 60, TitleChoice t = TitleChoice::Selected) {
    NewChapter c = Chapter(name, seconds);
    c.title = t;
    return AddOneChapter(doc, tree, c, 48000);
  }
  void SelectTitle(int index) { tree.Select(tree.Title(index)); }

  ProjectDocument doc;
  ChapterTree tree{doc};
};

TEST(Estimate, ChapterAndProjectExamples) {
  EXPECT_EQ(ProjectDocument::EstimateChapterSizeMB(48000, 240), 47);  // (46*240*4)/1024+4
  EXPECT_EQ(ProjectDocument::EstimateChapterSizeMB(96000, 240), 91);  // (93*240*4)/1024+4
  EXPECT_EQ(ProjectDocument::EstimateChapterSizeMB(48000, 0), 4);
  EXPECT_EQ(ProjectDocument::EstimateChapterSizeMB(48000, 60), 14);
  // Huge stored times do not overflow.
  EXPECT_EQ(ProjectDocument::EstimateChapterSizeMB(96000, 2147483647), 780140547);

  ProjectDocument empty;
  EXPECT_EQ(empty.EstimateProjectSizeMB(48000), 0);
  EXPECT_EQ(TotalsText(0, 0, 0),
            "Total Sizes: 0MB, Total Titles: 0, Total Chapters: 0. Each chapter has one "
            "background picture.");
}

TEST_F(Model, NewChapterGetsTheDocumentedCellValues) {
  NewChapter c = Chapter("song.mp3", 3725);
  c.lyric_path = "/lyrics/song.txt";
  c.lyric_color = 0x00FF00;
  ASSERT_EQ(AddOneChapter(doc, tree, c, 48000), 0);
  ASSERT_EQ(doc.CellCount(), 1);
  const AudioCell& a = doc.AudioCells()[0];
  const VideoCell& v = doc.VideoCells()[0];
  EXPECT_EQ(a.AudioFilePath, "/music/song.mp3");
  EXPECT_EQ(a.AudioTotalTime, 3725);
  EXPECT_EQ(a.AudioSampleRate, 44100);
  EXPECT_EQ(a.AudioBitsPerSample, 16);
  EXPECT_EQ(a.AudioChannels, 2);
  EXPECT_EQ(a.AudioBitsPerSecond, 0);
  EXPECT_EQ(a.UseLyric, 1);
  EXPECT_EQ(a.ChapterIndex, 0);
  EXPECT_EQ(a.LyricColor, 0x00FF00u);
  EXPECT_EQ(a.LyricFont, LogFont::DefaultLyricFont());
  EXPECT_EQ(v.VideoFilePath, "/pictures/back.jpg");
  EXPECT_EQ(v.VideoTotalTime, 3725);
  EXPECT_EQ(doc.Header().AudioCellTotalNum, 1);
  EXPECT_EQ(doc.Header().VideoCellTotalNum, 1);
  EXPECT_EQ(doc.TitleCellTotalNum(), 1);

  const ChapterTreeNode* node = tree.Selected();
  ASSERT_TRUE(node && node->IsChapter());
  EXPECT_EQ(node->name, "song.mp3");
  EXPECT_EQ(node->columns[ChapterTreeNode::PlayTime], "01:02:05");
  EXPECT_EQ(node->columns[ChapterTreeNode::LyricFile], "/lyrics/song.txt");
  EXPECT_EQ(tree.Rows().front()->name, "Music DVD");
}

TEST_F(Model, ChaptersGoAfterTheSelectedChapterOrAtTheEndOfTheSelectedTitle) {
  Add("a");                                // nothing selected: new Title 1
  Add("b");                                // after a
  Add("c", 60, TitleChoice::ForceNew);     // Title 2
  SelectTitle(0);
  Add("d");                                // end of Title 1
  tree.Select(tree.ChapterAt(0));
  Add("e");                                // right after a
  EXPECT_EQ(AudioNames(doc), (std::vector<std::string>{"a", "e", "b", "d", "c"}));
  std::vector<int> titles;
  for (const AudioCell& a : doc.AudioCells()) titles.push_back(a.TitleIndex);
  EXPECT_EQ(titles, (std::vector<int>{0, 0, 0, 0, 1}));
  EXPECT_EQ(tree.Title(0)->name, "Title 1");
  EXPECT_EQ(tree.Title(1)->name, "Title 2");
  EXPECT_EQ(tree.FlatIndexOf(tree.Selected()), 1);
}

TEST_F(Model, NinetyNineTitlesRefuseANewTitleButNotAChapterInAnExistingOne) {
  for (int i = 0; i < 99; ++i) ASSERT_EQ(Add("t" + std::to_string(i), 1, TitleChoice::ForceNew), i);
  tree.Select(nullptr);
  EXPECT_EQ(Add("more"), TooManyTitles);
  EXPECT_EQ(Add("more", 1, TitleChoice::ForceNew), TooManyTitles);
  EXPECT_FALSE(tree.AddTitle());
  EXPECT_EQ(doc.CellCount(), 99);
  EXPECT_EQ(tree.TitleCount(), 99);
  SelectTitle(5);
  EXPECT_EQ(Add("inside"), 5);
  EXPECT_EQ(doc.CellCount(), 100);
  EXPECT_STREQ(AddChapterRefusalText(TooManyTitles), "The amount of the titles can not exceed 99!");
}

TEST_F(Model, NinetyNineChaptersFillATitle) {
  for (int i = 0; i < 99; ++i) ASSERT_EQ(Add("c" + std::to_string(i), 1), 0);
  EXPECT_EQ(Add("one too many", 1), TooManyChapters);
  EXPECT_EQ(doc.CellCount(), 99);
  EXPECT_EQ(tree.ChapterCount(0), 99);
  EXPECT_STREQ(AddChapterRefusalText(TooManyChapters),
               "The amount of the chapter under each title can not exceed 99!");
}

TEST_F(Model, TitleSizeLimitCountsTheChaptersAlreadyPresent) {
  // 11376 s at 48000 Hz estimate exactly 2048 MB: one more chapter is accepted.
  ASSERT_EQ(ProjectDocument::EstimateChapterSizeMB(48000, 11376), 2048);
  ASSERT_EQ(Add("long", 11376), 0);
  EXPECT_EQ(Add("accepted", 60), 0);
  // Now the title is above 2048 MB: nothing more goes in.
  EXPECT_EQ(Add("refused", 1), TitleTooLarge);
  EXPECT_EQ(doc.CellCount(), 2);
  EXPECT_STREQ(AddChapterRefusalText(TitleTooLarge), "The size of each title can not exceed 2048MB!");
  // Another title is not affected.
  EXPECT_EQ(Add("other", 60, TitleChoice::ForceNew), 1);
}

TEST_F(Model, RenumberingAfterDeletingTheMiddleTitle) {
  Add("a1");
  Add("b1", 60, TitleChoice::ForceNew);
  Add("b2");
  Add("c1", 60, TitleChoice::ForceNew);
  // Delete Title 2 as the Edit page does: cells first, then the row.
  const int first = tree.FirstFlatIndexOfTitle(1);
  doc.RemoveCells(first, tree.ChapterCount(1));
  tree.RemoveNode(tree.Title(1));
  tree.RenumberTitles();
  ASSERT_EQ(tree.TitleCount(), 2);
  EXPECT_EQ(tree.Title(1)->name, "Title 2");
  EXPECT_EQ(AudioNames(doc), (std::vector<std::string>{"a1", "c1"}));
  EXPECT_EQ(doc.AudioCells()[1].TitleIndex, 1);
  EXPECT_EQ(doc.VideoCells()[1].TitleIndex, 1);
  EXPECT_EQ(doc.TitleCellTotalNum(), 2);
  EXPECT_EQ(doc.Header().AudioCellTotalNum, 2);
}

TEST(Cells, AddCellsPositions) {
  ProjectDocument doc;
  auto add = [&](const std::string& name, int position) {
    AudioCell a;
    a.AudioFilePath = name;
    doc.AddCells(a, VideoCell{}, position);
  };
  add("A", -1);
  add("B", -1);
  add("C", 0);   // after A
  add("D", 2);   // position + 1 == count: appended
  add("E", 50);  // beyond: appended
  EXPECT_EQ(AudioNames(doc), (std::vector<std::string>{"A", "C", "B", "D", "E"}));
  EXPECT_EQ(doc.Header().VideoCellTotalNum, 5);
}

TEST(Cells, MoveCellsFollowsTheRunRuleAndStampsTheTitle) {
  ProjectDocument doc;
  for (const char* name : {"A", "B", "C", "D", "E"}) {
    AudioCell a;
    a.AudioFilePath = name;
    VideoCell v;
    v.VideoFilePath = name;
    doc.AddCells(a, v, -1);
  }
  EXPECT_TRUE(doc.MoveCells(3, 0, 7, 2));
  EXPECT_EQ(AudioNames(doc), (std::vector<std::string>{"A", "D", "E", "B", "C"}));
  EXPECT_EQ(doc.VideoCells()[1].VideoFilePath, "D");
  EXPECT_EQ(doc.AudioCells()[1].TitleIndex, 7);
  EXPECT_EQ(doc.AudioCells()[2].TitleIndex, 7);
  EXPECT_EQ(doc.AudioCells()[3].TitleIndex, 0);

  EXPECT_TRUE(doc.MoveCells(0, 3, 2, 2));  // A D E B C -> E B A D C
  EXPECT_EQ(AudioNames(doc), (std::vector<std::string>{"E", "B", "A", "D", "C"}));
  EXPECT_EQ(doc.VideoCells()[2].TitleIndex, 2);
  EXPECT_EQ(doc.VideoCells()[3].TitleIndex, 2);

  EXPECT_FALSE(doc.MoveCells(0, 3, 0, 0));
  EXPECT_FALSE(doc.MoveCells(4, 9, 0, 1));
  EXPECT_FALSE(doc.MoveCells(-1, 2, 0, 1));
  EXPECT_EQ(AudioNames(doc), (std::vector<std::string>{"E", "B", "A", "D", "C"}));
}

TEST(Cells, UpdateRemoveAndSetTitleIndexBounds) {
  ProjectDocument doc;
  AudioCell a;
  a.AudioFilePath = "a.mp3";
  a.LyricFilePath = "old.txt";
  a.AudioSampleRate = 44100;
  doc.AddCells(a, VideoCell{"p.jpg", 0, 0, 10}, -1);

  CellUpdate keep;
  keep.picture_path = "q.jpg";
  EXPECT_TRUE(doc.UpdateCells(0, keep));
  EXPECT_EQ(doc.AudioCells()[0].LyricFilePath, "old.txt");  // empty lyric path: unchanged
  EXPECT_EQ(doc.AudioCells()[0].AudioSampleRate, 44100);
  EXPECT_EQ(doc.VideoCells()[0].VideoFilePath, "q.jpg");
  EXPECT_EQ(doc.VideoCells()[0].VideoTotalTime, 10);

  CellUpdate change;
  change.total_time = 20;
  change.sample_rate = 48000;
  change.lyric_color = 0x123456;  // ignored without a font
  EXPECT_TRUE(doc.UpdateCells(0, change));
  EXPECT_EQ(doc.AudioCells()[0].AudioTotalTime, 20);
  EXPECT_EQ(doc.VideoCells()[0].VideoTotalTime, 20);
  EXPECT_EQ(doc.AudioCells()[0].LyricColor, kWhite);
  change.lyric_font = LogFont{};
  EXPECT_TRUE(doc.UpdateCells(0, change));
  EXPECT_EQ(doc.AudioCells()[0].LyricColor, 0x123456u);

  EXPECT_FALSE(doc.UpdateCells(1, change));
  EXPECT_FALSE(doc.UpdateCells(-1, change));
  EXPECT_EQ(doc.GetAudioCell(1), nullptr);
  EXPECT_EQ(doc.GetVideoCell(-1), nullptr);

  doc.SetTitleIndex(0, 1, 5);  // last outside: nothing
  EXPECT_EQ(doc.AudioCells()[0].TitleIndex, 0);
  doc.RemoveCells(-1, 1);
  doc.RemoveCells(1, 1);
  EXPECT_EQ(doc.CellCount(), 1);
  doc.RemoveCells(0, 1);
  EXPECT_EQ(doc.CellCount(), 0);
  EXPECT_EQ(doc.Header().AudioCellTotalNum, 0);
}

TEST(Rebuild, GapsGiveEmptyTitlesAndRefusedSourcesDropTheirCells) {
  ProjectDocument doc;
  auto cell = [&](const std::string& name, int title) {
    AudioCell a;
    a.AudioFilePath = "/m/" + name;
    a.TitleIndex = title;
    a.AudioTotalTime = 65;
    VideoCell v;
    v.TitleIndex = title;
    doc.AddCells(a, v, -1);
  };
  cell("a", 0);
  cell("bad", 0);
  cell("b", 2);
  cell("c", 2);
  FakeSources sources;
  sources.refuse = {"/m/bad"};
  ChapterTree tree(doc);
  const RebuildResult result = RebuildChapterTree(doc, tree, sources);
  EXPECT_FALSE(result.all_added);
  EXPECT_EQ(result.refused, std::vector<std::string>{"/m/bad"});
  EXPECT_EQ(tree.TitleCount(), 3);
  EXPECT_EQ(tree.ChapterCount(0), 1);
  EXPECT_EQ(tree.ChapterCount(1), 0);
  EXPECT_EQ(tree.ChapterCount(2), 2);
  EXPECT_EQ(AudioNames(doc), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(sources.items, (std::vector<std::string>{"/m/a", "/m/b", "/m/c"}));
  EXPECT_EQ(doc.Header().AudioCellTotalNum, 3);
  EXPECT_EQ(doc.TitleCellTotalNum(), 3);
  EXPECT_EQ(tree.ChapterAt(1)->columns[ChapterTreeNode::PlayTime], "00:01:05");
}

TEST(Rebuild, DecreasingTitleIndexKeepsDiscOrder) {
  ProjectDocument doc;
  for (int title : {1, 0}) {
    AudioCell a;
    a.AudioFilePath = "/m/x" + std::to_string(title);
    a.TitleIndex = title;
    doc.AddCells(a, VideoCell{}, -1);
  }
  FakeSources sources;
  ChapterTree tree(doc);
  RebuildChapterTree(doc, tree, sources);
  EXPECT_EQ(tree.TitleCount(), 2);
  EXPECT_EQ(tree.ChapterCount(1), 2);
  EXPECT_EQ(doc.AudioCells()[1].TitleIndex, 1);
  EXPECT_EQ(tree.FlatIndexOf(tree.ChapterAt(1)), 1);
}

TEST(ChapterProbe, SampleRateZeroIsProbedFromTheAudioFile) {
  testing_support::ScratchDir dir;
  const auto audio = dir / "tone.wav";
  ASSERT_TRUE(testing_support::MakeToneFile(audio, 1.0, 22050));
  ProjectDocument doc;
  ChapterTree tree(doc);
  NewChapter c = Chapter("x");
  c.audio_path = audio.string();
  c.sample_rate = 0;
  ASSERT_EQ(AddOneChapter(doc, tree, c, 48000), 0);
  EXPECT_EQ(doc.AudioCells()[0].AudioSampleRate, 22050);
}

}  // namespace
