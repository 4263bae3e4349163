#pragma once
// The program listing (control 1006): one code line per program entry. Only
// the mouse selects a row; the right button opens the editing menu without
// changing the selection; a double click modifies the row; the Delete key
// deletes it; every other key is discarded. While the program runs all of
// these answer with message 11.

#include <QListView>

class ProgramListModel;
class QItemSelectionModel;

class CProgramListBox final : public QListView {
  Q_OBJECT

 public:
  CProgramListBox(ProgramListModel* rows, QItemSelectionModel* selection, QWidget* parent);

 signals:
  // A command of the editing menu (32777 Add, 32778 Insert, 32775 Modify,
  // 32776 Delete), for the main frame.
  void CommandChosen(int command);
  // A double click on a row while the program does not run: open a program
  // input dialog to modify it.
  void ModifyRequested();
  // The menu's Run From Here, for the live status bar.
  void RunFromHereRequested();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void ShowEditMenu(QPoint at);
};
