// Verosa: start-up, the main wizard window, shut-down.
#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/heap.h"
#include "shell/app_context.h"
#include "ui/main/qt_message_box.h"
#include "ui/main/verosa_dlg.h"

namespace {

// VEROSA_START_PAGE (0-3) opens the wizard on that page and
// VEROSA_OPEN_ABOUT=1 opens the About box once the window is up: hooks for
// screenshots and scripted checks.
void ApplyStartHooks(verosa::VerosaDlg& window) {
  if (const char* page = std::getenv("VEROSA_START_PAGE")) {
    const int index = std::atoi(page);
    QTimer::singleShot(0, &window, [&window, index] { window.ShowPage(index); });
  }
  if (const char* about = std::getenv("VEROSA_OPEN_ABOUT"); about && about[0] == '1')
    QTimer::singleShot(0, &window, [&window] { window.About(); });
}

constexpr const char* kUsage =
    "Usage: verosa [PROJECT.mdp]\n"
    "  Turns music files into a DVD-Video disc: opens the wizard, or the\n"
    "  project file given.\n"
    "\n"
    "  --help, -h   show this text\n"
    "  --version    show the version\n"
    "\n"
    "The headless tool is verosa-cli; see verosa(1) and verosa-cli(1).\n";

}  // namespace

int main(int argc, char* argv[]) {
  platform::UseCompactHeap();
  if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("verosa %s\n", VEROSA_VERSION);
    return 0;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(verosa::kProductName));
  QApplication::setApplicationVersion(QStringLiteral(VEROSA_VERSION));

  int exit_code = 0;
  {
    verosa::AppContext context;
    if (!context.Initialize()) {
      // A second copy ends without a word; the first one keeps running.
      if (context.Failure() == verosa::StartupFailure::AlreadyRunning) return 0;
      std::fprintf(stderr, "verosa: cannot start: %s\n", context.FailureText().c_str());
      return 1;
    }
    verosa::QtMessageBoxes message_boxes;
    {
      verosa::VerosaDlg window(context);
      ApplyStartHooks(window);
      window.show();
      // "verosa PROJECT.mdp" opens that project.
      if (argc > 1 && argv[1][0] != '-') {
        const QString path = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
        QTimer::singleShot(0, &window, [&window, path] { window.OpenFile(path); });
      }
      exit_code = app.exec();
    }
    // Settings saved, then everything released in reverse order.
    context.Shutdown(true);
  }
  return exit_code;
}
