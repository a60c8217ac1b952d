// The menu themes: sub-folders of the program's "Theme" folder, each holding
// the menu background "Menu.jpg" and the default chapter background
// "Chapter.jpg" (each a BMP or JPEG file whatever its extension). Choosing a
// theme makes its two pictures the AppContext picture paths.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace verosa {

class AppContext;

// The folder that holds the program's themes.
std::filesystem::path ThemesFolder();

struct ThemePictures {
  std::filesystem::path menu;     // "Menu.jpg": menu background
  std::filesystem::path chapter;  // "Chapter.jpg": default chapter background
};
// The two pictures of a theme. Folder and file names are matched without
// regard to case.
ThemePictures ThemePicturePaths(const std::filesystem::path& themes_folder,
                                const std::string& theme_name);

// The themes of `themes_folder`: every sub-folder that holds both "menu.jpg"
// and "Chapter.jpg" (names matched without regard to case), sorted without
// regard to case. A theme index is a position in this list.
std::vector<std::string> ListThemes(const std::filesystem::path& themes_folder = ThemesFolder());

// Makes the theme's pictures the menu picture and the default chapter
// picture of `context`, and returns them.
ThemePictures UseTheme(AppContext& context, const std::filesystem::path& themes_folder,
                       const std::string& theme_name);
// The same for the theme at `index` of ListThemes(themes_folder); false, and
// the paths left as they are, when there is no such theme.
bool UseThemeAt(AppContext& context, int index,
                const std::filesystem::path& themes_folder = ThemesFolder());

}  // namespace verosa
