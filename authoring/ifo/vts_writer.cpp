#include "ifo/vts_writer.h"

#include <algorithm>
#include <bitset>
#include <cstddef>
#include <fstream>
#include <string>
#include <system_error>
#include <type_traits>

#include "mux/pack_format.h"

namespace pennock {

namespace {

using Bytes = std::vector<std::uint8_t>;
template <std::size_t N>
using ByteArray = std::array<std::uint8_t, N>;

// Sizes of the fixed records. Offsets inside a table are bytes from the
// table's start; tables start on sector boundaries.
constexpr std::size_t kVtsiMatSize = 2048;
constexpr std::size_t kTableHeaderSize = 8;
constexpr std::size_t kPttSize = 4;
constexpr std::size_t kPgciSrpSize = 8;
constexpr std::size_t kPgcSize = 236;
constexpr std::size_t kCommandTableHeaderSize = 8;
constexpr std::size_t kCommandSize = 8;
constexpr std::size_t kCellPlaybackSize = 24;
constexpr std::size_t kCellPositionSize = 4;
constexpr std::size_t kTimeMapHeaderSize = 4;
constexpr std::size_t kCellAddressSize = 12;

constexpr std::uint16_t kVtsVersion = 0x0011;
constexpr std::size_t kMaxAudioStreams = 8;
constexpr std::size_t kMaxLanguageSubpictures = 8;  // streams that carry the job's language
constexpr std::uint8_t kEntryPgc = 0x80;            // PGC category: entry PGC, title in bits 6..0
constexpr std::uint8_t kAudioStreamAvailable = 0x80;
constexpr std::uint32_t kTimeMapDiscontinuity = 0x80000000;
constexpr std::size_t kTimeMapMarksPerMap = 2048;

#pragma pack(push, 1)

// Sector 0 of the file.
struct VtsiMat {
  ByteArray<12> identifier;                       // 0    "DVDVIDEO-VTS"
  std::uint32_t vts_last_sector;                  // 12   H + 2F + G - 1
  ByteArray<12> reserved_16;                      // 16
  std::uint32_t vtsi_last_sector;                 // 28   F - 1
  std::uint16_t version;                          // 32
  std::uint32_t vts_category;                     // 34
  ByteArray<90> reserved_38;                      // 38
  std::uint32_t vtsi_mat_end_address;             // 128
  ByteArray<60> reserved_132;                     // 132
  std::uint32_t vtsm_vobs_sector;                 // 192  F when there is a menu VOB
  std::uint32_t vtstt_vobs_sector;                // 196  F + G when there are title VOBs
  std::uint32_t vts_ptt_srpt_sector;              // 200
  std::uint32_t vts_pgcit_sector;                 // 204
  std::uint32_t vtsm_pgci_ut_sector;              // 208
  std::uint32_t vts_tmapti_sector;                // 212
  std::uint32_t vtsm_c_adt_sector;                // 216
  std::uint32_t vtsm_vobu_admap_sector;           // 220
  std::uint32_t vts_c_adt_sector;                 // 224
  std::uint32_t vts_vobu_admap_sector;            // 228
  ByteArray<24> reserved_232;                     // 232
  ByteArray<2> vtsm_video;                        // 256
  std::uint16_t vtsm_audio_count;                 // 258
  ByteArray<8> vtsm_audio;                        // 260
  ByteArray<72> reserved_268;                     // 268
  std::uint16_t vtsm_subpicture_count;            // 340
  ByteArray<170> reserved_342;                    // 342
  ByteArray<2> vts_video;                         // 512
  std::uint16_t vts_audio_count;                  // 514
  std::array<ByteArray<8>, 8> vts_audio;          // 516
  ByteArray<16> reserved_580;                     // 580
  std::uint16_t vts_subpicture_count;             // 596
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

// Head of the search tables: PTT_SRPT, PGCIT, TMAPTI and C_ADT.
struct TableHeader {
  std::uint16_t count;        // 0  titles, PGCs, time maps or VOB ids
  std::uint16_t reserved_2;   // 2
  std::uint32_t end_address;  // 4  table length - 1
};
static_assert(sizeof(TableHeader) == kTableHeaderSize);

// One chapter of a title.
struct Ptt {
  std::uint16_t pgcn;  // 0
  std::uint16_t pgn;   // 2
};
static_assert(sizeof(Ptt) == kPttSize);

// PGCIT search entry.
struct PgciSrp {
  std::uint8_t category;    // 0  0x80 + title
  ByteArray<3> reserved_1;  // 1
  std::uint32_t pgc_offset; // 4  from the start of the PGCIT
};
static_assert(sizeof(PgciSrp) == kPgciSrpSize);

// Fixed part of a program chain; the command table follows at 236.
struct Pgc {
  std::uint16_t reserved_0;                    // 0
  std::uint8_t program_count;                  // 2
  std::uint8_t cell_count;                     // 3
  ByteArray<4> playback_time;                  // 4   BCD
  std::uint32_t prohibited_user_ops;           // 8
  std::array<ByteArray<2>, 8> audio_control;   // 12
  ByteArray<128> subpicture_control;           // 28
  std::uint16_t next_pgcn;                     // 156
  std::uint16_t previous_pgcn;                 // 158
  std::uint16_t go_up_pgcn;                    // 160
  std::uint8_t still_time;                     // 162
  std::uint8_t playback_mode;                  // 163
  ByteArray<64> palette;                       // 164  16 x (0, Y, Cr, Cb)
  std::uint16_t command_table_offset;          // 228
  std::uint16_t program_map_offset;            // 230
  std::uint16_t cell_playback_offset;          // 232
  std::uint16_t cell_position_offset;          // 234
};
static_assert(sizeof(Pgc) == kPgcSize);
static_assert(offsetof(Pgc, palette) == 164);

struct CommandTableHeader {
  std::uint16_t pre_count;    // 0
  std::uint16_t post_count;   // 2
  std::uint16_t cell_count;   // 4
  std::uint16_t end_address;  // 6  8 x commands + 7
};
static_assert(sizeof(CommandTableHeader) == kCommandTableHeaderSize);

struct CellPlayback {
  std::uint32_t category;          // 0
  ByteArray<4> playback_time;      // 4   BCD
  std::uint32_t first_vobu_start;  // 8   sectors relative to the title VOBs
  std::uint32_t first_ilvu_end;    // 12
  std::uint32_t last_vobu_start;   // 16
  std::uint32_t last_vobu_end;     // 20
};
static_assert(sizeof(CellPlayback) == kCellPlaybackSize);

struct CellPosition {
  std::uint16_t vob_id;      // 0
  std::uint8_t reserved_2;   // 2
  std::uint8_t cell_id;      // 3
};
static_assert(sizeof(CellPosition) == kCellPositionSize);

struct TimeMapHeader {
  std::uint8_t unit_seconds;  // 0
  std::uint8_t reserved_1;    // 1
  std::uint16_t entry_count;  // 2  then 4 bytes per entry
};
static_assert(sizeof(TimeMapHeader) == kTimeMapHeaderSize);

struct CellAddress {
  std::uint16_t vob_id;        // 0
  std::uint8_t cell_id;        // 2
  std::uint8_t reserved_3;     // 3
  std::uint32_t first_sector;  // 4
  std::uint32_t last_sector;   // 8
};
static_assert(sizeof(CellAddress) == kCellAddressSize);

#pragma pack(pop)

// Big-endian field writers; reserved fields are left as the zeros the
// destination starts with.
void Put(std::uint8_t* p, std::uint8_t value) { *p = value; }
void Put(std::uint8_t* p, std::uint16_t value) { PutBe16(p, value); }
void Put(std::uint8_t* p, std::uint32_t value) { PutBe32(p, value); }
template <typename T, std::size_t N>
void Put(std::uint8_t* p, const std::array<T, N>& values) {
  for (std::size_t i = 0; i < N; ++i) Put(p + i * sizeof(T), values[i]);
}

#define PUT_FIELD(out, record, field) \
  Put((out) + offsetof(std::remove_cvref_t<decltype(record)>, field), (record).field)

void Serialise(const VtsiMat& m, std::uint8_t* out) {
  PUT_FIELD(out, m, identifier);
  PUT_FIELD(out, m, vts_last_sector);
  PUT_FIELD(out, m, vtsi_last_sector);
  PUT_FIELD(out, m, version);
  PUT_FIELD(out, m, vts_category);
  PUT_FIELD(out, m, vtsi_mat_end_address);
  PUT_FIELD(out, m, vtsm_vobs_sector);
  PUT_FIELD(out, m, vtstt_vobs_sector);
  PUT_FIELD(out, m, vts_ptt_srpt_sector);
  PUT_FIELD(out, m, vts_pgcit_sector);
  PUT_FIELD(out, m, vtsm_pgci_ut_sector);
  PUT_FIELD(out, m, vts_tmapti_sector);
  PUT_FIELD(out, m, vtsm_c_adt_sector);
  PUT_FIELD(out, m, vtsm_vobu_admap_sector);
  PUT_FIELD(out, m, vts_c_adt_sector);
  PUT_FIELD(out, m, vts_vobu_admap_sector);
  PUT_FIELD(out, m, vtsm_video);
  PUT_FIELD(out, m, vtsm_audio_count);
  PUT_FIELD(out, m, vtsm_audio);
  PUT_FIELD(out, m, vtsm_subpicture_count);
  PUT_FIELD(out, m, vts_video);
  PUT_FIELD(out, m, vts_audio_count);
  PUT_FIELD(out, m, vts_audio);
  PUT_FIELD(out, m, vts_subpicture_count);
  PUT_FIELD(out, m, vts_subpicture);
}

void Serialise(const TableHeader& h, std::uint8_t* out) {
  PUT_FIELD(out, h, count);
  PUT_FIELD(out, h, end_address);
}

void Serialise(const Ptt& p, std::uint8_t* out) {
  PUT_FIELD(out, p, pgcn);
  PUT_FIELD(out, p, pgn);
}

void Serialise(const PgciSrp& s, std::uint8_t* out) {
  PUT_FIELD(out, s, category);
  PUT_FIELD(out, s, pgc_offset);
}

void Serialise(const Pgc& p, std::uint8_t* out) {
  PUT_FIELD(out, p, program_count);
  PUT_FIELD(out, p, cell_count);
  PUT_FIELD(out, p, playback_time);
  PUT_FIELD(out, p, prohibited_user_ops);
  PUT_FIELD(out, p, audio_control);
  PUT_FIELD(out, p, subpicture_control);
  PUT_FIELD(out, p, next_pgcn);
  PUT_FIELD(out, p, previous_pgcn);
  PUT_FIELD(out, p, go_up_pgcn);
  PUT_FIELD(out, p, still_time);
  PUT_FIELD(out, p, playback_mode);
  PUT_FIELD(out, p, palette);
  PUT_FIELD(out, p, command_table_offset);
  PUT_FIELD(out, p, program_map_offset);
  PUT_FIELD(out, p, cell_playback_offset);
  PUT_FIELD(out, p, cell_position_offset);
}

void Serialise(const CommandTableHeader& h, std::uint8_t* out) {
  PUT_FIELD(out, h, pre_count);
  PUT_FIELD(out, h, post_count);
  PUT_FIELD(out, h, cell_count);
  PUT_FIELD(out, h, end_address);
}

void Serialise(const CellPlayback& c, std::uint8_t* out) {
  PUT_FIELD(out, c, category);
  PUT_FIELD(out, c, playback_time);
  PUT_FIELD(out, c, first_vobu_start);
  PUT_FIELD(out, c, first_ilvu_end);
  PUT_FIELD(out, c, last_vobu_start);
  PUT_FIELD(out, c, last_vobu_end);
}

void Serialise(const CellPosition& c, std::uint8_t* out) {
  PUT_FIELD(out, c, vob_id);
  PUT_FIELD(out, c, cell_id);
}

void Serialise(const TimeMapHeader& h, std::uint8_t* out) {
  PUT_FIELD(out, h, unit_seconds);
  PUT_FIELD(out, h, entry_count);
}

void Serialise(const CellAddress& a, std::uint8_t* out) {
  PUT_FIELD(out, a, vob_id);
  PUT_FIELD(out, a, cell_id);
  PUT_FIELD(out, a, first_sector);
  PUT_FIELD(out, a, last_sector);
}

#undef PUT_FIELD

template <typename Record>
void Append(Bytes& table, const Record& record) {
  const std::size_t at = table.size();
  table.resize(at + sizeof(Record));
  Serialise(record, table.data() + at);
}

template <std::size_t N>
void Append(Bytes& table, const ByteArray<N>& bytes) {
  table.insert(table.end(), bytes.begin(), bytes.end());
}

void AppendBe32(Bytes& table, std::uint32_t value) {
  const std::size_t at = table.size();
  table.resize(at + 4);
  PutBe32(table.data() + at, value);
}

// Writes the header at the table's start once its length is known.
void FinishTable(Bytes& table, std::size_t count) {
  const TableHeader header{.count = static_cast<std::uint16_t>(count), .reserved_2 = 0,
                           .end_address = static_cast<std::uint32_t>(table.size() - 1)};
  Serialise(header, table.data());
}

template <typename T>
std::uint16_t U16(T value) { return static_cast<std::uint16_t>(value); }
template <typename T>
std::uint32_t U32(T value) { return static_cast<std::uint32_t>(value); }

Bytes BuildPttSrpt(const TitleSetInfo& info) {
  const std::size_t titles = info.titles.size();
  Bytes table(kTableHeaderSize + 4 * titles, 0);
  for (std::size_t t = 0; t < titles; ++t) {
    PutBe32(table.data() + kTableHeaderSize + 4 * t, U32(table.size()));
    for (std::size_t c = 0; c < info.titles[t].cells.size(); ++c)
      Append(table, Ptt{.pgcn = U16(t + 1), .pgn = U16(c + 1)});
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
  const std::size_t program_map = kPgcSize + kCommandTableHeaderSize + kCommandSize * kCommands;
  const std::size_t cell_playback = (program_map + cells + 1) & ~std::size_t{1};  // even
  const std::size_t cell_position = cell_playback + kCellPlaybackSize * cells;

  Pgc pgc{};
  pgc.program_count = static_cast<std::uint8_t>(cells);
  pgc.cell_count = static_cast<std::uint8_t>(cells);
  pgc.playback_time = BcdPlaybackTime(title.playback_ticks, context.frame_rate_code);
  for (std::size_t k = 0; k < context.audio_streams; ++k)
    pgc.audio_control[k] = {static_cast<std::uint8_t>(kAudioStreamAvailable + k), 0x00};
  pgc.palette = context.palette;
  pgc.command_table_offset = U16(kPgcSize);
  pgc.program_map_offset = U16(program_map);
  pgc.cell_playback_offset = U16(cell_playback);
  pgc.cell_position_offset = U16(cell_position);

  Bytes out;
  out.reserve(cell_position + kCellPositionSize * cells);
  Append(out, pgc);
  Append(out, CommandTableHeader{.pre_count = 0, .post_count = kCommands, .cell_count = 0,
                                 .end_address = U16(kCommandSize * kCommands + 7)});
  Append(out, title.post_command);
  for (std::size_t p = 1; p <= cells; ++p) out.push_back(static_cast<std::uint8_t>(p));  // program p enters at cell p
  out.resize(cell_playback, 0);
  for (const CellEntry& cell : title.cells)
    Append(out, CellPlayback{.category = cell.category,
                             .playback_time = BcdPlaybackTime(cell.playback_ticks, context.frame_rate_code),
                             .first_vobu_start = cell.first_vobu_start,
                             .first_ilvu_end = 0,
                             .last_vobu_start = cell.last_vobu_start,
                             .last_vobu_end = cell.last_vobu_end});
  for (const CellEntry& cell : title.cells)
    Append(out, CellPosition{.vob_id = cell.vob_id, .reserved_2 = 0, .cell_id = cell.cell_id});
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
    const PgciSrp search{.category = static_cast<std::uint8_t>(kEntryPgc + t + 1), .reserved_1 = {},
                         .pgc_offset = U32(table.size())};
    Serialise(search, table.data() + kTableHeaderSize + kPgciSrpSize * t);
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
    Append(table, TimeMapHeader{.unit_seconds = map.unit_seconds, .reserved_1 = 0,
                                .entry_count = U16(map.entries.size())});
    for (std::uint32_t entry : map.entries) AppendBe32(table, entry);
  }
  FinishTable(table, titles);
  return table;
}

Bytes BuildCellAddressTable(const TitleSetInfo& info) {
  Bytes table(kTableHeaderSize, 0);
  for (const TitleEntry& title : info.titles)
    for (const CellEntry& cell : title.cells)
      Append(table, CellAddress{.vob_id = cell.vob_id, .cell_id = cell.cell_id, .reserved_3 = 0,
                                .first_sector = cell.first_vobu_start, .last_sector = cell.last_vobu_end});
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
                                              const VtsVobSectors& vobs, const StreamAttributes* menu) {
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
  mat.vtsm_pgci_ut_sector = 0;  // the title set has no menu
  mat.vts_tmapti_sector = place(BuildTmapti(info));
  mat.vtsm_c_adt_sector = 0;
  mat.vtsm_vobu_admap_sector = 0;
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
  mat.vts_category = 0;
  mat.vtsi_mat_end_address = U32(kVtsiMatSize - 1);
  mat.vtsm_vobs_sector = g != 0 ? f : 0;
  mat.vtstt_vobs_sector = h != 0 ? f + g : 0;

  if (menu) {
    if (menu->mpeg2 && menu->width > 0) mat.vtsm_video = VideoAttributeBytes(*menu, params.permitted_display);
    mat.vtsm_audio_count = U16(std::clamp(menu->audio_streams, 0, 1));
    if (mat.vtsm_audio_count) mat.vtsm_audio = AudioAttributeBytes(*menu, params.language, true);
    mat.vtsm_subpicture_count = U16(std::clamp(menu->subpicture_streams, 0, 1));
  }

  const StreamAttributes& streams = info.streams;
  mat.vts_video = VideoAttributeBytes(streams, params.permitted_display);
  const auto audio = static_cast<std::size_t>(std::clamp<int>(streams.audio_streams, 0, kMaxAudioStreams));
  mat.vts_audio_count = U16(audio);
  for (std::size_t k = 0; k < audio; ++k) mat.vts_audio[k] = AudioAttributeBytes(streams, params.language, true);
  const auto subpictures =
      static_cast<std::size_t>(std::clamp<int>(streams.subpicture_streams, 0, kMaxLanguageSubpictures));
  mat.vts_subpicture_count = U16(subpictures);
  for (std::size_t k = 0; k < subpictures; ++k)
    mat.vts_subpicture[k] = {0x00, 0x00, static_cast<std::uint8_t>(params.language >> 8),
                             static_cast<std::uint8_t>(params.language), 0x00, 0x00};

  Serialise(mat, file.data());
  return file;
}

bool WriteVtsInformation(const TitleSetInfo& info, const VtsParameters& params, const StreamAttributes* menu) {
  VtsVobSectors vobs;
  vobs.menu = FileSectors(params.video_ts / kVtsMenuVobName);
  for (int n = 1; n <= kMaxTitleVobFiles; ++n)
    vobs.titles += FileSectors(params.video_ts / ("VTS_01_" + std::to_string(n) + ".VOB"));

  const Bytes file = BuildVtsInformation(info, params, vobs, menu);
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
