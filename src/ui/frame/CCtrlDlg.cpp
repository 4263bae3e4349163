#include "ui/frame/CCtrlDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "motion/Engine.h"
#include "motion/EngineState.h"
#include "motion/RunControl.h"
#include "operator/OperatorMessages.h"
#include "program/CommandPages.h"
#include "settings/SysParams.h"
#include "ui/bars/CDlgBar_1.h"
#include "ui/bars/CDlgBar_2.h"
#include "ui/bars/LiveValues.h"
#include "ui/common/Fields.h"
#include "ui/common/Layout.h"
#include "ui/common/Texts.h"

namespace {

using namespace ui;

constexpr int kJogGroup = 1245;
constexpr int kHomeGroup = 1246;
constexpr int kMotionGroup = 1247;

constexpr int kCardList = 1198;
constexpr int kJogMinus[4] = {1192, 1193, 1194, 1195};
constexpr int kJogPlus[4] = {1035, 1036, 1037, 1038};
constexpr int kHomeButtons[4] = {1197, 1203, 1202, 1201};
constexpr int kJogSetting = 1196;
constexpr int kHomeSetting = 1200;
constexpr int kHomeAll = 1039;
constexpr int kClear = 1204;
constexpr int kStart = 1121;
constexpr int kDStop = 1199;
constexpr int kSStop = 1122;
constexpr int kSlowStopCaption = 1310;
constexpr int kSuddenStopCaption = 1311;

constexpr Item kLayout[] = {
    Label(1244, "Card No.").At(0, 0),
    Combo(kCardList).At(0, 1),
    Group(kJogGroup, "Point to Point").At(1, 0).Span(1, 2),
    Button(1192, "X Axis  -").In(kJogGroup).At(0, 0),
    Button(1035, "X Axis  +").In(kJogGroup).At(0, 1),
    Button(1193, "Y Axis  -").In(kJogGroup).At(1, 0),
    Button(1036, "Y Axis  +").In(kJogGroup).At(1, 1),
    Button(1194, "Z Axis  -").In(kJogGroup).At(2, 0),
    Button(1037, "Z Axis  +").In(kJogGroup).At(2, 1),
    Button(1195, "T Axis  -").In(kJogGroup).At(3, 0),
    Button(1038, "T Axis  +").In(kJogGroup).At(3, 1),
    Button(kJogSetting, "Setting").In(kJogGroup).At(4, 0).Span(1, 2),
    Group(kHomeGroup, "Home Move").At(2, 0).Span(1, 2),
    Button(kHomeAll, "Home All").In(kHomeGroup).At(0, 0).Span(1, 2),
    Button(1197, "X Axis Home").In(kHomeGroup).At(1, 0),
    Button(1203, "Y Axis Home").In(kHomeGroup).At(1, 1),
    Button(1202, "Z Axis Home").In(kHomeGroup).At(2, 0),
    Button(1201, "T Axis Home").In(kHomeGroup).At(2, 1),
    Button(kHomeSetting, "Setting").In(kHomeGroup).At(3, 0).Span(1, 2),
    Group(kMotionGroup, "Motion").At(3, 0).Span(1, 2),
    Button(kClear, "Clear").In(kMotionGroup).At(0, 0).Span(1, 2),
    Button(kStart, "Start(&T)").In(kMotionGroup).At(1, 0).Span(1, 2).Min(0, 40),
    Button(kDStop, "D Stop(&D)").In(kMotionGroup).At(2, 0).Min(0, 40),
    Button(kSStop, "S Stop(&S)").In(kMotionGroup).At(2, 1).Min(0, 40),
    Label(kSlowStopCaption, "Slow Stop").In(kMotionGroup).At(3, 0),
    Label(kSuddenStopCaption, "Sudden Stop").In(kMotionGroup).At(3, 1),
    Stretch().At(4, 0),
};

// Set 1: the captions of card 1's buttons, set 2 those of card 2.
constexpr Text kTexts[] = {
    {1244, "Card No.", "卡号"},
    {1245, "Point to Point", "点动"},
    {1196, "Setting", "设置"},
    {1200, "Setting", "设置"},
    {1246, "Home Move", "回零"},
    {1039, "Home All", "全部回零"},
    {1247, "Motion", "控制"},
    {1204, "Clear", "清零"},
    {1121, "Start(&T)", "开始(&T)"},
    {1199, "D Stop(&D)", "缓停(&D)"},
    {1122, "S Stop(&S)", "急停(&S)"},
    {1192, "X Axis  -", "X轴  -", 1},
    {1193, "Y Axis  -", "Y轴  -", 1},
    {1194, "Z Axis  -", "Z轴  -", 1},
    {1195, "T Axis  -", "T轴  -", 1},
    {1035, "X Axis  +", "X轴  +", 1},
    {1036, "Y Axis  +", "Y轴  +", 1},
    {1037, "Z Axis  +", "Z轴  +", 1},
    {1038, "T Axis  +", "T轴  +", 1},
    {1197, "X Axis Home", "X轴 回零", 1},
    {1203, "Y Axis Home", "Y轴 回零", 1},
    {1202, "Z Axis Home", "Z轴 回零", 1},
    {1201, "T Axis Home", "T轴 回零", 1},
    {1192, "A Axis  -", "A轴  -", 2},
    {1193, "B Axis  -", "B轴  -", 2},
    {1194, "C Axis  -", "C轴  -", 2},
    {1195, "D Axis  -", "D轴  -", 2},
    {1035, "A Axis  +", "A轴  +", 2},
    {1036, "B Axis  +", "B轴  +", 2},
    {1037, "C Axis  +", "C轴  +", 2},
    {1038, "D Axis  +", "D轴  +", 2},
    {1197, "A Axis Home", "A轴 回零", 2},
    {1203, "B Axis Home", "B轴 回零", 2},
    {1202, "C Axis Home", "C轴 回零", 2},
    {1201, "D Axis Home", "D轴 回零", 2},
};
constexpr int kCard1Captions = 1;

// The motion buttons stand out: Start green, the stops amber and red.
void Tint(QPushButton* button, QColor colour) {
  QPalette palette = button->palette();
  palette.setColor(QPalette::Button, colour);
  palette.setColor(QPalette::ButtonText, Qt::white);
  button->setPalette(palette);
  QFont font = button->font();
  font.setBold(true);
  button->setFont(font);
}

}  // namespace

CCtrlDlg::CCtrlDlg(QWidget* parent) : QWidget(parent) {
  MarkWindow(this, "CCtrlDlg");
  BuildLayout(this, kLayout);
  card_ = Control<QComboBox>(this, kCardList);

  auto button = [this](int id) { return Control<QPushButton>(this, id); };
  for (int k = 0; k < 4; ++k) {
    const int axis = k + 1;
    connect(button(kJogMinus[k]), &QPushButton::clicked, this, [this, axis] { JogButton(axis, -1, CardSelection()); });
    connect(button(kJogPlus[k]), &QPushButton::clicked, this, [this, axis] { JogButton(axis, +1, CardSelection()); });
    connect(button(kHomeButtons[k]), &QPushButton::clicked, this,
            [this, axis] { HomeAxisButton(axis, CardSelection()); });
  }
  connect(button(kHomeAll), &QPushButton::clicked, this, [this] { HomeAllButton(CardSelection()); });
  connect(button(kJogSetting), &QPushButton::clicked, this, [this] {
    if (openJogSetting) openJogSetting();
  });
  connect(button(kHomeSetting), &QPushButton::clicked, this, [this] {
    if (openHomeSetting) openHomeSetting();
  });
  connect(button(kClear), &QPushButton::clicked, this, [] { ClearButton(); });
  connect(button(kStart), &QPushButton::clicked, this, &CCtrlDlg::OnStart);
  connect(button(kDStop), &QPushButton::clicked, this, [] { DStop(); });
  connect(button(kSStop), &QPushButton::clicked, this, [] { SStop(); });
  Tint(button(kStart), QColor(0x2e, 0x8b, 0x47));
  Tint(button(kDStop), QColor(0xc7, 0x7c, 0x12));
  Tint(button(kSStop), QColor(0xc0, 0x2b, 0x22));

  const int cards = RunControl.CardCount.load();
  FillList(card_, CardListTexts(cards == 1 ? 1 : 2, SysParams.LangVer));
  card_->setCurrentIndex(0);
  ApplyLanguageTexts();
  connect(card_, &QComboBox::currentIndexChanged, this, &CCtrlDlg::OnCardChange);
}

CCtrlDlg::~CCtrlDlg() { StopStatusTimer(StatusTables.TimerId.load()); }

void CCtrlDlg::SetPanels(CDlgBar_1* liveStatus, CDlgBar_2* directMotion) {
  liveStatus_ = liveStatus;
  directMotion_ = directMotion;
}

int CCtrlDlg::CardSelection() const { return card_->currentIndex(); }

void CCtrlDlg::ApplyLanguageTexts() {
  const int language = SysParams.LangVer;
  if (language != kLangEnglish && language != kLangChinese) return;
  const bool english = language == kLangEnglish;
  Control<QLabel>(this, kSlowStopCaption)->setVisible(english);
  Control<QLabel>(this, kSuddenStopCaption)->setVisible(english);
  ApplyTexts(this, kTexts, language);
  ApplyTexts(this, kTexts, language, kCard1Captions);
}

void CCtrlDlg::OnCardChange(int selection) {
  RunControl.ShownCard = selection + 1;
  SetUnitLabels(selection + 1);
  if (selection == 0 || selection == 1) ApplyTexts(this, kTexts, SysParams.LangVer, kCard1Captions + selection);
}

void CCtrlDlg::OnStart() {
  StartRequest request;
  // Read once: a repaint while a prompt stands cannot switch the panel
  // between the checks and the run.
  request.panel = RunControl.ActivePanel.load();
  // A run paused by single block goes on as it was: no field is taken.
  if (request.panel == panel::kProgram && ProgramPausedBeforeRow() != 0) {
    StartButton(request);
    return;
  }
  if (liveStatus_ != nullptr) request.plotFrame = liveStatus_->PlotFrame();
  // The fields are taken only for a run that may start (a held Start answers
  // message 10 before any is read), and a rejected field starts nothing.
  if (!MotionButtonsHeld() && !TakeStartValues(request)) return;
  StartButton(request);
}

bool CCtrlDlg::TakeStartValues(StartRequest& request) {
  if (request.panel == panel::kProgram) return liveStatus_ == nullptr || liveStatus_->TakeLoopCount(request.loopCount);
  return directMotion_ == nullptr || directMotion_->TakePageValues(request.panel, request);
}
