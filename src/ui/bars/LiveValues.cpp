#include "ui/bars/LiveValues.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

#include "motion/EngineState.h"
#include "motion/Units.h"
#include "settings/NumberText.h"
#include "ui/common/Fields.h"
#include "ui/common/Layout.h"

namespace {

using namespace ui;

constexpr int kSpeedGroup = 1301;
constexpr int kPositionGroup = 1302;
constexpr int kFeedbackGroup = 1303;

// Axis names sit in the speed group's first column, so rows line up.
constexpr Item kLayout[] = {
    Group(kSpeedGroup, "Current Speed").At(0, 0),
    Group(kPositionGroup, "Current Pos").At(0, 1),
    Group(kFeedbackGroup, "Feedback").At(0, 2),
    Label(1314, "X").In(kSpeedGroup).At(0, 0).Min(14),
    Label(1315, "Y").In(kSpeedGroup).At(1, 0).Min(14),
    Label(1316, "Z").In(kSpeedGroup).At(2, 0).Min(14),
    Label(1317, "T").In(kSpeedGroup).At(3, 0).Min(14),
    Edit(1104).In(kSpeedGroup).At(0, 1).Min(72),
    Edit(1105).In(kSpeedGroup).At(1, 1).Min(72),
    Edit(1106).In(kSpeedGroup).At(2, 1).Min(72),
    Edit(1107).In(kSpeedGroup).At(3, 1).Min(72),
    Label(1165, "mm/s").In(kSpeedGroup).At(0, 2).Min(34),
    Label(1166, "mm/s").In(kSpeedGroup).At(1, 2).Min(34),
    Label(1167, "mm/s").In(kSpeedGroup).At(2, 2).Min(34),
    Label(1168, "mm/s").In(kSpeedGroup).At(3, 2).Min(34),
    Edit(1108).In(kPositionGroup).At(0, 0).Min(72),
    Edit(1109).In(kPositionGroup).At(1, 0).Min(72),
    Edit(1110).In(kPositionGroup).At(2, 0).Min(72),
    Edit(1111).In(kPositionGroup).At(3, 0).Min(72),
    Label(1169, "mm").In(kPositionGroup).At(0, 1).Min(22),
    Label(1170, "mm").In(kPositionGroup).At(1, 1).Min(22),
    Label(1171, "mm").In(kPositionGroup).At(2, 1).Min(22),
    Label(1172, "mm").In(kPositionGroup).At(3, 1).Min(22),
    Edit(1112).In(kFeedbackGroup).At(0, 0).Min(72),
    Edit(1113).In(kFeedbackGroup).At(1, 0).Min(72),
    Edit(1114).In(kFeedbackGroup).At(2, 0).Min(72),
    Edit(1115).In(kFeedbackGroup).At(3, 0).Min(72),
    Label(1173, "mm").In(kFeedbackGroup).At(0, 1).Min(22),
    Label(1174, "mm").In(kFeedbackGroup).At(1, 1).Min(22),
    Label(1175, "mm").In(kFeedbackGroup).At(2, 1).Min(22),
    Label(1176, "mm").In(kFeedbackGroup).At(3, 1).Min(22),
};

// The panels showing live values: the live status bar and the direct-motion
// panel.
std::vector<LiveValues*> shownPanels;

QString Value(double units) { return QString::fromStdString(numtext::FormatFixed(units, 2)); }

}  // namespace

LiveValues::LiveValues(QWidget* parent) : QWidget(parent) {
  BuildLayout(this, kLayout);
  layout()->setContentsMargins(0, 0, 0, 0);
  for (int k = 0; k < 4; ++k) {
    const auto i = static_cast<std::size_t>(k);
    speed_[i] = Control<QLineEdit>(this, 1104 + k);
    position_[i] = Control<QLineEdit>(this, 1108 + k);
    feedback_[i] = Control<QLineEdit>(this, 1112 + k);
    name_[i] = Control<QLabel>(this, 1314 + k);
    speedUnit_[i] = Control<QLabel>(this, 1165 + k);
    positionUnit_[i] = Control<QLabel>(this, 1169 + k);
    feedbackUnit_[i] = Control<QLabel>(this, 1173 + k);
    for (QLineEdit* field : {speed_[i], position_[i], feedback_[i]}) {
      field->setReadOnly(true);
      field->setAlignment(Qt::AlignRight);
      field->setFocusPolicy(Qt::NoFocus);
    }
  }
  FitUnitCaptions();
  shownPanels.push_back(this);
}

LiveValues::~LiveValues() { std::erase(shownPanels, this); }

// Each unit caption is as wide as the widest unit it may show, measured in
// its font at the screen's scale: a change of units never clips it.
void LiveValues::FitUnitCaptions() {
  const QFontMetricsF metrics(speedUnit_[0]->font(), speedUnit_[0]);
  auto width = [&](std::string_view text) {
    return static_cast<int>(std::ceil(
               metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))))) +
           2;
  };
  int speed = 0, length = 0;
  for (int code = unit::kPulse; code <= unit::kDegree; ++code) {
    speed = std::max(speed, width(UnitSpeedText(code)));
    length = std::max(length, width(UnitLengthText(code)));
  }
  for (std::size_t k = 0; k < 4; ++k) {
    speedUnit_[k]->setMinimumWidth(speed);
    positionUnit_[k]->setMinimumWidth(length);
    feedbackUnit_[k]->setMinimumWidth(length);
  }
}

void LiveValues::Refresh() {
  const int card = RunControl.ShownCard.load();
  if (card != 1 && card != 2) return;
  for (int k = 0; k < 4; ++k) {
    const int axis = k + 1 + 4 * (card - 1);
    const std::size_t a = AxisIndex(axis);
    const auto i = static_cast<std::size_t>(k);
    Show(speed_[i], shown_[i], LiveSpeedUnits(axis, StatusTables.CurrentSpeed[a].load()));
    Show(position_[i], shown_[4 + i], LiveCommandUnits(axis, StatusTables.CommandPosition[a].load()));
    Show(feedback_[i], shown_[8 + i], LiveFeedbackUnits(axis, StatusTables.EncoderCount[a].load()));
  }
}

// Ten times a second for every field: a value that has not changed (to the
// bit) is neither formatted nor compared again.
void LiveValues::Show(QLineEdit* field, std::optional<std::uint64_t>& shown, double units) {
  const auto bits = std::bit_cast<std::uint64_t>(units);
  if (shown == bits) return;
  shown = bits;
  ShowText(field, Value(units));
}

void LiveValues::ShowUnitLabels(int card) {
  const std::optional<UnitLabels> labels = UnitLabelsForCard(card);
  if (!labels) return;
  auto text = [](std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); };
  for (std::size_t k = 0; k < 4; ++k) {
    name_[k]->setText(text(labels->axisName[k]));
    if (labels->speedText[k]) speedUnit_[k]->setText(text(*labels->speedText[k]));
    if (labels->lengthText[k]) {
      positionUnit_[k]->setText(text(*labels->lengthText[k]));
      feedbackUnit_[k]->setText(text(*labels->lengthText[k]));
    }
  }
}

void SetUnitLabels(int card) {
  for (LiveValues* panel : shownPanels) panel->ShowUnitLabels(card);
}
