// The windows at scale 2 (QT_SCALE_FACTOR): the frame keeps its 1024 x 768
// device-independent pixels; icons, box icons, the logo and the live plot
// are drawn for the screen's pixels, not enlarged from smaller pictures.

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QStyle>
#include <QToolBar>

#include "UiTest.h"
#include "ui/bars/PathPlotView.h"

using namespace uitest;

namespace {

constexpr qreal kScale = 2.0;

// The box a step raises, as it stands: its icon and its scale.
struct SeenBox {
  QPixmap icon;
  qreal ratio = 0.0;
  int side = 0;  // the style's size of box icons
};
void LookAtNextBox(SeenBox& seen) {
  QTimer::singleShot(0, [&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) qFatal("no box stands");
    seen.icon = box->iconPixmap();
    seen.ratio = box->devicePixelRatioF();
    seen.side = box->style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, box);
    box->escapeButton()->click();
  });
}

// How many distinct colours a picture holds: an enlarged small bitmap has
// few; a drawing for the screen's pixels has the shades of its edges.
int Colours(const QImage& image) {
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
  }
  return static_cast<int>(colours.size());
}

}  // namespace

class HiDpiTest : public QObject {
  Q_OBJECT

 private slots:
  void frameKeepsItsSizeAndDrawsForTheScreen() {
    Bench bench;
    auto frame = bench.MakeFrame();
    QCOMPARE(frame->devicePixelRatioF(), kScale);
    QCOMPARE(frame->size(), QSize(1024, 768));

    // Toolbar icons come at the screen's pixels.
    auto* toolbar = Find<QToolBar>(frame.get(), QStringLiteral("toolbar"));
    const QPixmap icon = Control<QAction>(toolbar, 32782)->icon().pixmap(toolbar->iconSize(), kScale);
    QCOMPARE(icon.size(), QSize(32, 32));
    QCOMPARE(icon.devicePixelRatio(), kScale);

    // The logo and the plot's image are as many pixels as the screen shows.
    const QPixmap logo = Control<QLabel>(frame->LiveStatus(), 1312)->pixmap();
    QCOMPARE(logo.size(), QSize(640, 300));
    QCOMPARE(logo.deviceIndependentSize().toSize(), QSize(320, 150));
    MotionProgram = {DefaultEditCommand()};
    NoteProgramEdited();
    frame->LiveStatus()->OnTimer();
    auto* plot = Control<PathPlotView>(frame->LiveStatus(), 1177);
    const QImage picture = plot->Picture();
    QCOMPARE(picture.size(), plot->size() * 2);
    int planned = 0;
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x) planned += QColor(picture.pixel(x, y)) == PathPlotView::PlanColour();
    }
    QVERIFY(planned > 0);
    NoteProgramReplaced();
  }

  void boxIconsAreDrawnForTheScreen() {
    Bench bench;
    auto frame = bench.MakeFrame();
    for (BoxIcon kind : {BoxIcon::Question, BoxIcon::Exclamation, BoxIcon::Information}) {
      SeenBox seen;
      LookAtNextBox(seen);
      Operator().MessageBox("?", kAppTitle, BoxButtons::Ok, kind);
      QCOMPARE(seen.ratio, kScale);
      QVERIFY(!seen.icon.isNull());
      QCOMPARE(seen.icon.devicePixelRatio(), kScale);
      QCOMPARE(seen.icon.deviceIndependentSize().toSize(), QSize(seen.side, seen.side));
      QVERIFY2(Colours(seen.icon.toImage()) > 40, qPrintable(QString::number(Colours(seen.icon.toImage()))));
    }
    SeenBox none;
    LookAtNextBox(none);
    Operator().MessageBox("plain", kAppTitle, BoxButtons::Ok, BoxIcon::None);
    QVERIFY(none.icon.isNull());
  }
};

int main(int argc, char** argv) {
  qputenv("QT_SCALE_FACTOR", QByteArray::number(kScale));
  QApplication app(argc, argv);
  HiDpiTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "HiDpi_test.moc"
