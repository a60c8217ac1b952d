// The "Change Output File" dialog's fields: the name the user edits (the
// destination without its extension) and the preview of the full path.
#pragma once

#include <optional>
#include <string>

namespace carrowell {

inline constexpr const char* kPreviewPlaceholder = "Filename is here.";
inline constexpr const char* kChooseFolderPrompt =
    "Please select the folder where output files are to be stored.";

class OutputFileName {
 public:
  explicit OutputFileName(const std::string& destination);

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  const std::string& Preview() const { return preview_; }

  // When the name differs from the preview, the preview becomes the name,
  // with the destination's extension (".WAV") added when it has none.
  void Refresh();
  // The name moves into `folder`, keeping its file-name part.
  void ChooseFolder(const std::string& folder);
  // Refreshes and returns the new destination; a name without a folder lies
  // in the old destination's folder. nullopt for an empty name.
  std::optional<std::string> Confirm();

 private:
  std::string name_;
  std::string preview_ = kPreviewPlaceholder;
  std::string extension_;
  std::string folder_;
};

}  // namespace carrowell
