#pragma once
// The rows of the program listing: row i shows entry i of the motion
// program. A plain list model, so a view with uniform row heights shows a
// 100,000-row program at once.

#include <QAbstractListModel>
#include <QString>
#include <vector>

class ProgramListModel final : public QAbstractListModel {
  Q_OBJECT

 public:
  using QAbstractListModel::QAbstractListModel;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  void Append(QString text);
  // Many rows at the end in one insertion: the view lays them out once.
  void AppendRows(std::vector<QString> texts);
  void Insert(int row, QString text);  // a row outside 0..count appends
  void Remove(int row);                // a row outside the list is ignored
  void Clear();
  QString Row(int row) const;
  int Count() const { return static_cast<int>(rows_.size()); }

 private:
  std::vector<QString> rows_;
};
