// The Edit & Preview page: the project's titles and chapters in a tree list,
// the commands that import, add, edit, arrange and delete them, the totals
// and capacity bar, and the preview (the chapter's picture with its lyrics,
// its audio through the preview player, or the whole project in turn).
// Every change goes through ChapterEditor, which keeps the list, the project
// cells and the conversion items in step.
#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "project/chapter_editing.h"

class QAction;
class QTreeWidgetItem;

namespace verosa {

class AppContext;
class ChapterTree;
class ChapterTreeNode;

class CreatorEditDlg : public QWidget {
 public:
  // Command ids: the buttons' object names and the context menu's actions.
  enum Command : int {
    kImportFile = 1030,
    kImportCd = 1031,
    kRecord = 1032,
    kAddTitle = 1034,
    kAddChapter = 1035,
    kDeleteTitle = 1036,
    kDeleteChapter = 1037,
    kMoveUp = 1038,
    kMoveDown = 1039,
    kRemoveAll = 1040,
    kFullScreen = 1041,
    kVolumeUp = 1042,
    kVolumeDown = 1043,
    kEditChapter = 1069,
    kPlay = 1025,
    kPause = 1026,
    kStop = 1027,
    kPrevious = 1028,
    kNext = 1029,
  };
  static constexpr int kListId = 4097;
  static constexpr int kPreviewPictureId = 1066;
  static constexpr int kPositionBarId = 1067;
  static constexpr int kPositionTextId = 1068;
  static constexpr int kCapacityBarId = 1057;
  static constexpr int kTotalsId = 1092;
  static constexpr int kCapacityBarLength = 200;
  static constexpr int kCapacityFullMB = 9150;
  static constexpr int kPreviewTimerMs = 500;
  static constexpr int kAutoScrollMs = 300;
  static constexpr int kDroppedFilesLimit = 99;
  static constexpr int kVolumeStep = 200;

  // Runs the chapter dialog in add or edit mode; nothing when cancelled.
  using ChapterDialogRunner =
      std::function<std::optional<ChapterFiles>(QWidget* parent, bool edit, const ChapterFiles&)>;
  // Asks for a background picture; empty when cancelled.
  using PictureBrowser = std::function<QString(QWidget* parent, const QString& folder)>;
  // The full-screen preview: `show` brings it up with the chapter's
  // picture; without `show` the chapter changed, and a full-screen preview
  // that is up shows the new chapter's picture.
  using FullScreenHandler = std::function<void(int chapter, bool show)>;

  explicit CreatorEditDlg(AppContext& context, QWidget* parent = nullptr);
  ~CreatorEditDlg() override;

  void Initialize();

  // The reset of New, Open and Preview: no chapters in the list, the
  // project or the conversion control; the mark cleared.
  void Reset();
  // Builds the list from a freshly opened project; false when a chapter
  // was refused (and removed).
  bool RebuildTree();

  // Unsaved changes of the chapters.
  bool IsModified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }

  // The page is shown; `whole_project_preview` when the Preview flow shows
  // it: every chapter plays in turn until Stop.
  void EnterPage(bool whole_project_preview);
  bool IsWholeProjectPreview() const { return whole_project_preview_; }
  int CurrentChapter() const { return current_chapter_; }
  // Ends any preview (forced by the main window before page changes and
  // file commands).
  void StopPreview();

  const ChapterTree& Tree() const { return *tree_; }
  ChapterTree& Tree() { return *tree_; }
  // The rows shown in the list below the root.
  int RowCount() const;

  // --- Commands (the buttons, the context menu and the keys run these) ---
  void Run(int command);
  bool IsEnabled(int command) const;
  // The common tail of every import from item `first_item` on.
  void FinishImport(int first_item, ChapterEditor::ImportedAudio audio, int sample_rate);
  // Files dropped on the list, in order.
  void DropFiles(const QStringList& paths);
  // A row dragged in the list and released over another.
  void DropRow(ChapterTreeNode* target, ChapterTreeNode* dragged);
  // The Delete key of the list.
  void DeleteSelected();
  // The background of the selected chapter from the picture area's menu:
  // theme `index` of the Config page's list, or (-1) a picture chosen in a
  // file dialog.
  void SetChapterPicture(int theme_index);
  // The in-place edit of a chapter row's lyric and picture cells.
  void EditCells(ChapterTreeNode* chapter, const QString& lyric, const QString& picture);
  void PlayChapter(int chapter);
  // The player's end of playback.
  void ChapterEnded();

  void Select(ChapterTreeNode* node);
  QAction* CommandAction(int command) const;
  void ShowMenu(const QPoint& global_pos);

  void SetChapterDialogRunner(ChapterDialogRunner runner);
  void SetPictureBrowser(PictureBrowser browser) { picture_browser_ = std::move(browser); }
  void SetFullScreenHandler(FullScreenHandler handler) { full_screen_ = std::move(handler); }
  // The step that adds CD tracks to the conversion control (default: its
  // Audio CD dialog); tests stand in for the drive.
  void SetCdImporter(std::function<void()> importer) { cd_importer_ = std::move(importer); }
  // The step that adds a converted recording (default: the control's
  // recorder); tests stand in for the sound input.
  void SetRecorder(std::function<void()> recorder) { recorder_ = std::move(recorder); }
  // Free MB on the work folder's volume (tests replace it).
  void SetFreeSpaceQuery(std::function<int(const std::string&)> query) { free_space_ = std::move(query); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class Widgets;
  class ChapterList;

  void BuildWidgets();
  void BuildCommands();
  // The list drawn anew from the tree; the selection kept.
  void RebuildList();
  // Buttons, totals, capacity bar and picture after a change.
  void Refresh();
  void RefreshCommands();
  void RefreshPicture();
  void Changed();
  bool Editable() const;
  ChapterTreeNode* NodeOf(const QTreeWidgetItem* item) const;
  QString Text(const char* english, const char* section) const;
  void ShowRefusal(int result);
  void Warn(const char* message, const std::string& path);
  ChapterDefaults NewChapterDefaults() const;

  void ImportFile();
  void ImportCd();
  void Record();
  // The tail of Import CD and Record once the new items from `first` on are
  // converted: each is rebased onto its WAV file, then the common tail.
  void FinishConvertedImport(int first);
  void AddChapter();
  void EditChapter();
  void RemoveAll();
  void Play();
  void StopPlayback();
  void Step(int delta);
  void ChangeVolume(int delta);
  void FullScreen();
  void Tick();

  AppContext& context_;
  std::unique_ptr<ChapterTree> tree_;
  std::unique_ptr<Widgets> widgets_;
  ChapterDialogRunner chapter_dialog_;
  PictureBrowser picture_browser_;
  FullScreenHandler full_screen_;
  std::function<void()> cd_importer_;
  std::function<void()> recorder_;
  std::function<int(const std::string&)> free_space_;
  bool modified_ = false;
  bool whole_project_preview_ = false;
  int current_chapter_ = -1;
  // Chapters in a row that could not be played in the whole-project preview.
  int failed_in_a_row_ = 0;
};

}  // namespace verosa
