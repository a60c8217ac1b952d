// VerosaDlg: the main wizard window. It hosts the four pages (Start,
// Config, Edit & Preview, Output) in one place under the navigation bar,
// owns the page order and the File/Edit/Help menu, and runs the project
// flows: New, Open, Preview, Save, Save As and Options, plus Help and the
// About box. While the Edit page previews the whole project or the Output
// page runs a job, page changes and the New, Open, Preview and Options
// commands are ignored.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QMenuBar;
class QStackedWidget;

namespace verosa {

class AppContext;
class CarrowellTranslator;
class CreatorConfigDlg;
class CreatorEditDlg;
class CreatorNavigationDlg;
class CreatorOutputDlg;
class CreatorStartDlg;
class FullScreenPreviewWindow;
class QtWindowSink;
class SkinButton;
class Splash;

// The project file name rule of Save As: ".mdp" is appended unless the
// name already ends in it (in any letter case).
QString WithProjectExtension(const QString& chosen);

class VerosaDlg : public QDialog {
 public:
  enum Page : int { kStartPage = 0, kConfigPage = 1, kEditPage = 2, kOutputPage = 3 };
  static constexpr int kPageCount = 4;
  // The window's client area below the menu.
  static constexpr int kClientWidth = 720;
  static constexpr int kClientHeight = 544;

  struct Options {
    // Show the start-up splash (once per run).
    bool splash = true;
  };

  // What a file dialog is asked for. The runner returns the chosen path,
  // empty when cancelled.
  struct FileDialogRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    QString title;
    QString filter;
    QString folder;
  };
  using FileDialogRunner = std::function<QString(QWidget* parent, const FileDialogRequest&)>;
  // Shows the Options dialog; true when it was accepted.
  using OptionsDialogRunner = std::function<bool(AppContext& context, QWidget* parent)>;

  explicit VerosaDlg(AppContext& context, Options options, QWidget* parent = nullptr);
  explicit VerosaDlg(AppContext& context, QWidget* parent = nullptr)
      : VerosaDlg(context, Options{}, parent) {}
  ~VerosaDlg() override;

  int CurrentPage() const { return current_page_; }
  bool IsBusy() const;

  // --- Commands ---
  void ShowPage(int page);
  void Previous();
  void Next();
  void New();
  void Open();
  // The Open flow for a file named on the command line (or by the desktop).
  void OpenFile(const QString& path);
  void Preview();
  // Writes the project to its own path; false when that failed, which a
  // message box tells the user.
  bool Save();
  // Writes a copy to a chosen file; a failure is told as Save's is.
  void SaveAs();
  void RunOptions();
  void Help();
  void About();
  // Saves the project to its own path, without asking, when the Edit page
  // has unsaved changes.
  void SaveIfModified();

  // --- Seams for the common dialogs ---
  void SetFileDialogRunner(FileDialogRunner runner);
  // Without a runner the Options command is unavailable.
  void SetOptionsDialogRunner(OptionsDialogRunner runner);
  static QString RunFileDialog(QWidget* parent, const FileDialogRequest& request);

  // --- Parts ---
  CreatorStartDlg* StartPage() const { return start_; }
  CreatorConfigDlg* ConfigPage() const { return config_; }
  CreatorEditDlg* EditPage() const { return edit_; }
  CreatorOutputDlg* OutputPage() const { return output_; }
  CreatorNavigationDlg* NavigationBar() const { return navigation_; }
  QWidget* PageWidget(int page) const;
  QStackedWidget* PageArea() const { return pages_; }
  FullScreenPreviewWindow* PreviewWindow() const { return preview_window_; }
  SkinButton* PreviousButton() const { return previous_; }
  SkinButton* NextButton() const { return next_; }
  QMenuBar* MenuBar() const { return menu_bar_; }
  // The menu items Start, Config, Edit & Preview and Output.
  QAction* PageAction(int page) const;
  QAction* CommandAction(const char* name) const;
  const QString& FileFilter() const { return filter_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildClientArea();
  void BuildMenu();
  void CreatePages();
  void ShowPageFor(int page, bool whole_project_preview, bool config_from_project);
  void RefreshNavigation();
  // The project file dialog of Open and Preview; empty when cancelled.
  QString AskProjectToOpen();
  // The file dialog for a project file (title translated, the project filter,
  // the default save folder); empty when cancelled.
  QString AskProjectFile(FileDialogRequest::Kind kind, const char* title);
  // The chosen project's path with the current project let go (Edit page
  // and sources emptied); empty when nothing was chosen.
  std::string LeaveProjectFor(const QString& chosen);
  // After a successful open: the conversion control follows the project's
  // sample rate, then the Edit page rebuilds its list.
  void AdoptOpenedProject();
  // SaveProject to `path`; a failure is told with an error box naming it.
  bool SaveProjectTo(const std::filesystem::path& path);
  std::string Translate(const char* english, const char* section) const;

  AppContext& context_;
  Options options_;
  int current_page_ = kStartPage;
  QMenuBar* menu_bar_ = nullptr;
  QWidget* client_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  CreatorNavigationDlg* navigation_ = nullptr;
  CreatorStartDlg* start_ = nullptr;
  CreatorConfigDlg* config_ = nullptr;
  CreatorEditDlg* edit_ = nullptr;
  CreatorOutputDlg* output_ = nullptr;
  FullScreenPreviewWindow* preview_window_ = nullptr;
  SkinButton* previous_ = nullptr;
  SkinButton* next_ = nullptr;
  std::array<QAction*, kPageCount> page_actions_{};
  QAction* options_action_ = nullptr;
  QString filter_;
  FileDialogRunner file_dialog_;
  OptionsDialogRunner options_dialog_;
  std::unique_ptr<QtWindowSink> output_sink_;
  std::unique_ptr<CarrowellTranslator> carrowell_texts_;
  QPointer<Splash> splash_;
  bool first_paint_seen_ = false;
};

}  // namespace verosa
