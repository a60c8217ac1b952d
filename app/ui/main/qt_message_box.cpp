#include "ui/main/qt_message_box.h"

#include <QApplication>
#include <QMetaObject>
#include <QPushButton>
#include <QThread>
#include <QWidget>

namespace verosa {

using platform::kMbDefButton2;
using platform::kMbDefButton3;
using platform::kMbDefMask;
using platform::kMbIconError;
using platform::kMbIconInformation;
using platform::kMbIconMask;
using platform::kMbIconQuestion;
using platform::kMbIconWarning;
using platform::kMbTypeMask;

namespace {

// The buttons of a style in their classic order (first = default).
std::vector<QMessageBox::StandardButton> ButtonOrder(unsigned style) {
  switch (style & kMbTypeMask) {
    case platform::kMbOkCancel: return {QMessageBox::Ok, QMessageBox::Cancel};
    case platform::kMbYesNoCancel: return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    case platform::kMbYesNo: return {QMessageBox::Yes, QMessageBox::No};
    case platform::kMbRetryCancel: return {QMessageBox::Retry, QMessageBox::Cancel};
    default: return {QMessageBox::Ok};
  }
}

}  // namespace

QMessageBox::StandardButtons MessageBoxButtons(unsigned style) {
  QMessageBox::StandardButtons buttons;
  for (QMessageBox::StandardButton button : ButtonOrder(style)) buttons |= button;
  return buttons;
}

QMessageBox::StandardButton MessageBoxDefaultButton(unsigned style) {
  const std::vector<QMessageBox::StandardButton> order = ButtonOrder(style);
  std::size_t index = 0;
  if ((style & kMbDefMask) == kMbDefButton2) index = 1;
  if ((style & kMbDefMask) == kMbDefButton3) index = 2;
  return index < order.size() ? order[index] : order.front();
}

QMessageBox::Icon MessageBoxIcon(unsigned style) {
  switch (style & kMbIconMask) {
    case kMbIconError: return QMessageBox::Critical;
    case kMbIconQuestion: return QMessageBox::Question;
    case kMbIconWarning: return QMessageBox::Warning;
    case kMbIconInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

int MessageBoxResultOf(QMessageBox::StandardButton button, unsigned style) {
  switch (button) {
    case QMessageBox::Ok: return platform::kIdOk;
    case QMessageBox::Cancel: return platform::kIdCancel;
    case QMessageBox::Yes: return platform::kIdYes;
    case QMessageBox::No: return platform::kIdNo;
    case QMessageBox::Retry: return platform::kIdRetry;
    default: break;
  }
  // Closed without a button: Cancel where the box has one, else its only
  // answer.
  const std::vector<QMessageBox::StandardButton> order = ButtonOrder(style);
  for (QMessageBox::StandardButton b : order)
    if (b == QMessageBox::Cancel) return platform::kIdCancel;
  return order.size() == 1 ? platform::kIdOk : platform::kIdNo;
}

namespace {

QWidget* OwnerWidget() {
  QWidget* parent = QApplication::activeModalWidget();
  if (!parent) parent = QApplication::activeWindow();
  return parent;
}

int ShowOnGuiThread(const std::string& text, const std::string& caption, unsigned style) {
  QMessageBox box(MessageBoxIcon(style), QString::fromStdString(caption),
                  QString::fromStdString(text), MessageBoxButtons(style), OwnerWidget());
  box.setDefaultButton(MessageBoxDefaultButton(style));
  const std::vector<QMessageBox::StandardButton> order = ButtonOrder(style);
  if (order.size() == 1) box.setEscapeButton(order.front());
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  const QMessageBox::StandardButton button =
      clicked ? box.standardButton(clicked) : QMessageBox::NoButton;
  return MessageBoxResultOf(button, style);
}

}  // namespace

int ShowQtMessageBox(platform::WindowHandle, const std::string& text, const std::string& caption,
                     unsigned style) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return platform::DefaultButton(style);
  if (QThread::currentThread() == app->thread()) return ShowOnGuiThread(text, caption, style);
  int result = platform::DefaultButton(style);
  QMetaObject::invokeMethod(
      app, [&] { result = ShowOnGuiThread(text, caption, style); }, Qt::BlockingQueuedConnection);
  return result;
}

QtMessageBoxes::QtMessageBoxes() { previous_ = platform::SetMessageBoxHandler(ShowQtMessageBox); }

QtMessageBoxes::~QtMessageBoxes() { platform::SetMessageBoxHandler(previous_); }

}  // namespace verosa
