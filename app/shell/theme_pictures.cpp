#include "shell/theme_pictures.h"

#include <algorithm>

#include <QString>

#include "platform/paths.h"
#include "shell/app_context.h"

namespace verosa {
namespace fs = std::filesystem;

namespace {

// `folder`/`name`, or the entry of `folder` whose name differs only in case.
fs::path FindIgnoringCase(const fs::path& folder, const std::string& name) {
  const fs::path exact = folder / name;
  std::error_code ec;
  if (fs::exists(exact, ec)) return exact;
  const QString wanted = QString::fromStdString(name);
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (QString::fromStdString(it->path().filename().string())
            .compare(wanted, Qt::CaseInsensitive) == 0)
      return it->path();
  return exact;
}

bool Exists(const fs::path& path) {
  std::error_code ec;
  return !path.empty() && fs::exists(path, ec);
}

}  // namespace

fs::path ThemesFolder() { return platform::DataFolder() / "Theme"; }

ThemePictures ThemePicturePaths(const fs::path& themes_folder, const std::string& theme_name) {
  const fs::path folder = FindIgnoringCase(themes_folder, theme_name);
  return {FindIgnoringCase(folder, "Menu.jpg"), FindIgnoringCase(folder, "Chapter.jpg")};
}

std::vector<std::string> ListThemes(const fs::path& themes_folder) {
  std::vector<std::string> themes;
  std::error_code ec;
  for (fs::directory_iterator it(themes_folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code dir_ec;
    if (!it->is_directory(dir_ec)) continue;
    const fs::path folder = it->path();
    if (Exists(FindIgnoringCase(folder, "menu.jpg")) &&
        Exists(FindIgnoringCase(folder, "Chapter.jpg")))
      themes.push_back(folder.filename().string());
  }
  std::sort(themes.begin(), themes.end(), [](const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) < 0;
  });
  return themes;
}

ThemePictures UseTheme(AppContext& context, const fs::path& themes_folder,
                       const std::string& theme_name) {
  const ThemePictures pictures = ThemePicturePaths(themes_folder, theme_name);
  context.SetMenuPicturePath(pictures.menu.string());
  context.SetDefaultChapterPicturePath(pictures.chapter.string());
  return pictures;
}

bool UseThemeAt(AppContext& context, int index, const fs::path& themes_folder) {
  const std::vector<std::string> themes = ListThemes(themes_folder);
  if (index < 0 || index >= static_cast<int>(themes.size())) return false;
  UseTheme(context, themes_folder, themes[static_cast<std::size_t>(index)]);
  return true;
}

}  // namespace verosa
