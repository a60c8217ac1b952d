#pragma once

// Every text the conversion library's dialogs and messages show goes through
// UiText, in the context kUiTextContext. Without a translator for it, the
// text source a program without Qt translators sets (the command-line tool)
// answers, else the English text is shown.

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QString>
#include <string>

#include "carrowell/ui_texts.h"

namespace carrowell {

using UiTextSource = const char* (*)(const char* english);
void SetUiTextSource(UiTextSource source);
UiTextSource GetUiTextSource();

inline QString UiText(const char* english) {
  const QString text = QCoreApplication::translate(kUiTextContext, english);
  if (UiTextSource source = GetUiTextSource(); source && text == QString::fromUtf8(english))
    return QString::fromUtf8(source(english));
  return text;
}

inline std::string UiTextStd(const char* english) { return UiText(english).toStdString(); }

// The standard buttons of a button box, with texts of their own.
inline void SetButtonTexts(QDialogButtonBox& buttons) {
  static constexpr struct {
    QDialogButtonBox::StandardButton button;
    const char* text;
  } kTexts[] = {{QDialogButtonBox::Ok, "OK"},
                {QDialogButtonBox::Cancel, "Cancel"},
                {QDialogButtonBox::Help, "&Help"},
                {QDialogButtonBox::Reset, "&Reset"}};
  for (const auto& entry : kTexts)
    if (QPushButton* button = buttons.button(entry.button)) button->setText(UiText(entry.text));
}

}  // namespace carrowell
