#pragma once
// What the three direct-motion pages share: painting a page makes it what
// Start runs (ActivePanel), and the moves between the page's values and
// its radios, axis lists and number fields.

#include <QWidget>
#include <functional>
#include <initializer_list>

class TabPage : public QWidget {
  Q_OBJECT

 public:
  // `panel` is the page's ActivePanel value.
  TabPage(QWidget* parent, const char* className, int panel);

 protected:
  void paintEvent(QPaintEvent* event) override;

  // Pages fill the tab area with a margin.
  void SetPageMargins();

  // Fills the axis lists with the installed axes in the language.
  void FillAxisLists(std::initializer_list<int> lists);
  void UncheckRadios(std::initializer_list<int> radios);
  void CheckRadio(int id);
  void Enable(int id, bool on);
  // Calls `handler` when the operator clicks radio `id`.
  template <typename Handler>
  void OnRadio(int id, Handler handler);

  // Axis number n shows list entry n - 1 (none for a number without one);
  // the number taken is the entry + 1 (0 with no entry chosen).
  void ShowAxis(int list, int axis);
  int TakeAxis(int list);
  void ShowNumber(int field, double value);
  // False after the prompt for text that is not a number; `value` is kept.
  bool TakeNumber(int field, double& value);

 private:
  void ConnectClicked(int id, std::function<void()> handler);

  int panel_;
};

template <typename Handler>
void TabPage::OnRadio(int id, Handler handler) {
  ConnectClicked(id, std::function<void()>(handler));
}
