// iso: a DVD-Video folder written as an ISO 9660 + UDF disc image.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "cli_text.h"
#include "commands.h"
#include "pennock/iso_image.h"
#include "progress_display.h"
#include "terminal_observer.h"

namespace verosa::cli {
namespace fs = std::filesystem;

namespace {

constexpr const char* kIsoUsage =
    "Usage: verosa-cli iso DVDDIR OUT.iso [--label L] [--force]\n"
    "\n"
    "Writes the DVD-Video folder DVDDIR (the folder holding VIDEO_TS) as a disc\n"
    "image (ISO 9660 + UDF 1.02) that players, disc burners and virtual drives\n"
    "read. The files keep their DVD-Video order; AUDIO_TS is empty. No\n"
    "temporary copy is made; the image appears under its name once complete.\n"
    "  --label L   volume label (default: the folder's name); for ISO 9660 it\n"
    "              becomes at most 32 of A-Z 0-9 _, for UDF at most 30 characters\n"
    "  --force     replace an existing OUT.iso\n"
    "\n"
    "A progress bar goes to stderr; on success the image and its labels are\n"
    "printed. Exit codes: 0 the image is complete, 1 failure (the reason on\n"
    "stderr), 130 cancelled (Ctrl-C).\n";

constexpr int kExitCancelled = 130;

std::atomic<bool> g_interrupted{false};
void OnInterrupt(int) { g_interrupted.store(true); }

}  // namespace

int WriteDiscImage(const fs::path& dvd_folder, const fs::path& out, const std::string& label, bool force) {
  std::error_code ec;
  if (fs::exists(out, ec) && !force) {
    std::fprintf(stderr, Tr("verosa-cli: %s exists; use --force to replace it\n"), out.string().c_str());
    return kExitFailure;
  }
  std::string error;
  const std::unique_ptr<pennock::IsoImage> image = pennock::IsoImage::Open(dvd_folder, label, &error);
  if (!image) {
    std::fprintf(stderr, Tr("verosa-cli: no disc image made: %s\n"), error.c_str());
    return kExitFailure;
  }
  for (const fs::path& path : image->LeftOut())
    std::fprintf(stderr, Tr("verosa-cli: warning: not on the disc image (only VIDEO_TS is): %s\n"),
                 path.string().c_str());

  ProgressDisplay display;
  TerminalObserver terminal(display);
  terminal.Status("Writing the disc image");
  g_interrupted.store(false);
  auto old_handler = std::signal(SIGINT, OnInterrupt);
  const bool written = image->WriteToFile(out, [&terminal](std::uint64_t done, std::uint64_t total) {
    terminal.Percent(total ? static_cast<int>(done * 100 / total) : 100);
    return !g_interrupted.load();
  });
  std::signal(SIGINT, old_handler);
  terminal.Finished(written);
  if (!written) {
    if (image->Stopped()) {
      std::fprintf(stderr, Tr("verosa-cli: cancelled; no disc image written\n"));
      return kExitCancelled;
    }
    std::fprintf(stderr, Tr("verosa-cli: no disc image made: %s\n"), image->Error().c_str());
    return kExitFailure;
  }
  // Said only once the file on disk has the image's size.
  const std::uintmax_t size = fs::file_size(out, ec);
  if (ec || size != image->Size()) {
    std::fprintf(stderr, Tr("verosa-cli: %s does not have the image's size (%ju of %ju bytes)\n"),
                 out.string().c_str(), ec ? std::uintmax_t{0} : size, std::uintmax_t{image->Size()});
    return kExitFailure;
  }
  std::printf(Tr("Disc image: %s (%ju bytes, %zu files; label %s, UDF \"%s\")\n"), out.string().c_str(),
              std::uintmax_t{image->Size()}, image->Files().size(), image->Labels().iso.c_str(),
              image->Labels().udf_logical.c_str());
  return kExitOk;
}

int RunIso(const std::vector<std::string>& raw) {
  if (WantsHelp(raw)) {
    std::fputs(Tr(kIsoUsage), stdout);
    return kExitOk;
  }
  const Arguments args(raw, {"--label"}, {"--force"});
  if (!args.Ok() || args.Positionals().size() != 2) {
    std::fprintf(stderr, Tr("verosa-cli: %s\n\n%s"),
                 Tr(args.Ok() ? "iso takes a DVD folder and an image file" : args.Error().c_str()), Tr(kIsoUsage));
    return kExitFailure;
  }
  return WriteDiscImage(args.Positionals()[0], args.Positionals()[1], args.Value("--label").value_or(""),
                        args.Has("--force"));
}

}  // namespace verosa::cli
