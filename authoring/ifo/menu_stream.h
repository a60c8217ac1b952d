// The disc menu stream: a generated test picture (a colour ramp), encoded by
// the still encoder and turned into a one-VOBU menu stream (VIDEO_TS.VOB, or
// VTS_nn_0.VOB for a title-set menu) without buttons or highlight.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>

#include "ifo/ifo_common.h"
#include "job/job_signals.h"
#include "mux/pack_format.h"
#include "platform/window.h"

namespace pennock {

inline constexpr const char* kMenuPictureName = "_vmg.bmp";
inline constexpr const char* kVmgMenuVobName = "VIDEO_TS.VOB";
inline constexpr const char* kVmgIntermediateName = "VIDEO_0.VOB";

// Pack time of the menu stream's system clock: one 2048-byte pack at 10.08 Mbit/s.
inline constexpr double kMenuPackTime = 146.2857;

// The generated picture: a 54-byte header, then 720 x height pixels.
inline constexpr std::size_t kMenuPictureHeaderSize = 54;
inline constexpr int kMenuPictureWidth = 720;
inline constexpr std::uint32_t kMenuPictureSizeField = 1036856;  // the same for both TV systems
inline constexpr std::uint32_t kMenuPicturePixelsPerMetre = 4724;

// Time constants of the menu VOBU (90 kHz ticks).
struct MenuTiming {
  std::uint32_t frame;            // D
  std::uint32_t vobu;             // V
  std::uint32_t start;            // S: PTS of the picture, start of the VOBU
  int frames_per_second;
  int frames_per_vobu;
  std::uint8_t frame_flag;        // frame-rate flag bits of the elapsed times
  int frame_rate_code;
};
MenuTiming MenuTimingFor(TvSystem tv);

// The fields of a menu VOBU's navigation pack: its sector, PTMs, elapsed-time
// frame flags, end addresses (`last_pack` after the navigation pack), VOB id
// and the VOB's video span (lengthened by `still_seconds` 1..254).
void FinishMenuNavigationPack(Pack& pack, std::uint32_t sector, std::uint16_t vob_id, const MenuTiming& timing,
                              std::uint32_t last_pack, int still_seconds);

struct MenuRequest {
  platform::WindowHandle window = platform::kNoWindow;
  std::filesystem::path picture;   // VIDEO_TS/_vmg.bmp
  std::filesystem::path video_ts;
  int menu_kind = 0;               // 0: VMG menu, n: menu of title set n
  std::uint32_t start_sector = 0;  // 0: create the menu VOB, otherwise append to it
  std::uint16_t vob_id = 1;
  int still_seconds = 0;           // 1..254 lengthen VOB_V_E_PTM; others leave the default
  int aspect_code = 43;
};

struct MenuStream {
  int result = 0;                  // 0, or 2010 when the intermediate stream is missing
  TvSystem tv = TvSystem::Ntsc;
  std::uint32_t vobu_start_sector = 0;  // of the menu VOBU, within the menu VOBs
  std::uint32_t sectors = 0;            // packs of the menu stream
  std::uint32_t vobu_end_ptm = 0;
  std::uint32_t vobu_start_ptm = 0;
  StreamAttributes attributes;          // read back from the written stream
  std::array<std::uint8_t, 4> cell_time{};  // BCD time of the VOBU's span
};

// The TV system of title set 1: PAL when bits 5..4 of byte 512 of
// VTS_01_0.IFO are not zero; NTSC when the file cannot be read.
TvSystem TitleSetTvSystem(const std::filesystem::path& video_ts);

// The bytes of the generated picture: every row is the ramp 0, 1, ..., 255,
// 0, ... of 720 bytes written three times.
std::vector<std::uint8_t> MenuPictureBytes(TvSystem tv);
// Writes (creates or overwrites) the picture. False when it cannot be written.
bool WriteMenuPicture(const std::filesystem::path& path, TvSystem tv);

// The file names of a menu: the intermediate stream and the finished menu VOB.
std::filesystem::path MenuIntermediatePath(const std::filesystem::path& video_ts, int menu_kind);
std::filesystem::path MenuVobPath(const std::filesystem::path& video_ts, int menu_kind);

// Generates the picture, encodes it, copies it into the intermediate stream
// with the menu's clock, finalises it into the menu VOB (navigation pack
// fields), copies the result back over the intermediate stream and reads its
// attributes. Sends status 2010 when the intermediate stream is missing.
MenuStream BuildMenuStream(const MenuRequest& request, const JobSignals& signals);

}  // namespace pennock
