// Times the order and storage tables with the largest data set (100 x 100 cells, 100
// measurements each), offscreen: showing the order table, scrolling it by a page, and
// switching the current storage in the storage table. Each figure includes a full repaint,
// which draws (and computes the statistics of) only the cells in sight; the labels say how
// many those are. For comparison, the statistics and text of all 10,000 cells.
#include <QApplication>
#include <QComboBox>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench_stats.hpp"
#include "core/zv_calculate.hpp"
#include "platform/zv_clock.hpp"
#include "platform/zv_huge_page_heap.hpp"
#include "platform/zv_registry.hpp"
#include "program/zv_program.hpp"
#include "program/zv_selection.hpp"
#include "ui/zv_order_window.hpp"
#include "ui/zv_qt_ports.hpp"
#include "ui/zv_shell.hpp"
#include "ui/zv_storage_window.hpp"

using namespace zv;

namespace {

using zv::bench::Series;
using zv::bench::Stopwatch;

// Rows x columns of the cells a view draws: those at least partly in sight.
std::string drawnCells(QTableView* view) {
  auto last = [](int at, int count) { return at < 0 ? count - 1 : at; };
  const QAbstractItemModel* m = view->model();
  const int rows = last(view->rowAt(view->viewport()->height() - 1), m->rowCount()) -
                   std::max(view->rowAt(0), 0) + 1;
  const int columns = last(view->columnAt(view->viewport()->width() - 1), m->columnCount()) -
                      std::max(view->columnAt(0), 0) + 1;
  return std::to_string(rows) + " x " + std::to_string(columns) + " cells drawn of " +
         std::to_string(m->rowCount()) + " x " + std::to_string(m->columnCount());
}

void fill(Program& p) {
  auto& m = p.data.model;
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
  p.data.files.markLoaded();
}
} // namespace

int main(int argc, char** argv) {
  zv::restartWithHugePageHeap(argv); // as the program starts
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

  std::printf("%s\n", zv::bench::loadAverage().c_str());
  const Stopwatch firstShow;
  shell.showWindow(WindowId::Order);
  auto* order = static_cast<OrderWindow*>(shell.window(WindowId::Order));
  order->resize(1200, 800);
  order->grab();
  const zv::bench::Span first = firstShow.elapsed();
  // Showing it again after the data changed: what an operator waits for when switching back.
  Series show;
  for (int i = 0; i < 10; ++i) {
    order->hide();
    shell.showWindow(WindowId::Log);
    const Stopwatch watch;
    shell.requestRefresh(WindowId::Order, refresh::Everything);
    shell.showWindow(WindowId::Order);
    order->grab();
    show.add(watch.elapsed());
  }
  const std::string shownCells = drawnCells(order->table());

  Series scroll;
  QScrollBar* bar = order->table()->verticalScrollBar();
  for (int i = 0; i < 20; ++i) {
    const Stopwatch watch;
    bar->setValue(bar->value() + bar->pageStep() > bar->maximum() ? 0
                                                                  : bar->value() + bar->pageStep());
    order->table()->viewport()->grab();
    scroll.add(watch.elapsed());
  }
  const std::string scrolledCells = drawnCells(order->table());

  shell.showWindow(WindowId::Storage);
  auto* storage = static_cast<StorageWindow*>(shell.window(WindowId::Storage));
  storage->resize(900, 700);
  storage->grab();
  Series sw;
  for (int i = 1; i <= 20; ++i) {
    const Stopwatch watch;
    selectStorage(program, i % 100);
    storage->grab();
    sw.add(watch.elapsed());
  }

  // What a table showing every cell would compute: statistics and text of all 10,000.
  Series all;
  for (int round = 0; round < 5; ++round) {
    const Stopwatch watch;
    std::size_t bytes = 0;
    for (int s = 0; s < 100; ++s)
      for (int t = 0; t < 100; ++t)
        bytes += storageSummaryDisplay(program.data.model.storageAt(s, t),
                                       program.data.model.bondTensionFactors(),
                                       program.statisticsFormat())
                     .size();
    all.add(watch.elapsed());
    if (bytes == 0)
      std::printf("no cell text\n");
  }

  std::printf("milliseconds as min / median, wall time and CPU time\n");
  std::printf("order table first shown (window built, 1200 x 800): %.1f ms wall, %.1f ms CPU\n",
              first.wall * 1e3, first.cpu * 1e3);
  std::printf("order table shown again (%s), 10 times:    %s\n", shownCells.c_str(),
              show.text(1e3, "%6.1f").c_str());
  std::printf("order table scrolled by one page (%s), 20 times: %s\n", scrolledCells.c_str(),
              scroll.text(1e3, "%6.1f").c_str());
  std::printf("storage table (900 x 700) switched to a storage, 20 times: %s\n",
              sw.text(1e3, "%6.1f").c_str());
  std::printf("statistics and cell text of all 100 x 100 cells, 5 times:  %s\n",
              all.text(1e3, "%6.1f").c_str());
  return 0;
}
