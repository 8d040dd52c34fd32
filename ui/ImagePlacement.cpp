#include "ImagePlacement.h"

QRect PlaceImage(QSize picture, QSize client, TPlacementOptions options) {
  int w = picture.width();
  int h = picture.height();
  const int cw = client.width();
  const int ch = client.height();
  if (options.Stretch || (options.Proportional && (w > cw || h > ch))) {
    if (options.Proportional && w > 0 && h > 0) {
      const double aspect = static_cast<double>(w) / h;
      // Equal sides take the height-first branch: the height fills, then the
      // width is checked.
      if (w > h) {
        w = cw;
        h = static_cast<int>(cw / aspect);
        if (h > ch) {
          h = ch;
          w = static_cast<int>(ch * aspect);
        }
      } else {
        h = ch;
        w = static_cast<int>(ch * aspect);
        if (w > cw) {
          w = cw;
          h = static_cast<int>(cw / aspect);
        }
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  QRect target(0, 0, w, h);
  // Integer division truncates toward zero, so a picture wider than the
  // control moves left by the rounded-down half.
  if (options.Center) target.translate((cw - w) / 2, (ch - h) / 2);
  return target;
}
