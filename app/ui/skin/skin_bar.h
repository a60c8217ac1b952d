// SkinBar: the play-position bar. A skinned button that draws its empty
// image and, over it, the part of its full image that matches Position out
// of Maximum. When seekable the user drags the position with the mouse; the
// owner reads Position (for instance on clicked()) to seek.
#pragma once

#include <QImage>

#include "ui/skin/skin_button.h"

namespace verosa {

class SkinBar : public SkinButton {
 public:
  static constexpr int kDefaultMaximum = 100;

  explicit SkinBar(QWidget* parent = nullptr);
  ~SkinBar() override;

  void SetBarImages(const QImage& empty, const QImage& full);
  const QImage& EmptyImage() const { return empty_image_; }
  const QImage& FullImage() const { return full_image_; }

  // Horizontal bars fill from the left edge, vertical bars from the bottom.
  void SetOrientation(Qt::Orientation orientation);
  bool Horizontal() const { return horizontal_; }

  // The maximum is at least 0; the position is kept within 0 … maximum.
  void SetMaximum(int maximum);
  int Maximum() const { return maximum_; }
  int Position() const { return position_; }
  // Ignored while the user drags or when unchanged.
  void SetPosition(int position);

  void SetSeekable(bool seekable) { seekable_ = seekable; }
  bool Seekable() const { return seekable_; }
  bool Dragging() const { return dragging_; }

  // The position a point of the bar stands for, within 0 … maximum.
  int PositionAt(const QPoint& point) const;
  // Width (horizontal) or height (vertical) of the filled part.
  int FilledLength() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QImage empty_image_;
  QImage full_image_;
  bool horizontal_ = true;
  int position_ = 0;
  int maximum_ = kDefaultMaximum;
  bool seekable_ = false;
  bool dragging_ = false;
};

}  // namespace verosa
