#include "ui/common/qt_window_sink.h"

#include <QMetaObject>

namespace verosa {

QtWindowSink::QtWindowSink(Handler handler, TextVisitor texts)
    : handler_(std::move(handler)), texts_(std::move(texts)), context_(std::make_unique<QObject>()) {}

QtWindowSink::~QtWindowSink() {
  Unregister();
  Close();
  context_.reset();
}

platform::WindowHandle QtWindowSink::Register() {
  if (handle_ == platform::kNoWindow) handle_ = platform::RegisterWindow(this);
  return handle_;
}

void QtWindowSink::Unregister() {
  if (handle_ == platform::kNoWindow) return;
  const platform::WindowHandle handle = handle_;
  handle_ = platform::kNoWindow;
  platform::UnregisterWindow(handle);
}

std::intptr_t QtWindowSink::OnMessage(std::uint32_t message, std::uintptr_t wparam,
                                      std::intptr_t lparam) {
  return handler_ ? handler_(message, wparam, lparam) : 0;
}

void QtWindowSink::VisitTexts(const std::function<void(std::string& text)>& visit) {
  if (texts_) texts_(visit);
}

void QtWindowSink::CallQueued() {
  QMetaObject::invokeMethod(context_.get(), [this] { ProcessPending(); }, Qt::QueuedConnection);
}

}  // namespace verosa
