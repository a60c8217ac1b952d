// FullScreenPreviewWindow: a borderless black surface over the whole screen
// that shows the current chapter's picture, composed at the screen's size
// and stretched over it. A double-click or Escape hides it.
#pragma once

#include <QImage>
#include <QWidget>

namespace verosa {

class ProjectDocument;

class FullScreenPreviewWindow : public QWidget {
 public:
  explicit FullScreenPreviewWindow(QWidget* parent = nullptr);
  ~FullScreenPreviewWindow() override;

  // Composes chapter `index` of `project` (background with its lyrics) at
  // the screen's size; an unknown chapter leaves the surface black.
  void ComposeChapter(const ProjectDocument& project, int index);
  const QImage& Picture() const { return picture_; }

  // Covers the whole screen and comes to the front.
  void ShowFullScreen();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  // Escape leaves full screen, as a double-click does.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QRect ScreenRect() const;

  QImage picture_;
};

}  // namespace verosa
