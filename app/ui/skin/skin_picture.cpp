#include "ui/skin/skin_picture.h"

#include <QPainter>

namespace verosa {

SkinPicture::SkinPicture(QWidget* parent) : QLabel(parent) {}

SkinPicture::~SkinPicture() = default;

void SkinPicture::SetPicture(const QImage& picture, const QRegion& shape) {
  picture_ = picture.convertToFormat(QImage::Format_RGB32);
  shape_region_ = shape;
  if (shape_region_.isEmpty()) clearMask();
  else setMask(shape_region_);
  if (!picture_.isNull()) resize(picture_.size());
  updateGeometry();
  update();
}

QSize SkinPicture::sizeHint() const {
  return picture_.isNull() ? QLabel::sizeHint() : picture_.size();
}

void SkinPicture::paintEvent(QPaintEvent* event) {
  if (picture_.isNull()) {
    QLabel::paintEvent(event);
    return;
  }
  QPainter painter(this);
  if (!shape_region_.isEmpty()) painter.setClipRegion(shape_region_);
  painter.drawImage(QPoint(0, 0), picture_);
}

}  // namespace verosa
