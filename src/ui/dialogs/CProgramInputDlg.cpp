#include "ui/dialogs/CProgramInputDlg.h"

#include <QComboBox>
#include <QStackedWidget>

#include "operator/OperatorMessages.h"
#include "program/CommandCodes.h"
#include "program/CommandPages.h"
#include "program/MotionProgram.h"
#include "program/ProgramEditing.h"
#include "settings/SysParams.h"
#include "ui/common/Fields.h"
#include "ui/common/Layout.h"
#include "ui/common/Texts.h"
#include "ui/dialogs/CHomePage.h"
#include "ui/dialogs/CLinearPage.h"
#include "ui/dialogs/CPtoPPage.h"
#include "ui/dialogs/CSwitchOutPage.h"

namespace {

using namespace ui;

constexpr int kCommandList = 1044;
constexpr int kPageContainer = 1040;

constexpr Item kLayout[] = {
    Label(1116, "Command Select").At(0, 0),
    Combo(kCommandList).At(0, 1).Min(330),
    Stretch().At(0, 2),
    Place(kPageContainer).At(1, 0).Span(1, 3),
};

constexpr Text kTexts[] = {
    {kCaption, "Program Input", "编程输入"},
    {1116, "Command Select", "指令选择"},
};

// Command names in the language; English for any other setting, so the
// list is never empty.
std::string CommandListText(std::int32_t code) {
  const int language = SysParams.LangVer == kLangChinese ? kLangChinese : kLangEnglish;
  return std::string(CommandName(code, language));
}

}  // namespace

CProgramInputDlg::CProgramInputDlg(QWidget* parent) : QDialog(parent) {
  MarkWindow(this, "CProgramInputDlg");
  setWindowTitle(QStringLiteral("Program Input"));
  // The container only holds the pages; one shows at a time.
  pages_ = new QStackedWidget(this);
  pages_->setObjectName(IdName(kPageContainer));
  ptop_ = new CPtoPPage(pages_);
  linear_ = new CLinearPage(pages_);
  home_ = new CHomePage(pages_);
  switchOut_ = new CSwitchOutPage(pages_);
  for (ProgramPage* page : Pages()) {
    pages_->addWidget(page);
    connect(page, &ProgramPage::ExitRequested, this, &QDialog::accept);
  }
  BuildLayout(this, kLayout);

  commands_ = Control<QComboBox>(this, kCommandList);
  std::vector<std::string> names;
  for (std::int32_t code : CommandListForModel(SysParams.Ctrler)) names.push_back(CommandListText(code));
  FillList(commands_, names);
  commands_->setMaxVisibleItems(static_cast<int>(names.size()));
  ApplyLanguageTexts();
  // As compact as its texts allow, and fixed: the fields need no more room
  // than their minimum.
  setFixedSize(minimumSizeHint());
  connect(commands_, &QComboBox::currentIndexChanged, this, &CProgramInputDlg::OnCommandSelect);
}

std::array<ProgramPage*, 4> CProgramInputDlg::Pages() const { return {ptop_, linear_, home_, switchOut_}; }

void CProgramInputDlg::ApplyLanguageTexts() { ApplyTexts(this, kTexts, SysParams.LangVer); }

int CProgramInputDlg::Open() {
  const bool modify = EditMode == kEditModify;
  if (modify && !LoadSelectedForModify()) return QDialog::Rejected;
  for (ProgramPage* page : Pages()) page->Open();
  // Entry 0, or the entry's command; a list without that command (a
  // four-axis entry on ORVA) stays on entry 0.
  const int entry = modify ? CommandListEntry(SysParams.Ctrler, EditCommand.iCodeType) : 0;
  {
    const QSignalBlocker quiet(commands_);
    commands_->setCurrentIndex(entry);
  }
  OnCommandSelect(commands_->currentIndex());
  commands_->setFocus();
  return exec();
}

void CProgramInputDlg::OnCommandSelect(int entry) {
  const auto codes = CommandListForModel(SysParams.Ctrler);
  if (entry < 0 || static_cast<std::size_t>(entry) >= codes.size()) return;
  dialogCodeType_ = codes[static_cast<std::size_t>(entry)];
  ProgramPage* page = ptop_;
  switch (PageForCode(dialogCodeType_)) {
    case CommandPage::PtoP:
      page = ptop_;
      break;
    case CommandPage::Linear:
      page = linear_;
      break;
    case CommandPage::Home:
      page = home_;
      break;
    case CommandPage::SwitchOutput:
      page = switchOut_;
      break;
  }
  page->ShowCode(dialogCodeType_);
  pages_->setCurrentWidget(page);
}
