#include <gtest/gtest.h>

#include "platform/ini_file.h"
#include "platform/paths.h"
#include "shell/app_context.h"
#include "shell/data_file.h"
#include "shell/settings_store.h"
#include "support/test_support.h"

namespace {
using namespace verosa;
using testing_support::IsolatedUser;
using testing_support::ReadFile;
using testing_support::WriteFile;
namespace fs = std::filesystem;

TEST(DataFile, ScrambleRoundTripAndShippedFileCarriesTheKeyPath) {
  for (const std::string& text : std::vector<std::string>{"", "a", "Marrowfine\\Verosa", std::string(300, '\xE9')})
    EXPECT_EQ(UnscrambleText(ScrambleText(text)), text);
  EXPECT_NE(ScrambleText("Marrowfine\\Verosa").find("Marrowfine"), 0u);
  EXPECT_FALSE(UnscrambleText("ABC"));
  EXPECT_FALSE(UnscrambleText("ZZ"));

  const auto shipped = platform::DataFolder() / kDataFileName;
  ASSERT_TRUE(fs::exists(shipped)) << shipped;
  EXPECT_EQ(ReadKeyPath(shipped), std::string(kDefaultKeyPath));
}

TEST(DataFile, KeyPathsThatLeaveTheConfigFolderAreRefused) {
  IsolatedUser user;
  const auto file = user.Root() / "Verosa.DLL";
  for (const std::string bad : {"/etc/passwd", "..\\..\\x", "a\\..\\..\\b", "\\\\", ""}) {
    WriteFile(file, "[Fernlow]\nRegPath=" + ScrambleText(bad) + "\n");
    EXPECT_FALSE(ReadKeyPath(file)) << bad;
  }
  WriteFile(file, "[Fernlow]\nRegPath=" + ScrambleText("Me\\App") + "\n");
  EXPECT_EQ(ReadKeyPath(file), "Me\\App");
  EXPECT_EQ(SettingsFileForKey("Me\\App"), user.Root() / "config" / "Me" / "App.ini");
}

TEST(DataFile, MissingDataFileIsCopiedFromTheDataFolder) {
  IsolatedUser user;
  const auto copied = PrepareDataFile();
  EXPECT_EQ(copied, user.Root() / "data" / "Verosa" / kDataFileName);
  EXPECT_EQ(ReadFile(copied), ReadFile(platform::DataFolder() / kDataFileName));
  // An existing copy is used as it is.
  WriteFile(copied, "[Fernlow]\nRegPath=" + ScrambleText("Other\\Key") + "\n");
  EXPECT_EQ(ReadKeyPath(PrepareDataFile()), "Other\\Key");
}

TEST(DataFile, WithoutAUserDataFolderTheShippedFileIsReadInPlace) {
  IsolatedUser user;
  // A file where the user's data folder would go: no folder can be made.
  WriteFile(user.Root() / "blocked", "");
  testing_support::ScopedEnv data("XDG_DATA_HOME", (user.Root() / "blocked").string());
  const auto shipped = platform::DataFolder() / kDataFileName;
  const auto before = ReadFile(shipped);
  EXPECT_EQ(PrepareDataFile(), shipped);
  EXPECT_EQ(ReadFile(shipped), before);
}

TEST(Settings, FirstRunAppliesAndSavesDefaultsThenTheNextRunLoadsThem) {
  IsolatedUser user;
  const fs::path docs = user.Root() / "home" / "Documents";
  {
    SettingsStore store;
    ASSERT_TRUE(store.Initialize({.single_instance = false}));
    const Settings& v = store.Values();
    EXPECT_EQ(v.bNotFirstTimeRun, 1);
    EXPECT_EQ(v.strMarrowfineDefaultSavePath, (docs / "Marrowfine").string());
    EXPECT_EQ(v.strVerosaDefaultSavePath, (docs / "Marrowfine" / "Verosa").string());
    EXPECT_EQ(v.strDVDDataFolder, (docs / "Marrowfine" / "Verosa" / "DVD").string());
    EXPECT_EQ(v.strVerosaWorkPath, platform::PrivateTempFolder().string());
    EXPECT_TRUE(fs::is_directory(v.strDVDDataFolder));
    EXPECT_TRUE(fs::is_directory(v.strVerosaWorkPath));
    EXPECT_EQ(v.strProjectName, "Verosa");
    EXPECT_EQ(v.lfLyricFont, LogFont::DefaultLyricFont());
    EXPECT_EQ(v.crLyricColor, 0xFFFFFFu);
    EXPECT_EQ(v.nTVMode, 0);
    EXPECT_EQ(v.bWideScreen, 1);
    EXPECT_EQ(v.bPanScan, 1);
    EXPECT_EQ(v.nAudioSampleRate, 48000);
    EXPECT_EQ(store.SettingsFile(), user.Root() / "config" / "Marrowfine" / "Verosa.ini");

    const auto ini = platform::IniFile::Load(store.SettingsFile());
    ASSERT_TRUE(ini);
    EXPECT_EQ(ini->Get("Settings", "bNotFirstTimeRun"), "1");
    EXPECT_EQ(ini->Get("Settings", "crLyricColor"), "FFFFFF00FD");
    EXPECT_EQ(ini->KeyNames("Settings"),
              (std::vector<std::string>{
                  "bNotFirstTimeRun", "strMarrowfineDefaultSavePath", "strVerosaDefaultSavePath",
                  "strVerosaWorkPath", "strDVDDataFolder", "strProjectName", "lfLyricFont",
                  "crLyricColor", "nTVMode", "bWideScreen", "bPanScan", "nDefaultThemeIndex",
                  "nAudioCodingMode", "nAudioSampleRate", "nStartWithMenu", "strLastOpenMediaFilePath",
                  "strLastOpenDVDFolderPath", "strLastWorkPath", "strLastProjectFilePath"}));

    store.Values().nTVMode = 1;
    store.Values().nAudioSampleRate = 96000;
    store.Values().crLyricColor = 0x00FF00;
    store.Values().strLastWorkPath = "/some/where";
    ASSERT_TRUE(store.Save());
  }
  SettingsStore again;
  ASSERT_TRUE(again.Initialize({.single_instance = false}));
  EXPECT_EQ(again.Values().nTVMode, 1);
  EXPECT_EQ(again.Values().nAudioSampleRate, 96000);
  EXPECT_EQ(again.Values().crLyricColor, 0x00FF00u);
  EXPECT_EQ(again.Values().strLastWorkPath, "/some/where");
}

TEST(Settings, UnreadableValuesFallBackSensibly) {
  IsolatedUser user;
  SettingsStore store;
  ASSERT_TRUE(store.Initialize({.single_instance = false}));
  // A damaged font keeps the current value; an empty folder takes its default.
  auto ini = platform::IniFile::Load(store.SettingsFile());
  ini->Set("Settings", "lfLyricFont", "00");
  ini->Set("Settings", "strVerosaWorkPath", "");
  ini->Set("Settings", "nTVMode", "");
  ASSERT_TRUE(ini->Save(store.SettingsFile()));
  store.Values().nTVMode = 1;
  ASSERT_TRUE(store.Load());
  EXPECT_EQ(store.Values().lfLyricFont, LogFont::DefaultLyricFont());
  EXPECT_EQ(store.Values().strVerosaWorkPath, SettingsStore::DefaultWorkPath());
  EXPECT_EQ(store.Values().nTVMode, 0);

  store.Values().strVerosaWorkPath = "/elsewhere";
  EXPECT_EQ(store.WorkPath(true), SettingsStore::DefaultWorkPath());
}

TEST(Settings, FolderAndFilePathsKeepTheirFullLength) {
  IsolatedUser user;
  SettingsStore store;
  ASSERT_TRUE(store.Initialize({.single_instance = false}));
  // Paths past the registry's 1024 characters, with non-ASCII folder names.
  fs::path work = user.Root();
  while (work.native().size() < 2000) work /= "Arbeitsordner-für-Lieder-日本語";
  const std::string project = (work / "Sommer.mdp").string();
  store.Values().strVerosaWorkPath = work.string();
  store.Values().strLastProjectFilePath = project;
  store.Values().strProjectName = std::string(2000, 'n');
  ASSERT_TRUE(store.Save());

  SettingsStore again;
  ASSERT_TRUE(again.Initialize({.single_instance = false}));
  EXPECT_EQ(again.Values().strVerosaWorkPath, work.string());
  EXPECT_TRUE(fs::is_directory(work));
  EXPECT_EQ(again.Values().strLastProjectFilePath, project);
  // Other texts keep the registry's limit.
  EXPECT_EQ(again.Values().strProjectName.size(), 1024u);
}

TEST(AppContext, SecondInstanceDoesNotStartAndWorkFoldersExist) {
  IsolatedUser user;
  AppContext first;
  ASSERT_TRUE(first.Initialize());
  const fs::path work = first.Settings().WorkPath();
  for (const char* sub : {"DVD", "temp", "CD2WAV", "REC2WAV"})
    EXPECT_TRUE(fs::is_directory(work / sub)) << sub;
  EXPECT_EQ(first.Project().CellCount(), 0);
  EXPECT_EQ(first.Project().Header().ProjectName, "Verosa");

  AppContext second;
  EXPECT_FALSE(second.Initialize());
  EXPECT_EQ(second.Settings().Failure(), StartupFailure::AlreadyRunning);

  first.Settings().Values().nDefaultThemeIndex = 3;
  first.Shutdown();  // saves
  SettingsStore reread;
  ASSERT_TRUE(reread.Initialize({.single_instance = false}));
  EXPECT_EQ(reread.Values().nDefaultThemeIndex, 3);
}

TEST(FreeSpace, QueryKindsAndFailure) {
  IsolatedUser user;
  EXPECT_GT(GetFreeDiskSpaceMB(user.Root(), 1), 0);
  EXPECT_LE(GetFreeDiskSpaceMB(user.Root(), 0), GetFreeDiskSpaceMB(user.Root(), 1));
  EXPECT_EQ(GetFreeDiskSpaceMB(user.Root(), 7), -1);
  EXPECT_EQ(GetFreeDiskSpaceMB("", 0), -1);
}

}  // namespace
