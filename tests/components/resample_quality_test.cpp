// The quality of the Resample component, measured on signals made here in
// double precision: passband flatness (a sweep), image rejection (a tone
// whose image lands in the output band) and THD+N (a tone near the top of the
// passband). libswresample's own engine, run here with the settings the
// component gives it, misses every threshold: a silent fall-back from the SoX
// engine shows.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "../../components/resample/include/resample/resample.h"
#include "components/audio_test_support.h"
#include "platform/module.h"
#include "support/test_support.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace {

namespace fs = std::filesystem;
using Signal = std::vector<double>;  // full scale is 1
using Converter = std::function<Signal(const Signal&, int in_rate, int out_rate)>;

// A mono WAV of 64-bit float samples.
void WriteFloatWav(const fs::path& path, const Signal& samples, int rate) {
  const auto data = static_cast<std::uint32_t>(samples.size() * 8);
  std::string file(44, '\0');
  auto le = [&](std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) file[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
  };
  std::memcpy(&file[0], "RIFF", 4);
  le(4, 36 + data, 4);
  std::memcpy(&file[8], "WAVEfmt ", 8);
  le(16, 16, 4);
  le(20, 3, 2);  // IEEE float
  le(22, 1, 2);
  le(24, static_cast<std::uint32_t>(rate), 4);
  le(28, static_cast<std::uint32_t>(rate) * 8, 4);
  le(32, 8, 2);
  le(34, 64, 2);
  std::memcpy(&file[36], "data", 4);
  le(40, data, 4);
  file.append(reinterpret_cast<const char*>(samples.data()), data);
  testing_support::WriteFile(path, file);
}

// The component, loaded by name and driven through a WAV file each way.
Signal ThroughComponent(const Signal& in, int in_rate, int out_rate) {
  static platform::Module module;
  if (!module.Loaded() && !module.Load("Resample.dll")) {
    ADD_FAILURE() << module.Error();
    return {};
  }
  const auto create = reinterpret_cast<CreateAudioResampleCtrlFn>(module.Symbol("CreateAudioResampleCtrl"));
  const auto destroy = reinterpret_cast<DeleteAudioResampleCtrlFn>(module.Symbol("DeleteAudioResampleCtrl"));
  testing_support::ScratchDir dir;
  WriteFloatWav(dir / "in.wav", in, in_rate);
  const std::string input = (dir / "in.wav").string(), output = (dir / "out.wav").string();
  const ResampleRequest request{input.c_str(), output.c_str(), static_cast<float>(in_rate),
                                static_cast<float>(out_rate), 0, 1, nullptr};
  AudioResampleCtrl* ctrl = create();
  const int32_t result = ctrl->Resample(&request);
  destroy(ctrl);
  EXPECT_EQ(result, RESAMPLE_OK);
  const auto wav = audio_test::ReadCanonicalWav(output);
  if (!wav || wav->rate != static_cast<std::uint32_t>(out_rate) || wav->channels != 1) {
    ADD_FAILURE() << "no mono WAV at " << out_rate << " Hz";
    return {};
  }
  Signal out(wav->samples.size());
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = wav->samples[i] / 32768.0;
  return out;
}

// libswresample's own engine with the settings the component gives it when
// the SoX engine is missing: the same cut-off, 16-bit output, triangular
// dither.
Signal ThroughDefaultEngine(const Signal& in, int in_rate, int out_rate) {
  AVChannelLayout mono{};
  av_channel_layout_default(&mono, 1);
  SwrContext* swr = nullptr;
  if (swr_alloc_set_opts2(&swr, &mono, AV_SAMPLE_FMT_S16, out_rate, &mono, AV_SAMPLE_FMT_DBL, in_rate, 0,
                          nullptr) < 0)
    return {};
  av_opt_set_int(swr, "filter_size", 64, 0);
  av_opt_set_int(swr, "phase_shift", 14, 0);
  av_opt_set_double(swr, "cutoff", 0.95, 0);
  av_opt_set_int(swr, "dither_method", SWR_DITHER_TRIANGULAR, 0);
  std::vector<std::int16_t> out;
  if (swr_init(swr) >= 0) {
    out.resize(static_cast<std::size_t>(swr_get_out_samples(swr, static_cast<int>(in.size()))));
    auto* to = reinterpret_cast<std::uint8_t*>(out.data());
    const auto* from = reinterpret_cast<const std::uint8_t*>(in.data());
    int made = swr_convert(swr, &to, static_cast<int>(out.size()), &from, static_cast<int>(in.size()));
    while (made >= 0) {  // then what the filter still holds
      out.resize(static_cast<std::size_t>(made) + 4096);
      to = reinterpret_cast<std::uint8_t*>(out.data() + made);
      const int more = swr_convert(swr, &to, 4096, nullptr, 0);
      if (more <= 0) break;
      made += more;
    }
    out.resize(static_cast<std::size_t>(std::max(made, 0)));
  }
  swr_free(&swr);
  Signal result(out.size());
  for (std::size_t i = 0; i < out.size(); ++i) result[i] = out[i] / 32768.0;
  return result;
}

double Db(double ratio) { return 20 * std::log10(ratio); }

Signal Tone(double frequency, int rate, double seconds, double amplitude) {
  Signal s(static_cast<std::size_t>(seconds * rate));
  for (std::size_t n = 0; n < s.size(); ++n) s[n] = amplitude * std::sin(2 * M_PI * frequency * static_cast<double>(n) / rate);
  return s;
}

// Least-squares fit of sines of the given frequencies and a constant to
// samples [from, to): the amplitude of each sine and the RMS of what is left.
struct SineFit {
  std::vector<double> amplitude;
  double residual_rms = 0;
};
SineFit FitSines(const Signal& y, int rate, const std::vector<double>& frequencies, std::size_t from, std::size_t to) {
  const std::size_t k = 2 * frequencies.size() + 1, w = k + 1;
  std::vector<double> m(k * w, 0.0), x(k);
  auto basis = [&](std::size_t n) {
    for (std::size_t j = 0; j < frequencies.size(); ++j) {
      const double t = 2 * M_PI * frequencies[j] * static_cast<double>(n) / rate;
      x[2 * j] = std::sin(t);
      x[2 * j + 1] = std::cos(t);
    }
    x[k - 1] = 1;
  };
  for (std::size_t n = from; n < to; ++n) {
    basis(n);
    for (std::size_t r = 0; r < k; ++r) {
      for (std::size_t c = 0; c < k; ++c) m[r * w + c] += x[r] * x[c];
      m[r * w + k] += x[r] * y[n];
    }
  }
  for (std::size_t p = 0; p < k; ++p)
    for (std::size_t r = 0; r < k; ++r)
      if (r != p) {
        const double f = m[r * w + p] / m[p * w + p];
        for (std::size_t c = 0; c < w; ++c) m[r * w + c] -= f * m[p * w + c];
      }
  std::vector<double> coefficient(k);
  for (std::size_t r = 0; r < k; ++r) coefficient[r] = m[r * w + k] / m[r * w + r];
  SineFit fit;
  for (std::size_t j = 0; j < frequencies.size(); ++j)
    fit.amplitude.push_back(std::hypot(coefficient[2 * j], coefficient[2 * j + 1]));
  double left = 0;
  for (std::size_t n = from; n < to; ++n) {
    basis(n);
    double v = 0;
    for (std::size_t r = 0; r < k; ++r) v += coefficient[r] * x[r];
    left += (y[n] - v) * (y[n] - v);
  }
  fit.residual_rms = std::sqrt(left / static_cast<double>(to - from));
  return fit;
}

// The spectrum of a whole signal at one frequency, per second of signal.
std::complex<double> Spectrum(const Signal& x, int rate, double frequency) {
  const std::complex<double> step = std::polar(1.0, -2 * M_PI * frequency / rate);
  std::complex<double> sum = 0, turn = 1;
  for (std::size_t n = 0; n < x.size(); ++n) {
    sum += x[n] * turn;
    turn *= step;
    if (n % 1024 == 0) turn /= std::abs(turn);
  }
  return sum / static_cast<double>(rate);
}

struct Conversion {
  int in_rate, out_rate;
  double top;    // of the band held flat, Hz
  double tone;   // near the top, for THD+N
  double image;  // its image (in_rate - image, folded at the output's Nyquist) lands in the output band
};

struct Figures {
  double flatness_db;   // largest gain deviation from 0 dB, 20 Hz .. top
  double thd_n_db;      // everything but the tone, against the tone
  double rejection_db;  // the image against the tone
};

Figures Measure(const Converter& convert, const Conversion& c) {
  Figures figures{};
  // A linear sweep from 20 Hz to the cut-off, with silence around it: the
  // ratio of the spectra out and in is the gain.
  const double cutoff = 0.95 * c.in_rate / 2, seconds = 1.0;
  Signal sweep(static_cast<std::size_t>(1.2 * c.in_rate), 0.0);
  for (std::size_t n = 0; n < static_cast<std::size_t>(seconds * c.in_rate); ++n) {
    const double t = static_cast<double>(n) / c.in_rate;
    sweep[n + static_cast<std::size_t>(c.in_rate / 10)] =
        0.5 * std::sin(2 * M_PI * (20 * t + (cutoff - 20) * t * t / (2 * seconds)));
  }
  const Signal swept = convert(sweep, c.in_rate, c.out_rate);
  std::vector<double> frequencies;
  for (double f = 20; f < c.top; f += 250) frequencies.push_back(f);
  frequencies.push_back(c.top);
  for (const double f : frequencies) {
    const double gain = std::abs(Spectrum(swept, c.out_rate, f)) / std::abs(Spectrum(sweep, c.in_rate, f));
    figures.flatness_db = std::max(figures.flatness_db, std::fabs(Db(gain)));
  }
  // Tones at 0.9 of full scale, measured without their first and last tenth
  // of a second.
  const auto margin = static_cast<std::size_t>(c.out_rate / 10);
  const Signal top = convert(Tone(c.tone, c.in_rate, 1.0, 0.9), c.in_rate, c.out_rate);
  const SineFit tone = FitSines(top, c.out_rate, {c.tone}, margin, top.size() - margin);
  figures.thd_n_db = Db(tone.residual_rms / (tone.amplitude[0] / std::sqrt(2.0)));

  const double image = c.in_rate - c.image;
  const double seen = image > c.out_rate / 2 ? c.out_rate - image : image;
  const Signal imaged = convert(Tone(c.image, c.in_rate, 1.0, 0.9), c.in_rate, c.out_rate);
  const SineFit pair = FitSines(imaged, c.out_rate, {c.image, seen}, margin, imaged.size() - margin);
  figures.rejection_db = Db(pair.amplitude[1] / pair.amplitude[0]);
  return figures;
}

TEST(ResampleQuality, SoxEngineFiguresAtBothConversions) {
  const Conversion conversions[] = {
      // 0.94 of the input's Nyquist frequency; 15 kHz images at 29.1 kHz, which
      // folds to 18.9 kHz.
      {44100, 48000, 20727, 20500, 15000},
      {48000, 96000, 22560, 22320, 21000},
  };
  // Measured at 44.1 and 48 kHz in. SoX engine: 0.004 / 0.0005 dB, -92 dB
  // (the dither of the 16-bit output), -131 / -160 dB. The default engine:
  // 0.15 dB, -46 dB, -104 / -95 dB.
  const double max_flatness_db = 0.03, max_thd_n_db = -82, max_rejection_db = -115;
  for (const Conversion& c : conversions) {
    SCOPED_TRACE(testing::Message() << c.in_rate << " -> " << c.out_rate);
    const Figures got = Measure(ThroughComponent, c);
    const Figures fallback = Measure(ThroughDefaultEngine, c);
    RecordProperty("figures_" + std::to_string(c.in_rate) + "_to_" + std::to_string(c.out_rate),
                   testing::PrintToString(std::vector<double>{got.flatness_db, got.thd_n_db, got.rejection_db,
                                                              fallback.flatness_db, fallback.thd_n_db,
                                                              fallback.rejection_db}));
    EXPECT_LT(got.flatness_db, max_flatness_db);
    EXPECT_LT(got.thd_n_db, max_thd_n_db);
    EXPECT_LT(got.rejection_db, max_rejection_db);
    // The thresholds tell the engines apart.
    EXPECT_GT(fallback.flatness_db, max_flatness_db);
    EXPECT_GT(fallback.thd_n_db, max_thd_n_db);
    EXPECT_GT(fallback.rejection_db, max_rejection_db);
  }
}

}  // namespace
