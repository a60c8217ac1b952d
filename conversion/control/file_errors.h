// File errors shown to the user: a message box naming the path.
#pragma once

#include <string>

namespace carrowell {

enum class FileErrorCause {
  InvalidFile,     // not a readable media file with an audio stream
  LockViolation,   // no item (output file) could be made for it
};

std::string FileErrorText(FileErrorCause cause, const std::string& path);
void ReportFileError(FileErrorCause cause, const std::string& path);

}  // namespace carrowell
