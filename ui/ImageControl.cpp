#include "ImageControl.h"

#include <utility>

#include <QPainter>

// No background of its own (autoFillBackground stays off), so translucent
// pixels show the image area's background.
TImage::TImage(QWidget* parent) : QWidget(parent) {}

void TImage::SetPicture(QImage picture) {
  picture_ = std::move(picture);
  // In place when the caller handed over its only reference.
  if (picture_.format() == QImage::Format_ARGB32) picture_.convertTo(QImage::Format_ARGB32_Premultiplied);
  update();
}

void TImage::ClearPicture() {
  picture_ = QImage();
  update();
}

void TImage::SetCenter(bool on) {
  TPlacementOptions placement = placement_;
  placement.Center = on;
  SetPlacement(placement);
}

void TImage::SetProportional(bool on) {
  TPlacementOptions placement = placement_;
  placement.Proportional = on;
  SetPlacement(placement);
}

void TImage::SetStretch(bool on) {
  TPlacementOptions placement = placement_;
  placement.Stretch = on;
  SetPlacement(placement);
}

void TImage::SetPlacement(TPlacementOptions placement) {
  placement_ = placement;
  update();
}

QRect TImage::PictureRect() const { return PlaceImage(picture_.size(), size(), placement_); }

void TImage::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  QPainter painter(this);
  // Nearest-neighbour sampling: texels stay crisp when shrunk or magnified.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(PictureRect(), picture_);
}
