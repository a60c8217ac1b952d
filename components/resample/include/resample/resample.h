// Resample: converts a PCM WAV file to a 16-bit PCM WAV file at another sample
// rate, keeping the channel count (libswresample, SoX resampler engine).
//
// The caller loads libResample.so by name ("Resample.dll"), creates a control
// with CreateAudioResampleCtrl and hands a ResampleRequest to its first
// virtual operation, Resample. The call returns when the output is complete,
// has failed or was aborted; on anything but RESAMPLE_OK no output file is left.
//
// Progress: while converting, the control calls request->progress with the
// percentage done (0..100) and a pointer to an abort flag that starts at 0;
// the callback sets it to -1 to stop the conversion.
#pragma once

#include <stddef.h>
#include <stdint.h>

#if defined(RESAMPLE_BUILDING)
#define RESAMPLE_API __attribute__((visibility("default")))
#else
#define RESAMPLE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Set *abort_flag to -1 to stop; percent is 0..100.
typedef void (*ResampleProgressFn)(int32_t* abort_flag, int32_t percent);

// The request: three pointers and four 32-bit fields, no padding
// (28 bytes with 32-bit pointers, 40 bytes with 64-bit pointers).
typedef struct ResampleRequest {
  const char* input_path;       // WAV to read, NUL-terminated UTF-8
  const char* output_path;      // WAV to write, NUL-terminated UTF-8
  float input_rate;             // as the caller probed it; the file's header wins
  float output_rate;            // Hz, 8000..192000 (48000 or 96000 in practice)
  int32_t option;               // carried with the request, not read
  int32_t channels;             // as the caller probed it; the file's header wins
  ResampleProgressFn progress;  // may be null
} ResampleRequest;

// Results of AudioResampleCtrl::Resample.
enum {
  RESAMPLE_OK = 0,
  RESAMPLE_ABORTED = 1,         // the callback set the abort flag to -1
  RESAMPLE_ERR_REQUEST = -1,    // null request/paths, or an unusable output rate
  RESAMPLE_ERR_INPUT = -2,      // input missing, not a WAV, or of an unsupported format
  RESAMPLE_ERR_OUTPUT = -3,     // output could not be created or written (disk full)
  RESAMPLE_ERR_CONVERT = -4,    // the resampler failed
};

#ifdef __cplusplus
}  // extern "C"

// The resampler control. Resample is its first virtual operation.
class AudioResampleCtrl {
 public:
  virtual int32_t Resample(const ResampleRequest* request) = 0;

 protected:
  // Destroyed through DeleteAudioResampleCtrl only.
  virtual ~AudioResampleCtrl() = default;
};
#else
typedef struct AudioResampleCtrl AudioResampleCtrl;
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Null when the control cannot be created.
RESAMPLE_API AudioResampleCtrl* CreateAudioResampleCtrl(void);
// Accepts null.
RESAMPLE_API void DeleteAudioResampleCtrl(AudioResampleCtrl* ctrl);

typedef AudioResampleCtrl* (*CreateAudioResampleCtrlFn)(void);
typedef void (*DeleteAudioResampleCtrlFn)(AudioResampleCtrl*);

#ifdef __cplusplus
}  // extern "C"

static_assert(sizeof(ResampleRequest) == 3 * sizeof(void*) + 16);
static_assert(offsetof(ResampleRequest, input_rate) == 2 * sizeof(void*));
static_assert(offsetof(ResampleRequest, channels) == 2 * sizeof(void*) + 12);
static_assert(offsetof(ResampleRequest, progress) == 2 * sizeof(void*) + 16);
#endif
