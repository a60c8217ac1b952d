// Layout of the bridge image, sector by sector:
//
//   0-15     system area (zeros)
//   16, 17   ISO 9660 primary volume descriptor, set terminator
//   18-20    BEA01, NSR02, TEA01
//   32-37    UDF main volume descriptor sequence: primary, implementation
//            use, partition, logical volume, unallocated space, terminator
//   48-53    the reserve copy of that sequence
//   64, 65   logical volume integrity descriptor (closed), terminator
//   256      anchor volume descriptor pointer
//   257-     the UDF partition: file set descriptor and terminator, the
//            directories' file entries and identifiers, one file entry per
//            file, the ISO 9660 path tables and directories, then the files
//   last     anchor volume descriptor pointer
//
// Logical block n of the partition is sector 257 + n.
#include "pennock/iso_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
#include <tuple>

#include "iso/iso_label.h"
#include "iso/iso_records.h"

namespace pennock {
namespace fs = std::filesystem;
using namespace iso;

struct IsoImage::Segment {
  enum Kind { Head, File, Zero, Tail } kind;
  std::uint64_t start;  // bytes in the image
  std::uint64_t end;
  std::size_t file;
};

namespace {

constexpr std::uint32_t kIsoPrimary = 16;
constexpr std::uint32_t kIsoTerminator = 17;
constexpr std::uint32_t kRecognition = 18;
constexpr std::uint32_t kMainSequence = 32;
constexpr std::uint32_t kReserveSequence = 48;
constexpr std::uint32_t kSequenceSectors = 16;
constexpr std::uint32_t kIntegrity = 64;
constexpr std::uint32_t kAnchor = 256;
constexpr std::uint32_t kPartitionStart = 257;
// The longest extent one allocation descriptor holds, whole sectors.
constexpr std::uint32_t kMaxExtent = 0x3FFFF800;
constexpr std::uint64_t kFileLimit = std::uint64_t{1} << 32;  // ISO 9660's 32-bit size field
constexpr std::size_t kWriteChunk = 4u << 20;

// UDF unique ids: 0 for the root, from 16 for the others.
constexpr std::uint64_t kVideoTsId = 16;
constexpr std::uint64_t kAudioTsId = 17;
constexpr std::uint64_t kFirstFileId = 18;

constexpr std::uint32_t kDirPermissions = 0x14A5;   // r-x for owner, group, others
constexpr std::uint32_t kFilePermissions = 0x1084;  // r--

std::uint32_t SectorsFor(std::uint64_t bytes) {
  return static_cast<std::uint32_t>((bytes + kSector - 1) / kSector);
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool IsDChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; }

// An 8.3 name of d-characters: base and extension.
bool SplitName(const std::string& name, std::string* base, std::string* ext) {
  const std::size_t dot = name.find('.');
  *base = name.substr(0, dot);
  *ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
  if (base->empty() || base->size() > 8 || ext->size() > 3) return false;
  return std::all_of(base->begin(), base->end(), IsDChar) && std::all_of(ext->begin(), ext->end(), IsDChar);
}

// DVD-Video order: the video manager's IFO, VOB, BUP; then per title set
// its IFO, menu VOB, title VOBs 1-9 and BUP; anything else last, by name.
std::tuple<int, int, std::string> DvdOrder(const std::string& name) {
  if (name == "VIDEO_TS.IFO") return {0, 0, name};
  if (name == "VIDEO_TS.VOB") return {0, 1, name};
  if (name == "VIDEO_TS.BUP") return {0, 2, name};
  const auto digit = [&name](std::size_t i) { return name[i] >= '0' && name[i] <= '9'; };
  if (name.size() == 12 && name.compare(0, 4, "VTS_") == 0 && digit(4) && digit(5) && name[6] == '_' &&
      digit(7) && name[8] == '.') {
    const int set = (name[4] - '0') * 10 + (name[5] - '0');
    const int part = name[7] - '0';
    const std::string ext = name.substr(9);
    if (ext == "IFO" && part == 0) return {set, 0, name};
    if (ext == "VOB") return {set, 1 + part, name};
    if (ext == "BUP" && part == 0) return {set, 11, name};
  }
  return {1000, 0, name};
}

// ISO 9660 directory order: the name, then the extension, each padded with spaces.
bool IsoNameLess(const std::string& a, const std::string& b) {
  std::string ab, ae, bb, be;
  SplitName(a, &ab, &ae);
  SplitName(b, &bb, &be);
  ab.resize(8, ' ');
  bb.resize(8, ' ');
  ae.resize(3, ' ');
  be.resize(3, ' ');
  return std::tie(ab, ae) < std::tie(bb, be);
}

std::u32string Widen(const std::string& ascii) { return std::u32string(ascii.begin(), ascii.end()); }

std::size_t RecordLength(std::size_t id_length) { return (33 + id_length + 1) & ~std::size_t{1}; }

std::size_t PutDirRecord(std::uint8_t* d, const std::string& id, std::uint32_t extent, std::uint32_t bytes,
                         bool directory, std::time_t t) {
  const std::size_t length = RecordLength(id.size());
  d[0] = static_cast<std::uint8_t>(length);
  d[1] = 0;
  Both32(d + 2, extent);
  Both32(d + 10, bytes);
  IsoRecordTime(d + 18, t);
  d[25] = directory ? 2 : 0;
  d[26] = d[27] = 0;
  Both16(d + 28, 1);
  d[32] = static_cast<std::uint8_t>(id.size());
  std::memcpy(d + 33, id.data(), id.size());
  return length;
}

std::size_t FidLength(std::size_t id_bytes) { return (38 + id_bytes + 3) & ~std::size_t{3}; }

// A file identifier at `offset` of a directory whose identifiers start at
// logical block `first_block`; returns its length.
std::size_t PutFid(std::uint8_t* dir, std::size_t offset, std::uint32_t first_block, std::uint8_t characteristics,
                   const std::string& name, std::uint32_t entry_block, std::uint64_t unique_id) {
  std::uint8_t* d = dir + offset;
  const std::vector<std::uint8_t> id = name.empty() ? std::vector<std::uint8_t>() : Cs0(Widen(name));
  const std::size_t length = FidLength(id.size());
  std::memset(d, 0, length);
  Le16(d + 16, 1);
  d[18] = characteristics;
  d[19] = static_cast<std::uint8_t>(id.size());
  PutLongAd(d + 20, kSector, entry_block, static_cast<std::uint32_t>(unique_id));
  Le16(d + 36, 0);
  if (!id.empty()) std::memcpy(d + 38, id.data(), id.size());
  FinishTag(d, kTagFileIdentifier, first_block + static_cast<std::uint32_t>(offset / kSector), length);
  return length;
}

void PutFileEntry(std::uint8_t* d, std::uint32_t block, bool directory, std::uint16_t links, std::uint64_t bytes,
                  std::uint32_t data_block, std::time_t t, std::uint64_t unique_id) {
  // Information control block tag: strategy 4, one entry, short allocation descriptors.
  Le16(d + 20, 4);
  Le16(d + 24, 1);
  d[27] = directory ? 4 : 5;
  Le16(d + 34, 0);
  Le32(d + 36, 0xFFFFFFFF);  // user and group unknown
  Le32(d + 40, 0xFFFFFFFF);
  Le32(d + 44, directory ? kDirPermissions : kFilePermissions);
  Le16(d + 48, links);
  Le64(d + 56, bytes);
  Le64(d + 64, SectorsFor(bytes));
  UdfTime(d + 72, t);
  UdfTime(d + 84, t);
  UdfTime(d + 96, t);
  Le32(d + 108, 1);  // checkpoint
  PutImplementationId(d + 128);
  Le64(d + 160, unique_id);
  Le32(d + 168, 0);
  std::size_t ads = 0;
  for (std::uint64_t done = 0; done < bytes; done += kMaxExtent, ++ads) {
    const auto length = static_cast<std::uint32_t>(std::min<std::uint64_t>(kMaxExtent, bytes - done));
    PutShortAd(d + 176 + 8 * ads, length, data_block + static_cast<std::uint32_t>(done / kSector));
  }
  Le32(d + 172, static_cast<std::uint32_t>(8 * ads));
  FinishTag(d, kTagFileEntry, block, 176 + 8 * ads);
}

std::string Errno(const std::string& what, const fs::path& path) {
  return what + " " + path.string() + ": " + std::strerror(errno);
}

// The entry of `folder` whose upper-case name is `name`, or an empty path.
fs::path FindEntry(const fs::path& folder, const std::string& name) {
  std::error_code ec;
  if (fs::exists(folder / name, ec)) return folder / name;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (Upper(it->path().filename().string()) == name) return it->path();
  return {};
}

std::uint32_t Hash(const std::string& text, std::uint32_t h = 2166136261u) {
  for (unsigned char c : text) h = (h ^ c) * 16777619u;
  return h;
}

// Where the image's structures go, in sectors, before any is written.
struct Plan {
  std::time_t time = 0;  // the recording time: the newest file's
  std::vector<std::size_t> iso_order;  // the files by ISO 9660 name
  std::size_t root_fid_bytes = 0, video_fid_bytes = 0, audio_fid_bytes = 0;
  std::uint32_t video_iso_sectors = 1;
  std::uint32_t root_entry = 0, root_fids = 0, video_entry = 0, video_fids = 0, audio_entry = 0, audio_fids = 0;
  std::uint32_t file_entries = 0;  // one sector per file, in image order
  std::uint32_t path_l = 0, path_m = 0, iso_root = 0, iso_video = 0, iso_audio = 0;
  std::uint32_t first_file = 0;
  std::uint32_t partition_end = 0;  // the sector after the last file: the closing anchor
  std::uint32_t Sectors() const { return partition_end + 1; }
};

// Sector n of the image's head.
struct SectorMap {
  std::uint8_t* base;
  std::uint8_t* operator()(std::uint32_t n) const { return base + std::size_t{n} * kSector; }
};

// Places the directories, the tables and the files (their sectors); false
// when the image would need more than 32-bit sector numbers.
bool Place(std::vector<IsoImageFile>& files, Plan& p) {
  // Sizes of the directories.
  p.root_fid_bytes = FidLength(0) + 2 * FidLength(Cs0(U"VIDEO_TS").size());
  p.video_fid_bytes = FidLength(0);
  for (const IsoImageFile& f : files) p.video_fid_bytes += FidLength(Cs0(Widen(f.name)).size());
  p.audio_fid_bytes = FidLength(0);

  p.iso_order.resize(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) p.iso_order[i] = i;
  std::sort(p.iso_order.begin(), p.iso_order.end(),
            [&files](std::size_t a, std::size_t b) { return IsoNameLess(files[a].name, files[b].name); });
  // Records never cross a sector boundary.
  p.video_iso_sectors = 1;
  {
    std::size_t used = 2 * RecordLength(1);
    for (std::size_t i : p.iso_order) {
      const std::size_t length = RecordLength(files[i].name.size() + 2);
      if (used + length > kSector) {
        ++p.video_iso_sectors;
        used = 0;
      }
      used += length;
    }
  }

  // Sectors.
  std::uint64_t next = kPartitionStart + 2;  // file set descriptor, terminator
  const auto take = [&next](std::uint64_t count) {
    const std::uint64_t at = next;
    next += count;
    return static_cast<std::uint32_t>(at);
  };
  p.root_entry = take(1);
  p.root_fids = take(SectorsFor(p.root_fid_bytes));
  p.video_entry = take(1);
  p.video_fids = take(SectorsFor(p.video_fid_bytes));
  p.audio_entry = take(1);
  p.audio_fids = take(SectorsFor(p.audio_fid_bytes));
  p.file_entries = take(files.size());
  p.path_l = take(1);
  p.path_m = take(1);
  p.iso_root = take(1);
  p.iso_video = take(p.video_iso_sectors);
  p.iso_audio = take(1);
  p.first_file = static_cast<std::uint32_t>(next);
  for (IsoImageFile& f : files) f.sector = take(SectorsFor(f.bytes));
  if (next + 1 > 0xFFFFFFFFu) return false;
  p.partition_end = static_cast<std::uint32_t>(next);
  return true;
}

// The ISO 9660 side: volume descriptors, path tables, directories.
void WriteIso9660(const SectorMap& sector, const Plan& p, const std::vector<IsoImageFile>& files,
                  const std::string& label) {
  const std::time_t t = p.time;
  const std::uint32_t path_table_bytes = 10 + 16 + 16;
  {
    std::uint8_t* d = sector(kIsoPrimary);
    d[0] = 1;
    std::memcpy(d + 1, "CD001", 5);
    d[6] = 1;
    PutPadded(d + 8, 32, "", ' ');
    PutPadded(d + 40, 32, label, ' ');
    Both32(d + 80, p.Sectors());
    Both16(d + 120, 1);
    Both16(d + 124, 1);
    Both16(d + 128, kSector);
    Both32(d + 132, path_table_bytes);
    Le32(d + 140, p.path_l);
    Be32(d + 148, p.path_m);
    PutDirRecord(d + 156, std::string(1, '\0'), p.iso_root, kSector, true, t);
    PutPadded(d + 190, 128, label, ' ');
    PutPadded(d + 318, 128, "", ' ');
    PutPadded(d + 446, 128, "", ' ');
    PutPadded(d + 574, 128, "VEROSA", ' ');
    PutPadded(d + 702, 37 * 3, "", ' ');
    IsoVolumeTime(d + 813, t);
    IsoVolumeTime(d + 830, t);
    IsoVolumeTime(d + 847, 0);
    IsoVolumeTime(d + 864, 0);
    d[881] = 1;
  }
  {
    std::uint8_t* d = sector(kIsoTerminator);
    d[0] = 255;
    std::memcpy(d + 1, "CD001", 5);
    d[6] = 1;
  }
  // Path tables: the root, AUDIO_TS, VIDEO_TS (by name), both children of the root.
  for (const bool big : {false, true}) {
    std::uint8_t* d = sector(big ? p.path_m : p.path_l);
    const auto put = [&d, big](const std::string& id, std::uint32_t extent) {
      d[0] = static_cast<std::uint8_t>(id.size());
      d[1] = 0;
      big ? Be32(d + 2, extent) : Le32(d + 2, extent);
      big ? Be16(d + 6, 1) : Le16(d + 6, 1);
      std::memcpy(d + 8, id.data(), id.size());
      d += 8 + id.size() + (id.size() & 1);
    };
    put(std::string(1, '\0'), p.iso_root);
    put("AUDIO_TS", p.iso_audio);
    put("VIDEO_TS", p.iso_video);
  }
  {
    std::uint8_t* d = sector(p.iso_root);
    d += PutDirRecord(d, std::string(1, '\0'), p.iso_root, kSector, true, t);
    d += PutDirRecord(d, std::string(1, '\1'), p.iso_root, kSector, true, t);
    d += PutDirRecord(d, "AUDIO_TS", p.iso_audio, kSector, true, t);
    PutDirRecord(d, "VIDEO_TS", p.iso_video, p.video_iso_sectors * kSector, true, t);
  }
  {
    std::uint8_t* d = sector(p.iso_video);
    std::size_t used = 0;
    used += PutDirRecord(d + used, std::string(1, '\0'), p.iso_video, p.video_iso_sectors * kSector, true, t);
    used += PutDirRecord(d + used, std::string(1, '\1'), p.iso_root, kSector, true, t);
    for (std::size_t i : p.iso_order) {
      const IsoImageFile& f = files[i];
      const std::string id = f.name + ";1";
      if (used % kSector + RecordLength(id.size()) > kSector) used = (used / kSector + 1) * kSector;
      used += PutDirRecord(d + used, id, f.sector, static_cast<std::uint32_t>(f.bytes), false, f.modified);
    }
  }
  {
    std::uint8_t* d = sector(p.iso_audio);
    d += PutDirRecord(d, std::string(1, '\0'), p.iso_audio, kSector, true, t);
    PutDirRecord(d, std::string(1, '\1'), p.iso_root, kSector, true, t);
  }
}

// The UDF volume: recognition sequence, the volume descriptor sequences,
// the integrity descriptor and both anchors (the last one into `tail`).
void WriteUdfVolume(const SectorMap& sector, std::uint8_t* tail, const Plan& p, std::size_t file_count,
                    const std::u32string& udf_volume, const std::u32string& udf_logical) {
  const std::time_t t = p.time;
  const std::uint32_t partition_length = p.partition_end - kPartitionStart;
  // Volume recognition.
  const char* const recognition[] = {"BEA01", "NSR02", "TEA01"};
  for (std::uint32_t i = 0; i < 3; ++i) {
    std::uint8_t* d = sector(kRecognition + i);
    std::memcpy(d + 1, recognition[i], 5);
    d[6] = 1;
  }

  // UDF volume descriptor sequences, main and reserve.
  char set_id[20];
  std::snprintf(set_id, sizeof set_id, "%08X%08X", static_cast<std::uint32_t>(t),
                Hash(EncodeUtf8(udf_logical), p.Sectors()));
  for (const std::uint32_t first : {kMainSequence, kReserveSequence}) {
    std::uint8_t* d = sector(first);  // primary volume descriptor
    Le32(d + 16, 1);
    PutDstring(d + 24, 32, udf_volume);
    Le16(d + 56, 1);
    Le16(d + 58, 1);
    Le16(d + 60, 2);
    Le16(d + 62, 2);
    Le32(d + 64, 1);
    Le32(d + 68, 1);
    PutDstring(d + 72, 128, Widen(set_id) + udf_logical);
    PutCharspec(d + 200);
    PutCharspec(d + 264);
    PutImplementationId(d + 344);
    UdfTime(d + 376, t);
    PutImplementationId(d + 388);
    FinishTag(d, kTagPrimaryVolume, first, 512);

    d = sector(first + 1);  // implementation use: logical volume information
    Le32(d + 16, 2);
    PutUdfEntityId(d + 20, "*UDF LV Info");
    PutCharspec(d + 52);
    PutDstring(d + 116, 128, udf_logical);
    PutImplementationId(d + 352);
    FinishTag(d, kTagImplementationUse, first + 1, 512);

    d = sector(first + 2);  // partition
    Le32(d + 16, 3);
    Le16(d + 20, 1);  // allocated
    Le16(d + 22, 0);  // partition number
    PutPlainId(d + 24, "+NSR02");
    Le32(d + 184, 1);  // read only
    Le32(d + 188, kPartitionStart);
    Le32(d + 192, partition_length);
    PutImplementationId(d + 196);
    FinishTag(d, kTagPartition, first + 2, 512);

    d = sector(first + 3);  // logical volume
    Le32(d + 16, 4);
    PutCharspec(d + 20);
    PutDstring(d + 84, 128, udf_logical);
    Le32(d + 212, kSector);
    PutDomainId(d + 216);
    PutLongAd(d + 248, 2 * kSector, 0);  // the file set descriptor
    Le32(d + 264, 6);
    Le32(d + 268, 1);
    PutImplementationId(d + 272);
    Le32(d + 432, 2 * kSector);
    Le32(d + 436, kIntegrity);
    d[440] = 1;  // type 1 partition map
    d[441] = 6;
    Le16(d + 442, 1);
    Le16(d + 444, 0);
    FinishTag(d, kTagLogicalVolume, first + 3, 446);

    d = sector(first + 4);  // unallocated space: none
    Le32(d + 16, 5);
    FinishTag(d, kTagUnallocatedSpace, first + 4, 24);

    FinishTag(sector(first + 5), kTagTerminating, first + 5, 512);
  }
  {
    std::uint8_t* d = sector(kIntegrity);
    UdfTime(d + 16, t);
    Le32(d + 28, 1);  // closed
    Le64(d + 40, kFirstFileId + file_count);
    Le32(d + 72, 1);
    Le32(d + 76, 46);
    Le32(d + 80, 0);  // free blocks
    Le32(d + 84, partition_length);
    PutImplementationId(d + 88);
    Le32(d + 120, static_cast<std::uint32_t>(file_count));
    Le32(d + 124, 3);  // directories, the root included
    Le16(d + 128, 0x0102);
    Le16(d + 130, 0x0102);
    Le16(d + 132, 0x0102);
    FinishTag(d, kTagIntegrity, kIntegrity, 134);
    FinishTag(sector(kIntegrity + 1), kTagTerminating, kIntegrity + 1, 512);
  }
  const auto anchor = [](std::uint8_t* d, std::uint32_t at) {
    Le32(d + 16, kSequenceSectors * kSector);
    Le32(d + 20, kMainSequence);
    Le32(d + 24, kSequenceSectors * kSector);
    Le32(d + 28, kReserveSequence);
    FinishTag(d, kTagAnchor, at, 512);
  };
  anchor(sector(kAnchor), kAnchor);
  anchor(tail, p.Sectors() - 1);
}

// The UDF partition's content: file set, directories, file entries.
void WriteUdfFiles(const SectorMap& sector, const Plan& p, const std::vector<IsoImageFile>& files,
                   const std::u32string& udf_volume, const std::u32string& udf_logical) {
  const std::time_t t = p.time;
  const auto block = [](std::uint32_t at) { return at - kPartitionStart; };
  {
    std::uint8_t* d = sector(kPartitionStart);
    UdfTime(d + 16, t);
    Le16(d + 28, 3);
    Le16(d + 30, 3);
    Le32(d + 32, 1);
    Le32(d + 36, 1);
    PutCharspec(d + 48);
    PutDstring(d + 112, 128, udf_logical);
    PutCharspec(d + 240);
    PutDstring(d + 304, 32, udf_volume);
    PutLongAd(d + 400, kSector, block(p.root_entry));
    PutDomainId(d + 416);
    FinishTag(d, kTagFileSet, 0, 512);
    FinishTag(sector(kPartitionStart + 1), kTagTerminating, 1, 512);
  }
  {
    std::uint8_t* dir = sector(p.root_fids);
    std::size_t at = PutFid(dir, 0, block(p.root_fids), 0x0A, "", block(p.root_entry), 0);
    at += PutFid(dir, at, block(p.root_fids), 0x02, "VIDEO_TS", block(p.video_entry), kVideoTsId);
    PutFid(dir, at, block(p.root_fids), 0x02, "AUDIO_TS", block(p.audio_entry), kAudioTsId);
    PutFileEntry(sector(p.root_entry), block(p.root_entry), true, 3, p.root_fid_bytes, block(p.root_fids), t, 0);
  }
  {
    std::uint8_t* dir = sector(p.video_fids);
    std::size_t at = PutFid(dir, 0, block(p.video_fids), 0x0A, "", block(p.root_entry), 0);
    for (std::size_t i = 0; i < files.size(); ++i)
      at += PutFid(dir, at, block(p.video_fids), 0, files[i].name, block(p.file_entries + static_cast<std::uint32_t>(i)),
                   kFirstFileId + i);
    PutFileEntry(sector(p.video_entry), block(p.video_entry), true, 1, p.video_fid_bytes, block(p.video_fids), t,
                 kVideoTsId);
  }
  {
    PutFid(sector(p.audio_fids), 0, block(p.audio_fids), 0x0A, "", block(p.root_entry), 0);
    PutFileEntry(sector(p.audio_entry), block(p.audio_entry), true, 1, p.audio_fid_bytes, block(p.audio_fids), t,
                 kAudioTsId);
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    const IsoImageFile& f = files[i];
    const std::uint32_t at = p.file_entries + static_cast<std::uint32_t>(i);
    PutFileEntry(sector(at), block(at), false, 1, f.bytes, block(f.sector), f.modified, kFirstFileId + i);
  }
}

}  // namespace

IsoImage::IsoImage() = default;

IsoImage::~IsoImage() {
  if (fd_ >= 0) ::close(fd_);
}

std::unique_ptr<IsoImage> IsoImage::Open(const fs::path& dvd_folder, const std::string& label, std::string* error) {
  std::unique_ptr<IsoImage> image(new IsoImage());
  if (!image->Layout(dvd_folder, label)) {
    if (error) *error = image->error_;
    return nullptr;
  }
  return image;
}

// The labels, the files of VIDEO_TS in DVD-Video order (each checked), what is left out.
bool IsoImage::ListFiles(const fs::path& dvd_folder, const std::string& label) {
  std::error_code ec;
  const auto fail = [this](const std::string& text) {
    error_ = text;
    return false;
  };
  if (!fs::is_directory(dvd_folder, ec)) return fail("not a folder: " + dvd_folder.string());
  const fs::path video_ts = FindEntry(dvd_folder, "VIDEO_TS");
  if (video_ts.empty() || !fs::is_directory(video_ts, ec)) {
    if (!FindEntry(dvd_folder, "VIDEO_TS.IFO").empty())
      return fail(dvd_folder.string() + " is the VIDEO_TS folder; give the folder that holds it");
    return fail("not a DVD-Video folder (no VIDEO_TS folder): " + dvd_folder.string());
  }
  const fs::path audio_ts = FindEntry(dvd_folder, "AUDIO_TS");

  std::string name = label;
  if (name.empty()) {
    fs::path absolute = fs::absolute(dvd_folder, ec).lexically_normal();
    if (absolute.filename().empty()) absolute = absolute.parent_path();
    name = absolute.filename().string();
  }
  labels_ = MakeIsoLabels(name);

  // The files of VIDEO_TS.
  std::set<std::string> names;
  fs::directory_iterator it(video_ts, ec);
  if (ec) return fail("cannot read " + video_ts.string() + ": " + ec.message());
  for (fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) return fail("cannot read " + video_ts.string() + ": " + ec.message());
    const fs::path path = it->path();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return fail(Errno("cannot read", path));
    if (S_ISDIR(st.st_mode))
      return fail("a DVD-Video folder holds no folder inside VIDEO_TS: " + path.string());
    if (!S_ISREG(st.st_mode)) return fail("not a regular file: " + path.string());
    IsoImageFile file;
    file.name = Upper(path.filename().string());
    std::string base, ext;
    if (!SplitName(file.name, &base, &ext))
      return fail("not a DVD-Video file name (8.3 letters, digits and _): " + path.string());
    if (!names.insert(file.name).second) return fail("two files named " + file.name + " in " + video_ts.string());
    if (static_cast<std::uint64_t>(st.st_size) >= kFileLimit)
      return fail(path.string() + " is " + std::to_string(st.st_size) +
                  " bytes; a disc image cannot hold a file of 4 GiB or more (DVD-Video files are at most 1 GB)");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail(Errno("cannot read", path));
    ::close(fd);
    file.directory = "VIDEO_TS";
    file.source = path;
    file.bytes = static_cast<std::uint64_t>(st.st_size);
    file.modified = st.st_mtime;
    files_.push_back(std::move(file));
  }
  if (!names.count("VIDEO_TS.IFO")) return fail("not a DVD-Video folder (no VIDEO_TS.IFO): " + video_ts.string());
  std::sort(files_.begin(), files_.end(),
            [](const IsoImageFile& a, const IsoImageFile& b) { return DvdOrder(a.name) < DvdOrder(b.name); });

  // What the image leaves out: entries beside the two folders, and AUDIO_TS's content.
  for (fs::directory_iterator entry(dvd_folder, ec), end; !ec && entry != end; entry.increment(ec))
    if (entry->path() != video_ts && entry->path() != audio_ts) left_out_.push_back(entry->path());
  if (!audio_ts.empty() && fs::is_directory(audio_ts, ec))
    for (fs::directory_iterator entry(audio_ts, ec), end; !ec && entry != end; entry.increment(ec))
      left_out_.push_back(entry->path());
  std::sort(left_out_.begin(), left_out_.end());
  return true;
}

// The plan, the head and tail sectors written, and the segments Read goes through.
bool IsoImage::Layout(const fs::path& dvd_folder, const std::string& label) {
  if (!ListFiles(dvd_folder, label)) return false;
  Plan p;
  for (const IsoImageFile& f : files_) p.time = std::max(p.time, f.modified);
  if (!Place(files_, p)) {
    error_ = "the image would be larger than 8 TB";
    return false;
  }
  sectors_ = p.Sectors();
  head_.assign(std::size_t{p.first_file} * kSector, 0);
  tail_.assign(kSector, 0);
  const SectorMap sector{head_.data()};
  const std::u32string udf_volume = DecodeUtf8(labels_.udf);
  const std::u32string udf_logical = DecodeUtf8(labels_.udf_logical);
  WriteIso9660(sector, p, files_, labels_.iso);
  WriteUdfVolume(sector, tail_.data(), p, files_.size(), udf_volume, udf_logical);
  WriteUdfFiles(sector, p, files_, udf_volume, udf_logical);

  // What Read hands out, in order.
  segments_.push_back({Segment::Head, 0, head_.size(), 0});
  for (std::size_t i = 0; i < files_.size(); ++i) {
    const std::uint64_t start = std::uint64_t{files_[i].sector} * kSector;
    if (files_[i].bytes == 0) continue;
    segments_.push_back({Segment::File, start, start + files_[i].bytes, i});
    const std::uint64_t padded = start + std::uint64_t{SectorsFor(files_[i].bytes)} * kSector;
    if (padded > start + files_[i].bytes) segments_.push_back({Segment::Zero, start + files_[i].bytes, padded, i});
  }
  segments_.push_back({Segment::Tail, std::uint64_t{sectors_ - 1} * kSector, Size(), 0});
  return true;
}

void IsoImage::Rewind() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  position_ = 0;
  segment_ = 0;
  failed_ = false;
  stopped_ = false;
  error_.clear();
}

bool IsoImage::ReadFile(std::size_t index, std::uint64_t offset, std::uint8_t* buffer, std::size_t bytes) {
  const IsoImageFile& file = files_[index];
  if (fd_ < 0 || fd_file_ != index) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = ::open(file.source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
      error_ = Errno("cannot read", file.source);
      return false;
    }
    fd_file_ = index;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || static_cast<std::uint64_t>(st.st_size) != file.bytes) {
      error_ = file.source.string() + " has changed since the image was laid out (" + std::to_string(file.bytes) +
               " bytes then, " + std::to_string(st.st_size) + " now)";
      return false;
    }
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  }
  std::size_t done = 0;
  while (done < bytes) {
    const ssize_t n = ::pread(fd_, buffer + done, bytes - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error_ = Errno("cannot read", file.source);
      return false;
    }
    if (n == 0) {
      error_ = file.source.string() + " has changed since the image was laid out (it ends early)";
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  if (offset + bytes == file.bytes) {
    ::close(fd_);
    fd_ = -1;
  }
  return true;
}

std::int64_t IsoImage::Read(std::uint8_t* buffer, std::size_t bytes) {
  if (failed_) return -1;
  std::size_t done = 0;
  while (done < bytes && segment_ < segments_.size()) {
    const Segment& s = segments_[segment_];
    if (position_ >= s.end) {
      ++segment_;
      continue;
    }
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(bytes - done, s.end - position_));
    const std::uint64_t offset = position_ - s.start;
    switch (s.kind) {
      case Segment::Head:
        std::memcpy(buffer + done, head_.data() + offset, n);
        break;
      case Segment::Tail:
        std::memcpy(buffer + done, tail_.data() + offset, n);
        break;
      case Segment::Zero:
        std::memset(buffer + done, 0, n);
        break;
      case Segment::File:
        if (!ReadFile(s.file, offset, buffer + done, n)) {
          failed_ = true;
          return -1;
        }
        break;
    }
    done += n;
    position_ += n;
  }
  return static_cast<std::int64_t>(done);
}

bool IsoImage::WriteToFile(const fs::path& out, const Progress& progress) {
  Rewind();
  std::error_code ec;
  const fs::path target = fs::weakly_canonical(fs::absolute(out, ec), ec);
  const fs::path folder = target.parent_path();
  for (const IsoImageFile& f : files_)
    if (fs::weakly_canonical(f.source, ec).parent_path() == folder) {
      error_ = "the image cannot be written into the folder it is made from: " + out.string();
      return false;
    }
  if (fs::is_directory(target, ec)) {
    error_ = "a folder has the image's name: " + out.string();
    return false;
  }
  const fs::space_info space = fs::space(folder, ec);
  if (ec) {
    error_ = "cannot write " + out.string() + ": " + ec.message();
    return false;
  }
  if (space.available < Size()) {
    error_ = "not enough room for " + out.string() + ": the image needs " + std::to_string(Size() >> 20) +
             " MB, " + std::to_string(space.available >> 20) + " MB are free";
    return false;
  }

  // The image is written beside its name and renamed once complete.
  std::string temp = target.string() + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    error_ = Errno("cannot write", target);
    return false;
  }
  ::fchmod(fd, 0644);
  struct Output {
    int fd;
    std::string temp;
    bool keep = false;
    void* buffer = nullptr;
    ~Output() {
      if (fd >= 0) ::close(fd);
      if (!keep) ::unlink(temp.c_str());
      std::free(buffer);
    }
  } output{fd, temp};
  output.buffer = std::aligned_alloc(4096, kWriteChunk);
  auto* buffer = static_cast<std::uint8_t*>(output.buffer);
  if (!buffer) {
    error_ = "out of memory";
    return false;
  }
  if (progress && !progress(0, Size())) {
    stopped_ = true;
    error_ = "stopped";
    return false;
  }
  while (position_ < Size()) {
    const std::int64_t got = Read(buffer, kWriteChunk);
    if (got < 0) return false;
    if (got == 0) break;
    for (std::size_t written = 0; written < static_cast<std::size_t>(got);) {
      const ssize_t n = ::write(fd, buffer + written, static_cast<std::size_t>(got) - written);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error_ = Errno("cannot write", target);
        return false;
      }
      written += static_cast<std::size_t>(n);
    }
    if (progress && !progress(position_, Size())) {
      stopped_ = true;
      error_ = "stopped";
      return false;
    }
  }
  struct stat st {};
  if (::fdatasync(fd) != 0 || ::fstat(fd, &st) != 0) {
    error_ = Errno("cannot write", target);
    return false;
  }
  if (static_cast<std::uint64_t>(st.st_size) != Size()) {
    error_ = "cannot write " + target.string() + ": " + std::to_string(st.st_size) + " of " +
             std::to_string(Size()) + " bytes written";
    return false;
  }
  if (::close(output.fd) != 0) {
    output.fd = -1;
    error_ = Errno("cannot write", target);
    return false;
  }
  output.fd = -1;
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    error_ = Errno("cannot write", target);
    return false;
  }
  output.keep = true;
  return true;
}

}  // namespace pennock
