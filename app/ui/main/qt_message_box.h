// The program's message boxes: platform::MessageBox shown as a QMessageBox
// on the GUI thread (callers on other threads wait for the answer).
#pragma once

#include <QMessageBox>
#include <string>

#include "platform/message_box.h"

namespace verosa {

// The buttons, default button and icon of a message-box style.
QMessageBox::StandardButtons MessageBoxButtons(unsigned style);
QMessageBox::StandardButton MessageBoxDefaultButton(unsigned style);
QMessageBox::Icon MessageBoxIcon(unsigned style);
// The result code of a pressed button; the Cancel (or only) button's code
// when the box was closed without one.
int MessageBoxResultOf(QMessageBox::StandardButton button, unsigned style);

// Shows one box over the active window and returns the button pressed.
int ShowQtMessageBox(platform::WindowHandle owner, const std::string& text,
                     const std::string& caption, unsigned style);

// Routes platform::MessageBox to ShowQtMessageBox until the object goes.
class QtMessageBoxes {
 public:
  QtMessageBoxes();
  ~QtMessageBoxes();
  QtMessageBoxes(const QtMessageBoxes&) = delete;
  QtMessageBoxes& operator=(const QtMessageBoxes&) = delete;

 private:
  platform::MessageBoxHandler previous_;
};

}  // namespace verosa
