// The "Change Output File" dialog: the destination's name without its
// extension, a folder chooser, and a preview of the full path.
#pragma once

#include <QDialog>

#include "ui/output_file_name.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace carrowell {

class ChangeOutputFileDlg : public QDialog {
 public:
  ChangeOutputFileDlg(const std::string& destination, QWidget* parent = nullptr);

  // The new destination after OK.
  const std::string& Result() const { return result_; }

  QLineEdit* NameEdit() const { return name_edit_; }
  QPushButton* BrowseButton() const { return browse_button_; }
  QCheckBox* PreviewCheck() const { return preview_check_; }
  QLabel* PreviewLabel() const { return preview_label_; }
  // Moves the name into `folder`, as choosing a folder with Browse does.
  void ChooseFolder(const std::string& folder);

  void accept() override;

 private:
  void Refresh();

  OutputFileName model_;
  std::string result_;
  QLineEdit* name_edit_ = nullptr;
  QPushButton* browse_button_ = nullptr;
  QCheckBox* preview_check_ = nullptr;
  QLabel* preview_label_ = nullptr;
};

}  // namespace carrowell
