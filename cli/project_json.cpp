#include "project_json.h"

#include <variant>

namespace verosa::cli {

void WriteHeaderJson(JsonWriter& json, const ProjectHeader& header) {
  json.BeginObject("header");
  for (const HeaderField& field : kHeaderFields)
    std::visit([&](auto member) { json.Field(field.name, header.*member); }, field.member);
  json.EndObject();
}

}  // namespace verosa::cli
