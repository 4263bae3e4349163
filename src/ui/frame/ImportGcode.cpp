#include "ui/frame/ImportGcode.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <memory>
#include <string>

#include "motion/Units.h"
#include "operator/Journal.h"
#include "operator/OperatorMessages.h"
#include "operator/OperatorPort.h"
#include "program/GcodeImport.h"
#include "program/MotionProgram.h"
#include "program/ProgramFile.h"
#include "program/RunGuard.h"
#include "ui/common/QtOperatorPort.h"

namespace {

// How long an import runs before its progress shows, and how long the
// listing fills between two turns of the windows' events.
constexpr int kShowAfterMs = 300;
constexpr int kFillSliceMs = 25;
constexpr std::size_t kRowsPerPart = 1000;
constexpr int kSteps = 1000;

// The texts of the import's own boxes: English for another language too.
std::string Say(std::string_view english, std::string_view chinese) {
  return std::string(CurrentLanguage() == kLangChinese ? chinese : english);
}

QString QSay(std::string_view english, std::string_view chinese) {
  return QString::fromStdString(Say(english, chinese));
}

bool Quitting() { return WindowPort() != nullptr && WindowPort()->QuitRequested(); }

// What the conversion thread works on and hands back.
struct Job {
  std::string path;
  GcodeAxes axes{};
  GcodeOptions options;
  std::atomic<std::size_t> read{0};
  std::atomic<std::size_t> lines{0};
  std::atomic<bool> cancel{false};
  bool readable = true;
  std::string why;
  GcodeConversion result;

  void Run() {
    std::string text;
    readable = ReadGcodeFile(path, text, why);
    if (!readable) return;
    result = ConvertGcode(text, axes, options, [this](std::size_t done, std::size_t total) {
      read = done;
      lines = total;
      return !cancel.load();
    });
  }
  double Fraction() const {
    const std::size_t total = lines.load();
    return total == 0 ? 0.0 : static_cast<double>(read.load()) / static_cast<double>(total);
  }
};

// The import's progress. Until it shows, the operator's input waits (as it
// would for any handler); once it shows, it is modal, so nothing else can
// change the program meanwhile.
class Progress {
 public:
  Progress(QWidget* parent, std::atomic<bool>& cancel) : parent_(parent), cancel_(cancel) { clock_.start(); }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  ~Progress() { delete dialog_; }

  // Delivers events until `thread` has finished, showing the share done
  // (Cancel sets the cancel flag).
  void WaitFor(QThread* thread, const Job& job) {
    QEventLoop loop;
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    QTimer look;
    look.setInterval(50);
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
      if (dialog_ == nullptr && clock_.elapsed() >= kShowAfterMs) loop.quit();  // to show it, taking input again
      if (dialog_ != nullptr) dialog_->setValue(static_cast<int>(job.Fraction() * kSteps * 0.9));
    });
    look.start();
    while (!thread->isFinished() && !Quitting()) {
      if (dialog_ == nullptr && clock_.elapsed() >= kShowAfterMs) Show(true);
      loop.exec(dialog_ == nullptr ? QEventLoop::ExcludeUserInputEvents : QEventLoop::AllEvents);
    }
  }

  // Between two parts of the listing: paints and timers, no input (the
  // program is already in place; there is nothing left to cancel).
  void Step(double fraction) {
    if (dialog_ == nullptr && clock_.elapsed() >= kShowAfterMs) Show(false);
    if (dialog_ != nullptr) {
      if (cancellable_) dialog_->setCancelButton(nullptr);
      cancellable_ = false;
      dialog_->setValue(static_cast<int>((0.9 + 0.1 * fraction) * kSteps));
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }

  // Gone before any box is shown.
  void Close() {
    delete dialog_;
    dialog_ = nullptr;
  }

 private:
  void Show(bool cancellable) {
    dialog_ = new QProgressDialog(QSay("Importing G-code...", "正在导入G代码..."),
                                  cancellable ? QSay("Cancel", "取消") : QString(), 0, kSteps, parent_);
    dialog_->setObjectName(QStringLiteral("importProgress"));
    dialog_->setWindowTitle(QString::fromUtf8(kAppTitle.data(), static_cast<qsizetype>(kAppTitle.size())));
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setMinimumDuration(0);
    dialog_->setValue(0);
    QObject::connect(dialog_, &QProgressDialog::canceled, [this] {
      if (cancellable_) cancel_ = true;
    });
    dialog_->show();
    cancellable_ = cancellable;
  }

  QWidget* parent_;
  std::atomic<bool>& cancel_;
  QElapsedTimer clock_;
  QProgressDialog* dialog_ = nullptr;
  bool cancellable_ = false;
};

void Tell(const std::string& text, BoxIcon icon) { Operator().MessageBox(text, kAppTitle, BoxButtons::Ok, icon); }

}  // namespace

bool ImportGcodeProgram(QWidget* parent) {
  if (AnyMotionBusy()) {
    ShowOperatorMessage(9);
    return false;
  }
  if (!ConfirmDiscardChanges()) return false;
  const auto path = Operator().ChooseFile(FileDialogKind::ImportGcode, {});
  if (!path) return false;

  Job job;
  job.path = *path;
  job.axes = GcodeImportAxes();
  Progress progress(parent, job.cancel);
  std::unique_ptr<QThread> thread(QThread::create([&job] { job.Run(); }));
  thread->start();
  progress.WaitFor(thread.get(), job);
  if (!thread->isFinished()) job.cancel = true;  // quitting
  thread->wait();
  if (Quitting() || job.cancel.load()) return false;
  const auto note = [&job](bool ok, std::size_t rows) {
    journal::Record(
        journal::kind::kFile,
        {{"command", "import"}, {"path", job.path}, {"ok", ok}, {"rows", rows}, {"lines", job.result.lines}});
  };

  if (!job.readable) {
    note(false, 0);
    progress.Close();
    Tell(Say("Cannot read the G-code file ", "无法读取G代码文件 ") + job.path + ":\n" + job.why, BoxIcon::Exclamation);
    return false;
  }
  GcodeConversion& result = job.result;
  if (result.error) {
    note(false, 0);
    progress.Close();
    Tell(GcodeErrorText(*result.error, CurrentLanguage()), BoxIcon::Exclamation);
    return false;
  }
  const std::size_t lines = result.lines;
  if (!TakeImportedProgram(std::move(result.rows))) return false;
  const std::size_t rows = MotionProgram.size();
  note(true, rows);
  QElapsedTimer slice;
  slice.start();
  for (std::size_t first = 0; first < rows; first += kRowsPerPart) {
    AppendImportedRows(first, kRowsPerPart);
    if (slice.elapsed() < kFillSliceMs) continue;
    progress.Step(static_cast<double>(first + kRowsPerPart) / static_cast<double>(rows));
    slice.restart();
  }
  progress.Close();
  if (!result.warnings.empty()) {
    std::string text = Say("Imported ", "已导入 ") + std::to_string(rows) + Say(" rows from ", " 行程序，来自 ") +
                       std::to_string(lines) + Say(" lines.", " 行G代码。");
    for (const GcodeWarning& warning : result.warnings) text += "\n" + GcodeWarningText(warning, CurrentLanguage());
    Tell(text, BoxIcon::Information);
  }
  return true;
}
