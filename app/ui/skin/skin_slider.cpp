#include "ui/skin/skin_slider.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace verosa {
namespace {

// The thumb with its blue pixels made transparent.
QImage KeyedThumb(const QImage& image) {
  if (image.isNull()) return {};
  QImage keyed = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < keyed.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
    for (int x = 0; x < keyed.width(); ++x) {
      if ((line[x] & 0xFFFFFF) == SkinSlider::kThumbTransparent) line[x] = 0;
    }
  }
  return keyed;
}

}  // namespace

SkinSlider::SkinSlider(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent) {
  setMouseTracking(true);
}

SkinSlider::~SkinSlider() = default;

void SkinSlider::SetChannelImages(const QImage& enabled, const QImage& disabled) {
  channel_ = enabled.convertToFormat(QImage::Format_RGB32);
  channel_disabled_ = disabled.isNull() ? QImage() : disabled.convertToFormat(QImage::Format_RGB32);
  updateGeometry();
  update();
}

void SkinSlider::SetThumbImages(const QImage& normal, const QImage& hover,
                                const QImage& dragging, const QImage& disabled) {
  thumb_normal_ = KeyedThumb(normal);
  thumb_hover_ = hover.isNull() ? thumb_normal_ : KeyedThumb(hover);
  thumb_dragging_ = dragging.isNull() ? thumb_normal_ : KeyedThumb(dragging);
  thumb_disabled_ = disabled.isNull() ? thumb_normal_ : KeyedThumb(disabled);
  update();
}

void SkinSlider::SetChannelSpan(int start, int end, int fixed) {
  span_start_ = start;
  span_end_ = end;
  span_fixed_ = fixed;
  update();
}

QPoint SkinSlider::ThumbPoint() const {
  const long long range = static_cast<long long>(maximum()) - minimum();
  const long long offset =
      range > 0 ? (span_end_ - span_start_) * (static_cast<long long>(value()) - minimum()) / range
                : 0;
  if (IsVertical()) return {span_fixed_, static_cast<int>(span_end_ - offset)};
  return {static_cast<int>(span_start_ + offset), span_fixed_};
}

QRect SkinSlider::ThumbRect() const {
  const QSize size = thumb_normal_.size();
  const QPoint centre = ThumbPoint();
  return QRect(centre.x() - size.width() / 2, centre.y() - size.height() / 2, size.width(),
               size.height());
}

int SkinSlider::ValueAt(const QPoint& point) const {
  const int length = span_end_ - span_start_;
  // Distance from the minimum end of the span.
  const int distance = IsVertical() ? span_end_ - point.y() : point.x() - span_start_;
  if (length <= 0 || distance <= 0) return minimum();
  if (distance >= length) return maximum();
  const long long range = static_cast<long long>(maximum()) - minimum();
  return static_cast<int>(minimum() + distance * range / length);
}

const QImage& SkinSlider::CurrentThumb() const {
  if (!isEnabled()) return thumb_disabled_;
  if (dragging_) return thumb_dragging_;
  if (hover_) return thumb_hover_;
  return thumb_normal_;
}

QSize SkinSlider::sizeHint() const {
  return channel_.isNull() ? QSlider::sizeHint() : channel_.size();
}

QSize SkinSlider::minimumSizeHint() const {
  return channel_.isNull() ? QSlider::minimumSizeHint() : channel_.size();
}

void SkinSlider::paintEvent(QPaintEvent* event) {
  if (channel_.isNull()) {
    QSlider::paintEvent(event);
    return;
  }
  QPainter painter(this);
  const QImage& channel =
      !isEnabled() && !channel_disabled_.isNull() ? channel_disabled_ : channel_;
  painter.drawImage(QPoint(0, 0), channel, QRect(QPoint(0, 0), size()));
  const QImage& thumb = CurrentThumb();
  if (!thumb.isNull()) painter.drawImage(ThumbRect().topLeft(), thumb);
}

void SkinSlider::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QSlider::mousePressEvent(event);
    return;
  }
  setFocus(Qt::MouseFocusReason);
  const QPoint pos = event->position().toPoint();
  if (!ThumbRect().contains(pos)) setValue(ValueAt(pos));
  drag_start_point_ = pos;
  drag_start_value_ = value();
  dragging_ = true;
  setSliderDown(true);
  update();
  event->accept();
}

void SkinSlider::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (dragging_) {
    const int length = span_end_ - span_start_;
    if (length > 0) {
      // Vertical sliders grow upwards.
      const long long moved = IsVertical() ? drag_start_point_.y() - pos.y()
                                           : pos.x() - drag_start_point_.x();
      const long long range = static_cast<long long>(maximum()) - minimum();
      const long long target = drag_start_value_ + moved * range / length;
      setSliderPosition(static_cast<int>(std::clamp<long long>(target, minimum(), maximum())));
    }
    event->accept();
    return;
  }
  const bool over_thumb = ThumbRect().contains(pos);
  if (over_thumb != hover_) {
    hover_ = over_thumb;
    update();
  }
  event->accept();
}

void SkinSlider::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !dragging_) {
    QSlider::mouseReleaseEvent(event);
    return;
  }
  dragging_ = false;
  hover_ = false;
  setSliderDown(false);
  update();
  event->accept();
}

void SkinSlider::leaveEvent(QEvent* event) {
  if (!dragging_ && hover_) {
    hover_ = false;
    update();
  }
  QSlider::leaveEvent(event);
}

}  // namespace verosa
