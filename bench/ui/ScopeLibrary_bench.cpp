// The two plotting libraries a scope could use, side by side: 8 traces of
// 60 s at 200 Hz (12,000 points each), 20 new points a trace every 100 ms
// and the oldest 20 dropped, redrawn at each step, in a shown widget of
// the scope's size. Reports the process's share of one core.
//
//   build/bin/ui_ScopeLibrary_bench                        (offscreen)
//   TESSOR_BENCH_SECONDS=20 build/bin/ui_ScopeLibrary_bench --benchmark_repetitions=3
//
// With DISPLAY set and QT_QPA_PLATFORM=xcb the widgets are drawn on that
// display. The Qt Charts half is built only where qt6-charts-dev is
// installed.

#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>

#include "BenchSupport.h"

#ifdef TESSOR_BENCH_QT_CHARTS
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QValueAxis>
#endif

namespace {

constexpr int kTraces = 8;
constexpr int kRate = 200;               // samples a second
constexpr int kPoints = 60 * kRate;      // a 60 s window
constexpr int kStepPoints = kRate / 10;  // new points every 100 ms
constexpr double kStep = 1.0 / kRate;
const QSize kPlotSize(1000, 260);

// A position-like trace: each a sine of its own period and phase.
double Value(int trace, int index) {
  const double t = index * kStep;
  return 100.0 * std::sin(t * (0.3 + 0.1 * trace) + trace) + 5.0 * trace;
}

// Runs `step` every 100 ms for the measuring time; the share of one core.
double CpuShare(const std::function<void()>& step) {
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, step);
  timer.start(100);
  const double before = ProcessCpuSeconds();
  QElapsedTimer wall;
  wall.start();
  QEventLoop loop;
  QTimer::singleShot(MeasureSeconds(10) * 1000, &loop, &QEventLoop::quit);
  loop.exec();
  return (ProcessCpuSeconds() - before) / (static_cast<double>(wall.elapsed()) / 1000.0);
}

void BM_ScopeQCustomPlot(benchmark::State& state) {
  QCustomPlot plot;
  plot.resize(kPlotSize);
  std::vector<QCPGraph*> graphs;
  for (int k = 0; k < kTraces; ++k) {
    QCPGraph* graph = plot.addGraph();
    graph->setPen(QPen(QColor::fromHsv(k * 45, 220, 200)));
    for (int i = 0; i < kPoints; ++i) graph->addData(i * kStep, Value(k, i));
    graphs.push_back(graph);
  }
  plot.show();
  if (!QTest::qWaitForWindowExposed(&plot)) {
    state.SkipWithError("the plot was not shown");
    return;
  }
  int next = kPoints;
  for (auto _ : state) {
    const double share = CpuShare([&] {
      for (int k = 0; k < kTraces; ++k) {
        QVector<double> keys, values;
        for (int i = 0; i < kStepPoints; ++i) {
          keys << (next + i) * kStep;
          values << Value(k, next + i);
        }
        graphs[static_cast<std::size_t>(k)]->addData(keys, values, true);
        graphs[static_cast<std::size_t>(k)]->data()->removeBefore((next + kStepPoints - kPoints) * kStep);
      }
      next += kStepPoints;
      plot.xAxis->setRange((next - kPoints) * kStep, next * kStep);
      plot.yAxis->rescale();
      plot.replot();
    });
    state.counters["cpu_percent"] = 100.0 * share;
  }
  state.counters["points"] = static_cast<double>(graphs[0]->data()->size());
}
BENCHMARK(BM_ScopeQCustomPlot)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

#ifdef TESSOR_BENCH_QT_CHARTS
void BM_ScopeQtCharts(benchmark::State& state) {
  auto* chart = new QChart;
  chart->legend()->hide();
  auto* x = new QValueAxis;
  auto* y = new QValueAxis;
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  std::vector<QLineSeries*> series;
  std::vector<QList<QPointF>> points(kTraces);
  for (int k = 0; k < kTraces; ++k) {
    auto* s = new QLineSeries;
    s->setPen(QPen(QColor::fromHsv(k * 45, 220, 200)));
    for (int i = 0; i < kPoints; ++i) points[static_cast<std::size_t>(k)].append(QPointF(i * kStep, Value(k, i)));
    s->replace(points[static_cast<std::size_t>(k)]);
    chart->addSeries(s);
    s->attachAxis(x);
    s->attachAxis(y);
    series.push_back(s);
  }
  QChartView view(chart);
  view.resize(kPlotSize);
  view.show();
  if (!QTest::qWaitForWindowExposed(&view)) {
    state.SkipWithError("the chart was not shown");
    return;
  }
  int next = kPoints;
  for (auto _ : state) {
    const double share = CpuShare([&] {
      double low = 0, high = 0;
      for (int k = 0; k < kTraces; ++k) {
        QList<QPointF>& p = points[static_cast<std::size_t>(k)];
        p.remove(0, kStepPoints);
        for (int i = 0; i < kStepPoints; ++i) p.append(QPointF((next + i) * kStep, Value(k, next + i)));
        for (const QPointF& q : p) {
          low = std::min(low, q.y());
          high = std::max(high, q.y());
        }
        // replace() is the library's fast path for a whole new data set.
        series[static_cast<std::size_t>(k)]->replace(p);
      }
      next += kStepPoints;
      x->setRange((next - kPoints) * kStep, next * kStep);
      y->setRange(low, high);
      view.repaint();
    });
    state.counters["cpu_percent"] = 100.0 * share;
  }
  state.counters["points"] = static_cast<double>(series[0]->count());
}
BENCHMARK(BM_ScopeQtCharts)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
#endif

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("DISPLAY") == nullptr) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
