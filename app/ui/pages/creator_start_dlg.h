// The Start page: three picture buttons (new, open and preview a project)
// with their texts beside them, and the product picture.
#pragma once

#include <QWidget>
#include <functional>

namespace verosa {

class SkinButton;
class SkinPicture;

class CreatorStartDlg : public QWidget {
 public:
  enum class Command { New, Open, Preview };
  using CommandHandler = std::function<void(Command)>;

  explicit CreatorStartDlg(QWidget* parent = nullptr);
  ~CreatorStartDlg() override;

  // Skins the buttons and the picture from the skins folder.
  void Initialize();
  // Who runs the page's commands (the main window).
  void SetCommandHandler(CommandHandler handler) { handler_ = std::move(handler); }

  SkinButton* NewButton() const { return new_button_; }
  SkinButton* OpenButton() const { return open_button_; }
  SkinButton* PreviewButton() const { return preview_button_; }

 private:
  void Run(Command command);

  SkinButton* new_button_;
  SkinButton* open_button_;
  SkinButton* preview_button_;
  SkinPicture* logo_;
  CommandHandler handler_;
};

}  // namespace verosa
