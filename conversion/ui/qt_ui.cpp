#include "ui/qt_ui.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

#include "engine/settings_dialog.h"
#include "ui/audio_cd_dlg.h"
#include "ui/change_output_file_dlg.h"
#include "ui/converter_progress_dlg.h"
#include "ui/mp3_settings_dlg.h"
#include "ui/recorder_dlg.h"

namespace carrowell {

QString QtNameFilter(const FileFilter& filter) {
  QStringList patterns;
  for (const QString& pattern :
       QString::fromStdString(filter.pattern).split(QLatin1Char(';'), Qt::SkipEmptyParts))
    patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern.trimmed());
  return QString::fromStdString(filter.text) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
         QLatin1Char(')');
}

std::unique_ptr<ProgressDisplay> QtConversionUi::CreateProgressDisplay() {
  return std::make_unique<QtProgressDisplay>();
}

std::optional<CdImport> QtConversionUi::ChooseCdTracks(CdRipLibrary* library,
                                                       const std::string& directory) {
  AudioCdDlg dialog(library, directory, QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return CdImport{dialog.OutputDirectory(), dialog.Chosen()};
}

bool QtConversionUi::RunRecorder(const std::string& recording_path) {
  RecorderDlg dialog(recording_path, QApplication::activeWindow());
  return dialog.Ready() && dialog.exec() == QDialog::Accepted;
}

std::optional<FileSelection> QtConversionUi::BrowseForFiles(const FileBrowseRequest& request) {
  QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.title));
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // The filters show their own texts; the patterns stay behind them.
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  QStringList filters;
  for (const FileFilter& filter : request.filters) filters << QtNameFilter(filter);
  dialog.setNameFilters(filters);
  if (!request.initial_folder.empty())
    dialog.setDirectory(QString::fromStdString(request.initial_folder));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;

  FileSelection selection;
  selection.folder = dialog.directory().absolutePath().toStdString();
  for (const QString& file : dialog.selectedFiles()) selection.files.push_back(file.toStdString());
  if (selection.files.empty()) return std::nullopt;
  return selection;
}

std::optional<std::string> QtConversionUi::ChangeOutputFile(const std::string& destination) {
  ChangeOutputFileDlg dialog(destination, QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Result();
}

int QtConversionUi::EditMp3Settings(Mp3Settings& settings) {
  Mp3SettingsDlg dialog(settings, QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return kDialogCancel;
  settings = dialog.Values();
  return kDialogOk;
}

void QtConversionUi::OpenFolder(const std::string& folder) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
}

void QtConversionUi::Beep(BeepKind) { QApplication::beep(); }

void QtConversionUi::SetBusyCursor(bool busy) {
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

}  // namespace carrowell
