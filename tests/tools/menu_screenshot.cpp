// menu_screenshot DISC OUTDIR [--starts-with-menu]: plays a DVD-Video folder
// with libdvdnav up to its title menu and the first song menu and writes
// each as the player shows it, its first button highlighted, to
// OUTDIR/title_menu.ppm and OUTDIR/song_menu.ppm. Exits 1 when the disc does
// not rest in those menus (with --starts-with-menu: when it does not start
// in the title menu).
#include <cstdio>
#include <string>

#include "authoring/menu_player.h"

int main(int argc, char** argv) {
  using namespace menu_test;
  if (argc < 3) {
    std::fprintf(stderr, "usage: menu_screenshot DISC OUTDIR [--starts-with-menu]\n");
    return 2;
  }
  const fs::path disc = argv[1], out = argv[2];
  const bool starts_with_menu = argc > 3 && std::string(argv[3]) == "--starts-with-menu";
  Player player(disc);
  if (!player.Opened()) return 1;
  const Player::Rest first = player.Run();
  if (starts_with_menu != (first == Player::Rest::Menu && player.InTitleMenu())) {
    std::fprintf(stderr, "menu_screenshot: the disc starts %s\n", first == Player::Rest::Menu ? "in a menu" : "playing");
    return 1;
  }
  if (first != Player::Rest::Menu) {
    player.MenuKey(DVD_MENU_Title);
    if (player.Run() != Player::Rest::Menu || !player.InTitleMenu()) return 1;
  }
  auto shoot = [&](const char* name) {
    const MenuFrame frame = DecodeRestingMenu(player, out);
    fs::remove(out / "resting_menu.vob");
    const bool written = frame.subpicture && WritePpm(out / name, ComposeHighlight(frame, player.Highlight(1, 0), player.Palette()));
    std::printf("%s: %zu buttons%s\n", name, player.Buttons().size(), written ? "" : " (not written)");
    return written;
  };
  if (!shoot("title_menu.ppm")) return 1;
  // The first title button that opens a song menu.
  const int buttons = static_cast<int>(player.Buttons().size());
  for (int b = 1; b <= buttons; ++b) {
    player.MenuKey(DVD_MENU_Title);
    if (player.Run() != Player::Rest::Menu) return 1;
    player.Activate(b);
    if (player.Run() == Player::Rest::Menu && player.InSongMenu()) return shoot("song_menu.ppm") ? 0 : 1;
  }
  std::fprintf(stderr, "menu_screenshot: no title opens a song menu\n");
  return 1;
}
