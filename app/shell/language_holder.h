// The program's hold on the interface-language component Tolvane: loads the
// library, keeps its language object, and translates texts by section.
// Every text is English when the component is not loaded or has no
// translation for it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/message_box.h"
#include "platform/module.h"
#include "platform/window.h"
#include "tolvane/tolvane.h"

namespace verosa {

// Language sections, in the order they are declared to the component.
inline constexpr const char* kSectionPopupMenus = "PopupMenus";
inline constexpr const char* kSectionToolTips = "ToolTips";
inline constexpr const char* kSectionMessageBoxes = "MessageBoxes";
inline constexpr const char* kSectionMiscStrings = "MiscStrings";
inline constexpr const char* kSectionAddChapterDlg = "AddChapterDlg";
inline constexpr const char* kSectionCreatorConfigDlg = "CreatorConfigDlg";
inline constexpr const char* kSectionCreatorEditDlg = "CreatorEditDlg";
inline constexpr const char* kSectionCreatorNavigationDlg = "CreatorNavigationDlg";
inline constexpr const char* kSectionCreatorOutputDlg = "CreatorOutputDlg";
inline constexpr const char* kSectionCreatorStartDlg = "CreatorStartDlg";
inline constexpr const char* kSectionVerosaDlg = "VerosaDlg";
inline constexpr const char* kSectionSystemOptionDlg = "SystemOptionDlg";
inline constexpr const char* kSectionAboutDialogBox = "AboutDialogBox";
// The conversion library's dialogs and messages.
inline constexpr const char* kSectionCarrowell = "Carrowell";
// The command-line tool's usage texts and messages.
inline constexpr const char* kSectionCommandLine = "CommandLine";

inline constexpr std::array<const char*, 15> kLanguageSections = {
    kSectionPopupMenus,       kSectionToolTips,         kSectionMessageBoxes,
    kSectionMiscStrings,      kSectionAddChapterDlg,    kSectionCreatorConfigDlg,
    kSectionCreatorEditDlg,   kSectionCreatorNavigationDlg, kSectionCreatorOutputDlg,
    kSectionCreatorStartDlg,  kSectionVerosaDlg,        kSectionSystemOptionDlg,
    kSectionAboutDialogBox,   kSectionCarrowell,        kSectionCommandLine};

// The file name the program loads the component by.
inline constexpr const char* kLanguageComponentName = "Tolvane.dll";

// Text buffer sizes (chars with the terminating NUL) that callers use.
inline constexpr std::size_t kShortTextCapacity = 260;
inline constexpr std::size_t kTextCapacity = 1024;
inline constexpr std::size_t kLongTextCapacity = 2048;

class LanguageHolder {
 public:
  LanguageHolder() = default;
  ~LanguageHolder();
  LanguageHolder(const LanguageHolder&) = delete;
  LanguageHolder& operator=(const LanguageHolder&) = delete;

  // Loads the component and creates its language object. Returns S_OK or
  // the factory's status; E_INVALIDARG for a null or empty name,
  // E_ACCESSDENIED when already loaded, E_HANDLE when the library cannot be
  // loaded, E_NOTIMPL when it has no Tolvane_Create.
  std::int32_t Load(const char* name);
  // Start-up calls: SetInstance, SetSections, AddPlaceholder("$APPNAME$",
  // "Verosa"), Start. False when not loaded or a call fails.
  bool Start();

  // The translation of `english` in `section` as a buffer of `capacity`
  // chars (NUL included) would hold it; `english` unchanged when not loaded
  // or when the call fails.
  std::string Translate(std::string_view english, std::string_view section,
                        std::size_t capacity = kTextCapacity) const;
  // The same through the component's translate-into operation.
  std::string TranslateInto(std::string_view english, std::string_view section,
                            std::size_t capacity = kTextCapacity) const;
  // Translate every text of a registered window or menu; negative on failure.
  std::int32_t TranslateDialog(platform::WindowHandle dialog, std::string_view section) const;
  std::int32_t TranslateMenu(platform::WindowHandle menu, std::string_view section) const;
  // Shows a help page ("Start_Dialog.htm"); E_NOINTERFACE when the component
  // offers no help.
  std::int32_t ShowHelp(std::string_view page) const;

  // Installed languages (locale identifiers), at most 1024.
  std::vector<std::uint32_t> ListLanguages() const;
  // English when not loaded.
  std::uint32_t CurrentLanguage() const;
  std::uint32_t DefaultLanguage() const;
  // Stores the interface language for the next start.
  bool SetLanguage(std::uint32_t lcid);

  // Routes every platform::MessageBox text and caption through the section
  // "MessageBoxes" (1024-char buffers, or as long as a longer text that
  // carries a path) until Unload.
  void InstallMessageBoxTranslation();

  // Releases the language object and frees the library.
  void Unload();
  bool Loaded() const { return language_ != nullptr; }

  const std::string& ModuleFileName() const { return module_file_name_; }

 private:
  platform::Module module_;
  std::string module_file_name_;
  tolvane::CreateFunction factory_ = nullptr;
  tolvane::LanguageInterface* language_ = nullptr;
  tolvane::Instance instance_;
  bool translator_installed_ = false;
  platform::MessageTranslator previous_translator_;
};

// The section list as the component expects it: each name followed by ';'.
std::string LanguageSectionList();

}  // namespace verosa
