// The progress sink of one item converting on a worker thread. The engines
// report into it on their thread; the calling thread reads what it shows and
// asks it to abort. It never reaches a window itself.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "engine/conversion_progress.h"

namespace carrowell {

// Workers for a batch of `count` items: VEROSA_CONVERT_WORKERS when it holds
// a positive number, else one per core; never more than the items, at least 1.
int ConversionWorkers(int count);

class ItemSink : public ConversionProgress {
 public:
  // `name` is shown until the decoder names the file.
  explicit ItemSink(std::string name) : name_(std::move(name)) {}

  void SetCurrentFile(const char* path) override;
  int SetDecodeRange(std::int64_t low, std::int64_t high) override;
  int SetDecodePosition(std::int64_t position) override;
  void SetCurrentFileName(const char* path) override { SetCurrentFile(path); }
  int SetEncodeRange(std::int64_t low, std::int64_t high) override;
  int SetEncodePosition(std::int64_t position) override;
  int IsAborted() override { return aborted_.load(std::memory_order_relaxed) ? 1 : 0; }
  // The calling thread pumps the events; a worker has none.
  void PumpMessages() override {}

  // From the calling thread.
  void Abort() { aborted_.store(true, std::memory_order_relaxed); }
  // The item's file bar, 0..1000: decoding fills the first half.
  double Current() const { return current_.load(std::memory_order_relaxed); }
  std::string Name() const;

 private:
  mutable std::mutex name_mutex_;
  std::string name_;
  // Only the worker reads and writes the spans.
  double decode_span_ = 1.0;
  double encode_span_ = 1.0;
  std::atomic<double> current_{0.0};
  std::atomic<bool> aborted_{false};
};

}  // namespace carrowell
