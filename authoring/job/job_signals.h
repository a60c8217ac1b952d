// What a running job shares with its caller: the window that receives the
// notification messages, the status word and the abort flag.
#pragma once

#include <atomic>
#include <cstdint>

#include "pennock/pennock.h"
#include "platform/window.h"

namespace pennock {

// Notification messages sent (blocking) to the job's window.
inline constexpr std::uint32_t kMsgProgress = platform::kWmUser + 1;  // lParam: percent
inline constexpr std::uint32_t kMsgStatus = platform::kWmUser + 2;    // wParam: status code
inline constexpr std::uint32_t kMsgOverall = platform::kWmUser + 6;   // lParam: half the overall value

struct JobSignals {
  platform::WindowHandle window = platform::kNoWindow;
  std::atomic<std::int32_t>* status = nullptr;
  const std::atomic<std::int32_t>* abort = nullptr;

  bool Aborted() const { return abort && abort->load(std::memory_order_relaxed) == 1; }
  // Sets the status word and tells the window.
  void SendStatus(std::int32_t code, std::intptr_t lparam = 0) const {
    if (status) status->store(code, std::memory_order_relaxed);
    Send(kMsgStatus, static_cast<std::uintptr_t>(code), lparam);
  }
  void Send(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) const {
    if (window != platform::kNoWindow) platform::SendMessage(window, message, wparam, lparam);
  }
};

}  // namespace pennock
