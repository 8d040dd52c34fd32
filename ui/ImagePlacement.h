// Where the image control draws its picture: the destination rectangle for a
// picture of a given size inside the control's client area.
#pragma once

#include <QRect>
#include <QSize>

struct TPlacementOptions {
  bool Center = true;        // move the picture to the middle of the client area
  bool Proportional = true;  // shrink a picture that does not fit, keeping its aspect ratio
  bool Stretch = false;      // scale the picture to the client area in any case
};

// Proportional shrinks only (a picture that fits keeps its natural size); Stretch
// also enlarges, keeping the aspect ratio when Proportional is on as well.
QRect PlaceImage(QSize picture, QSize client, TPlacementOptions options);
