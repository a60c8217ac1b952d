// Tolvane: the interface-language component. The program loads libTolvane.so
// at start-up, creates the language object through Tolvane_Create and asks it
// to translate every text it shows (by section and English text) and to show
// the help pages.
//
// Both interfaces are tables of virtual operations whose order is fixed: a
// reserved slot is never removed or moved, so a program built against this
// header works with any build of the component. Objects are reference
// counted; whoever holds one calls Release once when done.
//
// Texts are UTF-8. Every operation that writes a text takes the buffer's
// capacity in chars, the terminating NUL included, and never writes past it:
// a longer result is cut at a UTF-8 character boundary.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/window.h"

namespace tolvane {

struct Guid {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];

  friend constexpr bool operator==(const Guid& a, const Guid& b) {
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
    for (int i = 0; i < 8; ++i)
      if (a.data4[i] != b.data4[i]) return false;
    return true;
  }
};

// {2FB6C7F2-10E0-4A59-9E40-4AEEDCD1486E}
inline constexpr Guid kIidLanguage = {
    0x2FB6C7F2, 0x10E0, 0x4A59, {0x9E, 0x40, 0x4A, 0xEE, 0xDC, 0xD1, 0x48, 0x6E}};
// {08A2883E-F719-41CD-86D2-CC6374A62911}
inline constexpr Guid kIidHelp = {
    0x08A2883E, 0xF719, 0x41CD, {0x86, 0xD2, 0xCC, 0x63, 0x74, 0xA6, 0x29, 0x11}};
// {00000000-0000-0000-C000-000000000046}: any object answers to it.
inline constexpr Guid kIidUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Result codes keep their classic values; negative means failure.
using Result = std::int32_t;
inline constexpr Result S_OK = 0;
inline constexpr Result S_FALSE = 1;
inline constexpr Result E_NOTIMPL = static_cast<Result>(0x80004001u);
inline constexpr Result E_NOINTERFACE = static_cast<Result>(0x80004002u);
inline constexpr Result E_FAIL = static_cast<Result>(0x80004005u);
inline constexpr Result E_ACCESSDENIED = static_cast<Result>(0x80070005u);
inline constexpr Result E_HANDLE = static_cast<Result>(0x80070006u);
inline constexpr Result E_INVALIDARG = static_cast<Result>(0x80070057u);

constexpr bool Succeeded(Result r) { return r >= 0; }
constexpr bool Failed(Result r) { return r < 0; }

// Windows locale identifiers of the languages.
using Lcid = std::uint32_t;
inline constexpr Lcid kLcidEnglish = 0x0409;

// Which language GetLanguage reports.
inline constexpr std::uint32_t kCurrentLanguage = 0;
inline constexpr std::uint32_t kDefaultLanguage = 1;

// What the program hands to SetInstance: the way to reach its own windows.
// The component shares the program's platform library (one window registry
// per process) and looks windows up there when no Instance or no
// find_window is given; the program hands platform::FindWindow all the same.
struct Instance {
  std::uint32_t size = sizeof(Instance);
  platform::MessageSink* (*find_window)(platform::WindowHandle window) = nullptr;
};

class LanguageInterface {
 public:
  virtual Result QueryInterface(const Guid* iid, void** out) = 0;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;
  virtual Result Reserved4() = 0;
  virtual Result Reserved5() = 0;
  virtual Result Reserved6() = 0;
  virtual Result Reserved7() = 0;
  // Replaces every text the window offers (platform::MessageSink::VisitTexts).
  // An unknown window gives E_HANDLE.
  virtual Result TranslateDialog(platform::WindowHandle dialog, const char* section) = 0;
  // Menus are registered windows whose texts are their item texts.
  virtual Result TranslateMenu(platform::WindowHandle menu, const char* section) = 0;
  // `text` holds a NUL-terminated English text within `capacity` chars and
  // receives its translation in place (placeholders replaced). On failure
  // the buffer is left as it was.
  virtual Result TranslateText(char* text, std::size_t capacity, const char* section) = 0;
  // `instance` points to an Instance that outlives the object, or is null.
  virtual Result SetInstance(const void* instance) = 0;
  // Section names, each followed by ';'.
  virtual Result SetSections(const char* sections) = 0;
  // Stores the interface language; it takes effect at the next Start.
  virtual Result SetLanguage(Lcid lcid) = 0;
  virtual Result Reserved13() = 0;
  // `count` in: capacity of `lcids`; out: number filled.
  virtual Result ListLanguages(Lcid* lcids, std::uint32_t* count) = 0;
  virtual Result GetLanguage(Lcid* lcid, std::uint32_t which) = 0;
  // Every returned text has `placeholder` replaced by `replacement`.
  virtual Result AddPlaceholder(const char* placeholder, const char* replacement) = 0;
  // Chooses the language and reads its translations; called last at start-up.
  virtual Result Start() = 0;
  virtual Result Reserved19() = 0;
  virtual Result Reserved20() = 0;
  // Writes the translation of `english` (or `english` itself) into `out`.
  virtual Result TranslateInto(char* out, std::size_t capacity, const char* english,
                               const char* section) = 0;

 protected:
  ~LanguageInterface() = default;  // objects go away through Release
};

class HelpInterface {
 public:
  virtual Result QueryInterface(const Guid* iid, void** out) = 0;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;
  virtual Result Reserved4() = 0;
  virtual Result Reserved5() = 0;
  virtual Result Reserved6() = 0;
  virtual Result Reserved7() = 0;
  virtual Result Reserved8() = 0;
  virtual Result Reserved9() = 0;
  virtual Result Reserved10() = 0;
  // Opens the help page (a plain file name such as "Start_Dialog.htm") of the
  // current language, else the English one, with the desktop's viewer.
  // `reserved` is 0. A page that exists nowhere gives E_FAIL.
  virtual Result ShowHelp(std::uint32_t reserved, const char16_t* page) = 0;

 protected:
  ~HelpInterface() = default;
};

// The factory's exported name and type.
inline constexpr const char* kCreateFunctionName = "Tolvane_Create";
using CreateFunction = Result (*)(const Guid* iid, void** out);

}  // namespace tolvane

extern "C" __attribute__((visibility("default"))) std::int32_t Tolvane_Create(
    const tolvane::Guid* iid, void** out);
