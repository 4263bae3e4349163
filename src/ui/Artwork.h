#pragma once
// Tessor's own artwork, drawn as vectors so that it is sharp at any scale:
// toolbar and tab icons and the built-in logo.

#include <QIcon>
#include <QPixmap>

namespace ui {

enum class Art {
  New,      // a blank sheet
  Open,     // an opening folder
  Save,     // a disk
  Help,     // a question mark
  Control,  // a panel beside a window
  Program,  // a listing with a path (the multi-step tab)
  Single,   // an arrow from a point (the single-step tab)
  Signals,  // lamps (the other-function tab)
  App,      // the application
};

QIcon ArtIcon(Art art);

// The logo for `language`: "Picture/LOGO-ENG.bmp" (0) or
// "Picture/LOGO-CHS.bmp" (1) from the working folder when it can be read,
// else the built-in 320 x 150 logo drawn for `devicePixelRatio`.
QPixmap LogoFor(int language, qreal devicePixelRatio);
QPixmap BuiltInLogo(qreal devicePixelRatio);

}  // namespace ui
