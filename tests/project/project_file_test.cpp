#include <gtest/gtest.h>

#include <string>

#include "platform/ini_file.h"
#include "project/project_document.h"
#include "project/project_file.h"
#include "support/test_support.h"

namespace {
using namespace verosa;
using testing_support::ReadFile;
using testing_support::ScratchDir;
using testing_support::WriteFile;

class ProjectFile : public ::testing::Test {
 protected:
  // A chapter whose files exist in the scratch folder.
  void AddChapter(ProjectDocument& doc, const std::string& name, int title) {
    WriteFile(dir / (name + ".mp3"), "audio");
    WriteFile(dir / (name + ".jpg"), "picture");
    AudioCell a;
    a.AudioFilePath = (dir / (name + ".mp3")).string();
    a.TitleIndex = title;
    a.AudioTotalTime = 200;
    a.AudioSampleRate = 44100;
    a.LyricFilePath = (dir / (name + ".txt")).string();
    a.LyricColor = 0x0000FF;
    a.LyricFont.lfItalic = 1;
    VideoCell v;
    v.VideoFilePath = (dir / (name + ".jpg")).string();
    v.TitleIndex = title;
    v.VideoTotalTime = 200;
    doc.AddCells(a, v, -1);
  }

  ScratchDir dir;
};

TEST_F(ProjectFile, EmptyProjectWritesExactlyTheFiveHeaderSections) {
  ProjectDocument doc;
  doc.Header().Date = "12:00:00, 01-02-2026";
  const auto path = dir / "new.mdp";
  ASSERT_TRUE(doc.SaveProject(path));
  EXPECT_EQ(ReadFile(path),
            "[ProjectCommon]\r\nProjectName=Verosa\r\nCreator=Marrowfine\r\nVersion=V1.0\r\n"
            "Date=12:00:00, 01-02-2026\r\nThemeIndex=0\r\n"
            "[MenuAttribute]\r\nAspectRatio=0\r\nDisplayMode=0\r\nMenuType=2\r\n"
            "MenuCellTotalNum=0\r\n"
            "[TitleAttribute]\r\nTitleCellTotalNum=0\r\nUseTitleName=0\r\n"
            "[AudioAttribute]\r\nAudioCodingMode=0\r\nAudioSampleRate=48000\r\n"
            "AudioBitPerSample=0\r\nAudioChannel=2\r\nAudioBitPerSecond=16\r\n"
            "AudioCellTotalNum=0\r\n"
            "[VideoAttribute]\r\nVideoCodingMode=1\r\nTVMode=0\r\nAspectRatio=0\r\n"
            "DisplayMode=0\r\nVideoType=6\r\nVideoCellTotalNum=0\r\n");
}

TEST_F(ProjectFile, ChapterSectionsAlternateWithTheirKeysAndStructForms) {
  ProjectDocument doc;
  AddChapter(doc, "one", 0);
  AddChapter(doc, "two", 1);
  doc.MenuCells().push_back(MenuCell{2, "/menu.bmp", 5});
  doc.Header().MenuCellTotalNum = 1;
  const auto path = dir / "p.mdp";
  ASSERT_TRUE(doc.SaveProject(path));

  const auto ini = platform::IniFile::Load(path);
  ASSERT_TRUE(ini);
  const std::vector<std::string> sections{"ProjectCommon", "MenuAttribute", "TitleAttribute",
                                          "AudioAttribute", "VideoAttribute", "MenuCell0",
                                          "AudioCell0", "VideoCell0", "AudioCell1", "VideoCell1"};
  EXPECT_EQ(ini->SectionNames(), sections);
  EXPECT_EQ(ini->KeyNames("AudioCell1"),
            (std::vector<std::string>{"AudioFilePath", "TitleIndex", "ChapterIndex",
                                      "AudioTotalTime", "AudioCodingMode", "AudioSampleRate",
                                      "AudioBitsPerSample", "AudioChannels", "AudioBitsPerSecond",
                                      "UseLyric", "LyricFilePath", "LyricFont", "LyricColor"}));
  EXPECT_EQ(ini->KeyNames("VideoCell0"),
            (std::vector<std::string>{"VideoFilePath", "TitleIndex", "ChapterIndex",
                                      "VideoTotalTime"}));
  EXPECT_EQ(ini->KeyNames("MenuCell0"),
            (std::vector<std::string>{"MenuType", "StillTime", "MenuBmpFilePath"}));
  EXPECT_EQ(ini->Get("AudioCell1", "TitleIndex"), "1");
  EXPECT_EQ(ini->Get("AudioCell0", "LyricColor"), "FF000000FF");
  // LOGFONT: height 20 (14 00 00 00), ..., weight 900 (84 03 00 00), italic 1,
  // pitch-and-family 0x20, "System", then the checksum.
  const std::string font = *ini->Get("AudioCell0", "LyricFont");
  ASSERT_EQ(font.size(), 122u);
  EXPECT_EQ(font.substr(0, 8), "14000000");
  EXPECT_EQ(font.substr(32, 8), "84030000");
  EXPECT_EQ(font.substr(40, 16), "0100000000000020");
  EXPECT_EQ(font.substr(56, 12), "53797374656D");  // "System"
}

TEST_F(ProjectFile, SaveOpenSaveIsByteForByteTheSame) {
  ProjectDocument doc;
  doc.Header().ProjectName = "My Songs";
  doc.Header().TVMode = 1;
  doc.Header().VideoAspectRatio = 1;
  AddChapter(doc, "one", 0);
  AddChapter(doc, "two", 0);
  AddChapter(doc, "three", 1);
  doc.SetTitleCellTotalNum(2);
  const auto first = dir / "a.mdp";
  const auto second = dir / "b.mdp";
  ASSERT_TRUE(doc.SaveProject(first));

  ProjectDocument loaded;
  OpenReport report;
  ASSERT_TRUE(loaded.OpenProject(first, &report));
  EXPECT_TRUE(report.all_loaded);
  EXPECT_EQ(loaded.CellCount(), 3);
  EXPECT_EQ(loaded.AudioCells()[2].LyricFont.lfItalic, 1);
  EXPECT_EQ(loaded.AudioCells()[2].LyricColor, 0x0000FFu);
  EXPECT_EQ(loaded.Path(), first);
  ASSERT_TRUE(loaded.SaveProject(second));
  EXPECT_EQ(ReadFile(first), ReadFile(second));
}

TEST_F(ProjectFile, RefusedFilesLeaveTheDocumentUnchanged) {
  const std::string valid_rest = "[VideoAttribute]\r\nTVMode=1\r\n";
  struct Case { const char* name; std::string contents; };
  const Case cases[] = {
      {"lower-case version", "[ProjectCommon]\r\nCreator=Marrowfine\r\nVersion=v1.0\r\n" + valid_rest},
      {"other version", "[ProjectCommon]\r\nCreator=Marrowfine\r\nVersion=V2.0\r\n" + valid_rest},
      {"other creator", "[ProjectCommon]\r\nCreator=marrowfine\r\nVersion=V1.0\r\n" + valid_rest},
      {"empty", ""},
      {"garbage", "this is not a project\njust text\n"},
      {"binary", std::string("\x00\x01\xFF\xFE[\x00]=\x7F", 9)},
  };
  for (const Case& c : cases) {
    const auto path = dir / "bad.mdp";
    WriteFile(path, c.contents);
    ProjectDocument doc;
    doc.Header().ProjectName = "Keep";
    AddChapter(doc, "kept", 0);
    const auto before = ReadFile(dir / "kept.mp3");
    EXPECT_FALSE(doc.OpenProject(path)) << c.name;
    EXPECT_EQ(doc.Header().ProjectName, "Keep") << c.name;
    EXPECT_EQ(doc.Header().Creator, "Marrowfine") << c.name;
    EXPECT_EQ(doc.CellCount(), 1) << c.name;
    EXPECT_TRUE(doc.Path().empty()) << c.name;
  }
  ProjectDocument doc;
  EXPECT_FALSE(doc.OpenProject(dir / "missing.mdp"));
  EXPECT_FALSE(doc.OpenProject(dir.Path()));  // a folder
}

TEST_F(ProjectFile, MissingKeysReadTheirDefaults) {
  const auto path = dir / "sparse.mdp";
  WriteFile(path,
            "[projectcommon]\nCreator=Marrowfine\nVersion=V1.0\n"
            "[MenuAttribute]\nMenuCellTotalNum=1\n[MenuCell0]\nMenuBmpFilePath=m.bmp\n");
  ProjectDocument doc;
  ASSERT_TRUE(doc.OpenProject(path));
  const ProjectHeader& h = doc.Header();
  EXPECT_EQ(h.VideoCodingMode, 1);
  EXPECT_EQ(h.ProjectName, "");
  EXPECT_EQ(h.AudioSampleRate, 0);
  EXPECT_EQ(h.VideoType, 0);
  EXPECT_EQ(h.MenuType, 0);
  EXPECT_EQ(h.UseTitleName, 0);
  ASSERT_EQ(doc.MenuCells().size(), 1u);
  EXPECT_EQ(doc.MenuCells()[0].MenuType, 2);
  EXPECT_EQ(doc.MenuCells()[0].StillTime, 5);
  EXPECT_EQ(doc.MenuCells()[0].MenuBmpFilePath, "m.bmp");
}

TEST_F(ProjectFile, ChaptersWithMissingFilesAreDroppedAndCountsCorrected) {
  ProjectDocument doc;
  AddChapter(doc, "one", 0);
  AddChapter(doc, "two", 0);
  AddChapter(doc, "three", 1);
  AddChapter(doc, "four", 1);
  const auto path = dir / "p.mdp";
  ASSERT_TRUE(doc.SaveProject(path));
  std::filesystem::remove(dir / "two.mp3");
  std::filesystem::remove(dir / "four.jpg");

  ProjectDocument loaded;
  OpenReport report;
  ASSERT_TRUE(loaded.OpenProject(path, &report));
  EXPECT_FALSE(report.all_loaded);
  ASSERT_EQ(loaded.CellCount(), 2);
  EXPECT_EQ(loaded.Header().AudioCellTotalNum, 2);
  EXPECT_EQ(loaded.Header().VideoCellTotalNum, 2);
  EXPECT_EQ(loaded.AudioCells()[1].TitleIndex, 1);  // stored title index kept
  ASSERT_EQ(report.dropped.size(), 2u);
  EXPECT_EQ(report.dropped[0].index, 1);
  EXPECT_EQ(report.dropped[0].reason, DroppedChapter::Reason::MissingAudio);
  EXPECT_EQ(report.dropped[1].index, 3);
  EXPECT_EQ(report.dropped[1].reason, DroppedChapter::Reason::MissingPicture);
  EXPECT_EQ(report.dropped[1].path, (dir / "four.jpg").string());
}

TEST_F(ProjectFile, AnnouncedChaptersWithoutFilesAreCountedApartFromDroppedOnes) {
  WriteFile(dir / "one.mp3", "audio");
  WriteFile(dir / "one.jpg", "picture");
  const auto path = dir / "p.mdp";
  // Six announced: 0 loads, 1 names nothing, 2 names only a picture, 3 names
  // an audio file that is gone, 4 and 5 have no sections.
  WriteFile(path,
            "[ProjectCommon]\nCreator=Marrowfine\nVersion=V1.0\n"
            "[AudioAttribute]\nAudioCellTotalNum=6\n"
            "[AudioCell0]\nAudioFilePath=one.mp3\n[VideoCell0]\nVideoFilePath=one.jpg\n"
            "[AudioCell1]\nTitleIndex=0\n[VideoCell1]\nTitleIndex=0\n"
            "[AudioCell2]\nAudioFilePath=\n[VideoCell2]\nVideoFilePath=one.jpg\n"
            "[AudioCell3]\nAudioFilePath=gone.mp3\n[VideoCell3]\nVideoFilePath=one.jpg\n");
  ProjectDocument doc;
  OpenReport report;
  ASSERT_TRUE(doc.OpenProject(path, &report));
  EXPECT_FALSE(report.all_loaded);
  EXPECT_EQ(doc.CellCount(), 1);
  EXPECT_EQ(doc.Header().AudioCellTotalNum, 1);
  EXPECT_EQ(report.empty_cells, 3);
  ASSERT_EQ(report.dropped.size(), 2u);
  EXPECT_EQ(report.dropped[0].index, 2);
  EXPECT_EQ(report.dropped[0].path, "");
  EXPECT_EQ(report.dropped[1].index, 3);
  EXPECT_EQ(report.dropped[1].reason, DroppedChapter::Reason::MissingAudio);
}

TEST_F(ProjectFile, HugeAnnouncedCountsInADamagedFileAreHarmless) {
  const auto path = dir / "huge.mdp";
  WriteFile(path,
            "[ProjectCommon]\nCreator=Marrowfine\nVersion=V1.0\n"
            "[MenuAttribute]\nMenuCellTotalNum=2000000000\n"
            "[AudioAttribute]\nAudioCellTotalNum=2000000000\n");
  ProjectDocument doc;
  OpenReport report;
  ASSERT_TRUE(doc.OpenProject(path, &report));
  EXPECT_FALSE(report.all_loaded);
  EXPECT_EQ(doc.CellCount(), 0);
  EXPECT_EQ(doc.MenuCells().size(), 0u);
  EXPECT_EQ(doc.Header().AudioCellTotalNum, 0);
}

TEST_F(ProjectFile, BadFontChecksumKeepsTheFreshCellValues) {
  ProjectDocument doc;
  AddChapter(doc, "one", 0);
  const auto path = dir / "p.mdp";
  ASSERT_TRUE(doc.SaveProject(path));
  auto ini = platform::IniFile::Load(path);
  std::string font = *ini->Get("AudioCell0", "LyricFont");
  font.back() = font.back() == '0' ? '1' : '0';
  ini->Set("AudioCell0", "LyricFont", font);
  ini->Set("AudioCell0", "LyricColor", "nonsense");
  ASSERT_TRUE(ini->Save(path));

  ProjectDocument loaded;
  ASSERT_TRUE(loaded.OpenProject(path));
  ASSERT_EQ(loaded.CellCount(), 1);
  EXPECT_EQ(loaded.AudioCells()[0].LyricFont, LogFont::DefaultLyricFont());
  EXPECT_EQ(loaded.AudioCells()[0].LyricColor, kWhite);
}

TEST_F(ProjectFile, RelativeAndBackslashPathsStartAtTheProjectFolder) {
  std::filesystem::create_directories(dir / "audio");
  WriteFile(dir / "audio" / "song.mp3", "a");
  WriteFile(dir / "back.jpg", "p");
  const auto path = dir / "rel.mdp";
  WriteFile(path,
            "[ProjectCommon]\nCreator=Marrowfine\nVersion=V1.0\n"
            "[AudioAttribute]\nAudioCellTotalNum=1\n"
            "[AudioCell0]\nAudioFilePath=audio\\song.mp3\n"
            "[VideoCell0]\nVideoFilePath=back.jpg\n");
  ProjectDocument doc;
  OpenReport report;
  ASSERT_TRUE(doc.OpenProject(path, &report));
  ASSERT_EQ(doc.CellCount(), 1);
  EXPECT_EQ(doc.AudioCells()[0].AudioFilePath, (dir / "audio" / "song.mp3").string());
  EXPECT_EQ(doc.VideoCells()[0].VideoFilePath, (dir / "back.jpg").string());
}

TEST_F(ProjectFile, SavingOverALargerFileLeavesNoStaleSections) {
  ProjectDocument big;
  for (const char* name : {"a", "b", "c"}) AddChapter(big, name, 0);
  const auto path = dir / "p.mdp";
  ASSERT_TRUE(big.SaveProject(path));
  ProjectDocument small;
  AddChapter(small, "d", 0);
  ASSERT_TRUE(small.SaveProject(path));
  const auto ini = platform::IniFile::Load(path);
  EXPECT_FALSE(ini->Get("AudioCell1", "AudioFilePath"));
  EXPECT_EQ(ini->SectionNames().size(), 7u);
}

TEST_F(ProjectFile, FailedSaveLeavesTheExistingFileUntouched) {
  ProjectDocument doc;
  const auto path = dir / "p.mdp";
  ASSERT_TRUE(doc.SaveProject(path));
  const std::string before = ReadFile(path);
  WriteFile(dir / "file", "x");
  std::error_code ec;
  EXPECT_FALSE(doc.SaveProject(dir / "file" / "p.mdp", &ec));  // parent is not a folder
  EXPECT_TRUE(ec);
  EXPECT_FALSE(doc.SaveProject(dir.Path()));                   // target is a folder
  EXPECT_EQ(ReadFile(path), before);
}

}  // namespace
