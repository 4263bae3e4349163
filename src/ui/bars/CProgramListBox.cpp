#include "ui/bars/CProgramListBox.h"

#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include "operator/OperatorMessages.h"
#include "program/ProgramEditing.h"
#include "ui/common/Layout.h"
#include "ui/common/ProgramListModel.h"
#include "ui/common/Texts.h"

namespace {

using namespace ui;

constexpr int kListing = 1006;
constexpr int kHorizontalExtent = 800;  // pixels the listing scrolls across

// The editing menu: menu 156 in English, 217 in Chinese; then, apart, the
// run from the selected row.
constexpr Text kEditMenu[] = {
    {32777, "Add(&A)", "添加(&A)"},
    {32778, "Insert(&I)", "插入(&I)"},
    {32775, "Modify(&M)", "修改(&M)"},
    {32776, "Delet(&D)", "删除(&D)"},
    {"runFromHere", "Run From Here", "从此行运行"},
};

// Every row is as wide as the listing's horizontal extent.
class RowDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {kHorizontalExtent, QStyledItemDelegate::sizeHint(option, index).height()};
  }
};

}  // namespace

CProgramListBox::CProgramListBox(ProgramListModel* rows, QItemSelectionModel* selection, QWidget* parent)
    : QListView(parent) {
  setObjectName(IdName(kListing));
  setUniformItemSizes(true);
  setItemDelegate(new RowDelegate(this));
  setModel(rows);
  setSelectionModel(selection);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  // The running row is selected by the program: keep it in sight.
  connect(selection, &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
    if (current.isValid()) scrollTo(current);
  });
}

void CProgramListBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    // The menu's commands act on the row selected before the click.
    if (ProgramListRightClick()) ShowEditMenu(event->globalPosition().toPoint());
    event->accept();
    return;
  }
  QListView::mousePressEvent(event);
}

void CProgramListBox::ShowEditMenu(QPoint at) {
  QMenu menu(this);
  menu.setObjectName(CurrentLanguage() == kLangChinese ? QStringLiteral("217") : QStringLiteral("156"));
  for (const Text& entry : kEditMenu) {
    const int command = entry.key.id;
    if (command == 0) menu.addSeparator();
    QAction* action = menu.addAction(QString::fromUtf8(entry.english));
    action->setObjectName(entry.key.ObjectName());
    if (command == 0) {
      connect(action, &QAction::triggered, this, &CProgramListBox::RunFromHereRequested);
    } else {
      connect(action, &QAction::triggered, this, [this, command] { emit CommandChosen(command); });
    }
  }
  ApplyTexts(&menu, kEditMenu, CurrentLanguage());
  // Centred horizontally on the click.
  menu.exec(QPoint(at.x() - menu.sizeHint().width() / 2, at.y()));
}

void CProgramListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !indexAt(event->position().toPoint()).isValid()) {
    event->accept();
    return;
  }
  if (ProgramListDoubleClick()) emit ModifyRequested();
  event->accept();
}

void CProgramListBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete) ProgramListDeleteKey();
  event->accept();  // no key moves the selection
}

void CProgramListBox::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }
