// The navigation bar across the top of the main window: one skinned button
// per wizard page over the bar's background picture. The current page's
// button shows its down picture.
#pragma once

#include <QImage>
#include <QWidget>
#include <array>
#include <functional>

namespace verosa {

class SkinButton;

class CreatorNavigationDlg : public QWidget {
 public:
  static constexpr int kPageCount = 4;
  // Height of the bar in pixels (that of its background picture).
  static constexpr int kHeight = 56;
  // The background picture is drawn this far from the left edge.
  static constexpr int kBackgroundLeft = 10;

  using PageHandler = std::function<void(int page)>;

  explicit CreatorNavigationDlg(QWidget* parent = nullptr);
  ~CreatorNavigationDlg() override;

  // Skins the buttons and loads the background from the skins folder.
  void Initialize();
  // Asked to show a page when its button is clicked; the bar then shows
  // the current page again (see SetCurrentPage).
  void SetPageHandler(PageHandler handler) { handler_ = std::move(handler); }
  // The current page's button down, the others normal.
  void SetCurrentPage(int page);
  int CurrentPage() const { return current_; }

  SkinButton* PageButton(int page) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::array<SkinButton*, kPageCount> buttons_{};
  QImage background_;
  int current_ = 0;
  PageHandler handler_;
};

}  // namespace verosa
