#include "platform/window.h"

#include <chrono>
#include <map>

namespace platform {
namespace {

struct Registry {
  std::mutex mutex;
  std::map<WindowHandle, MessageSink*> sinks;
  WindowHandle next = 0x10000;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

WindowHandle RegisterWindow(MessageSink* sink) {
  if (!sink) return kNoWindow;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  // Handles are never 0 and never reused while the program runs long enough to matter.
  WindowHandle handle = r.next;
  r.next += 4;
  if (r.next < 0x10000) r.next = 0x10000;
  r.sinks[handle] = sink;
  return handle;
}

void UnregisterWindow(WindowHandle window) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.sinks.erase(window);
}

MessageSink* FindWindow(WindowHandle window) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  const auto it = r.sinks.find(window);
  return it == r.sinks.end() ? nullptr : it->second;
}

bool IsWindow(WindowHandle window) { return FindWindow(window) != nullptr; }

std::intptr_t SendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                          std::intptr_t lparam) {
  MessageSink* sink = FindWindow(window);
  if (!sink) return 0;
  if (sink->IsOwnerThread()) return sink->OnMessage(message, wparam, lparam);
  std::intptr_t result = 0;
  sink->RunOnOwnerThread(
      [&] {
        // The window may have gone while the call waited in its queue.
        if (FindWindow(window) == sink) result = sink->OnMessage(message, wparam, lparam);
      },
      true);
  return result;
}

bool PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                 std::intptr_t lparam) {
  MessageSink* sink = FindWindow(window);
  if (!sink) return false;
  sink->RunOnOwnerThread(
      [window, sink, message, wparam, lparam] {
        if (FindWindow(window) == sink) sink->OnMessage(message, wparam, lparam);
      },
      false);
  return true;
}

QueuedSink::QueuedSink() : owner_(std::this_thread::get_id()) {}

bool QueuedSink::IsOwnerThread() const { return std::this_thread::get_id() == owner_; }

void QueuedSink::RunOnOwnerThread(std::function<void()> call, bool wait) {
  if (wait && IsOwnerThread()) {
    call();
    return;
  }
  std::unique_lock lock(mutex_);
  bool done = false;
  calls_.push_back({std::move(call), wait ? &done : nullptr});
  queued_.notify_all();
  if (wait) finished_.wait(lock, [&] { return done; });
}

int QueuedSink::ProcessPending() {
  int count = 0;
  for (;;) {
    Call call;
    {
      std::lock_guard lock(mutex_);
      if (calls_.empty()) break;
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

int QueuedSink::WaitAndProcess(int timeout_ms) {
  {
    std::unique_lock lock(mutex_);
    queued_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] { return !calls_.empty(); });
  }
  return ProcessPending();
}

}  // namespace platform
