#include "program/zv_meas_control.hpp"

#include "core/zv_calculate.hpp"
#include "platform/zv_latin1.hpp"
#include "program/zv_tables.hpp"

namespace zv {

namespace {

constexpr TextPair QuestionTitle{"Zarvik - Start measurement", "Zarvik - Messung starten"};
constexpr TextPair QuestionText{"measuring No. %d already exists !",
                                "Messung Nr. %d existiert bereits !"};
constexpr TextPair OverwriteButton{"Overwrite all further meas",
                                   "Alle folgenden Messungen überschreiben"_l1};
constexpr TextPair NextFreeButton{"Switching on the next free index : No: %d",
                                  "Auf den nächsten freien Mess-Index Nr. %d schalten"_l1};
constexpr TextPair AbortButton{"Abort", "Abbrechen"};
constexpr TextPair BackupTitle{"Backup", "Backup"};
constexpr TextPair BackupFailed{"Fehler bei Sicherung", "Fehler bei Sicherung"};

std::string withNumber(const char* format, int number) {
  std::string s = format;
  const auto at = s.find("%d");
  if (at != std::string::npos)
    s.replace(at, 2, std::to_string(number));
  return s;
}

int fail(Program& p, int code) {
  return p.reporter.reportError(code, 0);
}

void refreshMeas(Program& p, std::uint32_t bits) {
  p.requestRefresh(WindowId::Measurement, bits);
}

void setTimer(Program& p, bool on) {
  if (p.meas.panel)
    p.meas.panel->setMeasTimer(on, p.meas.params.dPollTime);
}

// The pulse length of the remote output in milliseconds.
int pulseLength(double seconds) {
  return seconds > 0.0 && seconds < 1e6 ? static_cast<int>(seconds * 1000.0) : 0;
}

bool remoteAllowed(const Program& p) {
  return p.meas.params.daqErrorState == 0 && p.meas.params.remoteEnable != 0;
}

// Whether the windows show the running measurement.
bool runningIsShown(const Program& p) {
  const DataSet* d = p.data.model.dataSet();
  const Selection& r = p.meas.processor.runningSelection();
  return d && p.meas.processor.hasRunning() && d->currentSample == r.sample &&
         d->currentStorage == r.storage && d->currentMeasurement == r.measurement;
}

// Selects the running measurement in the windows when they show another one.
void showRunning(Program& p) {
  DataSet* d = p.data.model.dataSet();
  const Selection& r = p.meas.processor.runningSelection();
  if (!d || !p.meas.processor.hasRunning())
    return;
  d->currentSample = r.sample;
  d->currentStorage = r.storage;
  d->currentMeasurement = r.measurement;
}

// Ends the run: the result, the trigger cursor on the graph, and the slot with its curve to
// the backup.
int stopRun(Program& p) {
  PullOffProcessor& proc = p.meas.processor;
  const int result = proc.measStop();
  if (result != 0)
    return result;
  if (p.meas.panel && proc.triggerCursor() >= 0)
    p.meas.panel->placeTriggerCursor(proc.triggerCursor());
  if (Measurement* m = proc.runningMeasurement())
    p.data.measurementFinished(*m);
  return 0;
}

// What a timer tick brought reaches the windows.
void showTick(Program& p, const RunTick& tick) {
  Measurement* m = p.meas.processor.runningMeasurement();
  if (!m)
    return;
  if (tick.triggered) {
    refreshMeas(p, measbits::Status);
    if (!runningIsShown(p)) {
      // The windows follow the measurement that runs; the tables carry the same rings.
      showRunning(p);
      refreshMeas(p, measbits::Selection);
      p.requestRefresh(WindowId::Storage, refresh::Rings | refresh::Values);
      p.requestRefresh(WindowId::Order, refresh::Rings);
    }
  }
  if (tick.tornOff || tick.finished)
    refreshMeas(p, measbits::Status);
  if (tick.newPoints && runningIsShown(p) && p.meas.panel)
    p.meas.panel->showMeasCurve(*m, p.meas.processor.timeOffset());
}

// Starts the run on the running slot; the graph starts afresh for it.
int startRun(Program& p) {
  PullOffProcessor& proc = p.meas.processor;
  const int result = proc.measStart();
  if (result == 0 && p.meas.panel)
    p.meas.panel->setGraphSpans(proc.startTimeSpan(), proc.startForceSpan());
  return result;
}

// The statistics of the running measurement's storage, so they are current even while no
// table window shows them.
void recomputeStatistics(Program& p) {
  const Selection& r = p.meas.processor.runningSelection();
  if (StorageCondition* t = p.data.model.storageAt(r.sample, r.storage))
    calcStorageStatistics(t, p.data.model.bondTensionFactors());
}

} // namespace

OverwriteQuestion overwriteQuestion(const Language& lang, int firstUsed, int lastUsed) {
  OverwriteQuestion q;
  q.title = lang.pick(QuestionTitle);
  q.text = withNumber(lang.pick(QuestionText), firstUsed + 1);
  q.buttons = {lang.pick(OverwriteButton), withNumber(lang.pick(NextFreeButton), lastUsed + 2),
               lang.pick(AbortButton)};
  return q;
}

const char* measStatusText(const Program& p, std::int32_t status) {
  return measurementStatusText(status, p.lang);
}

bool checkMeasuring(Program& p) {
  if (!p.isMeasuring())
    return false;
  p.reporter.reportMessage(report::PopupAndLog, 0, "", p.texts[MessageText::StopMeasuringFirst], 0);
  return true;
}

int nextMeasIndex(Program& p) {
  PullOffProcessor& proc = p.meas.processor;
  if (!proc.hasRunning())
    return fail(p, MeasCtlNoRunning);
  const Selection at = proc.runningSelection();
  proc.clearRunning();
  StorageCondition* t = p.data.model.storageAt(at.sample, at.storage);
  if (!t)
    return fail(p, MeasCtlNoStorage);
  const int count = static_cast<int>(t->measurements.size());
  if (at.measurement < count - 1) {
    p.requestRefresh(WindowId::Storage, 0x12);
  } else {
    if (p.data.model.addMeasurements(at.sample, at.storage, count + 1) != 0)
      return fail(p, MeasCtlCannotGrow);
    p.requestRefresh(WindowId::Storage, 0x13);
  }
  if (!p.data.model.measurementAt(at.sample, at.storage, at.measurement + 1))
    return fail(p, MeasCtlNoNext);
  proc.setRunning({at.sample, at.storage, at.measurement + 1});
  refreshMeas(p, measbits::Selection);
  return 0;
}

int startMeasuring(Program& p) {
  PullOffProcessor& proc = p.meas.processor;
  p.meas.params.seriesFlag = 1; // every start runs as a series
  if (p.isMeasuring()) {
    p.ui.popup("", p.texts[MessageText::StopMeasuringFirst]);
    return MeasCtlRefused;
  }
  DataSet* d = p.data.model.dataSet();
  if (!d)
    return fail(p, MeasCtlNoDataSet);
  const Selection selected{d->currentSample, d->currentStorage, d->currentMeasurement};
  if (!p.data.model.measurementAt(selected.sample, selected.storage, selected.measurement))
    return fail(p, MeasCtlNoMeasurement);
  proc.setRunning(selected);
  StorageCondition* t = p.data.model.storageAt(selected.sample, selected.storage);
  if (!t)
    return fail(p, MeasCtlNoStorageAtStart);

  // Slots from the selected one on that already hold something.
  const int count = p.data.model.measurementCount(selected.sample, selected.storage);
  int firstUsed = -1;
  int lastUsed = -1;
  for (int k = selected.measurement; k < count; ++k) {
    const Measurement* m = p.data.model.measurementAt(selected.sample, selected.storage, k);
    if (!m)
      return fail(p, MeasCtlSlotMissing);
    if (m->status != 0) {
      if (firstUsed < 0)
        firstUsed = k;
      lastUsed = k;
    }
  }
  if (firstUsed >= 0) {
    const OverwriteQuestion q = overwriteQuestion(p.lang, firstUsed, lastUsed);
    const int answer = p.ui.ask(q.title, q.text, q.buttons, OverwriteAll, AbortStart);
    if (answer == NextFreeIndex) {
      if (lastUsed < count - 1) {
        if (!p.data.model.measurementAt(selected.sample, selected.storage, lastUsed + 1))
          return fail(p, MeasCtlNoFreeSlot);
        proc.setRunning({selected.sample, selected.storage, lastUsed + 1});
      } else {
        if (!p.data.model.measurementAt(selected.sample, selected.storage, lastUsed))
          return fail(p, MeasCtlNoLastSlot);
        proc.setRunning({selected.sample, selected.storage, lastUsed});
        if (nextMeasIndex(p) != 0)
          return fail(p, MeasCtlCannotAppend);
      }
      showRunning(p);
      for (WindowId w : {WindowId::Measurement, WindowId::Storage, WindowId::Order})
        p.requestRefresh(w, measbits::Selection);
    } else if (answer != OverwriteAll) {
      return MeasCtlCancelled;
    }
  }

  proc.clearStopRequest();
  // A backup that fails is told, but does not keep the operator from measuring.
  if (const int rc = p.data.backupBeforeSeries(); rc != 0)
    p.reporter.reportMessage(report::PopupAndLog, 0, p.lang.pick(BackupTitle),
                             p.lang.pick(BackupFailed), rc);

  const int result = startRun(p);
  if (result != 0)
    stopRun(p);
  if (result == 0 && remoteAllowed(p))
    p.meas.daq.daqRemote(1, pulseLength(p.meas.params.dStartPulseDelay));
  if (result == 0)
    setTimer(p, true);
  refreshMeas(p, measbits::StatusAndCommands);
  return result;
}

int stopMeasuring(Program& p) {
  PullOffProcessor& proc = p.meas.processor;
  proc.requestStop();
  if (remoteAllowed(p))
    p.meas.daq.daqRemote(2, pulseLength(p.meas.params.dStopPulseDelay));
  setTimer(p, false);
  if (!proc.acquisitionStopped() && proc.hasRunning())
    stopRun(p);
  proc.endMeasuring();
  // A run stopped before its trigger leaves the slot as it was before the start.
  if (proc.giveBackUntriggeredSlot())
    if (Measurement* m = proc.runningMeasurement())
      p.data.model.markChanged(*m); // the backup must not keep it as a new measurement
  recomputeStatistics(p);
  // The run went to the backup while it still counted as running; its final state goes now,
  // so a crash before the next main timer tick cannot bring the slot back as "New Measuring".
  p.backupDataSet();
  resultsChanged(p);
  refreshMeas(p, measbits::StatusAndCommands);
  return 0;
}

int endOfMeasuring(Program& p) {
  PullOffProcessor& proc = p.meas.processor;
  if (stopRun(p) != 0) {
    p.reporter.reportMessage(report::PopupAndLog, 0, "", p.texts[MessageText::SeriesStopError], 0);
  } else {
    recomputeStatistics(p);
    resultsChanged(p);
    if (p.meas.params.seriesFlag != 0 && !proc.stopWasRequested()) {
      if (nextMeasIndex(p) == 0)
        startRun(p);
      else
        p.reporter.reportMessage(report::PopupAndLog, 0, "", p.texts[MessageText::NewIndexError],
                                 0);
    }
  }
  // A series that could not go on leaves nothing for the timer to do.
  if (!p.isMeasuring())
    setTimer(p, false);
  refreshMeas(p, measbits::Status);
  return 0;
}

void measTimerTick(Program& p) {
  // A popup inside a tick (a warning at the start of the next slot) lets further timer events
  // through; they must not run the processor while it is half way through a step.
  if (p.meas.tickRunning || !p.isMeasuring())
    return;
  p.meas.tickRunning = true;
  const RunTick tick = p.meas.processor.measTick();
  showTick(p, tick);
  if (tick.finished) {
    endOfMeasuring(p);
    refreshMeas(p, measbits::StatusAndCommands);
  }
  p.meas.tickRunning = false;
}

int measStartStopToggle(Program& p, bool on) {
  const int result = on ? startMeasuring(p) : stopMeasuring(p);
  refreshMeas(p, measbits::Status);
  return result;
}

} // namespace zv
