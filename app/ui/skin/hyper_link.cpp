#include "ui/skin/hyper_link.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEnterEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include "platform/message_box.h"

namespace verosa {
namespace {

constexpr const char* kOpenFailurePrefix = "Can't open link:\n\n";
// Caption of the failure box: the program's name.
constexpr const char* kOpenFailureCaption = "Verosa";

QColor FromColorRef(std::uint32_t colour) {
  return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

}  // namespace

CHyperLink::CHyperLink(const QString& text, QWidget* parent)
    : QLabel(text, parent), opener_(&CHyperLink::OpenWithDesktop) {
  setAutoFillBackground(false);
  ApplyFlags();
  Refresh();
}

CHyperLink::~CHyperLink() = default;

void CHyperLink::SetURL(const QString& url) {
  url_ = url;
  Refresh();
}

QString CHyperLink::URL() const { return url_.isEmpty() ? text() : url_; }

void CHyperLink::SetWindowText(const QString& text) {
  setText(text);
  Refresh();
}

void CHyperLink::SetFlags(unsigned flags) {
  flags_ = flags;
  ApplyFlags();
  Refresh();
}

void CHyperLink::ApplyFlags() {
  link_font_ = font();
  link_font_.setUnderline(flags_ & kUnderline);
  if (flags_ & kNoHandCursor) unsetCursor();
  else setCursor(Qt::PointingHandCursor);
  setFocusPolicy((flags_ & kGetFocusOnClick) ? Qt::StrongFocus : Qt::TabFocus);
}

void CHyperLink::Refresh() {
  if (flags_ & kAutoSize) SizeToText();
  setToolTip(URL());
  update();
}

void CHyperLink::SetVisited(bool visited) {
  visited_ = visited;
  update();
}

QColor CHyperLink::CurrentColor() const {
  if (over_ && (flags_ & kUseHover)) return FromColorRef(kHoverColor);
  if (active_ && !(flags_ & kNoActiveColor)) return FromColorRef(kActiveColor);
  if (visited_) return FromColorRef(kVisitedColor);
  return FromColorRef(kLinkColor);
}

void CHyperLink::SetLinkOpener(LinkOpener opener) {
  opener_ = opener ? std::move(opener) : LinkOpener(&CHyperLink::OpenWithDesktop);
}

QString CHyperLink::OpenFailureReason(int code) {
  switch (code) {
    case kOpenOutOfResources:
      return QStringLiteral("The operating system is out\nof memory or resources.");
    case kOpenFileNotFound: return QStringLiteral("The specified file was not found.");
    case kOpenPathNotFound: return QStringLiteral("The specified path was not found.");
    case kOpenAccessDenied:
      return QStringLiteral("The operating system denied\naccess to the specified file.");
    case kOpenOutOfMemory:
      return QStringLiteral("There was not enough memory to complete the operation.");
    case kOpenBadFormat:
      return QStringLiteral("The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    case kOpenSharingViolation: return QStringLiteral("A sharing violation occurred. ");
    case kOpenAssociationIncomplete:
      return QStringLiteral("The filename association is\nincomplete or invalid.");
    case kOpenDdeTimeout:
      return QStringLiteral(
          "The DDE transaction could not\nbe completed because the request timed out.");
    case kOpenDdeFailed: return QStringLiteral("The DDE transaction failed.");
    case kOpenDdeBusy:
      return QStringLiteral(
          "The DDE transaction could not\nbe completed because other DDE transactions\n"
          "were being processed.");
    case kOpenNoAssociation:
      return QStringLiteral(
          "There is no application associated\nwith the given filename extension.");
    case kOpenLibraryNotFound:
      return QStringLiteral("The specified dynamic-link library was not found.");
    default: break;
  }
  return QStringLiteral("Unknown Error (%1) occurred.").arg(code);
}

int CHyperLink::OpenWithDesktop(const QString& url) {
  const QString trimmed = url.trimmed();
  if (trimmed.isEmpty()) return kOpenFileNotFound;
  const QUrl target = QUrl::fromUserInput(trimmed, QDir::currentPath());
  if (!target.isValid()) return kOpenFileNotFound;
  if (target.isLocalFile()) {
    const QFileInfo file(target.toLocalFile());
    if (!file.exists()) return file.absoluteDir().exists() ? kOpenFileNotFound : kOpenPathNotFound;
    if (!file.isReadable()) return kOpenAccessDenied;
  }
  return QDesktopServices::openUrl(target) ? kOpenSucceeded : kOpenNoAssociation;
}

bool CHyperLink::OpenLink() {
  const int result = opener_(URL());
  if (result <= kOpenFailureLimit) {
    QApplication::beep();
    const QString text = QString::fromLatin1(kOpenFailurePrefix) + OpenFailureReason(result);
    platform::MessageBox(platform::kNoWindow, text.toStdString(), kOpenFailureCaption,
                         platform::kMbOk | platform::kMbIconWarning);
    return false;
  }
  SetVisited(true);
  return true;
}

void CHyperLink::SizeToText() {
  const QSize wanted = sizeHint();
  const QRect old = geometry();
  const Qt::Alignment align = alignment();
  int x = old.x();
  if (align & Qt::AlignHCenter) x = old.x() + (old.width() - wanted.width()) / 2;
  else if (align & Qt::AlignRight) x = old.x() + old.width() - wanted.width();
  int y = old.y();
  if (align & Qt::AlignVCenter) y = old.y() + (old.height() - wanted.height()) / 2;
  setGeometry(x, y, wanted.width(), wanted.height());
}

QSize CHyperLink::sizeHint() const {
  const QFontMetrics metrics(link_font_);
  const QMargins margins = contentsMargins();
  const QSize text_size = metrics.size(0, text());
  return text_size.grownBy(margins);
}

void CHyperLink::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(link_font_);
  painter.setPen(CurrentColor());
  painter.drawText(contentsRect(), static_cast<int>(alignment()), text());
}

void CHyperLink::enterEvent(QEnterEvent* event) {
  over_ = true;
  update();
  QLabel::enterEvent(event);
}

void CHyperLink::leaveEvent(QEvent* event) {
  over_ = false;
  update();
  QLabel::leaveEvent(event);
}

void CHyperLink::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QLabel::mousePressEvent(event);
    return;
  }
  if (flags_ & kGetFocusOnClick) setFocus(Qt::MouseFocusReason);
  if (flags_ & kDownClick) OpenLink();
  active_ = true;
  update();
  event->accept();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QLabel::mouseReleaseEvent(event);
    return;
  }
  // Only a release on the link opens it, as if the mouse had never left.
  if (active_ && !(flags_ & kDownClick) && rect().contains(event->position().toPoint()))
    OpenLink();
  event->accept();
}

void CHyperLink::focusInEvent(QFocusEvent* event) {
  active_ = true;
  update();
  QLabel::focusInEvent(event);
}

void CHyperLink::focusOutEvent(QFocusEvent* event) {
  over_ = false;
  active_ = false;
  update();
  QLabel::focusOutEvent(event);
}

void CHyperLink::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space) {
    OpenLink();
    event->accept();
    return;
  }
  QLabel::keyPressEvent(event);
}

}  // namespace verosa
