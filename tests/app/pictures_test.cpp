// The window's pictures and the icon installed with the program.
#include "app/pictures.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QSet>
#include <utility>
#include <vector>

namespace quillet {
namespace {

const QString kResources = QStringLiteral(QUILLET_SOURCE_DIR "/app/resources/");

// The sixteen colours of a 16-colour (4-bit) display palette.
const QSet<QRgb> kSixteenColours = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};

QImage Argb(const QPixmap& pixmap) { return pixmap.toImage().convertToFormat(QImage::Format_ARGB32); }

// Every pixel, row by row, with the image's size first: equal images give equal lists.
std::vector<QRgb> Pixels(const QImage& image) {
  std::vector<QRgb> pixels{static_cast<QRgb>(image.width()), static_cast<QRgb>(image.height())};
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) pixels.push_back(image.pixel(x, y));
  }
  return pixels;
}

// The opaque colours of `image` inside `area`; fully transparent pixels are left out.
QSet<QRgb> OpaqueColours(const QImage& image, const QRect& area) {
  QSet<QRgb> colours;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      if (qAlpha(pixel) != 0) colours.insert(pixel | 0xFF000000u);
    }
  }
  return colours;
}

TEST(Pictures, SizesAndSixteenColours) {
  const std::pair<QImage, QSize> pictures[] = {{Argb(ApplicationIconPixmap()), QSize(32, 32)},
                                               {Argb(StartGlyphSheet()), QSize(32, 16)},
                                               {Argb(ExitGlyphSheet()), QSize(32, 16)}};
  for (const auto& [image, size] : pictures) {
    ASSERT_EQ(image.size(), size);
    const QSet<QRgb> colours = OpaqueColours(image, image.rect());
    EXPECT_GE(colours.size(), 3);
    EXPECT_TRUE(kSixteenColours.contains(colours)) << colours.size();
    EXPECT_TRUE(image.hasAlphaChannel());
  }
}

// The disabled image is the normal one's outline in grey, with a white relief: every
// pixel of the normal image is grey there, and nothing in it has a colour.
TEST(Pictures, DisabledHalfIsAGreyedCopyOfTheNormalHalf) {
  for (const QImage& sheet : {Argb(StartGlyphSheet()), Argb(ExitGlyphSheet())}) {
    const QSet<QRgb> greys = {qRgb(128, 128, 128), qRgb(255, 255, 255)};
    EXPECT_TRUE(greys.contains(OpaqueColours(sheet, QRect(16, 0, 16, 16))));
    EXPECT_GT((OpaqueColours(sheet, QRect(0, 0, 16, 16)) - greys).size(), 0);
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        if (qAlpha(sheet.pixel(x, y)) == 0) continue;
        EXPECT_EQ(sheet.pixel(16 + x, y), qRgb(128, 128, 128)) << x << "," << y;
      }
    }
  }
}

TEST(Pictures, GlyphIconSplitsTheSheetIntoNormalAndDisabled) {
  const QPixmap sheet = StartGlyphSheet();
  const QIcon icon = GlyphIcon(sheet);
  EXPECT_EQ(Pixels(Argb(icon.pixmap(16, 16, QIcon::Normal))), Pixels(Argb(sheet.copy(0, 0, 16, 16))));
  EXPECT_EQ(Pixels(Argb(icon.pixmap(16, 16, QIcon::Disabled))),
            Pixels(Argb(sheet.copy(16, 0, 16, 16))));
}

TEST(DesktopFiles, InstalledIconIsTheWindowsIcon) {
  QImage installed(kResources + QStringLiteral("quillet.png"));
  ASSERT_FALSE(installed.isNull());
  EXPECT_EQ(Pixels(installed.convertToFormat(QImage::Format_ARGB32)),
            Pixels(Argb(ApplicationIconPixmap())));
}

}  // namespace
}  // namespace quillet
