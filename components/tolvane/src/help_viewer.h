// Help pages: data/help/<locale>/<page>, shown with the desktop's viewer.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace tolvane {

// A page name is a plain file name: no folder part, not "." or "..".
bool IsPlainPageName(std::string_view page);

// DataFolder()/help/<locale>/<page>, else the English page.
std::optional<std::filesystem::path> FindHelpPage(std::string_view locale, std::string_view page);

// Opens `file` with QDesktopServices when called on the thread of a
// QGuiApplication, else with a detached `xdg-open`. False when it could not
// be handed to a viewer.
bool OpenWithDesktop(const std::filesystem::path& file);

}  // namespace tolvane
