#include "platform/window.h"

#include <chrono>
#include <map>

namespace platform {
namespace {

struct Registry {
  std::mutex mutex;
  std::condition_variable idle;
  std::map<WindowHandle, MessageSink*> sinks;
  // Senders inside a sink's RunOnOwnerThread or OnMessage, and the messages
  // the owner thread is handling right now: a sink is gone for good only
  // when every sender has left it.
  std::map<const MessageSink*, int> in_flight;
  std::map<const MessageSink*, int> handling;
  WindowHandle next = 0x10000;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

// Finds the sink and counts the caller as one of its senders.
MessageSink* Acquire(WindowHandle window) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  const auto it = r.sinks.find(window);
  if (it == r.sinks.end()) return nullptr;
  ++r.in_flight[it->second];
  return it->second;
}

void Release(const MessageSink* sink) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  if (--r.in_flight[sink] == 0) r.in_flight.erase(sink);
  r.idle.notify_all();
}

std::intptr_t Dispatch(MessageSink* sink, std::uint32_t message, std::uintptr_t wparam,
                       std::intptr_t lparam) {
  Registry& r = TheRegistry();
  {
    std::lock_guard lock(r.mutex);
    ++r.handling[sink];
  }
  const std::intptr_t result = sink->OnMessage(message, wparam, lparam);
  std::lock_guard lock(r.mutex);
  if (--r.handling[sink] == 0) r.handling.erase(sink);
  r.idle.notify_all();
  return result;
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
  MessageSink* sink = nullptr;
  {
    std::lock_guard lock(r.mutex);
    const auto it = r.sinks.find(window);
    if (it == r.sinks.end()) return;
    sink = it->second;
    r.sinks.erase(it);
  }
  // Senders waiting for the owner thread are let go, then waited for (all
  // but those whose message the owner thread is handling right now).
  sink->Close();
  std::unique_lock lock(r.mutex);
  r.idle.wait(lock, [&] {
    const auto sending = r.in_flight.find(sink);
    const auto handled = r.handling.find(sink);
    const int senders = sending == r.in_flight.end() ? 0 : sending->second;
    const int served = handled == r.handling.end() ? 0 : handled->second;
    return senders <= served;
  });
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
  MessageSink* sink = Acquire(window);
  if (!sink) return 0;
  std::intptr_t result = 0;
  if (sink->IsOwnerThread()) {
    result = Dispatch(sink, message, wparam, lparam);
  } else {
    sink->RunOnOwnerThread(
        [&] {
          // The window may have gone while the call waited in its queue.
          if (FindWindow(window) == sink) result = Dispatch(sink, message, wparam, lparam);
        },
        true);
  }
  Release(sink);
  return result;
}

bool PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                 std::intptr_t lparam) {
  MessageSink* sink = Acquire(window);
  if (!sink) return false;
  // The call runs later on the owner thread, from the sink's own queue,
  // which goes away with the sink.
  sink->RunOnOwnerThread(
      [window, sink, message, wparam, lparam] {
        if (FindWindow(window) == sink) Dispatch(sink, message, wparam, lparam);
      },
      false);
  Release(sink);
  return true;
}

QueuedSink::QueuedSink() : owner_(std::this_thread::get_id()) {}

QueuedSink::~QueuedSink() { Close(); }

bool QueuedSink::IsOwnerThread() const { return std::this_thread::get_id() == owner_; }

void QueuedSink::RunOnOwnerThread(std::function<void()> call, bool wait) {
  if (wait && IsOwnerThread()) {
    call();
    return;
  }
  std::unique_lock lock(mutex_);
  if (closed_) return;
  bool done = false;
  calls_.push_back({std::move(call), wait ? &done : nullptr});
  queued_.notify_all();
  CallQueued();
  if (wait) finished_.wait(lock, [&] { return done; });
}

void QueuedSink::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  for (Call& call : calls_)
    if (call.done) *call.done = true;
  calls_.clear();
  finished_.notify_all();
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
