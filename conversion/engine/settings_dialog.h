// The settings dialog of a target kind: reads a target format, lets the user
// change it and writes the confirmed values back.
#pragma once

#include "engine/property_set.h"

namespace carrowell {

// Dialog results.
inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 2;

class SettingsDialog {
 public:
  virtual ~SettingsDialog() = default;
  virtual void Load(const TargetFormat& format) = 0;
  // kDialogOk when the user confirmed.
  virtual int Show() = 0;
  virtual void Store(TargetFormat& format) const = 0;
};

}  // namespace carrowell
