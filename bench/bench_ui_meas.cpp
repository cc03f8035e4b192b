// Redrawing a 10000-point curve in the measurement window, offscreen: the window draws the
// smallest and largest point of every pixel column; for comparison the same curve handed to
// the chart point by point. Each figure includes replacing the series and a full repaint.
#include <QAbstractAxis>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "bench_stats.hpp"
#include "platform/zv_clock.hpp"
#include "platform/zv_huge_page_heap.hpp"
#include "platform/zv_registry.hpp"
#include "program/zv_program.hpp"
#include "ui/zv_meas_window.hpp"
#include "ui/zv_qt_ports.hpp"

using namespace zv;

int main(int argc, char** argv) {
  zv::restartWithHugePageHeap(argv); // as the program starts
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QtUi ui;
  StillClock clock;
  MemoryRegistry registry;
  Program program(ui, clock, registry);
  program.startUp({"zarvik"});
  auto& a = program.data.model;
  a.createDataSet();
  a.addSamples(1);
  a.addStorages(1);
  Measurement& m = *a.measurementAt(0, 0, 0);
  allocPoints(m, 10000);
  m.curveRate = 1000;
  m.range = 10.0;
  for (int i = 0; i < 10000; ++i)
    m.points[static_cast<std::size_t>(i)] =
        std::min(0.0008 * i, 6.5) + 0.01 * std::sin(i * 0.7) + ((i % 997) == 0 ? 0.5 : 0.0);
  m.pointCount = 10000;

  MeasWindow window(program);
  window.resize(1000, 650);
  window.show();
  QApplication::processEvents();

  const int rounds = 60;
  zv::bench::Series envelope;
  for (int r = 0; r < rounds; ++r) {
    m.points[static_cast<std::size_t>(r)] += 1e-6; // a new tick's curve
    const zv::bench::Stopwatch watch;
    window.showMeasCurve(m, 0.0);
    window.graph()->viewport()->repaint();
    envelope.add(watch.elapsed());
  }

  // The same curve, every point handed to the chart.
  QChart* chart = new QChart;
  auto* series = new QLineSeries(chart);
  chart->addSeries(series);
  chart->createDefaultAxes();
  // The same axes as the window, so every point is inside the plot and painted.
  chart->axes(Qt::Horizontal).first()->setRange(0.0, 10.0);
  chart->axes(Qt::Vertical).first()->setRange(0.0, 10.0);
  QChartView view(chart);
  view.resize(window.graph()->size());
  view.show();
  QList<QPointF> all(10000);
  zv::bench::Series raw;
  for (int r = 0; r < rounds; ++r) {
    const zv::bench::Stopwatch watch;
    for (int i = 0; i < 10000; ++i)
      all[i] = QPointF(i / 1000.0, m.points[static_cast<std::size_t>(i)] + r * 1e-6);
    series->replace(all);
    view.viewport()->repaint();
    raw.add(watch.elapsed());
  }
  std::printf("redraw of a 10000-point curve (%d px wide plot), %d times; %s\n",
              window.graph()->width(), rounds, zv::bench::loadAverage().c_str());
  std::printf("ms as min / median, wall time and CPU time\n");
  std::printf("  envelope per pixel column (%lld points drawn): %s\n",
              static_cast<long long>(window.curve()->count()), envelope.text(1e3, "%6.2f").c_str());
  std::printf("  every point to the chart:                    %s\n",
              raw.text(1e3, "%6.2f").c_str());
  return 0;
}
