// lame_enc: the classic MP3 encoder library interface (beInitStream ...
// beWriteInfoTag) over libmp3lame. The caller loads liblame_enc.so by name
// ("lame_enc.dll") and resolves the functions below.
//
//   BE_CONFIG cfg = {...};                 // BE_CONFIG_LAME, see below
//   DWORD samples, bufsize; HBE_STREAM h;
//   beInitStream(&cfg, &samples, &bufsize, &h);   // samples: 16-bit values per chunk
//   while (n = read up to `samples` interleaved 16-bit values)
//     beEncodeChunk(h, n, in, out, &bytes), write bytes;
//   beDeinitStream(h, out, &bytes), write bytes;  // flush
//   beCloseStream(h); close the file;
//   beWriteInfoTag(h, path);               // or beWriteVBRHeader(path)
//
// Input is interleaved signed 16-bit native-endian PCM: one channel for
// BE_MP3_MODE_MONO, two for every other mode.
//
// The records are packed (no padding) and their layout is fixed; DWORD and
// the other Windows-style names are 32-bit here on every platform.
#pragma once

#include <stddef.h>
#include <stdint.h>

#if defined(LAME_ENC_BUILDING)
#define LAME_ENC_API __attribute__((visibility("default")))
#else
#define LAME_ENC_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef int32_t BOOL;
typedef int32_t LONG;
typedef int32_t INT;
typedef int16_t SHORT;
typedef char CHAR;

typedef DWORD BE_ERR;
typedef DWORD HBE_STREAM;  // 0 is never a valid stream

#define BE_ERR_SUCCESSFUL 0x00000000u
#define BE_ERR_INVALID_FORMAT 0x00000001u
#define BE_ERR_INVALID_FORMAT_PARAMETERS 0x00000002u
#define BE_ERR_NO_MORE_HANDLES 0x00000003u
#define BE_ERR_INVALID_HANDLE 0x00000004u
#define BE_ERR_BUFFER_TOO_SMALL 0x00000005u

#define BE_MAX_HOMEPAGE 128

// dwConfig
#define BE_CONFIG_MP3 0
#define BE_CONFIG_LAME 256

// Channel modes (byMode / nMode)
#define BE_MP3_MODE_STEREO 0
#define BE_MP3_MODE_JSTEREO 1
#define BE_MP3_MODE_DUALCHANNEL 2
#define BE_MP3_MODE_MONO 3

// dwMpegVersion
#define MPEG1 1
#define MPEG2 0

#define CURRENT_STRUCT_VERSION 1
#define CURRENT_STRUCT_SIZE 331

// nVbrMethod
typedef enum {
  VBR_METHOD_NONE = -1,
  VBR_METHOD_DEFAULT = 0,
  VBR_METHOD_OLD = 1,
  VBR_METHOD_NEW = 2,
  VBR_METHOD_MTRH = 3,
  VBR_METHOD_ABR = 4
} VBRMETHOD;

// nPreset. The LAME presets (STANDARD ... FAST_MEDIUM, ABR, CBR) choose the
// encoding method and bitrates themselves; the others only set the quality,
// and the use-named ones (PHONE ... STUDIO) keep the record's own settings.
typedef enum {
  LQP_NOPRESET = -1,
  LQP_NORMAL_QUALITY = 0,
  LQP_LOW_QUALITY = 1,
  LQP_HIGH_QUALITY = 2,
  LQP_VOICE_QUALITY = 3,
  LQP_R3MIX = 4,
  LQP_VERYHIGH_QUALITY = 5,
  LQP_STANDARD = 6,
  LQP_FAST_STANDARD = 7,
  LQP_EXTREME = 8,
  LQP_FAST_EXTREME = 9,
  LQP_INSANE = 10,
  LQP_ABR = 11,
  LQP_CBR = 12,
  LQP_MEDIUM = 13,
  LQP_FAST_MEDIUM = 14,
  LQP_PHONE = 1000,
  LQP_SW = 2000,
  LQP_AM = 3000,
  LQP_FM = 4000,
  LQP_VOICE = 5000,
  LQP_RADIO = 6000,
  LQP_TAPE = 7000,
  LQP_HIFI = 8000,
  LQP_CD = 9000,
  LQP_STUDIO = 10000
} LAME_QUALITY_PRESET;

#pragma pack(push, 1)

// The encoder configuration record, 331 bytes.
typedef struct {
  DWORD dwConfig;  // 0: BE_CONFIG_MP3 or BE_CONFIG_LAME
  union {
    struct {                // BE_CONFIG_MP3
      DWORD dwSampleRate;   // 4: 32000, 44100 or 48000
      BYTE byMode;          // 8: BE_MP3_MODE_*
      WORD wBitrate;        // 9: kbps
      BOOL bPrivate;        // 11
      BOOL bCRC;            // 15
      BOOL bCopyright;      // 19
      BOOL bOriginal;       // 23
    } mp3;

    struct {                   // BE_CONFIG_LAME
      DWORD dwStructVersion;   // 4: CURRENT_STRUCT_VERSION
      DWORD dwStructSize;      // 8: CURRENT_STRUCT_SIZE
      DWORD dwSampleRate;      // 12: sample rate of the input
      DWORD dwReSampleRate;    // 16: output sample rate, 0 = the encoder decides
      LONG nMode;              // 20: BE_MP3_MODE_*
      DWORD dwBitrate;         // 24: CBR bitrate, VBR minimum bitrate (kbps)
      DWORD dwMaxBitrate;      // 28: VBR maximum bitrate (kbps)
      LONG nPreset;            // 32: LAME_QUALITY_PRESET
      DWORD dwMpegVersion;     // 36: MPEG1 or MPEG2 (the sample rate decides)
      DWORD dwPsyModel;        // 40: 0
      DWORD dwEmphasis;        // 44: 0 none, 1 50/15 us, 3 CCITT J.17
      BOOL bPrivate;           // 48
      BOOL bCRC;               // 52
      BOOL bCopyright;         // 56
      BOOL bOriginal;          // 60
      BOOL bWriteVBRHeader;    // 64: write the Xing/Info tag frame
      BOOL bEnableVBR;         // 68
      INT nVBRQuality;         // 72: 0 (best) .. 9
      DWORD dwVbrAbr_bps;      // 76: ABR mean bitrate in bps (VBR_METHOD_ABR)
      VBRMETHOD nVbrMethod;    // 80
      BOOL bNoRes;             // 84: no bit reservoir
      BOOL bStrictIso;         // 88
      WORD nQuality;           // 92: low byte 0..9 when the high byte is its complement
      BYTE btReserved[255 - 4 * sizeof(DWORD) - sizeof(WORD)];  // 94..330
    } LHV1;

    struct {  // not supported; kept for the record's layout
      DWORD dwSampleRate;
      BYTE byMode;
      WORD wBitrate;
      BYTE byEncodingMethod;
    } aac;
  } format;
} BE_CONFIG, *PBE_CONFIG;

// Version information, 265 bytes.
typedef struct {
  BYTE byDLLMajorVersion;   // 0: this interface's version
  BYTE byDLLMinorVersion;   // 1
  BYTE byMajorVersion;      // 2: the encoder engine's version
  BYTE byMinorVersion;      // 3
  BYTE byDay;               // 4: build date
  BYTE byMonth;             // 5
  WORD wYear;               // 6
  CHAR zHomepage[BE_MAX_HOMEPAGE + 1];  // 8: NUL-terminated
  BYTE byAlphaLevel;        // 137
  BYTE byBetaLevel;         // 138
  BYTE byMMXEnabled;        // 139
  BYTE btReserved[125];     // 140
} BE_VERSION, *PBE_VERSION;

#pragma pack(pop)

typedef DWORD* PDWORD;
typedef HBE_STREAM* PHBE_STREAM;
typedef SHORT* PSHORT;
typedef BYTE* PBYTE;
typedef const char* LPCSTR;

// Opens a stream. *dwSamples receives the number of 16-bit values (all
// channels) one chunk takes, *dwBufferSize the output buffer size that
// beEncodeChunk and beDeinitStream need.
LAME_ENC_API BE_ERR beInitStream(PBE_CONFIG pbeConfig, PDWORD dwSamples, PDWORD dwBufferSize,
                                 PHBE_STREAM phbeStream);
// Encodes nSamples 16-bit values (at most *dwSamples of beInitStream); writes
// the MP3 bytes to pOutput and their count to *pdwOutput.
LAME_ENC_API BE_ERR beEncodeChunk(HBE_STREAM hbeStream, DWORD nSamples, PSHORT pSamples,
                                  PBYTE pOutput, PDWORD pdwOutput);
// Flushes the encoder: the last bytes of the stream.
LAME_ENC_API BE_ERR beDeinitStream(HBE_STREAM hbeStream, PBYTE pOutput, PDWORD pdwOutput);
// Ends the stream. With bWriteVBRHeader the tag stays pending until
// beWriteInfoTag or beWriteVBRHeader writes it.
LAME_ENC_API BE_ERR beCloseStream(HBE_STREAM hbeStream);
LAME_ENC_API void beVersion(PBE_VERSION pbeVersion);
// Writes the pending tag of the most recently closed stream into the file.
LAME_ENC_API BE_ERR beWriteVBRHeader(LPCSTR lpszFileName);
// Writes the tag of the given closed stream into the file and frees the stream.
LAME_ENC_API BE_ERR beWriteInfoTag(HBE_STREAM hbeStream, LPCSTR lpszFileName);

typedef BE_ERR (*BEINITSTREAM)(PBE_CONFIG, PDWORD, PDWORD, PHBE_STREAM);
typedef BE_ERR (*BEENCODECHUNK)(HBE_STREAM, DWORD, PSHORT, PBYTE, PDWORD);
typedef BE_ERR (*BEDEINITSTREAM)(HBE_STREAM, PBYTE, PDWORD);
typedef BE_ERR (*BECLOSESTREAM)(HBE_STREAM);
typedef void (*BEVERSION)(PBE_VERSION);
typedef BE_ERR (*BEWRITEVBRHEADER)(LPCSTR);
typedef BE_ERR (*BEWRITEINFOTAG)(HBE_STREAM, LPCSTR);

#ifdef __cplusplus
}  // extern "C"

static_assert(sizeof(BE_CONFIG) == CURRENT_STRUCT_SIZE);
static_assert(offsetof(BE_CONFIG, format.mp3.wBitrate) == 9);
static_assert(offsetof(BE_CONFIG, format.mp3.bOriginal) == 23);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwSampleRate) == 12);
static_assert(offsetof(BE_CONFIG, format.LHV1.nMode) == 20);
static_assert(offsetof(BE_CONFIG, format.LHV1.nPreset) == 32);
static_assert(offsetof(BE_CONFIG, format.LHV1.bPrivate) == 48);
static_assert(offsetof(BE_CONFIG, format.LHV1.bWriteVBRHeader) == 64);
static_assert(offsetof(BE_CONFIG, format.LHV1.nVbrMethod) == 80);
static_assert(offsetof(BE_CONFIG, format.LHV1.nQuality) == 92);
static_assert(offsetof(BE_CONFIG, format.LHV1.btReserved) == 94);
static_assert(sizeof(BE_VERSION) == 265);
static_assert(offsetof(BE_VERSION, byAlphaLevel) == 137);
#endif
