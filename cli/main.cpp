// verosa-cli: the headless front end over the program's own code.
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli_text.h"
#include "commands.h"
#include "platform/heap.h"
#ifdef VEROSA_HAVE_CONVERSION
#include "shell/language_holder.h"
#include "ui/ui_text.h"
#endif

namespace {

using verosa::cli::Tr;

constexpr const char* kUsage =
    "Usage: verosa-cli <command> [arguments]\n"
    "\n"
    "Commands:\n"
    "  project info FILE [--json]        show a project file\n"
    "  project new FILE [options]        create an empty project file\n"
    "  project add FILE AUDIO [options]  add one chapter to a project file\n"
    "  encode-still IN.bmp OUT.vob [--aspect 43|169]\n"
    "                                    encode a still picture into DVD packs\n"
#ifdef VEROSA_HAVE_IMAGING
    "  render-still PICTURE OUT.bmp [options]\n"
    "                                    compose a disc still or preview picture\n"
#endif
#ifdef VEROSA_HAVE_CONVERSION
    "  probe FILE [--json]               show a media file's audio\n"
    "  convert FILE... --out DIR [options]\n"
    "                                    convert audio files to PCM WAV (or MP3)\n"
    "  cd tracks [DRIVE|IMAGE]           list the CD drives and a disc's tracks\n"
    "  cd rip [DRIVE|IMAGE] --tracks LIST --out DIR [--rate R]\n"
    "                                    read audio CD tracks into WAV files\n"
    "  record OUT.wav --seconds N [--device NAME]\n"
    "                                    record from a sound input into a WAV file\n"
#endif
    "  make PROJECT.mdp [--out DIR | --iso OUT.iso | --burn D] [--work DIR] [--force]\n"
    "                                    author a project into a DVD-Video folder\n"
    "  demo OUTDIR                       author the bundled demo project\n"
    "  author JOB.json                   author WAV files and BMP pictures that a\n"
    "                                    JSON job lists into a DVD-Video folder\n"
    "  iso DVDDIR OUT.iso [--label L]    write a DVD-Video folder as a disc image\n"
    "  drives                            list the disc burner's drives and discs\n"
    "  burn DVDDIR --device D [--erase] [--label L]\n"
    "                                    burn a DVD-Video folder onto a disc\n"
    "\n"
    "Run 'verosa-cli <command> --help' for the options.\n";

// Qt's own notes (no XDG_RUNTIME_DIR, what the offscreen platform cannot
// do) are not the command's output; errors still reach stderr, and
// VEROSA_QT_MESSAGES=1 shows everything.
void QtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg) return;
  std::fprintf(stderr, Tr("verosa-cli: %s\n"), text.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv) {
  platform::UseCompactHeap();
  if (const char* all = std::getenv("VEROSA_QT_MESSAGES"); !all || std::strcmp(all, "1") != 0)
    qInstallMessageHandler(QtMessages);
#ifdef VEROSA_HAVE_CONVERSION
  // The conversion library's texts (progress, its messages) in the same
  // language as the tool's own.
  carrowell::SetUiTextSource(
      [](const char* english) { return verosa::cli::TrIn(english, verosa::kSectionCarrowell); });
#endif
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    std::fputs(Tr(kUsage), args.empty() ? stderr : stdout);
    return args.empty() ? verosa::cli::kExitFailure : verosa::cli::kExitOk;
  }
  if (args[0] == "--version") {
    std::printf("verosa-cli %s\n", VEROSA_VERSION);
    return verosa::cli::kExitOk;
  }
  const std::string command = args[0];
  args.erase(args.begin());
  if (command == "project") return verosa::cli::RunProjectCommand(args);
  if (command == "encode-still") return verosa::cli::RunEncodeStill(args);
#ifdef VEROSA_HAVE_IMAGING
  if (command == "render-still") return verosa::cli::RunRenderStill(args);
#endif
#ifdef VEROSA_HAVE_CONVERSION
  if (command == "probe") return verosa::cli::RunProbe(args);
  if (command == "convert") return verosa::cli::RunConvert(args);
  if (command == "cd") return verosa::cli::RunCd(args);
  if (command == "record") return verosa::cli::RunRecord(args);
#endif
  if (command == "make") return verosa::cli::RunMake(args);
  if (command == "demo") return verosa::cli::RunDemo(args);
  if (command == "author") return verosa::cli::RunAuthor(args);
  if (command == "iso") return verosa::cli::RunIso(args);
  if (command == "drives") return verosa::cli::RunDrives(args);
  if (command == "burn") return verosa::cli::RunBurn(args);
  std::fprintf(stderr, Tr("verosa-cli: unknown command '%s'\n\n%s"), command.c_str(), Tr(kUsage));
  return verosa::cli::kExitFailure;
}
