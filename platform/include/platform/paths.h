// Known folders and folder helpers.
#pragma once

#include <filesystem>
#include <string>

namespace platform {

// Folder of the running executable.
std::filesystem::path ProgramFolder();
// Shared libraries of our components: <program folder>/../lib/verosa.
std::filesystem::path LibraryFolder();
// Read-only data (languages, skins, themes, demo): <program folder>/../share/verosa.
std::filesystem::path DataFolder();
// The user's documents folder: XDG_DOCUMENTS_DIR (from the environment or
// user-dirs.dirs), else ~/Documents.
std::filesystem::path DocumentsFolder();
// Per-user application data: $XDG_DATA_HOME/Verosa (~/.local/share/Verosa).
std::filesystem::path CommonAppDataFolder();
// Per-user configuration root: $XDG_CONFIG_HOME (~/.config).
std::filesystem::path ConfigFolder();
// The user's home folder.
std::filesystem::path HomeFolder();

// A folder only this user can enter, under the system temporary folder
// ($TMPDIR or /tmp): "verosa-<uid>", mode 0700, owned by the user. When that
// name is taken by someone else a fresh unique folder is made instead.
// Empty on failure.
std::filesystem::path PrivateTempFolder();

// Creates a folder with all missing parents. True when it exists afterwards.
bool CreateFolderPath(const std::filesystem::path& path);

// Converts a path written with backslashes (as stored by older project files)
// to this system's form; other paths are returned unchanged.
std::string NativeSeparators(std::string path);

}  // namespace platform
