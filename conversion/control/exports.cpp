#include <new>

#include "carrowell/conversion_ctrl.h"
#include "control/conversion_control.h"

extern "C" CARROWELL_API carrowell::ConversionCtrl* CreateCarrowellCtrl() {
  try {
    return new carrowell::ConversionControl();
  } catch (...) {
    return nullptr;
  }
}

extern "C" CARROWELL_API void DeleteCarrowellCtrl(carrowell::ConversionCtrl* ctrl) { delete ctrl; }
