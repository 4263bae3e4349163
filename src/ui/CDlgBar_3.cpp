#include "ui/CDlgBar_3.h"

#include "ui/Layout.h"

CDlgBar_3::CDlgBar_3(QWidget* parent) : QWidget(parent) { ui::MarkWindow(this, "CDlgBar_3"); }
