#include "RowTexts.h"

#include <cmath>
#include <cstdint>

QString SizeText(int32_t size) {
  // Every int32 divided by 1024 is exact in a double, so nearbyint's default
  // rounding (to nearest, ties to even) rounds the true quotient.
  const auto kilobytes = static_cast<int64_t>(std::nearbyint(static_cast<double>(size) / 1024.0));
  return QString::number(kilobytes) + QStringLiteral(" kb");
}

TRowIcon IconIndexFor(const std::string& typeName) {
  struct Rule {
    const char* typeName;
    TRowIcon icon;
  };
  static constexpr Rule kRules[] = {
      {"Texture", riPicture}, {"Mipmap", riPicture}, {"XML", riMarkup},
      {"Sound", riSound},     {"Effects", riEffect},
  };
  for (const Rule& rule : kRules) {
    if (typeName == rule.typeName) return rule.icon;
  }
  return riDocument;
}
