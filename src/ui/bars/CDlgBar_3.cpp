#include "ui/bars/CDlgBar_3.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <vector>

#include "motion/EngineState.h"
#include "operator/OperatorMessages.h"
#include "program/CommandPages.h"
#include "settings/SysParams.h"
#include "ui/bars/CIndicator.h"
#include "ui/common/Artwork.h"
#include "ui/common/Fields.h"
#include "ui/common/Layout.h"
#include "ui/common/Texts.h"

namespace {

using namespace ui;

constexpr int kOrvb = 1;
constexpr int kOrvc = 2;

constexpr int kCardRow = -1;
constexpr int kCardList = 1210;
constexpr int kSpecificGroup = 1304;
constexpr int kInputGroup = 1305;
constexpr int kOutputGroup = 1306;

// Specific inputs: rows 1-4 are the card's axes, then the alarm row.
constexpr int kRowCaption[4] = {1045, 1056, 1058, 1059};
constexpr int kAlarmCaption = 1049;
constexpr int kOriginLed[4] = {1008, 1009, 1010, 1011};
constexpr int kLimitPlusLed[4] = {1013, 1014, 1015, 1016};
constexpr int kLimitMinusLed[4] = {1018, 1019, 1020, 1021};
constexpr int kSlowdownLed[4] = {1023, 1024, 1025, 1026};
constexpr int kAlarmLed = 1012;
constexpr int kOriginBox[4] = {1201, 1202, 1203, 1204};
constexpr int kLimitBox[4] = {1206, 1207, 1208, 1209};
constexpr int kSlowdownBox[4] = {1211, 1212, 1213, 1214};
constexpr int kAlarmBox = 1205;

constexpr int kInputLed[kGeneralInputs] = {1027, 1028, 1029, 1030, 1031, 1042, 1043, 1044, 1046,
                                           1047, 1048, 1060, 1061, 1062, 1063, 1069, 1070, 1071};
constexpr int kInputCaption17 = 1215;   // captions of inputs 17 and 18
constexpr int kFirstOutput = 1074;      // button of output k: 1073 + k
constexpr int kOutputCaption17 = 1217;  // captions of outputs 17-24

constexpr const char* kTwoDigits[kGeneralOutputs] = {"01", "02", "03", "04", "05", "06", "07", "08",
                                                     "09", "10", "11", "12", "13", "14", "15", "16",
                                                     "17", "18", "19", "20", "21", "22", "23", "24"};
constexpr const char* kRowNames[2][4] = {{"X", "Y", "Z", "T"}, {"A", "B", "C", "D"}};

constexpr const char* kNoteClick = " Description: Click the button to switch the signal output.";
constexpr const char* kNoteColours = " Description:   Green Button =  ON, Red  Button =  OFF.";

constexpr int kInputsPerRow = 6;
constexpr int kOutputsPerRow = 12;

constexpr std::size_t kLayoutSize = 4 + 44 + 1 + 2 * kGeneralInputs + 1 + 2 * kGeneralOutputs + 3;

struct Layout {
  std::array<Item, kLayoutSize> items{};
  std::size_t size = 0;
};

// The grids of LEDs, boxes and buttons, row by row.
constexpr Layout MakeLayout() {
  Layout layout;
  auto add = [&](Item item) { layout.items[layout.size++] = item; };

  add(Panel(kCardRow).At(0, 0).Span(1, 2));
  add(Label(1244, "Card No.").In(kCardRow).At(0, 0));
  add(Combo(kCardList).In(kCardRow).At(0, 1).Min(90));
  add(Stretch().In(kCardRow).At(0, 2));

  add(Group(kSpecificGroup, "Specific Inputs").At(1, 0));
  add(Label(1295, "Org").In(kSpecificGroup).At(0, 1));
  add(Label(1051, "Effe.").In(kSpecificGroup).At(0, 2));
  add(Label(1052, "Limit+").In(kSpecificGroup).At(0, 3));
  add(Label(1053, "Limit-").In(kSpecificGroup).At(0, 4));
  add(Label(1054, "Effe.").In(kSpecificGroup).At(0, 5));
  add(Label(1293, "Decel").In(kSpecificGroup).At(0, 6));
  add(Label(1057, "Effe.").In(kSpecificGroup).At(0, 7));
  add(Stretch().In(kSpecificGroup).At(0, 8));  // the columns stay together
  for (int r = 0; r < 4; ++r) {
    add(Label(kRowCaption[r], kRowNames[0][r]).In(kSpecificGroup).At(r + 1, 0));
    add(Place(kOriginLed[r]).In(kSpecificGroup).At(r + 1, 1));
    add(Check(kOriginBox[r], "").In(kSpecificGroup).At(r + 1, 2));
    add(Place(kLimitPlusLed[r]).In(kSpecificGroup).At(r + 1, 3));
    add(Place(kLimitMinusLed[r]).In(kSpecificGroup).At(r + 1, 4));
    add(Check(kLimitBox[r], "").In(kSpecificGroup).At(r + 1, 5));
    add(Place(kSlowdownLed[r]).In(kSpecificGroup).At(r + 1, 6));
    add(Check(kSlowdownBox[r], "").In(kSpecificGroup).At(r + 1, 7));
  }
  add(Label(kAlarmCaption, "Alarm").In(kSpecificGroup).At(5, 0));
  add(Place(kAlarmLed).In(kSpecificGroup).At(5, 1));
  add(Check(kAlarmBox, "").In(kSpecificGroup).At(5, 2));

  add(Group(kInputGroup, "Standard Inputs").At(1, 1));
  for (int k = 0; k < kGeneralInputs; ++k) {
    const int row = 2 * (k / kInputsPerRow);
    const int col = k % kInputsPerRow;
    add(Place(kInputLed[k]).In(kInputGroup).At(row, col));
    const int caption = k >= 16 ? kInputCaption17 + (k - 16) : 0;
    add(Label(caption, kTwoDigits[k]).In(kInputGroup).At(row + 1, col));
  }

  add(Group(kOutputGroup, "Standard Outputs").At(2, 0).Span(1, 2));
  for (int k = 0; k < kGeneralOutputs; ++k) {
    const int row = 2 * (k / kOutputsPerRow);
    const int col = k % kOutputsPerRow;
    add(Button(kFirstOutput + k, "").In(kOutputGroup).At(row, col).Fixed(45, 40));
    const int caption = k >= 16 ? kOutputCaption17 + (k - 16) : 0;
    add(Label(caption, kTwoDigits[k]).In(kOutputGroup).At(row + 1, col));
  }

  add(Label(1307, kNoteClick).At(3, 0).Span(1, 2));
  add(Label(1259, kNoteColours).At(4, 0).Span(1, 2));
  add(Stretch().At(5, 0));
  return layout;
}
constexpr Layout kLayout = MakeLayout();
static_assert(kLayout.size == kLayoutSize, "every cell of the I/O monitor is in its table");

constexpr Text kTexts[] = {
    {1244, "Card No.", "卡号"},
    {kSpecificGroup, "Specific Inputs", "专用输入"},
    {1295, "Org", "原点"},
    {1051, "Effe.", "有效"},
    {1054, "Effe.", "有效"},
    {1057, "Effe.", "有效"},
    {1052, "Limit+", "正限位"},
    {1053, "Limit-", "负限位"},
    {1293, "Decel", "减速"},
    {kAlarmCaption, "Alarm", "报警"},
    {kInputGroup, "Standard Inputs", "通用输入"},
    {kOutputGroup, "Standard Outputs", "通用输出"},
    {1307, kNoteClick, " 说明：单击按钮可以切换输出电平状态"},
    {1259, kNoteColours, " 说明： 绿色 = 低电平， 红色 = 高电平"},
};

}  // namespace

CDlgBar_3::CDlgBar_3(QWidget* parent) : QWidget(parent) {
  MarkWindow(this, "CDlgBar_3");
  auto makeLed = [this](int id) {
    auto* led = new CIndicator(this);
    led->setObjectName(IdName(id));
    led->setFixedSize(27, 23);
    return led;
  };
  for (int r = 0; r < 4; ++r) {
    const auto i = static_cast<std::size_t>(r);
    origin_[i] = makeLed(kOriginLed[r]);
    limitPlus_[i] = makeLed(kLimitPlusLed[r]);
    limitMinus_[i] = makeLed(kLimitMinusLed[r]);
    slowdown_[i] = makeLed(kSlowdownLed[r]);
  }
  alarm_ = makeLed(kAlarmLed);
  for (int k = 0; k < kGeneralInputs; ++k) general_[static_cast<std::size_t>(k)] = makeLed(kInputLed[k]);
  BuildLayout(this, kLayout.items);
  static_cast<QGridLayout*>(layout())->setRowStretch(5, 1);
  card_ = Control<QComboBox>(this, kCardList);

  // Captions sit centred over their columns; the enable boxes in theirs.
  for (int group : {kSpecificGroup, kInputGroup, kOutputGroup}) {
    auto* box = Control<QGroupBox>(this, group);
    for (QLabel* caption : box->findChildren<QLabel*>()) caption->setAlignment(Qt::AlignCenter);
    for (QCheckBox* check : box->findChildren<QCheckBox*>()) {
      check->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
      check->setChecked(true);
    }
  }

  IoInputStates states;
  ForEachLed(states, [](CIndicator* led, int& /*state*/) {
    led->LoadBitmaps(bitmap::kRedLed, bitmap::kGreenLed, bitmap::kBlueLed);
  });
  for (int k = 1; k <= kGeneralOutputs; ++k) {
    QPushButton* button = Control<QPushButton>(this, kFirstOutput + k - 1);
    button->setIconSize(BitmapSize(bitmap::kRedButton));
    outputs_[static_cast<std::size_t>(k - 1)] = button;
    ShowOutputLevel(k, 1);
    connect(button, &QPushButton::clicked, this, [this, k] { OnOutput(k); });
  }

  struct Box {
    int id;
    SignalFunction function;
    int row;
  };
  std::vector<Box> boxes{{kAlarmBox, SignalFunction::Alarm, 1}};
  for (int r = 0; r < 4; ++r) {
    boxes.push_back({kOriginBox[r], SignalFunction::Origin, r + 1});
    boxes.push_back({kLimitBox[r], SignalFunction::Limit, r + 1});
    boxes.push_back({kSlowdownBox[r], SignalFunction::SlowDown, r + 1});
  }
  for (const Box& b : boxes) {
    connect(Control<QCheckBox>(this, b.id), &QCheckBox::clicked, this,
            [this, b](bool on) { SignalEnableBox(b.function, b.row, Card(), on); });
  }

  ApplyLanguageTexts();
  card_->setCurrentIndex(0);
  connect(card_, &QComboBox::currentIndexChanged, this, &CDlgBar_3::OnCardChange);
  if (SysParams.Ctrler != kOrvc) {
    for (int id : {kInputLed[16], kInputLed[17], kInputCaption17, kInputCaption17 + 1}) {
      Control<QWidget>(this, id)->hide();
    }
  }
  if (SysParams.Ctrler == kOrvb) {
    for (int k = 17; k <= kGeneralOutputs; ++k) {
      Control<QWidget>(this, kFirstOutput + k - 1)->hide();
      Control<QWidget>(this, kOutputCaption17 + k - 17)->hide();
    }
  }

  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, &CDlgBar_3::OnTimer);
  timer->start(100);
}

void CDlgBar_3::ApplyLanguageTexts() {
  const int language = SysParams.LangVer;
  if (language != kLangEnglish && language != kLangChinese) return;
  FillList(card_, CardListTexts(RunControl.CardCount.load() == 2 ? 2 : 1, language));
  ApplyTexts(this, kTexts, language);
}

int CDlgBar_3::Card() const { return card_->currentIndex() + 1; }

template <typename F>
void CDlgBar_3::ForEachLed(IoInputStates& states, F f) {
  for (std::size_t k = 0; k < general_.size(); ++k) f(general_[k], states.general[k]);
  f(alarm_, states.alarm);
  for (std::size_t r = 0; r < 4; ++r) {
    f(limitPlus_[r], states.limitPlus[r]);
    f(limitMinus_[r], states.limitMinus[r]);
    f(origin_[r], states.origin[r]);
    f(slowdown_[r], states.slowdown[r]);
  }
}

void CDlgBar_3::OnTimer() {
  IoInputStates states;
  ForEachLed(states, [](CIndicator* led, int& state) { state = led->State(); });
  ReadIoInputs(Card(), states);
  ForEachLed(states, [](CIndicator* led, int& state) {
    if (led->State() != state) led->SetState(state);
  });
}

void CDlgBar_3::OnCardChange(int selection) {
  if (selection != 0 && selection != 1) return;
  for (int r = 0; r < 4; ++r) {
    Control<QLabel>(this, kRowCaption[r])->setText(QString::fromLatin1(kRowNames[selection][r]));
  }
}

void CDlgBar_3::OnOutput(int output) { ShowOutputLevel(output, OutputButton(Card(), output)); }

void CDlgBar_3::ShowOutputLevel(int output, int level) {
  QPushButton* button = outputs_[static_cast<std::size_t>(output - 1)];
  if (level == 1) button->setIcon(BitmapIcon(bitmap::kRedButton));
  if (level == 0) button->setIcon(BitmapIcon(bitmap::kGreenButton));
}
