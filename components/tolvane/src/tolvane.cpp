// The language and help objects and the factory.
#include "tolvane/tolvane.h"

#include <QString>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalog.h"
#include "help_viewer.h"
#include "locales.h"

namespace tolvane {

namespace {

// Runs one operation so that no exception crosses the interface.
template <typename F>
Result Guarded(F&& operation) noexcept {
  try {
    return operation();
  } catch (...) {
    return E_FAIL;
  }
}

// Writes `text` into `out` of `capacity` chars (NUL included); a text that
// does not fit is cut before the UTF-8 character that would not fit.
void CopyTruncated(std::string_view text, char* out, std::size_t capacity) {
  std::size_t n = std::min(text.size(), capacity - 1);
  if (n < text.size())
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  std::memmove(out, text.data(), n);
  out[n] = '\0';
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

class Language final : public LanguageInterface {
 public:
  Result QueryInterface(const Guid* iid, void** out) override;
  std::uint32_t AddRef() override { return ++references_; }
  std::uint32_t Release() override {
    const std::uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }
  Result Reserved4() override { return E_NOTIMPL; }
  Result Reserved5() override { return E_NOTIMPL; }
  Result Reserved6() override { return E_NOTIMPL; }
  Result Reserved7() override { return E_NOTIMPL; }
  Result TranslateDialog(platform::WindowHandle dialog, const char* section) override {
    return Guarded([&] { return TranslateWindow(dialog, section); });
  }
  Result TranslateMenu(platform::WindowHandle menu, const char* section) override {
    return Guarded([&] { return TranslateWindow(menu, section); });
  }
  Result TranslateText(char* text, std::size_t capacity, const char* section) override;
  Result SetInstance(const void* instance) override;
  Result SetSections(const char* sections) override;
  Result SetLanguage(Lcid lcid) override;
  Result Reserved13() override { return E_NOTIMPL; }
  Result ListLanguages(Lcid* lcids, std::uint32_t* count) override;
  Result GetLanguage(Lcid* lcid, std::uint32_t which) override;
  Result AddPlaceholder(const char* placeholder, const char* replacement) override;
  Result Start() override;
  Result Reserved19() override { return E_NOTIMPL; }
  Result Reserved20() override { return E_NOTIMPL; }
  Result TranslateInto(char* out, std::size_t capacity, const char* english,
                       const char* section) override;

  std::string Locale() const {
    std::shared_lock lock(mutex_);
    return locale_;
  }

 private:
  ~Language() = default;

  // The translation of `english` with the placeholders replaced; `english`
  // itself (placeholders replaced) when there is none.
  std::string Translate(std::string_view english, std::string_view section) const;
  Result TranslateWindow(platform::WindowHandle window, const char* section);
  platform::MessageSink* FindSink(platform::WindowHandle window) const;

  std::atomic<std::uint32_t> references_{1};
  mutable std::shared_mutex mutex_;
  Catalog catalog_;
  std::string locale_ = "en";
  std::vector<std::pair<std::string, std::string>> placeholders_;
  std::vector<std::string> sections_;
  Instance instance_;
};

class Help final : public HelpInterface {
 public:
  explicit Help(Language* language) : language_(language) { language_->AddRef(); }

  Result QueryInterface(const Guid* iid, void** out) override {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (!iid) return E_INVALIDARG;
    if (*iid == kIidHelp || *iid == kIidUnknown) {
      AddRef();
      *out = static_cast<HelpInterface*>(this);
      return S_OK;
    }
    return language_->QueryInterface(iid, out);
  }
  std::uint32_t AddRef() override { return ++references_; }
  std::uint32_t Release() override {
    const std::uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }
  Result Reserved4() override { return E_NOTIMPL; }
  Result Reserved5() override { return E_NOTIMPL; }
  Result Reserved6() override { return E_NOTIMPL; }
  Result Reserved7() override { return E_NOTIMPL; }
  Result Reserved8() override { return E_NOTIMPL; }
  Result Reserved9() override { return E_NOTIMPL; }
  Result Reserved10() override { return E_NOTIMPL; }

  Result ShowHelp(std::uint32_t reserved, const char16_t* page) override {
    (void)reserved;
    return Guarded([&] {
      if (!page) return E_INVALIDARG;
      const std::string name = QString::fromUtf16(page).toStdString();
      if (!IsPlainPageName(name)) return E_INVALIDARG;
      const auto file = FindHelpPage(language_->Locale(), name);
      if (!file) return E_FAIL;
      return OpenWithDesktop(*file) ? S_OK : E_FAIL;
    });
  }

 private:
  ~Help() { language_->Release(); }

  std::atomic<std::uint32_t> references_{1};
  Language* language_;
};

Result Language::QueryInterface(const Guid* iid, void** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (!iid) return E_INVALIDARG;
  if (*iid == kIidLanguage || *iid == kIidUnknown) {
    AddRef();
    *out = static_cast<LanguageInterface*>(this);
    return S_OK;
  }
  if (*iid == kIidHelp) {
    return Guarded([&] {
      *out = static_cast<HelpInterface*>(new Help(this));
      return S_OK;
    });
  }
  return E_NOINTERFACE;
}

std::string Language::Translate(std::string_view english, std::string_view section) const {
  std::shared_lock lock(mutex_);
  const std::string* found = catalog_.Find(section, english);
  std::string text = found ? *found : std::string(english);
  for (const auto& [placeholder, replacement] : placeholders_)
    ReplaceAll(text, placeholder, replacement);
  return text;
}

platform::MessageSink* Language::FindSink(platform::WindowHandle window) const {
  if (window == platform::kNoWindow) return nullptr;
  std::shared_lock lock(mutex_);
  if (instance_.find_window) return instance_.find_window(window);
  return platform::FindWindow(window);
}

Result Language::TranslateWindow(platform::WindowHandle window, const char* section) {
  if (!section) return E_INVALIDARG;
  platform::MessageSink* sink = FindSink(window);
  if (!sink) return E_HANDLE;
  const std::string name = section;
  // The window's texts belong to its owning thread; no lock is held while
  // waiting for it.
  auto translate_all = [this, sink, &name] {
    sink->VisitTexts([this, &name](std::string& text) { text = Translate(text, name); });
  };
  if (sink->IsOwnerThread())
    translate_all();
  else
    sink->RunOnOwnerThread(translate_all, true);
  return S_OK;
}

Result Language::TranslateText(char* text, std::size_t capacity, const char* section) {
  return Guarded([&] {
    if (!text || capacity == 0 || !section) return E_INVALIDARG;
    const std::size_t length = strnlen(text, capacity);
    if (length == capacity) return E_INVALIDARG;  // no terminator inside the buffer
    const std::string_view english(text, length);
    const std::string result = Translate(english, section);
    if (result != english) CopyTruncated(result, text, capacity);
    return S_OK;
  });
}

Result Language::TranslateInto(char* out, std::size_t capacity, const char* english,
                               const char* section) {
  return Guarded([&] {
    if (!out || capacity == 0 || !english || !section) return E_INVALIDARG;
    CopyTruncated(Translate(english, section), out, capacity);
    return S_OK;
  });
}

Result Language::SetInstance(const void* instance) {
  const auto* given = static_cast<const Instance*>(instance);
  if (given && given->size < sizeof(Instance)) return E_INVALIDARG;
  std::unique_lock lock(mutex_);
  instance_ = given ? *given : Instance{};
  return S_OK;
}

Result Language::SetSections(const char* sections) {
  return Guarded([&] {
    if (!sections) return E_INVALIDARG;
    std::vector<std::string> names;
    std::string_view text(sections);
    while (!text.empty()) {
      const std::size_t end = text.find(';');
      if (end != 0) names.emplace_back(text.substr(0, end));
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    std::unique_lock lock(mutex_);
    sections_ = std::move(names);
    return S_OK;
  });
}

Result Language::SetLanguage(Lcid lcid) {
  return Guarded([&] {
    const std::string locale(LocaleOfLcid(lcid));
    if (locale.empty() || !FindLanguageFile(locale)) return E_INVALIDARG;
    return StoreLanguage(lcid) ? S_OK : E_FAIL;
  });
}

Result Language::ListLanguages(Lcid* lcids, std::uint32_t* count) {
  return Guarded([&] {
    if (!count || (*count > 0 && !lcids)) return E_INVALIDARG;
    const std::vector<std::string> installed = InstalledLocales();
    const std::uint32_t filled =
        static_cast<std::uint32_t>(std::min<std::size_t>(installed.size(), *count));
    for (std::uint32_t i = 0; i < filled; ++i) lcids[i] = LcidOfLocale(installed[i]);
    *count = filled;
    return S_OK;
  });
}

Result Language::GetLanguage(Lcid* lcid, std::uint32_t which) {
  if (!lcid) return E_INVALIDARG;
  if (which == kCurrentLanguage) {
    std::shared_lock lock(mutex_);
    *lcid = LcidOfLocale(locale_);
    return S_OK;
  }
  if (which == kDefaultLanguage) {
    *lcid = kLcidEnglish;
    return S_OK;
  }
  return E_INVALIDARG;
}

Result Language::AddPlaceholder(const char* placeholder, const char* replacement) {
  return Guarded([&] {
    if (!placeholder || !*placeholder || !replacement) return E_INVALIDARG;
    std::unique_lock lock(mutex_);
    auto known = std::find_if(placeholders_.begin(), placeholders_.end(),
                              [&](const auto& entry) { return entry.first == placeholder; });
    if (known != placeholders_.end())
      known->second = replacement;
    else
      placeholders_.emplace_back(placeholder, replacement);
    return S_OK;
  });
}

Result Language::Start() {
  return Guarded([&] {
    std::string locale = ChooseStartLocale();
    std::optional<Catalog> catalog;
    if (auto file = FindLanguageFile(locale)) catalog = Catalog::Load(*file);
    if (!catalog && locale != "en") {
      // An unreadable translation falls back to English.
      locale = "en";
      if (auto file = FindLanguageFile(locale)) catalog = Catalog::Load(*file);
    }
    std::unique_lock lock(mutex_);
    locale_ = std::move(locale);
    catalog_ = catalog ? std::move(*catalog) : Catalog();
    return S_OK;
  });
}

}  // namespace
}  // namespace tolvane

extern "C" std::int32_t Tolvane_Create(const tolvane::Guid* iid, void** out) {
  using namespace tolvane;
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (!iid) return E_INVALIDARG;
  if (!(*iid == kIidLanguage || *iid == kIidUnknown)) return E_NOINTERFACE;
  return Guarded([&] {
    *out = static_cast<LanguageInterface*>(new Language());
    return S_OK;
  });
}
