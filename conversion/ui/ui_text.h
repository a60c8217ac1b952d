#pragma once

// Every text the conversion library's dialogs and messages show goes through
// UiText: the hosting program may install a QTranslator that answers the
// "Carrowell" context from its own language files. Without one the English
// text is shown.

#include <QCoreApplication>
#include <QString>
#include <string>

namespace carrowell {

inline constexpr const char* kUiTextContext = "Carrowell";

inline QString UiText(const char* english) {
  return QCoreApplication::translate(kUiTextContext, english);
}

inline std::string UiTextStd(const char* english) { return UiText(english).toStdString(); }

}  // namespace carrowell
