// QtWindowSink: a window of the platform layer that lives on the Qt GUI
// thread. Messages sent from other threads are queued and run from the Qt
// event loop; a sender that waits is held until its call has run or the
// window is closed.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/window.h"

namespace verosa {

class QtWindowSink : public platform::QueuedSink {
 public:
  using Handler = std::function<std::intptr_t(std::uint32_t message, std::uintptr_t wparam,
                                              std::intptr_t lparam)>;
  using TextVisitor = std::function<void(const std::function<void(std::string& text)>& visit)>;

  // Must be created on the GUI thread. `handler` answers the messages;
  // `texts` offers the window's texts for translation.
  explicit QtWindowSink(Handler handler = {}, TextVisitor texts = {});
  // Unregisters the window (letting waiting senders go).
  ~QtWindowSink() override;
  QtWindowSink(const QtWindowSink&) = delete;
  QtWindowSink& operator=(const QtWindowSink&) = delete;

  // Registers the sink once and returns its handle.
  platform::WindowHandle Register();
  // Removes the window; returns when no other thread is inside a send.
  void Unregister();
  platform::WindowHandle Handle() const { return handle_; }

  std::intptr_t OnMessage(std::uint32_t message, std::uintptr_t wparam,
                          std::intptr_t lparam) override;
  void VisitTexts(const std::function<void(std::string& text)>& visit) override;

 protected:
  // Asks the Qt event loop to run the queue.
  void CallQueued() override;

 private:
  Handler handler_;
  TextVisitor texts_;
  // Receiver of the queued run requests; with it gone, pending requests
  // are dropped by Qt.
  std::unique_ptr<QObject> context_;
  platform::WindowHandle handle_ = platform::kNoWindow;
};

}  // namespace verosa
