// The authoring job: folder preparation, the worker's order of steps, its
// status, progress and result codes.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>

#include "job/disc_menus.h"
#include "job/job_signals.h"
#include "pennock/pennock.h"

namespace pennock {

// OUT/VIDEO_TS and OUT/AUDIO_TS exist afterwards, and no file of an earlier
// disc is left in VIDEO_TS. -1 when that cannot be done (a file without write
// permission counts as one that cannot be deleted).
int PrepareOutputFolders(const std::filesystem::path& out);

// Deletes the disc's files from `video_ts` (what PrepareOutputFolders
// deletes); false when one stays.
bool DeleteDiscFiles(const std::filesystem::path& video_ts);

// Runs a whole job on the calling thread: returns the job result (0 on
// success). Status changes go to `signals`; `progress` receives the overall
// progress (0..100).
// With `menus`, the disc gets the title menu and song menus with buttons, and
// the last title ends in the title menu.
int RunAuthorJob(const AuthorParams& params, const JobSignals& signals,
                 std::atomic<std::int32_t>& progress, const MenuSet* menus = nullptr);

}  // namespace pennock
