// Helpers for the skinned-control tests: generated bitmaps, synthetic mouse
// events and an active page to host the controls.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>
#include <filesystem>

namespace skin_testing {

inline constexpr QRgb kMagenta = 0xFF00FF;

inline QImage SolidImage(int width, int height, QRgb colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour | 0xFF000000u);
  return image;
}

// A solid image with `corner` x `corner` magenta squares in its corners.
inline QImage CorneredImage(int width, int height, QRgb colour, int corner = 3) {
  QImage image = SolidImage(width, height, colour);
  for (int y = 0; y < corner; ++y) {
    for (int x = 0; x < corner; ++x) {
      image.setPixel(x, y, kMagenta);
      image.setPixel(width - 1 - x, y, kMagenta);
      image.setPixel(x, height - 1 - y, kMagenta);
      image.setPixel(width - 1 - x, height - 1 - y, kMagenta);
    }
  }
  return image;
}

inline void SaveBmp(const QImage& image, const std::filesystem::path& path) {
  ASSERT_TRUE(image.save(QString::fromStdString(path.string()), "BMP")) << path;
}

inline QRgb Rgb(QRgb pixel) { return pixel & 0xFFFFFF; }

// Sends one mouse event as Qt would deliver it to `widget`.
inline void Mouse(QWidget& widget, QEvent::Type type, const QPoint& pos,
                  Qt::MouseButton button = Qt::NoButton,
                  Qt::MouseButtons buttons = Qt::NoButton) {
  QMouseEvent event(type, QPointF(pos), QPointF(widget.mapToGlobal(pos)), button, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(&widget, &event);
}
inline void Move(QWidget& widget, const QPoint& pos, Qt::MouseButtons buttons = Qt::NoButton) {
  Mouse(widget, QEvent::MouseMove, pos, Qt::NoButton, buttons);
}
inline void Press(QWidget& widget, const QPoint& pos) {
  Mouse(widget, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
}
inline void Release(QWidget& widget, const QPoint& pos) {
  Mouse(widget, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
}
inline void Enter(QWidget& widget, const QPoint& pos) {
  QEnterEvent event{QPointF(pos), QPointF(pos), QPointF(widget.mapToGlobal(pos))};
  QApplication::sendEvent(&widget, &event);
}
inline void Leave(QWidget& widget) {
  QEvent event(QEvent::Leave);
  QApplication::sendEvent(&widget, &event);
}
// Enter, press and release at `pos`.
inline void Click(QWidget& widget, const QPoint& pos) {
  Enter(widget, pos);
  Press(widget, pos);
  Release(widget, pos);
}

// The widget drawn onto a white image of its size.
inline QImage Render(QWidget& widget) {
  QImage image(widget.size(), QImage::Format_RGB32);
  image.fill(Qt::white);
  widget.render(&image);
  return image;
}

// A shown, active top-level window for the controls under test.
class ActivePage {
 public:
  ActivePage() {
    page_.resize(400, 300);
    page_.show();
    page_.activateWindow();
    QApplication::processEvents();
  }
  QWidget& Widget() { return page_; }
  bool IsActive() const { return QApplication::activeWindow() == &page_; }

 private:
  QWidget page_;
};

}  // namespace skin_testing
