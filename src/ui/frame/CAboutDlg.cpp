#include "ui/frame/CAboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "ui/common/Artwork.h"
#include "ui/common/Layout.h"

namespace {

using namespace ui;

constexpr int kText = 1225;

constexpr Item kLayout[] = {
    Picture(0).Named("icon").At(0, 0).Span(2, 1).Fixed(48, 48),
    Label(0, "Kinolt 1.1.2").Named("product").At(0, 1),
    Label(kText, "").At(1, 1).Min(330),
    Button(1, "OK").At(2, 1),
};

}  // namespace

CAboutDlg::CAboutDlg(const QString& text, QWidget* parent) : QDialog(parent) {
  MarkWindow(this, "CAboutDlg");
  setWindowTitle(QStringLiteral("About Kinolt"));
  BuildLayout(this, kLayout);
  Control<QLabel>(this, QStringLiteral("icon"))->setPixmap(ArtIcon(Art::App).pixmap(48, 48));
  auto* body = Control<QLabel>(this, kText);
  body->setTextFormat(Qt::PlainText);
  body->setText(text);
  auto* ok = Control<QPushButton>(this, 1);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
