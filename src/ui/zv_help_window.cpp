#include "ui/zv_help_window.hpp"

#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/zv_latin1.hpp"
#include "ui/zv_qt_ports.hpp"

namespace zv {

namespace {
const TextPair HelpTitle{"Help", "Hilfe"};
const TextPair BackLabel{"Back", "Zurück"_l1};
const TextPair ForwardLabel{"Forward", "Vorwärts"_l1};
const TextPair ContentsLabel{"Contents", "Inhalt"};
const TextPair CloseLabel{"Close", "Schließen"_l1};
const TextPair NotFoundText{"Help file not found: ", "Hilfedatei nicht gefunden: "};

QUrl pageUrl(const QString& file, const QString& section) {
  QUrl url = QUrl::fromLocalFile(file);
  if (!section.isEmpty())
    url.setFragment(section);
  return url;
}
} // namespace

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent) {
  setObjectName("BROWSER");
  setOpenExternalLinks(false);
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
  const QUrl url = name.isRelative() ? source().resolved(name) : name;
  if (type == QTextDocument::HtmlResource && url.isLocalFile() &&
      !QFileInfo(url.toLocalFile()).isFile()) {
    const QString text = pick(lang_, NotFoundText) + url.toLocalFile();
    return QString("<html><head><title>%1</title></head><body><p>%2</p></body></html>")
        .arg(pick(lang_, HelpTitle), text.toHtmlEscaped());
  }
  return QTextBrowser::loadResource(type, url);
}

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), browser_(new HelpBrowser(this)), back_(new QPushButton(this)),
      forward_(new QPushButton(this)), contents_(new QPushButton(this)),
      close_(new QPushButton(this)) {
  setObjectName("HELP");
  setAttribute(Qt::WA_DeleteOnClose, false);
  back_->setObjectName("BACK");
  forward_->setObjectName("FORWARD");
  contents_->setObjectName("CONTENTS");
  close_->setObjectName("CLOSE");
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {back_, forward_, contents_})
    buttons->addWidget(b);
  buttons->addStretch();
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(browser_);
  back_->setEnabled(false);
  forward_->setEnabled(false);
  connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
  connect(browser_, &QTextBrowser::backwardAvailable, back_, &QPushButton::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QPushButton::setEnabled);
  connect(contents_, &QPushButton::clicked, this,
          [this] { browser_->setSource(browser_->source().resolved(QUrl("index.html"))); });
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
  connect(browser_, &QTextBrowser::sourceChanged, this, [this] { retitle(); });
  resize(820, 640);
}

bool HelpWindow::showPage(const QString& file, const QString& section, const Language& lang) {
  if (!QFileInfo(file).isFile())
    return false;
  lang_ = lang;
  browser_->setLanguage(lang);
  back_->setText(pick(lang, BackLabel));
  forward_->setText(pick(lang, ForwardLabel));
  contents_->setText(pick(lang, ContentsLabel));
  close_->setText(pick(lang, CloseLabel));
  browser_->setSource(pageUrl(file, section));
  retitle();
  return true;
}

void HelpWindow::retitle() {
  const QString title = browser_->documentTitle();
  setWindowTitle(programTitle_ + " - " + (title.isEmpty() ? pick(lang_, HelpTitle) : title));
}

HelpKey::HelpKey(Handler handler) : handler_(std::move(handler)) {
  QCoreApplication::instance()->installEventFilter(this);
}

HelpKey::~HelpKey() {
  if (QCoreApplication* app = QCoreApplication::instance())
    app->removeEventFilter(this);
}

bool HelpKey::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
    return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier)
    return false;
  event->accept(); // a ShortcutOverride accepted here keeps the menu's F1 from firing
  if (event->type() == QEvent::ShortcutOverride)
    return true;
  std::vector<std::string> names;
  for (QWidget* w = widget->window(); w;
       w = w->parentWidget() ? w->parentWidget()->window() : nullptr)
    names.push_back(w->objectName().toStdString());
  handler_(names);
  return true;
}

} // namespace zv
