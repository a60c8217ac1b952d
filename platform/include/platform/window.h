// Window handles and window messages. A receiver registers a MessageSink and
// gets a 32-bit handle that other components (worker threads among them) use
// to reach it. SendMessage blocks until the sink has handled the message on
// its owning thread; PostMessage queues it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace platform {

using WindowHandle = std::uint32_t;
inline constexpr WindowHandle kNoWindow = 0;

// Message numbers keep their classic values.
inline constexpr std::uint32_t kWmUser = 0x0400;
inline constexpr std::uint32_t kWmApp = 0x8000;

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Handles one message; always called on the owning thread.
  virtual std::intptr_t OnMessage(std::uint32_t message, std::uintptr_t wparam,
                                  std::intptr_t lparam) = 0;
  // Runs `call` on the owning thread, waiting for it to finish when `wait`.
  virtual void RunOnOwnerThread(std::function<void()> call, bool wait) = 0;
  virtual bool IsOwnerThread() const = 0;
  // The window is being unregistered: senders waiting in RunOnOwnerThread
  // must be let go (their calls dropped) and later calls refused at once.
  virtual void Close() {}
  // Offers every caption and control text of the window for replacement
  // (used to translate a dialog). Windows without texts offer none.
  virtual void VisitTexts(const std::function<void(std::string& text)>& visit) { (void)visit; }
};

WindowHandle RegisterWindow(MessageSink* sink);
// Removes the window; returns when no other thread is inside a send to it
// any more, so the sink may be destroyed afterwards.
void UnregisterWindow(WindowHandle window);
bool IsWindow(WindowHandle window);
MessageSink* FindWindow(WindowHandle window);

// 0 when the window does not exist.
std::intptr_t SendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                          std::intptr_t lparam);
bool PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                 std::intptr_t lparam);

// A sink for programs without a window system: messages from other threads
// wait in a queue until the owning thread pumps it.
class QueuedSink : public MessageSink {
 public:
  QueuedSink();
  ~QueuedSink() override;
  void RunOnOwnerThread(std::function<void()> call, bool wait) override;
  bool IsOwnerThread() const override;
  void Close() override;
  // Runs everything queued so far; returns the number of calls run.
  int ProcessPending();
  // Waits up to `timeout_ms` for at least one call, then runs the queue.
  int WaitAndProcess(int timeout_ms);

 protected:
  // A call has been queued (the queue's lock is held): a sink driven by an
  // event loop asks it here to run ProcessPending soon.
  virtual void CallQueued() {}

 private:
  struct Call {
    std::function<void()> fn;
    bool* done = nullptr;
  };
  std::thread::id owner_;
  std::mutex mutex_;
  std::condition_variable queued_;
  std::condition_variable finished_;
  std::deque<Call> calls_;
  bool closed_ = false;
};

}  // namespace platform
