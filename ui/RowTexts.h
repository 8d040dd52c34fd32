// What one list row shows for an entry besides its name: the size text and
// the icon chosen from the type word.
#pragma once

#include <cstdint>
#include <string>

#include <QString>

// The size in kilobytes, rounded to the nearest whole number with an exact
// half going to the even neighbour, followed by " kb" (1536 bytes: "2 kb",
// 2560 bytes: "2 kb"). Negative sizes come from malformed records and are
// shown the same way.
QString SizeText(int32_t size);

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
