// Makes the sample data set of the report tests: an order of one sample with three storages,
// each pulled three times on the simulator (within the limits, faster than 1 MPa/s, longer than
// 90 s), saved as DIR/SAMPLE.BIN with its graph file, the device file DIR/TESTER1.ZRK that
// lists its speeds and areas, and DIR/ZARVIK.INI naming it.
//   zv_report_sample DIR
#include <fstream>
#include <iostream>

#include "common/zv_testdir.hpp"
#include "e2e/zv_sim_pulls.hpp"
#include "storage/zv_config_file.hpp"
#include "storage/zv_devicefile.hpp"

using namespace zv;

namespace {

int fail(const char* what) {
  std::cerr << "zv_report_sample: " << what << '\n';
  return 1;
}

void name(Program& p) {
  DataSet& d = *p.data.model.dataSet();
  d.title = "Haftzugprüfung Fassade Nord"_l1;
  d.identNumber = "A-2026-0117";
  d.identName = "Muster & Söhne GmbH"_l1;
  d.samples[0].name = "Beschichtung 1";
  const char* storages[] = {"Normklima 7 d", "Wasser 7 d", "Frost-Tau 25 Zyklen"};
  const char* evaluations[] = {"A/B 80 %", "B", "-/Y"};
  for (int i = 0; i < 3; ++i) {
    StorageCondition& t = d.samples[0].storages[static_cast<std::size_t>(i)];
    t.name = storages[i];
    t.evaluation = evaluations[i];
  }
}

// The device file (whose lists hold the sample's speeds and areas), and a configuration naming
// it.
bool writeSettings(Program& p, const std::filesystem::path& dir) {
  const TesterDevice& device = *p.meas.devices.device(0);
  IniHandle doc = Ini_New(0);
  if (!doc || writeDeviceDocument(doc, device) != 0 ||
      Ini_WriteToFile(doc, dir / "TESTER1.ZRK") != 0)
    return false;
  std::ofstream(dir / ConfigFileName) << "[INFO]\r\n"; // updated, never created
  ConfigValues config;
  config.devices[0].path = (dir / "TESTER1.ZRK").string();
  config.language = 0;
  config.measParams = p.meas.params;
  config.measParams.gain_press = 1000.0; // bond tension in N/mm² (MPa)
  config.measParams.unit_press = "[N/mm2]";
  return writeConfigurationFile(dir / ConfigFileName, config.targets()) == 0;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2)
    return fail("usage: zv_report_sample DIR");
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  test::SimControl sim{ZV_SIMDAQ_PATH};
  test::ScriptedUi ui;
  test::FakeClock clock;
  MemoryRegistry registry;
  test::TestDir home;
  Program p{ui, clock, registry, home.path() / ""};
  test::TimerPanel panel;
  const std::vector<test::PullPlan> plans{{100.0, 1963.5}, {500.0, 314.16}, {20.0, 1963.5}};
  if (!test::prepareSimPulls(p, sim, panel, plans, 2.5))
    return fail("the simulator could not be bound");
  p.meas.devices.device(0)->setName("Zarvik 850 Nr. 2"); // each measurement keeps the name
  p.meas.devices.device(0)->setSerialNumber("ZV850-20417");
  PistonList& pistons = p.meas.devices.device(0)->pistons;
  for (int i = 0; i < pistons.count(); ++i)
    pistons.piston(i)->calDate = 1795167000; // 2026-11-20 09:30 UTC
  for (int i = 0; i < 3; ++i)
    if (!test::pullSeries(p, sim, i, 3, 600.0))
      return fail("a series did not finish");
  p.meas.daq.daqShutdown();
  name(p);
  if (!writeSettings(p, dir))
    return fail("the device file or configuration could not be written");
  p.data.files.setDataFile(dir / "SAMPLE.BIN");
  if (p.data.files.saveDataSet() != 0)
    return fail("the data set could not be saved");
  return 0;
}
