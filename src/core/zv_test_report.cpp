#include "core/zv_test_report.hpp"

#include <charconv>
#include <cmath>
#include <numbers>

#include "core/zv_format.hpp"
#include "platform/zv_latin1.hpp"

namespace zv {

namespace {

const ReportWords englishWords{"Sample",
                               "Storage",
                               "No.",
                               "Area [mm2]",
                               "Speed [N/s]",
                               "Force [kN]",
                               "Tension",
                               "Status",
                               "On/Off",
                               "Evaluation",
                               "Time to failure [s]",
                               "Loading rate [MPa/s]",
                               "Flags",
                               "On",
                               "Off",
                               "too fast",
                               "too long"};
const ReportWords germanWords{"Probe",
                              "Lagerung",
                              "Nr.",
                              "Fläche [mm2]"_l1,
                              "Geschwindigkeit [N/s]",
                              "Kraft [kN]",
                              "Haftzug",
                              "Status",
                              "Ein/Aus",
                              "Abriss",
                              "Zeit bis Bruch [s]",
                              "Belastungsrate [MPa/s]",
                              "Hinweis",
                              "Ein",
                              "Aus",
                              "zu schnell",
                              "zu lang"};

// The device file record of a channel's piston range: its calibration date, or -1.
std::int32_t calibrationDateOf(const ReportTester* tester, double range) {
  if (!tester)
    return -1;
  for (int i = 0; i < tester->pistons.count(); ++i)
    if (const PistonRange* p = tester->pistons.piston(i); p && p->range == range)
      return p->calDate;
  return -1;
}

void noteInstrument(TestReport& r, const Measurement& m, const ReportSources& s) {
  for (const ReportInstrument& i : r.instruments)
    if (i.deviceName == m.deviceName && i.channel == m.channel && i.range == m.range)
      return;
  const ReportTester* tester = m.channel == 0 || m.channel == 1 ? s.testers[m.channel] : nullptr;
  r.instruments.push_back({m.deviceName.str(), m.channel, m.range,
                           tester ? tester->serialNumber : std::string(),
                           calibrationDateOf(tester, m.range)});
}

ReportRow rowOf(const Measurement& m, const ReportSources& s) {
  ReportRow row;
  row.measurement = &m;
  row.number = m.measurementIndex + 1;
  row.force = m.force;
  row.bondTension = bondTensionOf(m.force, m.area, s.factors);
  row.area = m.area;
  row.speed = m.speed;
  row.status = m.status;
  row.on = m.inStatistics != 0;
  row.timing = measurementTiming(m);
  row.flags = pullFlags(row.timing, s.limits);
  return row;
}

ReportStorage storageOf(const Sample& sample, StorageCondition& t, TestReport& r,
                        const ReportSources& s) {
  ReportStorage out;
  out.sampleName = sample.name;
  out.storageName = t.name;
  out.evaluation = t.evaluation;
  out.area = t.area;
  out.diameter = dollyDiameter(t.area);
  out.speed = t.speed;
  std::vector<double> counted;
  for (Measurement& m : t.measurements) {
    if (!m.hasPoints() && m.graphFilePos > 0 && s.loadCurve)
      s.loadCurve(m);
    out.rows.push_back(rowOf(m, s));
    if (out.rows.back().on)
      counted.push_back(out.rows.back().bondTension);
    if (!m.deviceName.empty() || m.range > 0.0)
      noteInstrument(r, m, s);
  }
  out.statistics = statisticsOf(counted);
  if (out.statistics.mean != 0.0)
    out.variation = 100.0 * out.statistics.sa / std::fabs(out.statistics.mean);
  return out;
}

// Every digit of a double, with the given decimal separator; empty when it is no number.
std::string exactNumber(double v, char separator) {
  if (!std::isfinite(v))
    return {};
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, res.ptr);
  for (char& c : s)
    if (c == '.')
      c = separator;
  return s;
}

std::string fixedNumber(const std::optional<double>& v, int decimals, char separator) {
  if (!v || !std::isfinite(*v))
    return {};
  std::string s = formatFixed(*v, decimals);
  for (char& c : s)
    if (c == '.')
      c = separator;
  return s;
}

// RFC 4180: a field that holds the separator, a quote or a line break is quoted, its quotes
// doubled.
void appendField(std::string& line, const std::string& utf8, char separator) {
  if (utf8.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string::npos) {
    line += utf8;
    return;
  }
  line += '"';
  for (char c : utf8) {
    if (c == '"')
      line += '"';
    line += c;
  }
  line += '"';
}

void appendLine(std::string& out, const std::vector<std::string>& fields, char separator) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0)
      out += separator;
    appendField(out, fields[i], separator);
  }
  out += "\r\n";
}

} // namespace

double dollyDiameter(double area) {
  return area > 0.0 && std::isfinite(area) ? 2.0 * std::sqrt(area / std::numbers::pi) : 0.0;
}

PullTiming measurementTiming(const Measurement& m) {
  if (!m.hasPoints())
    return {};
  const auto n = std::min(m.points.size(), static_cast<std::size_t>(std::max(m.pointCount, 0)));
  return pullTiming(std::span<const double>(m.points.data(), n), m.curveRate, m.area);
}

TestReport buildTestReport(DataSet& d, const ReportSources& s) {
  TestReport r;
  r.title = d.title;
  r.identNumber = d.identNumber;
  r.identName = d.identName;
  r.madeAt = s.madeAt;
  r.bondUnit = s.bondUnit;
  r.forceDecimals = s.forceDecimals;
  r.tensionDecimals = s.tensionDecimals;
  r.limits = s.limits;
  for (Sample& sample : d.samples)
    for (StorageCondition& t : sample.storages)
      if (!t.measurements.empty())
        r.storages.push_back(storageOf(sample, t, r, s));
  return r;
}

const ReportWords& reportWords(const Language& language) {
  return language.english() ? englishWords : germanWords;
}

std::string flagText(unsigned flags, const ReportWords& w) {
  std::string s;
  if (flags & pull_flag::TooFast)
    s = w.tooFast;
  if (flags & pull_flag::TooLong)
    s += std::string(s.empty() ? "" : ", ") + w.tooLong;
  return s;
}

std::string testReportCsv(const TestReport& r, const Language& language, char decimalSeparator) {
  const char sep = decimalSeparator == ',' ? ';' : ',';
  const ReportWords& w = reportWords(language);
  auto u = [](const std::string& latin1) { return latin1ToUtf8(latin1); };
  std::string out;
  appendLine(out,
             {u(w.sample), u(w.storage), u(w.number), u(w.area), u(w.speed), u(w.force),
              u(std::string(w.tension) + " " + r.bondUnit), u(w.status), u(w.onOff),
              u(w.evaluation), u(w.timeToFailure), u(w.loadingRate), u(w.flags)},
             sep);
  for (const ReportStorage& t : r.storages)
    for (const ReportRow& row : t.rows)
      appendLine(
          out,
          {u(t.sampleName), u(t.storageName), std::to_string(row.number),
           exactNumber(row.area, decimalSeparator), exactNumber(row.speed, decimalSeparator),
           exactNumber(row.force, decimalSeparator), exactNumber(row.bondTension, decimalSeparator),
           u(measurementStatusText(row.status, language)), u(row.on ? w.on : w.off),
           u(t.evaluation), fixedNumber(row.timing.timeToFailure, 2, decimalSeparator),
           fixedNumber(row.timing.loadingRate, 4, decimalSeparator), u(flagText(row.flags, w))},
          sep);
  return out;
}

} // namespace zv
