#include "ui/change_output_file_dlg.h"

#include <filesystem>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/ui_text.h"

namespace carrowell {

ChangeOutputFileDlg::ChangeOutputFileDlg(const std::string& destination, QWidget* parent)
    : QDialog(parent), model_(destination) {
  setWindowTitle(UiText("Change Output File"));
  setMinimumWidth(460);

  name_edit_ = new QLineEdit(QString::fromStdString(model_.Name()), this);
  name_edit_->setObjectName(QStringLiteral("name"));
  browse_button_ = new QPushButton(UiText("&Browse..."), this);
  browse_button_->setObjectName(QStringLiteral("browse"));
  preview_check_ = new QCheckBox(UiText("Preview:"), this);
  preview_check_->setObjectName(QStringLiteral("preview_check"));
  preview_check_->setChecked(true);
  preview_label_ = new QLabel(UiText(kPreviewPlaceholder), this);
  preview_label_->setObjectName(QStringLiteral("preview"));
  preview_label_->setTextFormat(Qt::PlainText);
  preview_label_->setWordWrap(true);
  preview_label_->setFrameShape(QFrame::StyledPanel);

  auto* buttons = new QDialogButtonBox(
      QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
  SetButtonTexts(*buttons);

  auto* name_row = new QHBoxLayout;
  name_row->addWidget(name_edit_, 1);
  name_row->addWidget(browse_button_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(UiText("Output File Name:"), this));
  layout->addLayout(name_row);
  layout->addWidget(preview_check_);
  layout->addWidget(preview_label_);
  layout->addStretch(1);
  layout->addWidget(buttons);

  connect(name_edit_, &QLineEdit::textEdited, this, [this] { Refresh(); });
  connect(preview_check_, &QCheckBox::toggled, preview_label_, &QWidget::setVisible);
  connect(browse_button_, &QPushButton::clicked, this, [this] {
    const QString folder = QFileDialog::getExistingDirectory(
        this, UiText(kChooseFolderPrompt),
        QString::fromStdString(std::filesystem::path(model_.Name()).parent_path().string()));
    if (!folder.isEmpty()) ChooseFolder(folder.toStdString());
  });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::helpRequested, this, [this] {
    QMessageBox::information(
        this, windowTitle(),
        QStringLiteral("Type the path of the file the conversion writes, without its "
                       "extension, or choose its folder with Browse. The preview shows "
                       "the full name; the extension is added when the name has none."));
  });
}

void ChangeOutputFileDlg::Refresh() {
  model_.SetName(name_edit_->text().toStdString());
  model_.Refresh();
  preview_label_->setText(QString::fromStdString(model_.Preview()));
}

void ChangeOutputFileDlg::ChooseFolder(const std::string& folder) {
  model_.SetName(name_edit_->text().toStdString());
  model_.ChooseFolder(folder);
  name_edit_->setText(QString::fromStdString(model_.Name()));
  preview_label_->setText(QString::fromStdString(model_.Preview()));
}

void ChangeOutputFileDlg::accept() {
  model_.SetName(name_edit_->text().toStdString());
  const auto destination = model_.Confirm();
  preview_label_->setText(QString::fromStdString(model_.Preview()));
  if (!destination) {
    name_edit_->setFocus();
    return;
  }
  result_ = *destination;
  QDialog::accept();
}

}  // namespace carrowell
