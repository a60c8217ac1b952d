// DVD-Video program stream packs: 2048-byte sectors with an MPEG-2 pack
// header, the navigation pack layout and the time stamp codings.
#pragma once

#include <array>
#include <cstdint>

namespace pennock {

inline constexpr std::size_t kSectorSize = 2048;
using Pack = std::array<std::uint8_t, kSectorSize>;

enum class TvSystem { Ntsc, Pal };

// Pack header (14 bytes): 00 00 01 BA, SCR, program_mux_rate 25200, no stuffing.
inline constexpr std::size_t kPackHeaderSize = 14;
inline constexpr std::uint32_t kProgramMuxRate = 25200;  // in units of 50 bytes/s

// Offsets in the navigation pack.
namespace nav {
inline constexpr std::size_t kSystemHeader = 14;
inline constexpr std::size_t kPciPacket = 38;
inline constexpr std::size_t kPciLbn = 45;
inline constexpr std::size_t kVobuSPtm = 57;
inline constexpr std::size_t kVobuEPtm = 61;
inline constexpr std::size_t kVobuSeEPtm = 65;
inline constexpr std::size_t kEEltm = 69;
inline constexpr std::size_t kDsiPacket = 1024;
inline constexpr std::size_t kDsiScr = 1031;
inline constexpr std::size_t kDsiLbn = 1035;
inline constexpr std::size_t kVobuEa = 1039;
inline constexpr std::size_t kFirstRefEa = 1043;
inline constexpr std::size_t kVobIdn = 1055;
inline constexpr std::size_t kCellIdn = 1058;
inline constexpr std::size_t kCEltm = 1059;
inline constexpr std::size_t kVobVSPtm = 1075;
inline constexpr std::size_t kVobVEPtm = 1079;
inline constexpr std::size_t kVobuSri = 1265;
inline constexpr std::size_t kVobuSriEntries = 42;
inline constexpr std::size_t kASynca = 1433;
inline constexpr std::uint8_t kFrameFlagNtsc = 0xC0;  // 30 Hz, in the frame byte of E_ELTM/C_ELTM
inline constexpr std::uint8_t kFrameFlagPal = 0x40;   // 25 Hz
}  // namespace nav

void PutBe16(std::uint8_t* p, std::uint16_t value);
// A padding packet at `p`: its start code, `length`, then `length` bytes 0xFF.
void PutPaddingPacket(std::uint8_t* p, std::size_t length);
void PutBe32(std::uint8_t* p, std::uint32_t value);
std::uint32_t GetBe32(const std::uint8_t* p);

// The six SCR bytes: '01', base (33 bits) with markers, extension (9 bits), marker.
void WriteScr(std::uint8_t* p, std::uint64_t base, std::uint32_t extension);
// SCR from a tick count: whole ticks as base, the fraction x 300 as extension.
void WriteScrTicks(std::uint8_t* p, double ticks);
void WritePackHeader(std::uint8_t* p, std::uint64_t scr_base, std::uint32_t scr_extension);

// The 5-byte PTS/DTS coding with a 4-bit prefix (0011 PTS with DTS, 0001 DTS,
// 0010 PTS alone).
void WriteTimestamp(std::uint8_t* p, std::uint8_t prefix, std::uint64_t ticks);
std::uint64_t ReadTimestamp(const std::uint8_t* p);

// The navigation pack as every VOBU starts: pack header (SCR 0), system
// header, PCI and DSI packet headers, VOB and cell number 1, the frame-rate
// flag of the elapsed times, empty search pointers.
Pack NavigationPackTemplate(TvSystem tv);

}  // namespace pennock
