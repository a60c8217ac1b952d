// drives and burn: the disc burner (Brennock, loaded by name as the Output
// page loads it) driven from the terminal.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_text.h"
#include "commands.h"
#include "progress_display.h"
#include "shell/burner_holder.h"
#include "terminal_observer.h"

namespace verosa::cli {
namespace fs = std::filesystem;

namespace {

constexpr const char* kDrivesUsage =
    "Usage: verosa-cli drives\n"
    "\n"
    "Lists the burning engines and their drives: index, name, libburn address,\n"
    "whether the drive can write, and the disc in it (ready, writable,\n"
    "erasable, holding data, media bits). Besides real drives, the image files\n"
    "that VEROSA_BURN_DRIVES names (separated by ':' or ';', each \"stdio:/path\"\n"
    "or \"/path\") are listed as pseudo-drives.\n"
    "\n"
    "Exit codes: 0 listed, 1 the burner cannot be loaded.\n";

constexpr const char* kBurnUsage =
    "Usage: verosa-cli burn DVDDIR --device D [--erase] [--label L]\n"
    "\n"
    "Burns the DVD-Video folder DVDDIR (the folder holding VIDEO_TS) onto the\n"
    "disc in drive D as a closed ISO 9660 + UDF disc, the same bytes as\n"
    "'verosa-cli iso' writes, streamed without a temporary image.\n"
    "  --device D  the drive: its index, name or address from 'verosa-cli drives'\n"
    "              (\"/dev/sr0\", or \"stdio:/path/disc.iso\" for an image file)\n"
    "  --erase     erase a disc that holds data first (otherwise such a disc is\n"
    "              refused)\n"
    "  --label L   volume label (default: the folder's name)\n"
    "\n"
    "Progress bars go to stderr. Exit codes: 0 the disc is burned, 1 failure\n"
    "(the reason on stderr), 130 cancelled (Ctrl-C).\n";

constexpr int kExitCancelled = 130;

std::atomic<bool> g_interrupted{false};
void OnInterrupt(int) { g_interrupted.store(true); }

std::string MediaText(std::uint32_t bits) {
  struct Bit {
    std::uint32_t bit;
    const char* name;
  };
  static const Bit kBits[] = {
      {brennock::kMediaCdR, "CD-R"},          {brennock::kMediaCdRw, "CD-RW"},
      {brennock::kMediaDvdMinusR, "DVD-R"},   {brennock::kMediaDvdMinusRw, "DVD-RW"},
      {brennock::kMediaDvdPlusR, "DVD+R"},    {brennock::kMediaBd, "BD"},
      {brennock::kMediaDvdOverwritable, "DVD+RW/DVD-RAM"}, {brennock::kMediaImageFile, "image file"},
  };
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%05X", bits);
  std::string text = hex;
  std::string names;
  for (const Bit& b : kBits)
    if (bits & b.bit) names += (names.empty() ? "" : ", ") + std::string(b.name);
  if (!names.empty()) text += " (" + names + ")";
  return text;
}

std::string LastError(brennock::Burner* burner) {
  char text[1024] = {};
  burner->LastError(text, sizeof text);
  return text;
}

// Loads the burner (its device calls mean the first engine until another is
// selected); says why on stderr when it cannot.
bool LoadBurner(BurnerHolder& holder) {
  const std::int32_t status = holder.Load("Brennock");
  if (status != brennock::S_OK) {
    std::fprintf(stderr, Tr("verosa-cli: the disc burner (Brennock) cannot be loaded: status 0x%08X\n"),
                 static_cast<unsigned>(status));
    return false;
  }
  if (holder.Burner()->EngineCount() < 1) {
    std::fprintf(stderr, Tr("verosa-cli: the disc burner offers no engine\n"));
    return false;
  }
  return true;
}

// The sink of an erase or burn: percent to the bar, Ctrl-C to the cancel
// question.
class TerminalSink final : public brennock::ProgressSink {
 public:
  explicit TerminalSink(TerminalObserver& terminal) : terminal_(terminal) {}
  std::int32_t Progress(std::uint32_t code, std::uint32_t value, std::uintptr_t, std::uintptr_t) override {
    if (code == brennock::kProgressPercent) terminal_.Percent(static_cast<int>(value));
    if (code == brennock::kProgressCancelQuery) return g_interrupted.load() ? 1 : 0;
    return 1;
  }

 private:
  TerminalObserver& terminal_;
};

// The device D names: an index, an address or a name.
brennock::Device* FindDevice(brennock::Burner* burner, const std::string& wanted) {
  const std::int32_t count = burner->DeviceCount();
  char* end = nullptr;
  const long index = std::strtol(wanted.c_str(), &end, 10);
  if (!wanted.empty() && end && *end == '\0') return index >= 0 && index < count ? burner->GetDevice(index) : nullptr;
  // An image file may be named by a relative path.
  std::error_code ec;
  const std::string path = wanted.rfind("stdio:", 0) == 0 ? wanted.substr(6) : wanted;
  const std::string as_path = fs::absolute(path, ec).lexically_normal().string();
  for (std::int32_t i = 0; i < count; ++i) {
    brennock::Device* device = burner->GetDevice(i);
    if (!device) continue;
    char address[1024] = {};
    device->Address(address, sizeof address);
    brennock::DeviceInformation info;
    const bool named = device->Information(&info) && wanted == info.name;
    if (wanted == address || named || "stdio:" + wanted == address || "stdio:" + as_path == address)
      return device;
  }
  return nullptr;
}

// Runs one erase or burn with its own progress bar; an exit code.
template <typename Run>
int RunWithProgress(const char* status, const char* done, brennock::Burner* burner, Run run) {
  ProgressDisplay display;
  TerminalObserver terminal(display);
  terminal.Status(status);
  TerminalSink sink(terminal);
  const std::int32_t result = run(&sink);
  terminal.Finished(result == brennock::kBurnOk);
  if (result == brennock::kBurnOk) {
    std::fprintf(stderr, Tr("%s\n"), done);
    return kExitOk;
  }
  const std::string why = LastError(burner);
  if (result == brennock::kBurnCancelled) {
    std::fprintf(stderr, Tr("verosa-cli: cancelled%s%s\n"), why.empty() ? "" : ": ", why.c_str());
    return kExitCancelled;
  }
  std::fprintf(stderr, Tr("verosa-cli: %s failed: %s\n"), status, why.empty() ? "unknown failure" : why.c_str());
  return kExitFailure;
}

}  // namespace

bool CheckBurnDevice(const std::string& device_name) {
  BurnerHolder holder;
  if (!LoadBurner(holder)) return false;
  brennock::Device* device = FindDevice(holder.Burner(), device_name);
  if (!device || !device->GetRecorder()) {
    std::fprintf(stderr, Tr(device ? "verosa-cli: the drive '%s' cannot write\n"
                                   : "verosa-cli: no drive '%s' (see verosa-cli drives)\n"),
                 device_name.c_str());
    return false;
  }
  return true;
}

int BurnDvdFolder(const std::string& dvd_folder, const std::string& device_name, const std::string& label,
                  bool erase) {
  BurnerHolder holder;
  if (!LoadBurner(holder)) return kExitFailure;
  brennock::Burner* burner = holder.Burner();
  brennock::Device* device = FindDevice(burner, device_name);
  if (!device) {
    std::fprintf(stderr, Tr("verosa-cli: no drive '%s' (see verosa-cli drives)\n"), device_name.c_str());
    return kExitFailure;
  }
  brennock::Recorder* recorder = device->GetRecorder();
  if (!recorder) {
    std::fprintf(stderr, Tr("verosa-cli: the drive '%s' cannot write\n"), device_name.c_str());
    return kExitFailure;
  }
  g_interrupted.store(false);
  auto old_handler = std::signal(SIGINT, OnInterrupt);
  struct RestoreSignal {
    void (*handler)(int);
    ~RestoreSignal() { std::signal(SIGINT, handler); }
  } restore{old_handler};

  brennock::DeviceStatus status;
  device->Status(&status);
  if (status.has_data || (!status.writable && status.erasable)) {
    if (!erase) {
      std::fprintf(stderr, Tr("verosa-cli: the disc in '%s' holds data; use --erase to erase it first\n"),
                   device_name.c_str());
      return kExitFailure;
    }
    if (!status.erasable) {
      std::fprintf(stderr, Tr("verosa-cli: the disc in '%s' holds data and cannot be erased\n"), device_name.c_str());
      return kExitFailure;
    }
    const int erased = RunWithProgress("Erasing the disc", "Disc erased.", burner,
                                       [&](brennock::ProgressSink* sink) { return recorder->Erase(1, sink); });
    if (erased != kExitOk) return erased;
    status = brennock::DeviceStatus{};
    device->Status(&status);
  }
  if (!status.ready || !status.writable || !(status.media_type & brennock::kDvdMediaMask)) {
    std::fprintf(stderr, Tr("verosa-cli: no writable DVD in '%s' (media %s)\n"), device_name.c_str(),
                 MediaText(status.media_type).c_str());
    return kExitFailure;
  }
  brennock::BurnRequest request;
  request.folder = dvd_folder.c_str();
  request.label = label.c_str();
  const int burned = RunWithProgress("Burning the disc", "Disc burned.", burner, [&](brennock::ProgressSink* sink) {
    return recorder->Burn(0, &request, 0, sink);
  });
  if (burned == kExitOk) {
    char address[1024] = {};
    device->Address(address, sizeof address);
    std::printf(Tr("Burned: %s to %s\n"), dvd_folder.c_str(), address);
  }
  return burned;
}

int RunDrives(const std::vector<std::string>& raw) {
  if (WantsHelp(raw)) {
    std::fputs(Tr(kDrivesUsage), stdout);
    return kExitOk;
  }
  const Arguments args(raw, {}, {});
  if (!args.Ok() || !args.Positionals().empty()) {
    std::fprintf(stderr, Tr("verosa-cli: %s\n\n%s"), Tr(args.Ok() ? "drives takes no arguments" : args.Error().c_str()),
                 Tr(kDrivesUsage));
    return kExitFailure;
  }
  BurnerHolder holder;
  if (!LoadBurner(holder)) return kExitFailure;
  brennock::Burner* burner = holder.Burner();
  for (std::int32_t e = 0; e < burner->EngineCount(); ++e) {
    char engine[1024] = {};
    burner->EngineName(e, engine, sizeof engine);
    burner->SelectEngine(e);
    const std::int32_t count = burner->DeviceCount();
    std::printf("Engine %d: %s, %d drive%s\n", e, engine, count, count == 1 ? "" : "s");
    for (std::int32_t i = 0; i < count; ++i) {
      brennock::Device* device = burner->GetDevice(i);
      if (!device) continue;
      brennock::DeviceInformation info;
      char address[1024] = {};
      device->Address(address, sizeof address);
      const bool informed = device->Information(&info) != 0;
      brennock::DeviceStatus status;
      device->Status(&status);
      std::printf("  %d: %s\n", i, informed ? info.name : "(no information)");
      std::printf("     address %s; %s; writes %s\n", address, device->GetRecorder() ? "recorder" : "no recorder",
                  MediaText(informed ? info.capabilities : 0).c_str());
      std::printf("     disc: ready %d, writable %d, erasable %d, holds data %d, media %s\n", status.ready,
                  status.writable, status.erasable, status.has_data, MediaText(status.media_type).c_str());
    }
  }
  return kExitOk;
}

int RunBurn(const std::vector<std::string>& raw) {
  if (WantsHelp(raw)) {
    std::fputs(Tr(kBurnUsage), stdout);
    return kExitOk;
  }
  const Arguments args(raw, {"--device", "--label"}, {"--erase"});
  if (!args.Ok() || args.Positionals().size() != 1 || !args.Has("--device")) {
    std::fprintf(stderr, Tr("verosa-cli: %s\n\n%s"),
                 Tr(!args.Ok()                        ? args.Error().c_str()
                    : args.Positionals().size() != 1 ? "burn takes one DVD folder"
                                                     : "burn needs --device"),
                 Tr(kBurnUsage));
    return kExitFailure;
  }
  return BurnDvdFolder(args.Positionals()[0], *args.Value("--device"), args.Value("--label").value_or(""),
                       args.Has("--erase"));
}

}  // namespace verosa::cli
