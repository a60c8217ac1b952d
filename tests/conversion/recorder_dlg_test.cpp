// The recorder dialog offscreen over SDL's disk audio driver (a known raw
// input), and RecordAudio's handling of what the dialog leaves behind.
#include "ui/recorder_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <chrono>
#include <thread>

#include "conversion/capture_input.h"
#include "conversion/conversion_test_support.h"
#include "core/wav_reader.h"

namespace carrowell {
namespace {

namespace fs = std::filesystem;
using namespace conversion_testing;

void EnsureApp() {
  if (QApplication::instance()) return;
  static int argc = 1;
  static char name[] = "conversion_tests";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  new QApplication(argc, argv);  // lives for the whole suite
}

// Lets the dialog's events run for `ms` milliseconds.
void RunEvents(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    QApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// Record, Pause, Stop, Play enabled; the lists enabled.
std::string Enabled(RecorderDlg& dialog) {
  std::string state;
  for (int id : {RecorderDlg::kIdRecord, RecorderDlg::kIdPause, RecorderDlg::kIdStop, RecorderDlg::kIdPlay})
    state += dialog.findChild<QPushButton*>(QString::number(id))->isEnabled() ? '1' : '0';
  state += dialog.findChild<QListWidget*>(QString::number(RecorderDlg::kIdDevices))->isEnabled() ? " lists" : "";
  return state;
}

std::string Time(RecorderDlg& dialog) {
  return dialog.findChild<QLabel*>(QString::number(RecorderDlg::kIdTime))->text().toStdString();
}

TEST(RecorderDialog, TransportStatesElapsedTimeLevelsAndTheRecordingFile) {
  EnsureApp();
  testing_support::ScratchDir dir;
  DiskAudio disk(dir.Path(), Bytes(MakeCaptureSamples({{40, 20000, 8000}, {400, 12000, 700}})));
  const fs::path path = dir / "REC2WAV" / "MyR1.tmp";
  fs::create_directories(path.parent_path());
  testing_support::WriteFile(path, std::string(100000, 'x'));  // a recording left from before

  for (const bool save : {true, false}) {
    SCOPED_TRACE(save ? "Save" : "Cancel");
    RecorderDlg dialog(path.string());
    ASSERT_TRUE(dialog.Ready());
    EXPECT_EQ(fs::file_size(path), 0u) << "opening empties the recording";
    EXPECT_EQ(dialog.windowTitle(), "Marrow Recorder");
    auto* devices = dialog.findChild<QListWidget*>(QString::number(RecorderDlg::kIdDevices));
    auto* inputs = dialog.findChild<QListWidget*>(QString::number(RecorderDlg::kIdInputs));
    EXPECT_EQ(devices->item(0)->text(), "Default");
    EXPECT_EQ(inputs->count(), 1);
    EXPECT_EQ(Enabled(dialog), "1011 lists");

    // The meters show the loud start of the input while monitoring.
    RunEvents(200);
    EXPECT_EQ(dialog.findChild<QProgressBar*>(QString::number(RecorderDlg::kIdLeftLevel))->value(), 20000);
    EXPECT_EQ(dialog.findChild<QProgressBar*>(QString::number(RecorderDlg::kIdRightLevel))->value(), 8000);

    // (step, enabled afterwards, elapsed time afterwards)
    struct Step {
      const char* action;
      const char* enabled;
      const char* time;
    };
    const Step steps[] = {
        {"record", "0110", "00:00:00"}, {"tick", "0110", "00:00:01"}, {"tick", "0110", "00:00:02"},
        {"pause", "1110", "00:00:02"},  {"record", "0110", "00:00:02"}, {"tick", "0110", "00:00:03"},
        {"stop", "1111 lists", "00:00:00"},
    };
    for (const Step& step : steps) {
      const std::string action = step.action;
      if (action == "record") dialog.Record();
      if (action == "pause") dialog.Pause();
      if (action == "stop") dialog.Stop();
      if (action == "tick") dialog.Tick();
      if (action != "tick") RunEvents(250);
      EXPECT_EQ(Enabled(dialog), step.enabled) << "after " << action;
      EXPECT_EQ(Time(dialog), step.time) << "after " << action;
    }
    const auto recorded = core::ReadWavLayout(path);
    ASSERT_TRUE(recorded);
    EXPECT_GT(recorded->Frames(), 4u * kCaptureBufferFrames) << "both runs are in the file";
    EXPECT_EQ(recorded->data_size + 44, fs::file_size(path));

    // Play turns Record and Pause off until the recording has played.
    dialog.Play();
    EXPECT_EQ(Enabled(dialog), "0011 lists");
    for (int i = 0; i < 400 && Enabled(dialog) != "1111 lists"; ++i) RunEvents(10);
    EXPECT_EQ(Enabled(dialog), "1111 lists") << "the end of playback stops";

    if (save) {
      dialog.accept();
      EXPECT_EQ(dialog.result(), QDialog::Accepted);
      EXPECT_EQ(core::ReadWavLayout(path)->Frames(), recorded->Frames());
    } else {
      dialog.reject();
      EXPECT_FALSE(fs::exists(path)) << "Cancel deletes the recording";
    }
  }

  // Without a sound system to capture from, the user is told and the dialog is not shown.
  testing_support::ScopedEnv no_driver("SDL_AUDIODRIVER", "no-such-driver");
  testing_support::MessageBoxRecorder boxes;
  RecorderDlg dialog(path.string());
  EXPECT_FALSE(dialog.Ready());
  ASSERT_EQ(boxes.Boxes().size(), 2u);
  EXPECT_EQ(boxes.Boxes()[0].caption, "No audio capture hardware!");
  EXPECT_EQ(boxes.Boxes()[1].text, "Sorry, can't capture audio.\n");
}

class RecordAudio : public ConversionTest {};

TEST_F(RecordAudio, AddsAConvertedItemOnlyForASavedRecordingWithSamples) {
  struct Case {
    const char* name;
    bool saved;
    int frames;  // -1: the dialog left no file
    bool destination_confirmed;
    bool added;
  };
  const Case cases[] = {
      {"saved with samples", true, 22050, true, true},
      {"saved without samples", true, 0, true, false},
      {"saved without a file", true, -1, true, false},
      {"cancelled", false, 22050, true, false},
      {"output file not confirmed", true, 22050, false, false},
  };
  const fs::path folder = user_.Root() / "data" / "Verosa" / "REC2WAV";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConversionControl control;
    control.SetOutputFolder(Work().c_str());
    ui_.record = [&](const std::string& path) {
      if (c.frames >= 0) WriteWav(path, 44100, 2, static_cast<std::uint32_t>(c.frames));
      return c.saved;
    };
    const fs::path chosen = folder / "take.WAV";
    ui_.new_destination.reset();
    if (c.destination_confirmed) ui_.new_destination = chosen.string();
    ui_.recorder_paths.clear();

    control.RecordAudio();
    ASSERT_EQ(ui_.recorder_paths.size(), 1u);
    EXPECT_EQ(fs::path(ui_.recorder_paths[0]).parent_path(), folder);
    EXPECT_FALSE(fs::exists(ui_.recorder_paths[0])) << "the recording never stays";
    ASSERT_EQ(control.GetItemCount(), c.added ? 1 : 0);
    if (c.added) {
      EXPECT_EQ(control.GetItemDestination(0), chosen.string());
      const auto converted = core::ReadWavLayout(chosen);
      ASSERT_TRUE(converted);
      EXPECT_EQ(converted->sample_rate, 48000u);
      EXPECT_EQ(converted->Frames(), 24000u);
      fs::remove(chosen);
    }
  }
}

}  // namespace
}  // namespace carrowell
