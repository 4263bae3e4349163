// Draws the application icon (the window program's own, ui::Art::App) into
// a PNG file of the given size, for the desktop's icon theme:
//   tessor-render-icon SIZE OUTPUT.png

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ui/common/Artwork.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tessor-render-icon SIZE OUTPUT.png\n");
    return 2;
  }
  char* end = nullptr;
  const long size = std::strtol(argv[1], &end, 10);
  if (end == argv[1] || *end != '\0' || size < 16 || size > 1024) {
    std::fprintf(stderr, "tessor-render-icon: size must be 16 to 1024 pixels, not %s\n", argv[1]);
    return 2;
  }
  QImage image(static_cast<int>(size), static_cast<int>(size), QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    ui::ArtIcon(ui::Art::App).paint(&painter, image.rect());
  }
  if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    std::fprintf(stderr, "tessor-render-icon: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
