// The job result that ends a failed job (lParam of status kStatusFailed),
// decoded: what went wrong, where, and the English reason. Callers that
// pass the result on unchanged (Tessaly) decode it here too, with their own
// codes added in front (tessaly/job_result.h).
//
//   -1, -2, -7, -8, 2910      kResultBuffers, kResultWriteFailed,
//                             kResultAbortRecording, kResultMenuPicture,
//                             kResultBuilder
//   2010, 9810                the status of the failure that ended the job
//                             (kStatusTempStreamMissing, kStatusVmgWriteFailed)
//   t*100 + c                 the audio file of title t, chapter c
//   t*100                     an abort while title t was multiplexed
//   kResultPictureBase + t*100 + c   the picture of title t, chapter c
//
// The codes overlap: 2010, 2910 and 9810 are also "title 20, chapter 10",
// "title 29, chapter 10" and "title 98, chapter 10". The named codes win,
// as the job returns them for their own failures.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "pennock/pennock.h"

namespace pennock {

enum class JobResultKind {
  Unknown,             // a code of none of the kinds below (0 included)
  FoldersNotPrepared,  // the output folders could not be prepared (callers' code)
  OutOfMemory,         // kResultBuffers
  WriteFailed,         // kResultWriteFailed: a VOB or information file
  Cancelled,           // t*100 (title t), or kResultAbortRecording (title 0)
  TempStreamMissing,   // kStatusTempStreamMissing
  BuilderFailed,       // kResultBuilder
  MenuWriteFailed,     // kStatusVmgWriteFailed: VIDEO_TS.IFO or .BUP
  AudioUnusable,       // t*100 + c
  PictureUnusable,     // kResultPictureBase + t*100 + c
  MenuPictureUnusable, // kResultMenuPicture
};

struct JobResult {
  JobResultKind kind = JobResultKind::Unknown;
  std::intptr_t code = 0;
  int title = 0;    // 1..99 where the kind names one, else 0
  int chapter = 0;  // 1..99 where the kind names one, else 0
};

inline JobResult DecodeJobResult(std::intptr_t code) {
  using enum JobResultKind;
  auto at = [code](JobResultKind kind, std::intptr_t place) {
    return JobResult{kind, code, static_cast<int>(place / 100), static_cast<int>(place % 100)};
  };
  switch (code) {
    case kResultBuffers: return {OutOfMemory, code};
    case kResultWriteFailed: return {WriteFailed, code};
    case kResultAbortRecording: return {Cancelled, code};
    case kResultBuilder: return {BuilderFailed, code};
    case kResultMenuPicture: return {MenuPictureUnusable, code};
    case kStatusTempStreamMissing: return {TempStreamMissing, code};
    case kStatusVmgWriteFailed: return {MenuWriteFailed, code};
    default: break;
  }
  const auto named = [](std::intptr_t place) {
    return place / 100 >= 1 && place / 100 <= kMaxTitles && place % 100 <= kMaxChapters;
  };
  if (code > kResultPictureBase && code < kResultPictureBase + 10000) {
    const std::intptr_t place = code - kResultPictureBase;
    if (named(place) && place % 100 != 0) return at(PictureUnusable, place);
  }
  if (code > 0 && code < 10000 && named(code)) return at(code % 100 == 0 ? Cancelled : AudioUnusable, code);
  return {Unknown, code};
}

// The reason in words, as the program's messages end: "DVD authoring
// failed:" and this.
inline std::string JobResultReason(const JobResult& result) {
  using enum JobResultKind;
  char text[160];
  switch (result.kind) {
    case FoldersNotPrepared:
      return "the DVD folder could not be prepared (a file in its VIDEO_TS folder cannot be replaced)";
    case OutOfMemory: return "not enough memory";
    case WriteFailed: return "a disc file could not be written (is the disk full?)";
    case Cancelled: return "cancelled";
    case TempStreamMissing: return "a temporary stream went missing";
    case BuilderFailed: return "the disc structure could not be built";
    case MenuWriteFailed: return "the disc menu files could not be written";
    case MenuPictureUnusable: return "a disc menu picture cannot be encoded";
    case AudioUnusable:
      std::snprintf(text, sizeof text, "the audio of title %d, chapter %d cannot be used", result.title,
                    result.chapter);
      return text;
    case PictureUnusable:
      std::snprintf(text, sizeof text, "the picture of title %d, chapter %d cannot be encoded", result.title,
                    result.chapter);
      return text;
    case Unknown: break;
  }
  std::snprintf(text, sizeof text, "authoring ended with code %ld", static_cast<long>(result.code));
  return text;
}

}  // namespace pennock
