// Sub-commands of verosa-cli and the helpers they share.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QGuiApplication;

namespace verosa {
class AppContext;
}

namespace verosa::cli {

// Exit codes.
enum ExitCode : int {
  kExitOk = 0,
  kExitFailure = 1,      // bad usage, unreadable input, failed write
  kExitBadProject = 2,   // a refused project file
  kExitRefused = 3,      // a chapter refused by the project limits
};

// True when the arguments ask for the command's help (--help or -h).
bool WantsHelp(const std::vector<std::string>& args);

// Arguments after the sub-command: positionals and --options (with values
// where the command declares them).
class Arguments {
 public:
  Arguments(const std::vector<std::string>& args, const std::vector<std::string>& valued,
            const std::vector<std::string>& flags);
  bool Ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }
  const std::vector<std::string>& Positionals() const { return positionals_; }
  std::optional<std::string> Value(const std::string& option) const;
  bool Has(const std::string& option) const;

 private:
  std::vector<std::string> positionals_;
  std::vector<std::pair<std::string, std::string>> options_;
  std::string error_;
};

// Starts the shared context the way the program does, without the
// single-instance lock; says why on stderr when it cannot.
bool StartContext(AppContext& context);

// Text is drawn with QPainter, which needs a QGuiApplication; returns one
// on the offscreen platform unless an application exists already.
std::unique_ptr<QGuiApplication> EnsureGuiApplication();

int RunProjectCommand(const std::vector<std::string>& args);
int RunEncodeStill(const std::vector<std::string>& args);
#ifdef VEROSA_HAVE_IMAGING
int RunRenderStill(const std::vector<std::string>& args);  // imaging_commands.cpp
#endif
#ifdef VEROSA_HAVE_CONVERSION
int RunProbe(const std::vector<std::string>& args);        // conversion_commands.cpp
int RunConvert(const std::vector<std::string>& args);      // conversion_commands.cpp
int RunCd(const std::vector<std::string>& args);           // conversion_commands.cpp
int RunRecord(const std::vector<std::string>& args);       // record_command.cpp
#endif
int RunMake(const std::vector<std::string>& args);           // make_commands.cpp
int RunDemo(const std::vector<std::string>& args);           // make_commands.cpp
int RunAuthor(const std::vector<std::string>& args);         // author_commands.cpp
int RunIso(const std::vector<std::string>& args);            // iso_commands.cpp
int RunDrives(const std::vector<std::string>& args);         // burn_commands.cpp
int RunBurn(const std::vector<std::string>& args);           // burn_commands.cpp

// Writes the disc image of a DVD folder with a progress bar (iso, make
// --iso); an exit code. An existing `out` is replaced only with `force`.
int WriteDiscImage(const std::filesystem::path& dvd_folder, const std::filesystem::path& out,
                   const std::string& label, bool force);

// Burns a DVD folder onto the disc in `device` (an index, name or address)
// with progress bars (burn, make --burn); `erase` erases a disc holding data
// first. An exit code: 0 burned, 1 failure, 130 cancelled.
// True when `device` names a drive that can write; says why on stderr when
// not (make --burn asks before authoring).
bool CheckBurnDevice(const std::string& device);
int BurnDvdFolder(const std::string& dvd_folder, const std::string& device, const std::string& label,
                  bool erase);

}  // namespace verosa::cli
