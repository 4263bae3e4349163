#pragma once
// Tessor's own artwork, drawn as vectors so that it is sharp at any scale:
// toolbar, tab and message box icons and the built-in logo.

#include <QIcon>
#include <QPixmap>

class QPainter;

namespace ui {

enum class Art {
  New,          // a blank sheet
  Open,         // an opening folder
  Save,         // a disk
  Help,         // a question mark
  Control,      // a panel beside a window
  Program,      // a listing with a path (the multi-step tab)
  Single,       // an arrow from a point (the single-step tab)
  Signals,      // lamps (the other-function tab)
  Scope,        // a screen with a trace (the scope)
  App,          // the application
  Warning,      // boxes: an amber triangle with "!"
  Information,  // boxes: a blue disc with "i"
  Import,       // a tool path drawn on a sheet, an arrow into it (G-code import)
  Events,       // a sheet of time-marked lines (the event journal)
  SingleBlock,  // a listing paused before its next row
};

QIcon ArtIcon(Art art);

// The panels' bitmaps by resource number, drawn as vectors: the LEDs 193
// red, 191 green and 192 blue (27 x 23), the output buttons 188 red and 187
// green (35 x 32). Any other number is no bitmap.
namespace bitmap {
inline constexpr int kGreenButton = 187;
inline constexpr int kRedButton = 188;
inline constexpr int kGreenLed = 191;
inline constexpr int kBlueLed = 192;
inline constexpr int kRedLed = 193;
}  // namespace bitmap
bool HasBitmap(int resource);
QSize BitmapSize(int resource);
// Draws bitmap `resource` stretched over `rect`; nothing for no bitmap.
void DrawBitmap(QPainter& painter, int resource, const QRectF& rect);
// The bitmap drawn at `size` for `devicePixelRatio`, drawn once and kept.
QPixmap BitmapPixmap(int resource, QSize size, qreal devicePixelRatio);
// The bitmap as an icon, sharp at any scale.
QIcon BitmapIcon(int resource);

// The logo for `language`: "Picture/LOGO-ENG.bmp" (0) or
// "Picture/LOGO-CHS.bmp" (1) from the working folder when it can be read,
// else the built-in 320 x 150 logo drawn for `devicePixelRatio`.
QPixmap LogoFor(int language, qreal devicePixelRatio);
QPixmap BuiltInLogo(qreal devicePixelRatio);

}  // namespace ui
