// The Edit & Preview page: the project's titles and chapters with their
// totals, the modified mark behind the main window's silent save, and the
// whole-project preview state that keeps the wizard on this page.
#pragma once

#include <QWidget>
#include <memory>

namespace verosa {

class AppContext;
class ChapterTree;

class CreatorEditDlg : public QWidget {
 public:
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

  // The page is shown; `whole_project_preview` when the Preview flow shows it.
  void EnterPage(bool whole_project_preview);
  bool IsWholeProjectPreview() const { return whole_project_preview_; }
  int CurrentChapter() const { return current_chapter_; }
  // Ends any preview (forced by the main window before page changes and
  // file commands).
  void StopPreview();

  const ChapterTree& Tree() const { return *tree_; }
  // The rows shown in the list below the root.
  int RowCount() const;

 private:
  void Refresh();

  AppContext& context_;
  std::unique_ptr<ChapterTree> tree_;
  class Widgets;
  std::unique_ptr<Widgets> widgets_;
  bool modified_ = false;
  bool whole_project_preview_ = false;
  int current_chapter_ = -1;
};

}  // namespace verosa
