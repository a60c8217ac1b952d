#include "ui/main/verosa_dlg.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/message_box.h"
#include "shell/app_context.h"
#include "shell/language_holder.h"
#include "ui/main/about_dlg.h"
#include "ui/main/full_screen_preview.h"
#include "ui/common/qt_window_sink.h"
#include "ui/main/splash.h"
#include "ui/main/system_option_dlg.h"
#include "ui/common/ui_language.h"
#include "ui/pages/creator_config_dlg.h"
#include "ui/pages/creator_edit_dlg.h"
#include "ui/pages/creator_navigation_dlg.h"
#include "ui/pages/creator_output_dlg.h"
#include "ui/pages/creator_start_dlg.h"
#include "ui/skin/page_skin.h"
#include "ui/skin/skin_button.h"

namespace verosa {
namespace {

namespace fs = std::filesystem;

constexpr const char* kHelpPages[VerosaDlg::kPageCount] = {
    "Start_Dialog.htm", "Config_Dialog.htm", "Edit_Dialog.htm", "Output_Dialog.htm"};
constexpr const char* kPageActionNames[VerosaDlg::kPageCount] = {"ID_START", "ID_CONFIG",
                                                                 "ID_EDIT", "ID_OUTPUT"};
constexpr const char* kProjectFilter = "$APPNAME$ Project File(*.mdp)";
constexpr const char* kOpenTitle = "Select $APPNAME$ Project File";
constexpr const char* kSaveTitle = "Save $APPNAME$ Project File";
constexpr const char* kProjectExtension = ".mdp";

// Geometry of the client area: the navigation bar, the page rectangle and
// the Previous/Next strip below it.
constexpr int kPageTop = CreatorNavigationDlg::kHeight;
constexpr int kPageHeight = 440;
constexpr int kStepButtonWidth = 96;
constexpr int kStepButtonHeight = 30;
constexpr int kStepButtonTop = kPageTop + kPageHeight + 9;
constexpr int kStepButtonGap = 12;
constexpr int kStepButtonRight = 16;
constexpr int kStepCaptionMargin = 26;

// Swallows the Escape key everywhere in the program, so that no page or
// dialog closes on it.
SkinButton* MakeStepButton(const char* caption, const char* id, QWidget* parent) {
  auto* button = new SkinButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QString::fromLatin1(id));
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

}  // namespace

QString WithProjectExtension(const QString& chosen) {
  const qsizetype dot = chosen.lastIndexOf(QLatin1Char('.'));
  if (dot < 0) return chosen + QLatin1String(kProjectExtension);
  if (chosen.mid(dot).toUpper() != QLatin1String(".MDP"))
    return chosen + QLatin1String(kProjectExtension);
  return chosen;
}

VerosaDlg::VerosaDlg(AppContext& context, Options options, QWidget* parent)
    : QDialog(parent), context_(context), options_(options) {
  setObjectName("VerosaDlg");
  setWindowTitle(QStringLiteral("$APPNAME$"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  file_dialog_ = &VerosaDlg::RunFileDialog;
  options_dialog_ = [](AppContext& context, QWidget* parent) {
    SystemOptionDlg dialog(context, parent);
    return dialog.exec() == QDialog::Accepted;
  };


  // Icons and the splash.
  const QImage icon = LoadSkinImage(SkinsFolder() / "start_logo.bmp");
  if (!icon.isNull()) {
    QImage shaped = icon.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < shaped.height(); ++y)
      for (int x = 0; x < shaped.width(); ++x)
        if ((shaped.pixel(x, y) & 0xFFFFFF) == kSkinTransparent) shaped.setPixel(x, y, 0);
    setWindowIcon(QIcon(QPixmap::fromImage(shaped)));
  }
  if (options_.splash) splash_ = Splash::ShowOnce();

  BuildClientArea();
  BuildMenu();

  // The window's own texts, the menu and the project filter.
  const LanguageHolder& language = context_.Settings().Language();
  TranslateWidgetTexts(language, *this, kSectionVerosaDlg);
  if (!language.Loaded()) setWindowTitle(QString::fromLatin1(kProductName));
  TranslateMenuTexts(language, *menu_bar_, kSectionPopupMenus);
  filter_ = QString::fromStdString(language.TranslateInto(kProjectFilter, kSectionMiscStrings));
  carrowell_texts_ = std::make_unique<CarrowellTranslator>(language);

  CreatePages();
  SetTranslatedToolTips(language, *this);
  ShowPageFor(current_page_, false, false);
}

VerosaDlg::~VerosaDlg() {
  delete splash_.data();
  if (output_) output_->SetWindow(platform::kNoWindow);
  output_sink_.reset();
}

void VerosaDlg::BuildClientArea() {
  client_ = new QWidget(this);
  client_->setObjectName("client");
  client_->setFixedSize(kClientWidth, kClientHeight);

  pages_ = new QStackedWidget(client_);
  pages_->setObjectName("1031");
  pages_->setGeometry(0, kPageTop, kClientWidth, kPageHeight);

  previous_ = MakeStepButton("Previous", "1001", client_);
  next_ = MakeStepButton("Next", "1002", client_);
  const int next_left = kClientWidth - kStepButtonRight - kStepButtonWidth;
  next_->setGeometry(next_left, kStepButtonTop, kStepButtonWidth, kStepButtonHeight);
  previous_->setGeometry(next_left - kStepButtonGap - kStepButtonWidth, kStepButtonTop,
                         kStepButtonWidth, kStepButtonHeight);
  const fs::path skins = SkinsFolder();
  if (fs::is_directory(skins)) {
    SetButtonSkin(*previous_, skins, "pre");
    SetButtonSkin(*next_, skins, "next");
  }
  // The arrow discs sit at the outer ends of the pictures.
  previous_->SetTextMargins(QMargins(kStepCaptionMargin, 0, 0, 0));
  next_->SetTextMargins(QMargins(0, 0, kStepCaptionMargin, 0));
  connect(previous_, &QPushButton::clicked, this, [this] { Previous(); });
  connect(next_, &QPushButton::clicked, this, [this] { Next(); });

  menu_bar_ = new QMenuBar(this);
  menu_bar_->setObjectName("145");
  menu_bar_->setNativeMenuBar(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(menu_bar_);
  layout->addWidget(client_);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void VerosaDlg::BuildMenu() {
  auto add = [this](QMenu* menu, const char* text, const char* name, auto slot) {
    QAction* action = menu->addAction(QString::fromLatin1(text));
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  QMenu* file = menu_bar_->addMenu(QStringLiteral("&File"));
  add(file, "&New", "ID_NEW", [this] { New(); });
  add(file, "&Open...", "ID_OPEN", [this] { Open(); });
  add(file, "&Preview", "ID_PREVIEW", [this] { Preview(); });
  file->addSeparator();
  add(file, "&Save", "ID_SAVE", [this] { Save(); });
  add(file, "Save &As...", "ID_SAVE_AS", [this] { SaveAs(); });
  file->addSeparator();
  add(file, "E&xit", "ID_APP_EXIT", [this] { close(); });

  QMenu* edit = menu_bar_->addMenu(QStringLiteral("&Edit"));
  const char* page_texts[kPageCount] = {"&Start", "&Config", "&Edit && Preview", "&Output"};
  for (int page = 0; page < kPageCount; ++page) {
    QAction* action = add(edit, page_texts[page], kPageActionNames[page], [this, page] {
      ShowPage(page);
      RefreshNavigation();
    });
    action->setCheckable(true);
    page_actions_[static_cast<std::size_t>(page)] = action;
  }
  edit->addSeparator();
  options_action_ = add(edit, "O&ptions...", "ID_OPTIONS", [this] { RunOptions(); });
  options_action_->setEnabled(static_cast<bool>(options_dialog_));

  QMenu* help = menu_bar_->addMenu(QStringLiteral("&Help"));
  add(help, "&Help", "ID_HELP", [this] { Help(); });
  add(help, "&About $APPNAME$...", "ID_APP_ABOUT", [this] { About(); });
}

void VerosaDlg::CreatePages() {
  navigation_ = new CreatorNavigationDlg(client_);
  navigation_->setGeometry(0, 0, kClientWidth, CreatorNavigationDlg::kHeight);
  navigation_->Initialize();
  navigation_->SetPageHandler([this](int page) { ShowPage(page); });

  start_ = new CreatorStartDlg(pages_);
  config_ = new CreatorConfigDlg(context_, pages_);
  edit_ = new CreatorEditDlg(context_, pages_);
  output_ = new CreatorOutputDlg(context_, pages_);
  for (QWidget* page : {static_cast<QWidget*>(start_), static_cast<QWidget*>(config_),
                        static_cast<QWidget*>(edit_), static_cast<QWidget*>(output_)})
    pages_->addWidget(page);

  // Every page gets its skins and the context; the Config page translates
  // itself.
  const LanguageHolder& language = context_.Settings().Language();
  start_->Initialize();
  start_->SetCommandHandler([this](CreatorStartDlg::Command command) {
    switch (command) {
      case CreatorStartDlg::Command::New: New(); break;
      case CreatorStartDlg::Command::Open: Open(); break;
      case CreatorStartDlg::Command::Preview: Preview(); break;
    }
  });
  TranslateWidgetTexts(language, *start_, kSectionCreatorStartDlg);
  TranslateWidgetTexts(language, *navigation_, kSectionCreatorNavigationDlg);
  config_->Initialize();
  edit_->Initialize();
  TranslateWidgetTexts(language, *edit_, kSectionCreatorEditDlg);
  output_->Initialize();
  TranslateWidgetTexts(language, *output_, kSectionCreatorOutputDlg);

  // The authoring component reports to the Output page through this window.
  output_sink_ = std::make_unique<QtWindowSink>(
      [this](std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) -> std::intptr_t {
        return output_ && output_->HandleMessage(message, wparam, lparam) ? 1 : 0;
      });
  output_->SetWindow(output_sink_->Register());

  preview_window_ = new FullScreenPreviewWindow(this);
  preview_window_->hide();
  edit_->SetFullScreenHandler([this](int chapter, bool show) {
    if (!show && !preview_window_->isVisible()) return;
    preview_window_->ComposeChapter(context_.Project(), chapter);
    if (show) preview_window_->ShowFullScreen();
  });
}

QWidget* VerosaDlg::PageWidget(int page) const {
  return page >= 0 && page < kPageCount ? pages_->widget(page) : nullptr;
}

QAction* VerosaDlg::PageAction(int page) const {
  return page >= 0 && page < kPageCount ? page_actions_[static_cast<std::size_t>(page)] : nullptr;
}

QAction* VerosaDlg::CommandAction(const char* name) const {
  return menu_bar_->findChild<QAction*>(QString::fromLatin1(name));
}

bool VerosaDlg::IsBusy() const {
  return (edit_ && edit_->IsWholeProjectPreview()) || (output_ && output_->IsBusy());
}

std::string VerosaDlg::Translate(const char* english, const char* section) const {
  return context_.Settings().Language().Translate(english, section);
}

// ------------------------------------------------------------------ pages

void VerosaDlg::ShowPage(int page) { ShowPageFor(page, false, false); }

void VerosaDlg::ShowPageFor(int page, bool whole_project_preview, bool config_from_project) {
  if (page < 0 || page >= kPageCount) return;
  if (IsBusy()) {
    RefreshNavigation();
    return;
  }
  edit_->StopPreview();
  switch (page) {
    case kConfigPage:
      if (config_from_project)
        config_->LoadFromProject();
      else
        config_->LoadFromSettings(false);
      break;
    case kEditPage:
      edit_->EnterPage(whole_project_preview);
      break;
    default:
      break;
  }
  QWidget* widget = pages_->widget(page);
  pages_->setCurrentWidget(widget);
  widget->setFocus();
  if (page == kOutputPage) output_->Refresh();
  current_page_ = page;
  RefreshNavigation();
}

void VerosaDlg::RefreshNavigation() {
  for (int page = 0; page < kPageCount; ++page)
    page_actions_[static_cast<std::size_t>(page)]->setChecked(page == current_page_);
  if (navigation_) navigation_->SetCurrentPage(current_page_);
}

void VerosaDlg::Previous() { ShowPage(current_page_ > 0 ? current_page_ - 1 : 0); }

void VerosaDlg::Next() {
  ShowPage(current_page_ < kPageCount - 1 ? current_page_ + 1 : kPageCount - 1);
}

// ------------------------------------------------------------- file flows

void VerosaDlg::SaveIfModified() {
  if (edit_ && edit_->IsModified()) Save();
}

bool VerosaDlg::Save() {
  if (!SaveProjectTo(context_.Project().Path())) return false;
  edit_->SetModified(false);
  return true;
}

bool VerosaDlg::SaveProjectTo(const fs::path& path) {
  if (context_.Project().SaveProject(path)) return true;
  const std::string text = Translate("The project file could not be saved:", kSectionMessageBoxes) + "\n" +
                           path.string();
  platform::MessageBox(platform::kNoWindow, text, "Error", platform::kMbOk | platform::kMbIconError);
  return false;
}

void VerosaDlg::New() {
  if (IsBusy()) return;
  edit_->StopPreview();
  const fs::path path = fs::path(context_.Settings().VerosaDefaultSavePath()) /
                        (std::string(kProductName) + kProjectExtension);
  SaveIfModified();
  if (!context_.Project().NewProject(path)) return;
  edit_->Reset();
  ShowPageFor(kConfigPage, false, true);
}

QString VerosaDlg::AskProjectToOpen() {
  return AskProjectFile(FileDialogRequest::Kind::Open, kOpenTitle);
}

QString VerosaDlg::AskProjectFile(FileDialogRequest::Kind kind, const char* title) {
  FileDialogRequest request;
  request.kind = kind;
  request.title = QString::fromStdString(Translate(title, kSectionMiscStrings));
  request.filter = filter_;
  request.folder = QString::fromStdString(context_.Settings().VerosaDefaultSavePath());
  return file_dialog_ ? file_dialog_(this, request) : QString();
}

void VerosaDlg::AdoptOpenedProject() {
  ProjectDocument& project = context_.Project();
  // New sources are converted to the opened project's rate, not to the
  // rate the settings last had.
  const int rate = project.Header().AudioSampleRate;
  if (rate > 0) context_.Conversion().SetSampleRate(rate);
  edit_->RebuildTree();
}

std::string VerosaDlg::LeaveProjectFor(const QString& chosen) {
  if (chosen.isEmpty()) return {};
  edit_->Reset();
  return chosen.toStdString();
}

void VerosaDlg::Open() { OpenFile({}); }

void VerosaDlg::OpenFile(const QString& given) {
  if (IsBusy()) return;
  edit_->StopPreview();
  SaveIfModified();
  const std::string path = LeaveProjectFor(given.isEmpty() ? AskProjectToOpen() : given);
  if (path.empty()) return;
  if (!context_.Project().OpenProject(path)) {
    const std::string text = Translate("Invalid project file:", kSectionMessageBoxes) + "\n" + path;
    platform::MessageBox(platform::kNoWindow, text, "Open Error",
                         platform::kMbOk | platform::kMbIconError);
    return;
  }
  AdoptOpenedProject();
  ShowPage(kEditPage);
}

void VerosaDlg::Preview() {
  if (IsBusy()) return;
  edit_->StopPreview();
  SaveIfModified();
  const std::string path = LeaveProjectFor(AskProjectToOpen());
  if (path.empty()) return;
  ProjectDocument& project = context_.Project();
  auto refuse = [this, &path] {
    std::string text = Translate("Invalid project file: %s.", kSectionMessageBoxes);
    if (const std::size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, path);
    platform::MessageBox(platform::kNoWindow, text, "Preview Error",
                         platform::kMbOk | platform::kMbIconError);
  };
  if (!project.OpenProject(path) || project.CellCount() == 0) {
    refuse();
    return;
  }
  AdoptOpenedProject();
  // Chapters whose audio the conversion control refused are gone now; with
  // none left there is nothing to preview.
  if (project.CellCount() == 0) {
    refuse();
    return;
  }
  preview_window_->ComposeChapter(project, 0);
  preview_window_->ShowFullScreen();
  QCoreApplication::processEvents();
  ShowPageFor(kEditPage, true, false);
}

void VerosaDlg::SaveAs() {
  const QString chosen = AskProjectFile(FileDialogRequest::Kind::Save, kSaveTitle);
  if (chosen.isEmpty()) return;
  // A copy elsewhere: the project keeps its own path and its mark.
  SaveProjectTo(WithProjectExtension(chosen).toStdString());
}

void VerosaDlg::RunOptions() {
  if (IsBusy() || !options_dialog_) return;
  edit_->StopPreview();
  if (!options_dialog_(context_, this)) return;
  SettingsStore& settings = context_.Settings();
  // The program ends only when everything is in place and saved; otherwise
  // it says what failed and goes on, so no chapter is lost.
  if (!CreateWorkFolders(settings.WorkPath())) {
    const std::string text =
        Translate("The work folders could not be created:", kSectionMessageBoxes) + "\n" +
        settings.WorkPath();
    platform::MessageBox(platform::kNoWindow, text, "Error", platform::kMbOk | platform::kMbIconError);
    return;
  }
  if (edit_->IsModified() && !Save()) return;  // Save has named the file
  if (!settings.Save()) {
    platform::MessageBox(platform::kNoWindow,
                         Translate("The settings could not be saved.", kSectionMessageBoxes),
                         "Error", platform::kMbOk | platform::kMbIconError);
    return;
  }
  platform::MessageBox(platform::kNoWindow, "please relaunch to validate options setting.",
                       "Options Setting Successfully", platform::kMbOk);
  close();
}

void VerosaDlg::Help() {
  context_.Settings().Language().ShowHelp(kHelpPages[current_page_]);
}

void VerosaDlg::About() {
  AboutDlg about(BuildProductInfo(), &context_.Settings().Language(), this);
  about.exec();
}

void VerosaDlg::SetFileDialogRunner(FileDialogRunner runner) {
  file_dialog_ = runner ? std::move(runner) : FileDialogRunner(&VerosaDlg::RunFileDialog);
}

void VerosaDlg::SetOptionsDialogRunner(OptionsDialogRunner runner) {
  options_dialog_ = std::move(runner);
  options_action_->setEnabled(static_cast<bool>(options_dialog_));
}

QString VerosaDlg::RunFileDialog(QWidget* parent, const FileDialogRequest& request) {
  QFileDialog dialog(parent, request.title, request.folder, request.filter);
  if (request.kind == FileDialogRequest::Kind::Open) {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
  }
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? QString() : files.front();
}

// --------------------------------------------------------------- closing

void VerosaDlg::closeEvent(QCloseEvent* event) {
  // A running job keeps the window (and with it the job) alive.
  if (output_ && output_->IsBusy()) {
    event->ignore();
    return;
  }
  if (edit_) edit_->StopPreview();
  SaveIfModified();
  if (output_) output_->DeleteTemporaryFiles();
  if (preview_window_) preview_window_->hide();
  QDialog::closeEvent(event);
}

void VerosaDlg::keyPressEvent(QKeyEvent* event) {
  // Escape that no page or control took does not close the wizard; other
  // windows and dialogs keep their Escape.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool VerosaDlg::event(QEvent* event) {
  const bool result = QDialog::event(event);
  // Start-up probe: when the window has been drawn the first time.
  if (event->type() == QEvent::Paint && !first_paint_seen_) {
    first_paint_seen_ = true;
    // The splash stays in front of the window that appeared under it.
    if (splash_) splash_->raise();
    if (const char* probe = std::getenv("VEROSA_STARTUP_PROBE"); probe && probe[0] == '1') {
      const auto now = std::chrono::system_clock::now().time_since_epoch();
      std::printf("verosa: window shown %lld\n",
                  static_cast<long long>(
                      std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
      std::fflush(stdout);
    }
  }
  return result;
}

}  // namespace verosa
