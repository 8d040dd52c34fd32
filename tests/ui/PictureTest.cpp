// The picture side of the preview: where the image control places a picture,
// how a display bitmap becomes a QImage, and how the control draws it (alpha
// blended over the background, no smoothing).
#include <QImage>
#include <QTest>
#include <QWidget>

#include <vector>

#include "BitmapToQImage.h"
#include "DisplayBitmap.h"
#include "ImageControl.h"
#include "ImageData.h"
#include "ImagePlacement.h"

Q_DECLARE_METATYPE(TPlacementOptions)
Q_DECLARE_METATYPE(TImageData)

namespace {

constexpr TPlacementOptions kFit{true, true, false};         // the window's fit view
constexpr TPlacementOptions kOneToOne{true, false, false};   // the window's 1:1 view
constexpr TPlacementOptions kStretch{true, false, true};
constexpr TPlacementOptions kStretchKeepAspect{true, true, true};
constexpr TPlacementOptions kFitNotCentred{false, true, false};

// A width x height image of the given format with the bytes given, row by row.
TImageData MakeImage(TImageFormat format, int width, int height, const std::vector<uint8_t>& bits) {
  TImageData image;
  NewImage(width, height, format, image);
  image.Bits = bits;
  return image;
}

QImage ToQImage(const TImageData& image) {
  TDisplayBitmap bitmap;
  SubimageToBitmap(image, bitmap);
  return BitmapToQImage(bitmap);
}

}  // namespace

class PictureTest : public QObject {
  Q_OBJECT

private slots:
  void Placement_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<TPlacementOptions>("options");
    QTest::addColumn<QRect>("expected");
    const QSize area(421, 414);
    QTest::newRow("fit: wide, shrunk to the width") << QSize(1024, 512) << area << kFit << QRect(0, 102, 421, 210);
    QTest::newRow("fit: square, height first") << QSize(512, 512) << area << kFit << QRect(3, 0, 414, 414);
    QTest::newRow("fit: small, natural size centred") << QSize(64, 32) << area << kFit << QRect(178, 191, 64, 32);
    QTest::newRow("fit: tall, shrunk to the height") << QSize(100, 800) << area << kFit << QRect(185, 0, 51, 414);
    QTest::newRow("fit: wide, then height too big") << QSize(1000, 990) << area << kFit << QRect(1, 0, 418, 414);
    QTest::newRow("fit: tall, then width too big")
        << QSize(990, 1000) << QSize(414, 421) << kFit << QRect(0, 1, 414, 418);
    QTest::newRow("fit: wider only") << QSize(500, 10) << area << kFit << QRect(0, 203, 421, 8);
    QTest::newRow("fit: not centred") << QSize(1024, 512) << area << kFitNotCentred << QRect(0, 0, 421, 210);
    QTest::newRow("fit: empty picture") << QSize(0, 0) << area << kFit << QRect(210, 207, 0, 0);
    QTest::newRow("1:1: control of the picture's size")
        << QSize(1024, 512) << QSize(1024, 512) << kOneToOne << QRect(0, 0, 1024, 512);
    QTest::newRow("1:1: larger than the control, never scaled")
        << QSize(1024, 512) << area << kOneToOne << QRect(-301, -49, 1024, 512);
    QTest::newRow("stretch: fills the control") << QSize(64, 32) << area << kStretch << QRect(0, 0, 421, 414);
    QTest::newRow("stretch with aspect: enlarged")
        << QSize(64, 32) << area << kStretchKeepAspect << QRect(0, 102, 421, 210);
  }
  void Placement() {
    QFETCH(QSize, picture);
    QFETCH(QSize, client);
    QFETCH(TPlacementOptions, options);
    QFETCH(QRect, expected);
    QCOMPARE(PlaceImage(picture, client, options), expected);
  }

  // Each depth lands in the QImage format that reads its bytes as stored; the
  // images are 3 wide, so the rows of the 8-, 16- and 24-bit bitmaps are padded.
  void BitmapFormats_data() {
    QTest::addColumn<TImageData>("image");
    QTest::addColumn<int>("format");
    QTest::addColumn<QRgb>("topLeft");
    QTest::addColumn<QRgb>("bottomRight");
    // Pixel bytes are B, G, R (, A).
    QTest::newRow("24-bit") << MakeImage(TImageFormat::R8G8B8, 3, 2,
                                         {10, 20, 30, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 50, 60})
                            << int(QImage::Format_BGR888) << qRgb(30, 20, 10) << qRgb(60, 50, 40);
    QTest::newRow("16-bit 5:6:5") << MakeImage(TImageFormat::R5G6B5, 3, 2,
                                               {0x00, 0xF8, 0, 0, 0, 0, 0, 0, 0, 0, 0x1F, 0x00})
                                  << int(QImage::Format_RGB16) << qRgb(255, 0, 0) << qRgb(0, 0, 255);
    QTest::newRow("8-bit grey ramp") << MakeImage(TImageFormat::Gray8, 3, 2, {7, 0, 0, 0, 0, 200})
                                     << int(QImage::Format_Indexed8) << qRgb(7, 7, 7) << qRgb(200, 200, 200);
    QTest::newRow("32-bit straight alpha")
        << MakeImage(TImageFormat::A8R8G8B8, 3, 2,
                     {10, 20, 30, 128, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 50, 60, 0})
        << int(QImage::Format_ARGB32) << qRgba(30, 20, 10, 128) << qRgba(60, 50, 40, 0);
    QTest::newRow("32-bit X byte as alpha")
        << MakeImage(TImageFormat::X8R8G8B8, 3, 2,
                     {10, 20, 30, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 50, 60, 255})
        << int(QImage::Format_ARGB32) << qRgba(30, 20, 10, 0) << qRgba(60, 50, 40, 255);
  }
  void BitmapFormats() {
    QFETCH(TImageData, image);
    QFETCH(int, format);
    QFETCH(QRgb, topLeft);
    QFETCH(QRgb, bottomRight);
    const QImage converted = ToQImage(image);
    QCOMPARE(converted.format(), QImage::Format(format));
    QCOMPARE(converted.size(), QSize(3, 2));
    QCOMPARE(converted.pixel(0, 0), topLeft);
    QCOMPARE(converted.pixel(2, 1), bottomRight);
  }

  void BitmapWithoutAlphaIsOpaque() {
    TDisplayBitmap bitmap;
    bitmap.Width = 1;
    bitmap.Height = 1;
    bitmap.Depth = 32;
    bitmap.Stride = 4;
    bitmap.Pixels = {10, 20, 30, 0};
    const QImage converted = BitmapToQImage(bitmap);
    QCOMPARE(converted.pixel(0, 0), qRgb(30, 20, 10));
  }

  // Fields that promise more than the buffer holds must not be read past.
  void MalformedBitmapGivesNullImage_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("depth");
    QTest::addColumn<int>("stride");
    QTest::addColumn<int>("bytes");
    QTest::newRow("buffer short by one row") << 2 << 24 << 8 << 8;
    QTest::newRow("stride narrower than a row") << 2 << 32 << 4 << 16;
    QTest::newRow("unknown depth") << 2 << 12 << 4 << 16;
    QTest::newRow("no width") << 0 << 32 << 4 << 16;
  }
  void MalformedBitmapGivesNullImage() {
    QFETCH(int, width);
    QFETCH(int, depth);
    QFETCH(int, stride);
    QFETCH(int, bytes);
    TDisplayBitmap bitmap;
    bitmap.Width = width;
    bitmap.Height = 2;
    bitmap.Depth = depth;
    bitmap.Stride = stride;
    bitmap.Pixels.assign(static_cast<size_t>(bytes), 0);
    QVERIFY(BitmapToQImage(bitmap).isNull());
  }

  // Translucent pixels are blended over the background beneath the control.
  void AlphaBlendsOverBackground() {
    QWidget area;
    area.setAutoFillBackground(true);
    QPalette palette = area.palette();
    palette.setColor(QPalette::Window, QColor(0, 0, 200));
    area.setPalette(palette);
    area.resize(3, 1);
    TImage image(&area);
    image.setGeometry(0, 0, 3, 1);
    image.SetPicture(ToQImage(MakeImage(TImageFormat::A8R8G8B8, 3, 1, {0, 0, 255, 255, 0, 0, 255, 0, 0, 0, 255, 51})));
    const QImage drawn = area.grab().toImage();
    QCOMPARE(QColor(drawn.pixel(0, 0)), QColor(255, 0, 0));  // opaque
    QCOMPARE(QColor(drawn.pixel(1, 0)), QColor(0, 0, 200));  // transparent
    const QColor blended(drawn.pixel(2, 0));                 // 20 % red over blue
    QVERIFY2(qAbs(blended.red() - 51) <= 1 && blended.green() == 0 && qAbs(blended.blue() - 160) <= 1,
             qPrintable(blended.name()));
  }

  // Enlarged pictures sample the nearest source pixel: edges stay hard.
  void ScalingDoesNotSmooth() {
    TImage image;
    image.resize(8, 1);
    image.SetStretch(true);
    image.SetProportional(false);
    image.SetPicture(ToQImage(MakeImage(TImageFormat::R8G8B8, 2, 1, {0, 0, 0, 255, 255, 255})));
    const QImage drawn = image.grab().toImage();
    for (int x = 0; x < 8; ++x) QCOMPARE(QColor(drawn.pixel(x, 0)).red(), x < 4 ? 0 : 255);
  }
};

QTEST_MAIN(PictureTest)
#include "PictureTest.moc"
