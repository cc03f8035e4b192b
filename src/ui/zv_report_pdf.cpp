#include "ui/zv_report_pdf.hpp"

#include <QBuffer>
#include <QDateTime>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/zv_latin1.hpp"
#include "ui/zv_qt_ports.hpp"

namespace zv {

namespace {

constexpr int Dpi = 300;
constexpr double MarginMm = 15.0;
constexpr int CurvesPerRow = 4;
constexpr double CurveHeightMm = 26.0;

double mm(double v) {
  return v * Dpi / 25.4;
}

const TextPair heading{"Test Report", "Prüfbericht"_l1};
const TextPair identNumberLabel{"ID No.", "ID Nr."};
const TextPair identNameLabel{"ID Name", "ID Name"};
const TextPair titleLabel{"Title", "Titel"};
const TextPair dateLabel{"Date of the report", "Datum des Berichts"};
const TextPair instrumentHeading{"Instrument", "Prüfgerät"_l1};
const TextPair deviceLabel{"Device (from the measurements)", "Gerät (aus den Messungen)"_l1};
const TextPair fromDeviceFile{"from the device file when the report was made",
                              "aus der Gerätedatei bei Erstellung des Berichts"_l1};
const TextPair serialLabel{"Serial number", "Seriennummer"};
const TextPair rangeLabel{"Piston range", "Kolbenbereich"};
const TextPair calibrationLabel{"Calibration date", "Kalibrierdatum"};
const TextPair neverCalibrated{"never", "nie"};
const TextPair notInFile{"range not in the device file", "Bereich nicht in der Gerätedatei"_l1};
const TextPair limitsLabel{"Limits", "Grenzwerte"};
const TextPair limitsText{"loading rate at most %1 MPa/s, failure within %2 s",
                          "Belastungsrate höchstens %1 MPa/s, Bruch innerhalb von %2 s"_l1};
const TextPair storageHeading{"Sample %1, storage %2", "Probe %1, Lagerung %2"};
const TextPair dollyText{"Dolly area %1 mm² (diameter %2 mm), speed %3 N/s"_l1,
                         "Stempelfläche %1 mm² (Durchmesser %2 mm), Geschwindigkeit %3 N/s"_l1};
const TextPair statisticsText{
    "n = %1   Mean %2   SD %3   CV %4 %   95 % confidence interval %5 to %6   Min %7   Max %8",
    "n = %1   Mittelwert %2   SA %3   VK %4 %   95-%-Vertrauensbereich %5 bis %6   Min %7   Max "
    "%8"};
const TextPair curvesHeading{"Force curves", "Kraftkurven"};
const TextPair noCurve{"no curve", "keine Kurve"};
const TextPair pageText{"Page %1 of %2", "Seite %1 von %2"};
const TextPair noStorage{"The data set holds no measurement.",
                         "Der Datensatz enthält keine Messung."_l1};

// One pass over the report: the first only counts the pages, the second draws them.
class Pages {
public:
  Pages(QPdfWriter& writer, QPainter* painter, const Language& lang, int total)
      : writer_(writer), p_(painter), lang_(lang), total_(total) {
    const QRectF r = writer.pageLayout().paintRectPixels(Dpi);
    width_ = r.width();
    height_ = r.height();
    body_.setFamily("Helvetica");
    body_.setPointSizeF(8.5);
    // No ligatures: the text reads back letter by letter ("fl" in "Fläche").
    body_.setStyleStrategy(QFont::PreferNoShaping);
    bold_ = body_;
    bold_.setBold(true);
    title_ = bold_;
    title_.setPointSizeF(15);
    small_ = body_;
    small_.setPointSizeF(6.5);
    line_ = QFontMetricsF(body_, &writer).height() * 1.2;
    footer_ = QFontMetricsF(small_, &writer).height() * 2;
  }
  int pages() const { return page_; }
  double width() const { return width_; }
  double lineHeight() const { return line_; }
  const QFont& body() const { return body_; }
  const QFont& bold() const { return bold_; }
  const QFont& small() const { return small_; }
  const QFont& title() const { return title_; }
  QPainter* painter() const { return p_; }
  const Language& lang() const { return lang_; }
  QString t(const TextPair& pair) const { return pick(lang_, pair); }

  // Room for height more device units on this page, or a new page.
  double take(double height) {
    if (y_ + height > height_ - footer_ && y_ > 0.0)
      newPage();
    const double at = y_;
    y_ += height;
    return at;
  }
  void skip(double height) { y_ += height; }
  // Starts a new page unless height more fits on this one (what belongs together stays
  // together).
  void keep(double height) {
    if (y_ + height > height_ - footer_ && y_ > 0.0)
      newPage();
  }
  void finish() { drawFooter(); }

  void text(const QString& s, const QFont& font, double x = 0.0) {
    const double at = take(line_ * font.pointSizeF() / body_.pointSizeF());
    if (p_) {
      p_->setFont(font);
      p_->drawText(QRectF(x, at, width_ - x, line_ * 2), Qt::AlignLeft | Qt::AlignTop, s);
    }
  }
  // Text wrapped to the width.
  void paragraph(const QString& s, const QFont& font) {
    const QRectF need =
        QFontMetricsF(font, &writer_)
            .boundingRect(QRectF(0, 0, width_, 1e6), Qt::TextWordWrap | Qt::AlignLeft, s);
    const double at = take(need.height() + line_ * 0.2);
    if (p_) {
      p_->setFont(font);
      p_->drawText(QRectF(0, at, width_, need.height() + 1), Qt::TextWordWrap | Qt::AlignLeft, s);
    }
  }

private:
  void newPage() {
    drawFooter();
    if (p_)
      writer_.newPage();
    ++page_;
    y_ = 0.0;
  }
  void drawFooter() {
    if (!p_)
      return;
    p_->setFont(small_);
    const QString s = t(pageText).arg(page_).arg(total_);
    p_->drawText(QRectF(0, height_ - footer_ * 0.6, width_, footer_),
                 Qt::AlignHCenter | Qt::AlignTop, s);
  }

  QPdfWriter& writer_;
  QPainter* p_;
  const Language& lang_;
  int total_;
  int page_ = 1;
  double width_ = 0.0, height_ = 0.0, y_ = 0.0, line_ = 0.0, footer_ = 0.0;
  QFont body_, bold_, small_, title_;
};

QString num(double v, int decimals, const Language& lang) {
  if (!std::isfinite(v))
    return "-";
  QString s = QString::number(v, 'f', decimals);
  if (!lang.english())
    s.replace('.', ',');
  return s;
}
QString num(const std::optional<double>& v, int decimals, const Language& lang) {
  return v ? num(*v, decimals, lang) : QString();
}

QString dateText(std::time_t t, const Language& lang) {
  const QDateTime d = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(t));
  return d.toString(lang.english() ? "yyyy-MM-dd HH:mm" : "dd.MM.yyyy HH:mm");
}

void drawHeader(Pages& pg, const TestReport& r) {
  pg.text(pg.t(heading), pg.title());
  pg.skip(pg.lineHeight() * 0.5);
  const std::pair<const TextPair*, QString> fields[] = {
      {&identNumberLabel, fromLatin1(r.identNumber)},
      {&identNameLabel, fromLatin1(r.identName)},
      {&titleLabel, fromLatin1(r.title)},
      {&dateLabel, dateText(r.madeAt, pg.lang())}};
  for (const auto& [label, value] : fields)
    pg.paragraph(pg.t(*label) + ": " + value, pg.body());
  pg.skip(pg.lineHeight() * 0.5);
  pg.text(pg.t(instrumentHeading), pg.bold());
  for (const ReportInstrument& i : r.instruments) {
    pg.paragraph(pg.t(deviceLabel) + ": " + fromLatin1(i.deviceName), pg.body());
    QString cal = i.calibrationDate < 0    ? pg.t(notInFile)
                  : i.calibrationDate == 0 ? pg.t(neverCalibrated)
                                           : dateText(i.calibrationDate, pg.lang());
    pg.paragraph("    " + pg.t(serialLabel) + ": " + fromLatin1(i.serialNumber) + "; " +
                     pg.t(rangeLabel) + ": " + num(i.range, 1, pg.lang()) + " kN; " +
                     pg.t(calibrationLabel) + ": " + cal + " (" + pg.t(fromDeviceFile) + ")",
                 pg.body());
  }
  pg.paragraph(pg.t(limitsLabel) + ": " +
                   pg.t(limitsText)
                       .arg(num(r.limits.maxLoadingRate, 2, pg.lang()))
                       .arg(num(r.limits.maxTimeToFailure, 0, pg.lang())),
               pg.body());
}

struct Column {
  QString title;
  Qt::Alignment align;
  double width = 0.0;
};

QStringList cellsOf(const ReportRow& row, const ReportStorage& t, const TestReport& r,
                    const Language& lang) {
  const ReportWords& w = reportWords(lang);
  return {QString::number(row.number),
          fromLatin1(row.on ? w.on : w.off),
          num(row.force, r.forceDecimals, lang),
          num(row.bondTension, r.tensionDecimals, lang),
          fromLatin1(measurementStatusText(row.status, lang)),
          fromLatin1(t.evaluation),
          num(row.timing.timeToFailure, 1, lang),
          num(row.timing.loadingRate, 3, lang),
          fromLatin1(flagText(row.flags, w))};
}

// The text in lines no wider than width, broken only between words (a unit such as "[MPa/s]"
// stays whole).
QString wrapWords(const QString& text, double width, const QFontMetricsF& metrics) {
  QStringList lines;
  for (const QString& word : text.split(' ', Qt::SkipEmptyParts)) {
    if (!lines.isEmpty() && metrics.horizontalAdvance(lines.back() + ' ' + word) <= width)
      lines.back() += ' ' + word;
    else
      lines << word;
  }
  return lines.join('\n');
}

std::vector<Column> columnsFor(const Pages& pg, const TestReport& r, const ReportStorage& t,
                               const QPaintDevice* device) {
  const ReportWords& w = reportWords(pg.lang());
  std::vector<Column> c{{fromLatin1(w.number), Qt::AlignRight},
                        {fromLatin1(w.onOff), Qt::AlignHCenter},
                        {fromLatin1(w.force), Qt::AlignRight},
                        {fromLatin1(std::string(w.tension) + " " + r.bondUnit), Qt::AlignRight},
                        {fromLatin1(w.status), Qt::AlignLeft},
                        {fromLatin1(w.evaluation), Qt::AlignLeft},
                        {fromLatin1(w.timeToFailure), Qt::AlignRight},
                        {fromLatin1(w.loadingRate), Qt::AlignRight},
                        {fromLatin1(w.flags), Qt::AlignLeft}};
  const QFontMetricsF body(pg.body(), device);
  const QFontMetricsF bold(pg.bold(), device);
  const double pad = mm(2.0);
  for (Column& col : c)
    for (const QString& word : col.title.split(' '))
      col.width = std::max(col.width, bold.horizontalAdvance(word) + pad);
  for (const ReportRow& row : t.rows) {
    const QStringList cells = cellsOf(row, t, r, pg.lang());
    for (std::size_t i = 0; i < c.size(); ++i)
      c[i].width = std::max(c[i].width, body.horizontalAdvance(cells[static_cast<int>(i)]) + pad);
  }
  double sum = 0.0;
  for (const Column& col : c)
    sum += col.width;
  for (Column& col : c)
    col.width *= pg.width() / sum;
  return c;
}

void drawRow(Pages& pg, const std::vector<Column>& columns, const QStringList& cells,
             const QFont& font, double height, bool shade) {
  const double at = pg.take(height);
  QPainter* p = pg.painter();
  if (!p)
    return;
  if (shade)
    p->fillRect(QRectF(0, at, pg.width(), height), QColor(232, 232, 232));
  p->setFont(font);
  double x = 0.0;
  const double pad = mm(1.0);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const QRectF cell(x + pad, at, columns[i].width - 2 * pad, height);
    p->drawText(cell, static_cast<int>(columns[i].align | Qt::AlignVCenter),
                cells[static_cast<int>(i)]);
    x += columns[i].width;
  }
}

// The curve reduced to the lowest and highest point of each of `columns` stretches.
QPolygonF curvePolygon(const Measurement& m, const QRectF& box, double top) {
  const auto n = std::min(m.points.size(), static_cast<std::size_t>(std::max(m.pointCount, 0)));
  QPolygonF poly;
  if (n < 2 || !(top > 0.0))
    return poly;
  const std::size_t columns = 200;
  const std::size_t step = std::max<std::size_t>(1, n / columns);
  auto yOf = [&](double f) { return box.bottom() - std::clamp(f / top, 0.0, 1.0) * box.height(); };
  for (std::size_t i = 0; i < n; i += step) {
    const std::size_t end = std::min(n, i + step);
    const auto [lo, hi] = std::minmax_element(m.points.begin() + static_cast<long>(i),
                                              m.points.begin() + static_cast<long>(end));
    const double x = box.left() + box.width() * static_cast<double>(i) / static_cast<double>(n - 1);
    poly << QPointF(x, yOf(*lo)) << QPointF(x, yOf(*hi));
  }
  return poly;
}

void drawCurve(QPainter* p, const ReportRow& row, const QRectF& box, const Pages& pg) {
  p->setPen(QPen(Qt::gray, mm(0.15)));
  p->drawRect(box);
  p->setFont(pg.small());
  const Measurement* m = row.measurement;
  const QRectF label = box.adjusted(mm(1), mm(0.5), -mm(1), 0);
  p->setPen(Qt::black);
  p->drawText(label, Qt::AlignLeft | Qt::AlignTop,
              reportWords(pg.lang()).number + QString(" ") + QString::number(row.number));
  if (!m || !m->hasPoints() || m->curveRate < 1) {
    p->drawText(box, Qt::AlignCenter, pg.t(noCurve));
    return;
  }
  const double peak = *std::max_element(m->points.begin(), m->points.end());
  const double seconds = static_cast<double>(m->pointCount) / m->curveRate;
  p->drawText(label, Qt::AlignRight | Qt::AlignTop, num(peak, 2, pg.lang()) + " kN");
  p->drawText(box.adjusted(mm(1), 0, -mm(1), -mm(0.5)), Qt::AlignRight | Qt::AlignBottom,
              num(seconds, 1, pg.lang()) + " s");
  const QRectF plot = box.adjusted(mm(1), mm(3.5), -mm(1), -mm(3.5));
  p->setPen(QPen(row.flags ? QColor(180, 0, 0) : QColor(0, 70, 160), mm(0.2)));
  p->drawPolyline(curvePolygon(*m, plot, peak * 1.05));
}

void drawCurves(Pages& pg, const ReportStorage& t) {
  const double gap = mm(2.0);
  const double w = (pg.width() - gap * (CurvesPerRow - 1)) / CurvesPerRow;
  const double h = mm(CurveHeightMm);
  pg.keep(pg.lineHeight() * 1.5 + h + gap); // the heading with the first row of curves
  pg.text(pg.t(curvesHeading), pg.bold());
  for (std::size_t i = 0; i < t.rows.size(); i += CurvesPerRow) {
    const double at = pg.take(h + gap);
    if (!pg.painter())
      continue;
    for (std::size_t k = i; k < std::min(t.rows.size(), i + CurvesPerRow); ++k) {
      const double x = static_cast<double>(k - i) * (w + gap);
      pg.painter()->save();
      drawCurve(pg.painter(), t.rows[k], QRectF(x, at, w, h), pg);
      pg.painter()->restore();
    }
  }
}

void drawStorage(Pages& pg, const TestReport& r, const ReportStorage& t, QPaintDevice* device) {
  pg.skip(pg.lineHeight());
  pg.keep(pg.lineHeight() * 8); // heading, dolly line and the table's first rows together
  pg.text(pg.t(storageHeading).arg(fromLatin1(t.sampleName), fromLatin1(t.storageName)), pg.bold());
  pg.paragraph(pg.t(dollyText)
                   .arg(num(t.area, r.forceDecimals, pg.lang()))
                   .arg(num(t.diameter, 1, pg.lang()))
                   .arg(num(t.speed, r.forceDecimals, pg.lang())),
               pg.body());
  const std::vector<Column> columns = columnsFor(pg, r, t, device);
  QStringList titles;
  qsizetype lines = 1;
  const QFontMetricsF bold(pg.bold(), device);
  for (const Column& c : columns) {
    titles << wrapWords(c.title, c.width - mm(2.0), bold);
    lines = std::max(lines, titles.back().count('\n') + 1);
  }
  drawRow(pg, columns, titles, pg.bold(), bold.height() * static_cast<double>(lines) + mm(1.5),
          true);
  for (std::size_t i = 0; i < t.rows.size(); ++i)
    drawRow(pg, columns, cellsOf(t.rows[i], t, r, pg.lang()), pg.body(), pg.lineHeight(),
            i % 2 == 1);
  const StorageStatistics& s = t.statistics;
  const int d = r.tensionDecimals;
  const Language& l = pg.lang();
  pg.skip(pg.lineHeight() * 0.3);
  pg.paragraph(pg.t(statisticsText)
                       .arg(s.statCount)
                       .arg(num(s.mean, d, l), num(s.sa, d, l), num(t.variation, 1, l),
                            num(s.mean - s.vb, d, l), num(s.mean + s.vb, d, l),
                            num(s.minimum, d, l), num(s.maximum, d, l)) +
                   " " + fromLatin1(r.bondUnit),
               pg.body());
  drawCurves(pg, t);
}

int drawReport(QPdfWriter& writer, QPainter* painter, const TestReport& r, const Language& lang,
               int total) {
  Pages pg(writer, painter, lang, total);
  drawHeader(pg, r);
  if (r.storages.empty())
    pg.paragraph(pg.t(noStorage), pg.body());
  for (const ReportStorage& t : r.storages)
    drawStorage(pg, r, t, &writer);
  pg.finish();
  return pg.pages();
}

} // namespace

bool makeReportPdf(const TestReport& r, const Language& lang, PaperSize paper, std::string& bytes) {
  QByteArray out;
  QBuffer buffer(&out);
  if (!buffer.open(QIODevice::WriteOnly))
    return false;
  QPdfWriter writer(&buffer);
  writer.setResolution(Dpi);
  writer.setCreator("Zarvik");
  writer.setTitle(pick(lang, heading) + " " + fromLatin1(r.identNumber));
  writer.setPageLayout(
      QPageLayout(QPageSize(paper == PaperSize::Letter ? QPageSize::Letter : QPageSize::A4),
                  QPageLayout::Portrait, QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm),
                  QPageLayout::Millimeter));
  const int total = drawReport(writer, nullptr, r, lang, 0);
  QPainter painter;
  if (!painter.begin(&writer))
    return false;
  drawReport(writer, &painter, r, lang, total);
  if (!painter.end())
    return false;
  buffer.close();
  bytes.assign(out.constData(), static_cast<std::size_t>(out.size()));
  return !bytes.empty();
}

} // namespace zv
