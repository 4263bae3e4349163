#include "ui/dialogs/ProgramPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <limits>

#include "operator/OperatorMessages.h"
#include "program/ProgramEditing.h"
#include "settings/SysParams.h"
#include "ui/common/Fields.h"
#include "ui/common/Layout.h"
#include "ui/common/Texts.h"

namespace {

using namespace ui;

constexpr int kDelay = 1088;
constexpr int kLoop = 1089;
constexpr int kStore = 1090;
constexpr int kExit = 1102;

// The row under every page's own fields.
constexpr Item kLayout[] = {
    Label(1264, "Delay Time").At(0, 0),
    Edit(kDelay).At(0, 1).Min(90),
    Label(1265, "Second(s)").At(0, 2).Min(70),
    Label(1291, "        Loop").At(0, 3),
    Edit(kLoop).At(0, 4).Min(70),
    Stretch().At(0, 5),
    Button(kStore, "Add(&A)").At(0, 6).Min(100),
    Button(kExit, "Exit(&E)").At(0, 7).Min(100),
};

// Set 0: the fields; sets 1-3: the store button for EditMode 0-2.
constexpr Text kTexts[] = {
    {1264, "Delay Time", "延迟时间"},
    {1265, "Second(s)", "秒(s)"},
    {1291, "        Loop", "循环次数"},
    {kExit, "Exit(&E)", "退出(&E)"},
    {kStore, "Add(&A)", "添加(&A)", 1 + kEditAdd},
    {kStore, "Modify(&M)", "修改(&M)", 1 + kEditModify},
    {kStore, "Insert(&I)", "插入(&I)", 1 + kEditInsert},
};

}  // namespace

ProgramPage::ProgramPage(const char* className, bool repeats, std::span<const ui::Item> layout, QWidget* parent)
    : QWidget(parent), repeats_(repeats) {
  MarkWindow(this, className);
  BuildLayout(this, layout);
  auto* common = new QWidget(this);
  common->setObjectName(QStringLiteral("CommonFields"));
  BuildLayout(common, kLayout);
  common->layout()->setContentsMargins(0, 0, 0, 0);
  auto* grid = static_cast<QGridLayout*>(this->layout());
  grid->addWidget(common, grid->rowCount(), 0, 1, grid->columnCount());

  delay_ = Control<QLineEdit>(common, kDelay);
  loop_ = Control<QLineEdit>(common, kLoop);
  ShowNumber(delay_, 0.0);
  ShowInteger(loop_, 0);
  ApplyTexts(common, kTexts, SysParams.LangVer);
  connect(Control<QPushButton>(common, kStore), &QPushButton::clicked, this, [this] { OnStore(); });
  connect(Control<QPushButton>(common, kExit), &QPushButton::clicked, this, &ProgramPage::ExitRequested);
}

void ProgramPage::Open() {
  const bool modify = EditMode == kEditModify;
  ApplyTexts(this, kTexts, SysParams.LangVer, 1 + EditMode);
  // Loop repeats a new command; a modified entry stays one entry.
  loop_->setEnabled(repeats_ && !modify);
  OnOpen(modify);
}

bool ProgramPage::Take(int id, double& value) {
  auto* field = Control<QLineEdit>(this, id);
  return !field->isEnabled() || TakeNumber(field, value);
}

bool ProgramPage::TakeLoop(std::int32_t& loop) {
  if (!loop_->isEnabled()) return true;
  return TakeInteger(loop_, loop, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
}

void ProgramPage::Show(int id, double value) { ShowNumber(Control<QLineEdit>(this, id), value); }

int ProgramPage::ListLanguage() { return SysParams.LangVer == kLangChinese ? kLangChinese : kLangEnglish; }

void ProgramPage::Select(QComboBox* list, int entry) {
  list->setCurrentIndex(entry >= 0 && entry < list->count() ? entry : -1);
}
