// The desktop's icons and the window program's own icon are one drawing:
// the PNGs drawn at build time and the hand-written SVG both match
// ui::ArtIcon(Art::App) as the program draws it.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdlib>
#include <memory>

#include "ui/common/Artwork.h"

namespace {

const QString kAppId = QStringLiteral(TESSOR_APP_ID);

class AppIcon : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "install_icon_test";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QGuiApplication>(argc, argv);
  }
  static void TearDownTestSuite() { app_.reset(); }

  static QImage Blank(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
  }
  static QImage Drawn(int size) {
    QImage image = Blank(size);
    QPainter painter(&image);
    ui::ArtIcon(ui::Art::App).paint(&painter, image.rect());
    return image;
  }
  static QImage FromSvg(int size) {
    QImage image = Blank(size);
    QSvgRenderer svg(QStringLiteral(TESSOR_SOURCE_DIR "/resources/tessor.svg"));
    EXPECT_TRUE(svg.isValid());
    QPainter painter(&image);
    svg.render(&painter, QRectF(image.rect()));
    return image;
  }

  // Mean difference over all channels of all pixels (0-255), and the share
  // of pixels with a channel more than 48 apart: edges may differ by a
  // shade of antialiasing, shapes and colours may not.
  struct Difference {
    double mean = 0;
    double farShare = 0;
  };
  static Difference Compare(const QImage& a, const QImage& b) {
    Difference d;
    if (a.size() != b.size()) return {255, 1};
    long long sum = 0;
    long long far = 0;
    for (int y = 0; y < a.height(); ++y) {
      for (int x = 0; x < a.width(); ++x) {
        const QColor p = a.pixelColor(x, y);
        const QColor q = b.pixelColor(x, y);
        const int channels[] = {std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                                std::abs(p.blue() - q.blue()), std::abs(p.alpha() - q.alpha())};
        int most = 0;
        for (const int c : channels) {
          sum += c;
          most = std::max(most, c);
        }
        if (most > 48) ++far;
      }
    }
    const double pixels = static_cast<double>(a.width()) * a.height();
    d.mean = static_cast<double>(sum) / (4 * pixels);
    d.farShare = static_cast<double>(far) / pixels;
    return d;
  }

  static std::unique_ptr<QGuiApplication> app_;
};

std::unique_ptr<QGuiApplication> AppIcon::app_;

TEST_F(AppIcon, ThePngsAreTheProgramsOwnIcon) {
  for (const int size : {48, 256}) {
    const QString file = QStringLiteral(TESSOR_ICON_DIR "/%1x%1/").arg(size) + kAppId + QStringLiteral(".png");
    QImage png(file);
    ASSERT_FALSE(png.isNull()) << file.toStdString();
    EXPECT_EQ(png.size(), QSize(size, size));
    EXPECT_TRUE(png.hasAlphaChannel());
    // Transparent corners around the rounded face.
    EXPECT_EQ(png.pixelColor(0, 0).alpha(), 0);
    const Difference d = Compare(png.convertToFormat(QImage::Format_ARGB32), Drawn(size));
    EXPECT_LT(d.mean, 0.5) << size;
  }
}

TEST_F(AppIcon, TheSvgLooksLikeTheProgramsIcon) {
  for (const int size : {48, 128, 256}) {
    const Difference d = Compare(FromSvg(size), Drawn(size));
    EXPECT_LT(d.mean, 2.0) << size;
    EXPECT_LT(d.farShare, 0.02) << size;
  }
}

TEST_F(AppIcon, TheComparisonSeesADifferentDrawing) {
  // Another of the program's icons is far from the application icon.
  QImage other = Blank(48);
  {
    QPainter painter(&other);
    ui::ArtIcon(ui::Art::Save).paint(&painter, other.rect());
  }
  const Difference d = Compare(other, Drawn(48));
  EXPECT_GT(d.farShare, 0.2);
}

}  // namespace
