// The conversion control's list: adding, removing, moving, naming, the
// destinations of new items, and the commands that ask the user.
#include <gtest/gtest.h>

#include <set>

#include "carrowell/conversion_ctrl.h"
#include "carrowell/conversion_source_list.h"
#include "control/file_errors.h"
#include "conversion_test_support.h"
#include "engine/mp3_target_format.h"
#include "engine/wav_target_format.h"

namespace {
using namespace carrowell;
using namespace conversion_testing;

class ControlList : public ConversionTest {
 protected:
  ControlList() { control_.SetOutputFolder(Work().c_str()); }

  // Short WAV files named A.wav, B.wav, ... added in that order.
  void AddLetters(const std::string& letters) {
    for (char c : letters) {
      const fs::path file = Media(std::string(1, c) + ".wav");
      if (!fs::exists(file)) WriteWav(file, 8000, 1, 800);
      ASSERT_EQ(control_.AddFile(file.c_str(), -1), 1) << file;
    }
  }

  std::string Order() {
    std::string order;
    for (int i = 0; i < control_.GetItemCount(); ++i)
      order += fs::path(control_.GetItemName(i)).stem().string();
    return order;
  }

  ConversionControl control_;
};

TEST_F(ControlList, StartsEmptyWithItsDefaults) {
  ConversionCtrl* ctrl = CreateCarrowellCtrl();
  ASSERT_NE(ctrl, nullptr);
  EXPECT_EQ(ctrl->GetItemCount(), 0);
  EXPECT_EQ(ctrl->GetSampleRate(), 48000.0);
  EXPECT_STREQ(ctrl->GetOutputFolder(), "");
  ctrl->SetOutputFolder("/some/where");
  EXPECT_STREQ(ctrl->GetOutputFolder(), "/some/where");
  ctrl->SetSampleRate(96000);
  EXPECT_EQ(ctrl->GetSampleRate(), 96000.0);
  DeleteCarrowellCtrl(ctrl);
  DeleteCarrowellCtrl(nullptr);
}

TEST_F(ControlList, AddFilePositions) {
  AddLetters("ABC");
  const fs::path x = Media("X.wav");
  WriteWav(x, 8000, 1, 800);
  ASSERT_EQ(control_.AddFile(x.c_str(), 0), 1);
  EXPECT_EQ(Order(), "AXBC");
  ASSERT_EQ(control_.AddFile(x.c_str(), 3), 1);  // after the last item
  EXPECT_EQ(Order(), "AXBCX");
  ASSERT_EQ(control_.AddFile(x.c_str(), 99), 1);  // beyond the end
  EXPECT_EQ(Order(), "AXBCXX");
  ASSERT_EQ(control_.AddFile(x.c_str(), -1), 1);
  EXPECT_EQ(Order(), "AXBCXXX");
  // The item: name = path, source path and display name, a busy cursor
  // that is put back.
  EXPECT_EQ(control_.GetItemName(1), x.string());
  EXPECT_EQ(control_.Item(1)->Source().String(0), x.string());
  EXPECT_EQ(control_.Item(1)->GetSourceDescription(), "X.wav");
  EXPECT_EQ(control_.Item(1)->TargetKind(), 100);
  EXPECT_EQ(control_.Item(1)->SourceKind(), 4);
  EXPECT_EQ(ui_.busy_depth, 0);
  EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(ControlList, RemoveItemsBounds) {
  AddLetters("ABCDE");
  control_.RemoveItems(3, 10);  // cut at the end
  EXPECT_EQ(Order(), "ABC");
  control_.RemoveItems(-1, 2);
  control_.RemoveItems(3, 1);
  control_.RemoveItems(0, 0);
  control_.RemoveItems(0, -2);
  EXPECT_EQ(Order(), "ABC");
  control_.RemoveItems(1, 1);
  EXPECT_EQ(Order(), "AC");
  control_.RemoveAllItems();
  EXPECT_EQ(control_.GetItemCount(), 0);
}

TEST_F(ControlList, MoveItemsExamplesAndRefusals) {
  AddLetters("ABCDE");
  EXPECT_EQ(control_.MoveItems(3, 0, 2), 1);
  EXPECT_EQ(Order(), "ADEBC");
  control_.RemoveAllItems();
  AddLetters("ABCDE");
  EXPECT_EQ(control_.MoveItems(0, 3, 2), 1);
  EXPECT_EQ(Order(), "CDABE");
  // Refused: nothing moves.
  EXPECT_EQ(control_.MoveItems(1, 1, 1), 0);   // from == to
  EXPECT_EQ(control_.MoveItems(1, 2, 2), 0);   // to inside the run
  EXPECT_EQ(control_.MoveItems(-1, 2, 1), 0);
  EXPECT_EQ(control_.MoveItems(1, -1, 1), 0);
  EXPECT_EQ(control_.MoveItems(5, 0, 1), 0);
  EXPECT_EQ(control_.MoveItems(0, 5, 1), 0);
  EXPECT_EQ(control_.MoveItems(3, 0, 5), 0);   // run past the end
  EXPECT_EQ(Order(), "CDABE");
  EXPECT_EQ(control_.MoveItems(4, 0, 1), 1);
  EXPECT_EQ(Order(), "CEDAB");
}

TEST_F(ControlList, NamesAndOutOfRangeReads) {
  AddLetters("AB");
  EXPECT_EQ(control_.SetItemName(0, "Song one"), 0);
  EXPECT_STREQ(control_.GetItemName(0), "Song one");
  EXPECT_EQ(control_.SetItemName(5, "x"), 0);
  EXPECT_STREQ(control_.GetItemName(5), "");
  EXPECT_STREQ(control_.GetItemName(-1), "");
  EXPECT_STREQ(control_.GetItemDestination(2), "");
  EXPECT_STREQ(control_.GetItemDuration(2), "00:00.00");
}

TEST_F(ControlList, DurationTextOfFilesAndRenamedItems) {
  const fs::path two = Media("two.wav");
  WriteWav(two, 8000, 2, 20000);  // 2.5 s
  ASSERT_EQ(control_.AddFile(two.c_str(), -1), 1);
  EXPECT_STREQ(control_.GetItemDuration(0), "00:00:02.50");

  // A new source for the item (editing a chapter): its duration, and it is
  // what converts.
  const fs::path one = Media("one.wav");
  WriteWav(one, 8000, 1, 10000);
  control_.SetItemName(0, one.c_str());
  EXPECT_STREQ(control_.GetItemDuration(0), "00:00:01.25");
  EXPECT_EQ(control_.Item(0)->Source().String(0), one.string());

  // A file gone since it was added reads as unknown.
  fs::remove(one);
  EXPECT_STREQ(control_.GetItemDuration(0), "00:00.00");

  // An hour and more keeps the minutes within the hour.
  const fs::path long_file = Media("long.flac");
  ASSERT_TRUE(Ffmpeg("-f lavfi -i anullsrc=r=8000:cl=mono -t 3661.5 -c:a flac", long_file));
  ASSERT_EQ(control_.AddFile(long_file.c_str(), -1), 1);
  EXPECT_STREQ(control_.GetItemDuration(1), "01:01:01.50");
}

TEST_F(ControlList, DestinationsAreUniqueNamesInTheTempFolder) {
  AddLetters("ABCDEFGHIJ");
  std::set<std::string> seen;
  for (int i = 0; i < control_.GetItemCount(); ++i) {
    const fs::path destination = control_.GetItemDestination(i);
    EXPECT_EQ(destination.parent_path(), Work() / "temp");
    EXPECT_EQ(destination.extension(), ".WAV");
    EXPECT_EQ(destination.filename().string().substr(0, 3), "CVF");
    EXPECT_FALSE(fs::exists(destination));
    seen.insert(destination.string());
  }
  EXPECT_EQ(seen.size(), 10u);
  // The reserved temporary names are gone again.
  EXPECT_TRUE(fs::is_empty(Work() / "temp"));
}

TEST_F(ControlList, NewItemsTakeTheCurrentRateAndFolder) {
  AddLetters("A");
  control_.SetSampleRate(96000);
  const fs::path other = user_.Root() / "other";
  fs::create_directories(other / "temp");
  control_.SetOutputFolder(other.c_str());
  AddLetters("B");
  EXPECT_EQ(control_.Item(0)->Target().Real(WavTargetFormat::kOutputRate), 48000.0);
  EXPECT_EQ(control_.Item(1)->Target().Real(WavTargetFormat::kOutputRate), 96000.0);
  EXPECT_EQ(fs::path(control_.GetItemDestination(0)).parent_path(), Work() / "temp");
  EXPECT_EQ(fs::path(control_.GetItemDestination(1)).parent_path(), other / "temp");
}

TEST_F(ControlList, WithoutOutputFolderTheDocumentsFolderIsTheRoot) {
  const fs::path documents = user_.Root() / "home" / "Documents";
  fs::create_directories(documents / "temp");
  control_.SetOutputFolder("");
  AddLetters("A");
  EXPECT_EQ(fs::path(control_.GetItemDestination(0)).parent_path(), documents / "temp");
}

TEST_F(ControlList, MissingTempFolderIsAFileErrorNamingThePath) {
  fs::remove(Work() / "temp");
  const fs::path file = Media("A.wav");
  WriteWav(file, 8000, 1, 800);
  EXPECT_EQ(control_.AddFile(file.c_str(), -1), 0);
  EXPECT_EQ(control_.GetItemCount(), 0);
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].text, FileErrorText(FileErrorCause::LockViolation, file.string()));
  EXPECT_NE(boxes_.Boxes()[0].text.find(file.string()), std::string::npos);
  EXPECT_EQ(boxes_.Boxes()[0].caption, "Verosa");
  EXPECT_FALSE(fs::exists(Work() / "temp"));  // not made by the library
  EXPECT_EQ(ui_.busy_depth, 0);
}

TEST_F(ControlList, FileWithoutAudioIsRefused) {
  const fs::path picture = Media("cover.mp3");
  ASSERT_TRUE(testing_support::MakePictureFile(Media("cover.png")));
  fs::rename(Media("cover.png"), picture);
  AddLetters("A");
  EXPECT_EQ(control_.AddFile(picture.c_str(), -1), 0);
  EXPECT_EQ(Order(), "A");
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].text, FileErrorText(FileErrorCause::InvalidFile, picture.string()));
  EXPECT_EQ(control_.AddFile(nullptr, -1), 0);
}

TEST_F(ControlList, ConvertAllOnAnEmptyListSucceeds) {
  EXPECT_EQ(control_.ConvertAll(), 1);
  EXPECT_EQ(ui_.displays_created, 1);
  EXPECT_EQ(ui_.display_log.total_range, 0);
  EXPECT_EQ(ui_.display_log.closed, 1);
  EXPECT_FALSE(ui_.display_log.abort_enabled);
  ASSERT_EQ(ui_.beeps.size(), 1u);
  EXPECT_EQ(ui_.beeps[0], BeepKind::Default);
}

TEST_F(ControlList, ConvertItemsRefusesIndicesOutsideTheList) {
  AddLetters("A");
  const int indices[] = {3};
  EXPECT_EQ(control_.ConvertItems(indices, 1), 0);
  ASSERT_EQ(ui_.beeps.size(), 1u);
  EXPECT_EQ(ui_.beeps[0], BeepKind::Error);
  EXPECT_EQ(control_.ConvertItems(nullptr, 1), 0);
}

TEST_F(ControlList, ChangeDestinationMovesTheFollowingItems) {
  AddLetters("ABCD");
  const fs::path elsewhere = user_.Root() / "out";
  ui_.new_destination = (elsewhere / "first.WAV").string();
  const std::string b_before = control_.GetItemDestination(1);
  const std::string c_name = fs::path(control_.GetItemDestination(2)).filename().string();
  const std::string d_before = control_.GetItemDestination(3);
  EXPECT_EQ(control_.ChangeDestination(1, 2), 1);
  ASSERT_EQ(ui_.change_requests.size(), 1u);
  EXPECT_EQ(ui_.change_requests[0], b_before);
  EXPECT_EQ(control_.GetItemDestination(1), (elsewhere / "first.WAV").string());
  EXPECT_EQ(control_.GetItemDestination(2), (elsewhere / c_name).string());
  EXPECT_EQ(control_.GetItemDestination(3), d_before);

  // On the last item only that item changes.
  ui_.new_destination = (elsewhere / "last.WAV").string();
  EXPECT_EQ(control_.ChangeDestination(3, 3), 1);
  EXPECT_EQ(control_.GetItemDestination(3), (elsewhere / "last.WAV").string());
  EXPECT_EQ(control_.GetItemCount(), 4);

  // Cancelled or out of range: 0 and nothing changes.
  ui_.new_destination.reset();
  EXPECT_EQ(control_.ChangeDestination(0, 1), 0);
  EXPECT_EQ(control_.ChangeDestination(4, 1), 0);
  EXPECT_EQ(control_.ChangeDestination(-1, 1), 0);
  EXPECT_EQ(ui_.change_requests.size(), 3u);
}

TEST_F(ControlList, EditItemSettingsCopiesConfirmedMp3Settings) {
  control_.SetNewItemTargetKind(kTargetMp3);
  AddLetters("ABCD");
  EXPECT_EQ(fs::path(control_.GetItemDestination(0)).extension(), ".MP3");
  ui_.edit_mp3 = [](Mp3Settings& s) {
    s.bitrate_position = BitratePosition(192);
    s.vbr = true;
    s.crc = true;
  };
  control_.EditItemSettings(1, 2);
  EXPECT_EQ(ui_.mp3_dialogs, 1);
  EXPECT_EQ(control_.Item(0)->Target().Int(Mp3TargetFormat::kBitrate), 128);
  EXPECT_EQ(control_.Item(1)->Target().Int(Mp3TargetFormat::kBitrate), 192);
  EXPECT_EQ(control_.Item(2)->Target().Int(Mp3TargetFormat::kBitrate), 192);
  EXPECT_EQ(control_.Item(2)->Target().Flag(Mp3TargetFormat::kCrc), 1);
  EXPECT_EQ(control_.Item(3)->Target().Int(Mp3TargetFormat::kBitrate), 128);
  EXPECT_EQ(control_.Item(2)->GetTargetDescription(), "MPEG Layer-3; 192 kbps; Auto kHz; VBR ON");

  // Cancelled: nothing is stored or copied.
  ui_.edit_mp3 = nullptr;
  control_.EditItemSettings(0, 4);
  EXPECT_EQ(control_.Item(0)->Target().Int(Mp3TargetFormat::kBitrate), 128);
  EXPECT_EQ(control_.Item(3)->Target().Int(Mp3TargetFormat::kBitrate), 128);
}

TEST_F(ControlList, EditItemSettingsOfWavItemsShowsNothing) {
  AddLetters("AB");
  control_.EditItemSettings(0, 2);
  control_.EditItemSettings(7, 1);
  EXPECT_EQ(ui_.mp3_dialogs, 0);
  EXPECT_EQ(control_.Item(0)->EditSettings(), 0);
}

TEST_F(ControlList, BrowseAndAddFiles) {
  control_.BrowseAndAddFiles();  // cancelled
  ASSERT_EQ(ui_.browse_requests.size(), 1u);
  const FileBrowseRequest& request = ui_.browse_requests[0];
  EXPECT_EQ(request.title, "Select Music Files");
  ASSERT_EQ(request.filters.size(), 2u);
  EXPECT_EQ(request.filters[0].text,
            "Supported Files(*.mp3;*.wav;*.snd;*.au;*.aif;*.aifc;*.aiff;*.wma;*.avi;*.wmv;*.mpg;"
            "*.mpeg;*.vob;*.flac;*.ogg;*.opus;*.m4a)");
  EXPECT_EQ(request.filters[0].pattern,
            "*.mp3;*.wav;*.snd;*.au;*.aif;*.aifc;*.aiff;*.wma;*.avi;*.wmv;*.mpg;*.mpeg;*.vob;*.rm;"
            "*.rmvb;*.flac;*.ogg;*.oga;*.opus;*.m4a;*.aac;*.ape;*.wv;*.mka");
  EXPECT_EQ(request.filters[1].text, "All Files (*.*)");
  EXPECT_EQ(request.filters[1].pattern, "*.*");
  EXPECT_EQ(request.initial_folder, "");
  EXPECT_EQ(control_.GetItemCount(), 0);

  // Every chosen file in order; one that fails is reported and skipped.
  const fs::path a = Media("A.wav"), b = Media("B.wav"), bad = Media("bad.wav");
  WriteWav(a, 8000, 1, 800);
  WriteWav(b, 8000, 1, 800);
  testing_support::WriteFile(bad, "");
  ui_.selection = FileSelection{MediaFolder().string(), {b.string(), bad.string(), a.string()}};
  control_.BrowseAndAddFiles();
  EXPECT_EQ(Order(), "BA");
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_NE(boxes_.Boxes()[0].text.find(bad.string()), std::string::npos);

  // The next browse starts in the folder of the last choice.
  control_.BrowseAndAddFiles();
  EXPECT_EQ(ui_.browse_requests.back().initial_folder, MediaFolder().string());
}

TEST_F(ControlList, OpenDestinationFolder) {
  AddLetters("A");
  control_.OpenDestinationFolder(0);
  control_.OpenDestinationFolder(1);
  control_.OpenDestinationFolder(-1);
  ASSERT_EQ(ui_.opened_folders.size(), 1u);
  EXPECT_EQ(ui_.opened_folders[0], (Work() / "temp").string());
  // A folder that is gone is not opened.
  ui_.new_destination = (user_.Root() / "gone" / "x.WAV").string();
  control_.ChangeDestination(0, 1);
  control_.OpenDestinationFolder(0);
  EXPECT_EQ(ui_.opened_folders.size(), 1u);
}

TEST_F(ControlList, ServesAsTheProjectsSourceList) {
  ConversionSourceList sources(control_);
  verosa::ChapterSourceList& list = sources;
  const fs::path a = Media("A.wav");
  WriteWav(a, 8000, 1, 800);
  EXPECT_EQ(list.AddFile(a.c_str(), -1), 1);
  EXPECT_EQ(list.AddFile(a.c_str(), -1), 1);
  EXPECT_EQ(list.GetItemCount(), 2);
  EXPECT_EQ(control_.GetItemCount(), 2);
  list.RemoveItems(0, 1);
  EXPECT_EQ(control_.GetItemCount(), 1);
}

}  // namespace
