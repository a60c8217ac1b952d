// The header table drives the project file's writer and reader and the JSON
// of `project info` alike: every row goes through each of them.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "platform/ini_file.h"
#include "project/project_document.h"
#include "project/project_file.h"
#include "project_json.h"
#include "support/test_support.h"

namespace {
using namespace verosa;
using testing_support::ScratchDir;

bool IsText(const HeaderField& field) {
  return std::holds_alternative<std::string ProjectHeader::*>(field.member);
}

// The member's value as file text.
std::string ValueOf(const ProjectHeader& h, const HeaderField& field) {
  if (IsText(field)) return h.*std::get<std::string ProjectHeader::*>(field.member);
  return std::to_string(h.*std::get<std::int32_t ProjectHeader::*>(field.member));
}

void SetValue(ProjectHeader& h, const HeaderField& field, int row) {
  if (IsText(field))
    h.*std::get<std::string ProjectHeader::*>(field.member) = "value " + std::to_string(row);
  else
    h.*std::get<std::int32_t ProjectHeader::*>(field.member) = 100 + row;
}

TEST(HeaderFields, EveryRowGoesThroughWriterReaderAndJson) {
  // Every field holds a value of its own, except the checked ones: a file
  // with another creator or version is refused.
  ProjectHeader written;
  int row = 0;
  for (const HeaderField& field : kHeaderFields) {
    if (field.rule != HeaderFieldRule::Checked) SetValue(written, field, row);
    ++row;
  }
  ScratchDir dir;
  ProjectDocument document;
  document.Header() = written;
  ASSERT_TRUE(document.SaveProject(dir / "p.mdp"));
  const auto ini = platform::IniFile::Load(dir / "p.mdp");
  ASSERT_TRUE(ini);

  // Writer: the table's keys, in its order, and nothing else.
  std::vector<std::string> table_keys, file_keys;
  for (const HeaderField& field : kHeaderFields)
    table_keys.push_back(std::string(field.section) + "/" + field.key);
  for (const std::string& section : ini->SectionNames())
    for (const std::string& key : ini->KeyNames(section)) file_keys.push_back(section + "/" + key);
  EXPECT_EQ(file_keys, table_keys);

  // JSON: every member by its name, in table order, with its type; the
  // names are the interface of the tool.
  cli::JsonWriter json;
  json.BeginObject();
  cli::WriteHeaderJson(json, written);
  json.EndObject();
  std::string expected_json;
  std::vector<std::string> json_names;
  for (const HeaderField& field : kHeaderFields) {
    const std::string value = ValueOf(written, field);
    expected_json += (expected_json.empty() ? "" : ",") + cli::JsonWriter::Quote(field.name) +
                     ":" + (IsText(field) ? cli::JsonWriter::Quote(value) : value);
    json_names.push_back(field.name);
  }
  EXPECT_EQ(json.Text(), "{\"header\":{" + expected_json + "}}");
  EXPECT_EQ(json_names,
            (std::vector<std::string>{
                "ProjectName", "Creator", "Version", "Date", "ThemeIndex", "MenuAspectRatio",
                "MenuDisplayMode", "MenuType", "MenuCellTotalNum", "StartWithMenu", "TitleCellTotalNum",
                "UseTitleName", "AudioCodingMode", "AudioSampleRate", "AudioBitPerSample",
                "AudioChannel", "AudioBitPerSecond", "AudioCellTotalNum", "VideoCodingMode",
                "TVMode", "VideoAspectRatio", "VideoDisplayMode", "VideoType",
                "VideoCellTotalNum"}));

  ProjectHeader read;
  ASSERT_TRUE(ReadProjectHeader(dir / "p.mdp", read));
  for (const HeaderField& field : kHeaderFields) {
    SCOPED_TRACE(field.name);
    const bool stored = field.rule == HeaderFieldRule::Stored;
    // Writer and reader: stored fields keep their value, the others are
    // written and read as the fixed one.
    EXPECT_EQ(ini->Get(field.section, field.key), stored ? ValueOf(written, field) : field.fixed);
    EXPECT_EQ(ValueOf(read, field), stored ? ValueOf(written, field) : field.fixed);

    // Reader, key missing: a stored field reads its default, a constant one
    // its fixed value, and a file without a checked field is refused.
    platform::IniFile without = *ini;
    without.RemoveKey(field.section, field.key);
    ASSERT_TRUE(without.Save(dir / "without.mdp"));
    ProjectHeader sparse = read;
    const bool accepted = ReadProjectHeader(dir / "without.mdp", sparse);
    EXPECT_EQ(accepted, field.rule != HeaderFieldRule::Checked);
    if (field.rule == HeaderFieldRule::Stored) {
      EXPECT_EQ(ValueOf(sparse, field), IsText(field) ? "" : std::to_string(field.absent));
    } else if (field.rule == HeaderFieldRule::Constant) {
      EXPECT_EQ(ValueOf(sparse, field), field.fixed);
    }
  }
}

}  // namespace
