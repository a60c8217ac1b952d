#include "ui/common/qt_window_sink.h"

#include <QMetaObject>

namespace verosa {

QtWindowSink::QtWindowSink(Handler handler, TextVisitor texts)
    : handler_(std::move(handler)),
      texts_(std::move(texts)),
      owner_(std::this_thread::get_id()),
      context_(std::make_unique<QObject>()) {}

QtWindowSink::~QtWindowSink() {
  Unregister();
  Close();
  // No drain request can be posted any more; the ones waiting go with the
  // receiver.
  context_.reset();
}

platform::WindowHandle QtWindowSink::Register() {
  if (handle_ == platform::kNoWindow) {
    {
      std::lock_guard lock(mutex_);
      closed_ = false;
    }
    handle_ = platform::RegisterWindow(this);
  }
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

bool QtWindowSink::IsOwnerThread() const { return std::this_thread::get_id() == owner_; }

void QtWindowSink::RunOnOwnerThread(std::function<void()> call, bool wait) {
  if (wait && IsOwnerThread()) {
    call();
    return;
  }
  std::unique_lock lock(mutex_);
  if (closed_) return;
  bool done = false;
  calls_.push_back({std::move(call), wait ? &done : nullptr});
  if (!drain_requested_) {
    drain_requested_ = true;
    QMetaObject::invokeMethod(context_.get(), [this] { ProcessPending(); }, Qt::QueuedConnection);
  }
  if (wait) finished_.wait(lock, [&] { return done; });
}

void QtWindowSink::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  for (Call& call : calls_)
    if (call.done) *call.done = true;
  calls_.clear();
  finished_.notify_all();
}

void QtWindowSink::VisitTexts(const std::function<void(std::string& text)>& visit) {
  if (texts_) texts_(visit);
}

int QtWindowSink::ProcessPending() {
  int count = 0;
  for (;;) {
    Call call;
    {
      std::lock_guard lock(mutex_);
      if (calls_.empty()) {
        drain_requested_ = false;
        break;
      }
      call = std::move(calls_.front());
      calls_.pop_front();
    }
    call.fn();
    ++count;
    if (call.done) {
      std::lock_guard lock(mutex_);
      *call.done = true;
      finished_.notify_all();
    }
  }
  return count;
}

}  // namespace verosa
