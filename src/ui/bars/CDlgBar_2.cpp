#include "ui/bars/CDlgBar_2.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>

#include "motion/Engine.h"
#include "motion/RunControl.h"
#include "operator/OperatorMessages.h"
#include "settings/SysParams.h"
#include "ui/bars/CCircularTabPage.h"
#include "ui/bars/CLinearTabPage.h"
#include "ui/bars/CPtoPTabPage.h"
#include "ui/bars/LiveValues.h"
#include "ui/common/Artwork.h"
#include "ui/common/Layout.h"
#include "ui/common/Texts.h"

namespace {

using namespace ui;

constexpr int kOrvc = 2;

constexpr Item kLayout[] = {
    Tabs(1026).At(0, 0).Span(1, 2),
    Place("LiveValues").At(1, 0),
    Picture(1312).At(1, 1).Fixed(320, 150),
};

constexpr Text kTexts[] = {
    {1301, "Current Speed", "当前速度"},
    {1302, "Current Position", "指令位置"},
    {1303, "Feedback", "反馈位置"},
    {"CPtoPTabPage", "PtoP Motion", "点位运动"},
    {"CLinearTabPage", "Linear Interpolation", "直线插补"},
    {"CCircularTabPage", "Circular Interpolation", "圆弧插补"},
};

}  // namespace

CDlgBar_2::CDlgBar_2(QWidget* parent) : QWidget(parent) {
  MarkWindow(this, "CDlgBar_2");
  live_ = new LiveValues(this);
  live_->setObjectName(QStringLiteral("LiveValues"));
  BuildLayout(this, kLayout);
  static_cast<QGridLayout*>(layout())->setRowStretch(0, 1);
  tabs_ = Control<QTabWidget>(this, 1026);
  logo_ = Control<QLabel>(this, 1312);

  ptop_ = new CPtoPTabPage(tabs_);
  linear_ = new CLinearTabPage(tabs_);
  circular_ = new CCircularTabPage(tabs_);
  // The tabs by model: the circular page exists on every model but has a
  // tab only on ORVC.
  tabs_->addTab(ptop_, QStringLiteral("PtoP Motion"));
  tabs_->addTab(linear_, QStringLiteral("Linear Interpolation"));
  if (SysParams.Ctrler == kOrvc) {
    tabs_->addTab(circular_, QStringLiteral("Circular Interpolation"));
  } else {
    circular_->hide();
  }

  SetUnitLabels(1);
  StartStatusTimer();
  ApplyLanguageTexts();
  tabs_->setCurrentIndex(0);
  connect(tabs_, &QTabWidget::currentChanged, this, &CDlgBar_2::OnTabChange);

  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, &CDlgBar_2::OnTimer);
  timer->start(100);
}

void CDlgBar_2::ApplyLanguageTexts() {
  const int language = SysParams.LangVer;
  if (language != kLangEnglish && language != kLangChinese) return;
  logo_->setPixmap(LogoFor(language, devicePixelRatioF()));
  ApplyTexts(this, kTexts, language);
}

void CDlgBar_2::OnTabChange(int index) {
  // Choosing a tab shows the page's stored record, dropping unsaved edits.
  switch (index) {
    case 0:
      ptop_->ShowRecord();
      break;
    case 1:
      linear_->ShowRecord();
      break;
    case 2:
      circular_->ShowRecord();
      break;
    default:
      break;
  }
}

bool CDlgBar_2::TakePageValues(int panel, StartRequest& request) {
  switch (panel) {
    case panel::kPtoP:
      if (!ptop_->TakeValues()) return false;
      request.ptop = ptop_->Values();
      return true;
    case panel::kLinear:
      if (!linear_->TakeValues()) return false;
      request.linear = linear_->Values();
      return true;
    case panel::kCircular:
      if (!circular_->TakeValues()) return false;
      request.circular = circular_->Values();
      return true;
    default:
      return true;
  }
}

void CDlgBar_2::OnTimer() { live_->Refresh(); }

void CDlgBar_2::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}
