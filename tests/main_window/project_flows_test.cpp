// New, Open, Preview, Save, Save As and Options, and the busy conditions
// that hold the wizard on a page.
#include <QAction>
#include <iterator>

#include "main_window/window_fixture.h"
#include "project/chapter_tree.h"
#include "project/project_document.h"
#include "ui/main/full_screen_preview.h"
#include "ui/pages/creator_edit_dlg.h"

namespace verosa::testing {
namespace {

namespace fs = std::filesystem;
using testing_support::MessageBoxRecorder;
using testing_support::ReadFile;
using testing_support::WriteFile;

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

TEST(ProjectFileName, GetsTheProjectExtensionUnlessItEndsInIt) {
  EXPECT_EQ(WithProjectExtension("/d/songs"), "/d/songs.mdp");
  EXPECT_EQ(WithProjectExtension("/d/songs.txt"), "/d/songs.txt.mdp");
  EXPECT_EQ(WithProjectExtension("/d/songs.mdp"), "/d/songs.mdp");
  EXPECT_EQ(WithProjectExtension("/d/Songs.MdP"), "/d/Songs.MdP");
  EXPECT_EQ(WithProjectExtension("/d/songs.mdp.bak"), "/d/songs.mdp.bak.mdp");
  EXPECT_EQ(WithProjectExtension("/d.x/songs"), "/d.x/songs.mdp");
}

TEST_F(MainWindowTest, SaveAsWritesACopyUnderTheRuleOfTheProjectExtension) {
  const fs::path own = dir_ / "own.mdp";
  context_.Project().SetPath(own);
  AddChapterToProject();
  window_->EditPage()->SetModified(true);

  const struct {
    const char* typed;
    const char* written;
  } cases[] = {{"plain", "plain.mdp"}, {"notes.txt", "notes.txt.mdp"}, {"Mixed.MdP", "Mixed.MdP"}};
  for (const auto& c : cases) {
    answer_ = Q(dir_ / c.typed);
    window_->SaveAs();
    EXPECT_TRUE(fs::exists(dir_ / c.written)) << c.typed;
    ProjectDocument copy;
    EXPECT_TRUE(copy.OpenProject(dir_ / c.written));
    EXPECT_EQ(copy.CellCount(), 1);
  }
  EXPECT_FALSE(fs::exists(dir_ / "notes.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "Mixed.MdP.mdp"));
  // The project keeps its own path and its mark.
  EXPECT_EQ(context_.Project().Path(), own);
  EXPECT_TRUE(window_->EditPage()->IsModified());
  EXPECT_FALSE(fs::exists(own));

  ASSERT_EQ(requests_.size(), 3u);
  EXPECT_EQ(requests_[0].kind, VerosaDlg::FileDialogRequest::Kind::Save);
  EXPECT_EQ(requests_[0].title, "Save Verosa Project File");
  EXPECT_EQ(requests_[0].filter, "Verosa Project File(*.mdp)");
  EXPECT_EQ(requests_[0].folder.toStdString(), context_.Settings().VerosaDefaultSavePath());

  auto entries = [this] {
    return std::distance(fs::directory_iterator(dir_.Path()), fs::directory_iterator());
  };
  const auto before = entries();
  answer_.clear();
  window_->SaveAs();  // cancelled: nothing written
  EXPECT_EQ(entries(), before);
}

TEST_F(MainWindowTest, SaveWritesToTheOwnPathAndClearsTheMark) {
  const fs::path own = dir_ / "own.mdp";
  context_.Project().SetPath(own);
  AddChapterToProject();
  window_->EditPage()->SetModified(true);
  EXPECT_TRUE(window_->Save());
  EXPECT_TRUE(fs::exists(own));
  EXPECT_FALSE(window_->EditPage()->IsModified());

  // A path that cannot be written keeps the mark.
  MessageBoxRecorder boxes;
  context_.Project().SetPath(dir_ / "missing" / "x.mdp");
  window_->EditPage()->SetModified(true);
  EXPECT_FALSE(window_->Save());
  EXPECT_TRUE(window_->EditPage()->IsModified());
}

TEST_F(MainWindowTest, AFailedSaveOrSaveAsTellsTheUserWhichFile) {
  AddChapterToProject();
  window_->EditPage()->SetModified(true);
  MessageBoxRecorder boxes;
  const fs::path own = dir_ / "missing" / "own.mdp";
  context_.Project().SetPath(own);
  EXPECT_FALSE(window_->Save());
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "The project file could not be saved:\n" + own.string());
  EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
  EXPECT_EQ(boxes.Boxes()[0].style, platform::kMbOk | platform::kMbIconError);

  // Save As names the file it tried, with the project extension.
  answer_ = Q(dir_ / "missing" / "copy");
  window_->SaveAs();
  ASSERT_EQ(boxes.Boxes().size(), 2u);
  EXPECT_EQ(boxes.Boxes()[1].text, "The project file could not be saved:\n" + (dir_ / "missing" / "copy.mdp").string());
  EXPECT_EQ(boxes.Boxes()[1].caption, "Error");

  // Saving on the way (here: before New) tells it too, and New goes on.
  window_->New();
  ASSERT_EQ(boxes.Boxes().size(), 3u);
  EXPECT_EQ(boxes.Boxes()[2].text, "The project file could not be saved:\n" + own.string());
  EXPECT_EQ(window_->CurrentPage(), VerosaDlg::kConfigPage);

  // A save that works shows nothing.
  boxes.Clear();
  context_.Project().SetPath(dir_ / "fine.mdp");
  EXPECT_TRUE(window_->Save());
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(MainWindowTest, NewSavesUnsavedChaptersToTheOldPathFirst) {
  const fs::path old = dir_ / "old.mdp";
  context_.Project().SetPath(old);
  AddChapterToProject();
  window_->EditPage()->SetModified(true);
  MessageBoxRecorder boxes;

  window_->New();
  EXPECT_TRUE(boxes.Boxes().empty()) << "saved without a question";
  ProjectDocument saved;
  ASSERT_TRUE(saved.OpenProject(old));
  EXPECT_EQ(saved.CellCount(), 1);

  EXPECT_EQ(context_.Project().Path(),
            fs::path(context_.Settings().VerosaDefaultSavePath()) / "Verosa.mdp");
  EXPECT_EQ(context_.Project().CellCount(), 0);
  EXPECT_EQ(context_.Conversion().GetItemCount(), 0);
  EXPECT_FALSE(window_->EditPage()->IsModified());
  EXPECT_EQ(window_->CurrentPage(), VerosaDlg::kConfigPage);
}

TEST_F(MainWindowTest, OpeningAProjectOfAnotherCreatorIsRefusedAndLeavesTheProjectEmpty) {
  const fs::path foreign = dir_ / "foreign.mdp";
  WriteProject(foreign, 1);
  std::string text = ReadFile(foreign);
  const std::size_t at = text.find("Marrowfine");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 10, "Otherwhere");
  WriteFile(foreign, text);

  AddChapterToProject();  // what the Edit page held before
  MessageBoxRecorder boxes;
  answer_ = Q(foreign);
  window_->Open();

  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Invalid project file:\n" + foreign.string());
  EXPECT_EQ(boxes.Boxes()[0].caption, "Open Error");
  EXPECT_EQ(boxes.Boxes()[0].style, platform::kMbOk | platform::kMbIconError);
  EXPECT_EQ(context_.Project().CellCount(), 0);
  EXPECT_EQ(context_.Conversion().GetItemCount(), 0);
  EXPECT_EQ(window_->EditPage()->RowCount(), 0);
  EXPECT_EQ(window_->CurrentPage(), VerosaDlg::kStartPage);
}

TEST_F(MainWindowTest, OpenShowsTheProjectOnTheEditPage) {
  const fs::path path = dir_ / "songs.mdp";
  WriteProject(path, 2, 96000);
  ASSERT_EQ(context_.Settings().Values().nAudioSampleRate, 48000);
  answer_ = Q(path);
  window_->Open();

  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].kind, VerosaDlg::FileDialogRequest::Kind::Open);
  EXPECT_EQ(requests_[0].title, "Select Verosa Project File");
  EXPECT_EQ(requests_[0].filter, "Verosa Project File(*.mdp)");
  EXPECT_EQ(window_->CurrentPage(), VerosaDlg::kEditPage);
  EXPECT_EQ(context_.Project().Path(), path);
  EXPECT_EQ(context_.Project().CellCount(), 2);
  EXPECT_EQ(context_.Conversion().GetItemCount(), 2);
  EXPECT_EQ(window_->EditPage()->Tree().TotalChapters(), 2);
  EXPECT_EQ(window_->EditPage()->RowCount(), 3);  // one title, two chapters
  // Sources added from now on are converted to the project's rate.
  EXPECT_EQ(context_.Conversion().GetSampleRate(), 96000.0);

  // A cancelled dialog changes nothing.
  answer_.clear();
  window_->Open();
  EXPECT_EQ(context_.Project().CellCount(), 2);
}

TEST_F(MainWindowTest, PreviewKeepsTheWizardOnTheEditPageUntilStopped) {
  const fs::path path = dir_ / "songs.mdp";
  WriteProject(path, 1);
  answer_ = Q(path);
  window_->Preview();

  EXPECT_EQ(window_->CurrentPage(), VerosaDlg::kEditPage);
  EXPECT_TRUE(window_->EditPage()->IsWholeProjectPreview());
  EXPECT_TRUE(window_->IsBusy());
  EXPECT_TRUE(window_->PreviewWindow()->isVisible());
  EXPECT_FALSE(window_->PreviewWindow()->Picture().isNull());

  // Page changes and the New, Open, Preview and Options commands wait.
  bool options_asked = false;
  window_->SetOptionsDialogRunner([&](AppContext&, QWidget*) { return options_asked = true; });
  window_->Next();
  window_->Previous();
  window_->ShowPage(VerosaDlg::kStartPage);
  window_->PageAction(VerosaDlg::kConfigPage)->trigger();
  window_->New();
  window_->Open();
  window_->Preview();
  window_->RunOptions();
  EXPECT_EQ(window_->CurrentPage(), VerosaDlg::kEditPage);
  EXPECT_TRUE(window_->PageAction(VerosaDlg::kEditPage)->isChecked());
  EXPECT_FALSE(window_->PageAction(VerosaDlg::kConfigPage)->isChecked());
  EXPECT_EQ(requests_.size(), 1u);
  EXPECT_FALSE(options_asked);
  EXPECT_EQ(context_.Project().Path(), path);

  // Save stays available.
  fs::remove(path);
  EXPECT_TRUE(window_->Save());
  EXPECT_TRUE(fs::exists(path));

  window_->EditPage()->StopPreview();
  EXPECT_FALSE(window_->IsBusy());
  window_->Next();
  EXPECT_EQ(window_->CurrentPage(), VerosaDlg::kOutputPage);
}

TEST_F(MainWindowTest, PreviewOfAProjectWithoutChaptersIsReported) {
  const fs::path path = dir_ / "empty.mdp";
  WriteProject(path, 0);
  MessageBoxRecorder boxes;
  answer_ = Q(path);
  window_->Preview();
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Invalid project file: " + path.string() + ".");
  EXPECT_EQ(boxes.Boxes()[0].caption, "Preview Error");
  EXPECT_EQ(boxes.Boxes()[0].style, platform::kMbOk | platform::kMbIconError);
  EXPECT_FALSE(window_->IsBusy());
  EXPECT_FALSE(window_->PreviewWindow()->isVisible());
  EXPECT_EQ(window_->CurrentPage(), VerosaDlg::kStartPage);

  // Chapters whose files exist but that the conversion control refuses (no
  // sound in them) leave nothing to preview: the same report, no
  // full-screen window.
  const fs::path songs = dir_ / "songs.mdp";
  WriteProject(songs, 2);
  ProjectDocument silent;
  ASSERT_TRUE(silent.OpenProject(songs));
  const fs::path text = dir_ / "not-audio.wav";
  testing_support::WriteFile(text, "no sound here");
  for (int i = 0; i < silent.CellCount(); ++i) {
    CellUpdate update;
    update.audio_path = text.string();
    silent.UpdateCells(i, update);
  }
  ASSERT_TRUE(silent.SaveProject(songs));
  boxes.Clear();
  answer_ = Q(songs);
  window_->Preview();
  ASSERT_FALSE(boxes.Boxes().empty());  // the control names each refused file first
  EXPECT_EQ(boxes.Boxes().back().caption, "Preview Error");
  EXPECT_FALSE(window_->IsBusy());
  EXPECT_FALSE(window_->PreviewWindow()->isVisible());
}

TEST_F(MainWindowTest, ClosingSavesAMarkedProject) {
  const fs::path own = dir_ / "own.mdp";
  context_.Project().SetPath(own);
  AddChapterToProject();
  window_->EditPage()->SetModified(true);
  window_->show();
  window_->close();
  EXPECT_TRUE(fs::exists(own));
  EXPECT_FALSE(window_->EditPage()->IsModified());
}

TEST_F(MainWindowTest, AcceptedOptionsPrepareTheWorkFolderSaveAndEndTheProgram) {
  QAction* options = window_->CommandAction("ID_OPTIONS");
  ASSERT_NE(options, nullptr);
  EXPECT_FALSE(options->isEnabled()) << "no Options dialog to run";

  const fs::path work = dir_ / "work";
  bool accept = false;
  window_->SetOptionsDialogRunner([&](AppContext& context, QWidget*) {
    context.Settings().SetWorkPath(work.string());
    return accept;
  });
  EXPECT_TRUE(options->isEnabled());
  window_->show();
  MessageBoxRecorder boxes;
  window_->RunOptions();  // cancelled
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_TRUE(window_->isVisible());

  accept = true;
  window_->RunOptions();
  for (const char* sub : {"DVD", "CD2WAV", "REC2WAV", "temp"})
    EXPECT_TRUE(fs::is_directory(work / sub)) << sub;
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "please relaunch to validate options setting.");
  EXPECT_EQ(boxes.Boxes()[0].caption, "Options Setting Successfully");
  EXPECT_NE(ReadFile(context_.Settings().SettingsFile()).find(work.string()), std::string::npos);
  EXPECT_FALSE(window_->isVisible());
}

}  // namespace
}  // namespace verosa::testing
