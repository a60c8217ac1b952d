#include "control/file_errors.h"

#include "platform/message_box.h"

namespace carrowell {

std::string FileErrorText(FileErrorCause cause, const std::string& path) {
  switch (cause) {
    case FileErrorCause::InvalidFile:
      return path + " cannot be used: it is not a readable media file with an audio stream.";
    case FileErrorCause::LockViolation:
      break;
  }
  return path + " could not be added: no output file could be reserved for it in the work folder.";
}

void ReportFileError(FileErrorCause cause, const std::string& path) {
  platform::MessageBox(platform::kNoWindow, FileErrorText(cause, path), "Verosa",
                       platform::kMbOk | platform::kMbIconWarning);
}

}  // namespace carrowell
