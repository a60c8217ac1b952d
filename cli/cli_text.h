// The command-line tool's own texts (usage, messages) in the interface
// language: VEROSA_LANGUAGE, then the language chosen in the program, then
// the environment's locale. Printed data (paths, tables, JSON) stays as it is.
#pragma once

#include <initializer_list>
#include <string>

namespace verosa::cli {

// The translation of `english` in the "CommandLine" section; `english`
// itself when there is none. The pointer stays valid until the program ends.
const char* Tr(const char* english);
// The same from another section of the language files.
const char* TrIn(const char* english, const char* section);
// The translation of `english_format` with each "%s" filled, in order, by
// one of `values`.
std::string Tr(const char* english_format, std::initializer_list<std::string> values);

}  // namespace verosa::cli
