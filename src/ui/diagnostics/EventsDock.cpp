#include "ui/diagnostics/EventsDock.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QScrollBar>
#include <QSettings>
#include <QSignalBlocker>
#include <QTableView>
#include <algorithm>
#include <iterator>

#include "operator/Journal.h"
#include "operator/OperatorMessages.h"
#include "settings/SysParams.h"
#include "ui/common/Layout.h"
#include "ui/common/Texts.h"
#include "ui/diagnostics/EventListModel.h"

namespace {

using namespace ui;

// The filter beside the list, so that the list has the dock's height.
constexpr Item kLayout[] = {
    Label(0, "Kind:").Named("eventKindLabel").At(0, 0),
    Combo(0).Named("eventKind").At(1, 0).Min(130),
    Stretch().At(2, 0),
    Place("eventList").At(0, 1).Span(3, 1),
};

constexpr Text kTexts[] = {
    {kCaption, "Events", "事件"},
    {"eventKindLabel", "Kind:", "类型："},
};

constexpr const char* kKindSetting = "Events/Kind";
constexpr const char* kShownSetting = "Events/Visible";

// The dock the journal's lines go to: the one made last.
EventsDock* listening = nullptr;

// The time column holds "2025-03-04 10:11:12.345".
constexpr const char* kWidestTime = "0000-00-00 00:00:00.000";

}  // namespace

EventsDock::EventsDock(QWidget* parent) : QDockWidget(QStringLiteral("Events"), parent) {
  setObjectName(QStringLiteral("EventsDock"));
  setAllowedAreas(Qt::AllDockWidgetAreas);
  setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);

  auto* content = new QWidget(this);
  model_ = new EventListModel(this);
  list_ = new QTableView(content);
  list_->setObjectName(QStringLiteral("eventList"));
  list_->setModel(model_);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setWordWrap(false);
  list_->setShowGrid(false);
  list_->setAlternatingRowColors(true);
  list_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  // Rows of one height and columns of set widths: nothing is measured per
  // row, however long the journal.
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
  list_->horizontalHeader()->setStretchLastSection(true);
  list_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  BuildLayout(content, kLayout);
  if (auto* grid = qobject_cast<QGridLayout*>(content->layout())) grid->setColumnStretch(1, 1);
  setWidget(content);
  kinds_ = Control<QComboBox>(content, QStringLiteral("eventKind"));

  // The journal so far, then each line as it is written: the same thread
  // writes both, so no line is missed or listed twice.
  model_->Load(QString::fromStdString(journal::Path()));
  listening = this;
  journal::SetLineHook([](std::string_view line) {
    if (listening != nullptr) listening->Model()->Append(line);
  });

  ApplyLanguageTexts();
  const QString stored = QSettings().value(QString::fromLatin1(kKindSetting)).toString();
  for (int kind = 0; kind < EventListModel::KindCount(); ++kind) {
    if (stored.toStdString() == EventListModel::KindCode(kind)) kinds_->setCurrentIndex(kind + 1);
  }
  model_->SetKindFilter(kinds_->currentIndex() - 1);
  connect(kinds_, &QComboBox::currentIndexChanged, this, &EventsDock::OnKindChosen);
  connect(model_, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
    const QScrollBar* bar = list_->verticalScrollBar();
    atEnd_ = bar->value() == bar->maximum();
  });
  connect(model_, &QAbstractItemModel::rowsInserted, this, &EventsDock::OnRowsAdded);
  list_->scrollToBottom();
}

EventsDock::~EventsDock() {
  if (listening != this) return;
  listening = nullptr;
  journal::SetLineHook(nullptr);
}

void EventsDock::ApplyLanguageTexts() {
  const int language = SysParams.LangVer;
  ApplyTexts(this, kTexts, language);
  // Kind names follow the language; any other than Chinese shows English.
  const int shown = language == kLangChinese ? kLangChinese : kLangEnglish;
  {
    const QSignalBlocker quiet(kinds_);
    const int entry = kinds_->currentIndex();
    kinds_->clear();
    kinds_->addItem(Pick(shown, "All", "全部"));
    for (int kind = 0; kind < EventListModel::KindCount(); ++kind) {
      kinds_->addItem(EventListModel::KindName(kind, shown));
    }
    kinds_->setCurrentIndex(entry >= 0 && entry < kinds_->count() ? entry : 0);
  }
  model_->SetLanguage(shown);
  int kindWidth = 0;
  for (int kind = 0; kind < EventListModel::KindCount(); ++kind) {
    kindWidth = std::max(kindWidth, list_->fontMetrics().horizontalAdvance(EventListModel::KindName(kind, shown)));
  }
  const int padding = 2 * list_->fontMetrics().averageCharWidth() + 8;
  list_->setColumnWidth(EventListModel::kTimeColumn,
                        list_->fontMetrics().horizontalAdvance(QString::fromLatin1(kWidestTime)) + padding);
  list_->setColumnWidth(EventListModel::kKindColumn, kindWidth + padding);
}

void EventsDock::SetShown(bool shown) {
  setVisible(shown);
  if (shown) raise();  // on top of the scope when they share the bottom
  QSettings().setValue(QString::fromLatin1(kShownSetting), shown);
}

void EventsDock::RestoreShown() { setVisible(QSettings().value(QString::fromLatin1(kShownSetting), false).toBool()); }

// The dock's own close button: hidden from now on.
void EventsDock::closeEvent(QCloseEvent* event) {
  QDockWidget::closeEvent(event);
  if (event->isAccepted()) QSettings().setValue(QString::fromLatin1(kShownSetting), false);
}

void EventsDock::OnKindChosen(int entry) {
  const int kind = entry - 1;
  model_->SetKindFilter(kind);
  const std::string_view code = EventListModel::KindCode(kind);
  QSettings().setValue(QString::fromLatin1(kKindSetting), QString::fromUtf8(code.data(), std::ssize(code)));
  list_->scrollToBottom();
}

// Newest last: a list that showed its end goes on showing it.
void EventsDock::OnRowsAdded() {
  if (atEnd_) list_->scrollToBottom();
}
