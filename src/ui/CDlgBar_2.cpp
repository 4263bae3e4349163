#include "ui/CDlgBar_2.h"

#include <QGridLayout>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>

#include "motion/Engine.h"
#include "operator/OperatorMessages.h"
#include "settings/SysParams.h"
#include "ui/Artwork.h"
#include "ui/Layout.h"
#include "ui/LiveValues.h"
#include "ui/Texts.h"

namespace {

using namespace ui;

constexpr Item kLayout[] = {
    Tabs(1026).At(0, 0).Span(1, 2),
    Place("LiveValues").At(1, 0),
    Picture(1312).At(1, 1).Fixed(320, 150),
};

constexpr Text kTexts[] = {
    {1301, "Current Speed", "当前速度"},
    {1302, "Current Position", "指令位置"},
    {1303, "Feedback", "反馈位置"},
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

  SetUnitLabels(1);
  StartStatusTimer();
  ApplyLanguageTexts();

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

void CDlgBar_2::OnTimer() { live_->Refresh(); }
