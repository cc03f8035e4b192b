#pragma once
// What a data set dialog test needs: a German-language model of samples x storages with the
// real Qt Ui behind its reporter, and the texts of named labels and buttons.
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <memory>

#include "common/zv_fakes.hpp"
#include "common/zv_testdir.hpp"
#include "core/zv_dataset.hpp"
#include "ui/zv_qt_ports.hpp"

namespace zv::test {

struct DialogRig {
  TestDir dir;
  FakeClock clock;
  QtUi ui;
  ErrorLog errorLog{clock, dir.path()};
  Reporter reporter{errorLog, ui};
  Language lang;
  std::unique_ptr<DataSetModel> model;

  // A fresh renumbered data set; the language starts as German.
  DataSetModel& newModel(int samples, int storages) {
    lang.language = 1;
    model = std::make_unique<DataSetModel>(reporter, lang);
    model->createDataSet();
    model->addSamples(samples);
    model->addStorages(storages);
    model->renumber();
    return *model;
  }

  static QString text(QDialog& d, const char* name) {
    auto* l = d.findChild<QLabel*>(name);
    return l ? l->text() : QString("<missing>");
  }
  static QString buttonText(QDialog& d, const char* name) {
    auto* b = d.findChild<QPushButton*>(name);
    return b ? b->text() : QString("<missing>");
  }
};

} // namespace zv::test
