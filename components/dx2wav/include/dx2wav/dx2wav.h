// Dx2Wav: decodes the first audio stream of a media file (anything FFmpeg
// reads) into a 16-bit PCM WAV file with a canonical 44-byte header, at the
// source's sample rate and channel count.
//
// The caller loads libDx2Wav.so by name ("Dx2Wav.dll") and resolves the three
// functions below. The classic exports run one conversion at a time per process:
//
//   double duration = 0;
//   if (DW_Initialaze(source, wav, &duration) < 0) fail;
//   double position = 0;
//   while (DW_Transform(100, &position)) { show position; poll abort; }
//   if (DW_Release() != DW_OK) fail;     // incomplete, aborted or failed
//
// Paths are UTF-8 (file-system bytes). Only regular files are read.
//
// The handle exports DW_Open, DW_Step and DW_Close do the same for any number
// of conversions at once, each driven by one thread at a time:
//
//   int32_t error = 0;
//   DW_Conversion* c = DW_Open(source, wav, &duration, &error);  // null: error
//   while (DW_Step(c, 100, &position)) { ... }
//   if (DW_Close(c) != DW_OK) fail;
#pragma once

#include <stdint.h>

#if defined(DX2WAV_BUILDING)
#define DX2WAV_API __attribute__((visibility("default")))
#else
#define DX2WAV_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Result codes of DW_Release (DW_Initialaze returns a negative one on failure).
enum {
  DW_OK = 0,
  DW_ERR_INPUT = -1,      // not a readable media file, or no audio stream
  DW_ERR_DECODE = -2,     // the stream decoded to no audio at all
  DW_ERR_OUTPUT = -3,     // the WAV could not be created or written (disk full)
  DW_ERR_INCOMPLETE = -4, // released before DW_Transform reported the end
  DW_ERR_STATE = -5,      // no conversion open
};

// Opens the source, creates the WAV at wav_path (its header is completed by the
// last step) and stores the source duration in seconds in *duration (0 when
// the file does not tell it). Returns that duration, or a negative DW_ERR_*
// code on failure (nothing is left open and no output file remains).
// A conversion still open from an earlier call is released first.
DX2WAV_API double DW_Initialaze(const char* source_path, const char* wav_path, double* duration);

// Decodes the next step: up to `step` compressed packets of the audio stream
// (at least one). Writes the position reached, in seconds of written audio, to
// *position. Returns 1 while there is more to do and 0 once the conversion
// has ended, whether the whole file is written or decoding/writing failed;
// DW_Release tells which. Every call makes progress through the input, so
// the loop always ends, also on corrupt input.
DX2WAV_API int32_t DW_Transform(int32_t step, double* position);

// Ends the conversion and closes the files. Returns DW_OK when the WAV was
// written completely; otherwise the partial WAV is deleted and a DW_ERR_*
// code is returned (DW_ERR_INCOMPLETE after an abort).
DX2WAV_API int32_t DW_Release(void);

typedef struct DW_Conversion DW_Conversion;

// DW_Initialaze for a conversion of its own: null on failure, with the
// negative DW_ERR_* code in *error (when error is not null).
DX2WAV_API DW_Conversion* DW_Open(const char* source_path, const char* wav_path, double* duration,
                                  int32_t* error);
// DW_Transform of that conversion; 0 for null.
DX2WAV_API int32_t DW_Step(DW_Conversion* conversion, int32_t step, double* position);
// DW_Release of that conversion, which is freed; DW_ERR_STATE for null.
DX2WAV_API int32_t DW_Close(DW_Conversion* conversion);

// Function-pointer types for resolving the exports by name.
typedef double (*DW_InitialazeFn)(const char*, const char*, double*);
typedef int32_t (*DW_TransformFn)(int32_t, double*);
typedef int32_t (*DW_ReleaseFn)(void);
typedef DW_Conversion* (*DW_OpenFn)(const char*, const char*, double*, int32_t*);
typedef int32_t (*DW_StepFn)(DW_Conversion*, int32_t, double*);
typedef int32_t (*DW_CloseFn)(DW_Conversion*);

#ifdef __cplusplus
}  // extern "C"
#endif
