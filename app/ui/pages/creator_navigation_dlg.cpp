#include "ui/pages/creator_navigation_dlg.h"

#include <QPainter>
#include <filesystem>

#include "ui/skin/page_skin.h"
#include "ui/skin/skin_button.h"

namespace verosa {
namespace {

constexpr const char* kCaptions[CreatorNavigationDlg::kPageCount] = {"Start", "Config", "Edit",
                                                                     "Output"};
constexpr const char* kSkinNames[CreatorNavigationDlg::kPageCount] = {"start", "config", "edit",
                                                                      "output"};
constexpr int kButtonWidth = 104;
constexpr int kButtonHeight = 34;
constexpr int kFirstButtonLeft = 18;
constexpr int kButtonSpacing = 8;
// The skin pictures carry an icon disc on their left; captions centre in
// the rest.
constexpr int kCaptionLeftMargin = 26;
constexpr int kCaptionPixelSize = 12;

}  // namespace

CreatorNavigationDlg::CreatorNavigationDlg(QWidget* parent) : QWidget(parent) {
  setObjectName("CreatorNavigationDlg");
  setFixedHeight(kHeight);
  for (int page = 0; page < kPageCount; ++page) {
    auto* button = new SkinButton(QString::fromLatin1(kCaptions[page]), this);
    button->setObjectName(QStringLiteral("nav_%1").arg(QString::fromLatin1(kSkinNames[page])));
    button->setGeometry(kFirstButtonLeft + page * (kButtonWidth + kButtonSpacing),
                        (kHeight - kButtonHeight) / 2, kButtonWidth, kButtonHeight);
    // Without focus changes the current page's button keeps its down look.
    button->setFocusPolicy(Qt::NoFocus);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kCaptionPixelSize);
    font.setBold(true);
    button->SetTextFont(font);
    button->SetTextMargins(QMargins(kCaptionLeftMargin, 0, 0, 0));
    connect(button, &QPushButton::clicked, this, [this, page] {
      if (handler_) handler_(page);
      SetCurrentPage(current_);
    });
    buttons_[static_cast<std::size_t>(page)] = button;
  }
  SetCurrentPage(0);
}

CreatorNavigationDlg::~CreatorNavigationDlg() = default;

void CreatorNavigationDlg::Initialize() {
  const std::filesystem::path skins = SkinsFolder();
  if (!std::filesystem::is_directory(skins)) return;
  for (int page = 0; page < kPageCount; ++page)
    SetButtonSkin(*buttons_[static_cast<std::size_t>(page)], skins, kSkinNames[page]);
  background_ = LoadSkinImage(skins / "Navigation_back.bmp");
  update();
}

void CreatorNavigationDlg::SetCurrentPage(int page) {
  current_ = page;
  for (int i = 0; i < kPageCount; ++i) buttons_[static_cast<std::size_t>(i)]->SetCheck(i == page);
}

SkinButton* CreatorNavigationDlg::PageButton(int page) const {
  if (page < 0 || page >= kPageCount) return nullptr;
  return buttons_[static_cast<std::size_t>(page)];
}

void CreatorNavigationDlg::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (background_.isNull()) {
    painter.fillRect(rect(), palette().window());
    return;
  }
  // The strip left of the picture takes the picture's edge colour.
  painter.fillRect(QRect(0, 0, kBackgroundLeft, height()),
                   QColor(background_.pixel(0, background_.height() / 2)));
  painter.drawImage(QPoint(kBackgroundLeft, 0), background_);
  if (background_.width() + kBackgroundLeft < width())
    painter.fillRect(QRect(kBackgroundLeft + background_.width(), 0,
                           width() - kBackgroundLeft - background_.width(), height()),
                     QColor(background_.pixel(background_.width() - 1, background_.height() / 2)));
}

}  // namespace verosa
