// The program's language holder over the real libTolvane.so and the shipped
// language files.
#include "shell/language_holder.h"

#include <gtest/gtest.h>
#include <link.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "components/tolvane_test_support.h"
#include "platform/message_box.h"
#include "platform/window.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ScopedEnv;
using verosa::LanguageHolder;

// A loaded system library that has no Tolvane_Create.
std::string SomeSystemLibrary() {
  std::string found;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        const std::string name = info->dlpi_name ? info->dlpi_name : "";
        if (name.find("libc.so") != std::string::npos ||
            name.find("libstdc++") != std::string::npos) {
          *static_cast<std::string*>(data) = name;
          return 1;
        }
        return 0;
      },
      &found);
  return found;
}

void LoadAndStart(LanguageHolder& holder) {
  ASSERT_EQ(holder.Load(verosa::kLanguageComponentName), tolvane::S_OK);
  ASSERT_TRUE(holder.Start());
}

// A window offering fixed texts, as a dialog or menu does.
class TextWindow : public platform::QueuedSink {
 public:
  explicit TextWindow(std::vector<std::string> texts) : texts_(std::move(texts)) {
    handle_ = platform::RegisterWindow(this);
  }
  ~TextWindow() override { platform::UnregisterWindow(handle_); }
  std::intptr_t OnMessage(std::uint32_t, std::uintptr_t, std::intptr_t) override { return 0; }
  void VisitTexts(const std::function<void(std::string&)>& visit) override {
    visited_on_owner_ = IsOwnerThread();
    for (auto& text : texts_) visit(text);
  }
  platform::WindowHandle Handle() const { return handle_; }
  const std::vector<std::string>& Texts() const { return texts_; }
  bool VisitedOnOwner() const { return visited_on_owner_; }

 private:
  std::vector<std::string> texts_;
  platform::WindowHandle handle_ = platform::kNoWindow;
  bool visited_on_owner_ = false;
};

class LanguageHolderTest : public ::testing::Test {
 protected:
  tolvane_test::LanguageEnvironment env_;
};

TEST_F(LanguageHolderTest, LoadReportsEachFailure) {
  LanguageHolder holder;
  EXPECT_EQ(holder.Load(nullptr), tolvane::E_INVALIDARG);
  EXPECT_EQ(holder.Load(""), tolvane::E_INVALIDARG);
  EXPECT_EQ(holder.Load("NoSuchComponent.dll"), tolvane::E_HANDLE);
  const std::string system_library = SomeSystemLibrary();
  ASSERT_FALSE(system_library.empty());
  EXPECT_EQ(holder.Load(system_library.c_str()), tolvane::E_NOTIMPL);
  EXPECT_FALSE(holder.Loaded());

  // None of the failures leaves the holder occupied.
  ASSERT_EQ(holder.Load("Tolvane.dll"), tolvane::S_OK);
  EXPECT_TRUE(holder.Loaded());
  EXPECT_EQ(fs::path(holder.ModuleFileName()).filename(), "libTolvane.so");
  EXPECT_EQ(holder.Load("Tolvane.dll"), tolvane::E_ACCESSDENIED);
  EXPECT_TRUE(holder.Loaded());

  holder.Unload();
  EXPECT_FALSE(holder.Loaded());
  EXPECT_EQ(holder.Load("Tolvane.dll"), tolvane::S_OK);
}

TEST_F(LanguageHolderTest, WithoutTheComponentEverythingStaysEnglish) {
  LanguageHolder holder;
  EXPECT_FALSE(holder.Start());
  EXPECT_EQ(holder.Translate("Warning", verosa::kSectionMessageBoxes), "Warning");
  EXPECT_EQ(holder.TranslateInto("$APPNAME$", verosa::kSectionMiscStrings), "$APPNAME$");
  EXPECT_LT(holder.TranslateDialog(0x10000, verosa::kSectionVerosaDlg), 0);
  EXPECT_EQ(holder.ShowHelp("Start_Dialog.htm"), tolvane::E_NOINTERFACE);
  EXPECT_EQ(holder.CurrentLanguage(), 0x0409u);
  EXPECT_FALSE(holder.SetLanguage(0x0407));
}

TEST_F(LanguageHolderTest, EnglishPassesThroughWithTheProductName) {
  LanguageHolder holder;
  LoadAndStart(holder);
  EXPECT_EQ(holder.CurrentLanguage(), 0x0409u);
  EXPECT_EQ(holder.Translate("Warning", verosa::kSectionMessageBoxes), "Warning");
  EXPECT_EQ(holder.Translate("Not in any file", verosa::kSectionToolTips), "Not in any file");
  EXPECT_EQ(holder.Translate("$APPNAME$ Project File(*.mdp)", verosa::kSectionMiscStrings),
            "Verosa Project File(*.mdp)");
  EXPECT_EQ(holder.TranslateInto("Save $APPNAME$ Project File", verosa::kSectionMiscStrings),
            "Save Verosa Project File");
}

TEST_F(LanguageHolderTest, GermanTranslations) {
  ScopedEnv german("VEROSA_LANGUAGE", "de");
  LanguageHolder holder;
  LoadAndStart(holder);
  EXPECT_EQ(holder.CurrentLanguage(), 0x0407u);
  EXPECT_EQ(holder.DefaultLanguage(), 0x0409u);
  EXPECT_EQ(holder.Translate("The amount of the titles can not exceed 99!",
                             verosa::kSectionMessageBoxes),
            "Die Anzahl der Titel darf 99 nicht \xC3\xBC" "berschreiten!");
  EXPECT_EQ(holder.Translate("&About $APPNAME$...", verosa::kSectionPopupMenus, 260),
            "&\xC3\x9C" "ber Verosa...");
  EXPECT_EQ(holder.TranslateInto("$APPNAME$ Project File(*.mdp)", verosa::kSectionMiscStrings),
            "Verosa-Projektdatei (*.mdp)");
  EXPECT_EQ(holder.Translate(" Each chapter has one background picture.",
                             verosa::kSectionCreatorEditDlg),
            " Jedes Kapitel hat ein eigenes Hintergrundbild.");
  // Section matters, and unknown texts stay English.
  EXPECT_EQ(holder.Translate("Warning", verosa::kSectionCreatorEditDlg), "Warning");
  EXPECT_EQ(holder.Translate("Preview Error", verosa::kSectionMessageBoxes), "Preview Error");
  // A small buffer gets a cut translation, never more.
  EXPECT_EQ(holder.Translate("Warning", verosa::kSectionMessageBoxes, 5), "Warn");

  const std::vector<std::uint32_t> languages = holder.ListLanguages();
  EXPECT_NE(std::find(languages.begin(), languages.end(), 0x0407u), languages.end());
  EXPECT_NE(std::find(languages.begin(), languages.end(), 0x0409u), languages.end());
}

TEST_F(LanguageHolderTest, ChosenLanguageTakesEffectAtTheNextStart) {
  {
    LanguageHolder holder;
    LoadAndStart(holder);
    EXPECT_FALSE(holder.SetLanguage(0x0411));  // no Japanese file
    EXPECT_FALSE(holder.SetLanguage(0x1234));  // no such language
    ASSERT_TRUE(holder.SetLanguage(0x0407));
    EXPECT_EQ(holder.CurrentLanguage(), 0x0409u);
    EXPECT_EQ(holder.Translate("Error", verosa::kSectionMessageBoxes), "Error");
  }
  const fs::path stored = fs::path(std::getenv("XDG_CONFIG_HOME")) / "Verosa" / "Tolvane.ini";
  const std::string ini = testing_support::ReadFile(stored);
  EXPECT_NE(ini.find("[Tolvane]"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Language=1031"), std::string::npos) << ini;

  {
    LanguageHolder holder;
    LoadAndStart(holder);
    EXPECT_EQ(holder.CurrentLanguage(), 0x0407u);
    EXPECT_EQ(holder.Translate("Error", verosa::kSectionMessageBoxes), "Fehler");
  }
  {
    // The environment variable overrides the stored choice.
    ScopedEnv english("VEROSA_LANGUAGE", "en_US.UTF-8");
    LanguageHolder holder;
    LoadAndStart(holder);
    EXPECT_EQ(holder.CurrentLanguage(), 0x0409u);
  }
  {
    // A damaged setting falls back to the environment's language.
    testing_support::WriteFile(stored, "[Tolvane]\nLanguage=German\n");
    LanguageHolder holder;
    LoadAndStart(holder);
    EXPECT_EQ(holder.CurrentLanguage(), 0x0409u);
  }
}

TEST_F(LanguageHolderTest, EnvironmentLocalePicksAnInstalledLanguage) {
  struct Case {
    const char* lc_messages;
    const char* lang;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {"", "de_DE.UTF-8", 0x0407},
      {"de_AT@euro", "en_US.UTF-8", 0x0407},
      {"", "en_GB.UTF-8", 0x0409},
      {"", "xx_YY.UTF-8", 0x0409},  // no such language: English
      {"", "C", 0x0409},
  };
  for (const Case& c : cases) {
    ScopedEnv messages("LC_MESSAGES", c.lc_messages);
    ScopedEnv lang("LANG", c.lang);
    LanguageHolder holder;
    LoadAndStart(holder);
    EXPECT_EQ(holder.CurrentLanguage(), c.expected) << c.lc_messages << " / " << c.lang;
  }
}

TEST_F(LanguageHolderTest, TranslatesRegisteredDialogsAndMenus) {
  ScopedEnv german("VEROSA_LANGUAGE", "de");
  LanguageHolder holder;
  LoadAndStart(holder);

  TextWindow dialog({"Music DVD", "Title %d", "Unknown text", "About $APPNAME$"});
  ASSERT_EQ(holder.TranslateDialog(dialog.Handle(), verosa::kSectionCreatorEditDlg),
            tolvane::S_OK);
  EXPECT_EQ(dialog.Texts(), (std::vector<std::string>{"Musik-DVD", "Titel %d", "Unknown text",
                                                      "About Verosa"}));

  TextWindow menu({"&About $APPNAME$..."});
  ASSERT_EQ(holder.TranslateMenu(menu.Handle(), verosa::kSectionPopupMenus), tolvane::S_OK);
  EXPECT_EQ(menu.Texts()[0], "&\xC3\x9C" "ber Verosa...");

  EXPECT_EQ(holder.TranslateDialog(0x7FFFFFF0, verosa::kSectionCreatorEditDlg),
            tolvane::E_HANDLE);
  EXPECT_EQ(holder.TranslateMenu(platform::kNoWindow, verosa::kSectionPopupMenus),
            tolvane::E_HANDLE);
}

TEST_F(LanguageHolderTest, DialogTextsAreChangedOnTheWindowsOwnThread) {
  ScopedEnv german("VEROSA_LANGUAGE", "de");
  LanguageHolder holder;
  LoadAndStart(holder);
  TextWindow dialog({"Audio File"});

  std::atomic<bool> done{false};
  std::int32_t status = tolvane::E_FAIL;
  std::thread worker([&] {
    status = holder.TranslateDialog(dialog.Handle(), verosa::kSectionCreatorEditDlg);
    done = true;
  });
  for (int i = 0; i < 300 && !done; ++i) dialog.WaitAndProcess(100);
  worker.join();
  EXPECT_EQ(status, tolvane::S_OK);
  EXPECT_TRUE(dialog.VisitedOnOwner());
  EXPECT_EQ(dialog.Texts()[0], "Audiodatei");
}

TEST_F(LanguageHolderTest, MessageBoxesAreTranslatedUntilUnload) {
  ScopedEnv german("VEROSA_LANGUAGE", "de");
  testing_support::MessageBoxRecorder boxes;
  LanguageHolder holder;
  LoadAndStart(holder);
  holder.InstallMessageBoxTranslation();

  platform::MessageBox(platform::kNoWindow, "The size of each title can not exceed 2048MB!",
                       "Warning", platform::kMbOk | platform::kMbIconWarning);
  platform::MessageBox(platform::kNoWindow, "Invalid project file:\n/tmp/x.mdp", "Open Error",
                       platform::kMbOk | platform::kMbIconError);
  // A path as long as the system allows is not cut.
  const std::string long_path = "/tmp/" + std::string(4000, 'p') + ".mdp";
  platform::MessageBox(platform::kNoWindow, "Invalid project file:\n" + long_path, "Open Error",
                       platform::kMbOk | platform::kMbIconError);
  holder.Unload();
  platform::MessageBox(platform::kNoWindow, "Error", "Error", platform::kMbOk);

  ASSERT_EQ(boxes.Boxes().size(), 4u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Die Gr\xC3\xB6\xC3\x9F" "e eines Titels darf 2048 MB nicht "
                                   "\xC3\xBC" "berschreiten!");
  EXPECT_EQ(boxes.Boxes()[0].caption, "Warnung");
  EXPECT_EQ(boxes.Boxes()[0].style, platform::kMbOk | platform::kMbIconWarning);
  // Composed texts are looked up whole; their pieces are the caller's job.
  EXPECT_EQ(boxes.Boxes()[1].text, "Invalid project file:\n/tmp/x.mdp");
  EXPECT_EQ(boxes.Boxes()[1].caption, "Fehler beim \xC3\x96" "ffnen");
  EXPECT_EQ(boxes.Boxes()[2].text, "Invalid project file:\n" + long_path);
  EXPECT_EQ(boxes.Boxes()[3].text, "Error");
  EXPECT_EQ(boxes.Boxes()[3].caption, "Error");
}

// Help pages open with a stand-in xdg-open that records what it was given.
class HelpTest : public LanguageHolderTest {
 protected:
  void SetUp() override {
    fs::create_directories(bin_.Path());
    testing_support::WriteFile(bin_ / "xdg-open",
                               "#!/bin/sh\nprintf '%s' \"$1\" > \"$HELP_RECORD.part\" && "
                               "mv \"$HELP_RECORD.part\" \"$HELP_RECORD\"\n");
    fs::permissions(bin_ / "xdg-open", fs::perms::owner_all);
    fs::create_directories(data_.Path() / "help" / "en");
    fs::create_directories(data_.Path() / "help" / "de");
    testing_support::WriteFile(data_.Path() / "help" / "en" / "Start_Dialog.htm", "<p>Start</p>");
    testing_support::WriteFile(data_.Path() / "help" / "de" / "Edit_Dialog.htm", "<p>Bearbeiten</p>");
    data_.AddLanguage("de", "[MessageBoxes]\n");
  }

  // What the viewer was asked to open; empty when it was not started.
  std::string Opened() {
    for (int i = 0; i < 200 && !fs::exists(record_); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::string opened = testing_support::ReadFile(record_);
    fs::remove(record_);
    return opened;
  }

  tolvane_test::DataFolder data_;
  testing_support::ScratchDir scratch_;
  testing_support::ScratchDir bin_;
  fs::path record_ = scratch_ / "opened";
  ScopedEnv record_env_{"HELP_RECORD", record_.string()};
  ScopedEnv german_{"VEROSA_LANGUAGE", "de"};
};

TEST_F(HelpTest, OpensTheLanguagesPageElseTheEnglishOne) {
  ScopedEnv path("PATH", bin_.Path().string() + ":/usr/bin:/bin");
  LanguageHolder holder;
  LoadAndStart(holder);

  ASSERT_EQ(holder.ShowHelp("Edit_Dialog.htm"), tolvane::S_OK);
  EXPECT_EQ(Opened(), (data_.Path() / "help" / "de" / "Edit_Dialog.htm").string());
  ASSERT_EQ(holder.ShowHelp("Start_Dialog.htm"), tolvane::S_OK);
  EXPECT_EQ(Opened(), (data_.Path() / "help" / "en" / "Start_Dialog.htm").string());
}

TEST_F(HelpTest, MissingPagesAndViewersAreFailures) {
  ScopedEnv path("PATH", bin_.Path().string() + ":/usr/bin:/bin");
  LanguageHolder holder;
  LoadAndStart(holder);
  EXPECT_EQ(holder.ShowHelp("Output_Dialog.htm"), tolvane::E_FAIL);
  EXPECT_LT(holder.ShowHelp("../lang/de.ini"), 0);
  EXPECT_LT(holder.ShowHelp(""), 0);
  {
    ScopedEnv no_viewer("PATH", scratch_.Path().string());
    EXPECT_EQ(holder.ShowHelp("Start_Dialog.htm"), tolvane::E_FAIL);
  }
  EXPECT_FALSE(fs::exists(record_));
}

}  // namespace
