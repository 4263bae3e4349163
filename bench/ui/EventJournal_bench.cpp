// The event journal's costs (targets: the Events dock made over a full
// journal of 10 MiB in under 100 ms, a change of kind under 10 ms; an
// event recorded in a few microseconds, and from the tick's thread without
// touching the file).
//
//   BM_EventsDockOverAFullJournal: the dock made, the journal read, the
//     end of the list shown.
//   BM_KindFilterOverAFullJournal: every kind in turn, then all again.
//   BM_RecordOnTheWritingThread: one event written to the file.
//   BM_RecordFromAnotherThread: one event queued by the tick's thread (the
//     writing thread drains the queue outside the timing).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableView>
#include <thread>

#include "UiTest.h"
#include "operator/Journal.h"
#include "ui/diagnostics/EventListModel.h"
#include "ui/diagnostics/EventsDock.h"

namespace {

// A journal of 10 MiB of the lines an operator's day makes.
std::string FillJournal(const QString& folder) {
  std::string path = (folder + QStringLiteral("/journal.jsonl")).toStdString();
  journal::Open(path);
  std::uint64_t written = 0;
  journal::SetLineHook([&](std::string_view line) { written += line.size() + 1; });
  for (int i = 0; written + 400 < journal::kRotateBytes; ++i) {
    switch (i % 4) {
      case 0:
        journal::Record(journal::kind::kMotion, {{"command", "jog"}, {"axis", 1 + i % 8}, {"direction", 1}});
        break;
      case 1:
        journal::Record(journal::kind::kBox, {{"number", 12},
                                              {"text", "Error:The motion is outside!"},
                                              {"buttons", "ok"},
                                              {"answer", "ok"},
                                              {"shown", "2025-03-04T10:11:12.345+08:00"}});
        break;
      case 2:
        journal::Record(journal::kind::kFile,
                        {{"command", "save"}, {"path", "/home/operator/programs/part.knl"}, {"ok", true}});
        break;
      default:
        journal::Record(journal::kind::kRunEnd, {{"result", "normal"}});
    }
  }
  journal::SetLineHook(nullptr);
  return path;
}

void BM_EventsDockOverAFullJournal(benchmark::State& state) {
  uitest::Bench bench;
  FillJournal(bench.Folder());
  int rows = 0;
  for (auto _ : state) {
    EventsDock dock;
    dock.resize(1000, 200);
    dock.show();
    QCoreApplication::processEvents();
    rows = dock.Model()->rowCount();
  }
  journal::Close();
  state.counters["rows"] = rows;
}
BENCHMARK(BM_EventsDockOverAFullJournal)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_KindFilterOverAFullJournal(benchmark::State& state) {
  uitest::Bench bench;
  FillJournal(bench.Folder());
  EventsDock dock;
  dock.resize(1000, 200);
  dock.show();
  QCoreApplication::processEvents();
  for (auto _ : state) {
    for (int kind = 0; kind < EventListModel::KindCount(); ++kind) {
      dock.Model()->SetKindFilter(kind);
      dock.List()->scrollToBottom();
      QCoreApplication::processEvents();
    }
    dock.Model()->SetKindFilter(-1);
    dock.List()->scrollToBottom();
    QCoreApplication::processEvents();
  }
  journal::Close();
  state.counters["kinds"] = EventListModel::KindCount() + 1;
}
BENCHMARK(BM_KindFilterOverAFullJournal)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_RecordOnTheWritingThread(benchmark::State& state) {
  uitest::Bench bench;
  journal::Open((bench.Folder() + QStringLiteral("/journal.jsonl")).toStdString());
  for (auto _ : state) {
    journal::Record(journal::kind::kMotion, {{"command", "jog"}, {"axis", 3}, {"direction", -1}});
  }
  journal::Close();
}
BENCHMARK(BM_RecordOnTheWritingThread)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_RecordFromAnotherThread(benchmark::State& state) {
  uitest::Bench bench;
  const std::string path = (bench.Folder() + QStringLiteral("/journal.jsonl")).toStdString();
  // The journal belongs to a thread that is gone: every event of this one
  // waits in the queue, as the tick's do. Reopened now and then, which
  // drops the queue, so that memory stays small.
  const auto reopen = [&] { std::thread([&] { journal::Open(path); }).join(); };
  reopen();
  for (auto _ : state) {
    journal::Record(journal::kind::kRunEnd, {{"result", "message"}, {"message", 12}});
    if (state.iterations() % 4096 == 0) {
      state.PauseTiming();
      journal::Close();
      reopen();
      state.ResumeTiming();
    }
  }
  journal::Close();
}
BENCHMARK(BM_RecordFromAnotherThread)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
