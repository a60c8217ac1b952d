#include "ui/main/splash.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QScreen>

#include "ui/skin/page_skin.h"

namespace verosa {
namespace {

bool g_shown = false;

}  // namespace

Splash* Splash::ShowOnce() {
  if (g_shown) return nullptr;
  const QImage picture = LoadSkinImage(SkinsFolder() / "splash.bmp");
  if (picture.isNull()) return nullptr;
  g_shown = true;
  auto* splash = new Splash(picture);
  splash->setAttribute(Qt::WA_DeleteOnClose);
  splash->Start();
  return splash;
}

bool Splash::Shown() { return g_shown; }

Splash::Splash(const QImage& picture)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture_(picture.convertToFormat(QImage::Format_RGB32)) {
  setObjectName("Splash");
  setAttribute(Qt::WA_NoSystemBackground);
  // Closing the main window ends the program even while the splash shows.
  setAttribute(Qt::WA_QuitOnClose, false);
  setFixedSize(picture_.size());
  setMask(BuildShapeRegion(picture_));
  timer_.setSingleShot(true);
  timer_.setInterval(kShowMs);
  connect(&timer_, &QTimer::timeout, this, [this] { Finish(); });
}

Splash::~Splash() {
  if (filtering_) qApp->removeEventFilter(this);
}

void Splash::Start() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  show();
  raise();
  if (!filtering_) {
    qApp->installEventFilter(this);
    filtering_ = true;
  }
  timer_.start();
}

void Splash::Finish() {
  timer_.stop();
  if (filtering_) {
    qApp->removeEventFilter(this);
    filtering_ = false;
  }
  close();
}

bool Splash::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      // Only real input: the filter sees every object's events, and the
      // window system's key goes to the focus widget once.
      if (watched->isWidgetType() || watched->isWindowType()) {
        Finish();
        return true;
      }
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

void Splash::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(QPoint(0, 0), picture_);
}

}  // namespace verosa
