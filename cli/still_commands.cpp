#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "cli_text.h"
#include "commands.h"
#include "encoder/still_encoder.h"
#include "json_writer.h"
#include "platform/paths.h"

namespace verosa::cli {
namespace fs = std::filesystem;

namespace {

constexpr const char* kEncodeUsage =
    "Usage: verosa-cli encode-still IN.bmp OUT.vob [--aspect 43|169]\n"
    "  Encodes a 24-bit BMP (at most 720 x 576) as an MPEG-2 still in DVD packs,\n"
    "  with quantiser 1, or 2 when the picture needs more than 120 packs.\n"
    "  Prints frame_rate_code, packs and q as JSON.\n";

// A fresh folder of our own for the encoder's intermediate file.
fs::path MakeWorkFolder() {
  const fs::path base = platform::PrivateTempFolder();
  if (base.empty()) return {};
  std::string templ = (base / "encode-XXXXXX").string();
  return ::mkdtemp(templ.data()) ? fs::path(templ) : fs::path();
}

}  // namespace

int RunEncodeStill(const std::vector<std::string>& raw) {
  if (WantsHelp(raw)) {
    std::fputs(Tr(kEncodeUsage), stdout);
    return kExitOk;
  }
  const Arguments args(raw, {"--aspect"}, {});
  if (!args.Ok() || args.Positionals().size() != 2) {
    std::fprintf(stderr, Tr("verosa-cli: %s\n\n%s"),
                 Tr(args.Ok() ? "encode-still needs IN.bmp and OUT.vob" : args.Error().c_str()),
                 Tr(kEncodeUsage));
    return kExitFailure;
  }
  const std::string aspect = args.Value("--aspect").value_or("43");
  if (aspect != "43" && aspect != "169") {
    std::fprintf(stderr, Tr("verosa-cli: --aspect takes 43 or 169\n"));
    return kExitFailure;
  }
  const fs::path in = args.Positionals()[0];
  const fs::path out = args.Positionals()[1];
  std::error_code ec;
  if (!fs::is_regular_file(in, ec)) {
    std::fprintf(stderr, Tr("verosa-cli: cannot open %s\n"), in.string().c_str());
    return kExitFailure;
  }

  const fs::path work = MakeWorkFolder();
  if (work.empty()) {
    std::fprintf(stderr, Tr("verosa-cli: cannot create a work folder\n"));
    return kExitFailure;
  }
  const pennock::StillResult result = pennock::EncodeStillChoosingQuantiser(
      in, work, std::stoi(aspect), 0, pennock::JobSignals{});
  int code = kExitOk;
  if (!result.written) {
    if (result.error.rfind("cannot open", 0) == 0)
      std::fprintf(stderr, Tr("verosa-cli: %s\n"), result.error.c_str());
    code = kExitFailure;
  } else {
    fs::copy_file(work / pennock::kMenuVobName, out, fs::copy_options::overwrite_existing, ec);
    if (ec) {
      std::fprintf(stderr, Tr("verosa-cli: cannot write %s: %s\n"), out.string().c_str(),
                   ec.message().c_str());
      code = kExitFailure;
    } else {
      JsonWriter json;
      json.BeginObject()
          .Field("frame_rate_code", result.frame_rate_code)
          .Field("packs", result.packs)
          .Field("q", result.q)
          .EndObject();
      std::printf("%s\n", json.Text().c_str());
    }
  }
  fs::remove_all(work, ec);
  return code;
}

}  // namespace verosa::cli
