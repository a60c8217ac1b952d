// The Options dialog: the work folder (under which every temporary and
// intermediate file lives) and the interface language. OK checks that the
// folder exists and can be written, then applies both; Default and Browse
// change only what the dialog shows, so Cancel leaves everything as it was.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>

class QComboBox;
class QLineEdit;

namespace verosa {

class AppContext;

class SystemOptionDlg : public QDialog {
 public:
  static constexpr int kIdWorkFolder = 1012;
  static constexpr int kIdBrowse = 1013;
  static constexpr int kIdLanguage = 1015;
  static constexpr int kIdDefault = 1000;
  static constexpr int kIdOk = 1;
  static constexpr int kIdCancel = 2;

  // Picks a folder; empty when cancelled (tests replace it).
  using FolderPicker = std::function<QString(QWidget* parent, const QString& title,
                                             const QString& start)>;

  explicit SystemOptionDlg(AppContext& context, QWidget* parent = nullptr,
                           FolderPicker picker = {});

  QString WorkFolderText() const;
  // The locale identifier of the selected language (0 when none).
  std::uint32_t SelectedLanguage() const;

  void Browse();
  void RestoreDefaults();
  // Validates and applies; the dialog closes only when that worked.
  void accept() override;

  // The name a language is listed by: its own name for itself ("Deutsch");
  // empty for an identifier without a known locale.
  static QString LanguageDisplayName(std::uint32_t lcid);

 private:
  void SelectLanguage(std::uint32_t lcid);

  AppContext& context_;
  FolderPicker picker_;
  QLineEdit* folder_ = nullptr;
  QComboBox* language_ = nullptr;
};

// True when `folder` is a directory in which a file can be created (a probe
// file is written and removed).
bool IsWritableFolder(const QString& folder);

}  // namespace verosa
