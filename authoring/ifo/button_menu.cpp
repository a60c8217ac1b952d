#include "ifo/button_menu.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "encoder/still_encoder.h"
#include "ifo/ifo_tables.h"
#include "ifo/menu_stream.h"

namespace pennock {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using namespace ifo;

// Highlight information in the PCI of the navigation pack.
namespace hli {
inline constexpr std::size_t kStart = nav::kPciLbn + 60 + 36;  // after PCI_GI and NSML_AGLI
inline constexpr std::size_t kStatus = kStart;
inline constexpr std::size_t kStartPtm = kStart + 2;
inline constexpr std::size_t kEndPtm = kStart + 6;
inline constexpr std::size_t kSelectEndPtm = kStart + 10;
inline constexpr std::size_t kButtonMode = kStart + 14;
inline constexpr std::size_t kButtonCount = kStart + 17;
inline constexpr std::size_t kNumericCount = kStart + 18;
inline constexpr std::size_t kColours = kStart + 22;
inline constexpr std::size_t kButtons = kColours + 24;
inline constexpr std::size_t kButtonSize = 18;
}  // namespace hli

constexpr std::uint32_t kStillForever = 0xFF00;  // cell still time 255 in the category word

void WriteHighlight(Pack& p, const std::vector<PageButton>& buttons, const MenuTiming& t) {
  const std::vector<ButtonLinks> links = LinkButtons(buttons);
  PutBe16(&p[hli::kStatus], 1);  // new highlight information
  PutBe32(&p[hli::kStartPtm], t.start);
  PutBe32(&p[hli::kEndPtm], t.start + t.vobu);
  PutBe32(&p[hli::kSelectEndPtm], t.start + t.vobu);
  p[hli::kButtonMode] = 0x10;  // one button group, shown as it is (4:3)
  p[hli::kButtonCount] = static_cast<std::uint8_t>(buttons.size());
  p[hli::kNumericCount] = static_cast<std::uint8_t>(buttons.size());
  PutBe32(&p[hli::kColours], PackedColours(SelectColours()));
  PutBe32(&p[hli::kColours + 4], PackedColours(ActivateColours()));
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    const PageButton& b = buttons[i];
    std::uint8_t* e = &p[hli::kButtons + hli::kButtonSize * i];
    const auto x0 = static_cast<unsigned>(b.left), x1 = static_cast<unsigned>(b.right);
    const auto y0 = static_cast<unsigned>(b.top), y1 = static_cast<unsigned>(b.bottom);
    e[0] = static_cast<std::uint8_t>(0x40 | x0 >> 4);  // colour group 1
    e[1] = static_cast<std::uint8_t>((x0 & 0xF) << 4 | x1 >> 8);
    e[2] = static_cast<std::uint8_t>(x1);
    e[3] = static_cast<std::uint8_t>(y0 >> 4);  // no automatic action
    e[4] = static_cast<std::uint8_t>((y0 & 0xF) << 4 | y1 >> 8);
    e[5] = static_cast<std::uint8_t>(y1);
    e[6] = links[i].up;
    e[7] = links[i].down;
    e[8] = links[i].left;
    e[9] = links[i].right;
    std::copy(b.command.begin(), b.command.end(), e + 10);
  }
}

bool ValidButtons(const std::vector<PageButton>& buttons, int width, int height) {
  if (buttons.empty() || buttons.size() > kMaxPageButtons) return false;
  return std::all_of(buttons.begin(), buttons.end(), [&](const PageButton& b) {
    return b.left >= 0 && b.top >= 0 && b.left <= b.right && b.top <= b.bottom && b.right < width && b.bottom < height;
  });
}

int FrameHeight(TvSystem tv) { return tv == TvSystem::Pal ? 576 : 480; }

Bytes MenuPgc(const MenuPgcPlan& plan, const ButtonMenuVob& vob, const ByteArray<64>& palette) {
  const std::size_t commands = plan.pre.size() + plan.post.size();
  const bool with_cell = plan.page >= 1;
  const std::size_t program_map = kPgcHeaderSize + kCommandTableHeaderSize + kCommandSize * commands;
  const std::size_t cell_playback = (program_map + 1 + 1) & ~std::size_t{1};
  const std::size_t cell_position = cell_playback + kCellPlaybackSize;

  PgcHeader pgc{};
  pgc.playback_time[3] = vob.tv == TvSystem::Pal ? nav::kFrameFlagPal : nav::kFrameFlagNtsc;
  pgc.command_table = kPgcHeaderSize;
  if (with_cell) {
    pgc.programs = 1;
    pgc.cells = 1;
    pgc.playback_time = vob.cell_time;
    pgc.subpicture_control[0] = 0x80000000;  // stream 0
    pgc.palette = palette;
    pgc.program_map = static_cast<std::uint32_t>(program_map);
    pgc.cell_playback = static_cast<std::uint32_t>(cell_playback);
    pgc.cell_position = static_cast<std::uint32_t>(cell_position);
  }
  CommandTableHeader table{};
  table.pre_commands = static_cast<std::uint32_t>(plan.pre.size());
  table.post_commands = static_cast<std::uint32_t>(plan.post.size());
  table.end_address = static_cast<std::uint32_t>(kCommandSize * commands + 7);

  Bytes out;
  Append(out, pgc);
  Append(out, table);
  for (const NavigationCommand& c : plan.pre) Append(out, c);
  for (const NavigationCommand& c : plan.post) Append(out, c);
  if (!with_cell) return out;
  const MenuCell& cell = vob.cells[static_cast<std::size_t>(plan.page - 1)];
  out.push_back(1);  // program 1 starts at cell 1
  out.resize(cell_playback, 0);
  CellPlaybackEntry playback{};
  playback.category = kCellFirst | kStillForever;
  playback.playback_time = vob.cell_time;
  playback.first_vobu_start = cell.first_sector;
  playback.last_vobu_start = cell.first_sector;
  playback.last_vobu_end = cell.last_sector;
  Append(out, playback);
  CellPositionEntry position{};
  position.vob_id = cell.vob_id;
  position.cell_id = 1;
  Append(out, position);
  return out;
}

}  // namespace

std::array<std::uint8_t, 64> MenuPalette(std::uint32_t accent_rgb) {
  std::array<std::uint8_t, 64> palette = DvdPalette();
  const auto accent = PaletteEntry(accent_rgb >> 16 & 0xFF, accent_rgb >> 8 & 0xFF, accent_rgb & 0xFF);
  std::copy(accent.begin(), accent.end(), palette.begin() + 4 * kAccentEntry);
  return palette;
}

SubpictureColours SelectColours() {
  SubpictureColours c;
  c.colour = {0, kAccentEntry, kAccentEntry, 0};
  c.contrast = {0, 15, 5, 0};
  return c;
}

SubpictureColours ActivateColours() {
  SubpictureColours c;
  c.colour = {0, kAccentEntry, kAccentEntry, 0};
  c.contrast = {0, 15, 10, 0};
  return c;
}

SubpictureImage ButtonOutlines(const std::vector<PageButton>& buttons, int width, int height) {
  SubpictureImage image(width, height);
  for (const PageButton& b : buttons)
    for (int y = std::max(b.top, 0); y <= std::min(b.bottom, height - 1); ++y)
      for (int x = std::max(b.left, 0); x <= std::min(b.right, width - 1); ++x) {
        const bool edge = x - b.left < kOutlineWidth || b.right - x < kOutlineWidth || y - b.top < kOutlineWidth ||
                          b.bottom - y < kOutlineWidth;
        image.At(x, y) = edge ? kOutlinePixel : kInsidePixel;
      }
  return image;
}

std::vector<ButtonLinks> LinkButtons(const std::vector<PageButton>& buttons) {
  struct Centre { long x, y; };
  std::vector<Centre> centres;
  for (const PageButton& b : buttons) centres.push_back({(b.left + b.right) / 2L, (b.top + b.bottom) / 2L});
  // The nearest button whose centre lies ahead in the direction (dx, dy):
  // distance ahead plus twice the distance aside. Left and right stay in the
  // button's row (buttons that share some of its lines).
  auto nearest = [&](std::size_t from, int dx, int dy) {
    std::size_t best = from;
    long best_score = LONG_MAX;
    for (std::size_t i = 0; i < centres.size(); ++i) {
      const long ahead = (centres[i].x - centres[from].x) * dx + (centres[i].y - centres[from].y) * dy;
      const long aside = std::labs((centres[i].x - centres[from].x) * dy) + std::labs((centres[i].y - centres[from].y) * dx);
      const bool same_row = buttons[i].top <= buttons[from].bottom && buttons[from].top <= buttons[i].bottom;
      if (i == from || ahead <= 0 || (dx != 0 && !same_row)) continue;
      const long score = ahead + 2 * aside;
      if (score < best_score) {
        best_score = score;
        best = i;
      }
    }
    return static_cast<std::uint8_t>(best + 1);
  };
  std::vector<ButtonLinks> links(buttons.size());
  for (std::size_t i = 0; i < buttons.size(); ++i)
    links[i] = {nearest(i, 0, -1), nearest(i, 0, 1), nearest(i, -1, 0), nearest(i, 1, 0)};
  return links;
}

ButtonMenuVob WriteButtonMenuVob(const fs::path& vob, const std::vector<ButtonPage>& pages, TvSystem tv,
                                 const JobSignals& signals, const CodedMenuPictures* coded) {
  ButtonMenuVob result;
  result.tv = tv;
  const MenuTiming timing = MenuTimingFor(tv);
  result.cell_time = BcdPlaybackTime(timing.vobu, timing.frame_rate_code);
  const int height = FrameHeight(tv);

  std::ofstream out(vob, std::ios::binary | std::ios::trunc);
  auto fail = [&](int page) {
    out.close();
    std::error_code ec;
    fs::remove(vob, ec);
    result.failed_page = page;
    result.cells.clear();
    return result;
  };
  if (!out) return fail(0);
  std::uint32_t sector = 0;
  for (std::size_t k = 0; k < pages.size(); ++k) {
    const ButtonPage& page = pages[k];
    const int number = static_cast<int>(k + 1);
    if (!ValidButtons(page.buttons, kMenuPictureWidth, height)) return fail(number);
    const auto ahead = coded ? coded->find(page.picture) : CodedMenuPictures::const_iterator{};
    const EncodedPicture picture = coded && ahead != coded->end()
                                       ? ahead->second
                                       : EncodePicturePacks(page.picture, kAspect43, 0, signals);
    if (signals.Aborted()) return fail(number);  // the caller reports the abort
    if (!picture.result.written || picture.video.empty() || picture.result.frame_rate_code != timing.frame_rate_code)
      return fail(number);
    const std::vector<std::uint8_t> unit =
        EncodeSubpicture(ButtonOutlines(page.buttons, kMenuPictureWidth, height), 0, 0, SubpictureColours{});
    if (unit.empty()) return fail(number);

    std::vector<Pack> packs{NavigationPackTemplate(tv)};
    for (const Pack& p : PacketiseSubpicture(unit, timing.start)) packs.push_back(p);
    packs.insert(packs.end(), picture.video.begin(), picture.video.end());
    for (std::size_t i = 1; i < packs.size(); ++i)
      WriteScrTicks(packs[i].data() + 4, static_cast<double>(i) * kMenuPackTime);
    const auto last = static_cast<std::uint32_t>(packs.size() - 1);
    FinishMenuNavigationPack(packs.front(), sector, static_cast<std::uint16_t>(number), timing, last, 0);
    WriteHighlight(packs.front(), page.buttons, timing);
    for (const Pack& p : packs) out.write(reinterpret_cast<const char*>(p.data()), static_cast<std::streamsize>(p.size()));
    if (!out) return fail(0);
    result.cells.push_back({sector, sector + last, static_cast<std::uint16_t>(number)});
    sector += last + 1;
  }
  out.close();
  if (!out) return fail(0);
  result.written = true;
  result.attributes = DetectStreamAttributes(vob);
  return result;
}

MenuTables BuildMenuTables(const std::vector<MenuPgcPlan>& pgcs, const ButtonMenuVob& vob, std::uint8_t menu_existence,
                           std::uint32_t accent_rgb, std::uint16_t language) {
  const ByteArray<64> palette = MenuPalette(accent_rgb);
  MenuTables tables;

  // The language unit: its header, the PGC search entries, the PGCs.
  Bytes unit(kTableHeaderSize + 8 * pgcs.size(), 0);
  for (std::size_t i = 0; i < pgcs.size(); ++i) {
    std::uint8_t* entry = unit.data() + kTableHeaderSize + 8 * i;
    entry[0] = pgcs[i].entry ? static_cast<std::uint8_t>(0x80 | pgcs[i].entry) : 0x00;
    PutBe32(entry + 4, static_cast<std::uint32_t>(unit.size()));
    const Bytes pgc = MenuPgc(pgcs[i], vob, palette);
    unit.insert(unit.end(), pgc.begin(), pgc.end());
  }
  TableHeader unit_header{};
  unit_header.count = static_cast<std::uint32_t>(pgcs.size());
  unit_header.end_address = static_cast<std::uint32_t>(unit.size() - 1);
  Store(unit.data(), unit_header);

  constexpr std::size_t kUnitOffset = kTableHeaderSize + 8;
  TableHeader header{};
  header.count = 1;
  header.end_address = static_cast<std::uint32_t>(kUnitOffset + unit.size() - 1);
  Append(tables.pgci_ut, header);
  const std::uint8_t search[8] = {static_cast<std::uint8_t>(language >> 8), static_cast<std::uint8_t>(language), 0,
                                  menu_existence, 0, 0, 0, static_cast<std::uint8_t>(kUnitOffset)};
  tables.pgci_ut.insert(tables.pgci_ut.end(), std::begin(search), std::end(search));
  tables.pgci_ut.insert(tables.pgci_ut.end(), unit.begin(), unit.end());

  TableHeader cells{};
  cells.count = static_cast<std::uint32_t>(vob.cells.size());
  cells.end_address = static_cast<std::uint32_t>(kTableHeaderSize + kCellAddressSize * vob.cells.size() - 1);
  Append(tables.c_adt, cells);
  for (const MenuCell& cell : vob.cells) {
    CellAddress address{};
    address.vob_id = cell.vob_id;
    address.cell_id = 1;
    address.first_sector = cell.first_sector;
    address.last_sector = cell.last_sector;
    Append(tables.c_adt, address);
  }

  Be32 end{};
  end = static_cast<std::uint32_t>(4 * vob.cells.size() + 3);
  Append(tables.vobu_admap, end);
  for (const MenuCell& cell : vob.cells) {
    Be32 start{};
    start = cell.first_sector;
    Append(tables.vobu_admap, start);
  }
  return tables;
}

}  // namespace pennock
