// The Audio CD dialog over a CUE/BIN image read by the real CD component.
#include "ui/audio_cd_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "support/test_support.h"

namespace carrowell {
namespace {

using testing_support::MessageBoxRecorder;

TEST(AudioCdDialog, ListsTheDiscChoosesCheckedAudioTracksAndChecksTheFolder) {
  if (!QApplication::instance()) {
    static int argc = 1;
    static char name[] = "conversion_tests";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);  // lives for the whole suite, as the dialog tests' own
  }
  testing_support::ScratchDir dir;
  // A data track first, then a 2-second and a 1-second (75-sector) song.
  const auto cue = testing_support::MakeCdImage(dir.Path(), {{false, 300}, {true, 150}, {true, 75}});
  testing_support::ScopedEnv images("VEROSA_CD_IMAGES", cue.string());
  CdRipLibrary library;
  ASSERT_TRUE(library.Load()) << library.Error();

  AudioCdDlg dialog(&library, dir.Path().string());
  auto* list = dialog.findChild<QTreeWidget*>("1076");
  ASSERT_EQ(list->topLevelItemCount(), 3);
  const char* rows[][2] = {{"Track 01", "00:00:04.00"}, {"Track 02", "00:00:02.00"}, {"Track 03", "00:00:01.00"}};
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(list->topLevelItem(r)->text(0).toStdString(), rows[r][0]);
    EXPECT_EQ(list->topLevelItem(r)->text(1).toStdString(), rows[r][1]);
  }
  EXPECT_FALSE(list->topLevelItem(0)->flags() & Qt::ItemIsEnabled) << "a data track cannot be chosen";
  EXPECT_EQ(dialog.findChild<QLabel*>("1100")->text(), "Audio track count: 3");

  // A folder that is not there keeps the dialog open.
  dialog.SetFolderPicker([&](QWidget*, const QString&, const QString&) {
    return QString::fromStdString((dir / "missing").string());
  });
  dialog.Browse();
  {
    MessageBoxRecorder boxes;
    dialog.accept();
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "Invalidated directory:\n" + (dir / "missing").string());
    EXPECT_EQ(dialog.result(), 0);
  }
  dialog.SetFolderPicker([&](QWidget*, const QString&, const QString&) {
    return QString::fromStdString(dir.Path().string());
  });
  dialog.Browse();

  // The checked songs must fit: 225 sectors of 2352 bytes and two headers.
  dialog.SetFreeSpace([](const std::string&) { return std::int64_t{225 * 2352}; });
  {
    MessageBoxRecorder boxes;
    dialog.accept();
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(dialog.result(), 0);
  }
  dialog.SetFreeSpace([](const std::string&) { return std::int64_t{225 * 2352 + 92}; });
  list->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  ASSERT_EQ(dialog.Chosen().size(), 1u);
  EXPECT_EQ(dialog.Chosen()[0].name, "Track 03");
  EXPECT_EQ(dialog.Chosen()[0].track.first, 450);
  EXPECT_EQ(dialog.Chosen()[0].track.last, 524);

  // Without the library: no drives, no tracks, OK off.
  AudioCdDlg none(nullptr, dir.Path().string());
  EXPECT_EQ(none.findChild<QTreeWidget*>("1076")->topLevelItemCount(), 0);
  EXPECT_FALSE(none.findChild<QPushButton*>("1")->isEnabled());
  EXPECT_FALSE(none.findChild<QPushButton*>("1083")->isEnabled());
}

}  // namespace
}  // namespace carrowell
