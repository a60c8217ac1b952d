#include "ui/recorder_dlg.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMetaObject>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/message_box.h"
#include "ui/ui_text.h"

namespace carrowell {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNoHardwareText =
    "There were no audio capture devices detected on this system.\n\n"
    "If your system has an audio capture device (sound card, video camera, etc.),\n"
    "then make sure that it is working properly and that you are not running\n"
    "this sample through a Windows XP Remote Desktop connection.\n\n"
    "This sample will now exit.";
constexpr const char* kDeviceCaption = "DirectShow Audio Capture Sample";
constexpr int kWatchMs = 200;

void Tell(const char* text, const char* caption, unsigned icon, const std::string& detail = {}) {
  std::string message = UiTextStd(text);
  if (!detail.empty()) message += "\n" + detail;
  platform::MessageBox(platform::kNoWindow, message, UiTextStd(caption), platform::kMbOk | icon);
}

QIcon RecordIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(200, 0, 0));
  painter.drawEllipse(QRectF(2, 2, 12, 12));
  return QIcon(pixmap);
}

}  // namespace

// The dialog as a window of the platform layer: the recorder's levels and
// the player's end arrive from SDL's threads and run here on the GUI thread.
class RecorderDlg::Window : public platform::QueuedSink {
 public:
  explicit Window(RecorderDlg& dialog) : dialog_(dialog), context_(std::make_unique<QObject>()) {
    handle_ = platform::RegisterWindow(this);
  }
  ~Window() override {
    platform::UnregisterWindow(handle_);
    Close();
    context_.reset();
  }
  platform::WindowHandle Handle() const { return handle_; }
  std::intptr_t OnMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override {
    return dialog_.OnMessage(message, wparam, lparam);
  }

 protected:
  void CallQueued() override {
    QMetaObject::invokeMethod(context_.get(), [this] { ProcessPending(); }, Qt::QueuedConnection);
  }

 private:
  RecorderDlg& dialog_;
  std::unique_ptr<QObject> context_;
  platform::WindowHandle handle_ = platform::kNoWindow;
};

RecorderDlg::RecorderDlg(const std::string& recording_path, QWidget* parent)
    : QDialog(parent), path_(recording_path), window_(std::make_unique<Window>(*this)) {
  setObjectName("RecorderDlg");
  setWindowTitle(UiText("Marrow Recorder"));

  // A recording left from before is never taken for this one.
  std::error_code error;
  fs::create_directories(fs::path(path_).parent_path(), error);
  std::ofstream(path_, std::ios::binary | std::ios::trunc);

  auto* root = new QVBoxLayout(this);
  auto* status = new QGroupBox(this);
  auto* grid = new QGridLayout(status);
  const auto label = [&](const char* text, int row, int column) {
    auto* widget = new QLabel(UiText(text), status);
    grid->addWidget(widget, row, column);
    return widget;
  };
  label("Time", 0, 0);
  time_ = label("00:00:00", 0, 1);
  time_->setObjectName(QString::number(kIdTime));
  label("Kbps", 0, 2);
  label("128", 0, 3);
  label("Mode", 1, 0);
  label("Stereo", 1, 1);
  label("Sample", 1, 2);
  label("44100", 1, 3);
  const auto bar = [&](const char* caption, int id, int row) {
    label(caption, row, 0);
    auto* level = new QProgressBar(status);
    level->setObjectName(QString::number(id));
    level->setRange(0, kLevelRange);
    level->setValue(0);
    level->setTextVisible(false);
    level->setMaximumHeight(14);
    grid->addWidget(level, row, 1, 1, 3);
    return level;
  };
  left_ = bar("L", kIdLeftLevel, 2);
  right_ = bar("R", kIdRightLevel, 3);
  root->addWidget(status);

  auto* transport = new QHBoxLayout;
  const auto button = [&](const char* text, int id, const QIcon& icon) {
    auto* widget = new QPushButton(icon, UiText(text), this);
    widget->setObjectName(QString::number(id));
    widget->setToolTip(UiText(text).remove(QLatin1Char('&')));
    widget->setAutoDefault(false);
    transport->addWidget(widget);
    return widget;
  };
  record_ = button("&Record", kIdRecord, RecordIcon());
  pause_ = button("P&ause", kIdPause, style()->standardIcon(QStyle::SP_MediaPause));
  stop_ = button("&Stop", kIdStop, style()->standardIcon(QStyle::SP_MediaStop));
  play_ = button("&Play", kIdPlay, style()->standardIcon(QStyle::SP_MediaPlay));
  root->addLayout(transport);

  auto* lists = new QGroupBox(this);
  auto* list_grid = new QGridLayout(lists);
  list_grid->addWidget(new QLabel(UiText("Record Volume Control"), lists), 0, 0);
  list_grid->addWidget(new QLabel(UiText("Select an record device"), lists), 0, 1);
  devices_ = new QListWidget(lists);
  devices_->setObjectName(QString::number(kIdDevices));
  inputs_ = new QListWidget(lists);
  inputs_->setObjectName(QString::number(kIdInputs));
  list_grid->addWidget(devices_, 1, 0);
  list_grid->addWidget(inputs_, 1, 1);
  root->addWidget(lists, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* save = new QPushButton(UiText("&Save"), this);
  save->setObjectName(QString::number(kIdSave));
  save->setDefault(true);
  auto* cancel = new QPushButton(UiText("&Cancel"), this);
  cancel->setObjectName(QString::number(kIdCancel));
  buttons->addWidget(save);
  buttons->addWidget(cancel);
  root->addLayout(buttons);

  timer_ = new QTimer(this);
  timer_->setInterval(1000);
  watch_ = new QTimer(this);
  watch_->setInterval(kWatchMs);
  connect(record_, &QPushButton::clicked, this, [this] { Record(); });
  connect(pause_, &QPushButton::clicked, this, [this] { Pause(); });
  connect(stop_, &QPushButton::clicked, this, [this] { Stop(); });
  connect(play_, &QPushButton::clicked, this, [this] { Play(); });
  connect(save, &QPushButton::clicked, this, [this] { accept(); });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
  connect(timer_, &QTimer::timeout, this, [this] { Tick(); });
  connect(watch_, &QTimer::timeout, this, [this] { Watch(); });
  connect(devices_, &QListWidget::currentRowChanged, this, [this] { ChooseDevice(); });

  recorder_.SetLevelWindow(window_->Handle());
  FillDevices();
  if (!recorder_.IsOpen() && devices_->count() <= 1) {
    Tell(kNoHardwareText, "No audio capture hardware!", platform::kMbIconError);
    Tell("Sorry, can't capture audio.\n", "Verosa", platform::kMbIconError);
    return;
  }
  ready_ = true;
  watch_->start();
}

RecorderDlg::~RecorderDlg() {
  player_.Stop();
  recorder_.Close();
}

void RecorderDlg::FillDevices() {
  QSignalBlocker block(devices_);
  devices_->clear();
  for (const std::string& name : recorder_.Devices()) {
    const QString device = QString::fromStdString(name);
    auto* row = new QListWidgetItem(name == Recorder::kDefaultDevice ? UiText("Default") : device, devices_);
    row->setData(Qt::UserRole, device);
  }
  devices_->setCurrentRow(0);
  ChooseDevice();
}

// Opens the chosen device and lists its inputs. SDL names no inputs of a
// device: the one input is the device's default.
void RecorderDlg::ChooseDevice() {
  if (recorder_.IsRecording()) return;
  inputs_->clear();
  QListWidgetItem* row = devices_->currentItem();
  const bool open = row && recorder_.Open(row->data(Qt::UserRole).toString().toStdString());
  if (open) {
    inputs_->addItem(UiText("Default"));
    inputs_->setCurrentRow(0);
  }
  ShowLevels(0, 0);
  lost_ = false;
  EnableTransport(open, false, open, true, true);
}

void RecorderDlg::EnableTransport(bool record, bool pause, bool stop, bool play, bool lists) {
  record_->setEnabled(record);
  pause_->setEnabled(pause);
  stop_->setEnabled(stop);
  play_->setEnabled(play);
  devices_->setEnabled(lists);
  inputs_->setEnabled(lists);
}

void RecorderDlg::Record() {
  if (lost_ || !recorder_.IsOpen()) return;
  if (paused_) {
    recorder_.Resume();
    paused_ = false;
  } else {
    player_.Stop();
    if (!recorder_.Start(path_)) {
      Tell("The recording could not be written:", "Verosa", platform::kMbIconWarning, path_);
      return;
    }
  }
  EnableTransport(false, true, true, false, false);
  timer_->start();
}

void RecorderDlg::Pause() {
  if (player_.IsActive()) {
    player_.Pause();
  } else if (recorder_.IsRecording() && !paused_) {
    recorder_.Pause();
    paused_ = true;
  } else {
    return;
  }
  record_->setEnabled(true);
  timer_->stop();
}

bool RecorderDlg::Finish() {
  paused_ = false;
  if (player_.IsActive()) {
    player_.Stop();
    return true;
  }
  return recorder_.Stop();
}

void RecorderDlg::Stop() {
  const bool playing = player_.IsActive();
  if (!Finish()) Tell("The recording could not be written:", "Verosa", platform::kMbIconWarning, path_);
  if (!playing && !lost_ && !recorder_.IsOpen() && devices_->currentItem())
    recorder_.Open(devices_->currentItem()->data(Qt::UserRole).toString().toStdString());
  if (!lost_) EnableTransport(recorder_.IsOpen(), true, true, true, true);
  timer_->stop();
  elapsed_ = 0;
  ShowElapsed();
}

void RecorderDlg::Play() {
  if (!player_.Play(path_, window_->Handle())) {
    QApplication::beep();
    return;
  }
  pause_->setEnabled(false);
  record_->setEnabled(false);
}

void RecorderDlg::Tick() {
  ++elapsed_;
  ShowElapsed();
}

void RecorderDlg::ShowElapsed() {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", elapsed_ / 3600, elapsed_ / 60 % 60, elapsed_ % 60);
  time_->setText(QString::fromLatin1(text));
}

void RecorderDlg::ShowLevels(int left, int right) {
  left_->setValue(left);
  right_->setValue(right);
}

void RecorderDlg::Watch() {
  for (;;) {
    switch (recorder_.Poll()) {
      case Recorder::Event::None: return;
      case Recorder::Event::DeviceLost:
        player_.Stop();
        timer_->stop();
        paused_ = false;
        lost_ = true;
        ShowLevels(0, 0);
        EnableTransport(false, false, false, false, false);
        QApplication::beep();
        Tell("The selected input device was removed!", kDeviceCaption, platform::kMbIconWarning);
        break;
      case Recorder::Event::DeviceAdded:
        FillDevices();
        QApplication::beep();
        Tell("The audio input device has been reattached!", kDeviceCaption,
             platform::kMbIconInformation);
        break;
      case Recorder::Event::LimitReached:
        Stop();
        Tell("The recording has reached the largest size of a WAV file and was stopped.", "Verosa",
             platform::kMbIconInformation);
        break;
      case Recorder::Event::WriteFailed: {
        // What was taken before the failure stays when the file can be closed.
        const bool kept = Finish();
        Stop();
        if (kept)
          Tell("The recording was stopped: the file could not be written fast enough.", "Verosa",
               platform::kMbIconWarning);
        break;
      }
    }
  }
}

std::intptr_t RecorderDlg::OnMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
  if (message == Recorder::kLevelMessage && recorder_.IsOpen())
    ShowLevels(static_cast<int>(wparam), static_cast<int>(lparam));
  if (message == WavPlayer::kEventMessage && wparam == WavPlayer::kPlaybackEvents && player_.IsActive())
    Stop();
  return 0;
}

void RecorderDlg::accept() {
  watch_->stop();
  timer_->stop();
  if (!Finish()) Tell("The recording could not be written:", "Verosa", platform::kMbIconWarning, path_);
  recorder_.Close();
  QDialog::accept();
}

void RecorderDlg::reject() {
  watch_->stop();
  timer_->stop();
  Finish();
  recorder_.Close();
  std::error_code error;
  fs::remove(path_, error);
  QDialog::reject();
}

}  // namespace carrowell
