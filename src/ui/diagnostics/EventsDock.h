#pragma once
// The Events dock: the event journal, newest last, filtered by kind. It
// lists the journal file as it was when the dock was made and every event
// written since (also those the file could not take). Whether it is shown
// and the filter are kept in the settings store (Events/Visible,
// Events/Kind); it is hidden at the first start.

#include <QDockWidget>

class EventListModel;
class QComboBox;
class QTableView;

class EventsDock final : public QDockWidget {
  Q_OBJECT

 public:
  explicit EventsDock(QWidget* parent = nullptr);
  ~EventsDock() override;
  EventsDock(const EventsDock&) = delete;
  EventsDock& operator=(const EventsDock&) = delete;

  EventListModel* Model() const { return model_; }
  QTableView* List() const { return list_; }

  void ApplyLanguageTexts();

  // Shows or hides the dock as the operator asked, and keeps it so.
  void SetShown(bool shown);
  // Shown or hidden as the operator left it.
  void RestoreShown();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void OnKindChosen(int entry);
  void OnRowsAdded();

  EventListModel* model_ = nullptr;
  QTableView* list_ = nullptr;
  QComboBox* kinds_ = nullptr;
  bool atEnd_ = true;
};
