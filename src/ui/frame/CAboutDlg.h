#pragma once
// The About box: the product line, and the cards, library and versions
// found at start-up in text field 1225.

#include <QDialog>

class CAboutDlg final : public QDialog {
  Q_OBJECT

 public:
  CAboutDlg(const QString& text, QWidget* parent);
};
