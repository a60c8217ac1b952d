// A small streaming JSON writer for the command-line tool's --json output.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace verosa::cli {

class JsonWriter {
 public:
  JsonWriter& BeginObject(std::string_view key = {});
  JsonWriter& EndObject();
  JsonWriter& BeginArray(std::string_view key = {});
  JsonWriter& EndArray();
  JsonWriter& Field(std::string_view key, std::string_view value);
  JsonWriter& Field(std::string_view key, const char* value) { return Field(key, std::string_view(value)); }
  JsonWriter& Field(std::string_view key, std::int64_t value);
  JsonWriter& Field(std::string_view key, int value) { return Field(key, static_cast<std::int64_t>(value)); }
  JsonWriter& Field(std::string_view key, std::uint32_t value) { return Field(key, static_cast<std::int64_t>(value)); }
  JsonWriter& Field(std::string_view key, bool value);
  const std::string& Text() const { return out_; }

  static std::string Quote(std::string_view text);

 private:
  void Key(std::string_view key);
  std::string out_;
  std::vector<bool> first_{true};
};

}  // namespace verosa::cli
