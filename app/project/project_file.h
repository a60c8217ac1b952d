// The project file (*.mdp): an INI image of the ProjectDocument.
#pragma once

#include <filesystem>
#include <system_error>
#include <vector>

#include "project/project_document.h"

namespace verosa {

// Writes the five header sections (kHeaderFields), the MenuCell sections and,
// alternating, AudioCell%d / VideoCell%d for every chapter. The file is built in memory
// and replaces an existing one only when written completely.
bool WriteProjectFile(const std::filesystem::path& path, const ProjectDocument& document,
                      std::error_code* error = nullptr);

// Reads the header (kHeaderFields) and accepts the file only for the creator
// "Marrowfine" and version "V1.0" (exact bytes). `header` is changed only when
// the file is accepted.
bool ReadProjectHeader(const std::filesystem::path& path, ProjectHeader& header);

// Appends the menu cells and every chapter whose audio file and background
// picture exist. Relative paths are taken from the project file's folder.
// True when every announced chapter was loaded. A chapter that names a file
// that is gone goes to `dropped`; one that names no file at all is counted
// in `empty_cells`.
bool ReadProjectCells(const std::filesystem::path& path, ProjectDocument& document,
                      std::vector<DroppedChapter>* dropped = nullptr, int* empty_cells = nullptr);

}  // namespace verosa
