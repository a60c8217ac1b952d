#include "shell/language_holder.h"

#include <algorithm>
#include <cstring>

namespace verosa {

namespace {

constexpr const char* kAppNamePlaceholder = "$APPNAME$";
constexpr const char* kAppName = "Verosa";
constexpr std::uint32_t kMaxLanguages = 1024;

// A NUL-terminated buffer of `capacity` chars holding as much of `text` as
// fits, cut at a UTF-8 character boundary.
std::vector<char> MakeBuffer(std::string_view text, std::size_t capacity) {
  std::vector<char> buffer(capacity, '\0');
  std::size_t n = std::min(text.size(), capacity - 1);
  if (n < text.size())
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  std::copy_n(text.data(), n, buffer.data());
  return buffer;
}

// UTF-8 to NUL-terminated UTF-16; invalid bytes become U+FFFD.
std::u16string ToUtf16(std::string_view text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    char32_t code = 0xFFFD;
    std::size_t length = 1;
    if (byte < 0x80) {
      code = byte;
    } else if (byte >= 0xC2 && byte <= 0xF4) {
      length = byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
      char32_t value = byte & (0x3F >> (length - 1));
      bool valid = i + length <= text.size();
      for (std::size_t k = 1; valid && k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        valid = (next & 0xC0) == 0x80;
        value = (value << 6) | (next & 0x3F);
      }
      constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
      if (valid && value >= kMinimum[length] && value <= 0x10FFFF &&
          !(value >= 0xD800 && value <= 0xDFFF))
        code = value;
      else
        length = 1;
    }
    i += length;
    if (code >= 0x10000) {
      code -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (code >> 10));
      out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
  }
  return out;
}

}  // namespace

std::string LanguageSectionList() {
  std::string list;
  for (const char* section : kLanguageSections) {
    list += section;
    list += ';';
  }
  return list;
}

LanguageHolder::~LanguageHolder() { Unload(); }

std::int32_t LanguageHolder::Load(const char* name) {
  if (!name || !*name) return tolvane::E_INVALIDARG;
  if (module_.Loaded()) return tolvane::E_ACCESSDENIED;
  if (!module_.Load(name)) return tolvane::E_HANDLE;
  factory_ = reinterpret_cast<tolvane::CreateFunction>(
      module_.Symbol(tolvane::kCreateFunctionName));
  if (!factory_) {
    module_.Unload();
    return tolvane::E_NOTIMPL;
  }
  module_file_name_ = module_.FileName().string();

  void* object = nullptr;
  std::int32_t status = factory_(&tolvane::kIidLanguage, &object);
  if (tolvane::Succeeded(status) && !object) status = tolvane::E_FAIL;
  if (tolvane::Failed(status)) {
    factory_ = nullptr;
    module_file_name_.clear();
    module_.Unload();
    return status;
  }
  language_ = static_cast<tolvane::LanguageInterface*>(object);
  return status;
}

bool LanguageHolder::Start() {
  if (!language_) return false;
  instance_.find_window = &platform::FindWindow;
  const std::string sections = LanguageSectionList();
  return tolvane::Succeeded(language_->SetInstance(&instance_)) &&
         tolvane::Succeeded(language_->SetSections(sections.c_str())) &&
         tolvane::Succeeded(language_->AddPlaceholder(kAppNamePlaceholder, kAppName)) &&
         tolvane::Succeeded(language_->Start());
}

std::string LanguageHolder::Translate(std::string_view english, std::string_view section,
                                      std::size_t capacity) const {
  if (!language_ || capacity == 0) return std::string(english);
  std::vector<char> buffer = MakeBuffer(english, capacity);
  const std::string name(section);
  if (tolvane::Failed(language_->TranslateText(buffer.data(), buffer.size(), name.c_str())))
    return std::string(english);
  return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

std::string LanguageHolder::TranslateInto(std::string_view english, std::string_view section,
                                          std::size_t capacity) const {
  if (!language_ || capacity == 0) return std::string(english);
  std::vector<char> buffer(capacity, '\0');
  const std::string source(english);
  const std::string name(section);
  if (tolvane::Failed(language_->TranslateInto(buffer.data(), buffer.size(), source.c_str(),
                                               name.c_str())))
    return source;
  return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

std::int32_t LanguageHolder::TranslateDialog(platform::WindowHandle dialog,
                                             std::string_view section) const {
  if (!language_) return tolvane::E_FAIL;
  return language_->TranslateDialog(dialog, std::string(section).c_str());
}

std::int32_t LanguageHolder::TranslateMenu(platform::WindowHandle menu,
                                           std::string_view section) const {
  if (!language_) return tolvane::E_FAIL;
  return language_->TranslateMenu(menu, std::string(section).c_str());
}

std::int32_t LanguageHolder::ShowHelp(std::string_view page) const {
  if (!language_) return tolvane::E_NOINTERFACE;
  void* object = nullptr;
  if (tolvane::Failed(language_->QueryInterface(&tolvane::kIidHelp, &object)) || !object)
    return tolvane::E_NOINTERFACE;
  auto* help = static_cast<tolvane::HelpInterface*>(object);
  const std::u16string name = ToUtf16(page);
  const std::int32_t status = help->ShowHelp(0, name.c_str());
  help->Release();
  return status;
}

std::vector<std::uint32_t> LanguageHolder::ListLanguages() const {
  if (!language_) return {};
  std::vector<std::uint32_t> lcids(kMaxLanguages);
  std::uint32_t count = kMaxLanguages;
  if (tolvane::Failed(language_->ListLanguages(lcids.data(), &count))) return {};
  lcids.resize(std::min(count, kMaxLanguages));
  return lcids;
}

std::uint32_t LanguageHolder::CurrentLanguage() const {
  std::uint32_t lcid = tolvane::kLcidEnglish;
  if (!language_ || tolvane::Failed(language_->GetLanguage(&lcid, tolvane::kCurrentLanguage)))
    return tolvane::kLcidEnglish;
  return lcid;
}

std::uint32_t LanguageHolder::DefaultLanguage() const {
  std::uint32_t lcid = tolvane::kLcidEnglish;
  if (!language_ || tolvane::Failed(language_->GetLanguage(&lcid, tolvane::kDefaultLanguage)))
    return tolvane::kLcidEnglish;
  return lcid;
}

bool LanguageHolder::SetLanguage(std::uint32_t lcid) {
  return language_ && tolvane::Succeeded(language_->SetLanguage(lcid));
}

void LanguageHolder::InstallMessageBoxTranslation() {
  auto translator = [this](const std::string& text) {
    // A text that names a long path (up to PATH_MAX bytes) is not cut: no
    // catalogue entry is that long, so it only needs room to stay whole.
    return Translate(text, kSectionMessageBoxes, std::max(kTextCapacity, text.size() + 1));
  };
  platform::MessageTranslator previous = platform::SetMessageTranslator(translator);
  if (!translator_installed_) previous_translator_ = std::move(previous);
  translator_installed_ = true;
}

void LanguageHolder::Unload() {
  if (translator_installed_) {
    platform::SetMessageTranslator(std::move(previous_translator_));
    previous_translator_ = nullptr;
    translator_installed_ = false;
  }
  if (language_) language_->Release();
  language_ = nullptr;
  factory_ = nullptr;
  module_file_name_.clear();
  module_.Unload();
}

}  // namespace verosa
