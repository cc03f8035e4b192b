// Times the order and storage tables with the largest data set (100 x 100 cells, 100
// measurements each), offscreen: showing the order table, scrolling it by a page, and
// switching the current storage in the storage table. Each figure includes a full repaint.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench_stats.hpp"
#include "platform/zv_clock.hpp"
#include "platform/zv_registry.hpp"
#include "program/zv_program.hpp"
#include "program/zv_selection.hpp"
#include "ui/zv_order_window.hpp"
#include "ui/zv_qt_ports.hpp"
#include "ui/zv_shell.hpp"
#include "ui/zv_storage_window.hpp"

using namespace zv;

namespace {

using zv::bench::median;

void fill(Program& p) {
  auto& m = p.model;
  m.limits().setMaxSamples(100);
  m.limits().setMaxStorages(100);
  m.limits().setMaxMeasurements(100);
  m.createDataSet();
  m.addSamples(100);
  m.addStorages(100);
  for (int s = 0; s < 100; ++s)
    for (int t = 0; t < 100; ++t) {
      m.addMeasurements(s, t, 100);
      for (Measurement& x : m.storageAt(s, t)->measurements) {
        x.force = 1.0 + 0.01 * ((s * 7 + t * 3 + x.measurementIndex) % 50);
        x.inStatistics = 1;
      }
    }
  m.renumber();
  p.dataLoaded = true;
}
} // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QtUi ui;
  StillClock clock;
  MemoryRegistry registry;
  Program program(ui, clock, registry);
  program.startUp({"zarvik", "offline"});
  fill(program);
  Shell shell(program, ui);
  shell.openLogWindow();
  program.singlePanel = 0;

  QElapsedTimer timer;
  timer.start();
  shell.showWindow(WindowId::Order);
  auto* order = static_cast<OrderWindow*>(shell.window(WindowId::Order));
  order->resize(1200, 800);
  order->grab();
  const double firstShowMs = timer.nsecsElapsed() / 1e6;
  // Showing it again after the data changed: what an operator waits for when switching back.
  std::vector<double> show;
  for (int i = 0; i < 10; ++i) {
    order->hide();
    shell.showWindow(WindowId::Log);
    timer.restart();
    shell.requestRefresh(WindowId::Order, refresh::Everything);
    shell.showWindow(WindowId::Order);
    order->grab();
    show.push_back(timer.nsecsElapsed() / 1e6);
  }

  std::vector<double> scroll;
  QScrollBar* bar = order->table()->verticalScrollBar();
  for (int i = 0; i < 20; ++i) {
    timer.restart();
    bar->setValue(bar->value() + bar->pageStep() > bar->maximum() ? 0
                                                                  : bar->value() + bar->pageStep());
    order->table()->viewport()->grab();
    scroll.push_back(timer.nsecsElapsed() / 1e6);
  }

  shell.showWindow(WindowId::Storage);
  auto* storage = static_cast<StorageWindow*>(shell.window(WindowId::Storage));
  storage->resize(900, 700);
  storage->grab();
  std::vector<double> sw;
  for (int i = 1; i <= 20; ++i) {
    timer.restart();
    selectStorage(program, i % 100);
    storage->grab();
    sw.push_back(timer.nsecsElapsed() / 1e6);
  }

  std::printf("order table first shown (window built): %.1f ms\n", firstShowMs);
  std::printf("order table shown (100 x 100 cells): %.1f ms (median of 10)\n", median(show));
  std::printf("order table scrolled by one page:    %.1f ms (median of 20)\n", median(scroll));
  std::printf("storage table switched to a storage: %.1f ms (median of 20)\n", median(sw));
  return 0;
}
