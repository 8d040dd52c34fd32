#include "Icons.h"

#include <array>
#include <cmath>
#include <initializer_list>

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

namespace {

constexpr int kIconSide = 16;

const QColor kFrameBlue(0x1f, 0x5f, 0xbf);
const QColor kBarBlue(0x2f, 0x6f, 0xd0);
const QColor kSkyTop(0x6c, 0xb4, 0xee);
const QColor kSkyBottom(0xe8, 0xf5, 0xff);
const QColor kPageFill(0xe4, 0xee, 0xfa);
const QColor kPageFold(0xc2, 0xd4, 0xee);
const QColor kPageEdge(0x5a, 0x7f, 0xb0);

QImage BlankIcon() {
  QImage image(kIconSide, kIconSide, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// Single pixels, for shapes too small to draw as lines at 16 x 16.
void Plot(QPainter& p, const QColor& color, std::initializer_list<QPoint> pixels) {
  for (const QPoint& pixel : pixels) p.fillRect(QRect(pixel, QSize(1, 1)), color);
}

void PaintPicture(QPainter& p) {
  p.fillRect(1, 2, 14, 12, kFrameBlue);
  QLinearGradient sky(0, 4, 0, 11);
  sky.setColorAt(0, kSkyTop);
  sky.setColorAt(1, kSkyBottom);
  p.fillRect(3, 4, 10, 8, sky);
}

// A page whose top-right corner is folded down, with a blue bar at its foot.
void PaintPage(QPainter& p) {
  const QPolygon outline({{3, 1}, {9, 1}, {12, 4}, {12, 14}, {3, 14}});
  p.setPen(kPageEdge);
  p.setBrush(kPageFill);
  p.drawPolygon(outline);
  p.drawPolyline(QPolygon({{9, 1}, {9, 4}, {12, 4}}));
  Plot(p, kPageFold, {{10, 2}, {10, 3}, {11, 3}});
  p.fillRect(4, 12, 8, 2, kBarBlue);
}

// Angle brackets, two pixels thick, over the page's left half.
void PaintMarkupPage(QPainter& p) {
  PaintPage(p);
  Plot(p, kFrameBlue, {{3, 6}, {4, 6}, {2, 7}, {3, 7}, {1, 8}, {2, 8}, {2, 9}, {3, 9}, {3, 10}, {4, 10}});
  Plot(p, kFrameBlue, {{6, 6}, {7, 6}, {7, 7}, {8, 7}, {8, 8}, {9, 8}, {7, 9}, {8, 9}, {6, 10}, {7, 10}});
}

void PaintSpeaker(QPainter& p) {
  p.setPen(QColor(0x50, 0x50, 0x50));
  p.setBrush(QColor(0x9a, 0x9a, 0x9a));
  p.drawPolygon(QPolygon({{1, 5}, {3, 5}, {7, 1}, {7, 14}, {3, 10}, {1, 10}}));
  const QColor red(0xd8, 0x20, 0x20);
  Plot(p, red, {{9, 5}, {10, 6}, {10, 7}, {10, 8}, {10, 9}, {9, 10}});
  Plot(p, red, {{11, 2}, {12, 3}, {13, 4}, {13, 5}, {13, 6}, {13, 7}, {13, 8}, {13, 9}, {13, 10}, {13, 11},
                {12, 12}, {11, 13}});
}

void PaintWand(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 2.2, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(1.0, 15.0), QPointF(7.5, 8.5));
  // The white tip needs a dark rim to show on a white list.
  p.setPen(QPen(Qt::black, 3.2, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(7.5, 8.5), QPointF(10.0, 6.0));
  p.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(7.8, 8.2), QPointF(9.6, 6.4));
  // A four-pointed sparkle just beyond the tip.
  const QPointF c(12.0, 4.0);
  QPolygonF star;
  for (int i = 0; i < 8; ++i) {
    const double r = (i % 2 == 0) ? 3.8 : 1.2;
    const double angle = i * 3.14159265358979 / 4;
    star << c + QPointF(r * std::sin(angle), -r * std::cos(angle));
  }
  p.setPen(QPen(QColor(0xe0, 0xa0, 0x00), 0.5));
  p.setBrush(QColor(0xff, 0xe0, 0x30));
  p.drawPolygon(star);
}

using IconPainter = void (*)(QPainter&);
constexpr std::array<IconPainter, kRowIconCount> kRowIconPainters = {
    PaintPicture,     // riPicture
    PaintPage,        // riDocument
    PaintMarkupPage,  // riMarkup
    PaintSpeaker,     // riSound
    PaintWand,        // riEffect
};

}  // namespace

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

QImage RowIconImage(TRowIcon icon) {
  QImage image = BlankIcon();
  QPainter painter(&image);
  kRowIconPainters.at(static_cast<size_t>(icon))(painter);
  return image;
}

QImage ApplicationIconImage(int size) {
  // Drawn in a 64 x 64 space; keep in step with ui/quorvin.svg.
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);

  QPainterPath box;
  box.addRoundedRect(QRectF(6, 14, 52, 44), 6, 6);
  p.setPen(QPen(QColor(0x1b, 0x4a, 0x94), 2));
  p.setBrush(kBarBlue);
  p.drawPath(box);
  p.setClipPath(box);
  p.fillRect(QRectF(6, 14, 52, 10), QColor(0x1b, 0x4a, 0x94));
  p.setClipping(false);

  QLinearGradient sky(0, 28, 0, 50);
  sky.setColorAt(0, kSkyTop);
  sky.setColorAt(1, kSkyBottom);
  p.setPen(QPen(Qt::white, 2));
  p.setBrush(sky);
  p.drawRect(QRectF(14, 28, 36, 22));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x3c, 0x9a, 0x3c));
  p.drawPolygon(QPolygonF({{15, 49}, {26, 38}, {34, 44}, {40, 40}, {49, 49}}));
  p.setBrush(QColor(0xff, 0xd2, 0x3c));
  p.drawEllipse(QPointF(42, 34), 3, 3);
  return image;
}

QIcon ApplicationIcon() {
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(QPixmap::fromImage(ApplicationIconImage(size)));
  return icon;
}
