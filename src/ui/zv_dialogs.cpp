#include "ui/zv_dialogs.hpp"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/zv_latin1.hpp"
#include "program/zv_program.hpp"
#include "ui/zv_qt_ports.hpp"

namespace zv {

namespace {
// The start screen's picture when no start.jpg is installed: a test dolly pulled off a coated
// plate, drawn like the program's icon.
class PullOffArtwork final : public QWidget {
public:
  explicit PullOffArtwork(QWidget* parent) : QWidget(parent) {
    setObjectName("ARTWORK");
    setFixedSize(360, 200);
  }

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x4e, 0x79));
    p.drawRoundedRect(rect(), 18, 18);
    const QColor coating(0xe8, 0xa3, 0x3d), metal(0xf2, 0xf2, 0xf2);
    p.setBrush(QColor(0xc9, 0xd3, 0xdd)); // the plate
    p.drawRoundedRect(QRectF(30, 150, 300, 30), 5, 5);
    p.setBrush(coating);
    p.drawRoundedRect(QRectF(30, 143, 300, 10), 3, 3);
    p.setBrush(metal); // the dolly, lifted off with its piece of coating
    p.drawRoundedRect(QRectF(145, 96, 70, 34), 5, 5);
    p.drawRect(QRectF(169, 72, 22, 26));
    p.setBrush(coating);
    p.drawRoundedRect(QRectF(145, 130, 70, 7), 2, 2);
    QPainterPath arrow; // the pull
    arrow.moveTo(180, 14);
    arrow.lineTo(208, 44);
    arrow.lineTo(191, 44);
    arrow.lineTo(191, 66);
    arrow.lineTo(169, 66);
    arrow.lineTo(169, 44);
    arrow.lineTo(152, 44);
    arrow.closeSubpath();
    p.setBrush(QColor(0x7f, 0xd3, 0x5b));
    p.drawPath(arrow);
  }
};

} // namespace

QString programTitled(const Program& p, const TextPair& own) {
  return QString::fromLatin1(p.texts[GeneralText::ProgramTitle]) + " - " + pick(p.lang, own);
}

StartScreen::StartScreen(const Program& program, const QString& picture, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen) {
  setObjectName("START");
  auto* layout = new QVBoxLayout(this);
  QFileInfo info(picture);
  if (info.exists() && info.size() > 0) {
    auto* image = new QLabel(this);
    image->setObjectName("PICTURE");
    image->setPixmap(QPixmap(picture));
    layout->addWidget(image);
  } else {
    layout->addWidget(new PullOffArtwork(this), 0, Qt::AlignHCenter);
  }
  for (const std::string& line : program.startScreenLines()) {
    auto* label = new QLabel(fromLatin1(line), this);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
  }
}

VersionInfoDialog::VersionInfoDialog(const Program& program, QWidget* parent) : QDialog(parent) {
  static const TextPair title{"Help - Version Info", "Hilfe - Versions Info"};
  static const TextPair close{"Close", "Schließen"_l1};
  static const TextPair description{"Data Base for \nPulloff Force Measuring with\nZarvik 850",
                                    "Datenbank für Abzugs\n-kraftmessungen mit\nZarvik 850"_l1};
  setWindowTitle(programTitled(program, title));
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLabel(pick(program.lang, description), this);
  text->setObjectName("DESCRIPTION");
  layout->addWidget(text);
  auto* form = new QFormLayout;
  auto* version = new QLabel(QString::fromStdString(Program::versionText()), this);
  version->setObjectName("VERSION");
  auto* date = new QLabel(ProgramDate, this);
  date->setObjectName("DATE");
  auto* code = new QLabel(QString::fromStdString(Program::programCodeText()), this);
  code->setObjectName("CODE");
  static const TextPair versionLabel{"Version", "Version"};
  static const TextPair dateLabel{"Date", "Datum"};
  static const TextPair codeLabel{"Code", "Kennung"};
  form->addRow(pick(program.lang, versionLabel), version);
  form->addRow(pick(program.lang, dateLabel), date);
  form->addRow(pick(program.lang, codeLabel), code);
  layout->addLayout(form);
  auto* quit = new QPushButton(pick(program.lang, close), this);
  quit->setObjectName("QUIT");
  connect(quit, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(quit);
}

DaqInfoDialog::DaqInfoDialog(const Program& program, QWidget* parent) : QDialog(parent) {
  const DaqDialogTexts t = dataAcquisitionDialogTexts(program.meas.params, program.lang);
  setWindowTitle(fromLatin1(t.title));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(fromLatin1(t.heading), this));
  auto* form = new QFormLayout;
  const char* names[] = {"PRODUCT", "VERSION", "SERIAL", "DEVICE"};
  for (std::size_t i = 0; i < t.captions.size(); ++i) {
    auto* value = new QLabel(fromLatin1(t.values[i]), this);
    value->setObjectName(names[i]);
    form->addRow(fromLatin1(t.captions[i]), value);
  }
  layout->addLayout(form);
  auto* close = new QPushButton(QString::fromLatin1(program.texts[GeneralText::Ok]), this);
  close->setObjectName("QUIT");
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(close);
}

ExitDialog::ExitDialog(const Program& program, QWidget* parent) : QDialog(parent) {
  static const TextPair title{"File - Exit Program", "Datei - Program beenden"};
  static const TextPair question{"Exit Program", "Programm beenden"};
  setWindowTitle(programTitled(program, title));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(pick(program.lang, question), this));
  auto* buttons = new QDialogButtonBox(this);
  auto* yes = buttons->addButton(QString::fromLatin1(program.texts[GeneralText::Yes]),
                                 QDialogButtonBox::AcceptRole);
  auto* no = buttons->addButton(QString::fromLatin1(program.texts[GeneralText::No]),
                                QDialogButtonBox::RejectRole);
  yes->setObjectName("YES");
  no->setObjectName("NO");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

} // namespace zv
