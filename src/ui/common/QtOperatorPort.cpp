#include "ui/common/QtOperatorPort.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QThread>
#include <QTranslator>
#include <QWindow>
#include <chrono>
#include <optional>
#include <thread>

#include "operator/OperatorMessages.h"
#include "ui/common/Artwork.h"

namespace {

QtOperatorPort* windowPort = nullptr;

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Button texts from our own table: Qt's change with the desktop's theme.
struct BoxButton {
  int result;
  QMessageBox::ButtonRole role;
  const char* english;
  const char* chinese;
};
constexpr BoxButton kOk{kBoxOk, QMessageBox::AcceptRole, "OK", "确定"};
constexpr BoxButton kCancel{kBoxCancel, QMessageBox::RejectRole, "Cancel", "取消"};
constexpr BoxButton kYes{kBoxYes, QMessageBox::YesRole, "Yes", "是"};
constexpr BoxButton kNo{kBoxNo, QMessageBox::NoRole, "No", "否"};

// Our own icons, drawn sharp at any scale: the style's are small bitmaps.
std::optional<ui::Art> ArtOf(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Exclamation:
      return ui::Art::Warning;
    case BoxIcon::Information:
      return ui::Art::Information;
    case BoxIcon::Question:
      return ui::Art::Help;
    case BoxIcon::None:
      break;
  }
  return std::nullopt;
}

void SetBoxIcon(QMessageBox* box, BoxIcon icon) {
  const std::optional<ui::Art> art = ArtOf(icon);
  if (!art) return;
  const int side = box->style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, box);
  box->setIconPixmap(ui::ArtIcon(*art).pixmap(QSize(side, side), box->devicePixelRatioF()));
}

// The answer a closed box gives: its clicked button, or its escape button.
int ResultOf(QMessageBox* box) {
  QAbstractButton* button = box->clickedButton();
  if (button == nullptr) button = box->escapeButton();
  return button != nullptr ? button->objectName().toInt() : 0;
}

// The default button of a box asked through the engine: its first one.
int FirstResult(BoxButtons buttons) {
  return buttons == BoxButtons::YesNo || buttons == BoxButtons::YesNoCancel ? kBoxYes : kBoxOk;
}

// Boxes the status tick's couriers show carry this property: nothing is
// ever parented to them, since they close whenever the operator answers.
constexpr const char* kCourierBox = "tessorCourierBox";

bool IsCourierBox(const QWidget* window) { return window != nullptr && window->property(kCourierBox).toBool(); }

QWidget* MainFrame() {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (top->objectName() == QLatin1String("CMainFrame")) return top;
  }
  return nullptr;
}

QWidget* BoxParent() {
  if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && !IsCourierBox(modal)) return modal;
  if (QWidget* active = QApplication::activeWindow(); active != nullptr && !IsCourierBox(active)) return active;
  return MainFrame();
}

// The window a courier box stands over: the modal dialog that is open, so
// that the box can be answered without closing it, else the main window.
// The box is never that window's child: it outlives every dialog.
QWindow* CourierAnchor() {
  QWidget* over = QApplication::activeModalWidget();
  if (over == nullptr || IsCourierBox(over) || !over->isVisible()) over = MainFrame();
  return over != nullptr ? over->windowHandle() : nullptr;
}

}  // namespace

QtOperatorPort* WindowPort() { return windowPort; }
void SetWindowPort(QtOperatorPort* port) { windowPort = port; }

QtOperatorPort::QtOperatorPort(QObject* parent) : QObject(parent) {
  connect(&selection_, &QItemSelectionModel::selectionChanged, this, [this] {
    const QModelIndexList rows = selection_.selectedRows();
    selectedRow_ = rows.isEmpty() ? -1 : rows.first().row();
  });
}

// A courier answered here may still be on its way out of AskFromCourier:
// the port waits until none is left in it.
QtOperatorPort::~QtOperatorPort() {
  ReleaseCouriers();
  {
    std::unique_lock lock(couriersMutex_);
    couriersLeft_.wait(lock, [this] { return couriers_.empty(); });
  }
  if (followingDialogs_ && qApp != nullptr) qApp->removeEventFilter(this);
  if (translator_ != nullptr) QCoreApplication::removeTranslator(translator_);
}

bool QtOperatorPort::OnUiThread() const { return QThread::currentThread() == thread(); }

QMessageBox* QtOperatorPort::MakeBox(std::string_view text, std::string_view caption, BoxButtons buttons, BoxIcon icon,
                                     int defaultResult, QWidget* parent) const {
  auto* box = new QMessageBox(parent);
  box->setWindowTitle(FromUtf8(caption));
  box->setText(FromUtf8(text));
  SetBoxIcon(box, icon);
  const bool chinese = CurrentLanguage() == kLangChinese;
  auto add = [&](const BoxButton& b) {
    QPushButton* button = box->addButton(QString::fromUtf8(chinese ? b.chinese : b.english), b.role);
    button->setObjectName(QString::number(b.result));
    if (b.result == defaultResult) box->setDefaultButton(button);
    return button;
  };
  switch (buttons) {
    case BoxButtons::Ok:
      box->setEscapeButton(add(kOk));
      break;
    case BoxButtons::OkCancel:
      add(kOk);
      box->setEscapeButton(add(kCancel));
      break;
    case BoxButtons::YesNo:
      add(kYes);
      box->setEscapeButton(add(kNo));
      break;
    case BoxButtons::YesNoCancel:
      add(kYes);
      add(kNo);
      box->setEscapeButton(add(kCancel));
      break;
  }
  return box;
}

int QtOperatorPort::Ask(std::string_view text, std::string_view caption, BoxButtons buttons, BoxIcon icon,
                        int defaultResult) {
  // Guarded: a box whose parent went away under it gives no answer (0).
  QPointer<QMessageBox> box = MakeBox(text, caption, buttons, icon, defaultResult, BoxParent());
  box->exec();
  if (box.isNull()) return 0;
  const int result = ResultOf(box);
  delete box;
  return result;
}

int QtOperatorPort::MessageBox(std::string_view text, std::string_view caption, BoxButtons buttons, BoxIcon icon) {
  if (!OnUiThread()) return AskFromCourier(text, caption, buttons, icon);
  return Ask(text, caption, buttons, icon, FirstResult(buttons));
}

// The courier of a box from the status tick waits here while the box stands
// on the user-interface thread, which goes on serving the windows: the
// operator can still stop the motion while the tick is held.
int QtOperatorPort::AskFromCourier(std::string_view text, std::string_view caption, BoxButtons buttons, BoxIcon icon) {
  auto pending = std::make_shared<PendingAnswer>();
  {
    std::lock_guard lock(couriersMutex_);
    if (releasing_) return 0;
    couriers_.push_back(pending);
  }
  const QString boxText = FromUtf8(text);
  const QString boxCaption = FromUtf8(caption);
  QMetaObject::invokeMethod(
      this,
      [this, pending, boxText, boxCaption, buttons, icon] {
        ShowCourierBox(pending, boxText, boxCaption, buttons, icon);
      },
      Qt::QueuedConnection);
  int result = 0;
  {
    std::unique_lock lock(pending->mutex);
    pending->done.wait(lock, [&] { return pending->answered; });
    result = pending->result;
  }
  std::lock_guard lock(couriersMutex_);
  std::erase(couriers_, pending);
  couriersLeft_.notify_all();
  return result;
}

// The box has no parent: a dialog that closes, or is destroyed, over the
// window cannot take it along. It stands over the open dialog, or the main
// window, and follows the dialogs as they open and close.
void QtOperatorPort::ShowCourierBox(const std::shared_ptr<PendingAnswer>& pending, const QString& text,
                                    const QString& caption, BoxButtons buttons, BoxIcon icon) {
  {
    std::lock_guard lock(couriersMutex_);
    if (releasing_) return;  // already answered
  }
  const int fallback = FirstResult(buttons);
  QMessageBox* box = MakeBox(text.toStdString(), caption.toStdString(), buttons, icon, fallback, nullptr);
  box->setProperty(kCourierBox, true);
  box->setWindowModality(Qt::NonModal);
  box->setAttribute(Qt::WA_DeleteOnClose);
  connect(box, &QMessageBox::finished, box, [pending, box] { Answer(pending, ResultOf(box)); });
  // A box destroyed unanswered counts as answered with its default button:
  // the tick never waits on a box that no longer exists.
  connect(box, &QObject::destroyed, this, [pending, fallback] { Answer(pending, fallback); });
  {
    std::lock_guard lock(couriersMutex_);
    std::erase_if(courierBoxes_, [](const QPointer<QMessageBox>& b) { return b.isNull(); });
    courierBoxes_.emplace_back(box);
  }
  if (!followingDialogs_) {
    qApp->installEventFilter(this);
    followingDialogs_ = true;
  }
  box->winId();  // its window exists now and can stand over another
  box->windowHandle()->setTransientParent(CourierAnchor());
  box->show();
}

bool QtOperatorPort::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type == QEvent::Show || type == QEvent::Hide) && watched->isWidgetType() && !anchorPending_) {
    const auto* window = static_cast<QWidget*>(watched);
    if (window->isWindow() && !IsCourierBox(window)) {
      // Once the dialog has opened or closed, the modal window is known.
      anchorPending_ = true;
      QMetaObject::invokeMethod(
          this, [this] { AnchorCourierBoxes(); }, Qt::QueuedConnection);
    }
  }
  return QObject::eventFilter(watched, event);
}

void QtOperatorPort::AnchorCourierBoxes() {
  anchorPending_ = false;
  std::vector<QPointer<QMessageBox>> boxes;
  {
    std::lock_guard lock(couriersMutex_);
    std::erase_if(courierBoxes_, [](const QPointer<QMessageBox>& b) { return b.isNull(); });
    boxes = courierBoxes_;
  }
  if (boxes.empty()) return;
  QWindow* anchor = CourierAnchor();
  for (const QPointer<QMessageBox>& box : boxes) {
    QWindow* window = box.isNull() ? nullptr : box->windowHandle();
    if (window != nullptr && window->transientParent() != anchor) window->setTransientParent(anchor);
  }
}

std::vector<QMessageBox*> QtOperatorPort::CourierBoxes() {
  std::lock_guard lock(couriersMutex_);
  std::vector<QMessageBox*> boxes;
  for (const QPointer<QMessageBox>& box : courierBoxes_) {
    if (!box.isNull()) boxes.push_back(box.data());
  }
  return boxes;
}

void QtOperatorPort::Answer(const std::shared_ptr<PendingAnswer>& pending, int result) {
  {
    std::lock_guard lock(pending->mutex);
    if (pending->answered) return;
    pending->answered = true;
    pending->result = result;
  }
  pending->done.notify_all();
}

void QtOperatorPort::ReleaseCouriers() {
  std::vector<std::shared_ptr<PendingAnswer>> waiting;
  std::vector<QPointer<QMessageBox>> boxes;
  {
    std::lock_guard lock(couriersMutex_);
    releasing_ = true;
    waiting = couriers_;
    boxes.swap(courierBoxes_);
  }
  for (const auto& pending : waiting) Answer(pending, 0);
  if (OnUiThread()) {
    for (const QPointer<QMessageBox>& box : boxes) {
      if (!box.isNull()) box->close();
    }
  }
}

void QtOperatorPort::ListAppend(std::string_view text) { listing_.Append(FromUtf8(text)); }

void QtOperatorPort::ListAppendRows(const std::vector<std::string>& rows) {
  std::vector<QString> texts;
  texts.reserve(rows.size());
  for (const std::string& row : rows) texts.push_back(FromUtf8(row));
  listing_.AppendRows(std::move(texts));
}

void QtOperatorPort::ListInsert(int row, std::string_view text) { listing_.Insert(row, FromUtf8(text)); }

void QtOperatorPort::ListDelete(int row) { listing_.Remove(row); }

void QtOperatorPort::ListSelect(int row) {
  if (!OnUiThread()) {
    QMetaObject::invokeMethod(
        this, [this, row] { ListSelect(row); }, Qt::QueuedConnection);
    return;
  }
  if (row < 0 || row >= listing_.Count()) {
    selection_.clearSelection();
    selection_.setCurrentIndex({}, QItemSelectionModel::NoUpdate);
    return;
  }
  selection_.setCurrentIndex(listing_.index(row), QItemSelectionModel::ClearAndSelect);
}

int QtOperatorPort::ListSelectedRow() { return selectedRow_.load(); }

void QtOperatorPort::ListClear() {
  listing_.Clear();
  selectedRow_ = -1;
}

void QtOperatorPort::SetCurrentRowText(std::string_view text) { emit CurrentRowTextChanged(FromUtf8(text)); }

void QtOperatorPort::RequestRepaint() { emit RepaintRequested(); }

void QtOperatorPort::RequestQuit(int exitCode) {
  exitCode_ = exitCode;
  quitRequested_ = true;
  ReleaseCouriers();
  // Ends the running event loops; before any runs (start-up) the flag is
  // what the start-up dialogs and main look at.
  if (thread()->loopLevel() > 0) QCoreApplication::exit(exitCode);
}

void QtOperatorPort::ProcessPendingEvents() { QCoreApplication::processEvents(); }

double QtOperatorPort::PauseWhileStopping() {
  const auto start = std::chrono::steady_clock::now();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::optional<std::string> QtOperatorPort::ChooseFile(FileDialogKind kind, std::string_view /*suggestedName*/) {
  // Qt's own dialog, not the desktop's: it behaves alike everywhere, and it
  // follows the program's language through Qt's translations.
  QFileDialog dialog(BoxParent());
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  const bool chinese = CurrentLanguage() == kLangChinese;
  switch (kind) {
    case FileDialogKind::ImportGcode:
      dialog.setNameFilter(chinese ? QStringLiteral("G代码(*.nc *.ngc *.gcode *.tap *.txt)")
                                   : QStringLiteral("G-code(*.nc *.ngc *.gcode *.tap *.txt)"));
      dialog.setWindowTitle(chinese ? QStringLiteral("导入G代码") : QStringLiteral("Import G-code"));
      dialog.setAcceptMode(QFileDialog::AcceptOpen);
      dialog.setFileMode(QFileDialog::ExistingFile);
      break;
    case FileDialogKind::Open:
      dialog.setNameFilter(QStringLiteral("Kinolt(*.knl)"));
      dialog.setDefaultSuffix(QStringLiteral("knl"));
      dialog.setAcceptMode(QFileDialog::AcceptOpen);
      dialog.setFileMode(QFileDialog::ExistingFile);
      break;
    case FileDialogKind::Save:
    case FileDialogKind::SaveAs:
      dialog.setNameFilter(QStringLiteral("Kinolt(*.knl)"));
      dialog.setDefaultSuffix(QStringLiteral("knl"));
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setFileMode(QFileDialog::AnyFile);
      if (kind == FileDialogKind::Save) dialog.setWindowTitle(QStringLiteral("Save"));
      break;
  }
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files.first().toStdString();
}

void QtOperatorPort::FollowLanguage(int language) {
  if (translator_ != nullptr) {
    QCoreApplication::removeTranslator(translator_);
    delete translator_;
    translator_ = nullptr;
  }
  if (language != kLangChinese) return;
  auto* translator = new QTranslator(this);
  if (translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
    translator_ = translator;
  } else {
    delete translator;
  }
}
