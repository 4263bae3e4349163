#pragma once
// The control panel: the card choice, the jog and home buttons with their
// two Setting buttons, Clear, Start and the two stops. Every handler goes
// through the engine's run control.

#include <QWidget>
#include <functional>

class CDlgBar_1;
class CDlgBar_2;
class QComboBox;
struct StartRequest;

class CCtrlDlg final : public QWidget {
  Q_OBJECT

 public:
  explicit CCtrlDlg(QWidget* parent);
  ~CCtrlDlg() override;
  CCtrlDlg(const CCtrlDlg&) = delete;
  CCtrlDlg& operator=(const CCtrlDlg&) = delete;

  // Where Start takes the loop count, the plot frame and the page values.
  void SetPanels(CDlgBar_1* liveStatus, CDlgBar_2* directMotion);

  // What the two Setting buttons open (the jog and the home settings).
  std::function<void()> openJogSetting;
  std::function<void()> openHomeSetting;

 private:
  void ApplyLanguageTexts();
  void OnCardChange(int selection);
  void OnStart();
  // The loop count or the page values of the request's panel; false after
  // the prompt for a field that is not a number.
  bool TakeStartValues(StartRequest& request);
  int CardSelection() const;

  QComboBox* card_;
  CDlgBar_1* liveStatus_ = nullptr;
  CDlgBar_2* directMotion_ = nullptr;
};
