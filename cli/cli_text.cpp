#include "cli_text.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "shell/language_holder.h"

namespace verosa::cli {
namespace {

struct Catalogue {
  LanguageHolder language;
  bool started = false;
  std::map<std::string, std::string, std::less<>> texts;
  std::mutex mutex;
};

Catalogue& Texts() {
  static Catalogue* catalogue = [] {
    auto* c = new Catalogue;  // lives as long as the process: handed-out pointers stay valid
    c->started = c->language.Load(kLanguageComponentName) >= 0 && c->language.Start();
    return c;
  }();
  return *catalogue;
}

}  // namespace

const char* TrIn(const char* english, const char* section) {
  if (!english || !*english) return english;
  Catalogue& catalogue = Texts();
  if (!catalogue.started) return english;
  std::lock_guard lock(catalogue.mutex);
  const std::string key = std::string(section) + '\n' + english;
  auto it = catalogue.texts.find(key);
  if (it == catalogue.texts.end()) {
    const std::size_t length = std::strlen(english);
    std::string text = catalogue.language.Translate(english, section, std::max(kTextCapacity, 4 * length + 1));
    it = catalogue.texts.emplace(key, std::move(text)).first;
  }
  return it->second == english ? english : it->second.c_str();
}

const char* Tr(const char* english) { return TrIn(english, kSectionCommandLine); }

std::string Tr(const char* english_format, std::initializer_list<std::string> values) {
  std::string text = Tr(english_format);
  std::size_t at = 0;
  for (const std::string& value : values) {
    at = text.find("%s", at);
    if (at == std::string::npos) break;
    text.replace(at, 2, value);
    at += value.size();
  }
  return text;
}

}  // namespace verosa::cli
