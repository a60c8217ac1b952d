// Files that are not what they claim: each is refused with the file error
// naming it, or fails as an item, and nothing is left behind. Never a crash
// or a hang.
#include <gtest/gtest.h>

#include <unistd.h>

#include <random>

#include "control/file_errors.h"
#include "conversion_test_support.h"

namespace {
using namespace carrowell;
using namespace conversion_testing;

class BadInput : public ConversionTest {
 protected:
  BadInput() { control_.SetOutputFolder(Work().c_str()); }

  // Adds the file; when it is accepted, converts it. Returns what happened.
  enum class Outcome { Refused, Failed, Converted };
  Outcome Try(const fs::path& file) {
    boxes_.Clear();
    const int before = control_.GetItemCount();
    if (!control_.AddFile(file.c_str(), -1)) {
      EXPECT_EQ(control_.GetItemCount(), before);
      EXPECT_EQ(boxes_.Boxes().size(), 1u);
      if (!boxes_.Boxes().empty()) {
        EXPECT_EQ(boxes_.Boxes()[0].text, FileErrorText(FileErrorCause::InvalidFile, file.string()));
      }
      return Outcome::Refused;
    }
    const int index = control_.GetItemCount() - 1;
    const int converted = control_.ConvertItems(&index, 1);
    const fs::path destination = control_.GetItemDestination(index);
    EXPECT_TRUE(IntermediatesLeft().empty());
    if (!converted) {
      EXPECT_FALSE(fs::exists(destination));
      EXPECT_EQ(ui_.beeps.back(), BeepKind::Error);
      return Outcome::Failed;
    }
    // Whatever was converted is a complete WAV.
    const auto info = ReadWavInfo(destination);
    EXPECT_TRUE(info && info->IsComplete() && info->bits_per_sample == 16);
    return Outcome::Converted;
  }

  ConversionControl control_;
};

TEST_F(BadInput, FilesWithoutAudioAreRefused) {
  const fs::path picture = Media("cover.png");
  ASSERT_TRUE(testing_support::MakePictureFile(picture));
  const fs::path video_only = Media("silent.avi");
  ASSERT_TRUE(Ffmpeg("-f lavfi -i testsrc=size=64x48:rate=10:duration=1 -c:v mpeg4", video_only));
  const fs::path text = Media("notes.wav");
  testing_support::WriteFile(text, "these are not the samples you are looking for\n");
  EXPECT_EQ(Try(picture), Outcome::Refused);
  EXPECT_EQ(Try(video_only), Outcome::Refused);
  EXPECT_EQ(Try(text), Outcome::Refused);
}

TEST_F(BadInput, EmptyAndUnreadablePathsAreRefused) {
  const fs::path empty = Media("empty.mp3");
  testing_support::WriteFile(empty, "");
  EXPECT_EQ(Try(empty), Outcome::Refused);
  EXPECT_EQ(Try(Media("missing.wav")), Outcome::Refused);
  EXPECT_EQ(Try(MediaFolder()), Outcome::Refused);  // a folder
  const fs::path fifo = Media("pipe.wav");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(Try(fifo), Outcome::Refused);  // would block a reader
  if (::geteuid() != 0) {
    const fs::path locked = Media("locked.wav");
    WriteWav(locked, 8000, 1, 800);
    fs::permissions(locked, fs::perms::none);
    EXPECT_EQ(Try(locked), Outcome::Refused);
  }
}

TEST_F(BadInput, RandomBytesWithAnAudioExtension) {
  std::mt19937 random(1234);
  for (const char* name : {"noise.mp3", "noise.wav", "noise.wma", "noise.ogg", "noise.aiff"}) {
    std::string bytes(64 * 1024, '\0');
    for (char& b : bytes) b = static_cast<char>(random());
    const fs::path file = Media(name);
    testing_support::WriteFile(file, bytes);
    const Outcome outcome = Try(file);
    EXPECT_NE(outcome, Outcome::Converted) << name;
  }
}

TEST_F(BadInput, TruncatedFiles) {
  const fs::path mp3 = Media("whole.mp3");
  ASSERT_TRUE(MakeTone(mp3, 3, 44100, "-ac 2 -c:a libmp3lame"));
  const std::string bytes = testing_support::ReadFile(mp3);
  // Cut inside the first frame header: no audio left to find.
  const fs::path stub = Media("stub.mp3");
  testing_support::WriteFile(stub, bytes.substr(0, 3));
  EXPECT_EQ(Try(stub), Outcome::Refused);
  // Cut in the middle: what is there converts, or the item fails.
  const fs::path half = Media("half.mp3");
  testing_support::WriteFile(half, bytes.substr(0, bytes.size() / 2));
  EXPECT_NE(Try(half), Outcome::Refused);

  const fs::path flac = Media("whole.flac");
  ASSERT_TRUE(MakeTone(flac, 3, 44100, "-ac 2 -c:a flac"));
  const std::string flac_bytes = testing_support::ReadFile(flac);
  const fs::path cut_flac = Media("cut.flac");
  testing_support::WriteFile(cut_flac, flac_bytes.substr(0, flac_bytes.size() / 3));
  EXPECT_NE(Try(cut_flac), Outcome::Refused);
}

TEST_F(BadInput, WavClaimingMoreDataThanItHolds) {
  // The header promises ten seconds; one is there.
  const fs::path file = Media("liar.wav");
  WriteWav(file, 44100, 2, 44100, 10 * 44100 * 4);
  const Outcome outcome = Try(file);
  ASSERT_NE(outcome, Outcome::Refused);
  if (outcome == Outcome::Converted) {
    // Only the audio that is there comes out.
    const auto info = ReadWavInfo(control_.GetItemDestination(control_.GetItemCount() - 1));
    ASSERT_TRUE(info);
    EXPECT_NEAR(info->Seconds(), 1.0, 0.01);
  }
}

TEST_F(BadInput, SourceReplacedByGarbageAfterAdding) {
  const fs::path file = Media("changes.wav");
  WriteWav(file, 8000, 1, 8000);
  ASSERT_EQ(control_.AddFile(file.c_str(), -1), 1);
  testing_support::WriteFile(file, std::string(4096, '\x55'));
  const int index = 0;
  EXPECT_EQ(control_.ConvertItems(&index, 1), 0);
  EXPECT_FALSE(fs::exists(control_.GetItemDestination(0)));
  EXPECT_TRUE(IntermediatesLeft().empty());
}

}  // namespace
