// The Qt windows on the offscreen platform, and the models behind the
// "Change Output File" and MP3 settings dialogs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

#include "conversion_test_support.h"
#include "engine/mp3_target_format.h"
#include "ui/change_output_file_dlg.h"
#include "ui/console_ui.h"
#include "ui/converter_progress.h"
#include "ui/converter_progress_dlg.h"
#include "ui/mp3_settings_dlg.h"
#include "ui/output_file_name.h"
#include "ui/qt_ui.h"

namespace {
using namespace carrowell;
using namespace conversion_testing;

QApplication& App() {
  static int argc = 1;
  static char name[] = "conversion_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return existing;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  return *app;
}

template <typename T>
T* Child(QWidget& parent, const char* id) {
  T* child = parent.findChild<T*>(QString::fromLatin1(id));
  EXPECT_NE(child, nullptr) << id;
  return child;
}

TEST(OutputFileName, NamePreviewAndFolder) {
  OutputFileName name("/work/temp/CVFabc123.WAV");
  EXPECT_EQ(name.Name(), "/work/temp/CVFabc123");
  EXPECT_EQ(name.Preview(), "Filename is here.");
  name.Refresh();
  EXPECT_EQ(name.Preview(), "/work/temp/CVFabc123.WAV");
  name.SetName("/music/out/My Song");
  name.Refresh();
  EXPECT_EQ(name.Preview(), "/music/out/My Song.WAV");
  name.SetName("/music/out/My Song.wave");
  name.Refresh();
  EXPECT_EQ(name.Preview(), "/music/out/My Song.wave");
  name.ChooseFolder("/elsewhere");
  EXPECT_EQ(name.Name(), "/elsewhere/My Song.wave");
  EXPECT_EQ(name.Preview(), "/elsewhere/My Song.wave");
  EXPECT_EQ(name.Confirm(), "/elsewhere/My Song.wave");
  // A bare name stays in the old folder; an empty name is no destination.
  name.SetName("Track 1");
  EXPECT_EQ(name.Confirm(), "/work/temp/Track 1.WAV");
  name.SetName("");
  EXPECT_EQ(name.Confirm(), std::nullopt);
  // MP3 destinations keep their own extension.
  OutputFileName mp3("/work/temp/CVFx.MP3");
  mp3.SetName("/out/song");
  EXPECT_EQ(mp3.Confirm(), "/out/song.MP3");
}

TEST(Mp3Settings, TablesBetweenDialogAndFormat) {
  Mp3TargetFormat format;
  Mp3Settings s = Mp3Settings::FromFormat(format);
  EXPECT_EQ(s, Mp3Settings{});
  EXPECT_EQ(s.bitrate_position, 8);
  EXPECT_EQ(BitrateLabel(s.bitrate_position), "128 kbps");
  EXPECT_EQ(BitrateLabel(13), "320 kbps");
  EXPECT_EQ(BitratePosition(32), 0);
  EXPECT_EQ(BitratePosition(130), 8);

  s.bitrate_position = 13;
  s.max_bitrate_position = 0;
  s.vbr = true;
  s.vbr_quality = 2;
  s.mode = 3;
  s.sample_rate_index = 2;
  s.extra = 1;
  s.copyright = s.original = s.mpeg1 = true;
  s.ToFormat(format);
  EXPECT_EQ(format.Int(Mp3TargetFormat::kBitrate), 320);
  EXPECT_EQ(format.Int(Mp3TargetFormat::kMaxBitrate), 32);
  EXPECT_EQ(format.Int(Mp3TargetFormat::kOutputRate), 44100);
  EXPECT_EQ(format.Int(Mp3TargetFormat::kModeIndex), 3);
  EXPECT_EQ(format.Int(Mp3TargetFormat::kExtra), 1);
  EXPECT_EQ(format.Flag(Mp3TargetFormat::kCrc), 0);
  EXPECT_EQ(format.Flag(Mp3TargetFormat::kMpeg1), 1);
  EXPECT_EQ(Mp3Settings::FromFormat(format), s);
  // A rate outside the list reads as "Auto".
  format.SetInt(Mp3TargetFormat::kOutputRate, 22050);
  EXPECT_EQ(Mp3Settings::FromFormat(format).sample_rate_index, 0);
}

TEST(QtDialogs, ProgressWindowShowsTheBatch) {
  App();
  testing_support::MessageBoxRecorder boxes(platform::kIdYes);
  QWidget owner;
  owner.show();
  auto dialog_holder = std::make_unique<ConverterProgressDlg>(&owner, nullptr);
  ConverterProgressDlg& dialog = *dialog_holder;
  EXPECT_FALSE(owner.isEnabled());
  EXPECT_EQ(dialog.windowTitle(), "Audio Converter");
  EXPECT_EQ(Child<QProgressBar>(dialog, "1010")->maximum(), 1000);
  EXPECT_EQ(Child<QLabel>(dialog, "1043")->text(), "(unknown)");
  EXPECT_EQ(Child<QLabel>(dialog, "1044")->text(), "(unknown)");
  EXPECT_EQ(Child<QLabel>(dialog, "1059")->text(), "Converting:");
  EXPECT_EQ(Child<QPushButton>(dialog, "3")->text(), "&Abort");
  ASSERT_NE(Child<QProgressBar>(dialog, "1009"), nullptr);
  dialog.Finish();
  EXPECT_TRUE(owner.isEnabled());
  EXPECT_FALSE(dialog.AbortButton()->isEnabled());
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(QtDialogs, ProgressThroughTheQtDisplay) {
  App();
  testing_support::MessageBoxRecorder boxes(platform::kIdYes);
  auto display = std::make_unique<QtProgressDisplay>();
  QPointer<ConverterProgressDlg> dialog = display->Dialog();
  ASSERT_TRUE(dialog);
  ConverterProgress progress(std::move(display));
  progress.SetItemCount(4);
  EXPECT_EQ(dialog->TotalBar()->maximum(), 400);
  progress.SetFinishedCount(1);
  progress.SetCurrentFile("/music/two.mp3");
  progress.SetEncodeRange(0, 100);
  progress.SetEncodePosition(0);
  EXPECT_EQ(dialog->FileLabel()->text(), "Converting:  two.mp3");
  EXPECT_EQ(dialog->FileBar()->value(), 500);
  EXPECT_EQ(dialog->TotalBar()->value(), 150);
  EXPECT_EQ(dialog->PercentageLabel()->text(), "37.50 %");

  // Closing the window while converting asks and stays open; Abort asks too.
  EXPECT_FALSE(dialog->close());
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Are you sure you want to cancel converting?");
  EXPECT_NE(progress.IsAborted(), 0);
  dialog->AbortButton()->click();
  EXPECT_EQ(boxes.Boxes().size(), 1u);  // already aborted: no second question
  progress.Finish();
  EXPECT_FALSE(dialog->isVisible());
}

TEST(QtDialogs, AbortButtonAsksBeforeAborting) {
  App();
  testing_support::MessageBoxRecorder no(platform::kIdNo);
  auto display = std::make_unique<QtProgressDisplay>();
  QPointer<ConverterProgressDlg> dialog = display->Dialog();
  ConverterProgress progress(std::move(display));
  dialog->AbortButton()->click();
  EXPECT_EQ(no.Boxes().size(), 1u);
  EXPECT_EQ(progress.IsAborted(), 0);
  {
    testing_support::MessageBoxRecorder yes(platform::kIdYes);
    dialog->AbortButton()->click();
    EXPECT_NE(progress.IsAborted(), 0);
  }
}

TEST(QtDialogs, ChangeOutputFile) {
  App();
  ChangeOutputFileDlg dialog("/work/temp/CVFq1w2e3.WAV");
  EXPECT_EQ(dialog.windowTitle(), "Change Output File");
  EXPECT_EQ(dialog.NameEdit()->text(), "/work/temp/CVFq1w2e3");
  EXPECT_EQ(dialog.PreviewLabel()->text(), "Filename is here.");
  EXPECT_TRUE(dialog.PreviewCheck()->isChecked());
  EXPECT_EQ(dialog.BrowseButton()->text(), "&Browse...");

  dialog.NameEdit()->setText("/music/disc/Opening");
  emit dialog.NameEdit()->textEdited(dialog.NameEdit()->text());
  EXPECT_EQ(dialog.PreviewLabel()->text(), "/music/disc/Opening.WAV");
  dialog.PreviewCheck()->setChecked(false);
  EXPECT_TRUE(dialog.PreviewLabel()->isHidden());
  dialog.PreviewCheck()->setChecked(true);
  EXPECT_FALSE(dialog.PreviewLabel()->isHidden());

  dialog.ChooseFolder("/music/other");
  EXPECT_EQ(dialog.NameEdit()->text(), "/music/other/Opening");
  EXPECT_EQ(dialog.PreviewLabel()->text(), "/music/other/Opening.WAV");
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Result(), "/music/other/Opening.WAV");

  // An empty name keeps the dialog open.
  ChangeOutputFileDlg empty("/work/temp/CVFx.WAV");
  empty.NameEdit()->clear();
  empty.accept();
  EXPECT_NE(empty.result(), QDialog::Accepted);
}

TEST(QtDialogs, Mp3SettingsControls) {
  App();
  Mp3Settings start;
  start.bitrate_position = 10;
  start.sample_rate_index = 1;
  start.crc = true;
  Mp3SettingsDlg dialog(start);
  EXPECT_EQ(dialog.Values(), start);
  EXPECT_EQ(Child<QSlider>(dialog, "1000")->maximum(), 13);
  EXPECT_EQ(Child<QLabel>(dialog, "1023")->text(), "192 kbps");
  EXPECT_EQ(Child<QLabel>(dialog, "1024")->text(), "128 kbps");
  EXPECT_TRUE(Child<QCheckBox>(dialog, "1066")->isChecked());
  EXPECT_EQ(Child<QComboBox>(dialog, "1003")->currentText(), "48000 Hz");
  EXPECT_EQ(Child<QComboBox>(dialog, "1003")->itemText(0), "Auto");
  EXPECT_EQ(Child<QComboBox>(dialog, "1004")->count(), 4);
  ASSERT_NE(Child<QComboBox>(dialog, "1053"), nullptr);
  for (const char* id : {"1068", "1067", "1069", "1082", "1014"})
    ASSERT_NE(Child<QCheckBox>(dialog, id), nullptr);

  // The VBR controls follow the check box.
  QSlider* max_bitrate = Child<QSlider>(dialog, "1002");
  QComboBox* quality = Child<QComboBox>(dialog, "1084");
  EXPECT_FALSE(max_bitrate->isEnabled());
  EXPECT_FALSE(quality->isEnabled());
  Child<QCheckBox>(dialog, "1014")->setChecked(true);
  EXPECT_TRUE(max_bitrate->isEnabled());
  EXPECT_TRUE(quality->isEnabled());
  max_bitrate->setValue(13);
  EXPECT_EQ(Child<QLabel>(dialog, "1024")->text(), "320 kbps");
  EXPECT_TRUE(dialog.Values().vbr);
  EXPECT_EQ(dialog.Values().MaxBitrate(), 320);

  dialog.Reset();
  EXPECT_EQ(dialog.Values(), Mp3Settings{});
  EXPECT_FALSE(max_bitrate->isEnabled());
}

TEST(QtDialogs, FileChooserFilters) {
  EXPECT_EQ(QtNameFilter({"All Files (*.*)", "*.*"}), "All Files (*.*) (*)");
  EXPECT_EQ(QtNameFilter({"Supported Files(*.mp3;*.wav)", "*.mp3;*.wav;*.rm"}),
            "Supported Files(*.mp3;*.wav) (*.mp3 *.wav *.rm)");
}

TEST(QtDialogs, TheProgramGetsTheQtWindows) {
  App();
  EXPECT_NE(dynamic_cast<QtConversionUi*>(&ActiveConversionUi()), nullptr);
  ScriptedUi scripted;
  EXPECT_EQ(&ActiveConversionUi(), &scripted);
}

TEST(ConsoleUi, CancelsWhatNeedsAnAnswer) {
  ConsoleConversionUi console;
  EXPECT_EQ(console.BrowseForFiles({}), std::nullopt);
  EXPECT_EQ(console.ChangeOutputFile("/a/b.WAV"), std::nullopt);
  Mp3Settings settings;
  EXPECT_EQ(console.EditMp3Settings(settings), kDialogCancel);
}

TEST(ConsoleUi, InterruptAsksToAbort) {
  testing_support::MessageBoxRecorder yes(platform::kIdYes);
  std::FILE* sink = std::tmpfile();
  ASSERT_NE(sink, nullptr);
  ConverterProgress progress(std::make_unique<ConsoleProgressDisplay>(sink));
  progress.SetItemCount(1);
  progress.PumpMessages();
  EXPECT_EQ(progress.IsAborted(), 0);
  InterruptConsoleConversion();
  progress.PumpMessages();
  EXPECT_NE(progress.IsAborted(), 0);
  EXPECT_EQ(yes.Boxes().size(), 1u);
  progress.Finish();
  std::fclose(sink);
}

}  // namespace
