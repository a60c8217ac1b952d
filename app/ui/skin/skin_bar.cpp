#include "ui/skin/skin_bar.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace verosa {

SkinBar::SkinBar(QWidget* parent) : SkinButton(parent) {}

SkinBar::~SkinBar() = default;

void SkinBar::SetBarImages(const QImage& empty, const QImage& full) {
  empty_image_ = empty.convertToFormat(QImage::Format_RGB32);
  full_image_ = full.convertToFormat(QImage::Format_RGB32);
  updateGeometry();
  update();
}

void SkinBar::SetOrientation(Qt::Orientation orientation) {
  horizontal_ = orientation == Qt::Horizontal;
  update();
}

void SkinBar::SetMaximum(int maximum) {
  maximum_ = std::max(maximum, 0);
  position_ = std::min(position_, maximum_);
  update();
}

void SkinBar::SetPosition(int position) {
  if (dragging_ || position == position_) return;
  position_ = std::clamp(position, 0, maximum_);
  update();
}

int SkinBar::PositionAt(const QPoint& point) const {
  const int length = horizontal_ ? width() : height();
  if (length <= 0) return 0;
  const long long offset = horizontal_ ? point.x() : height() - point.y();
  const long long value = offset * maximum_ / length;
  return static_cast<int>(std::clamp<long long>(value, 0, maximum_));
}

int SkinBar::FilledLength() const {
  if (maximum_ <= 0) return 0;
  const long long length = horizontal_ ? width() : height();
  return static_cast<int>(length * position_ / maximum_);
}

QSize SkinBar::sizeHint() const {
  return empty_image_.isNull() ? SkinButton::sizeHint() : empty_image_.size();
}

QSize SkinBar::minimumSizeHint() const {
  return empty_image_.isNull() ? SkinButton::minimumSizeHint() : empty_image_.size();
}

void SkinBar::paintEvent(QPaintEvent* event) {
  if (empty_image_.isNull()) {
    SkinButton::paintEvent(event);
    return;
  }
  QPainter painter(this);
  if (HasShape()) painter.setClipRegion(ShapeRegion());
  painter.drawImage(QPoint(0, 0), empty_image_, QRect(QPoint(0, 0), size()));
  const int filled = FilledLength();
  if (filled > 0 && !full_image_.isNull()) {
    const QRect part = horizontal_ ? QRect(0, 0, filled, height())
                                   : QRect(0, height() - filled, width(), filled);
    painter.drawImage(part.topLeft(), full_image_, part);
  }
  if (DrawsText() && !text().isEmpty()) DrawCaption(painter);
}

void SkinBar::mousePressEvent(QMouseEvent* event) {
  if (seekable_ && event->button() == Qt::LeftButton) dragging_ = true;
  SkinButton::mousePressEvent(event);
}

void SkinBar::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (seekable_ && dragging_ && rect().contains(pos)) {
    position_ = PositionAt(pos);
    update();
  }
  SkinButton::mouseMoveEvent(event);
}

void SkinBar::mouseReleaseEvent(QMouseEvent* event) {
  if (seekable_ && dragging_ && event->button() == Qt::LeftButton) {
    dragging_ = false;
    position_ = PositionAt(event->position().toPoint());
    update();
  }
  // The owner may seek from clicked(), which the base class emits.
  SkinButton::mouseReleaseEvent(event);
}

}  // namespace verosa
