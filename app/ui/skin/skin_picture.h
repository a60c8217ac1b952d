// SkinPicture: a picture control that shows one bitmap, shaped by an
// optional region (see SetPictureSkin in page_skin.h).
#pragma once

#include <QImage>
#include <QLabel>
#include <QRegion>

namespace verosa {

class SkinPicture : public QLabel {
 public:
  explicit SkinPicture(QWidget* parent = nullptr);
  ~SkinPicture() override;

  // Shows `picture` from the control's top-left corner and takes its size;
  // a non-empty `shape` becomes the control's outline and clips painting.
  void SetPicture(const QImage& picture, const QRegion& shape = {});
  const QImage& Picture() const { return picture_; }
  const QRegion& ShapeRegion() const { return shape_region_; }
  bool HasShape() const { return !shape_region_.isEmpty(); }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
  QRegion shape_region_;
};

}  // namespace verosa
