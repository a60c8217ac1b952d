#include "ui/conversion_ui.h"

#include <QApplication>

#include "ui/console_ui.h"
#include "ui/qt_ui.h"

namespace carrowell {
namespace {

ConversionUi* g_installed = nullptr;

}  // namespace

ConversionUi& ActiveConversionUi() {
  if (g_installed) return *g_installed;
  if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
    static QtConversionUi qt_ui;
    return qt_ui;
  }
  static ConsoleConversionUi console_ui;
  return console_ui;
}

ConversionUi* SetConversionUi(ConversionUi* ui) {
  ConversionUi* previous = g_installed;
  g_installed = ui;
  return previous;
}

}  // namespace carrowell
