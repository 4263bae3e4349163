#pragma once
// The engine's operator port for the windows. Boxes are message boxes
// captioned "Tessor" with button texts in the program's language; the
// listing is a model the live status bar's view shows; a box asked for by
// the status tick's courier is shown on the user-interface thread without
// blocking the windows, and the courier waits for its answer; rows and
// selections written from the tick are posted.
//
// A courier's box lives until it is answered, whatever dialog opens or
// closes meanwhile: it belongs to no window, stands over the dialog that
// is open (so it can be answered there) or the main window, and a box
// destroyed anyway answers with its default button.

#include <QItemSelectionModel>
#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "operator/OperatorPort.h"
#include "ui/common/ProgramListModel.h"

class QMessageBox;
class QTranslator;
class QWidget;

class QtOperatorPort final : public QObject, public OperatorPort {
  Q_OBJECT

 public:
  explicit QtOperatorPort(QObject* parent = nullptr);
  ~QtOperatorPort() override;
  QtOperatorPort(const QtOperatorPort&) = delete;
  QtOperatorPort& operator=(const QtOperatorPort&) = delete;

  int MessageBox(std::string_view text, std::string_view caption, BoxButtons buttons, BoxIcon icon) override;
  void ListAppend(std::string_view text) override;
  void ListAppendRows(const std::vector<std::string>& rows) override;
  void ListInsert(int row, std::string_view text) override;
  void ListDelete(int row) override;
  void ListSelect(int row) override;
  int ListSelectedRow() override;
  void ListClear() override;
  void SetCurrentRowText(std::string_view text) override;
  void RequestRepaint() override;
  void RequestQuit(int exitCode) override;
  void ProcessPendingEvents() override;
  std::optional<std::string> ChooseFile(FileDialogKind kind, std::string_view suggestedName) override;

  // A modal box on the user-interface thread whose default button answers
  // `defaultResult` (one of the kBox results of `buttons`).
  int Ask(std::string_view text, std::string_view caption, BoxButtons buttons, BoxIcon icon, int defaultResult);

  ProgramListModel* Listing() { return &listing_; }
  QItemSelectionModel* Selection() { return &selection_; }

  // Set once the program asked to quit; start-up dialogs end at once then.
  bool QuitRequested() const { return quitRequested_.load(); }
  int ExitCode() const { return exitCode_.load(); }

  // Qt's own strings (file dialog, edit menus) follow the language.
  void FollowLanguage(int language);

  // A pause of a few milliseconds while the engine waits for the axes to
  // come to rest at quitting: the windows go on painting and the tick's
  // posts arrive, the operator's input waits. The seconds that passed.
  static double PauseWhileStopping();

  // The couriers' boxes standing now.
  std::vector<QMessageBox*> CourierBoxes();
  // Answers every box a courier waits for with 0, closes them, and shows
  // no new ones: the program is ending. The courier threads return.
  void ReleaseCouriers();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 signals:
  void CurrentRowTextChanged(const QString& text);
  void RepaintRequested();

 private:
  struct PendingAnswer {
    std::mutex mutex;
    std::condition_variable done;
    bool answered = false;
    int result = 0;
  };
  QMessageBox* MakeBox(std::string_view text, std::string_view caption, BoxButtons buttons, BoxIcon icon,
                       int defaultResult, QWidget* parent) const;
  int AskFromCourier(std::string_view text, std::string_view caption, BoxButtons buttons, BoxIcon icon);
  void ShowCourierBox(const std::shared_ptr<PendingAnswer>& pending, const QString& text, const QString& caption,
                      BoxButtons buttons, BoxIcon icon);
  static void Answer(const std::shared_ptr<PendingAnswer>& pending, int result);
  // Each courier box stands over the window CourierAnchor names.
  void AnchorCourierBoxes();
  bool OnUiThread() const;

  ProgramListModel listing_;
  QItemSelectionModel selection_{&listing_};
  std::atomic<int> selectedRow_{-1};
  std::atomic<bool> quitRequested_{false};
  std::atomic<int> exitCode_{0};

  std::mutex couriersMutex_;
  std::condition_variable couriersLeft_;  // couriers_ changed
  bool releasing_ = false;
  std::vector<std::shared_ptr<PendingAnswer>> couriers_;
  std::vector<QPointer<QMessageBox>> courierBoxes_;
  bool followingDialogs_ = false;  // the event filter watches the dialogs
  bool anchorPending_ = false;

  QTranslator* translator_ = nullptr;
};

// The port installed for the windows; null before RunWindowProgram installs
// one (tests install their own).
QtOperatorPort* WindowPort();
void SetWindowPort(QtOperatorPort* port);
