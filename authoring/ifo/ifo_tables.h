// The tables that the video manager and the title set information files
// share, as byte images: every multi-byte field is big-endian and every
// struct has alignment 1, so a struct is the table's bytes in order, with
// each field's offset in its comment and the size pinned beside it.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "mux/pack_format.h"

namespace pennock::ifo {

template <std::size_t N>
using ByteArray = std::array<std::uint8_t, N>;

struct Be16 {
  ByteArray<2> bytes;
  Be16& operator=(std::uint32_t v) {
    PutBe16(bytes.data(), static_cast<std::uint16_t>(v));
    return *this;
  }
};
struct Be32 {
  ByteArray<4> bytes;
  Be32& operator=(std::uint32_t v) {
    PutBe32(bytes.data(), v);
    return *this;
  }
};

// Head of a search table (TT_SRPT, PTT_SRPT, PGCIT, PGCI_UT and its language
// units, VTS_ATRT, TMAPTI, C_ADT).
struct TableHeader {
  Be16 count;        //   0 entries (titles, PGCs, title sets, time maps, VOB ids)
  Be16 zero_2;       //   2
  Be32 end_address;  //   4 table length - 1
};
inline constexpr std::size_t kTableHeaderSize = 8;
static_assert(sizeof(TableHeader) == kTableHeaderSize);

// Fixed part of a program chain; the command table follows at 236.
struct PgcHeader {
  Be16 zero_0;                      //   0
  std::uint8_t programs;            //   2
  std::uint8_t cells;               //   3
  ByteArray<4> playback_time;       //   4 BCD, frame-rate flag in byte 3
  Be32 prohibited_operations;       //   8
  std::array<Be16, 8> audio_control;        //  12 0x8k00: audio stream k available
  std::array<Be32, 32> subpicture_control;  //  28
  Be16 next_pgc;                    // 156
  Be16 previous_pgc;                // 158
  Be16 go_up_pgc;                   // 160
  std::uint8_t still_time;          // 162
  std::uint8_t playback_mode;       // 163
  ByteArray<64> palette;            // 164 16 x (0, Y, Cr, Cb)
  Be16 command_table;               // 228 offsets from the PGC's start
  Be16 program_map;                 // 230
  Be16 cell_playback;               // 232
  Be16 cell_position;               // 234
};
inline constexpr std::size_t kPgcHeaderSize = 236;
static_assert(sizeof(PgcHeader) == kPgcHeaderSize);
static_assert(offsetof(PgcHeader, palette) == 164);
static_assert(offsetof(PgcHeader, command_table) == 228);

struct CommandTableHeader {
  Be16 pre_commands;   //   0
  Be16 post_commands;  //   2
  Be16 cell_commands;  //   4
  Be16 end_address;    //   6 8 x commands + 7
};
inline constexpr std::size_t kCommandTableHeaderSize = 8;
inline constexpr std::size_t kCommandSize = 8;
static_assert(sizeof(CommandTableHeader) == kCommandTableHeaderSize);

inline constexpr std::uint32_t kCellFirst = 0x02000000;     // STC discontinuity
inline constexpr std::uint32_t kCellSeamless = 0x08000000;  // seamless playback

struct CellPlaybackEntry {
  Be32 category;               //   0 kCellFirst or kCellSeamless
  ByteArray<4> playback_time;  //   4 BCD
  Be32 first_vobu_start;       //   8 sectors relative to the stream's VOBs
  Be32 first_ilvu_end;         //  12
  Be32 last_vobu_start;        //  16
  Be32 last_vobu_end;          //  20
};
inline constexpr std::size_t kCellPlaybackSize = 24;
static_assert(sizeof(CellPlaybackEntry) == kCellPlaybackSize);

struct CellPositionEntry {
  Be16 vob_id;          //   0
  std::uint8_t zero_2;  //   2
  std::uint8_t cell_id; //   3
};
inline constexpr std::size_t kCellPositionSize = 4;
static_assert(sizeof(CellPositionEntry) == kCellPositionSize);

// An entry of a cell address table (C_ADT).
struct CellAddress {
  Be16 vob_id;          //   0
  std::uint8_t cell_id; //   2
  std::uint8_t zero_3;  //   3
  Be32 first_sector;    //   4
  Be32 last_sector;     //   8
};
inline constexpr std::size_t kCellAddressSize = 12;
static_assert(sizeof(CellAddress) == kCellAddressSize);

// Appends the bytes of a record (or of any byte-image value).
template <typename T>
void Append(std::vector<std::uint8_t>& out, const T& value) {
  static_assert(alignof(T) == 1, "byte images only");
  // resize + memcpy rather than insert: GCC 12 warns falsely
  // (-Wstringop-overflow) on an insert into a vector it knows is empty.
  const std::size_t at = out.size();
  out.resize(at + sizeof(T));
  std::memcpy(out.data() + at, &value, sizeof(T));
}

// Writes a record's bytes at `at`.
template <typename T>
void Store(std::uint8_t* at, const T& value) {
  static_assert(alignof(T) == 1, "byte images only");
  const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
  std::copy(p, p + sizeof(T), at);
}

}  // namespace pennock::ifo
