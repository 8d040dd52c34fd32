// The image control: draws one picture inside its client area, placed by
// PlaceImage, without smoothing; pictures with alpha are blended over what the
// parent painted beneath (the control itself paints no background).
#pragma once

#include <QImage>
#include <QWidget>

#include "ImagePlacement.h"

class TImage : public QWidget {
  Q_OBJECT

public:
  explicit TImage(QWidget* parent = nullptr);

  // Replaces the picture; a Format_ARGB32 picture (straight alpha) is
  // premultiplied here once, not at every paint.
  void SetPicture(QImage picture);
  // Releases the picture; the control then draws nothing.
  void ClearPicture();
  // The picture as drawn (premultiplied where it carries alpha); null when cleared.
  const QImage& Picture() const { return picture_; }

  TPlacementOptions Placement() const { return placement_; }
  void SetCenter(bool on);
  void SetProportional(bool on);
  void SetStretch(bool on);
  // The rectangle the picture is drawn into, in the control's coordinates.
  QRect PictureRect() const;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  void SetPlacement(TPlacementOptions placement);

  QImage picture_;
  TPlacementOptions placement_;
};
