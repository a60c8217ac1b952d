#include "ifo/vts_writer.h"

#include <algorithm>
#include <bitset>
#include <cstddef>
#include <fstream>
#include <string>
#include <system_error>

#include "ifo/ifo_tables.h"
#include "mux/pack_format.h"

namespace pennock {

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace ifo;

constexpr std::size_t kVtsiMatSize = 2048;
constexpr std::size_t kPttSize = 4;
constexpr std::size_t kPgciSrpSize = 8;
constexpr std::size_t kTimeMapHeaderSize = 4;

constexpr std::uint16_t kVtsVersion = 0x0011;
constexpr std::size_t kMaxAudioStreams = 8;
constexpr std::size_t kMaxLanguageSubpictures = 8;  // streams that carry the job's language
constexpr std::uint8_t kEntryPgc = 0x80;            // PGC category: entry PGC, title in bits 6..0
constexpr std::uint8_t kAudioStreamAvailable = 0x80;
constexpr std::uint32_t kTimeMapDiscontinuity = 0x80000000;
constexpr std::size_t kTimeMapMarksPerMap = 2048;

// VTSI_MAT, sector 0 of the file.
struct VtsiMat {
  ByteArray<12> identifier;                       // 0    "DVDVIDEO-VTS"
  Be32 vts_last_sector;                           // 12   H + 2F + G - 1
  ByteArray<12> reserved_16;                      // 16
  Be32 vtsi_last_sector;                          // 28   F - 1
  Be16 version;                                   // 32
  Be32 vts_category;                              // 34
  ByteArray<90> reserved_38;                      // 38
  Be32 vtsi_mat_end_address;                      // 128
  ByteArray<60> reserved_132;                     // 132
  Be32 vtsm_vobs_sector;                          // 192  F when there is a menu VOB
  Be32 vtstt_vobs_sector;                         // 196  F + G when there are title VOBs
  Be32 vts_ptt_srpt_sector;                       // 200
  Be32 vts_pgcit_sector;                          // 204
  Be32 vtsm_pgci_ut_sector;                       // 208
  Be32 vts_tmapti_sector;                         // 212
  Be32 vtsm_c_adt_sector;                         // 216
  Be32 vtsm_vobu_admap_sector;                    // 220
  Be32 vts_c_adt_sector;                          // 224
  Be32 vts_vobu_admap_sector;                     // 228
  ByteArray<24> reserved_232;                     // 232
  ByteArray<2> vtsm_video;                        // 256
  Be16 vtsm_audio_count;                          // 258
  ByteArray<8> vtsm_audio;                        // 260
  ByteArray<72> reserved_268;                     // 268
  Be16 vtsm_subpicture_count;                     // 340
  ByteArray<170> reserved_342;                    // 342
  ByteArray<2> vts_video;                         // 512
  Be16 vts_audio_count;                           // 514
  std::array<ByteArray<8>, 8> vts_audio;          // 516
  ByteArray<16> reserved_580;                     // 580
  Be16 vts_subpicture_count;                      // 596
  std::array<ByteArray<6>, 32> vts_subpicture;    // 598  00 00, language, 00 00
  ByteArray<1258> reserved_790;                   // 790
};
static_assert(sizeof(VtsiMat) == kVtsiMatSize);
static_assert(offsetof(VtsiMat, vtsi_mat_end_address) == 128);
static_assert(offsetof(VtsiMat, vtsm_vobs_sector) == 192);
static_assert(offsetof(VtsiMat, vtsm_video) == 256);
static_assert(offsetof(VtsiMat, vtsm_subpicture_count) == 340);
static_assert(offsetof(VtsiMat, vts_video) == 512);
static_assert(offsetof(VtsiMat, vts_subpicture_count) == 596);
static_assert(offsetof(VtsiMat, reserved_790) == 790);

// One chapter of a title.
struct Ptt {
  Be16 pgcn;  // 0
  Be16 pgn;   // 2
};
static_assert(sizeof(Ptt) == kPttSize);

// PGCIT search entry.
struct PgciSrp {
  std::uint8_t category;    // 0  0x80 + title
  ByteArray<3> reserved_1;  // 1
  Be32 pgc_offset;          // 4  from the start of the PGCIT
};
static_assert(sizeof(PgciSrp) == kPgciSrpSize);

struct TimeMapHeader {
  std::uint8_t unit_seconds;  // 0
  std::uint8_t reserved_1;    // 1
  Be16 entry_count;           // 2  then 4 bytes per entry
};
static_assert(sizeof(TimeMapHeader) == kTimeMapHeaderSize);

void AppendBe32(Bytes& table, std::uint32_t value) {
  Be32 field{};
  field = value;
  Append(table, field);
}

// Writes the header at the table's start once its length is known.
void FinishTable(Bytes& table, std::size_t count) {
  TableHeader header{};
  header.count = static_cast<std::uint32_t>(count);
  header.end_address = static_cast<std::uint32_t>(table.size() - 1);
  Store(table.data(), header);
}

template <typename T>
std::uint32_t U32(T value) { return static_cast<std::uint32_t>(value); }

Bytes BuildPttSrpt(const TitleSetInfo& info) {
  const std::size_t titles = info.titles.size();
  Bytes table(kTableHeaderSize + 4 * titles, 0);
  for (std::size_t t = 0; t < titles; ++t) {
    PutBe32(table.data() + kTableHeaderSize + 4 * t, U32(table.size()));
    for (std::size_t c = 0; c < info.titles[t].cells.size(); ++c) {
      Ptt ptt{};
      ptt.pgcn = U32(t + 1);
      ptt.pgn = U32(c + 1);
      Append(table, ptt);
    }
  }
  FinishTable(table, titles);
  return table;
}

struct PgcContext {
  int frame_rate_code = 0;
  std::size_t audio_streams = 0;
  ByteArray<64> palette{};
};

// One title's program chain: every chapter one program and one cell, the
// title's post command as the only command.
Bytes BuildPgc(const TitleEntry& title, const PgcContext& context) {
  constexpr std::size_t kCommands = 1;
  const std::size_t cells = title.cells.size();
  const std::size_t program_map = kPgcHeaderSize + kCommandTableHeaderSize + kCommandSize * kCommands;
  const std::size_t cell_playback = (program_map + cells + 1) & ~std::size_t{1};  // even
  const std::size_t cell_position = cell_playback + kCellPlaybackSize * cells;

  PgcHeader pgc{};
  pgc.programs = static_cast<std::uint8_t>(cells);
  pgc.cells = static_cast<std::uint8_t>(cells);
  pgc.playback_time = BcdPlaybackTime(title.playback_ticks, context.frame_rate_code);
  for (std::size_t k = 0; k < context.audio_streams; ++k)
    pgc.audio_control[k] = U32((kAudioStreamAvailable + k) << 8);
  pgc.palette = context.palette;
  pgc.command_table = U32(kPgcHeaderSize);
  pgc.program_map = U32(program_map);
  pgc.cell_playback = U32(cell_playback);
  pgc.cell_position = U32(cell_position);
  CommandTableHeader commands{};
  commands.post_commands = kCommands;
  commands.end_address = U32(kCommandSize * kCommands + 7);

  Bytes out;
  out.reserve(cell_position + kCellPositionSize * cells);
  Append(out, pgc);
  Append(out, commands);
  Append(out, title.post_command);
  for (std::size_t p = 1; p <= cells; ++p) out.push_back(static_cast<std::uint8_t>(p));  // program p enters at cell p
  out.resize(cell_playback, 0);
  for (const CellEntry& cell : title.cells) {
    CellPlaybackEntry entry{};
    entry.category = cell.category;
    entry.playback_time = BcdPlaybackTime(cell.playback_ticks, context.frame_rate_code);
    entry.first_vobu_start = cell.first_vobu_start;
    entry.last_vobu_start = cell.last_vobu_start;
    entry.last_vobu_end = cell.last_vobu_end;
    Append(out, entry);
  }
  for (const CellEntry& cell : title.cells) {
    CellPositionEntry position{};
    position.vob_id = cell.vob_id;
    position.cell_id = cell.cell_id;
    Append(out, position);
  }
  return out;
}

Bytes BuildPgcit(const TitleSetInfo& info) {
  PgcContext context;
  context.frame_rate_code = info.streams.frame_rate_code;
  context.audio_streams = static_cast<std::size_t>(std::clamp<int>(info.streams.audio_streams, 0, kMaxAudioStreams));
  context.palette = DvdPalette();

  const std::size_t titles = info.titles.size();
  Bytes table(kTableHeaderSize + kPgciSrpSize * titles, 0);
  for (std::size_t t = 0; t < titles; ++t) {
    PgciSrp search{};
    search.category = static_cast<std::uint8_t>(kEntryPgc + t + 1);
    search.pgc_offset = U32(table.size());
    Store(table.data() + kTableHeaderSize + kPgciSrpSize * t, search);
    const Bytes pgc = BuildPgc(info.titles[t], context);
    table.insert(table.end(), pgc.begin(), pgc.end());
  }
  FinishTable(table, titles);
  return table;
}

Bytes BuildTmapti(const TitleSetInfo& info) {
  const std::size_t titles = info.titles.size();
  Bytes table(kTableHeaderSize + 4 * titles, 0);
  for (std::size_t t = 0; t < titles; ++t) {
    PutBe32(table.data() + kTableHeaderSize + 4 * t, U32(table.size()));
    const TimeMap map = BuildTimeMap(info.titles[t].marks);
    TimeMapHeader header{};
    header.unit_seconds = map.unit_seconds;
    header.entry_count = U32(map.entries.size());
    Append(table, header);
    for (std::uint32_t entry : map.entries) AppendBe32(table, entry);
  }
  FinishTable(table, titles);
  return table;
}

Bytes BuildCellAddressTable(const TitleSetInfo& info) {
  Bytes table(kTableHeaderSize, 0);
  for (const TitleEntry& title : info.titles)
    for (const CellEntry& cell : title.cells) {
      CellAddress address{};
      address.vob_id = cell.vob_id;
      address.cell_id = cell.cell_id;
      address.first_sector = cell.first_vobu_start;
      address.last_sector = cell.last_vobu_end;
      Append(table, address);
    }
  FinishTable(table, info.titles.size());  // one VOB id per title
  return table;
}

Bytes BuildVobuAddressMap(const TitleSetInfo& info) {
  Bytes table;
  table.reserve(4 + 4 * info.vobu_starts.size());
  AppendBe32(table, U32(4 * info.vobu_starts.size() + 3));
  for (std::uint32_t start : info.vobu_starts) AppendBe32(table, start);
  return table;
}

bool Describable(const TitleSetInfo& info) {
  if (info.titles.empty() || info.titles.size() > kMaxVtsTitles) return false;
  return std::all_of(info.titles.begin(), info.titles.end(), [](const TitleEntry& title) {
    return !title.cells.empty() && title.cells.size() <= kMaxTitleCells;
  });
}

}  // namespace

TimeMap BuildTimeMap(const std::vector<TimeMapMark>& marks) {
  const std::size_t m = marks.size();
  // The unit is one byte of seconds: beyond 127 marks a step (days of audio)
  // the map keeps the coarsest unit.
  const std::size_t step =
      std::min<std::size_t>(m <= kTimeMapMarksPerMap ? 1 : (m + kTimeMapMarksPerMap - 1) / kTimeMapMarksPerMap, 127);
  TimeMap map;
  map.unit_seconds = static_cast<std::uint8_t>(2 * step);
  const std::size_t count = std::min<std::size_t>(m / step, UINT16_MAX);
  map.entries.reserve(count);
  std::bitset<256> cells_seen;
  for (std::size_t i = 0; i < count; ++i) {
    const TimeMapMark& mark = marks[i * step];
    std::uint32_t entry = mark.sector & ~kTimeMapDiscontinuity;
    if (mark.cell >= 2 && !cells_seen[mark.cell]) entry |= kTimeMapDiscontinuity;
    cells_seen.set(mark.cell);
    map.entries.push_back(entry);
  }
  return map;
}

std::vector<std::uint8_t> BuildVtsInformation(const TitleSetInfo& info, const VtsParameters& params,
                                              const VtsVobSectors& vobs, const StreamAttributes* menu,
                                              const MenuTables* menu_tables) {
  if (!Describable(info)) return {};

  Bytes file(kVtsiMatSize, 0);  // sector 0 is filled in once the file's size is known
  // Appends a table on the next sector boundary; its start sector, 0 for an empty table.
  auto place = [&file](const Bytes& table) -> std::uint32_t {
    if (table.empty()) return 0;
    const auto sector = U32(file.size() / kSectorSize);
    file.insert(file.end(), table.begin(), table.end());
    file.resize((file.size() + kSectorSize - 1) / kSectorSize * kSectorSize, 0);
    return sector;
  };

  VtsiMat mat{};
  mat.vts_ptt_srpt_sector = place(BuildPttSrpt(info));
  mat.vts_pgcit_sector = place(BuildPgcit(info));
  // Without menus with buttons: no PGCI_UT, C_ADT or VOBU_ADMAP of its own.
  if (menu_tables) mat.vtsm_pgci_ut_sector = place(menu_tables->pgci_ut);
  mat.vts_tmapti_sector = place(BuildTmapti(info));
  if (menu_tables) {
    mat.vtsm_c_adt_sector = place(menu_tables->c_adt);
    mat.vtsm_vobu_admap_sector = place(menu_tables->vobu_admap);
  }
  mat.vts_c_adt_sector = place(BuildCellAddressTable(info));
  mat.vts_vobu_admap_sector = place(BuildVobuAddressMap(info));

  const auto f = U32(file.size() / kSectorSize);
  const std::uint32_t g = vobs.menu;
  const std::uint32_t h = vobs.titles;
  constexpr char kIdentifier[] = "DVDVIDEO-VTS";
  std::copy(kIdentifier, kIdentifier + mat.identifier.size(), mat.identifier.begin());
  mat.vts_last_sector = h + 2 * f + g - 1;  // IFO, menu VOB, title VOBs, BUP
  mat.vtsi_last_sector = f - 1;
  mat.version = kVtsVersion;
  mat.vtsi_mat_end_address = U32(kVtsiMatSize - 1);
  mat.vtsm_vobs_sector = g != 0 ? f : 0u;
  mat.vtstt_vobs_sector = h != 0 ? f + g : 0u;

  if (menu) {
    if (menu->mpeg2 && menu->width > 0) mat.vtsm_video = VideoAttributeBytes(*menu, params.permitted_display);
    const int menu_audio = std::clamp(menu->audio_streams, 0, 1);
    mat.vtsm_audio_count = U32(menu_audio);
    if (menu_audio) mat.vtsm_audio = AudioAttributeBytes(*menu, params.language, true);
    mat.vtsm_subpicture_count = U32(std::clamp(menu->subpicture_streams, 0, 1));
  }

  const StreamAttributes& streams = info.streams;
  mat.vts_video = VideoAttributeBytes(streams, params.permitted_display);
  const auto audio = static_cast<std::size_t>(std::clamp<int>(streams.audio_streams, 0, kMaxAudioStreams));
  mat.vts_audio_count = U32(audio);
  for (std::size_t k = 0; k < audio; ++k) mat.vts_audio[k] = AudioAttributeBytes(streams, params.language, true);
  const auto subpictures =
      static_cast<std::size_t>(std::clamp<int>(streams.subpicture_streams, 0, kMaxLanguageSubpictures));
  mat.vts_subpicture_count = U32(subpictures);
  for (std::size_t k = 0; k < subpictures; ++k)
    mat.vts_subpicture[k] = {0x00, 0x00, static_cast<std::uint8_t>(params.language >> 8),
                             static_cast<std::uint8_t>(params.language), 0x00, 0x00};

  Store(file.data(), mat);
  return file;
}

bool WriteVtsInformation(const TitleSetInfo& info, const VtsParameters& params, const StreamAttributes* menu,
                         const MenuTables* menu_tables) {
  VtsVobSectors vobs;
  vobs.menu = FileSectors(params.video_ts / kVtsMenuVobName);
  for (int n = 1; n <= kMaxTitleVobFiles; ++n)
    vobs.titles += FileSectors(params.video_ts / ("VTS_01_" + std::to_string(n) + ".VOB"));

  const Bytes file = BuildVtsInformation(info, params, vobs, menu, menu_tables);
  if (file.empty()) return false;

  const std::filesystem::path ifo = params.video_ts / kVtsIfoName;
  {
    std::ofstream out(ifo, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    out.close();
    if (out.fail()) {
      std::error_code ec;
      std::filesystem::remove(ifo, ec);
      return false;
    }
  }
  return CopyToBackup(ifo, params.video_ts / kVtsBupName);
}

}  // namespace pennock
