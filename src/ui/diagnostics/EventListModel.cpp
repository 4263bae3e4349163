#include "ui/diagnostics/EventListModel.h"

#include <QFile>
#include <array>

#include "operator/Journal.h"
#include "operator/OperatorMessages.h"

namespace {

struct KindText {
  std::string_view code;
  const char* english;
  const char* chinese;
};
constexpr std::array<KindText, 7> kKinds{{
    {journal::kind::kSession, "Start/quit", "启动/退出"},
    {journal::kind::kCards, "Cards", "板卡"},
    {journal::kind::kBox, "Message", "消息"},
    {journal::kind::kMotion, "Motion", "运动"},
    {journal::kind::kRunEnd, "Run end", "运行结束"},
    {journal::kind::kFile, "Program file", "程序文件"},
    {journal::kind::kSettings, "Settings", "参数设置"},
}};

struct ColumnText {
  const char* english;
  const char* chinese;
};
constexpr std::array<ColumnText, EventListModel::kColumnCount> kColumns{{
    {"Time", "时间"},
    {"Kind", "类型"},
    {"Details", "详情"},
}};

int KindIndex(std::string_view code) {
  for (std::size_t k = 0; k < kKinds.size(); ++k) {
    if (kKinds[k].code == code) return static_cast<int>(k);
  }
  return -1;
}

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The leading field that names what happened ("command", "event") shows
// bare; the others as key=value. One line: line ends show as blanks.
QString DetailsText(const journal::Fields& fields) {
  QString text;
  for (const auto& [key, value] : fields) {
    if (key == "time" || key == "kind") continue;
    if (!text.isEmpty()) text += QStringLiteral("  ");
    const bool bare = text.isEmpty() && (key == "command" || key == "event");
    if (!bare) text += FromUtf8(key) + u'=';
    text += FromUtf8(value);
  }
  text.replace(u'\n', u' ');
  text.replace(u'\r', u' ');
  return text;
}

// "2025-03-04T10:11:12.345+08:00" shows as "2025-03-04 10:11:12.345".
QString ShownTime(const QString& iso) {
  QString shown = iso.left(23);
  if (shown.size() > 10 && shown[10] == u'T') shown[10] = u' ';
  return shown;
}

}  // namespace

EventListModel::EventListModel(QObject* parent) : QAbstractTableModel(parent) {}

int EventListModel::KindCount() { return static_cast<int>(kKinds.size()); }

std::string_view EventListModel::KindCode(int kind) {
  return kind >= 0 && kind < KindCount() ? kKinds[static_cast<std::size_t>(kind)].code : std::string_view();
}

QString EventListModel::KindName(int kind, int language) {
  if (kind < 0 || kind >= KindCount()) return {};
  const KindText& k = kKinds[static_cast<std::size_t>(kind)];
  return QString::fromUtf8(language == kLangChinese ? k.chinese : k.english);
}

void EventListModel::AddLine(qsizetype offset, qsizetype length) {
  const std::string_view line(text_.constData() + offset, static_cast<std::size_t>(length));
  events_.push_back({offset, length, KindIndex(journal::KindOf(line))});
}

void EventListModel::Load(const QString& path) {
  beginResetModel();
  text_.clear();
  events_.clear();
  QFile file(path);
  if (file.open(QIODevice::ReadOnly)) text_ = file.readAll();
  qsizetype start = 0;
  while (start < text_.size()) {
    qsizetype end = text_.indexOf('\n', start);
    if (end < 0) end = text_.size();
    if (end > start) AddLine(start, end - start);
    start = end + 1;
  }
  Refilter();
  endResetModel();
}

void EventListModel::Append(std::string_view line) {
  const qsizetype offset = text_.size();
  text_.append(line.data(), static_cast<qsizetype>(line.size()));
  text_.append('\n');
  AddLine(offset, static_cast<qsizetype>(line.size()));
  const int index = static_cast<int>(events_.size()) - 1;
  if (!Shown(events_.back())) return;
  const int row = rowCount();
  beginInsertRows({}, row, row);
  if (filter_ >= 0) shown_.push_back(index);
  endInsertRows();
}

void EventListModel::SetKindFilter(int kind) {
  if (kind < -1 || kind >= KindCount()) kind = -1;
  if (kind == filter_) return;
  beginResetModel();
  filter_ = kind;
  Refilter();
  endResetModel();
}

void EventListModel::Refilter() {
  shown_.clear();
  if (filter_ < 0) return;
  for (std::size_t i = 0; i < events_.size(); ++i) {
    if (events_[i].kind == filter_) shown_.push_back(static_cast<int>(i));
  }
}

void EventListModel::SetLanguage(int language) {
  language_ = language;
  emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
  if (rowCount() > 0) emit dataChanged(index(0, kKindColumn), index(rowCount() - 1, kKindColumn));
}

const EventListModel::Event& EventListModel::EventAt(int row) const {
  return events_[static_cast<std::size_t>(filter_ < 0 ? row : shown_[static_cast<std::size_t>(row)])];
}

QByteArray EventListModel::Line(int row) const {
  if (row < 0 || row >= rowCount()) return {};
  const Event& event = EventAt(row);
  return text_.mid(event.offset, event.length);
}

int EventListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return static_cast<int>(filter_ < 0 ? events_.size() : shown_.size());
}

int EventListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant EventListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  const Event& event = EventAt(index.row());
  const std::string_view line(text_.constData() + event.offset, static_cast<std::size_t>(event.length));
  if (index.column() == kKindColumn) {
    if (event.kind >= 0) return KindName(event.kind, language_);
    return FromUtf8(journal::KindOf(line));
  }
  const journal::Fields fields = journal::ReadFields(line);
  if (fields.empty()) return role == Qt::ToolTipRole ? FromUtf8(line) : QVariant();
  if (index.column() == kTimeColumn) {
    const QString time = fields.front().first == "time" ? FromUtf8(fields.front().second) : QString();
    return role == Qt::ToolTipRole ? time : ShownTime(time);
  }
  if (role == Qt::ToolTipRole) return FromUtf8(line);
  return DetailsText(fields);
}

QVariant EventListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount) return {};
  const ColumnText& c = kColumns[static_cast<std::size_t>(section)];
  return QString::fromUtf8(language_ == kLangChinese ? c.chinese : c.english);
}
