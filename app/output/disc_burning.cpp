#include "output/disc_burning.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/message_box.h"
#include "shell/burner_holder.h"

namespace verosa {
namespace {

// The tray toggle is one for the whole program, starting with opening.
bool g_tray_open = false;

constexpr int kNameBuffer = 1024;

// Clears the flag when the recorder's call has returned, however it ends.
class InCall {
 public:
  explicit InCall(bool& flag) : flag_(flag) { flag_ = true; }
  ~InCall() { flag_ = false; }

 private:
  bool& flag_;
};

}  // namespace

DiscBurning::DiscBurning(core::JobHost& host)
    : host_(host), holder_(std::make_unique<BurnerHolder>()) {}

DiscBurning::~DiscBurning() = default;

bool DiscBurning::Load(const std::string& name) {
  engines_.clear();
  writers_.clear();
  if (holder_->Load(name.c_str()) != brennock::S_OK) return false;
  brennock::Burner* burner = holder_->Burner();
  const int count = burner->EngineCount();
  for (int i = 0; i < count; ++i) {
    char text[kNameBuffer] = {};
    burner->EngineName(i, text, sizeof text);
    engines_.emplace_back(text);
  }
  return true;
}

void DiscBurning::SelectEngine(int index) {
  writers_.clear();
  brennock::Burner* burner = holder_->Burner();
  if (!burner || index < 0 || index >= static_cast<int>(engines_.size())) return;
  burner->SelectEngine(index);
  const int count = burner->DeviceCount();
  for (int d = 0; d < count; ++d) {
    brennock::Device* device = burner->GetDevice(d);
    if (!device || !device->GetRecorder()) continue;
    brennock::DeviceInformation info;
    if (!device->Information(&info) || !(info.capabilities & brennock::kDvdMediaMask)) continue;
    writers_.push_back({std::string(info.name, strnlen(info.name, sizeof info.name)), d});
  }
}

brennock::Device* DiscBurning::DeviceOf(int writer) const {
  brennock::Burner* burner = holder_->Burner();
  if (!burner || writer < 0 || writer >= static_cast<int>(writers_.size())) return nullptr;
  return burner->GetDevice(writers_[static_cast<std::size_t>(writer)].device);
}

bool DiscBurning::Status(int writer, brennock::DeviceStatus& status) const {
  brennock::Device* device = DeviceOf(writer);
  if (!device) return false;
  status = brennock::DeviceStatus{};
  device->Status(&status);
  return true;
}

bool DiscBurning::ReadyForWriting(int writer) const {
  brennock::DeviceStatus status;
  return Status(writer, status) && status.ready && status.writable &&
         (status.media_type & brennock::kDvdMediaMask);
}

bool DiscBurning::ReadyForErasing(int writer) const {
  brennock::DeviceStatus status;
  return Status(writer, status) && status.ready && status.erasable &&
         (status.media_type & brennock::kDvdMediaMask);
}

void DiscBurning::Eject(int writer) {
  if (brennock::Device* device = DeviceOf(writer)) device->Eject();
}

void DiscBurning::Load(int writer) {
  if (brennock::Device* device = DeviceOf(writer)) device->Load();
}

void DiscBurning::EjectOrLoad(int writer) {
  brennock::Device* device = DeviceOf(writer);
  if (!device) return;
  if (g_tray_open)
    device->Load();
  else
    device->Eject();
  g_tray_open = !g_tray_open;
}

bool DiscBurning::Erase(int writer, bool from_burn) {
  brennock::Device* device = DeviceOf(writer);
  host_.Percent(0);
  if (!device || !ReadyForErasing(writer)) {
    platform::MessageBox(platform::kNoWindow, "Device is not ready!", "Warning",
                         platform::kMbOk | platform::kMbIconWarning);
    return false;
  }
  brennock::Recorder* recorder = device->GetRecorder();
  if (!recorder) return false;
  busy_ = true;
  cancelled_ = false;
  std::int32_t result = brennock::kBurnFailed;
  {
    InCall call(in_call_);
    result = recorder->Erase(1, this);
  }
  const bool erased = result == brennock::kBurnOk;
  // Within a burn the disc stays in for the burn that follows.
  if (erased && !from_burn) device->Eject();
  if (!from_burn || !erased)
    platform::MessageBox(platform::kNoWindow, erased ? "DVD Erasing succeed!" : "DVD Erasing fail!",
                         "DVD Erasing finished", platform::kMbOk);
  host_.Percent(0);
  busy_ = false;
  return erased;
}

bool DiscBurning::Burn(int writer, const std::string& folder, const std::string& label) {
  brennock::Device* device = DeviceOf(writer);
  auto stop = [](const char* why) {
    platform::MessageBox(platform::kNoWindow, why, "DVD burning finished",
                         platform::kMbOk | platform::kMbIconWarning);
    return false;
  };
  if (!device) return stop("Device is not ready!");
  host_.Percent(0);
  brennock::DeviceInformation info;
  if (!device->Information(&info)) return stop("Device is not ready!");

  brennock::DeviceStatus status;
  Status(writer, status);
  if (status.has_data) {
    const int answer = platform::MessageBox(
        platform::kNoWindow, "The disc is not a blank one, Do you want to erase the disc?",
        "Information", platform::kMbYesNo | platform::kMbIconInformation);
    if (answer != platform::kIdYes) return false;
    // An erase that failed or was aborted ends the burn too.
    if (!Erase(writer, true) || cancelled_) return false;
  }
  while (!ReadyForWriting(writer)) {
    const int answer = platform::MessageBox(
        platform::kNoWindow, "Please insert a DVD writable disc, and then press OK.", "Information",
        platform::kMbOkCancel | platform::kMbIconInformation);
    if (answer != platform::kIdOk) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  }
  brennock::Recorder* recorder = device->GetRecorder();
  if (!recorder) return stop("Device is not ready!");

  busy_ = true;
  cancelled_ = false;
  host_.Status("DVD burning ...");
  brennock::BurnRequest request;
  request.folder = folder.c_str();
  request.label = label.c_str();
  std::int32_t result = brennock::kBurnFailed;
  {
    InCall call(in_call_);
    result = recorder->Burn(0, &request, 0, this);
  }
  const bool burned = result == brennock::kBurnOk;
  if (burned) device->Eject();
  platform::MessageBox(platform::kNoWindow, burned ? "DVD burning succeed!" : "DVD burning fail!",
                       "DVD burning finished", platform::kMbOk);
  host_.Percent(0);
  busy_ = false;
  return burned;
}

std::int32_t DiscBurning::Progress(std::uint32_t code, std::uint32_t value, std::uintptr_t,
                                   std::uintptr_t) {
  host_.ProcessEvents();
  if (code == brennock::kProgressPercent) {
    host_.Percent(static_cast<int>(value));
    return 1;
  }
  if (code == brennock::kProgressCancelQuery) {
    const bool cancel = !busy_;
    if (cancel) cancelled_ = true;
    busy_ = true;
    return cancel ? 1 : 0;
  }
  return 1;
}

}  // namespace verosa
