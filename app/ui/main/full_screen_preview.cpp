#include "ui/main/full_screen_preview.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcut>

#include "imaging/picture_composition.h"
#include "project/project_document.h"

namespace verosa {

FullScreenPreviewWindow::FullScreenPreviewWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName("FullScreenPreviewWindow");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  // Escape leaves full screen even when the window manager left the
  // keyboard with the main window.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::ApplicationShortcut);
  connect(escape, &QShortcut::activated, this, [this] {
    if (isVisible()) hide();
  });
}

FullScreenPreviewWindow::~FullScreenPreviewWindow() = default;

QRect FullScreenPreviewWindow::ScreenRect() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry() : QRect(0, 0, 720, 576);
}

void FullScreenPreviewWindow::ComposeChapter(const ProjectDocument& project, int index) {
  picture_ = ComposeProjectChapter(project, index, ScreenRect().size());
  update();
}

void FullScreenPreviewWindow::ShowFullScreen() {
  setGeometry(ScreenRect());
  show();
  raise();
  activateWindow();
  setFocus(Qt::ActiveWindowFocusReason);
}

void FullScreenPreviewWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (!picture_.isNull()) painter.drawImage(rect(), picture_);
}

void FullScreenPreviewWindow::mouseDoubleClickEvent(QMouseEvent* event) {
  hide();
  event->accept();
}

void FullScreenPreviewWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    hide();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace verosa
