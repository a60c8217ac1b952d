// The recorder dialog: the capture devices and their inputs, live input
// levels, and Record / Pause / Stop / Play over one recording file. "&Save"
// closes it with OK and the recording complete; Cancel deletes the recording.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "recorder/recorder.h"
#include "recorder/wav_player.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;

namespace carrowell {

class RecorderDlg : public QDialog {
 public:
  static constexpr int kIdPlay = 3001;
  static constexpr int kIdPause = 3002;
  static constexpr int kIdStop = 3003;
  static constexpr int kIdRecord = 3004;
  static constexpr int kIdLeftLevel = 3005;
  static constexpr int kIdRightLevel = 3006;
  static constexpr int kIdTime = 3007;
  static constexpr int kIdDevices = 3009;
  static constexpr int kIdInputs = 3011;
  static constexpr int kIdSave = 3013;
  static constexpr int kIdCancel = 3015;
  static constexpr int kLevelRange = 32767;

  // Empties (or creates) the recording file and starts the first device.
  explicit RecorderDlg(const std::string& recording_path, QWidget* parent = nullptr);
  ~RecorderDlg() override;

  // False when no device could capture (the user has been told); the
  // dialog is not to be shown then.
  bool Ready() const { return ready_; }
  const std::string& RecordingPath() const { return path_; }

  void Record();
  void Pause();
  void Stop();
  void Play();
  // One second of the elapsed-time timer.
  void Tick();
  // Looks at the device and the file (the watch timer runs it).
  void Watch();
  void accept() override;
  void reject() override;

 private:
  class Window;

  void ChooseDevice();
  void FillDevices();
  void EnableTransport(bool record, bool pause, bool stop, bool play, bool lists);
  void ShowElapsed();
  void ShowLevels(int left, int right);
  // Ends recording and playback; the file is complete. False after a write failure.
  bool Finish();
  std::intptr_t OnMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);

  std::string path_;
  bool ready_ = false;
  bool paused_ = false;
  bool lost_ = false;
  int elapsed_ = 0;
  std::unique_ptr<Window> window_;
  WavPlayer player_;
  Recorder recorder_;

  QLabel* time_ = nullptr;
  QProgressBar* left_ = nullptr;
  QProgressBar* right_ = nullptr;
  QPushButton* record_ = nullptr;
  QPushButton* pause_ = nullptr;
  QPushButton* stop_ = nullptr;
  QPushButton* play_ = nullptr;
  QListWidget* devices_ = nullptr;
  QListWidget* inputs_ = nullptr;
  QTimer* timer_ = nullptr;
  QTimer* watch_ = nullptr;
};

}  // namespace carrowell
