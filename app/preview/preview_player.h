// The audio preview player of the Edit page: plays one media file through
// FFmpeg (decoding, conversion to 16-bit stereo) and SDL2 (audio output).
// It has no picture and shows nothing to the user; failures go to the debug
// log (set VEROSA_PLAYER_LOG=1 to see it on stderr).
//
// The owner window polls the position and drives play, pause, stop, seeking
// and volume. When the end of the file has been played, the player posts
// kGraphNotifyMessage to the owner window; the owner's handler calls
// HandleGraphEvents, which posts kPlaybackEndedMessage back to it. Both are
// posted, never sent, so the owner may release or reopen the player from
// its handler.
//
// The audio device is opened only when playback starts, so a machine
// without sound runs the program; OpenAndPlay then fails.
//
// Not thread-safe: call every operation from the owner's thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/window.h"

namespace verosa {

// Events are waiting: the owner calls HandleGraphEvents.
inline constexpr std::uint32_t kGraphNotifyMessage = platform::kWmApp + 1;    // 0x8001
// The file has been played to its end.
inline constexpr std::uint32_t kPlaybackEndedMessage = platform::kWmUser + 200;  // 0x04C8

// Volume in hundredths of a decibel.
inline constexpr int kVolumeFull = 0;
inline constexpr int kVolumeQuietest = -3000;

// One play state for the whole process: only one player is in use at a time.
enum class PlayState { Stopped = 0, Paused = 1, Running = 2 };

class PreviewPlayer {
 public:
  PreviewPlayer();
  virtual ~PreviewPlayer();
  PreviewPlayer(const PreviewPlayer&) = delete;
  PreviewPlayer& operator=(const PreviewPlayer&) = delete;

  void SetOwnerWindow(platform::WindowHandle owner);
  platform::WindowHandle OwnerWindow() const { return owner_; }

  // Prepares an empty pipeline (no file, no audio device yet).
  bool Initialize();

  // Releases the current pipeline, opens `path` on a fresh one (the reader
  // is chosen by the file's content), opens the audio device and starts
  // playing. False when any step fails; the player is stopped then.
  bool OpenAndPlay(const std::filesystem::path& path);

  // Pauses when playing; when paused, seeks to the start of the current
  // whole percent and plays on. False while stopped.
  bool PauseResume();
  bool StopPlayback();

  // Stops and frees the pipeline: decoder, audio device, file. False when
  // there was none.
  bool ReleaseGraph();

  // Drains the pipeline's events; posts kPlaybackEndedMessage to the owner
  // for the completion event. Returns the number of events handled.
  int HandleGraphEvents();

  // Reads the duration of the open file (0 first). False without a file.
  bool ReadDuration();
  // Duration in 100-nanosecond units, as last read; 0 when unknown.
  std::int64_t Duration() const { return duration_; }
  // Duration of the open file in whole seconds, -1 without a file.
  int DurationSeconds() const;

  // Position × 100 / duration (truncated); 0 when the duration is 0 or no
  // file is open.
  int GetPositionPercent() const;
  // The position as "%02dm:%02ds"; empty without a file.
  std::string GetPositionText() const;
  // The position in 100-nanosecond units, -1 without a file.
  std::int64_t GetPosition() const;

  // Moves to duration × percent / 100 (percent 0..100). False without a file.
  bool SeekPercent(int percent);
  // Moves to `position` (100-nanosecond units, clamped to the file). False
  // without a file.
  bool SetPosition(std::int64_t position);

  // Accepts kVolumeQuietest..kVolumeFull; the gain on the samples is
  // 10^(volume / 2000). A refused volume leaves the volume unchanged. The
  // volume holds for every file played afterwards. False before Initialize.
  bool SetVolume(int volume);
  bool GetVolume(int& volume) const;

  bool IsPlaying() const { return State() == PlayState::Running; }
  bool IsPaused() const { return State() == PlayState::Paused; }
  static PlayState State();

  // The name of the reader FFmpeg chose for the open file ("mp3", "asf",
  // "wav", ...); empty without a file.
  std::string ReaderName() const;

  // Not used by the player; kept for the owner.
  std::string text;

 private:
  struct Pipeline;

  bool Run();
  bool Pause();
  bool Stop();

  platform::WindowHandle owner_ = platform::kNoWindow;
  int volume_ = kVolumeFull;
  std::int64_t duration_ = 0;
  std::unique_ptr<Pipeline> pipeline_;
};

}  // namespace verosa
