#include "ui/bars/TabPage.h"

#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <QRadioButton>

#include "motion/EngineState.h"
#include "program/CommandPages.h"
#include "settings/SysParams.h"
#include "ui/common/Fields.h"
#include "ui/common/Layout.h"

using namespace ui;

TabPage::TabPage(QWidget* parent, const char* className, int panel) : QWidget(parent), panel_(panel) {
  MarkWindow(this, className);
}

void TabPage::paintEvent(QPaintEvent* /*event*/) { RunControl.ActivePanel = panel_; }

void TabPage::SetPageMargins() { layout()->setContentsMargins(10, 10, 10, 10); }

void TabPage::FillAxisLists(std::initializer_list<int> lists) {
  const auto entries = AxisListTexts(RunControl.CardCount.load(), SysParams.LangVer);
  for (int id : lists) FillList(Control<QComboBox>(this, id), entries);
}

void TabPage::UncheckRadios(std::initializer_list<int> radios) {
  for (int id : radios) {
    // A radio of an exclusive group cannot be unchecked while it is
    // exclusive.
    auto* radio = Control<QRadioButton>(this, id);
    radio->setAutoExclusive(false);
    radio->setChecked(false);
    radio->setAutoExclusive(true);
  }
}

void TabPage::CheckRadio(int id) { Control<QRadioButton>(this, id)->setChecked(true); }

void TabPage::Enable(int id, bool on) { Control<QWidget>(this, id)->setEnabled(on); }

void TabPage::ConnectClicked(int id, std::function<void()> handler) {
  connect(Control<QRadioButton>(this, id), &QRadioButton::clicked, this, std::move(handler));
}

void TabPage::ShowAxis(int list, int axis) {
  auto* combo = Control<QComboBox>(this, list);
  combo->setCurrentIndex(axis >= 1 && axis <= combo->count() ? axis - 1 : -1);
}

int TabPage::TakeAxis(int list) { return Control<QComboBox>(this, list)->currentIndex() + 1; }

void TabPage::ShowNumber(int field, double value) { ui::ShowNumber(Control<QLineEdit>(this, field), value); }

bool TabPage::TakeNumber(int field, double& value) { return ui::TakeNumber(Control<QLineEdit>(this, field), value); }
