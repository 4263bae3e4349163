#include "ui/common/Artwork.h"

#include <QFile>
#include <QIconEngine>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QRadialGradient>
#include <functional>

#include "operator/OperatorMessages.h"

namespace ui {
namespace {

const QColor kInk(0x2b, 0x3a, 0x4a);
const QColor kSteel(0x5d, 0x7f, 0x9e);
const QColor kPaper(0xfb, 0xfb, 0xf6);
const QColor kAccent(0xe0, 0x8a, 0x1e);
const QColor kPath(0x1f, 0x5f, 0xd0);

// Draws `art` into a 16 x 16 design grid scaled to `rect`.
void DrawArt(QPainter& p, const QRect& rect, Art art, bool enabled) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.translate(rect.topLeft());
  p.scale(rect.width() / 16.0, rect.height() / 16.0);
  if (!enabled) p.setOpacity(0.4);
  QPen ink(kInk, 1.0);
  ink.setJoinStyle(Qt::RoundJoin);
  ink.setCapStyle(Qt::RoundCap);
  p.setPen(ink);
  switch (art) {
    case Art::New: {
      QPainterPath sheet;
      sheet.moveTo(3.5, 1.5);
      sheet.lineTo(9.5, 1.5);
      sheet.lineTo(12.5, 4.5);
      sheet.lineTo(12.5, 14.5);
      sheet.lineTo(3.5, 14.5);
      sheet.closeSubpath();
      p.setBrush(kPaper);
      p.drawPath(sheet);
      p.drawPolyline(QPolygonF({{9.5, 1.5}, {9.5, 4.5}, {12.5, 4.5}}));
      p.setPen(QPen(kAccent, 1.4, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(11.5, 10), QPointF(11.5, 15));
      p.drawLine(QPointF(9, 12.5), QPointF(14, 12.5));
      break;
    }
    case Art::Open: {
      p.setBrush(QColor(0xe9, 0xc4, 0x6a));
      p.drawPolygon(QPolygonF({{1.5, 3.5}, {6, 3.5}, {7.5, 5}, {13.5, 5}, {13.5, 13.5}, {1.5, 13.5}}));
      p.setBrush(QColor(0xf6, 0xdc, 0x94));
      p.drawPolygon(QPolygonF({{3.5, 7.5}, {15, 7.5}, {13.5, 13.5}, {1.5, 13.5}}));
      break;
    }
    case Art::Save: {
      p.setBrush(kSteel);
      p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
      p.setBrush(kPaper);
      p.drawRect(QRectF(4, 1.5, 8, 5));
      p.setBrush(kInk);
      p.drawRect(QRectF(9.5, 2.5, 1.5, 3));
      p.setBrush(QColor(0xdd, 0xe6, 0xee));
      p.drawRect(QRectF(3.5, 9, 9, 5.5));
      break;
    }
    case Art::Help: {
      p.setBrush(kPath);
      p.setPen(Qt::NoPen);
      p.drawEllipse(QRectF(1, 1, 14, 14));
      QFont font = p.font();
      font.setPixelSize(11);
      font.setBold(true);
      p.setFont(font);
      p.setPen(Qt::white);
      p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, QStringLiteral("?"));
      break;
    }
    case Art::Control: {
      p.setBrush(kPaper);
      p.drawRect(QRectF(1.5, 2.5, 13, 11));
      p.setBrush(kSteel);
      p.drawRect(QRectF(1.5, 2.5, 5, 11));
      p.setPen(QPen(kPaper, 1.0));
      for (double y : {5.0, 8.0, 11.0}) p.drawLine(QPointF(2.8, y), QPointF(5.2, y));
      break;
    }
    case Art::Program: {
      p.setBrush(kPaper);
      p.drawRect(QRectF(1.5, 1.5, 13, 13));
      p.setPen(QPen(kSteel, 1.0));
      for (double y : {4.5, 7.0, 9.5}) p.drawLine(QPointF(3.5, y), QPointF(8.5, y));
      p.setPen(QPen(kPath, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawPolyline(QPolygonF({{3.5, 12.5}, {7, 11}, {9.5, 12}, {12.5, 4}}));
      break;
    }
    case Art::Single: {
      p.setBrush(kInk);
      p.drawEllipse(QRectF(1.5, 10.5, 3.5, 3.5));
      p.setPen(QPen(kAccent, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawLine(QPointF(4.5, 10.5), QPointF(13, 3));
      p.drawPolyline(QPolygonF({{8.5, 3}, {13, 3}, {13, 7.5}}));
      break;
    }
    case Art::Signals: {
      const QColor lamps[] = {QColor(0x2e, 0xb8, 0x4b), QColor(0xd9, 0x3a, 0x2e), QColor(0x2e, 0xb8, 0x4b),
                              QColor(0x3a, 0x6e, 0xd9)};
      for (int k = 0; k < 4; ++k) {
        p.setBrush(lamps[k]);
        p.drawEllipse(QRectF(1.5 + 7 * (k % 2), 1.5 + 7 * (k / 2), 6, 6));
      }
      break;
    }
    case Art::Scope: {
      p.setBrush(QColor(0x1c, 0x2c, 0x40));
      p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 1.5, 1.5);
      p.setPen(QPen(kSteel, 0.6));
      p.drawLine(QPointF(2.5, 8), QPointF(13.5, 8));
      p.drawLine(QPointF(8, 3.5), QPointF(8, 12.5));
      p.setPen(QPen(QColor(0x6c, 0xe0, 0x7a), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.setBrush(Qt::NoBrush);
      QPainterPath wave;
      wave.moveTo(2.5, 8);
      wave.cubicTo(4.5, 2.5, 6, 2.5, 8, 8);
      wave.cubicTo(10, 13.5, 11.5, 13.5, 13.5, 8);
      p.drawPath(wave);
      break;
    }
    case Art::App: {
      p.setPen(Qt::NoPen);
      QLinearGradient face(0, 0, 16, 16);
      face.setColorAt(0, QColor(0x3b, 0x5e, 0x85));
      face.setColorAt(1, QColor(0x1c, 0x2c, 0x40));
      p.setBrush(face);
      p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
      p.setPen(QPen(kAccent, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.setBrush(Qt::NoBrush);
      p.drawPolyline(QPolygonF({{3, 12.5}, {6, 12.5}, {6, 6}, {10, 6}, {10, 3.5}, {13, 3.5}}));
      p.setPen(Qt::NoPen);
      p.setBrush(Qt::white);
      p.drawEllipse(QRectF(11.6, 2.1, 2.8, 2.8));
      break;
    }
    case Art::Warning: {
      QPainterPath sign;
      sign.moveTo(8, 1.2);
      sign.lineTo(15.2, 14.3);
      sign.lineTo(0.8, 14.3);
      sign.closeSubpath();
      p.setPen(QPen(QColor(0x9a, 0x5b, 0x08), 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.setBrush(QColor(0xf2, 0xb1, 0x2b));
      p.drawPath(sign);
      p.setPen(Qt::NoPen);
      p.setBrush(kInk);
      p.drawRoundedRect(QRectF(7.2, 5.0, 1.6, 5.2), 0.8, 0.8);
      p.drawEllipse(QRectF(7.15, 11.0, 1.7, 1.7));
      break;
    }
    case Art::SingleBlock: {
      p.setBrush(kPaper);
      p.drawRect(QRectF(1.5, 1.5, 9, 13));
      p.setPen(QPen(kSteel, 1.0));
      for (double y : {4.5, 10.5}) p.drawLine(QPointF(3.5, y), QPointF(8.5, y));
      p.setPen(QPen(kPath, 1.6, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(3.5, 7.5), QPointF(8.5, 7.5));
      p.setPen(Qt::NoPen);
      p.setBrush(kAccent);
      p.drawRoundedRect(QRectF(11.5, 4.5, 1.6, 7), 0.5, 0.5);
      p.drawRoundedRect(QRectF(13.9, 4.5, 1.6, 7), 0.5, 0.5);
      break;
    }
    case Art::Information: {
      p.setPen(Qt::NoPen);
      p.setBrush(kPath);
      p.drawEllipse(QRectF(1, 1, 14, 14));
      p.setBrush(Qt::white);
      p.drawEllipse(QRectF(7.1, 3.6, 1.8, 1.8));
      p.drawRoundedRect(QRectF(7.15, 6.6, 1.7, 5.8), 0.6, 0.6);
      break;
    }
    case Art::Import: {
      QPainterPath sheet;
      sheet.moveTo(5.5, 1.5);
      sheet.lineTo(11.5, 1.5);
      sheet.lineTo(14.5, 4.5);
      sheet.lineTo(14.5, 14.5);
      sheet.lineTo(5.5, 14.5);
      sheet.closeSubpath();
      p.setBrush(kPaper);
      p.drawPath(sheet);
      p.drawPolyline(QPolygonF({{11.5, 1.5}, {11.5, 4.5}, {14.5, 4.5}}));
      p.setPen(QPen(kPath, 1.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.setBrush(Qt::NoBrush);
      QPainterPath tool;
      tool.moveTo(8, 12.5);
      tool.lineTo(8, 9.5);
      tool.arcTo(QRectF(8, 6.5, 4, 4), 180, -180);
      tool.lineTo(12, 12.5);
      p.drawPath(tool);
      p.setPen(QPen(kAccent, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawLine(QPointF(1, 8), QPointF(6.5, 8));
      p.drawPolyline(QPolygonF({{4.5, 5.8}, {6.7, 8}, {4.5, 10.2}}));
      break;
    }
    case Art::Events: {
      p.setBrush(kPaper);
      p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
      const QColor marks[] = {kSteel, kAccent, kPath};
      for (int k = 0; k < 3; ++k) {
        const double y = 4.8 + 3.2 * k;
        p.setPen(Qt::NoPen);
        p.setBrush(marks[k]);
        p.drawEllipse(QPointF(4.5, y), 1.3, 1.3);
        p.setPen(QPen(kInk, 1.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(7, y), QPointF(12.5, y));
      }
      break;
    }
  }
  p.restore();
}

// The lamp colours of the LEDs and output buttons.
struct Lamp {
  QColor light;
  QColor body;
  QColor edge;
};
const Lamp kRedLamp{QColor(0xff, 0x9a, 0x8c), QColor(0xdc, 0x2a, 0x1e), QColor(0x7a, 0x10, 0x0a)};
const Lamp kGreenLamp{QColor(0xa8, 0xf5, 0x9a), QColor(0x2c, 0xb8, 0x3a), QColor(0x0f, 0x5c, 0x18)};
const Lamp kBlueLamp{QColor(0xa6, 0xc8, 0xff), QColor(0x2f, 0x6c, 0xd8), QColor(0x12, 0x2f, 0x70)};

const Lamp* LampOf(int resource) {
  switch (resource) {
    case bitmap::kRedLed:
    case bitmap::kRedButton:
      return &kRedLamp;
    case bitmap::kGreenLed:
    case bitmap::kGreenButton:
      return &kGreenLamp;
    case bitmap::kBlueLed:
      return &kBlueLamp;
    default:
      return nullptr;
  }
}

bool IsButton(int resource) { return resource == bitmap::kRedButton || resource == bitmap::kGreenButton; }

// A round lamp in a dark bezel, lit from the upper left; 27 x 23 grid.
void DrawLed(QPainter& p, const Lamp& lamp) {
  const QPointF centre(13.5, 11.5);
  QRadialGradient bezel(centre, 11);
  bezel.setColorAt(0.8, QColor(0x55, 0x5b, 0x62));
  bezel.setColorAt(1.0, QColor(0x2a, 0x2e, 0x33));
  p.setPen(Qt::NoPen);
  p.setBrush(bezel);
  p.drawEllipse(centre, 10.5, 10.5);
  QRadialGradient lens(QPointF(11.5, 9.0), 10, QPointF(10.5, 8.0));
  lens.setColorAt(0.0, lamp.light);
  lens.setColorAt(0.55, lamp.body);
  lens.setColorAt(1.0, lamp.edge);
  p.setBrush(lens);
  p.drawEllipse(centre, 8.5, 8.5);
  p.setBrush(QColor(255, 255, 255, 150));
  p.drawEllipse(QRectF(8.5, 5.5, 5.5, 3.5));
}

// A square key with a lit face; 35 x 32 grid.
void DrawKey(QPainter& p, const Lamp& lamp) {
  QLinearGradient face(0, 2, 0, 30);
  face.setColorAt(0.0, lamp.light);
  face.setColorAt(0.45, lamp.body);
  face.setColorAt(1.0, lamp.edge);
  p.setPen(QPen(lamp.edge, 1.0));
  p.setBrush(face);
  p.drawRoundedRect(QRectF(2.5, 2.5, 30, 27), 5, 5);
  QLinearGradient gloss(0, 3, 0, 15);
  gloss.setColorAt(0.0, QColor(255, 255, 255, 170));
  gloss.setColorAt(1.0, QColor(255, 255, 255, 20));
  p.setPen(Qt::NoPen);
  p.setBrush(gloss);
  p.drawRoundedRect(QRectF(5, 4.5, 25, 10), 4, 4);
}

// An icon drawn as vectors at whatever size and scale it is asked for.
using Drawing = std::function<void(QPainter&, const QRect&, bool enabled)>;
class DrawnEngine final : public QIconEngine {
 public:
  explicit DrawnEngine(Drawing draw) : draw_(std::move(draw)) {}
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State /*state*/) override {
    painter->save();
    draw_(*painter, rect, mode != QIcon::Disabled);
    painter->restore();
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return scaledPixmap(size, mode, state, 1.0);
  }
  // QIcon asks with `size` in device pixels already.
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
    QPixmap pixmap(size);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paint(&painter, QRect(QPoint(0, 0), (QSizeF(size) / scale).toSize()), mode, state);
    return pixmap;
  }
  QIconEngine* clone() const override { return new DrawnEngine(draw_); }

 private:
  Drawing draw_;
};

}  // namespace

QIcon ArtIcon(Art art) {
  return QIcon(
      new DrawnEngine([art](QPainter& p, const QRect& rect, bool enabled) { DrawArt(p, rect, art, enabled); }));
}

bool HasBitmap(int resource) { return LampOf(resource) != nullptr; }

QSize BitmapSize(int resource) {
  if (!HasBitmap(resource)) return {};
  return IsButton(resource) ? QSize(35, 32) : QSize(27, 23);
}

void DrawBitmap(QPainter& painter, int resource, const QRectF& rect) {
  const Lamp* lamp = LampOf(resource);
  if (lamp == nullptr || rect.isEmpty()) return;
  const QSize grid = BitmapSize(resource);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(rect.topLeft());
  painter.scale(rect.width() / grid.width(), rect.height() / grid.height());
  if (IsButton(resource)) {
    DrawKey(painter, *lamp);
  } else {
    DrawLed(painter, *lamp);
  }
  painter.restore();
}

QPixmap BitmapPixmap(int resource, QSize size, qreal devicePixelRatio) {
  if (!HasBitmap(resource) || size.isEmpty()) return {};
  const QString key = QStringLiteral("tessor-bitmap-%1-%2x%3@%4")
                          .arg(resource)
                          .arg(size.width())
                          .arg(size.height())
                          .arg(devicePixelRatio);
  QPixmap pixmap;
  if (QPixmapCache::find(key, &pixmap)) return pixmap;
  pixmap = QPixmap((QSizeF(size) * devicePixelRatio).toSize());
  pixmap.setDevicePixelRatio(devicePixelRatio);
  pixmap.fill(Qt::transparent);
  {
    QPainter painter(&pixmap);
    DrawBitmap(painter, resource, QRectF(QPointF(0, 0), QSizeF(size)));
  }
  QPixmapCache::insert(key, pixmap);
  return pixmap;
}

QIcon BitmapIcon(int resource) {
  return QIcon(new DrawnEngine([resource](QPainter& p, const QRect& rect, bool enabled) {
    if (!enabled) p.setOpacity(0.45);
    DrawBitmap(p, resource, rect);
  }));
}

QPixmap BuiltInLogo(qreal devicePixelRatio) {
  const QSize size(320, 150);
  QPixmap logo(size * devicePixelRatio);
  logo.setDevicePixelRatio(devicePixelRatio);
  QPainter p(&logo);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, size.height());
  sky.setColorAt(0, QColor(0x2a, 0x45, 0x63));
  sky.setColorAt(1, QColor(0x14, 0x22, 0x33));
  p.fillRect(QRect(QPoint(0, 0), size), sky);

  // A stage on its rail, with the path it travels.
  p.setPen(QPen(QColor(0x8f, 0xa9, 0xc2), 2));
  p.drawLine(24, 112, 296, 112);
  p.setPen(Qt::NoPen);
  p.setBrush(kAccent);
  p.drawRoundedRect(QRectF(188, 96, 46, 16), 3, 3);
  p.setPen(QPen(QColor(0x8f, 0xa9, 0xc2), 1.5, Qt::DashLine));
  p.drawLine(40, 126, 188, 126);
  p.setBrush(Qt::white);
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPointF(40, 126), 3, 3);

  QFont title = p.font();
  title.setPixelSize(46);
  title.setBold(true);
  title.setLetterSpacing(QFont::AbsoluteSpacing, 4);
  p.setFont(title);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 14, size.width(), 56), Qt::AlignCenter, QStringLiteral("TESSOR"));
  QFont sub = p.font();
  sub.setPixelSize(13);
  sub.setBold(false);
  sub.setLetterSpacing(QFont::AbsoluteSpacing, 1);
  p.setFont(sub);
  p.setPen(QColor(0xc9, 0xd6, 0xe3));
  p.drawText(QRect(0, 66, size.width(), 20), Qt::AlignCenter, QStringLiteral("pulse-train motion control"));
  return logo;
}

QPixmap LogoFor(int language, qreal devicePixelRatio) {
  const QString file =
      language == kLangChinese ? QStringLiteral("Picture/LOGO-CHS.bmp") : QStringLiteral("Picture/LOGO-ENG.bmp");
  QImage image;
  if (QFile::exists(file) && image.load(file)) return QPixmap::fromImage(image);
  return BuiltInLogo(devicePixelRatio);
}

}  // namespace ui
