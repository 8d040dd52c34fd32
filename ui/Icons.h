// The program's own pictures, painted in code: the five 16 x 16 row icons of
// the entry list and the application icon.
#pragma once

#include <QIcon>
#include <QImage>

#include "RowTexts.h"

// One row icon, 16 x 16, 32-bit with alpha.
QImage RowIconImage(TRowIcon icon);

// The application icon at a square size; the same picture as ui/quorvin.svg.
QImage ApplicationIconImage(int size);
QIcon ApplicationIcon();
