#include "core/media_info.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::MakeToneFile;
using testing_support::ScratchDir;

// Runs ffmpeg with the given input and output options, writing `output`.
bool RunFfmpeg(const std::string& arguments, const fs::path& output) {
  const std::string command = "ffmpeg -nostdin -y -loglevel error " + arguments + " '" +
                              output.string() + "' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0 && fs::exists(output);
}

void ExpectPcmFormat(const fs::path& path, uint16_t channels, uint32_t rate, uint16_t bits) {
  verosa::WaveFormat format{};
  ASSERT_TRUE(verosa::GetPcmWaveFormat(format, path)) << path;
  EXPECT_EQ(format.format_tag, verosa::kWaveFormatPcm);
  EXPECT_EQ(format.channels, channels);
  EXPECT_EQ(format.samples_per_sec, rate);
  EXPECT_EQ(format.bits_per_sample, bits);
  EXPECT_EQ(format.block_align, channels * bits / 8);
  EXPECT_EQ(format.avg_bytes_per_sec, rate * channels * bits / 8);
  EXPECT_EQ(format.extra_size, 0);
}

TEST(MediaWaveFormat, PcmWavKeepsItsSampleWidth) {
  ScratchDir dir;
  ASSERT_TRUE(MakeToneFile(dir / "cd.wav", 0.5, 44100, 2));
  ExpectPcmFormat(dir / "cd.wav", 2, 44100, 16);

  ASSERT_TRUE(RunFfmpeg("-f lavfi -i sine=sample_rate=96000:duration=0.5 -c:a pcm_s24le",
                        dir / "hires.wav"));
  ExpectPcmFormat(dir / "hires.wav", 1, 96000, 24);

  ASSERT_TRUE(RunFfmpeg("-f lavfi -i sine=sample_rate=48000:duration=0.5 -ac 2 -c:a pcm_s32le",
                        dir / "wide.wav"));
  ExpectPcmFormat(dir / "wide.wav", 2, 48000, 32);

  ASSERT_TRUE(RunFfmpeg("-f lavfi -i sine=sample_rate=22050:duration=0.5 -c:a pcm_u8",
                        dir / "byte.wav"));
  ExpectPcmFormat(dir / "byte.wav", 1, 22050, 8);
}

TEST(MediaWaveFormat, CompressedAndFloatSourcesDecodeTo16Bit) {
  ScratchDir dir;
  ASSERT_TRUE(MakeToneFile(dir / "song.mp3", 0.5, 44100, 2));
  ExpectPcmFormat(dir / "song.mp3", 2, 44100, 16);

  ASSERT_TRUE(MakeToneFile(dir / "song.flac", 0.5, 48000, 2));
  ExpectPcmFormat(dir / "song.flac", 2, 48000, 16);

  ASSERT_TRUE(MakeToneFile(dir / "song.aiff", 0.5, 32000, 1));
  ExpectPcmFormat(dir / "song.aiff", 1, 32000, 16);

  ASSERT_TRUE(RunFfmpeg("-f lavfi -i sine=sample_rate=48000:duration=0.5 -c:a pcm_f32le",
                        dir / "float.wav"));
  ExpectPcmFormat(dir / "float.wav", 1, 48000, 16);
}

TEST(MediaWaveFormat, HighResolutionFlacKeeps24Bit) {
  ScratchDir dir;
  ASSERT_TRUE(RunFfmpeg(
      "-f lavfi -i sine=sample_rate=96000:duration=0.5 -ac 2 -sample_fmt s32 -c:a flac",
      dir / "hires.flac"));
  ExpectPcmFormat(dir / "hires.flac", 2, 96000, 24);
}

TEST(MediaStreams, VideoFilesWithAndWithoutSound) {
  ScratchDir dir;
  ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc=duration=2:size=160x120:rate=25 -f mpeg",
                        dir / "silent.mpg"));
  ASSERT_TRUE(RunFfmpeg(
      "-f lavfi -i testsrc=duration=2:size=160x120:rate=25 "
      "-f lavfi -i sine=sample_rate=48000:duration=2 -ac 2 -shortest -f mpeg",
      dir / "clip.mpg"));

  EXPECT_FALSE(verosa::HasAudioStream(dir / "silent.mpg"));
  verosa::WaveFormat format{};
  EXPECT_FALSE(verosa::GetPcmWaveFormat(format, dir / "silent.mpg"));
  EXPECT_EQ(verosa::GetMediaDurationSeconds(dir / "silent.mpg"), 2);

  EXPECT_TRUE(verosa::HasAudioStream(dir / "clip.mpg"));
  ExpectPcmFormat(dir / "clip.mpg", 2, 48000, 16);
  EXPECT_EQ(verosa::GetMediaDurationSeconds(dir / "clip.mpg"), 2);
}

TEST(MediaDuration, LongFileFormatsAsHoursMinutesSeconds) {
  ScratchDir dir;
  ASSERT_TRUE(RunFfmpeg("-f lavfi -i anullsrc=r=1000:cl=mono -t 3725 -c:a pcm_u8",
                        dir / "long.wav"));
  EXPECT_EQ(verosa::GetMediaDurationSeconds(dir / "long.wav"), 3725);
  EXPECT_EQ(verosa::FormatMediaDuration(dir / "long.wav"), "01:02:05");
  EXPECT_TRUE(verosa::HasAudioStream(dir / "long.wav"));
}

TEST(MediaDuration, TruncatesToWholeSeconds) {
  ScratchDir dir;
  ASSERT_TRUE(MakeToneFile(dir / "short.wav", 2.9, 8000, 1));
  EXPECT_EQ(verosa::GetMediaDurationSeconds(dir / "short.wav"), 2);
  EXPECT_NEAR(verosa::GetMediaLengthSeconds(dir / "short.wav"), 2.9, 0.001);
  EXPECT_EQ(verosa::GetMediaLengthSeconds(dir / "missing.wav"), -1.0);
  EXPECT_EQ(verosa::FormatMediaDuration(dir / "short.wav"), "00:00:02");

  ASSERT_TRUE(MakeToneFile(dir / "blip.mp3", 0.4, 44100, 1));
  EXPECT_EQ(verosa::GetMediaDurationSeconds(dir / "blip.mp3"), 0);
  EXPECT_EQ(verosa::FormatMediaDuration(dir / "blip.mp3"), "00:00:00");
}

TEST(MediaDuration, StreamWithoutStoredLengthIsMeasuredFromItsPackets) {
  // FLAC written to a pipe has no sample count in its header, so only the
  // packets tell how long it is.
  ScratchDir dir;
  const fs::path path = dir / "streamed.flac";
  const std::string command =
      "ffmpeg -nostdin -loglevel error -f lavfi -i sine=sample_rate=8000:duration=3 "
      "-c:a flac -f flac pipe:1 > '" + path.string() + "' 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(verosa::GetMediaDurationSeconds(path), 3);
  EXPECT_EQ(verosa::FormatMediaDuration(path), "00:00:03");
}

// The song names of the disc menus: the title tag as each format's writer
// stores it (ID3v2, Vorbis comments, RIFF INFO, MP4 atoms), trimmed; none
// when the file has no title.
TEST(MediaTitleTag, EveryFormatsOwnTag) {
  ScratchDir dir;
  const struct { const char* file; const char* options; const char* title; } kCases[] = {
      {"id3.mp3", "-c:a libmp3lame -id3v2_version 3", "Grüße aus Köln"},
      {"vorbis.ogg", "-c:a libvorbis", "  Spaced Out  "},
      {"opus.opus", "-c:a libopus", "Opus Song"},
      {"flac.flac", "-c:a flac", "Flac Song"},
      {"info.wav", "-c:a pcm_s16le", "Riff Song"},
      {"atoms.m4a", "-c:a aac", "Mp4 Song"},
      {"none.wav", "-c:a pcm_s16le", nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.file);
    const std::string metadata = c.title ? std::string(" -metadata title='") + c.title + "' " : " ";
    ASSERT_TRUE(RunFfmpeg("-f lavfi -i sine=sample_rate=48000:duration=0.5" + metadata + c.options, dir / c.file));
    std::string expected = c.title ? c.title : "";
    expected.erase(0, expected.find_first_not_of(' '));
    expected.erase(expected.find_last_not_of(' ') + 1);
    EXPECT_EQ(verosa::GetMediaTitleTag(dir / c.file), expected);
  }
  EXPECT_EQ(verosa::GetMediaTitleTag(dir / "missing.mp3"), "");
}

TEST(MediaProbe, NameWithColonIsReadAsLocalFile) {
  ScratchDir dir;
  ASSERT_TRUE(MakeToneFile(dir / "take.wav", 1.5, 44100, 2));
  const fs::path odd = dir / "01:02 take.wav";
  fs::rename(dir / "take.wav", odd);
  EXPECT_TRUE(verosa::HasAudioStream(odd));
  EXPECT_EQ(verosa::GetMediaDurationSeconds(odd), 1);
  ExpectPcmFormat(odd, 2, 44100, 16);
}

TEST(MediaProbe, UnreadableInputsFail) {
  ScratchDir dir;
  testing_support::WriteFile(dir / "empty.wav", "");
  testing_support::WriteFile(dir / "notes.txt", "Track list\n1. Intro 3:25\n2. Outro 4:10\n");
  std::string noise(8192, '\0');
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 7919 + 13) % 251);
  testing_support::WriteFile(dir / "noise.mp3", noise);
  fs::create_directory(dir / "folder.wav");

  for (const char* name : {"missing.wav", "empty.wav", "notes.txt", "noise.mp3", "folder.wav"}) {
    SCOPED_TRACE(name);
    const fs::path path = dir / name;
    EXPECT_EQ(verosa::GetMediaDurationSeconds(path), -1);
    EXPECT_EQ(verosa::FormatMediaDuration(path), "00:00.00");
    EXPECT_FALSE(verosa::HasAudioStream(path));
    verosa::WaveFormat format{};
    EXPECT_FALSE(verosa::GetPcmWaveFormat(format, path));
  }
}

TEST(MediaDurationText, HoursMinutesSeconds) {
  EXPECT_EQ(verosa::FormatDurationText(0), "00:00:00");
  EXPECT_EQ(verosa::FormatDurationText(59), "00:00:59");
  EXPECT_EQ(verosa::FormatDurationText(60), "00:01:00");
  EXPECT_EQ(verosa::FormatDurationText(3599), "00:59:59");
  EXPECT_EQ(verosa::FormatDurationText(3725), "01:02:05");
  EXPECT_EQ(verosa::FormatDurationText(100 * 3600 + 1), "100:00:01");
  EXPECT_EQ(verosa::FormatDurationText(-5), "00:00:00");
}

}  // namespace
