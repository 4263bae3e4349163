#include "ui/common/Texts.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>

#include "operator/OperatorMessages.h"
#include "ui/common/Layout.h"

namespace ui {
namespace {

// The tab widget showing `page`, if it is one of its pages.
QTabWidget* TabsHolding(QWidget* page) {
  auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget());
  if (stack == nullptr) return nullptr;
  return qobject_cast<QTabWidget*>(stack->parentWidget());
}

// A list's entries change language without a selection change: the
// entry shown stays (by index) and no handler hears of it.
void SetListEntries(QComboBox* list, const QString& text) {
  const QSignalBlocker quiet(list);
  const int shown = list->currentIndex();
  list->clear();
  if (!text.isEmpty()) list->addItems(text.split(u'\n'));
  list->setCurrentIndex(shown < list->count() ? shown : -1);
}

}  // namespace

QString TextKey::ObjectName() const { return name != nullptr ? QString::fromUtf8(name) : IdName(id); }

QString Pick(int language, std::string_view english, std::string_view chinese) {
  const std::string_view text = PickText(language, english, chinese);
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void SetObjectText(QObject* object, const QString& text) {
  if (auto* action = qobject_cast<QAction*>(object)) {
    action->setText(text);
  } else if (auto* menu = qobject_cast<QMenu*>(object)) {
    menu->setTitle(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(object)) {
    button->setText(text);
  } else if (auto* label = qobject_cast<QLabel*>(object)) {
    label->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(object)) {
    group->setTitle(text);
  } else if (auto* edit = qobject_cast<QLineEdit*>(object)) {
    edit->setText(text);
  } else if (auto* list = qobject_cast<QComboBox*>(object)) {
    SetListEntries(list, text);
  } else if (auto* widget = qobject_cast<QWidget*>(object)) {
    if (QTabWidget* tabs = TabsHolding(widget)) {
      tabs->setTabText(tabs->indexOf(widget), text);
    } else {
      widget->setWindowTitle(text);  // a window or a dock
    }
  }
}

QString ObjectText(const QObject* object) {
  if (const auto* action = qobject_cast<const QAction*>(object)) return action->text();
  if (const auto* menu = qobject_cast<const QMenu*>(object)) return menu->title();
  if (const auto* button = qobject_cast<const QAbstractButton*>(object)) return button->text();
  if (const auto* label = qobject_cast<const QLabel*>(object)) return label->text();
  if (const auto* group = qobject_cast<const QGroupBox*>(object)) return group->title();
  if (const auto* edit = qobject_cast<const QLineEdit*>(object)) return edit->text();
  if (const auto* list = qobject_cast<const QComboBox*>(object)) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
    return entries.join(u'\n');
  }
  if (const auto* widget = qobject_cast<const QWidget*>(object)) {
    if (QTabWidget* tabs = TabsHolding(const_cast<QWidget*>(widget))) return tabs->tabText(tabs->indexOf(widget));
    return widget->windowTitle();
  }
  return {};
}

void ApplyTexts(QWidget* window, std::span<const Text> table, int language, int set) {
  if (language != kLangEnglish && language != kLangChinese) return;
  for (const Text& entry : table) {
    if (entry.set != set) continue;
    const QString name = entry.key.ObjectName();
    QObject* target = name.isEmpty() ? window : FindObject(window, name);
    if (target == nullptr) qFatal("text for a missing control %s", qPrintable(name));
    SetObjectText(target, QString::fromUtf8(language == kLangEnglish ? entry.english : entry.chinese));
  }
}

}  // namespace ui
