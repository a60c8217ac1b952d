#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "authoring_test_support.h"
#include "encoder/bit_writer.h"
#include "encoder/block_coder.h"
#include "encoder/forward_dct.h"
#include "encoder/mpeg2_tables.h"
#include "encoder/still_encoder.h"
#include "mux/pack_format.h"
#include "support/test_support.h"

namespace {
using namespace pennock;
using authoring_test::BitString;
using authoring_test::MakeBmp;
using Bytes = std::vector<std::uint8_t>;

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t count) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
               bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
}

BmpPicture Picture(int width, int height, std::uint32_t colour) {
  BmpPicture p;
  ParseBmp24(MakeBmp(width, height, [&](int, int) { return colour; }), p);
  return p;
}

// ---- Headers -------------------------------------------------------------

TEST(StillHeaders, EveryByteForBothTvSystemsAndAspects) {
  struct Case { int height; int aspect; int frame_rate; std::uint8_t aspect_byte; };
  for (const Case c : {Case{480, 43, 4, 0x24}, Case{480, 169, 4, 0x34},
                       Case{576, 43, 3, 0x23}, Case{576, 169, 3, 0x33}}) {
    SCOPED_TRACE(c.height * 1000 + c.aspect);
    ASSERT_EQ(FrameRateCodeForHeight(c.height), c.frame_rate);
    const Bytes h = StillHeaders(720, c.height, c.frame_rate, c.aspect, 0);
    const bool pal = c.frame_rate == 3;
    const Bytes expected_sequence = {0x00, 0x00, 0x01, 0xB3, 0x2D,
                                     static_cast<std::uint8_t>(pal ? 0x02 : 0x01),
                                     static_cast<std::uint8_t>(pal ? 0x40 : 0xE0),
                                     c.aspect_byte, 0x15, 0xF9, 0x23, 0x80};
    EXPECT_EQ(Slice(h, 0, 12), expected_sequence);
    EXPECT_EQ(Slice(h, 12, 10), (Bytes{0x00, 0x00, 0x01, 0xB5, 0x14, 0x82, 0x00, 0x01, 0x00, 0x00}));
    const Bytes display = pal ? Bytes{0x00, 0x00, 0x01, 0xB5, 0x23, 0x05, 0x05, 0x05, 0x0B, 0x42, 0x12, 0x00}
                              : Bytes{0x00, 0x00, 0x01, 0xB5, 0x25, 0x06, 0x06, 0x06, 0x0B, 0x42, 0x0F, 0x00};
    EXPECT_EQ(Slice(h, 22, 12), display);
    EXPECT_EQ(Slice(h, 34, 4), (Bytes{0x00, 0x00, 0x01, 0xB8}));
    EXPECT_EQ(Slice(h, 38, 4), pal ? (Bytes{0x00, 0x08, 0x00, 0x40}) : (Bytes{0x80, 0x08, 0x00, 0x40}));
    EXPECT_EQ(Slice(h, 42, 8), (Bytes{0x00, 0x00, 0x01, 0x00, 0x00, 0x0F, 0xFF, 0xF8}));
    EXPECT_EQ(Slice(h, 50, 9), (Bytes{0x00, 0x00, 0x01, 0xB5, 0x8F, 0xFF, 0xF3, 0xC1, 0x80}));
    EXPECT_EQ(h.size(), 59u);
  }
}

TEST(StillHeaders, FrameRateCodesAndRoundedSizes) {
  EXPECT_EQ(FrameRateCodeForHeight(240), 4);
  EXPECT_EQ(FrameRateCodeForHeight(288), 3);
  EXPECT_EQ(FrameRateCodeForHeight(400), 0);
  const Bytes h = StillHeaders(350, 400, 0, 43, 0);
  // 350 -> 336 (0x150), 400 -> 400 (0x190); 4:3 with frame-rate code 0.
  EXPECT_EQ(Slice(h, 4, 4), (Bytes{0x15, 0x01, 0x90, 0x20}));
}

TEST(StillHeaders, GopTimeCodeCountsAtThirtyFramesASecond) {
  auto time_code = [](std::int64_t n, bool ntsc) {
    const Bytes h = StillHeaders(720, ntsc ? 480 : 576, ntsc ? 4 : 3, 43, n);
    return BitString(Slice(h, 38, 4));
  };
  // drop(1) hours(5) minutes(6) marker(1) seconds(6) pictures(6) closed(1) broken(1) pad(5)
  EXPECT_EQ(time_code(0, true), "1" "00000" "000000" "1" "000000" "000000" "1" "0" "00000");
  EXPECT_EQ(time_code(29, false), "0" "00000" "000000" "1" "000000" "011101" "1" "0" "00000");
  EXPECT_EQ(time_code(30, false), "0" "00000" "000000" "1" "000001" "000000" "1" "0" "00000");
  // 1 h 2 min 3 s 4 pictures.
  EXPECT_EQ(time_code(108000 + 2 * 1800 + 3 * 30 + 4, true),
            "1" "00001" "000010" "1" "000011" "000100" "1" "0" "00000");
  // 59 min 59 s 29 pictures.
  EXPECT_EQ(time_code(107999, false), "0" "00000" "111011" "1" "111011" "011101" "1" "0" "00000");
}

// ---- Transform and quantiser ---------------------------------------------

// The formula evaluated directly in doubles, term by term, on samples
// converted in doubles, and quantised as written.
using RealBlock = std::array<double, 64>;

void DirectDct(const RealBlock& f, RealBlock& out) {
  for (int v = 0; v < 8; ++v)
    for (int u = 0; u < 8; ++u) {
      double sum = 0;
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) sum += f[y * 8 + x] * CosineTable(x, u) * CosineTable(y, v);
      out[v * 8 + u] = 0.25 * (u == 0 ? kC0 : 1.0) * (v == 0 ? kC0 : 1.0) * sum;
    }
}

double DirectLevel(const RealBlock& dct, int k, int q) {
  return k == 0 ? dct[0] / 8.0 : 16.0 * dct[0 + k] / (2.0 * q * kDefaultIntraMatrix[k]);
}

TEST(ForwardDct, CosineTableHasThreeDecimalsAndDctSigns) {
  EXPECT_EQ(CosineTable(0, 0), 1.0);
  EXPECT_EQ(CosineTable(0, 1), 0.981);
  EXPECT_EQ(CosineTable(7, 1), -0.981);
  EXPECT_EQ(CosineTable(1, 2), 0.383);   // cos(6 pi / 16)
  EXPECT_EQ(CosineTable(3, 4), 0.707);   // cos(28 pi / 16)
  EXPECT_EQ(CosineTable(2, 4), -0.707);  // cos(20 pi / 16)
  EXPECT_EQ(CosineTable(5, 7), -0.831);  // cos(77 pi / 16) = cos(13 pi / 16)
}

TEST(ForwardDct, SameQuantisedCoefficientsAsTheDirectFormula) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> byte(0, 255);
  int blocks = 0, near_boundary = 0;
  // rgb: 64 pixels; luma and one chroma channel are both checked.
  auto check = [&](const std::array<std::array<int, 3>, 64>& rgb) {
    for (int channel = 0; channel < 2; ++channel) {
      SampleBlock milli{};
      RealBlock real{};
      for (int i = 0; i < 64; ++i) {
        const int r = rgb[i][0], g = rgb[i][1], b = rgb[i][2];
        if (channel == 0) {
          milli[i] = 257 * r + 504 * g + 98 * b + 16000;
          real[i] = 0.257 * r + 0.504 * g + 0.098 * b + 16;
        } else {
          milli[i] = 439 * b - 291 * g - 148 * r + 128000;
          real[i] = 0.439 * b - 0.291 * g - 0.148 * r + 128;
        }
      }
      DctSums sums{};
      RealBlock direct{};
      ForwardDct(milli, sums);
      DirectDct(real, direct);
      for (int q : {1, 2}) {
        Coefficients qf{};
        Quantise(sums, q, qf);
        for (int i = 0; i < 64; ++i) {
          const int k = kZigZag[i];
          const double level = DirectLevel(direct, k, q);
          const int expected = std::clamp(RoundHalfAway(level), k ? -2047 : -100000, k ? 2047 : 100000);
          ASSERT_EQ(qf[k], expected) << "coefficient " << k << " q " << q << " level " << level;
          if (std::abs(std::abs(level - std::trunc(level)) - 0.5) < 1e-3) ++near_boundary;
          ASSERT_NEAR(DctValue(sums, k), direct[k], 1e-9);
        }
      }
    }
    ++blocks;
  };
  std::array<std::array<int, 3>, 64> rgb{};
  for (int i = 0; i < 3000; ++i) {  // noise
    for (auto& px : rgb) px = {byte(rng), byte(rng), byte(rng)};
    check(rgb);
  }
  for (int i = 0; i < 3000; ++i) {  // smooth, photo-like: gradients with a little texture
    const int r0 = byte(rng), g0 = byte(rng), b0 = byte(rng), gx = byte(rng) % 9, gy = byte(rng) % 9;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        rgb[y * 8 + x] = {std::min(255, r0 / 2 + gx * x + (x * y) % 3), std::min(255, g0 / 2 + gy * y),
                          std::min(255, b0 / 2 + gx * y + gy * x)};
    check(rgb);
  }
  // Flat blocks: every grey and colour level, the DC passes every boundary.
  for (int level = 0; level < 256; ++level) {
    rgb.fill({level, level, level});
    check(rgb);
    rgb.fill({level, 255 - level, level / 2});
    check(rgb);
  }
  EXPECT_EQ(blocks, 6512);
  EXPECT_GT(near_boundary, 100);  // the comparison did reach rounding boundaries
}

// Sums that give the coefficient F at position k.
double SumFor(double f, int k) {
  const int u = k % 8, v = k / 8;
  return f / (0.25 * (u == 0 ? kC0 : 1.0) * (v == 0 ? kC0 : 1.0) / 1e9);
}

TEST(Quantiser, RoundsHalfAwayFromZeroAndWeighsByTheDefaultMatrix) {
  EXPECT_EQ(RoundHalfAway(2.5), 3);
  EXPECT_EQ(RoundHalfAway(-2.5), -3);
  EXPECT_EQ(RoundHalfAway(2.4999), 2);
  EXPECT_EQ(RoundHalfAway(-0.4), 0);

  DctSums sums{};
  sums[0] = SumFor(1020.0, 0);  // DC: 1020 / 8 = 127.5 -> 128
  sums[1] = SumFor(100.0, 1);   // W = 16: 16 * 100 / (2 * 16) = 50
  sums[63] = SumFor(-830.0, 63);  // W = 83: 16 * -830 / (2 * 83) = -80
  sums[56] = SumFor(8.4, 56);   // W[7][0] = 27: 16 * 8.4 / 54 = 2.49 -> 2
  sums[2] = SumFor(1e6, 2);     // clamped
  Coefficients qf{};
  Quantise(sums, 1, qf);
  EXPECT_EQ(qf[0], 128);
  EXPECT_EQ(qf[1], 50);
  EXPECT_EQ(qf[63], -80);
  EXPECT_EQ(qf[56], 2);
  EXPECT_EQ(qf[2], 2047);
  Quantise(sums, 2, qf);
  EXPECT_EQ(qf[0], 128);  // the DC rule does not depend on q
  EXPECT_EQ(qf[1], 25);
  EXPECT_EQ(qf[63], -40);

  // What a decoder rebuilds (QF * W * 2q / 16) is within half a step of F.
  for (int i : {1, 4, 63}) {
    const int k = kZigZag[i];
    sums.fill(0);
    sums[k] = SumFor(123.4, k);
    Quantise(sums, 1, qf);
    const double rebuilt = qf[k] * kDefaultIntraMatrix[k] * 2.0 / 16.0;
    EXPECT_NEAR(rebuilt, 123.4, kDefaultIntraMatrix[k] / 16.0);
  }
}

// ---- Block coding --------------------------------------------------------

std::string CodeBlock(const Coefficients& qf, int component, int* warnings = nullptr) {
  Bytes out;
  BitWriter bits(out);
  BlockCoder coder(bits, [&] { if (warnings) ++*warnings; });
  coder.Code(qf, component);
  bits.Put(1, 1);  // a marker bit after the code, then padding zeros
  bits.Align();
  const std::string s = BitString(out);
  return s.substr(0, s.find_last_of('1'));
}

TEST(BlockCoder, DcDifferentialsAndSizes) {
  Coefficients qf{};
  qf[0] = 128;
  EXPECT_EQ(CodeBlock(qf, BlockCoder::Luma), "100" "10");
  EXPECT_EQ(CodeBlock(qf, BlockCoder::Cb), "00" "10");
  qf[0] = 127;  // -1: size 1, bits "0"
  EXPECT_EQ(CodeBlock(qf, BlockCoder::Luma), "00" "0" "10");
  qf[0] = 131;  // +3: size 2, bits "11"
  EXPECT_EQ(CodeBlock(qf, BlockCoder::Cr), "10" "11" "10");
  qf[0] = 16;  // -112: size 7, bits of -112 - 1 = "0001111"
  EXPECT_EQ(CodeBlock(qf, BlockCoder::Luma), "111110" "0001111" "10");
  qf[0] = 383;  // +255: size 8
  EXPECT_EQ(CodeBlock(qf, BlockCoder::Luma), "1111110" "11111111" "10");
  int warnings = 0;
  qf[0] = 384;  // +256: size 9, and the "DC>256" message
  EXPECT_EQ(CodeBlock(qf, BlockCoder::Cb, &warnings), "111111110" "100000000" "10");
  EXPECT_EQ(warnings, 1);
}

TEST(BlockCoder, AcPairsEscapesAndEndOfBlock) {
  Coefficients qf{};
  qf[0] = 128;
  qf[kZigZag[1]] = 1;    // run 0, level 1: "11" + sign
  qf[kZigZag[3]] = -2;   // run 1, level 2: "000110" + sign
  qf[kZigZag[35]] = 1;   // run 31, level 1: 16-bit code
  EXPECT_EQ(CodeBlock(qf, BlockCoder::Luma),
            "100" "11" "0" "000110" "1" "0000000000011011" "0" "10");
  qf = {};
  qf[0] = 128;
  qf[kZigZag[1]] = 41;     // beyond the table: escape, run 0, level 41
  qf[kZigZag[2]] = -2047;  // escape, two's complement 0x801
  qf[kZigZag[5]] = 6;      // run 2, level 6: no code, escape
  EXPECT_EQ(CodeBlock(qf, BlockCoder::Luma),
            "100" "000001" "000000" "000000101001" "000001" "000000" "100000000001"
            "000001" "000010" "000000000110" "10");
}

TEST(BlockCoder, PredictorsCarryAcrossBlocksAndReset) {
  Bytes out;
  BitWriter bits(out);
  BlockCoder coder(bits, nullptr);
  Coefficients qf{};
  qf[0] = 130;
  coder.Code(qf, BlockCoder::Luma);  // +2: "01" "10" "10"
  coder.Code(qf, BlockCoder::Luma);  // 0: "100" "10"
  coder.Code(qf, BlockCoder::Cb);    // Cb predictor still 128: +2 "10" "10" "10"
  coder.ResetPredictors();
  coder.Code(qf, BlockCoder::Luma);  // +2 again
  bits.Align();
  EXPECT_EQ(BitString(out), "011010" "10010" "101010" "011010" "0");
}

// ---- Whole pictures ------------------------------------------------------

TEST(StillPicture, AllBlackCodesOneDcDifferentialPerSlice) {
  const CodedStill coded = CodeStillPicture(Picture(64, 32, 0x000000), {}, {});
  ASSERT_FALSE(coded.aborted);
  // Per slice: start code, q = 1, extra bit; first macroblock "11", its first
  // luma block -112 (Y = 16), the other blocks difference 0; four macroblocks.
  const std::string first_mb = "11" "111110" "0001111" "10" "10010" "10010" "10010" "0010" "0010";
  const std::string next_mb = "11" "10010" "10010" "10010" "10010" "0010" "0010";
  std::string slice = "00001" "0" + first_mb + next_mb + next_mb + next_mb;
  while (slice.size() % 8) slice += '0';
  const std::string bits = BitString(coded.stream, 59);
  std::string expected;
  for (int r = 1; r <= 2; ++r) {
    expected += "00000000" "00000000" "00000001" + std::string(BitString({static_cast<std::uint8_t>(r)}));
    expected += slice;
  }
  expected += BitString({0x00, 0x00, 0x01, 0xB7});
  EXPECT_EQ(bits, expected);
}

TEST(StillPicture, SendsProgressPerMacroblockAndStopsOnAbort) {
  struct Sink : platform::QueuedSink {
    std::intptr_t OnMessage(std::uint32_t message, std::uintptr_t, std::intptr_t lparam) override {
      if (message == kMsgProgress) progress.push_back(static_cast<int>(lparam));
      if (progress.size() == 3 && abort) abort->store(1);
      return 0;
    }
    std::vector<int> progress;
    std::atomic<std::int32_t>* abort = nullptr;
  } sink;
  std::atomic<std::int32_t> abort{0};
  const JobSignals signals{platform::RegisterWindow(&sink), nullptr, &abort};
  // 2 x 2 macroblocks: 0, 25, 50, 75 percent.
  CodedStill coded = CodeStillPicture(Picture(32, 32, 0x808080), {}, signals);
  EXPECT_EQ(sink.progress, (std::vector<int>{0, 25, 50, 75}));
  EXPECT_FALSE(coded.aborted);

  sink.progress.clear();
  sink.abort = &abort;
  coded = CodeStillPicture(Picture(32, 32, 0x808080), {}, signals);
  platform::UnregisterWindow(signals.window);
  EXPECT_TRUE(coded.aborted);
  EXPECT_EQ(sink.progress.size(), 3u);
  // No sequence end code after an abort.
  const Bytes tail = Slice(coded.stream, coded.stream.size() - 4, 4);
  EXPECT_NE(tail, (Bytes{0x00, 0x00, 0x01, 0xB7}));
}

// ---- Packetising ---------------------------------------------------------

struct PackView {
  const std::uint8_t* p;
  std::size_t pes_length() const { return static_cast<std::size_t>(p[18] << 8 | p[19]); }
};

TEST(Packetise, NavigationPackThenVideoPacksWithTheFirstPackHeaders) {
  Bytes stream(100, 0xAB);
  const Bytes file = PacketiseStill(stream, kFrameRateNtsc, 0);
  ASSERT_EQ(file.size(), 2 * kSectorSize);
  // Navigation pack template.
  EXPECT_EQ(Slice(file, 0, 14), (Bytes{0x00, 0x00, 0x01, 0xBA, 0x44, 0x00, 0x04, 0x00, 0x04, 0x01,
                                       0x01, 0x89, 0xC3, 0xF8}));
  EXPECT_EQ(Slice(file, 14, 24),
            (Bytes{0x00, 0x00, 0x01, 0xBB, 0x00, 0x12, 0x80, 0xC4, 0xE1, 0x00, 0xE1, 0x7F,
                   0xB9, 0xE0, 0xE8, 0xB8, 0xC0, 0x20, 0xBD, 0xE0, 0x3A, 0xBF, 0xE0, 0x02}));
  EXPECT_EQ(Slice(file, 38, 7), (Bytes{0x00, 0x00, 0x01, 0xBF, 0x03, 0xD4, 0x00}));
  EXPECT_EQ(Slice(file, 1024, 7), (Bytes{0x00, 0x00, 0x01, 0xBF, 0x03, 0xFA, 0x01}));
  EXPECT_EQ(file[72], 0xC0);
  EXPECT_EQ(file[1062], 0xC0);
  EXPECT_EQ(Slice(file, 1055, 4), (Bytes{0x00, 0x01, 0x00, 0x01}));
  EXPECT_EQ(Slice(file, 1265, 4), (Bytes{0x3F, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Slice(file, 1429, 4), (Bytes{0x3F, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(GetBe32(&file[1039]), 1u);
  EXPECT_EQ(GetBe32(&file[1043]), 1u);

  const std::uint8_t* v = &file[kSectorSize];
  EXPECT_EQ(Bytes(v, v + 14), (Bytes{0x00, 0x00, 0x01, 0xBA, 0x44, 0x00, 0x04, 0x04, 0x94, 0xAB,
                                     0x01, 0x89, 0xC3, 0xF8}));
  EXPECT_EQ(Bytes(v + 14, v + 23), (Bytes{0x00, 0x00, 0x01, 0xE0, 0x00, 16 + 100, 0x81, 0xC1, 13}));
  EXPECT_EQ(v[23] >> 4, 0x3);
  EXPECT_EQ(ReadTimestamp(v + 23), 21021u);
  EXPECT_EQ(v[28] >> 4, 0x1);
  EXPECT_EQ(ReadTimestamp(v + 28), 18018u);
  EXPECT_EQ(Bytes(v + 33, v + 36), (Bytes{0x1E, 0x60, 0xE8}));
  EXPECT_EQ(v[36], 0xAB);
  // Padding packet after the data fills the pack.
  const std::uint8_t* pad = v + 36 + 100;
  EXPECT_EQ(Bytes(pad, pad + 4), (Bytes{0x00, 0x00, 0x01, 0xBE}));
  EXPECT_EQ(pad + 6 + (pad[4] << 8 | pad[5]), v + kSectorSize);
}

TEST(Packetise, LaterPicturesAndPalTimeStamps) {
  const Bytes file = PacketiseStill(Bytes(50, 1), kFrameRatePal, 12);
  const std::uint8_t* v = &file[kSectorSize];
  EXPECT_EQ(file[72], 0x40);
  EXPECT_EQ(Bytes(v + 20, v + 23), (Bytes{0x81, 0xC0, 10}));
  EXPECT_EQ(ReadTimestamp(v + 23), 25200u);
  EXPECT_EQ(ReadTimestamp(v + 28), 21600u);
  EXPECT_EQ(v[33], 1);  // data right after the ten timestamp bytes
}

TEST(Packetise, TheThreeLastPackCases) {
  // First pack (n = 0) carries 2012 bytes, every following pack 2025.
  struct Case { std::size_t last_k; std::size_t packs; };
  for (const Case c : {Case{1, 3}, Case{2019, 3}, Case{2020, 3}, Case{2024, 3}, Case{2025, 4}}) {
    SCOPED_TRACE(c.last_k);
    Bytes stream(2012 + c.last_k);
    for (std::size_t i = 0; i < stream.size(); ++i) stream[i] = static_cast<std::uint8_t>(i * 7);
    const Bytes file = PacketiseStill(stream, kFrameRateNtsc, 0);
    ASSERT_EQ(file.size(), c.packs * kSectorSize);
    EXPECT_EQ(GetBe32(&file[1039]), c.packs - 1);
    EXPECT_EQ(GetBe32(&file[1043]), c.packs - 1);

    // The data comes back whole, in order.
    Bytes back(file.begin() + 2048 + 36, file.begin() + 4096);
    const std::uint8_t* last = &file[2 * kSectorSize];
    EXPECT_EQ(Bytes(last + 14, last + 18), (Bytes{0x00, 0x00, 0x01, 0xE0}));
    EXPECT_EQ(Bytes(last + 20, last + 23), (Bytes{0x81, 0x00, 0x00}));
    const std::size_t pes = static_cast<std::size_t>(last[18] << 8 | last[19]);
    if (c.last_k <= 2019) {
      EXPECT_EQ(pes, c.last_k + 3);
      const std::uint8_t* pad = last + 20 + pes;
      EXPECT_EQ(Bytes(pad, pad + 4), (Bytes{0x00, 0x00, 0x01, 0xBE}));
      EXPECT_EQ(static_cast<std::size_t>(pad[4] << 8 | pad[5]), 2019 - c.last_k);
      back.insert(back.end(), last + 23, last + 23 + c.last_k);
    } else if (c.last_k <= 2024) {
      EXPECT_EQ(pes, 0x07ECu);
      back.insert(back.end(), last + 23, last + 23 + c.last_k);
      for (const std::uint8_t* p = last + 23 + c.last_k; p < last + kSectorSize; ++p) EXPECT_EQ(*p, 0xFF);
    } else {
      EXPECT_EQ(pes, 0x07ECu);
      back.insert(back.end(), last + 23, last + kSectorSize);
      const std::uint8_t* extra = &file[3 * kSectorSize];
      EXPECT_EQ(Bytes(extra + 14, extra + 29),
                (Bytes{0x00, 0x00, 0x01, 0xE0, 0x00, 0x03, 0x81, 0x00, 0x00, 0x00, 0x00, 0x01, 0xBE, 0x07, 0xE3}));
      EXPECT_EQ(extra[kSectorSize - 1], 0xFF);
    }
    EXPECT_EQ(back, stream);
  }
}

// ---- Encoding to a file --------------------------------------------------

class EncodeToFile : public ::testing::Test {
 protected:
  std::filesystem::path WriteBmp(const std::string& name, const Bytes& bytes) {
    const auto path = dir / name;
    testing_support::WriteFile(path, std::string(bytes.begin(), bytes.end()));
    return path;
  }
  testing_support::ScratchDir dir;
  testing_support::MessageBoxRecorder boxes;
};

TEST_F(EncodeToFile, RefusedBitmapsShowTheirMessageAndWriteNothing) {
  auto bad_depth = MakeBmp(16, 16, [](int, int) { return 0u; }, {.bit_count = 32});
  StillResult r = EncodeStill(WriteBmp("a.bmp", bad_depth), dir.Path(), {}, {});
  EXPECT_EQ(r.frame_rate_code, 0);
  EXPECT_FALSE(r.written);
  auto too_wide = MakeBmp(736, 16, [](int, int) { return 0u; });
  r = EncodeStill(WriteBmp("b.bmp", too_wide), dir.Path(), {}, {});
  EXPECT_EQ(r.frame_rate_code, 0);
  ASSERT_EQ(boxes.Boxes().size(), 2u);
  EXPECT_EQ(boxes.Boxes()[0].text, "It is not a 24-bit bitmap");
  EXPECT_EQ(boxes.Boxes()[1].text, "Wrong bitmap size");
  EXPECT_EQ(boxes.Boxes()[1].style & platform::kMbIconMask, platform::kMbIconError);
  // A file that cannot be opened: frame-rate code 4, no message, no output.
  r = EncodeStill(dir / "missing.bmp", dir.Path(), {}, {});
  EXPECT_EQ(r.frame_rate_code, 4);
  EXPECT_EQ(boxes.Boxes().size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(dir / "_menu.vob"));
}

TEST_F(EncodeToFile, OutputFolderThatCannotTakeTheFile) {
  const auto bmp = WriteBmp("a.bmp", MakeBmp(16, 16, [](int, int) { return 0u; }));
  const StillResult r = EncodeStill(bmp, dir / "no" / "such" / "folder", {}, {});
  EXPECT_FALSE(r.written);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Can't open the output file.");
}

TEST_F(EncodeToFile, BusyPictureIsCodedCoarserUntilItFits) {
  std::mt19937 rng(3);
  // Full-range luma noise with colour noise: too much detail for q = 2.
  auto noise = MakeBmp(720, 576, [&](int, int) {
    const double y = static_cast<double>(rng() % 256);
    const double u = static_cast<double>(rng() % 127) - 63;
    const double v = static_cast<double>(rng() % 127) - 63;
    auto channel = [](double c) { return static_cast<std::uint32_t>(std::clamp(c, 0.0, 255.0)); };
    return channel(y + 1.402 * v) << 16 | channel(y - 0.344 * u - 0.714 * v) << 8 | channel(y + 1.772 * u);
  });
  struct Sink : platform::QueuedSink {
    std::intptr_t OnMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t) override {
      if (message == kMsgStatus) statuses.push_back(static_cast<int>(wparam));
      return 0;
    }
    std::vector<int> statuses;
  } sink;
  std::atomic<std::int32_t> status{0};
  const JobSignals signals{platform::RegisterWindow(&sink), &status, nullptr};
  const StillResult r = EncodeStillChoosingQuantiser(WriteBmp("noise.bmp", noise), dir.Path(), 43, 0, signals);
  platform::UnregisterWindow(signals.window);
  // Noise runs into the coded-data limit at q = 1: it is coded again,
  // coarser, instead of being cut off, and the limit of the first try is
  // not reported.
  EXPECT_TRUE(r.written);
  EXPECT_FALSE(r.truncated);
  EXPECT_EQ(r.q, 2);
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(sink.statuses, (std::vector<int>{9520, 9520}));
  EXPECT_EQ(std::filesystem::file_size(dir / "_menu.vob"), static_cast<std::uintmax_t>(r.packs) * 2048);

  // A direct encode at q = 1 still reports the limit.
  const StillResult direct = EncodeStill(dir / "noise.bmp", dir.Path(), {}, {});
  EXPECT_TRUE(direct.truncated);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Memory has reached 550,000 bytes.\nPlease reduce the quantizer scale.");

  // A calm picture stays at q = 1.
  const StillResult calm = EncodeStillChoosingQuantiser(
      WriteBmp("calm.bmp", MakeBmp(720, 480, [](int x, int y) { return static_cast<std::uint32_t>(x / 3) << 8 | static_cast<std::uint32_t>(y / 2); })),
      dir.Path(), 169, 0, {});
  EXPECT_EQ(calm.q, 1);
  EXPECT_EQ(calm.frame_rate_code, 4);
  EXPECT_LE(calm.packs, 120);
}

}  // namespace
