// Plays a 16-bit PCM WAV file (the recorder's own recordings) through SDL2
// audio output. The end of the file is posted to a window.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/window.h"

namespace carrowell {

class WavPlayer {
 public:
  // Posted to the window when the last sample has been handed to the device:
  // wparam kPlaybackEvents.
  static constexpr std::uint32_t kEventMessage = 0x8001;
  static constexpr std::uintptr_t kPlaybackEvents = 1;

  WavPlayer();
  ~WavPlayer();
  WavPlayer(const WavPlayer&) = delete;
  WavPlayer& operator=(const WavPlayer&) = delete;

  // Starts playing `path`; false (Error() says why) when it is no 16-bit PCM
  // WAV with samples or the output cannot open.
  bool Play(const std::string& path, platform::WindowHandle notify);
  void Pause();
  void Resume();
  void Stop();
  bool IsActive() const { return device_ != 0; }
  const std::string& Error() const { return error_; }

 private:
  static void Callback(void* self, std::uint8_t* stream, int length);
  void Fill(std::uint8_t* stream, std::size_t length);

  bool available_ = false;
  std::string error_;
  std::uint32_t device_ = 0;
  std::FILE* file_ = nullptr;
  std::uint64_t remaining_ = 0;  // sample bytes still to play
  std::uint8_t silence_ = 0;
  platform::WindowHandle notify_ = platform::kNoWindow;
  bool ended_ = false;
};

}  // namespace carrowell
