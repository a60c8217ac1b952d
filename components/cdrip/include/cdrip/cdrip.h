// CDRip: reads audio CDs for the conversion library (the CD import and the
// CD track decoder), on libcdio with libcdio-paranoia for secure reading.
// The library is loaded by name ("CDRip"); its functions keep one current
// drive and one open ripper per process and are called from one thread.
//
// Drives are the CD drives libcdio finds that can read audio, followed by
// disc images (CUE/BIN, and TOC/NRG where libcdio reads them) named in the
// environment variable VEROSA_CD_IMAGES (a ':'-separated list of files), so
// the whole path can be tried without hardware.
//
//   CR_Init(ini); n = CR_GetNumCDROM(); CR_SetActiveCDROM(0);
//   CR_ReadToc(); for i < CR_GetNumTocEntries(): CR_GetTocEntry(i)
//   CR_OpenRipper(&size, first, last);
//   while ((status = CR_RipChunk(buffer, &bytes, &abort)) == CR_RIP_OK) write;
//   CR_CloseRipper();
#pragma once

#include <stdint.h>

#if defined(CDRIP_BUILDING)
#define CDRIP_API __attribute__((visibility("default")))
#else
#define CDRIP_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

enum {
  CR_OK = 0,
  CR_ERR_INIT = -1,
  CR_ERR_DRIVE = -2,  // no current drive, or it cannot be opened
  CR_ERR_TOC = -3,    // no disc, or its table of contents cannot be read
  CR_ERR_RANGE = -4,  // a sector range outside the disc
  CR_ERR_STATE = -5,  // no ripper open
};

// CR_RipChunk results.
enum {
  CR_RIP_OK = 0,     // `bytes` more bytes in the buffer; call again
  CR_RIP_DONE = 4,   // the range has been read
  CR_RIP_ERROR = 5,  // a sector could not be read: the rip ends here
  CR_RIP_ABORTED = 6,
};

enum { CR_SECTOR_BYTES = 2352, CR_DRIVE_PARAMETER_BYTES = 364 };

// Entry flags: an audio track has CR_TRACK_AUDIO and not CR_TRACK_DATA.
enum { CR_TRACK_DATA = 0x04, CR_TRACK_AUDIO = 0x10 };

typedef struct {
  int32_t first_sector;  // the track's own first and last sector (LSN);
  int32_t last_sector;   // the gap before a following session is not in it
  uint8_t flags;
  uint8_t number;        // the track number on the disc (1..99)
} CR_TocEntry;

// Starts the library (the settings file is optional). CR_OK or CR_ERR_INIT.
CDRIP_API int32_t CR_Init(const char* ini_path);
CDRIP_API void CR_DeInit(void);
// Drives (and disc images) that can be read; 0 when none.
CDRIP_API int32_t CR_GetNumCDROM(void);
CDRIP_API void CR_SetActiveCDROM(int32_t index);
CDRIP_API int32_t CR_GetActiveCDROM(void);
// The current drive's display name, zero-terminated, at the start of a
// CR_DRIVE_PARAMETER_BYTES buffer.
CDRIP_API void CR_GetCDROMParameters(char* parameters);
// Reads the current disc's tracks. CR_OK, or a CR_ERR_* code.
CDRIP_API int32_t CR_ReadToc(void);
// Tracks of the last table read (the lead-out is not one of them).
CDRIP_API int32_t CR_GetNumTocEntries(void);
CDRIP_API CR_TocEntry CR_GetTocEntry(int32_t index);
// Opens the ripper for sectors first..last of the current disc;
// *buffer_bytes receives the buffer size CR_RipChunk needs.
CDRIP_API int32_t CR_OpenRipper(int32_t* buffer_bytes, int32_t first, int32_t last);
// Reads the next sectors (secure reading through paranoia where the drive
// allows it). A non-zero *abort ends the rip with CR_RIP_ABORTED.
CDRIP_API int32_t CR_RipChunk(uint8_t* buffer, int32_t* bytes, int32_t* abort);
CDRIP_API int32_t CR_CloseRipper(void);

#ifdef __cplusplus
}
#endif
