#include "control/file_errors.h"

#include "platform/message_box.h"
#include "ui/ui_text.h"

namespace carrowell {

std::string FileErrorText(FileErrorCause cause, const std::string& path) {
  switch (cause) {
    case FileErrorCause::InvalidFile:
      return (UiText("%1 cannot be used: it is not a readable media file with an audio stream.")).arg(QString::fromStdString(path)).toStdString();
    case FileErrorCause::LockViolation:
      break;
  }
  return UiText("%1 could not be added: no output file could be reserved for it in the work folder.").arg(QString::fromStdString(path)).toStdString();
}

void ReportFileError(FileErrorCause cause, const std::string& path) {
  platform::MessageBox(platform::kNoWindow, FileErrorText(cause, path), "Verosa",
                       platform::kMbOk | platform::kMbIconWarning);
}

}  // namespace carrowell
