#include "ui/output_file_name.h"

#include <filesystem>

namespace carrowell {
namespace {
namespace fs = std::filesystem;
}  // namespace

OutputFileName::OutputFileName(const std::string& destination) {
  const fs::path path(destination);
  extension_ = path.has_extension() ? path.extension().string() : ".WAV";
  folder_ = path.parent_path().string();
  name_ = fs::path(path).replace_extension().string();
}

void OutputFileName::Refresh() {
  if (name_ == preview_) return;
  preview_ = fs::path(name_).has_extension() ? name_ : name_ + extension_;
}

void OutputFileName::ChooseFolder(const std::string& folder) {
  if (folder.empty()) return;
  name_ = (fs::path(folder) / fs::path(name_).filename()).string();
  Refresh();
}

std::optional<std::string> OutputFileName::Confirm() {
  if (name_.find_first_not_of(" \t") == std::string::npos || fs::path(name_).filename().empty())
    return std::nullopt;
  Refresh();
  fs::path result(preview_);
  if (result.is_relative() && !folder_.empty()) result = fs::path(folder_) / result;
  return result.string();
}

}  // namespace carrowell
