// Property objects of every kind: numbers, defaults, identity strings,
// CopyFrom, the resampler request and the MP3 configuration record.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/codec_registry.h"
#include "engine/mp3_target_format.h"
#include "engine/source_descriptors.h"
#include "engine/wav_target_format.h"

namespace {
using namespace carrowell;

TEST(SourceDescriptors, MediaFileHasPathDisplayNameAndIdentity) {
  MediaFileSource source;
  EXPECT_EQ(source.Identity(), "{F89232D6-181D-4a73-B06F-EF53F8BA3296}");
  EXPECT_EQ(source.SetString(0, "/music/a.mp3"), 1);
  EXPECT_EQ(source.SetString(-2, "a.mp3"), 1);
  EXPECT_EQ(source.String(0), "/music/a.mp3");
  EXPECT_EQ(source.String(-2), "a.mp3");
  // A file that cannot be read has the unknown duration.
  EXPECT_EQ(source.String(-3), "00:00.00");
  // Unknown numbers and families report 0 and change nothing.
  std::string text = "keep";
  EXPECT_EQ(source.GetString(1, text), 0);
  EXPECT_EQ(text, "keep");
  EXPECT_EQ(source.SetString(1, "x"), 0);
  int value = 7;
  EXPECT_EQ(source.GetInt(0, value), 0);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(source.SetString(-1, "{other}"), 0);
  EXPECT_EQ(source.Identity(), kMediaFileIdentity);
}

TEST(SourceDescriptors, CdTrackDefaultsSectorsAndDurationText) {
  CdTrackSource track;
  EXPECT_EQ(track.Identity(), "{48F123EB-66D6-4401-ADE7-8D0643E5A47C}");
  EXPECT_EQ(track.Int(0, 99), -1);
  EXPECT_EQ(track.Int(1, 99), -1);
  EXPECT_EQ(track.SetString(2, "Track 03"), 1);
  EXPECT_EQ(track.String(-2), "Track 03");
  EXPECT_EQ(track.SetString(-2, "other"), 0);
  EXPECT_EQ(track.SetInt2(3, 1000), 1);
  // 1 h 2 min 3 s and 4 frames: 3723 * 75 + 4 sectors, the last one included.
  EXPECT_EQ(track.SetInt2(4, 1000 + 3723 * 75 + 4 - 1), 1);
  int first = 0;
  EXPECT_EQ(track.GetInt2(3, first), 1);
  EXPECT_EQ(first, 1000);
  EXPECT_EQ(track.String(-3), "01:02:03.04");
  // Sector numbers are not plain integers.
  EXPECT_EQ(track.SetInt(3, 5), 0);
}

TEST(SourceDescriptors, CopyFromTakesOnlyTheSameKind) {
  MediaFileSource a, b;
  a.SetString(0, "/x/one.wav");
  a.SetString(-2, "one.wav");
  EXPECT_EQ(b.CopyFrom(a), 1);
  EXPECT_EQ(b.String(0), "/x/one.wav");
  EXPECT_EQ(b.String(-2), "one.wav");

  CdTrackSource track;
  track.SetString(2, "T");
  EXPECT_EQ(b.CopyFrom(track), 0);
  EXPECT_EQ(b.String(0), "/x/one.wav");
  CdTrackSource other;
  other.SetInt(0, 2);
  other.SetInt(1, 5);
  other.SetInt2(3, 10);
  other.SetInt2(4, 84);
  other.SetString(2, "Five");
  EXPECT_EQ(track.CopyFrom(other), 1);
  EXPECT_EQ(track.Int(0), 2);
  EXPECT_EQ(track.Int(1), 5);
  EXPECT_EQ(track.String(2), "Five");
  EXPECT_EQ(track.String(-3), "00:00:01.00");

  NullSource none;
  EXPECT_EQ(none.CopyFrom(none), 0);
  EXPECT_EQ(none.Identity(), "");
}

TEST(DurationTexts, HoursMinutesSecondsHundredths) {
  EXPECT_EQ(FormatLengthText(3661.5), "01:01:01.50");
  EXPECT_EQ(FormatLengthText(0.25), "00:00:00.25");
  EXPECT_EQ(FormatLengthText(59.999), "00:00:59.99");
  EXPECT_EQ(FormatLengthText(-1), "00:00.00");
  EXPECT_EQ(FormatSectorsText(74), "00:00:00.74");
  EXPECT_EQ(FormatSectorsText(270000), "01:00:00.00");
}

TEST(WavTargetFormat, DefaultsAndSinglePrecisionRates) {
  WavTargetFormat format;
  EXPECT_EQ(format.Identity(), "");
  EXPECT_DOUBLE_EQ(format.Real(2), 44100.0);
  EXPECT_DOUBLE_EQ(format.Real(3), 48000.0);
  EXPECT_EQ(format.Int(4, -1), 0);
  EXPECT_EQ(format.Int(5), 2);
  EXPECT_EQ(format.String(0, "x"), "");
  EXPECT_EQ(format.String(1, "x"), "");
  format.SetReal(3, 96000.123456789);
  EXPECT_DOUBLE_EQ(format.Real(3), static_cast<double>(96000.123456789f));
  // No identity: CopyFrom never copies, not even from its own kind.
  WavTargetFormat other;
  other.SetReal(3, 96000);
  EXPECT_EQ(format.CopyFrom(other), 0);
}

TEST(WavTargetFormat, RequestBlockCarriesEveryProperty) {
  WavTargetFormat format;
  format.SetString(0, "/tmp/in.wav");
  format.SetString(1, "/tmp/out.wav");
  format.SetReal(2, 22050);
  format.SetReal(3, 96000);
  format.SetInt(4, 7);
  format.SetInt(5, 1);
  ResampleRequest request;
  EXPECT_EQ(format.GetBlock(6, &request, sizeof request - 1), 0);
  ASSERT_EQ(format.GetBlock(6, &request, sizeof request), 1);
  EXPECT_STREQ(request.input_path, "/tmp/in.wav");
  EXPECT_STREQ(request.output_path, "/tmp/out.wav");
  EXPECT_EQ(request.input_rate, 22050.0f);
  EXPECT_EQ(request.output_rate, 96000.0f);
  EXPECT_EQ(request.option, 7);
  EXPECT_EQ(request.channels, 1);
  EXPECT_EQ(request.progress, nullptr);

  // Written back, including paths that point into the format itself.
  request.channels = 6;
  request.input_rate = 8000;
  ASSERT_EQ(format.SetBlock(6, &request, sizeof request), 1);
  EXPECT_EQ(format.Int(5), 6);
  EXPECT_DOUBLE_EQ(format.Real(2), 8000);
  EXPECT_EQ(format.String(0), "/tmp/in.wav");
  EXPECT_EQ(format.String(1), "/tmp/out.wav");
}

TEST(Mp3TargetFormat, ConfigurationRecordDefaults) {
  Mp3TargetFormat format;
  EXPECT_EQ(format.Identity(), "{1BC03EF5-661B-4c3f-AD68-4630B8D16426}");
  BE_CONFIG config;
  ASSERT_EQ(sizeof config, 331u);
  ASSERT_EQ(format.GetBlock(12, &config, sizeof config), 1);
  const auto& lame = config.format.LHV1;
  EXPECT_EQ(config.dwConfig, 256u);
  EXPECT_EQ(lame.dwStructVersion, 1u);
  EXPECT_EQ(lame.dwStructSize, 331u);
  EXPECT_EQ(lame.dwSampleRate, 44100u);
  EXPECT_EQ(lame.dwReSampleRate, 0u);
  EXPECT_EQ(lame.dwBitrate, 128u);
  EXPECT_EQ(lame.dwMaxBitrate, 128u);
  EXPECT_EQ(lame.nPreset, 9000);
  EXPECT_EQ(lame.nMode, 0);
  EXPECT_EQ(lame.bEnableVBR, 0);
  EXPECT_EQ(lame.nVBRQuality, 5);
  EXPECT_EQ(lame.bWriteVBRHeader, 1);
  EXPECT_EQ(lame.bNoRes, 1);
  EXPECT_EQ(lame.dwMpegVersion, 0u);
  EXPECT_EQ(lame.bCRC + lame.bCopyright + lame.bOriginal + lame.bPrivate + lame.bStrictIso, 0);
  for (std::uint8_t byte : lame.btReserved) EXPECT_EQ(byte, 0);
  EXPECT_EQ(format.String(-2), "MPEG Layer-3; 128 kbps; Auto kHz; VBR OFF");
}

TEST(Mp3TargetFormat, PropertiesLandInTheirFields) {
  Mp3TargetFormat format;
  EXPECT_EQ(format.SetInt(0, 2), 1);
  EXPECT_EQ(format.SetInt(1, 192), 1);
  EXPECT_EQ(format.SetInt(2, 256), 1);
  EXPECT_EQ(format.SetInt(3, 2), 1);
  EXPECT_EQ(format.SetInt(4, 3), 1);
  EXPECT_EQ(format.SetInt(4, 4), 0);
  EXPECT_EQ(format.SetInt(5, 44100), 1);
  for (int flag = 6; flag <= 11; ++flag) EXPECT_EQ(format.SetFlag(flag, 1), 1) << flag;
  EXPECT_EQ(format.SetFlag(12, 1), 0);
  EXPECT_EQ(format.SetInt(6, 1), 0);

  BE_CONFIG config;
  ASSERT_EQ(format.GetBlock(12, &config, sizeof config), 1);
  const auto& lame = config.format.LHV1;
  EXPECT_EQ(lame.dwBitrate, 192u);
  EXPECT_EQ(lame.dwMaxBitrate, 256u);
  EXPECT_EQ(lame.nVBRQuality, 2);
  EXPECT_EQ(lame.nMode, 3);
  EXPECT_EQ(lame.dwReSampleRate, 44100u);
  EXPECT_EQ(lame.bEnableVBR, 1);
  EXPECT_EQ(lame.bCopyright, 1);
  EXPECT_EQ(lame.bCRC, 1);
  EXPECT_EQ(lame.bOriginal, 1);
  EXPECT_EQ(lame.bPrivate, 1);
  EXPECT_EQ(lame.dwMpegVersion, 1u);
  EXPECT_EQ(format.Int(0), 2);  // kept with the format, not in the record
  EXPECT_EQ(format.Int(4), 3);
  EXPECT_EQ(format.String(-2), "MPEG Layer-3; 192 kbps; 44.1 kHz; VBR ON");

  format.SetFlag(11, 0);
  ASSERT_EQ(format.GetBlock(12, &config, sizeof config), 1);
  EXPECT_EQ(config.format.LHV1.dwMpegVersion, 0u);

  // The block goes back in whole.
  config.format.LHV1.dwBitrate = 64;
  ASSERT_EQ(format.SetBlock(12, &config, sizeof config), 1);
  EXPECT_EQ(format.Int(1), 64);
  EXPECT_EQ(format.SetBlock(12, &config, 330), 0);
}

TEST(Mp3TargetFormat, CopyFromCopiesFlagsAndIntegersOnly) {
  Mp3TargetFormat source, target;
  source.SetInt(0, 1);
  source.SetInt(1, 320);
  source.SetInt(2, 320);
  source.SetInt(3, 0);
  source.SetInt(4, 1);
  source.SetInt(5, 32000);
  source.SetFlag(6, 1);
  source.SetFlag(8, 1);
  source.SetFlag(11, 1);
  // The input's sample rate is not one of the copied properties.
  BE_CONFIG config;
  target.GetBlock(12, &config, sizeof config);
  config.format.LHV1.dwSampleRate = 22050;
  target.SetBlock(12, &config, sizeof config);

  EXPECT_EQ(target.CopyFrom(source), 1);
  for (int n = 0; n <= 5; ++n) EXPECT_EQ(target.Int(n), source.Int(n)) << n;
  for (int n = 6; n <= 11; ++n) EXPECT_EQ(target.Flag(n), source.Flag(n)) << n;
  target.GetBlock(12, &config, sizeof config);
  EXPECT_EQ(config.format.LHV1.dwSampleRate, 22050u);

  WavTargetFormat wav;
  EXPECT_EQ(target.CopyFrom(wav), 0);
  MediaFileSource file;
  EXPECT_EQ(target.CopyFrom(file), 0);
}

TEST(CodecRegistry, CreatesObjectsByKind) {
  CodecRegistry registry;
  EXPECT_NE(dynamic_cast<CdTrackSource*>(registry.CreateSourceDescriptor(0).get()), nullptr);
  EXPECT_NE(dynamic_cast<MediaFileSource*>(registry.CreateSourceDescriptor(4).get()), nullptr);
  EXPECT_NE(dynamic_cast<NullSource*>(registry.CreateSourceDescriptor(5).get()), nullptr);
  for (int kind : {-1, 1, 2, 3, 6, 100, 259, 260, 1000})
    EXPECT_EQ(registry.CreateSourceDescriptor(kind), nullptr) << kind;
  EXPECT_NE(dynamic_cast<WavTargetFormat*>(registry.CreateTargetFormat(100).get()), nullptr);
  EXPECT_NE(dynamic_cast<Mp3TargetFormat*>(registry.CreateTargetFormat(101).get()), nullptr);
  for (int kind : {-1, 0, 4, 99, 102, 260})
    EXPECT_EQ(registry.CreateTargetFormat(kind), nullptr) << kind;
}

}  // namespace
