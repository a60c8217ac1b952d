#include "project/chapter_editing.h"

#include <algorithm>
#include <cstdio>

#include "core/media_info.h"

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

}  // namespace verosa
