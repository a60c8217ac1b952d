// A burning component for tests, loaded by name ("FakeBrennock") like the
// real one: drives whose status, capabilities and results the test sets,
// and a log of every tray, erase and burn call.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "brennock/brennock.h"

struct FakeDrive {
  std::string name;
  std::uint32_t capabilities = brennock::kDvdMediaMask;
  bool has_recorder = true;
  brennock::DeviceStatus status;
  std::int32_t erase_result = brennock::kBurnOk;
  std::int32_t burn_result = brennock::kBurnOk;
};

struct FakeBrennockState {
  std::vector<FakeDrive> drives;
  std::vector<std::string> log;  // "eject 0", "load 0", "erase 0", "burn 0 FOLDER LABEL"
  // Called at every percent step of an erase or burn (before the cancel
  // query), e.g. to press Abort in the middle.
  std::function<void(const std::string& what, int percent)> on_step;
};

extern "C" __attribute__((visibility("default"))) FakeBrennockState* FakeBrennockShared();
