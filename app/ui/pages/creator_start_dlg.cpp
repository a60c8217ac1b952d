#include "ui/pages/creator_start_dlg.h"

#include <QLabel>
#include <filesystem>

#include "ui/skin/page_skin.h"
#include "ui/skin/skin_button.h"
#include "ui/skin/skin_picture.h"

namespace verosa {
namespace {

// Page geometry (the page area of the main window is 720 x 440).
constexpr int kLogoLeft = 104;
constexpr int kLogoTop = 140;
constexpr int kLogoSize = 144;
constexpr int kButtonLeft = 336;
constexpr int kFirstRowTop = 116;
constexpr int kRowSpacing = 72;
constexpr int kButtonSize = 48;
constexpr int kTextGap = 16;
constexpr int kTextWidth = 320;

}  // namespace

CreatorStartDlg::CreatorStartDlg(QWidget* parent) : QWidget(parent) {
  setObjectName("CreatorStartDlg");
  struct Row {
    const char* caption;
    const char* text;
    SkinButton** button;
  };
  const Row rows[] = {
      {"New", "Create a new project file.", &new_button_},
      {"Open", "Open an existing project file.", &open_button_},
      {"Preview", "Full Screen to Preview the selected project file.", &preview_button_},
  };
  int top = kFirstRowTop;
  for (const Row& row : rows) {
    auto* button = new SkinButton(QString::fromLatin1(row.caption), this);
    button->setGeometry(kButtonLeft, top, kButtonSize, kButtonSize);
    button->setFocusPolicy(Qt::NoFocus);
    auto* label = new QLabel(QString::fromLatin1(row.text), this);
    label->setGeometry(kButtonLeft + kButtonSize + kTextGap, top, kTextWidth, kButtonSize);
    label->setWordWrap(true);
    *row.button = button;
    top += kRowSpacing;
  }
  new_button_->setObjectName("IDC_NEW");
  open_button_->setObjectName("IDC_OPEN");
  preview_button_->setObjectName("IDC_PREVIEW");
  connect(new_button_, &QPushButton::clicked, this, [this] { Run(Command::New); });
  connect(open_button_, &QPushButton::clicked, this, [this] { Run(Command::Open); });
  connect(preview_button_, &QPushButton::clicked, this, [this] { Run(Command::Preview); });

  logo_ = new SkinPicture(this);
  logo_->setGeometry(kLogoLeft, kLogoTop, kLogoSize, kLogoSize);
}

CreatorStartDlg::~CreatorStartDlg() = default;

void CreatorStartDlg::Initialize() {
  const std::filesystem::path skins = SkinsFolder();
  if (!std::filesystem::is_directory(skins)) return;
  // The buttons show pictures only; their captions become tool tips.
  const std::pair<SkinButton*, const char*> buttons[] = {
      {new_button_, "newprj"}, {open_button_, "openprj"}, {preview_button_, "previewprj"}};
  for (const auto& [button, base] : buttons) {
    if (SetButtonSkin(*button, skins, base)) button->SetDrawText(false);
  }
  // The page picture is stretched into its control (pixel for pixel, so
  // that its magenta outside stays exact), shaped by its magenta.
  const QImage logo = LoadSkinImage(skins / "start_logo.bmp");
  if (!logo.isNull()) {
    const QImage stretched =
        logo.size() == logo_->size()
            ? logo
            : logo.scaled(logo_->size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    SetPictureSkin(*logo_, stretched);
    logo_->move(kLogoLeft, kLogoTop);
  }
}

void CreatorStartDlg::Run(Command command) {
  if (handler_) handler_(command);
}

}  // namespace verosa
