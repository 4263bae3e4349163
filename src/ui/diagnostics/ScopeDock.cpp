#include "ui/diagnostics/ScopeDock.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QPushButton>
#include <QSaveFile>
#include <QSettings>
#include <QTimer>
#include <algorithm>

#include "motion/EngineState.h"
#include "operator/OperatorMessages.h"
#include "operator/OperatorPort.h"
#include "settings/NumberText.h"
#include "settings/SysParams.h"
#include "ui/common/Layout.h"
#include "ui/common/Texts.h"
#include "ui/diagnostics/ScopePlot.h"

namespace {

using namespace ui;

constexpr int kControls = -1;
constexpr int kRefreshMs = 100;

constexpr const char* kVisibleKey = "Scope/Visible";
constexpr const char* kAxesKey = "Scope/Axes";
constexpr const char* kWindowKey = "Scope/Window";
constexpr const char* kAutoscaleKey = "Scope/Autoscale";

constexpr const char* kAxisBoxNames[kPolledAxes] = {"scopeAxis1", "scopeAxis2", "scopeAxis3", "scopeAxis4",
                                                    "scopeAxis5", "scopeAxis6", "scopeAxis7", "scopeAxis8"};

constexpr Item kLayout[] = {
    Panel(kControls).At(0, 0),
    Check(0, "X").Named(kAxisBoxNames[0]).In(kControls).At(0, 0),
    Check(0, "Y").Named(kAxisBoxNames[1]).In(kControls).At(0, 1),
    Check(0, "Z").Named(kAxisBoxNames[2]).In(kControls).At(0, 2),
    Check(0, "T").Named(kAxisBoxNames[3]).In(kControls).At(0, 3),
    Check(0, "A").Named(kAxisBoxNames[4]).In(kControls).At(1, 0),
    Check(0, "B").Named(kAxisBoxNames[5]).In(kControls).At(1, 1),
    Check(0, "C").Named(kAxisBoxNames[6]).In(kControls).At(1, 2),
    Check(0, "D").Named(kAxisBoxNames[7]).In(kControls).At(1, 3),
    Combo(0, "10 s\n30 s\n60 s\n300 s").Named("scopeWindow").In(kControls).At(0, 4),
    Check(0, "Autoscale").Named("scopeAutoscale").In(kControls).At(1, 4),
    Button(0, "Pause").Named("scopePause").In(kControls).At(2, 0).Span(1, 4),
    Button(0, "Export").Named("scopeExport").In(kControls).At(2, 4),
    Stretch().In(kControls).At(3, 0),
    Place("scopePlot").At(0, 1),
};

constexpr Text kTexts[] = {
    {kCaption, "Scope", "示波器"},
    {"scopeWindow", "10 s\n30 s\n60 s\n300 s", "10 秒\n30 秒\n60 秒\n300 秒"},
    {"scopeAutoscale", "Autoscale", "自动缩放"},
    {"scopePause", "Pause", "暂停"},
    {"scopeExport", "Export", "导出"},
};

// Texts that are not a control's: the panes' captions, the export dialog
// and its boxes. English for any language but Chinese, as the layout's
// texts are.
struct Phrase {
  const char* english;
  const char* chinese;
};
constexpr Phrase kPaneNames[ScopePlot::kPaneCount] = {
    {"Position (command / feedback)", "位置（指令 / 反馈）"},
    {"Following error", "跟随误差"},
    {"Speed", "速度"},
};
constexpr Phrase kExportTitle{"Export", "导出"};
constexpr Phrase kCsvFilter{"Trace (*.csv)", "数据 (*.csv)"};
constexpr Phrase kPngFilter{"Picture (*.png)", "图像 (*.png)"};
constexpr Phrase kWhichKind{"Name the file .csv (the trace) or .png (the picture).",
                            "文件名请以 .csv（数据）或 .png（图像）结尾。"};
constexpr Phrase kCannotWrite{"Cannot write %1.", "无法写入 %1。"};
constexpr Phrase kNothingRecorded{"Nothing has been recorded yet.", "尚未记录任何数据。"};

QString Say(const Phrase& phrase, int language) {
  return QString::fromUtf8(language == kLangChinese ? phrase.chinese : phrase.english);
}

void Tell(const QString& text) {
  Operator().MessageBox(text.toStdString(), kAppTitle, BoxButtons::Ok, BoxIcon::Exclamation);
}

void StoreVisible(bool shown) { QSettings().setValue(QString::fromLatin1(kVisibleKey), shown); }

std::optional<long long> Stored(const QSettings& settings, const char* key) {
  bool ok = false;
  const long long value = settings.value(QString::fromLatin1(key)).toLongLong(&ok);
  if (!settings.contains(QString::fromLatin1(key)) || !ok) return std::nullopt;
  return value;
}

}  // namespace

ScopeDock::ScopeDock(QWidget* parent) : QDockWidget(parent), language_(SysParams.LangVer) {
  MarkWindow(this, "ScopeDock");
  setWindowTitle(QStringLiteral("Scope"));
  setAllowedAreas(Qt::AllDockWidgetAreas);
  setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  auto* content = new QWidget(this);
  plot_ = new ScopePlot(content);
  plot_->setObjectName(QStringLiteral("scopePlot"));
  BuildLayout(content, kLayout);
  auto* grid = static_cast<QGridLayout*>(content->layout());
  grid->setContentsMargins(2, 0, 2, 0);
  grid->setColumnStretch(1, 1);
  Control<QWidget>(content, QStringLiteral("scopeAxis1"))->parentWidget()->layout()->setSpacing(2);
  setWidget(content);

  for (std::size_t i = 0; i < kPolledAxes; ++i) axisBoxes_[i] = Control<QCheckBox>(content, kAxisBoxNames[i]);
  window_ = Control<QComboBox>(content, QStringLiteral("scopeWindow"));
  pause_ = Control<QPushButton>(content, QStringLiteral("scopePause"));
  autoscale_ = Control<QCheckBox>(content, QStringLiteral("scopeAutoscale"));
  pause_->setCheckable(true);
  ApplyLanguageTexts();

  const QSettings settings;
  choices_ = scope::ChoicesFrom(Stored(settings, kAxesKey), Stored(settings, kWindowKey), InstalledAxes());
  autoscale_->setChecked(settings.value(QString::fromLatin1(kAutoscaleKey), true).toBool());
  for (int axis = 1; axis <= kPolledAxes; ++axis) {
    QCheckBox* box = axisBoxes_[static_cast<std::size_t>(axis - 1)];
    box->setVisible(axis <= InstalledAxes());
    box->setChecked(scope::Chosen(choices_.axes, axis));
    connect(box, &QCheckBox::toggled, this, [this] { TakeChoices(); });
  }
  const auto* length = std::find(scope::kWindowSeconds.begin(), scope::kWindowSeconds.end(), choices_.windowSeconds);
  window_->setCurrentIndex(static_cast<int>(length - scope::kWindowSeconds.begin()));
  plot_->SetAxes(choices_.axes);

  connect(window_, &QComboBox::currentIndexChanged, this, [this] { TakeChoices(); });
  connect(autoscale_, &QCheckBox::toggled, this, [this](bool on) {
    StoreChoices();
    if (on) plot_->FitValues();
    plot_->Redraw();
  });
  connect(pause_, &QPushButton::toggled, this, &ScopeDock::OnPause);
  connect(Control<QPushButton>(content, QStringLiteral("scopeExport")), &QPushButton::clicked, this,
          &ScopeDock::Export);
  connect(plot_, &ScopePlot::Zoomed, this, [this](bool values) {
    // The view holds still while the operator looks closer.
    pause_->setChecked(true);
    if (values) autoscale_->setChecked(false);
  });
  connect(plot_, &ScopePlot::CursorMoved, this, [this] {
    ShowReadout();
    plot_->Redraw();
  });
  // The main window's own menu of docks shows and hides it too.
  connect(toggleViewAction(), &QAction::triggered, this, [](bool shown) { StoreVisible(shown); });

  timer_ = new QTimer(this);
  connect(timer_, &QTimer::timeout, this, &ScopeDock::Refresh);
  ShowReadout();
}

ScopeDock::~ScopeDock() = default;

// Only what the operator does is kept: the window closing hides its docks
// as well.
void ScopeDock::SetShown(bool shown) {
  setVisible(shown);
  if (shown) raise();  // on top of the events when they share the bottom
  StoreVisible(shown);
}

void ScopeDock::closeEvent(QCloseEvent* event) {
  QDockWidget::closeEvent(event);
  StoreVisible(false);
}

bool ScopeDock::StoredVisible() { return QSettings().value(QString::fromLatin1(kVisibleKey), false).toBool(); }

bool ScopeDock::Paused() const { return pause_->isChecked(); }

int ScopeDock::InstalledAxes() const { return RunControl.CardCount.load() == 2 ? 8 : 4; }

void ScopeDock::ApplyLanguageTexts() { ApplyTexts(this, kTexts, language_); }

void ScopeDock::TakeChoices() {
  unsigned axes = 0;
  for (int axis = 1; axis <= kPolledAxes; ++axis) {
    if (axisBoxes_[static_cast<std::size_t>(axis - 1)]->isChecked()) axes |= 1u << (axis - 1);
  }
  const int index = std::clamp(window_->currentIndex(), 0, static_cast<int>(scope::kWindowSeconds.size()) - 1);
  choices_.axes = axes;
  choices_.windowSeconds = scope::kWindowSeconds[static_cast<std::size_t>(index)];
  StoreChoices();
  plot_->SetAxes(axes);
  const SampleRing* ring = Recording.Ring();
  Rebuild(Paused() || ring == nullptr ? lastTick_ : ring->Newest());
}

void ScopeDock::StoreChoices() const {
  QSettings settings;
  settings.setValue(QString::fromLatin1(kAxesKey), choices_.axes);
  settings.setValue(QString::fromLatin1(kWindowKey), choices_.windowSeconds);
  settings.setValue(QString::fromLatin1(kAutoscaleKey), autoscale_->isChecked());
}

void ScopeDock::showEvent(QShowEvent* event) {
  QDockWidget::showEvent(event);
  OnPause(Paused());
}

void ScopeDock::hideEvent(QHideEvent* event) {
  QDockWidget::hideEvent(event);
  timer_->stop();
}

void ScopeDock::OnPause(bool paused) {
  if (paused) {
    timer_->stop();
    return;
  }
  const SampleRing* ring = Recording.Ring();
  Rebuild(ring != nullptr ? ring->Newest() : 0);
  if (isVisible()) timer_->start(kRefreshMs);
}

void ScopeDock::Rebuild(std::uint64_t last) {
  plot_->Clear();
  plot_->SetCapacity(static_cast<std::size_t>(choices_.windowSeconds) * scope::kTicksPerSecond);
  samples_.clear();
  const SampleRing* ring = Recording.Ring();
  if (ring != nullptr && last > 0) {
    const scope::TickRange range = scope::WindowTicks(last, choices_.windowSeconds);
    ring->ReadRange(range.first, range.last, samples_);
    plot_->Append(samples_);
  }
  lastTick_ = last;
  cursor_ = SampleRing::Cursor{last + 1, 0};
  ShowWindow();
}

void ScopeDock::Refresh() {
  const SampleRing* ring = Recording.Ring();
  if (!isVisible() || Paused() || ring == nullptr) return;
  samples_.clear();
  const std::uint64_t lostBefore = cursor_.lost;
  ring->Read(cursor_, samples_);
  // Behind by more than the recording holds, or the recording started
  // again: the window is drawn anew from what it holds.
  if (cursor_.lost != lostBefore || (!samples_.empty() && samples_.front().tick != lastTick_ + 1)) {
    Rebuild(ring->Newest());
    return;
  }
  plot_->Append(samples_);
  if (!samples_.empty()) lastTick_ = samples_.back().tick;
  ShowWindow();
}

// The window ends at the last tick (or spans the first seconds recorded);
// the points before it are dropped.
void ScopeDock::ShowWindow() {
  const double span = choices_.windowSeconds;
  const double from = std::max(0.0, scope::Seconds(lastTick_) - span);
  plot_->TrimBefore(scope::Seconds(scope::WindowTicks(lastTick_, choices_.windowSeconds).first) - kTickSeconds / 2);
  plot_->SetTimeRange(from, from + span);
  if (autoscale_->isChecked()) plot_->FitValues();
  ShowReadout();
  plot_->Redraw();
}

// Each pane's caption, and with the cursor placed the values the chosen
// axes have there.
void ScopeDock::ShowReadout() {
  const std::optional<double> at = plot_->Cursor();
  for (int p = 0; p < ScopePlot::kPaneCount; ++p) {
    const auto pane = static_cast<ScopePlot::Pane>(p);
    QStringList lines{Say(kPaneNames[p], language_)};
    if (at) {
      if (pane == ScopePlot::kPositionPane)
        lines << QStringLiteral("t = %1 s").arg(QString::fromStdString(numtext::FormatFixed(*at, 3)));
      for (int axis = 1; axis <= kPolledAxes; ++axis) {
        if (!scope::Chosen(choices_.axes, axis)) continue;
        auto value = [&](ScopePlot::Trace trace) {
          return plot_->ValueAt(axis, trace, *at).value_or(std::numeric_limits<double>::quiet_NaN());
        };
        std::string line;
        if (pane == ScopePlot::kPositionPane) {
          line = scope::ReadoutLine(axis, {value(ScopePlot::kCommand), value(ScopePlot::kFeedback)}, 2, false);
        } else if (pane == ScopePlot::kErrorPane) {
          line = scope::ReadoutLine(axis, {value(ScopePlot::kFollowingError)}, 4, false);
        } else {
          line = scope::ReadoutLine(axis, {value(ScopePlot::kSpeed)}, 2, true);
        }
        lines << QString::fromStdString(line);
      }
    }
    plot_->SetPaneText(pane, lines.join(u'\n'));
  }
}

void ScopeDock::Export() {
  QFileDialog dialog(this, Say(kExportTitle, language_));
  // The program's own dialog, as every file dialog of the program.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  const QString csv = Say(kCsvFilter, language_);
  dialog.setNameFilters({csv, Say(kPngFilter, language_)});
  dialog.setDefaultSuffix(QStringLiteral("csv"));
  connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, csv](const QString& filter) {
    dialog.setDefaultSuffix(filter == csv ? QStringLiteral("csv") : QStringLiteral("png"));
  });
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  ExportTo(dialog.selectedFiles().first());
}

bool ScopeDock::ExportTo(const QString& path) {
  const QString kind = QFileInfo(path).suffix().toLower();
  QSaveFile file(path);
  if (kind == QStringLiteral("csv")) {
    // The window as far as the recording goes (or as it stood when paused).
    Refresh();
    samples_.clear();
    const SampleRing* ring = Recording.Ring();
    if (ring != nullptr && lastTick_ > 0) {
      const scope::TickRange range = scope::WindowTicks(lastTick_, choices_.windowSeconds);
      ring->ReadRange(range.first, range.last, samples_);
    }
    if (samples_.empty()) {
      Tell(Say(kNothingRecorded, language_));
      return false;
    }
    const std::string text = scope::ExportCsv(samples_, InstalledAxes());
    if (file.open(QIODevice::WriteOnly) &&
        file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size()) &&
        file.commit()) {
      return true;
    }
  } else if (kind == QStringLiteral("png")) {
    if (file.open(QIODevice::WriteOnly) && plot_->Picture().save(&file, "PNG") && file.commit()) return true;
  } else {
    Tell(Say(kWhichKind, language_));
    return false;
  }
  Tell(Say(kCannotWrite, language_).arg(path));
  return false;
}
