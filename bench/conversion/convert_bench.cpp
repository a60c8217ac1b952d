// convert_bench IN OUT.wav [RATE]: decodes IN with Dx2Wav into a temporary
// WAV beside OUT, resamples it with Resample to RATE (default 48000) into
// OUT, and removes the temporary file. Prints the time of each stage to
// stderr. Exit 0 on success.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "dx2wav/dx2wav.h"
#include "platform/module.h"
#include "resample/resample.h"

namespace {

void NoProgress(int32_t*, int32_t) {}

int Fail(const char* what) {
  std::fprintf(stderr, "convert_bench: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Fail("usage: convert_bench IN OUT.wav [RATE]");
  const std::string in = argv[1], out = argv[2];
  const float rate = argc > 3 ? static_cast<float>(std::atof(argv[3])) : 48000.0f;
  const std::string temp = out + ".dx2wav.tmp";

  platform::Module dx2wav, resample;
  if (!dx2wav.Load("Dx2Wav.dll") || !resample.Load("Resample.dll")) return Fail("components missing");
  auto init = reinterpret_cast<DW_InitialazeFn>(dx2wav.Symbol("DW_Initialaze"));
  auto transform = reinterpret_cast<DW_TransformFn>(dx2wav.Symbol("DW_Transform"));
  auto release = reinterpret_cast<DW_ReleaseFn>(dx2wav.Symbol("DW_Release"));
  auto create = reinterpret_cast<CreateAudioResampleCtrlFn>(resample.Symbol("CreateAudioResampleCtrl"));
  auto destroy = reinterpret_cast<DeleteAudioResampleCtrlFn>(resample.Symbol("DeleteAudioResampleCtrl"));
  if (!init || !transform || !release || !create || !destroy) return Fail("exports missing");

  using Clock = std::chrono::steady_clock;
  const auto t0 = Clock::now();
  double duration = 0, position = 0;
  if (init(in.c_str(), temp.c_str(), &duration) < 0) return Fail("cannot open the input");
  while (transform(100, &position)) {
  }
  if (release() != DW_OK) return Fail("decoding failed");

  const auto t1 = Clock::now();
  AudioResampleCtrl* ctrl = create();
  if (!ctrl) return Fail("no resampler");
  const ResampleRequest request{temp.c_str(), out.c_str(), 0.0f, rate, 0, 2, NoProgress};
  const int32_t result = ctrl->Resample(&request);
  destroy(ctrl);
  const auto t2 = Clock::now();
  std::fprintf(stderr, "decode %.3f s, resample %.3f s\n",
               std::chrono::duration<double>(t1 - t0).count(),
               std::chrono::duration<double>(t2 - t1).count());
  std::filesystem::remove(temp);
  return result == RESAMPLE_OK ? 0 : Fail("resampling failed");
}
