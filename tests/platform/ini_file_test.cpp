#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <filesystem>

#include "platform/ini_file.h"
#include "platform/profile.h"
#include "support/test_support.h"

namespace {
using platform::IniFile;
using testing_support::ReadFile;
using testing_support::ScratchDir;
using testing_support::WriteFile;

TEST(IniFile, LooksUpSectionsAndKeysWithoutRegardToCase) {
  const IniFile ini = IniFile::Parse("[ProjectCommon]\r\nProjectName=Songs\r\n");
  EXPECT_EQ(ini.Get("projectcommon", "PROJECTNAME"), "Songs");
  EXPECT_EQ(ini.Get("PROJECTCOMMON", "projectname"), "Songs");
  EXPECT_FALSE(ini.Get("ProjectCommon", "Creator"));
  EXPECT_FALSE(ini.Get("Other", "ProjectName"));
}

TEST(IniFile, TrimsKeysAndValuesAndToleratesLineEnds) {
  const IniFile ini = IniFile::Parse("  [ S ]  \n  Key  =   some value \t\r\nOther=\nNoEquals\n");
  EXPECT_EQ(ini.Get("S", "Key"), "some value");
  EXPECT_EQ(ini.Get("S", "Other"), "");
  EXPECT_FALSE(ini.Get("S", "NoEquals"));
}

TEST(IniFile, NewKeyGoesToTheEndOfItsSectionAndNewSectionToTheEndOfTheFile) {
  IniFile ini = IniFile::Parse("[A]\r\na1=1\r\n[B]\r\nb1=1\r\n");
  ini.Set("a", "a2", "2");         // existing section, other case
  ini.Set("C", "c1", "3");         // new section
  ini.Set("B", "B1", "changed");   // existing key keeps its place and spelling
  EXPECT_EQ(ini.Serialize(), "[A]\r\na1=1\r\na2=2\r\n[B]\r\nb1=changed\r\n[C]\r\nc1=3\r\n");
}

TEST(IniFile, UntouchedLinesKeepTheirSpelling) {
  const std::string text = "; comment\r\n[S]\r\n  k = v  \r\n\r\n[T]\r\nx=1\r\n";
  IniFile ini = IniFile::Parse(text);
  EXPECT_EQ(ini.Serialize(), text);
  ini.Set("S", "new", "n");  // goes before the blank line that ends the section
  EXPECT_EQ(ini.Serialize(), "; comment\r\n[S]\r\n  k = v  \r\nnew=n\r\n\r\n[T]\r\nx=1\r\n");
}

TEST(IniFile, ValueWithLineBreaksStaysOneLine) {
  IniFile ini;
  ini.Set("S", "name", "two\nlines\r\n[Evil]");
  const IniFile back = IniFile::Parse(ini.Serialize());
  EXPECT_EQ(back.SectionNames(), std::vector<std::string>{"S"});
  EXPECT_EQ(back.Get("S", "name"), "two lines  [Evil]");
}

TEST(IniFile, RemovesKeysAndSections) {
  IniFile ini = IniFile::Parse("[A]\nk=1\nj=2\n[B]\nk=3\n");
  ini.RemoveKey("a", "K");
  ini.RemoveSection("b");
  EXPECT_EQ(ini.KeyNames("A"), std::vector<std::string>{"j"});
  EXPECT_EQ(ini.SectionNames(), std::vector<std::string>{"A"});
}

TEST(StructForm, HexBytesFollowedByChecksum) {
  const std::array<std::uint8_t, 4> white{0xFF, 0xFF, 0xFF, 0x00};
  // 0xFF * 3 = 0x2FD, low byte 0xFD.
  EXPECT_EQ(platform::EncodeStruct(white.data(), white.size()), "FFFFFF00FD");

  std::array<std::uint8_t, 4> back{};
  EXPECT_TRUE(platform::DecodeStruct("FFFFFF00FD", back.data(), back.size()));
  EXPECT_EQ(back, white);
  EXPECT_TRUE(platform::DecodeStruct("ffffff00fd", back.data(), back.size()));
}

TEST(StructForm, RefusesBadChecksumLengthOrDigitsAndLeavesTheTargetAlone) {
  std::array<std::uint8_t, 4> target{1, 2, 3, 4};
  const auto before = target;
  EXPECT_FALSE(platform::DecodeStruct("FFFFFF00FE", target.data(), target.size()));  // checksum
  EXPECT_FALSE(platform::DecodeStruct("FFFFFF00", target.data(), target.size()));    // short
  EXPECT_FALSE(platform::DecodeStruct("FFFFFF00FD00", target.data(), target.size()));  // long
  EXPECT_FALSE(platform::DecodeStruct("FFFFFFG0FD", target.data(), target.size()));  // digit
  EXPECT_EQ(target, before);
}

TEST(ProfileFunctions, WriteAndReadOneEntryPerCall) {
  ScratchDir dir;
  const auto file = dir / "p.ini";
  EXPECT_TRUE(platform::WritePrivateProfileString("S", "Name", "Value", file));
  EXPECT_TRUE(platform::WritePrivateProfileString("S", "Count", "42", file));
  EXPECT_TRUE(platform::WritePrivateProfileString("T", "Neg", "-7x", file));
  EXPECT_EQ(ReadFile(file), "[S]\r\nName=Value\r\nCount=42\r\n[T]\r\nNeg=-7x\r\n");

  EXPECT_EQ(platform::GetPrivateProfileString("s", "name", "dflt", file), "Value");
  EXPECT_EQ(platform::GetPrivateProfileString("s", "missing", "dflt", file), "dflt");
  EXPECT_EQ(platform::GetPrivateProfileInt("S", "Count", 0, file), 42);
  EXPECT_EQ(platform::GetPrivateProfileInt("T", "Neg", 0, file), -7);  // stops at the non-digit
  EXPECT_EQ(platform::GetPrivateProfileInt("T", "Missing", 5, file), 5);

  const std::uint32_t color = 0x00336699;
  EXPECT_TRUE(platform::WritePrivateProfileStruct("T", "Color", &color, 4, file));
  std::uint32_t read = 0;
  EXPECT_TRUE(platform::GetPrivateProfileStruct("T", "Color", &read, 4, file));
  EXPECT_EQ(read, color);
  EXPECT_FALSE(platform::GetPrivateProfileStruct("T", "Color", &read, 3, file));
}

TEST(ProfileFunctions, StringReadsAreCappedAt4095Characters) {
  ScratchDir dir;
  const auto file = dir / "p.ini";
  WriteFile(file, "[S]\nLong=" + std::string(5000, 'x') + "\n");
  EXPECT_EQ(platform::GetPrivateProfileString("S", "Long", "", file).size(), 4095u);
}

TEST(ProfileInt, DecimalConversionRules) {
  EXPECT_EQ(platform::ParseProfileInt(""), 0);
  EXPECT_EQ(platform::ParseProfileInt("48000"), 48000);
  EXPECT_EQ(platform::ParseProfileInt("12abc"), 12);
  EXPECT_EQ(platform::ParseProfileInt("abc"), 0);
  EXPECT_EQ(platform::ParseProfileInt("-3"), -3);
  EXPECT_EQ(platform::ParseProfileInt("99999999999999"), 2147483647);
  EXPECT_EQ(platform::ParseProfileInt("-99999999999999"), -2147483647 - 1);
}

TEST(AtomicWrite, ReplacesWholeFileAndKeepsPermissions) {
  ScratchDir dir;
  const auto file = dir / "f.txt";
  WriteFile(file, "old contents that are longer");
  std::filesystem::permissions(file, std::filesystem::perms(0600));
  ASSERT_TRUE(platform::WriteFileAtomically(file, "new"));
  EXPECT_EQ(ReadFile(file), "new");
  EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
            std::filesystem::perms(0600));
  // No temporary file is left beside it.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(AtomicWrite, WorksForNamesAndPathsAtTheSystemLimits) {
  ScratchDir dir;
  // A file name of NAME_MAX bytes: the temporary name cannot add to it.
  const auto named = dir / std::string(NAME_MAX, 'n');
  ASSERT_TRUE(platform::WriteFileAtomically(named, "one"));
  EXPECT_EQ(ReadFile(named), "one");
  ASSERT_TRUE(platform::WriteFileAtomically(named, "two"));
  EXPECT_EQ(ReadFile(named), "two");

  // A path of PATH_MAX - 1 bytes.
  const std::string file_name = "Verosa.ini";
  const std::size_t folder_length = PATH_MAX - 1 - 1 - file_name.size();
  std::filesystem::path folder = dir.Path();
  while (folder_length - folder.native().size() > 202) folder /= std::string(200, 'd');
  folder /= std::string(folder_length - folder.native().size() - 1, 'e');
  ASSERT_TRUE(std::filesystem::create_directories(folder));
  const auto file = folder / file_name;
  ASSERT_EQ(file.native().size(), static_cast<std::size_t>(PATH_MAX - 1));
  ASSERT_TRUE(platform::WritePrivateProfileString("Settings", "strVerosaWorkPath", file.string(), file));
  EXPECT_EQ(platform::GetPrivateProfileString("Settings", "strVerosaWorkPath", "", file), file.string());
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(AtomicWrite, RefusesADirectoryAsTarget) {
  ScratchDir dir;
  EXPECT_FALSE(platform::WriteFileAtomically(dir.Path(), "x"));
  EXPECT_FALSE(IniFile::Load(dir.Path()));
}

}  // namespace

namespace {

TEST(AtomicWrite, FailsCleanlyWhenTheFolderCannotHoldFiles) {
  ScratchDir dir;
  WriteFile(dir / "plain", "x");
  const auto file = dir / "plain" / "f.ini";  // parent is a regular file
  std::error_code ec;
  EXPECT_FALSE(platform::WriteFileAtomically(file, "new", &ec));
  EXPECT_TRUE(ec);
  EXPECT_FALSE(platform::WritePrivateProfileString("S", "k", "2", file));
  EXPECT_EQ(ReadFile(dir / "plain"), "x");
}

}  // namespace
