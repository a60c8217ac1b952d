#include "platform/message_box.h"

#include <cstdio>
#include <mutex>

namespace platform {
namespace {

std::mutex g_mutex;
MessageBoxHandler g_handler;
MessageTranslator g_translator;

int ConsoleBox(WindowHandle, const std::string& text, const std::string& caption,
               unsigned style) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  return DefaultButton(style);
}

}  // namespace

int DefaultButton(unsigned style) {
  int buttons[3] = {kIdOk, kIdOk, kIdOk};
  switch (style & kMbTypeMask) {
    case kMbOkCancel: buttons[0] = kIdOk; buttons[1] = kIdCancel; break;
    case kMbYesNoCancel: buttons[0] = kIdYes; buttons[1] = kIdNo; buttons[2] = kIdCancel; break;
    case kMbYesNo: buttons[0] = kIdYes; buttons[1] = kIdNo; break;
    case kMbRetryCancel: buttons[0] = kIdRetry; buttons[1] = kIdCancel; break;
    default: break;
  }
  const unsigned which = (style & kMbDefMask) >> 8;
  return buttons[which < 3 ? which : 0];
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard lock(g_mutex);
  std::swap(g_handler, handler);
  return handler;
}

MessageTranslator SetMessageTranslator(MessageTranslator translator) {
  std::lock_guard lock(g_mutex);
  std::swap(g_translator, translator);
  return translator;
}

int MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
               unsigned style) {
  MessageBoxHandler handler;
  MessageTranslator translator;
  {
    std::lock_guard lock(g_mutex);
    handler = g_handler;
    translator = g_translator;
  }
  const std::string shown_text = translator ? translator(text) : text;
  const std::string shown_caption = translator ? translator(caption) : caption;
  return handler ? handler(owner, shown_text, shown_caption, style)
                 : ConsoleBox(owner, shown_text, shown_caption, style);
}

}  // namespace platform
