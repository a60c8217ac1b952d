#pragma once

namespace carrowell {

// The translation context of every text Carrowell's dialogs and messages
// show (QCoreApplication::translate). A program that installs a QTranslator
// answering this context shows them in its own language.
inline constexpr const char* kUiTextContext = "Carrowell";

}  // namespace carrowell
