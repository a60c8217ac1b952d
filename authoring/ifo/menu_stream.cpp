#include "ifo/menu_stream.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>
#include <vector>

#include "encoder/still_encoder.h"

namespace pennock {
namespace {

namespace fs = std::filesystem;

// BITMAPFILEHEADER and BITMAPINFOHEADER of the generated picture, little-endian.
struct MenuPictureHeader {
  char magic[2];                        //  0 "BM"
  std::uint8_t file_size[4];            //  2
  std::uint8_t reserved[4];             //  6
  std::uint8_t pixel_offset[4];         // 10
  std::uint8_t info_size[4];            // 14
  std::uint8_t width[4];                // 18
  std::uint8_t height[4];               // 22
  std::uint8_t planes[2];               // 26
  std::uint8_t bit_count[2];            // 28
  std::uint8_t compression[4];          // 30
  std::uint8_t image_size[4];           // 34
  std::uint8_t x_pixels_per_metre[4];   // 38
  std::uint8_t y_pixels_per_metre[4];   // 42
  std::uint8_t colours_used[4];         // 46
  std::uint8_t colours_important[4];    // 50
};
static_assert(sizeof(MenuPictureHeader) == kMenuPictureHeaderSize);

template <std::size_t N>
void PutLe(std::uint8_t (&field)[N], std::uint32_t value) {
  for (std::size_t i = 0; i < N; ++i) field[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

int MenuPictureHeight(TvSystem tv) { return tv == TvSystem::Pal ? 576 : 480; }

bool IsNavigationPack(const Pack& pack) {
  return pack[nav::kSystemHeader] == 0x00 && pack[nav::kSystemHeader + 1] == 0x00 &&
         pack[nav::kSystemHeader + 2] == 0x01 && pack[nav::kSystemHeader + 3] == 0xBB;
}

std::vector<Pack> ReadPacks(const fs::path& path, bool& opened) {
  std::vector<Pack> packs;
  std::ifstream in(path, std::ios::binary);
  opened = static_cast<bool>(in);
  Pack pack;
  while (in.read(reinterpret_cast<char*>(pack.data()), static_cast<std::streamsize>(pack.size())))
    packs.push_back(pack);
  return packs;
}

bool WritePacks(std::ofstream& out, const std::vector<Pack>& packs) {
  for (const Pack& pack : packs)
    out.write(reinterpret_cast<const char*>(pack.data()), static_cast<std::streamsize>(pack.size()));
  out.close();
  return static_cast<bool>(out);
}

void RemoveQuietly(const fs::path& path) {
  std::error_code ec;
  fs::remove(path, ec);
}

// Step 4: the encoder's packs with the menu clock, pack k at k pack times
// (the navigation pack at 0). False when there is nothing to copy or the
// intermediate stream cannot be written; no intermediate stream is left then.
bool CopyIntoIntermediate(const fs::path& encoded, const fs::path& intermediate) {
  bool opened = false;
  std::vector<Pack> packs = ReadPacks(encoded, opened);
  RemoveQuietly(encoded);
  if (!opened || packs.empty()) {
    RemoveQuietly(intermediate);
    return false;
  }
  for (std::size_t k = 0; k < packs.size(); ++k)
    WriteScrTicks(packs[k].data() + 4, static_cast<double>(k) * kMenuPackTime);
  std::ofstream out(intermediate, std::ios::binary | std::ios::trunc);
  if (!out || !WritePacks(out, packs)) {
    RemoveQuietly(intermediate);
    return false;
  }
  return true;
}

// Step 5: the navigation pack of the one menu VOBU.
void FinishNavigationPack(Pack& p, const MenuRequest& request, const MenuTiming& t,
                          std::uint32_t last_pack) {
  FinishMenuNavigationPack(p, request.start_sector, request.vob_id, t, last_pack, request.still_seconds);
}

// Writes the packs to the menu VOB, creating it or appending to it. A failed
// write leaves the file as it was before.
bool WriteMenuVob(const fs::path& path, bool append, const std::vector<Pack>& packs) {
  std::error_code ec;
  const bool existed = fs::exists(path, ec);
  const std::uintmax_t before = append && existed ? fs::file_size(path, ec) : 0;
  std::ofstream out(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
  if (out && WritePacks(out, packs)) return true;
  if (append && existed)
    fs::resize_file(path, before, ec);
  else
    RemoveQuietly(path);
  return false;
}

MenuStream MenuMissing(MenuStream menu, const JobSignals& signals) {
  menu.result = kStatusTempStreamMissing;
  menu.sectors = 0;
  signals.SendStatus(kStatusTempStreamMissing);
  return menu;
}

}  // namespace

void FinishMenuNavigationPack(Pack& p, std::uint32_t sector, std::uint16_t vob_id, const MenuTiming& t,
                              std::uint32_t last_pack, int still_seconds) {
  PutBe32(&p[nav::kPciLbn], sector);
  PutBe32(&p[nav::kDsiLbn], sector);
  PutBe32(&p[nav::kVobuSPtm], t.start);
  PutBe32(&p[nav::kVobuEPtm], t.start + t.vobu);
  PutBe32(&p[nav::kVobuSeEPtm], t.start + t.frame);
  p[nav::kEEltm + 3] = static_cast<std::uint8_t>((p[nav::kEEltm + 3] & 0x3F) | t.frame_flag);
  p[nav::kCEltm + 3] = static_cast<std::uint8_t>((p[nav::kCEltm + 3] & 0x3F) | t.frame_flag);
  PutBe32(&p[nav::kVobuEa], last_pack);
  PutBe32(&p[nav::kFirstRefEa], last_pack);
  PutBe16(&p[nav::kVobIdn], vob_id);
  PutBe32(&p[nav::kVobVSPtm], t.start);
  std::uint32_t end = t.start + t.vobu;
  if (still_seconds >= 1 && still_seconds <= 254) {
    const int frames = still_seconds * t.frames_per_second;
    const int vobus = (frames + t.frames_per_vobu - 1) / t.frames_per_vobu;
    end = t.start + static_cast<std::uint32_t>(vobus) * t.vobu;
  }
  PutBe32(&p[nav::kVobVEPtm], end);
}

MenuTiming MenuTimingFor(TvSystem tv) {
  if (tv == TvSystem::Pal) return {3600, 43200, 25200, 25, 12, nav::kFrameFlagPal, kFrameRatePal};
  return {3003, 45045, 21021, 30, 15, nav::kFrameFlagNtsc, kFrameRateNtsc};
}

TvSystem TitleSetTvSystem(const fs::path& video_ts) {
  constexpr std::size_t kVideoAttributes = 512;
  std::ifstream in(video_ts / "VTS_01_0.IFO", std::ios::binary);
  Pack sector{};
  if (!in.read(reinterpret_cast<char*>(sector.data()), static_cast<std::streamsize>(sector.size())))
    return TvSystem::Ntsc;
  return (sector[kVideoAttributes] & 0x30) != 0 ? TvSystem::Pal : TvSystem::Ntsc;
}

std::vector<std::uint8_t> MenuPictureBytes(TvSystem tv) {
  const int height = MenuPictureHeight(tv);
  MenuPictureHeader h{};
  h.magic[0] = 'B';
  h.magic[1] = 'M';
  PutLe(h.file_size, kMenuPictureSizeField);
  PutLe(h.pixel_offset, kMenuPictureHeaderSize);
  PutLe(h.info_size, 40);
  PutLe(h.width, kMenuPictureWidth);
  PutLe(h.height, static_cast<std::uint32_t>(height));
  PutLe(h.planes, 1);
  PutLe(h.bit_count, 24);
  PutLe(h.x_pixels_per_metre, kMenuPicturePixelsPerMetre);
  PutLe(h.y_pixels_per_metre, kMenuPicturePixelsPerMetre);

  constexpr std::size_t kRowBytes = 3 * kMenuPictureWidth;
  std::vector<std::uint8_t> file(kMenuPictureHeaderSize + kRowBytes * static_cast<std::size_t>(height));
  std::memcpy(file.data(), &h, sizeof h);
  std::uint8_t* row = file.data() + kMenuPictureHeaderSize;
  for (std::size_t i = 0; i < kRowBytes; ++i) row[i] = static_cast<std::uint8_t>(i % kMenuPictureWidth % 256);
  for (int y = 1; y < height; ++y) std::memcpy(row + kRowBytes * static_cast<std::size_t>(y), row, kRowBytes);
  return file;
}

bool WriteMenuPicture(const fs::path& path, TvSystem tv) {
  const std::vector<std::uint8_t> bytes = MenuPictureBytes(tv);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (out) out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (out) out.close();
  if (out) return true;
  RemoveQuietly(path);
  return false;
}

fs::path MenuIntermediatePath(const fs::path& video_ts, int menu_kind) {
  if (menu_kind == 0) return video_ts / kVmgIntermediateName;
  char name[32];
  std::snprintf(name, sizeof name, "VTS_%02d.VOB", menu_kind);
  return video_ts / name;
}

fs::path MenuVobPath(const fs::path& video_ts, int menu_kind) {
  if (menu_kind == 0) return video_ts / kVmgMenuVobName;
  char name[32];
  std::snprintf(name, sizeof name, "VTS_%02d_0.VOB", menu_kind);
  return video_ts / name;
}

MenuStream BuildMenuStream(const MenuRequest& request, const JobSignals& job_signals) {
  JobSignals signals = {job_signals.window, job_signals.status, job_signals.abort};
  if (signals.window == platform::kNoWindow) signals.window = request.window;

  MenuStream menu;
  menu.tv = TitleSetTvSystem(request.video_ts);
  const MenuTiming timing = MenuTimingFor(menu.tv);
  menu.vobu_start_sector = request.start_sector;
  menu.vobu_start_ptm = timing.start;
  menu.vobu_end_ptm = timing.start + timing.vobu;
  menu.cell_time = BcdPlaybackTime(timing.vobu, timing.frame_rate_code);

  // Picture, encoding, and the encoder's packs with the menu clock.
  WriteMenuPicture(request.picture, menu.tv);
  const StillCodingOptions options{.q = 1, .aspect_code = request.aspect_code, .picture_number = 0};
  const StillResult still = EncodeStill(request.picture, request.video_ts, options, signals);
  const fs::path encoded = request.video_ts / kMenuVobName;
  const fs::path intermediate = MenuIntermediatePath(request.video_ts, request.menu_kind);
  if (!still.written) {
    RemoveQuietly(encoded);  // never take a stale picture for this one
    RemoveQuietly(intermediate);
  } else {
    CopyIntoIntermediate(encoded, intermediate);
  }

  // Finalise into the menu VOB.
  bool opened = false;
  std::vector<Pack> packs = ReadPacks(intermediate, opened);
  if (!opened || packs.empty() || !IsNavigationPack(packs.front())) return MenuMissing(menu, signals);
  FinishNavigationPack(packs.front(), request, timing, static_cast<std::uint32_t>(packs.size() - 1));
  const fs::path menu_vob = MenuVobPath(request.video_ts, request.menu_kind);
  if (!WriteMenuVob(menu_vob, request.start_sector != 0, packs)) return MenuMissing(menu, signals);
  menu.sectors = static_cast<std::uint32_t>(packs.size());

  // The finished packs back over the intermediate stream (the whole menu VOB
  // when it was created here), then what the stream carries.
  std::ofstream back(intermediate, std::ios::binary | std::ios::trunc);
  const bool copied_back = back && WritePacks(back, packs);
  menu.attributes = DetectStreamAttributes(copied_back ? intermediate : menu_vob);
  return menu;
}

}  // namespace pennock
