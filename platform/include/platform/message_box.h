// Message boxes. The text and caption first pass through an installable
// translator (the interface language), then to an installable handler:
// a Qt message box in the program, stderr in the command-line tool, a
// recorder in tests.
#pragma once

#include <functional>
#include <string>

#include "platform/window.h"

namespace platform {

// Styles and results keep their classic values.
enum MessageBoxStyle : unsigned {
  kMbOk = 0x0,
  kMbOkCancel = 0x1,
  kMbYesNoCancel = 0x3,
  kMbYesNo = 0x4,
  kMbRetryCancel = 0x5,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInformation = 0x40,
  kMbDefButton2 = 0x100,
  kMbDefButton3 = 0x200,
};
inline constexpr unsigned kMbTypeMask = 0xF;
inline constexpr unsigned kMbIconMask = 0xF0;
inline constexpr unsigned kMbDefMask = 0xF00;

enum MessageBoxResult : int {
  kIdOk = 1,
  kIdCancel = 2,
  kIdRetry = 4,
  kIdYes = 6,
  kIdNo = 7,
};

using MessageBoxHandler = std::function<int(WindowHandle owner, const std::string& text,
                                            const std::string& caption, unsigned style)>;
using MessageTranslator = std::function<std::string(const std::string& text)>;

// Installs a handler and returns the previous one. An empty handler restores
// the default (stderr, default button).
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
MessageTranslator SetMessageTranslator(MessageTranslator translator);

int MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
               unsigned style);

// The button a box of `style` gives when the user just confirms it.
int DefaultButton(unsigned style);

}  // namespace platform
