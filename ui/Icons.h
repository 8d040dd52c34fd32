// The program's own pictures, painted in code: the five 16 x 16 row icons of
// the entry list (and which row shows which) and the application icon.
#pragma once

#include <string>

#include <QIcon>
#include <QImage>

// Row icon indexes in the image list.
enum TRowIcon : int {
  riPicture = 0,   // Texture, Mipmap
  riDocument = 1,  // every other type
  riMarkup = 2,    // XML
  riSound = 3,     // Sound
  riEffect = 4,    // Effects
};
constexpr int kRowIconCount = 5;

// The icon for a type word: exact, case-sensitive match, first match wins.
TRowIcon IconIndexFor(const std::string& typeName);

// One row icon, 16 x 16, 32-bit with alpha.
QImage RowIconImage(TRowIcon icon);

// The application icon at a square size; the same picture as ui/quorvin.svg.
QImage ApplicationIconImage(int size);
QIcon ApplicationIcon();
