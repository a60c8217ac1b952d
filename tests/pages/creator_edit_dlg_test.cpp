// The Edit page with the real conversion control and preview player (SDL's
// dummy audio driver): drops, enabling rules, the Delete key, picture checks
// and the whole-project preview.
#include "ui/pages/creator_edit_dlg.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <filesystem>
#include <memory>
#include <set>
#include <vector>

#include "project/chapter_tree.h"
#include "shell/app_context.h"
#include "support/test_support.h"
#include "ui/skin/skin_button.h"

namespace verosa {
namespace {

namespace fs = std::filesystem;
using testing_support::IsolatedUser;
using testing_support::MessageBoxRecorder;
using testing_support::ScopedEnv;
using testing_support::ScratchDir;
using Page = CreatorEditDlg;

class EditPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(context_.Initialize(StartupOptions{.single_instance = false}))
        << context_.FailureText();
    song_ = dir_ / "song.wav";
    picture_ = dir_ / "back.jpg";
    ASSERT_TRUE(testing_support::MakeToneFile(song_, 2.0, 48000));
    ASSERT_TRUE(testing_support::MakePictureFile(picture_));
    context_.SetDefaultChapterPicturePath(picture_.string());
    page_ = std::make_unique<Page>(context_);
    page_->Initialize();
  }

  void Drop(int count, QStringList extra = {}) {
    QStringList paths = extra;
    for (int i = 0; i < count; ++i) paths << QString::fromStdString(song_.string());
    page_->DropFiles(paths);
  }

  // Chapters per title, checked against the cells and the conversion items.
  std::vector<int> Shape() {
    std::vector<int> shape;
    for (int t = 0; t < page_->Tree().TitleCount(); ++t) shape.push_back(page_->Tree().ChapterCount(t));
    EXPECT_EQ(context_.Conversion().GetItemCount(), context_.Project().CellCount());
    EXPECT_EQ(page_->Tree().TotalChapters(), context_.Project().CellCount());
    return shape;
  }

  std::set<int> Enabled() {
    std::set<int> ids;
    for (SkinButton* button : page_->findChildren<SkinButton*>())
      if (button->isEnabled() && !button->inherits("verosa::SkinBar") &&
          button->objectName() != "1057" && button->objectName() != "1067")
        ids.insert(button->objectName().toInt());
    return ids;
  }

  void PressDelete() {
    auto* list = page_->findChild<QTreeWidget*>("4097");
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(list, &press);
  }

  ScopedEnv audio_{"SDL_AUDIODRIVER", "dummy"};
  IsolatedUser user_;
  ScratchDir dir_;
  AppContext context_;
  fs::path song_, picture_;
  std::unique_ptr<Page> page_;
};

TEST_F(EditPageTest, DropsAddOneTitleBelowTheLimitAndKeepTheListsInStep) {
  MessageBoxRecorder boxes;
  Drop(99);  // too many at once: nothing
  EXPECT_EQ(Shape(), std::vector<int>{});
  EXPECT_FALSE(page_->IsModified());

  Drop(98);  // one title
  EXPECT_EQ(Shape(), std::vector<int>{98});
  EXPECT_TRUE(page_->IsModified());
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(page_->RowCount(), 1 + 98);
  // 98 chapters of 2 s: 4 MB each by the estimate.
  EXPECT_EQ(page_->findChild<QLabel*>("1092")->text(),
            "Total Sizes: 392MB, Total Titles: 1, Total Chapters: 98. Each chapter has one "
            "background picture.");

  // Folders and missing paths are passed over. The Delete key on the last
  // chapter of a title removes the title too.
  Drop(1, {QString::fromStdString(dir_.Path().string()),
           QString::fromStdString((dir_ / "gone.mp3").string())});
  EXPECT_EQ(Shape(), (std::vector<int>{98, 1}));
  page_->Select(page_->Tree().ChapterAt(98));
  PressDelete();
  EXPECT_EQ(Shape(), std::vector<int>{98});

  // Remove All asks first; No changes nothing.
  MessageBoxRecorder no(platform::kIdNo);
  page_->Run(Page::kRemoveAll);
  ASSERT_EQ(no.Boxes().size(), 1u);
  EXPECT_EQ(no.Boxes()[0].text, "Are you sure you want to remove all audio files?");
  EXPECT_EQ(Shape(), std::vector<int>{98});
}

TEST_F(EditPageTest, CommandsFollowTheEnablingRules) {
  const std::set<int> always = {Page::kImportFile, Page::kImportCd, Page::kRecord, Page::kAddTitle,
                                Page::kAddChapter};
  EXPECT_EQ(Enabled(), always);

  Drop(2);
  page_->Select(page_->Tree().Title(0));
  std::set<int> title = always;
  title.insert({Page::kDeleteTitle, Page::kRemoveAll, Page::kPlay, Page::kFullScreen});
  EXPECT_EQ(Enabled(), title);

  page_->Select(page_->Tree().ChapterAt(1));
  std::set<int> chapter = always;
  chapter.insert({Page::kDeleteChapter, Page::kEditChapter, Page::kMoveUp, Page::kMoveDown,
                  Page::kRemoveAll, Page::kPlay, Page::kFullScreen});
  EXPECT_EQ(Enabled(), chapter);
  // The context menu's actions follow the same rules.
  EXPECT_TRUE(page_->CommandAction(Page::kEditChapter)->isEnabled());
  EXPECT_TRUE(page_->CommandAction(Page::kRecord)->isEnabled());

  // Playing: no editing; the player's commands instead.
  page_->Run(Page::kPlay);
  ASSERT_TRUE(context_.Preview().IsPlaying());
  EXPECT_EQ(page_->CurrentChapter(), 1);
  EXPECT_EQ(Enabled(), (std::set<int>{Page::kPlay, Page::kFullScreen, Page::kPause, Page::kStop,
                                      Page::kPrevious, Page::kNext, Page::kVolumeUp,
                                      Page::kVolumeDown}));
  // Next on the last chapter wraps to the first.
  page_->Run(Page::kNext);
  EXPECT_EQ(page_->CurrentChapter(), 0);
  EXPECT_EQ(page_->Tree().SelectedFlatIndex(), 0);
  page_->Run(Page::kPause);
  EXPECT_EQ(Enabled().count(Page::kPrevious), 0u);
  EXPECT_EQ(Enabled().count(Page::kStop), 1u);
  page_->Run(Page::kStop);
  EXPECT_FALSE(context_.Preview().IsPlaying() || context_.Preview().IsPaused());
  EXPECT_EQ(Enabled(), chapter);
}

TEST_F(EditPageTest, PicturesAreCheckedBeforeAChapterTakesThem) {
  MessageBoxRecorder boxes;
  Drop(1);
  ChapterTreeNode* chapter = page_->Tree().ChapterAt(0);
  page_->Select(chapter);
  const std::string bad = (dir_ / "not-a-picture.jpg").string();
  testing_support::WriteFile(bad, "text");

  // In place: a picture that cannot be loaded is refused with a warning
  // (after the picture loader's own message).
  auto warnings = [&boxes] {
    std::vector<std::string> texts;
    for (const auto& box : boxes.Boxes())
      if (box.caption == "Warning") texts.push_back(box.text);
    return texts;
  };
  page_->EditCells(chapter, "", QString::fromStdString(bad));
  EXPECT_EQ(warnings(), std::vector<std::string>{"Invalid background picture File:\n" + bad});
  EXPECT_EQ(context_.Project().GetVideoCell(0)->VideoFilePath, picture_.string());
  EXPECT_EQ(page_->Tree().ChapterAt(0)->columns[ChapterTreeNode::BackgroundPicture],
            picture_.string());
  // From the picture menu's file dialog: the same check; cancel says nothing.
  page_->SetPictureBrowser([&bad](QWidget*, const QString&) { return QString::fromStdString(bad); });
  page_->SetChapterPicture(-1);
  EXPECT_EQ(warnings().size(), 2u);
  page_->SetPictureBrowser([](QWidget*, const QString&) { return QString(); });
  page_->SetChapterPicture(-1);
  EXPECT_EQ(warnings().size(), 2u);
  EXPECT_EQ(context_.Project().GetVideoCell(0)->VideoFilePath, picture_.string());

  // A good picture and a lyric file in place; clearing the lyric cell clears it.
  const fs::path lyric = dir_ / "words.txt";
  testing_support::WriteFile(lyric, "la la\n");
  page_->EditCells(page_->Tree().ChapterAt(0), QString::fromStdString(lyric.string()),
                   QString::fromStdString(picture_.string()));
  EXPECT_EQ(context_.Project().GetAudioCell(0)->LyricFilePath, lyric.string());
  page_->EditCells(page_->Tree().ChapterAt(0), "", QString::fromStdString(picture_.string()));
  EXPECT_EQ(context_.Project().GetAudioCell(0)->LyricFilePath, "");
}

TEST_F(EditPageTest, WholeProjectPreviewPassesOverChaptersThatCannotPlay) {
  const fs::path gone = dir_ / "gone.wav";
  fs::copy_file(song_, gone);
  page_->DropFiles({QString::fromStdString(song_.string()), QString::fromStdString(gone.string()),
                    QString::fromStdString(song_.string())});
  fs::remove(gone);
  std::vector<int> shown;
  page_->SetFullScreenHandler([&shown](int chapter, bool) { shown.push_back(chapter); });

  page_->EnterPage(true);
  ASSERT_TRUE(page_->IsWholeProjectPreview());
  EXPECT_EQ(page_->CurrentChapter(), 0);
  page_->ChapterEnded();  // chapter 1 cannot be opened: on to chapter 2
  QApplication::processEvents();
  EXPECT_EQ(page_->CurrentChapter(), 2);
  EXPECT_TRUE(context_.Preview().IsPlaying());
  EXPECT_EQ(shown, (std::vector<int>{0, 1, 2}));
  page_->ChapterEnded();  // loops to the first
  EXPECT_EQ(page_->CurrentChapter(), 0);
  page_->StopPreview();
  EXPECT_FALSE(page_->IsWholeProjectPreview());

  // When no chapter can be played the preview ends instead of spinning.
  fs::remove(song_);
  page_->EnterPage(true);
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  EXPECT_FALSE(page_->IsWholeProjectPreview());
  EXPECT_FALSE(context_.Preview().IsPlaying());
}

TEST_F(EditPageTest, ImportedCdTracksAndRecordingsBecomeChaptersOfTheirWavFiles) {
  MessageBoxRecorder boxes;
  carrowell::ConversionCtrl& conversion = context_.Conversion();
  // Two tracks arrive as items, as the Audio CD dialog adds them.
  page_->SetCdImporter([&] {
    for (int i = 0; i < 2; ++i) conversion.AddFile(song_.string().c_str(), -1);
  });
  page_->SetFreeSpaceQuery([](const std::string&) { return 99; });  // two tracks need 100 MB
  page_->Run(Page::kImportCd);
  EXPECT_EQ(Shape(), std::vector<int>{});
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Not enough disk space, please respecify your work folder!");

  page_->SetFreeSpaceQuery([](const std::string&) { return 100; });
  page_->Run(Page::kImportCd);
  EXPECT_EQ(Shape(), std::vector<int>{2});
  // The chapters and the items now name the converted WAV files.
  for (int i = 0; i < 2; ++i) {
    const std::string audio = context_.Project().GetAudioCell(i)->AudioFilePath;
    EXPECT_NE(audio, song_.string());
    EXPECT_TRUE(fs::exists(audio)) << audio;
    EXPECT_EQ(std::string(conversion.GetItemName(i)), audio);
    EXPECT_EQ(context_.Project().GetAudioCell(i)->AudioSampleRate, 48000);
  }

  // A recording arrives converted, as the recorder leaves it, in a title of its own.
  page_->SetRecorder([&] {
    conversion.AddFile(song_.string().c_str(), -1);
    int last = conversion.GetItemCount() - 1;
    conversion.ConvertItems(&last, 1);
  });
  page_->Run(Page::kRecord);
  EXPECT_EQ(Shape(), (std::vector<int>{2, 1}));
  const std::string recorded = context_.Project().GetAudioCell(2)->AudioFilePath;
  EXPECT_NE(recorded, song_.string());
  EXPECT_TRUE(fs::exists(recorded)) << recorded;
  EXPECT_EQ(std::string(conversion.GetItemName(2)), recorded);
  EXPECT_EQ(context_.Project().GetAudioCell(2)->AudioSampleRate, 48000);
}

TEST_F(EditPageTest, DraggingARowMovesItAndEscapeOrAnotherButtonCancels) {
  page_->DropFiles({QString::fromStdString(song_.string()), QString::fromStdString(song_.string())});
  page_->DropFiles({QString::fromStdString(song_.string())});
  page_->show();
  auto* list = page_->findChild<QTreeWidget*>("4097");
  QWidget* viewport = list->viewport();
  auto row_centre = [&](const ChapterTreeNode* node) {
    for (QTreeWidgetItemIterator it(list); *it; ++it)
      if ((*it)->data(0, Qt::UserRole).value<quintptr>() == reinterpret_cast<quintptr>(node))
        return list->visualItemRect(*it).center();
    return QPoint();
  };
  auto mouse = [&](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, at, viewport->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
  };
  enum class End { Drop, Escape, RightButton };
  for (const End end : {End::Escape, End::RightButton, End::Drop}) {
    const QPoint from = row_centre(page_->Tree().ChapterAt(0));
    const QPoint to = row_centre(page_->Tree().Title(1));
    mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, from + QPoint(0, 3), Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    if (end == End::Escape) {
      QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(list, &escape);
    } else if (end == End::RightButton) {
      mouse(QEvent::MouseButtonPress, to, Qt::RightButton, Qt::LeftButton | Qt::RightButton);
    }
    mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(Shape(), end == End::Drop ? (std::vector<int>{1, 2}) : (std::vector<int>{2, 1}));
  }
}

}  // namespace
}  // namespace verosa
