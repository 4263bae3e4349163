#include "ui/bars/CDlgBar_1.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "motion/Engine.h"
#include "motion/EngineState.h"
#include "motion/RunControl.h"
#include "operator/OperatorMessages.h"
#include "program/MotionProgram.h"
#include "program/RunGuard.h"
#include "settings/SysParams.h"
#include "ui/bars/CProgramListBox.h"
#include "ui/bars/LiveValues.h"
#include "ui/bars/PathPlotView.h"
#include "ui/common/Artwork.h"
#include "ui/common/Fields.h"
#include "ui/common/Layout.h"
#include "ui/common/QtOperatorPort.h"
#include "ui/common/Texts.h"

namespace {

using namespace ui;

constexpr int kCodeShow = 1298;
constexpr int kFields = -1;
constexpr int kLoopMax = 100000000;

constexpr Item kLayout[] = {
    Group(kCodeShow, "Code Show").At(0, 0),
    Place(1006).In(kCodeShow).At(0, 0),
    Place(1177).At(0, 1).Min(340, 300),
    Panel(kFields).At(1, 0).Span(1, 2),
    Label(1299, "Row NO.").In(kFields).At(0, 0),
    Edit(1120).In(kFields).At(0, 1).Min(80),
    Label(1300, "Total Rows").In(kFields).At(0, 2),
    Edit(1119).In(kFields).At(0, 3).Min(80),
    Label(1291, "Loop").In(kFields).At(0, 4),
    Edit(1118).In(kFields).At(0, 5).Min(90),
    Stretch().In(kFields).At(0, 6),
    Place("LiveValues").At(2, 0),
    Picture(1312).At(2, 1).Fixed(320, 150),
};

constexpr Text kTexts[] = {
    {1299, "Row NO.", "当前行号"},       {1300, "Total Rows", "总行数"},         {1291, "  Loop", "总循环次数"},
    {1301, "Current Speed", "当前速度"}, {1302, "Current Position", "指令位置"}, {1303, "Feedback", "反馈位置"},
    {1298, "Code Show", "编程显示"},
};

}  // namespace

CDlgBar_1::CDlgBar_1(QtOperatorPort& port, QWidget* parent) : QWidget(parent), port_(port) {
  MarkWindow(this, "CDlgBar_1");
  listing_ = new CProgramListBox(port.Listing(), port.Selection(), this);
  plot_ = new PathPlotView(this);
  plot_->setObjectName(IdName(1177));
  live_ = new LiveValues(this);
  live_->setObjectName(QStringLiteral("LiveValues"));
  BuildLayout(this, kLayout);
  auto* grid = static_cast<QGridLayout*>(layout());
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(0, 1);

  row_ = Control<QLineEdit>(this, 1120);
  total_ = Control<QLineEdit>(this, 1119);
  loop_ = Control<QLineEdit>(this, 1118);
  logo_ = Control<QLabel>(this, 1312);
  for (QLineEdit* shown : {row_, total_}) {
    shown->setReadOnly(true);
    shown->setFocusPolicy(Qt::NoFocus);
  }
  ShowInteger(loop_, loopCount_);

  ApplyLanguageTexts();
  EditCommand = DefaultEditCommand();

  connect(&port, &QtOperatorPort::CurrentRowTextChanged, this, [this](const QString& text) { row_->setText(text); });
  connect(&port, &QtOperatorPort::RepaintRequested, this, &CDlgBar_1::Repaint);
  connect(listing_, &CProgramListBox::RunFromHereRequested, this, &CDlgBar_1::RunFromHere);
  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, &CDlgBar_1::OnTimer);
  timer->start(100);
}

void CDlgBar_1::ApplyLanguageTexts() {
  const int language = SysParams.LangVer;
  if (language != kLangEnglish && language != kLangChinese) return;
  logo_->setPixmap(LogoFor(language, devicePixelRatioF()));
  ApplyTexts(this, kTexts, language);
}

PlotRect CDlgBar_1::PlotFrame() const { return plot_->Frame(); }

bool CDlgBar_1::TakeLoopCount(int& loops) {
  if (!TakeInteger(loop_, loopCount_, 0, kLoopMax)) return false;
  loops = loopCount_;
  return true;
}

void CDlgBar_1::OnTimer() {
  if (!RunControl.BusyProgram.load()) {
    ShowText(total_, QString::number(MotionProgram.size()));
    ShowText(row_, QString::number(port_.ListSelectedRow() + 1));
  }
  plot_->FollowProgram();
  plot_->Advance(StatusTables.CommandPosition[0].load(), StatusTables.CommandPosition[1].load());
  live_->Refresh();
}

void CDlgBar_1::Repaint() {
  plot_->Replay();
  update();
}

void CDlgBar_1::FollowProgram() { plot_->FollowProgram(); }

void CDlgBar_1::RunFromHere() {
  StartRequest request;
  request.firstRow = port_.ListSelectedRow();
  request.plotFrame = PlotFrame();
  // Only a run that may start takes the loop field; a refused one says why.
  if (!MotionButtonsHeld() && request.firstRow >= 0 && !TakeLoopCount(request.loopCount)) return;
  RunFromRowButton(request);
}

void CDlgBar_1::paintEvent(QPaintEvent* /*event*/) { RunControl.ActivePanel = panel::kProgram; }
