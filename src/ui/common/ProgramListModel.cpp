#include "ui/common/ProgramListModel.h"

#include <iterator>

int ProgramListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }

QVariant ProgramListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= Count()) return {};
  return rows_[static_cast<std::size_t>(index.row())];
}

void ProgramListModel::Append(QString text) { Insert(Count(), std::move(text)); }

void ProgramListModel::AppendRows(std::vector<QString> texts) {
  if (texts.empty()) return;
  const int first = Count();
  beginInsertRows({}, first, first + static_cast<int>(texts.size()) - 1);
  rows_.insert(rows_.end(), std::make_move_iterator(texts.begin()), std::make_move_iterator(texts.end()));
  endInsertRows();
}

void ProgramListModel::Insert(int row, QString text) {
  if (row < 0 || row > Count()) row = Count();
  beginInsertRows({}, row, row);
  rows_.insert(std::next(rows_.begin(), row), std::move(text));
  endInsertRows();
}

void ProgramListModel::Remove(int row) {
  if (row < 0 || row >= Count()) return;
  beginRemoveRows({}, row, row);
  rows_.erase(std::next(rows_.begin(), row));
  endRemoveRows();
}

void ProgramListModel::Clear() {
  beginResetModel();
  rows_.clear();
  endResetModel();
}

QString ProgramListModel::Row(int row) const {
  return row >= 0 && row < Count() ? rows_[static_cast<std::size_t>(row)] : QString();
}
