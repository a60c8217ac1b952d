// Disc burning for the Output page: the burning component (Brennock), its
// engines and the writers among their devices, the writer's readiness, the
// tray, and the erase and burn flows with their questions and messages. It
// holds no widgets: progress goes to a core::JobHost, questions through
// platform::MessageBox. Burn and erase are synchronous; the progress sink
// lets the host handle its events at every callback, and Cancel is answered
// at the recorder's next cancel query.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "brennock/brennock.h"
#include "core/job_observer.h"

namespace verosa {

class BurnerHolder;

class DiscBurning : public brennock::ProgressSink {
 public:
  struct Writer {
    std::string name;
    int device = 0;  // the device number of the selected engine
  };

  explicit DiscBurning(core::JobHost& host);
  ~DiscBurning();
  DiscBurning(const DiscBurning&) = delete;
  DiscBurning& operator=(const DiscBurning&) = delete;

  // Loads the burning component by name and reads its engines. False (no
  // engines, no writers) when it cannot be loaded.
  bool Load(const std::string& name = "Brennock");
  const std::vector<std::string>& Engines() const { return engines_; }
  // Selects an engine and lists its devices that can write DVDs.
  void SelectEngine(int index);
  const std::vector<Writer>& Writers() const { return writers_; }

  bool ReadyForWriting(int writer) const;
  bool ReadyForErasing(int writer) const;
  void Eject(int writer);
  void Load(int writer);
  // Opens the tray on the first call, closes it on the next, and so on.
  void EjectOrLoad(int writer);

  // The Erase button (`from_burn`: the question of a burn onto a used disc,
  // which leaves the tray closed). True when the disc was erased.
  bool Erase(int writer, bool from_burn = false);
  // Burns a DVD folder: asks before erasing a used disc, waits for a
  // writable disc, burns, and says how it went. True on success.
  bool Burn(int writer, const std::string& folder, const std::string& label);

  // A burn or erase is running (until its call has returned).
  bool IsBusy() const { return busy_ || in_call_; }
  // The user cancelled: the recorder's next cancel query reports it.
  void Cancel() { busy_ = false; }
  bool Cancelled() const { return cancelled_; }

  // brennock::ProgressSink
  std::int32_t Progress(std::uint32_t code, std::uint32_t value, std::uintptr_t,
                        std::uintptr_t) override;

 private:
  brennock::Device* DeviceOf(int writer) const;
  bool Status(int writer, brennock::DeviceStatus& status) const;

  core::JobHost& host_;
  std::unique_ptr<BurnerHolder> holder_;
  std::vector<std::string> engines_;
  std::vector<Writer> writers_;
  bool busy_ = false;     // DiscBusy
  bool in_call_ = false;  // inside the recorder's erase or burn
  bool cancelled_ = false;
  bool tray_open_ = false;
};

}  // namespace verosa
