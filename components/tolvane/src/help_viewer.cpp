#include "help_viewer.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QString>
#include <QThread>
#include <QUrl>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

#include "platform/paths.h"

namespace tolvane {
namespace fs = std::filesystem;

namespace {

bool IsRegularFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// The full path of `program` along $PATH; empty when it is not there.
std::string FindProgram(const char* program) {
  const char* path = std::getenv("PATH");
  std::string_view dirs = (path && *path) ? path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    const std::size_t colon = dirs.find(':');
    const std::string_view dir = dirs.substr(0, colon);
    const fs::path candidate = fs::path(dir.empty() ? std::string_view(".") : dir) / program;
    if (IsRegularFile(candidate) && access(candidate.c_str(), X_OK) == 0) return candidate.string();
    if (colon == std::string_view::npos) return {};
    dirs.remove_prefix(colon + 1);
  }
}

// Starts `program argument` in its own session without waiting for it. The
// intermediate child exits at once, so no zombie is left; a pipe closed on
// exec tells whether the program could be started.
bool SpawnDetached(const std::string& program, const std::string& argument) {
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return false;
  std::string arg0 = program;
  std::string arg1 = argument;
  char* const argv[] = {arg0.data(), arg1.data(), nullptr};

  const pid_t child = fork();
  if (child < 0) {
    close(report[0]);
    close(report[1]);
    return false;
  }
  if (child == 0) {
    close(report[0]);
    setsid();
    const pid_t viewer = fork();
    if (viewer != 0) {
      if (viewer < 0) {
        const int error = errno;
        (void)!write(report[1], &error, sizeof error);
      }
      _exit(0);
    }
    const int null = open("/dev/null", O_RDONLY);
    if (null >= 0) {
      dup2(null, STDIN_FILENO);
      if (null != STDIN_FILENO) close(null);
    }
    execv(argv[0], argv);
    const int error = errno;
    (void)!write(report[1], &error, sizeof error);
    _exit(127);
  }

  close(report[1]);
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got;
  do {
    got = read(report[0], &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  return got == 0;
}

}  // namespace

bool IsPlainPageName(std::string_view page) {
  return !page.empty() && page != "." && page != ".." &&
         page.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

std::optional<fs::path> FindHelpPage(std::string_view locale, std::string_view page) {
  if (!IsPlainPageName(page)) return std::nullopt;
  const fs::path root = platform::DataFolder() / "help";
  for (std::string_view language : {locale, std::string_view("en")}) {
    if (!IsPlainPageName(language)) continue;
    fs::path file = root / std::string(language) / std::string(page);
    if (IsRegularFile(file)) return file;
  }
  return std::nullopt;
}

bool OpenWithDesktop(const fs::path& file) {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (app && QThread::currentThread() == app->thread())
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file.string())));
  const std::string viewer = FindProgram("xdg-open");
  return !viewer.empty() && SpawnDetached(viewer, file.string());
}

}  // namespace tolvane
