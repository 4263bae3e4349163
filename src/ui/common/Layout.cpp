#include "ui/common/Layout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpacerItem>
#include <QTabWidget>
#include <QVariant>
#include <deque>
#include <map>

namespace ui {
namespace {

constexpr const char* kWindowProperty = "tessorWindow";

QGridLayout* GridOf(QWidget* container) {
  if (auto* grid = qobject_cast<QGridLayout*>(container->layout())) return grid;
  auto* grid = new QGridLayout(container);
  return grid;
}

QWidget* MakeWidget(const Item& item, QWidget* parent) {
  const QString text = QString::fromUtf8(item.text);
  switch (item.kind) {
    case Kind::Group:
      return new QGroupBox(text, parent);
    case Kind::Panel:
      return new QWidget(parent);
    case Kind::Label:
      return new QLabel(text, parent);
    case Kind::Edit:
      return new QLineEdit(parent);
    case Kind::Combo: {
      auto* list = new QComboBox(parent);
      if (!text.isEmpty()) list->addItems(text.split(u'\n'));  // the entries, one a line
      return list;
    }
    case Kind::Button: {
      auto* button = new QPushButton(text, parent);
      button->setAutoDefault(false);  // Enter never presses a panel's button
      return button;
    }
    case Kind::Radio:
      return new QRadioButton(text, parent);
    case Kind::Check:
      return new QCheckBox(text, parent);
    case Kind::Frame: {
      auto* frame = new QFrame(parent);
      frame->setFrameShape(QFrame::StyledPanel);
      frame->setFrameShadow(QFrame::Sunken);
      return frame;
    }
    case Kind::Picture: {
      auto* picture = new QLabel(parent);
      picture->setAlignment(Qt::AlignCenter);
      return picture;
    }
    case Kind::Tabs:
      return new QTabWidget(parent);
    case Kind::Place:
    case Kind::Stretch:
      break;
  }
  return nullptr;
}

}  // namespace

QString IdName(int id) { return QString::number(id); }

void MarkWindow(QWidget* window, const char* className) {
  window->setObjectName(QString::fromLatin1(className));
  window->setProperty(kWindowProperty, true);
}

QObject* FindObject(QObject* root, const QString& name) {
  if (root == nullptr) return nullptr;
  if (root->objectName() == name) return root;
  // Breadth first, so a window's own controls come before anything nested.
  std::deque<QObject*> queue(root->children().begin(), root->children().end());
  while (!queue.empty()) {
    QObject* object = queue.front();
    queue.pop_front();
    if (object->objectName() == name) return object;
    if (object->property(kWindowProperty).toBool()) continue;
    for (QObject* child : object->children()) queue.push_back(child);
  }
  return nullptr;
}

void BuildLayout(QWidget* root, std::span<const Item> items) {
  std::map<int, QWidget*> containers{{0, root}};
  for (const Item& item : items) {
    const auto found = containers.find(item.parent);
    if (found == containers.end()) qFatal("layout item %d sits in unknown container %d", item.id, item.parent);
    QWidget* container = found->second;
    QGridLayout* grid = GridOf(container);

    if (item.kind == Kind::Stretch) {
      grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Expanding), item.row, item.col,
                    item.rowSpan, item.colSpan);
      continue;
    }
    QWidget* widget = nullptr;
    if (item.kind == Kind::Place) {
      const QString name = item.id > 0 ? IdName(item.id) : QString::fromUtf8(item.text);
      widget = Find<QWidget>(root, name);
      if (widget == nullptr) qFatal("layout places %s, which the window did not make", qPrintable(name));
      widget->setParent(container);
    } else {
      widget = MakeWidget(item, container);
      if (item.id > 0) {
        widget->setObjectName(IdName(item.id));
      } else if (item.name != nullptr) {
        widget->setObjectName(QString::fromUtf8(item.name));
      }
    }
    if (item.kind == Kind::Group || item.kind == Kind::Panel) containers[item.id] = widget;
    if (item.kind == Kind::Panel) GridOf(widget)->setContentsMargins(0, 0, 0, 0);

    if (item.fixed) {
      widget->setFixedSize(item.width, item.height);
    } else {
      if (item.width > 0) widget->setMinimumWidth(item.width);
      if (item.height > 0) widget->setMinimumHeight(item.height);
    }
    grid->addWidget(widget, item.row, item.col, item.rowSpan, item.colSpan);
  }
}

}  // namespace ui
