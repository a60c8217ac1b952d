// The project header in the JSON of `project info --json`.
#pragma once

#include "json_writer.h"
#include "project/project_types.h"

namespace verosa::cli {

// The object "header": every field of kHeaderFields by its member name, in
// table order; strings as strings, integers as numbers.
void WriteHeaderJson(JsonWriter& json, const ProjectHeader& header);

}  // namespace verosa::cli
