// SkinSlider: a slider drawn from skin images. A channel image fills the
// control; a thumb image for the current state (disabled, dragging, hover,
// normal) is centred on the thumb point, which moves along a span of the
// channel. Dragging reports through the usual slider signals (sliderPressed,
// sliderMoved, valueChanged, sliderReleased).
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSlider>

namespace verosa {

class SkinSlider : public QSlider {
 public:
  // Thumb pixels of this colour (blue) are not drawn.
  static constexpr QRgb kThumbTransparent = 0x0000FF;

  explicit SkinSlider(Qt::Orientation orientation, QWidget* parent = nullptr);
  ~SkinSlider() override;

  // The channel; `disabled` (optional) is shown while the slider is disabled.
  void SetChannelImages(const QImage& enabled, const QImage& disabled = {});
  // Thumb images; missing hover, dragging or disabled images show the normal one.
  void SetThumbImages(const QImage& normal, const QImage& hover, const QImage& dragging,
                      const QImage& disabled);
  // The usable span of the channel: horizontal sliders from x = `start` to
  // x = `end` at y = `fixed`; vertical ones from y = `start` (top, maximum)
  // to y = `end` (bottom, minimum) at x = `fixed`.
  void SetChannelSpan(int start, int end, int fixed);

  // Where the thumb is centred for the current value.
  QPoint ThumbPoint() const;
  // The thumb image's rectangle centred on the thumb point.
  QRect ThumbRect() const;
  // The value a point of the channel stands for: minimum before the start of
  // the span, maximum after its end, proportional between.
  int ValueAt(const QPoint& point) const;
  // The image drawn for the thumb in the current state (transparent where
  // the skin was blue).
  const QImage& CurrentThumb() const;

  bool Dragging() const { return dragging_; }
  bool Hover() const { return hover_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  bool IsVertical() const { return orientation() == Qt::Vertical; }
  // Coordinate along the channel of a point (x horizontal, y vertical).
  int Along(const QPoint& point) const { return IsVertical() ? point.y() : point.x(); }

  QImage channel_;
  QImage channel_disabled_;
  QImage thumb_normal_, thumb_hover_, thumb_dragging_, thumb_disabled_;
  int span_start_ = 0;
  int span_end_ = 0;
  int span_fixed_ = 0;
  QPoint drag_start_point_;
  int drag_start_value_ = 0;
  bool dragging_ = false;
  bool hover_ = false;
};

}  // namespace verosa
