#include "ui/main/system_option_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryFile>
#include <QVBoxLayout>

#include "platform/message_box.h"
#include "shell/app_context.h"
#include "shell/language_holder.h"
#include "tolvane/locale_ids.h"
#include "ui/common/ui_language.h"

namespace verosa {

bool IsWritableFolder(const QString& folder) {
  if (folder.isEmpty()) return false;
  QTemporaryFile probe(folder + QStringLiteral("/.verosa-probe-XXXXXX"));
  return probe.open();  // removed again when `probe` goes
}

QString SystemOptionDlg::LanguageDisplayName(std::uint32_t lcid) {
  const std::string_view locale = tolvane::LocaleOfLcid(lcid);
  if (locale.empty()) return {};
  const QLocale qt(QString::fromLatin1(locale.data(), static_cast<qsizetype>(locale.size())));
  QString name = qt.nativeLanguageName();
  // Two entries of one language tell their countries apart.
  if (locale.find('_') != std::string_view::npos) name += QStringLiteral(" (%1)").arg(qt.nativeTerritoryName());
  if (!name.isEmpty()) name[0] = name[0].toUpper();
  return name;
}

SystemOptionDlg::SystemOptionDlg(AppContext& context, QWidget* parent, FolderPicker picker)
    : QDialog(parent), context_(context), picker_(std::move(picker)) {
  setObjectName("SystemOptionDlg");
  setWindowTitle(QStringLiteral("Options"));
  if (!picker_)
    picker_ = [](QWidget* parent, const QString& title, const QString& start) {
      return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
    };

  auto* root = new QVBoxLayout(this);
  auto* folder_group = new QGroupBox(QStringLiteral("Work Folder"), this);
  auto* folder_row = new QHBoxLayout(folder_group);
  folder_ = new QLineEdit(folder_group);
  folder_->setObjectName(QString::number(kIdWorkFolder));
  folder_->setMinimumWidth(320);
  auto* browse = new QPushButton(QStringLiteral("..."), folder_group);
  browse->setObjectName(QString::number(kIdBrowse));
  browse->setShortcut(QKeySequence(Qt::ALT | Qt::Key_B));
  folder_row->addWidget(folder_);
  folder_row->addWidget(browse);
  root->addWidget(folder_group);

  auto* language_group = new QGroupBox(QStringLiteral("User Interface Language"), this);
  auto* language_row = new QHBoxLayout(language_group);
  language_ = new QComboBox(language_group);
  language_->setObjectName(QString::number(kIdLanguage));
  language_row->addWidget(language_);
  root->addWidget(language_group);

  auto* buttons = new QHBoxLayout;
  auto* defaults = new QPushButton(QStringLiteral("&Default"), this);
  defaults->setObjectName(QString::number(kIdDefault));
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QString::number(kIdOk));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QString::number(kIdCancel));
  buttons->addWidget(defaults);
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  root->addLayout(buttons);

  connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
  connect(defaults, &QPushButton::clicked, this, [this] { RestoreDefaults(); });
  connect(ok, &QPushButton::clicked, this, [this] { accept(); });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });

  LanguageHolder& language = context_.Settings().Language();
  for (const std::uint32_t lcid : language.ListLanguages()) {
    const QString name = LanguageDisplayName(lcid);
    if (!name.isEmpty()) language_->addItem(name, lcid);
  }
  SelectLanguage(language.CurrentLanguage());
  folder_->setText(QString::fromStdString(context_.Settings().WorkPath()));
  TranslateWidgetTexts(language, *this, kSectionSystemOptionDlg);
}

QString SystemOptionDlg::WorkFolderText() const { return folder_->text(); }

std::uint32_t SystemOptionDlg::SelectedLanguage() const {
  return language_->currentIndex() < 0 ? 0 : language_->currentData().toUInt();
}

void SystemOptionDlg::SelectLanguage(std::uint32_t lcid) {
  const int index = language_->findData(lcid);
  if (index >= 0) language_->setCurrentIndex(index);
}

void SystemOptionDlg::Browse() {
  const QString title = QString::fromStdString(
      context_.Settings().Language().Translate("Current Folder:", kSectionMiscStrings));
  const QString chosen = picker_(this, title, folder_->text());
  if (!chosen.isEmpty()) folder_->setText(chosen);
}

void SystemOptionDlg::RestoreDefaults() {
  SelectLanguage(context_.Settings().Language().DefaultLanguage());
  folder_->setText(QString::fromStdString(SettingsStore::DefaultWorkPath()));
}

void SystemOptionDlg::accept() {
  const QString folder = folder_->text();
  if (!IsWritableFolder(folder)) {
    std::string text = context_.Settings().Language().Translate("Invalid Work folder:\n%s",
                                                                kSectionMessageBoxes);
    if (const std::size_t at = text.find("%s"); at != std::string::npos)
      text.replace(at, 2, folder.toStdString());
    platform::MessageBox(platform::kNoWindow, text, "Warning",
                         platform::kMbOk | platform::kMbIconWarning);
    return;
  }
  if (const std::uint32_t lcid = SelectedLanguage(); lcid != 0)
    context_.Settings().Language().SetLanguage(lcid);
  context_.Settings().SetWorkPath(folder.toStdString());
  context_.Conversion().SetOutputFolder(folder.toStdString().c_str());
  QDialog::accept();
}

}  // namespace verosa
