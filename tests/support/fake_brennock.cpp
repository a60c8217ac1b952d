#include "support/fake_brennock.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

FakeBrennockState g_state;

std::int32_t Steps(const std::string& what, brennock::ProgressSink* sink) {
  for (int percent = 0; percent <= 100; percent += 25) {
    if (g_state.on_step) g_state.on_step(what, percent);
    if (!sink) continue;
    sink->Progress(brennock::kProgressPercent, static_cast<std::uint32_t>(percent), 0, 0);
    if (sink->Progress(brennock::kProgressCancelQuery, 0, 0, 0) != 0) return brennock::kBurnCancelled;
  }
  return brennock::kBurnOk;
}

class FakeRecorder : public brennock::Recorder {
 public:
  explicit FakeRecorder(int drive) : drive_(drive) {}
  std::int32_t Erase(std::int32_t, brennock::ProgressSink* sink) override {
    g_state.log.push_back("erase " + std::to_string(drive_));
    const std::int32_t result = Steps("erase", sink);
    return result != brennock::kBurnOk ? result : g_state.drives.at(drive_).erase_result;
  }
  std::int32_t Burn(std::int32_t, const brennock::BurnRequest* request, std::int32_t,
                    brennock::ProgressSink* sink) override {
    g_state.log.push_back("burn " + std::to_string(drive_) + " " + request->folder + " " +
                          request->label);
    const std::int32_t result = Steps("burn", sink);
    return result != brennock::kBurnOk ? result : g_state.drives.at(drive_).burn_result;
  }

 private:
  int drive_;
};

class FakeDevice : public brennock::Device {
 public:
  explicit FakeDevice(int drive) : drive_(drive), recorder_(drive) {}
  void Status(brennock::DeviceStatus* status) override { *status = Drive().status; }
  std::int32_t Information(brennock::DeviceInformation* info) override {
    std::snprintf(info->name, sizeof info->name, "%s", Drive().name.c_str());
    info->capabilities = Drive().capabilities;
    return 1;
  }
  void Eject() override { g_state.log.push_back("eject " + std::to_string(drive_)); }
  void Load() override { g_state.log.push_back("load " + std::to_string(drive_)); }
  brennock::Recorder* GetRecorder() override { return Drive().has_recorder ? &recorder_ : nullptr; }
  void Address(char* buffer, std::int32_t size) override {
    std::snprintf(buffer, static_cast<std::size_t>(size), "fake:%d", drive_);
  }

 private:
  FakeDrive& Drive() { return g_state.drives.at(drive_); }
  int drive_;
  FakeRecorder recorder_;
};

class FakeBurner final : public brennock::Burner {
 public:
  std::int32_t Version() override { return 1; }
  void LastError(char* buffer, std::int32_t size) override {
    if (size > 0) buffer[0] = '\0';
  }
  void Release() override { delete this; }
  std::int32_t EngineCount() override { return 1; }
  void EngineName(std::int32_t, char* buffer, std::int32_t size) override {
    std::snprintf(buffer, static_cast<std::size_t>(size), "fake engine");
  }
  void SelectEngine(std::int32_t) override {
    devices_.clear();
    for (std::size_t d = 0; d < g_state.drives.size(); ++d)
      devices_.push_back(std::make_unique<FakeDevice>(static_cast<int>(d)));
  }
  std::int32_t SelectedEngine() override { return 0; }
  std::int32_t DeviceCount() override { return static_cast<std::int32_t>(devices_.size()); }
  brennock::Device* GetDevice(std::int32_t index) override {
    return index >= 0 && index < DeviceCount() ? devices_[static_cast<std::size_t>(index)].get()
                                               : nullptr;
  }

 private:
  std::vector<std::unique_ptr<FakeDevice>> devices_;
};

}  // namespace

extern "C" FakeBrennockState* FakeBrennockShared() { return &g_state; }

extern "C" __attribute__((visibility("default"))) std::int32_t Brennock_Create(
    const char* interface_id, brennock::Burner** out) {
  if (!out) return brennock::E_POINTER;
  if (!interface_id || std::strcmp(interface_id, brennock::kIidBurner) != 0)
    return brennock::E_NOINTERFACE;
  *out = new FakeBurner;
  return brennock::S_OK;
}
