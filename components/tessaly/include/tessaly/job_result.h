// The job result that comes with kStatusFailed, decoded. Tessaly passes the
// authoring library's results on unchanged and adds kResultNotStarted, so
// this is Pennock's decoder with that one code in front.
#pragma once

#include <cstdint>
#include <string>

#include "pennock/job_result.h"
#include "tessaly/tessaly.h"

namespace tessaly {

using pennock::JobResult;
using pennock::JobResultKind;

inline JobResult DecodeJobResult(std::intptr_t code) {
  if (code == kResultNotStarted) return {JobResultKind::FoldersNotPrepared, code};
  return pennock::DecodeJobResult(code);
}

inline std::string JobResultReason(std::intptr_t code) { return pennock::JobResultReason(DecodeJobResult(code)); }

}  // namespace tessaly
