#include "ifo/vmg_writer.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <system_error>
#include <vector>

#include "ifo/ifo_tables.h"
#include "job/disc_menus.h"
#include "mux/pack_format.h"

namespace pennock {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using namespace ifo;

// VMGI_MAT, sector 0 bytes 0..1023.
struct VmgiMat {
  char identifier[12];                                 //    0 "DVDVIDEO-VMG"
  Be32 vmg_last_sector;                                //   12
  std::uint8_t zero_16[12];                            //   16
  Be32 vmgi_last_sector;                               //   28
  Be16 version;                                        //   32
  Be32 category;                                       //   34 no region restriction
  Be16 volumes;                                        //   38
  Be16 volume_number;                                  //   40
  std::uint8_t side;                                   //   42
  std::uint8_t zero_43[19];                            //   43
  Be16 title_sets;                                     //   62
  char provider[32];                                   //   64
  std::uint8_t zero_96[32];                            //   96 POS code, reserved
  Be32 vmgi_mat_end;                                   //  128 end address of VMGI_MAT and FP_PGC
  Be32 first_play_pgc;                                 //  132 byte address
  std::uint8_t zero_136[56];                           //  136
  Be32 vmgm_vobs;                                      //  192 sector pointers from here
  Be32 tt_srpt;                                        //  196
  Be32 vmgm_pgci_ut;                                   //  200
  Be32 ptl_mait;                                       //  204
  Be32 vts_atrt;                                       //  208
  Be32 txtdt_mg;                                       //  212
  Be32 vmgm_c_adt;                                     //  216
  Be32 vmgm_vobu_admap;                                //  220
  std::uint8_t zero_224[32];                           //  224
  std::uint8_t video_attributes[2];                    //  256
  Be16 audio_streams;                                  //  258
  std::uint8_t audio_attributes[8];                    //  260
  std::uint8_t zero_268[72];                           //  268
  Be16 subpicture_streams;                             //  340
  std::uint8_t zero_342[682];                          //  342
};
inline constexpr std::size_t kVmgiMatSize = 1024;
static_assert(sizeof(VmgiMat) == kVmgiMatSize);

struct TitleSearchEntry {
  std::uint8_t playback_type;                          //    0
  std::uint8_t angles;                                 //    1
  Be16 chapters;                                       //    2
  Be16 parental_mask;                                  //    4
  std::uint8_t title_set;                              //    6
  std::uint8_t title_in_set;                           //    7
  Be32 title_set_start;                                //    8
};
static_assert(sizeof(TitleSearchEntry) == 12);
inline constexpr std::uint8_t kPlaybackType = 0x3C;
inline constexpr std::size_t kMaxTableTitles = 99;

struct LanguageUnitSearchEntry {
  char language[2];                                    //    0
  std::uint8_t extension;                              //    2
  std::uint8_t menu_existence;                         //    3 0x80: title menu
  Be32 offset;                                         //    4 from the table start
};
static_assert(sizeof(LanguageUnitSearchEntry) == 8);

struct PgcSearchEntry {
  std::uint8_t category;                               //    0 0x82: entry PGC, title menu
  std::uint8_t zero_1[3];                              //    1
  Be32 offset;                                         //    4 from the language unit start
};
static_assert(sizeof(PgcSearchEntry) == 8);

struct TitleSetAttributes {
  Be32 end_address;                                    //    0 0x307
  Be32 category;                                       //    4
  std::uint8_t attributes[768];                        //    8 the title set's IFO bytes 256..1023
};
static_assert(sizeof(TitleSetAttributes) == 776);
inline constexpr std::size_t kVtsAttributeOffset = 256;

void AppendCommand(Bytes& out, const NavigationCommand& command) {
  out.insert(out.end(), command.begin(), command.end());
}

std::uint16_t GetBe16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

// First-play PGC: no programs or cells, one pre-command.
Bytes FirstPlayPgc(const VmgParameters& params, TvSystem tv) {
  PgcHeader pgc{};
  pgc.playback_time[3] = tv == TvSystem::Pal ? nav::kFrameFlagPal : nav::kFrameFlagNtsc;
  pgc.command_table = kPgcHeaderSize;
  CommandTableHeader commands{};
  commands.pre_commands = 1;
  commands.end_address = kCommandSize * 1 + 7;
  Bytes out;
  Append(out, pgc);
  Append(out, commands);
  AppendCommand(out, params.first_play);
  return out;
}

// The menu PGC: one program, one cell, the pre- and post-command.
Bytes MenuPgc(const MenuStream& menu, const VmgParameters& params) {
  constexpr std::size_t kCommands = 2;
  constexpr std::size_t kProgramMap = kPgcHeaderSize + sizeof(CommandTableHeader) + kCommandSize * kCommands;
  constexpr std::size_t kCellPlayback = (kProgramMap + 1 + 1) & ~std::size_t{1};
  constexpr std::size_t kCellPosition = kCellPlayback + sizeof(CellPlaybackEntry);

  PgcHeader pgc{};
  pgc.programs = 1;
  pgc.cells = 1;
  pgc.playback_time = menu.cell_time;
  if (menu.attributes.audio_streams > 0) pgc.audio_control[0] = 0x8000;
  if (menu.attributes.subpicture_streams > 0) pgc.subpicture_control[0] = 0x80000000;
  pgc.palette = DvdPalette();
  pgc.command_table = kPgcHeaderSize;
  pgc.program_map = kProgramMap;
  pgc.cell_playback = kCellPlayback;
  pgc.cell_position = kCellPosition;

  CommandTableHeader commands{};
  commands.pre_commands = 1;
  commands.post_commands = 1;
  commands.end_address = kCommandSize * kCommands + 7;

  CellPlaybackEntry cell{};
  cell.category = kCellFirst;
  cell.playback_time = menu.cell_time;
  cell.first_vobu_start = menu.vobu_start_sector;
  cell.last_vobu_start = menu.vobu_start_sector;
  cell.last_vobu_end = menu.vobu_start_sector + menu.sectors - 1;
  CellPositionEntry position{};
  position.vob_id = 1;
  position.cell_id = 1;

  Bytes out;
  Append(out, pgc);
  Append(out, commands);
  AppendCommand(out, params.menu_pre);
  AppendCommand(out, params.menu_post);
  out.push_back(1);  // program 1 starts at cell 1
  out.resize(kCellPlayback, 0);
  Append(out, cell);
  Append(out, position);
  return out;
}

Bytes PgciUnitTable(const MenuStream& menu, const VmgParameters& params) {
  const Bytes pgc = MenuPgc(menu, params);
  constexpr std::size_t kUnitOffset = sizeof(TableHeader) + sizeof(LanguageUnitSearchEntry);
  constexpr std::size_t kPgcOffset = sizeof(TableHeader) + sizeof(PgcSearchEntry);
  const std::size_t unit_length = kPgcOffset + pgc.size();

  TableHeader table{};
  table.count = 1;
  table.end_address = static_cast<std::uint32_t>(kUnitOffset + unit_length - 1);
  LanguageUnitSearchEntry language{};
  language.language[0] = 'e';
  language.language[1] = 'n';
  language.menu_existence = 0x80;
  language.offset = kUnitOffset;
  TableHeader unit{};
  unit.count = 1;
  unit.end_address = static_cast<std::uint32_t>(unit_length - 1);
  PgcSearchEntry search{};
  search.category = 0x82;
  search.offset = kPgcOffset;

  Bytes out;
  out.reserve(kUnitOffset + unit_length);
  Append(out, table);
  Append(out, language);
  Append(out, unit);
  Append(out, search);
  out.insert(out.end(), pgc.begin(), pgc.end());
  return out;
}

fs::path TitleSetFile(const fs::path& video_ts, int title_set, const char* suffix) {
  char name[32];
  std::snprintf(name, sizeof name, "VTS_%02d_%s", title_set, suffix);
  return video_ts / name;
}

std::optional<Bytes> ReadPrefix(const fs::path& path, std::size_t max) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  const auto size = static_cast<std::uint64_t>(std::max<std::streamoff>(in.tellg(), 0));
  in.seekg(0);
  Bytes bytes(static_cast<std::size_t>(std::min<std::uint64_t>(size, max)));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

// The title set's information file, or its backup when the file cannot be read.
std::optional<Bytes> ReadTitleSetInfo(const fs::path& video_ts, int title_set, std::size_t max) {
  if (auto ifo = ReadPrefix(TitleSetFile(video_ts, title_set, "0.IFO"), max)) return ifo;
  return ReadPrefix(TitleSetFile(video_ts, title_set, "0.BUP"), max);
}

Bytes TitleSetAttributeTable(const fs::path& video_ts, int title_sets) {
  const std::size_t offsets = sizeof(TableHeader) + 4 * static_cast<std::size_t>(title_sets);
  TableHeader header{};
  header.count = static_cast<std::uint32_t>(title_sets);
  header.end_address = static_cast<std::uint32_t>(offsets + sizeof(TitleSetAttributes) * title_sets - 1);
  Bytes out;
  Append(out, header);
  for (int k = 0; k < title_sets; ++k) {
    Be32 offset{};
    offset = static_cast<std::uint32_t>(offsets + sizeof(TitleSetAttributes) * k);
    Append(out, offset);
  }
  for (int k = 1; k <= title_sets; ++k) {
    TitleSetAttributes record{};
    record.end_address = sizeof(TitleSetAttributes) - 1;
    const auto info = ReadTitleSetInfo(video_ts, k, kVtsAttributeOffset + sizeof record.attributes);
    if (info && info->size() > kVtsAttributeOffset)
      std::copy(info->begin() + kVtsAttributeOffset, info->end(), record.attributes);
    Append(out, record);
  }
  return out;
}

Bytes TitleTable(const std::vector<TitleSearchEntry>& titles) {
  TableHeader header{};
  header.count = static_cast<std::uint32_t>(titles.size());
  header.end_address = static_cast<std::uint32_t>(sizeof(TableHeader) + sizeof(TitleSearchEntry) * titles.size() - 1);
  Bytes out;
  Append(out, header);
  for (const TitleSearchEntry& title : titles) Append(out, title);
  return out;
}

TitleSearchEntry MakeTitleSearchEntry(int chapters, int title_set, int title, std::uint32_t start) {
  TitleSearchEntry entry{};
  entry.playback_type = kPlaybackType;
  entry.angles = 1;
  entry.chapters = static_cast<std::uint32_t>(chapters);
  entry.title_set = static_cast<std::uint8_t>(title_set);
  entry.title_in_set = static_cast<std::uint8_t>(title);
  entry.title_set_start = start;
  return entry;
}

Bytes MenuCellAddresses(const MenuStream& menu) {
  TableHeader header{};
  header.count = 1;
  header.end_address = sizeof(TableHeader) + sizeof(CellAddress) - 1;
  CellAddress cell{};
  cell.vob_id = 1;
  cell.cell_id = 1;
  cell.first_sector = menu.vobu_start_sector;
  cell.last_sector = menu.vobu_start_sector + menu.sectors - 1;
  Bytes out;
  Append(out, header);
  Append(out, cell);
  return out;
}

Bytes MenuVobuAddresses(const MenuStream& menu) {
  Be32 end{}, start{};
  end = 4 * 1 + 3;
  start = menu.vobu_start_sector;
  Bytes out;
  Append(out, end);
  Append(out, start);
  return out;
}

// Appends a table from the next sector boundary; its sector, or 0 for an
// empty table (not written).
std::uint32_t PlaceTable(Bytes& file, const Bytes& table) {
  if (table.empty()) return 0;
  const auto sector = static_cast<std::uint32_t>(file.size() / kSectorSize);
  file.insert(file.end(), table.begin(), table.end());
  file.resize((file.size() + kSectorSize - 1) / kSectorSize * kSectorSize, 0);
  return sector;
}

bool WriteWhole(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (out) out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (out) out.close();
  return static_cast<bool>(out);
}

void RemoveVmg(const fs::path& video_ts) {
  std::error_code ec;
  fs::remove(video_ts / kVmgIfoName, ec);
  fs::remove(video_ts / kVmgBupName, ec);
}

// Chapter counts of the titles of one title set, from its VTS_PTT_SRPT.
std::optional<std::vector<int>> ChapterCounts(const fs::path& video_ts, int title_set) {
  constexpr std::size_t kMaxInfoSize = 64u << 20;
  constexpr std::size_t kPttSrptPointer = 200;
  const auto info = ReadTitleSetInfo(video_ts, title_set, kMaxInfoSize);
  if (!info || info->size() < kSectorSize || std::memcmp(info->data(), "DVDVIDEO-VTS", 12) != 0)
    return std::nullopt;
  const std::uint64_t table = std::uint64_t{GetBe32(info->data() + kPttSrptPointer)} * kSectorSize;
  if (table == 0 || table + sizeof(TableHeader) > info->size()) return std::nullopt;
  const std::uint8_t* p = info->data() + table;
  const std::size_t titles = GetBe16(p);
  const std::uint64_t length = std::uint64_t{GetBe32(p + 4)} + 1;
  const std::size_t first_entry = sizeof(TableHeader) + 4 * titles;
  if (titles == 0 || titles > kMaxTableTitles || length < first_entry || table + length > info->size())
    return std::nullopt;
  std::vector<int> counts;
  std::uint32_t previous = 0;
  for (std::size_t t = 0; t < titles; ++t) {
    const std::uint32_t offset = GetBe32(p + sizeof(TableHeader) + 4 * t);
    const std::uint64_t next = t + 1 < titles ? GetBe32(p + sizeof(TableHeader) + 4 * (t + 1)) : length;
    if (offset < first_entry || offset < previous || next < offset || next > length) return std::nullopt;
    counts.push_back(static_cast<int>((next - offset) / 4));
    previous = offset;
  }
  return counts;
}

std::uint32_t TitleSetSectors(const fs::path& video_ts, int title_set) {
  std::uint32_t sectors = FileSectors(TitleSetFile(video_ts, title_set, "0.IFO")) +
                          FileSectors(TitleSetFile(video_ts, title_set, "0.VOB")) +
                          FileSectors(TitleSetFile(video_ts, title_set, "0.BUP"));
  for (int n = 1; n <= 9; ++n) {
    const std::string suffix = std::to_string(n) + ".VOB";
    sectors += FileSectors(TitleSetFile(video_ts, title_set, suffix.c_str()));
  }
  return sectors;
}

}  // namespace

bool WriteVmgInformation(const MenuStream& menu, const VmgParameters& params, const JobSignals& signals) {
  const fs::path& video_ts = params.video_ts;
  const std::uint32_t vob_sectors = FileSectors(video_ts / kVmgMenuVobName);
  const bool has_menu = menu.result == 0 && menu.sectors > 0 && vob_sectors > 0;
  const int title_sets = std::max(1, CountTitleSets(video_ts));

  Bytes file(kSectorSize, 0);  // VMGI_MAT goes in last
  const Bytes first_play = FirstPlayPgc(params, menu.tv);
  std::copy(first_play.begin(), first_play.end(), file.begin() + kVmgiMatSize);

  VmgiMat mat{};
  mat.tt_srpt = PlaceTable(file, TitleTable({MakeTitleSearchEntry(1, 1, 1, kPlaceholderTitleSetSector)}));
  const MenuTables* buttons = params.button_menu;
  mat.vmgm_pgci_ut =
      PlaceTable(file, !has_menu ? Bytes{} : buttons ? buttons->pgci_ut : PgciUnitTable(menu, params));
  mat.vts_atrt = PlaceTable(file, TitleSetAttributeTable(video_ts, title_sets));
  mat.vmgm_c_adt = PlaceTable(file, !has_menu ? Bytes{} : buttons ? buttons->c_adt : MenuCellAddresses(menu));
  mat.vmgm_vobu_admap =
      PlaceTable(file, !has_menu ? Bytes{} : buttons ? buttons->vobu_admap : MenuVobuAddresses(menu));

  const auto info_sectors = static_cast<std::uint32_t>(file.size() / kSectorSize);
  std::memcpy(mat.identifier, "DVDVIDEO-VMG", 12);
  if (has_menu) {
    mat.vmgm_vobs = info_sectors;
    mat.vmg_last_sector = vob_sectors + 2 * info_sectors - 1;
  } else {
    mat.vmg_last_sector = kVmgLastSectorWithoutMenu;
  }
  mat.vmgi_last_sector = info_sectors - 1;
  mat.version = 0x0011;
  mat.volumes = 1;
  mat.volume_number = 1;
  mat.side = 1;
  mat.title_sets = static_cast<std::uint32_t>(title_sets);
  std::memset(mat.provider, ' ', sizeof mat.provider);
  std::memcpy(mat.provider, kProviderIdentifier, std::strlen(kProviderIdentifier));
  mat.vmgi_mat_end = static_cast<std::uint32_t>(kVmgiMatSize + first_play.size() - 1);
  mat.first_play_pgc = kVmgiMatSize;

  const StreamAttributes& streams = menu.attributes;
  if (streams.mpeg2 && streams.width != 0) {
    const auto video = VideoAttributeBytes(streams, 0);
    std::copy(video.begin(), video.end(), mat.video_attributes);
  }
  if (streams.audio_streams > 0) {
    mat.audio_streams = 1;
    const auto audio = AudioAttributeBytes(streams, 0, false);
    std::copy(audio.begin(), audio.end(), mat.audio_attributes);
  }
  mat.subpicture_streams = streams.subpicture_streams > 0 ? 1 : 0;
  std::memcpy(file.data(), &mat, sizeof mat);

  const fs::path ifo = video_ts / kVmgIfoName;
  if (!WriteWhole(ifo, file) || !CopyToBackup(ifo, video_ts / kVmgBupName)) {
    RemoveVmg(video_ts);
    signals.SendStatus(kStatusVmgWriteFailed);
    return false;
  }
  return true;
}

int CountTitleSets(const fs::path& video_ts) {
  int count = 0;
  std::error_code ec;
  while (count < 99 && fs::is_regular_file(TitleSetFile(video_ts, count + 1, "0.BUP"), ec)) ++count;
  return count;
}

bool RewriteTitleTable(const fs::path& video_ts) {
  const fs::path ifo = video_ts / kVmgIfoName;
  const int title_sets = CountTitleSets(video_ts);
  std::vector<TitleSearchEntry> titles;
  std::uint32_t start = FileSectors(ifo) + FileSectors(video_ts / kVmgMenuVobName) +
                        FileSectors(video_ts / kVmgBupName);
  for (int k = 1; k <= title_sets; ++k) {
    const auto counts = ChapterCounts(video_ts, k);
    if (!counts) return false;
    for (std::size_t t = 0; t < counts->size(); ++t)
      titles.push_back(MakeTitleSearchEntry((*counts)[t], k, static_cast<int>(t + 1), start));
    start += TitleSetSectors(video_ts, k);
  }
  if (titles.empty() || titles.size() > kMaxTableTitles) return false;

  Bytes sector = TitleTable(titles);
  sector.resize(kSectorSize, 0);
  {
    std::fstream io(ifo, std::ios::binary | std::ios::in | std::ios::out);
    Pack head{};
    if (!io.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size())))
      return false;
    if (std::memcmp(head.data(), "DVDVIDEO-VMG", 12) != 0) return false;
    const std::uint32_t table = GetBe32(&head[offsetof(VmgiMat, tt_srpt)]);
    if (table == 0 || FileSectors(ifo) <= table) return false;
    io.seekp(static_cast<std::streamoff>(table) * static_cast<std::streamoff>(kSectorSize));
    io.write(reinterpret_cast<const char*>(sector.data()), static_cast<std::streamsize>(sector.size()));
    io.close();
    if (!io) return false;
  }
  return CopyToBackup(ifo, video_ts / kVmgBupName);
}

int BuildVideoManager(const DiscMenuRequest& request, const JobSignals& job_signals) {
  JobSignals signals = {job_signals.window, job_signals.status, job_signals.abort};
  if (signals.window == platform::kNoWindow) signals.window = request.window;
  const fs::path video_ts = request.output_folder / "VIDEO_TS";

  MenuRequest menu_request;
  menu_request.window = request.window;
  menu_request.picture = video_ts / kMenuPictureName;
  menu_request.video_ts = video_ts;
  MenuStream menu;
  TitleMenu title_menu;
  if (request.menus) {
    menu.tv = TitleSetTvSystem(video_ts);
    title_menu = BuildTitleMenu(*request.menus, video_ts, menu.tv, signals);
    if (!title_menu.vob.written && signals.Aborted()) {
      signals.SendStatus(kStatusAborted);
      return kResultAbortRecording;
    }
    if (!title_menu.vob.written) return title_menu.vob.failed_page ? kResultMenuPicture : kResultWriteFailed;
    menu.sectors = title_menu.vob.cells.back().last_sector + 1;
    menu.attributes = title_menu.vob.attributes;
  } else {
    menu = BuildMenuStream(menu_request, signals);
  }

  VmgParameters params;
  params.video_ts = video_ts;
  if (const auto command = EncodeNavigationCode(request.navigation_code)) {
    params.first_play = *command;
    params.menu_pre = *command;
    params.menu_post = *command;
  }
  if (request.menus) {
    params.button_menu = &title_menu.tables;
    if (request.menus->start_with_menu) params.first_play = command::JumpTitleMenu();
  }

  int result = 0;
  if (!WriteVmgInformation(menu, params, signals)) {
    result = kStatusVmgWriteFailed;
  } else if (!RewriteTitleTable(video_ts)) {
    RemoveVmg(video_ts);
    signals.SendStatus(kStatusVmgWriteFailed);
    result = kStatusVmgWriteFailed;
  } else if (menu.result != 0) {
    result = menu.result;
  }

  std::error_code ec;
  fs::remove(menu_request.picture, ec);
  fs::remove(MenuIntermediatePath(video_ts, 0), ec);
  for (int n = 1; n <= 9; ++n) {
    const fs::path vob = TitleSetFile(video_ts, 1, (std::to_string(n) + ".VOB").c_str());
    if (fs::is_regular_file(vob, ec) && fs::file_size(vob, ec) == 0) fs::remove(vob, ec);
  }
  return result;
}

}  // namespace pennock
