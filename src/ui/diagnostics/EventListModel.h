#pragma once
// The journal's events as the Events dock lists them, newest last: time,
// kind and details, filtered by kind. Rows keep the journal's own lines in
// one buffer and are read when shown, so a journal of 10 MiB loads in
// milliseconds and a view with uniform rows shows it at once.

#include <QAbstractTableModel>
#include <QByteArray>
#include <QString>
#include <string_view>
#include <vector>

class EventListModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kTimeColumn, kKindColumn, kDetailsColumn, kColumnCount };

  explicit EventListModel(QObject* parent = nullptr);

  // The kinds the filter offers, in its order; kind -1 is every kind.
  static int KindCount();
  static std::string_view KindCode(int kind);
  static QString KindName(int kind, int language);

  // Replaces the rows with the lines of the journal file at `path` (none
  // when it cannot be read).
  void Load(const QString& path);
  // A line the journal has just written.
  void Append(std::string_view line);

  // Shows the events of one kind (0 .. KindCount() - 1), or all (-1).
  void SetKindFilter(int kind);
  int KindFilter() const { return filter_; }
  // Column titles and kind names in `language` (English for any but 1).
  void SetLanguage(int language);

  int EventCount() const { return static_cast<int>(events_.size()); }
  // The journal line of shown row `row`.
  QByteArray Line(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  struct Event {
    qsizetype offset;
    qsizetype length;
    int kind;  // index of the kind, -1 for one this program does not know
  };
  void AddLine(qsizetype offset, qsizetype length);
  bool Shown(const Event& event) const { return filter_ < 0 || event.kind == filter_; }
  const Event& EventAt(int row) const;
  void Refilter();

  QByteArray text_;
  std::vector<Event> events_;
  std::vector<int> shown_;  // rows of events_ the filter shows, unless it shows all
  int filter_ = -1;
  int language_ = 0;
};
