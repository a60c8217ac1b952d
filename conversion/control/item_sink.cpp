#include "control/item_sink.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace carrowell {

int ConversionWorkers(int count) {
  int workers = static_cast<int>(std::thread::hardware_concurrency());
  if (const char* text = std::getenv("VEROSA_CONVERT_WORKERS")) {
    char* end = nullptr;
    const long wanted = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && wanted > 0) workers = static_cast<int>(std::min(wanted, 256L));
  }
  return std::clamp(workers, 1, std::max(count, 1));
}

void ItemSink::SetCurrentFile(const char* path) {
  std::lock_guard lock(name_mutex_);
  name_ = path ? path : "";
}

std::string ItemSink::Name() const {
  std::lock_guard lock(name_mutex_);
  return name_;
}

int ItemSink::SetDecodeRange(std::int64_t low, std::int64_t high) {
  if (high < low) return 0;
  decode_span_ = static_cast<double>(high - low);
  return 1;
}

int ItemSink::SetEncodeRange(std::int64_t low, std::int64_t high) {
  if (high < low) return 0;
  encode_span_ = static_cast<double>(high - low);
  return 1;
}

int ItemSink::SetDecodePosition(std::int64_t position) {
  const double part = decode_span_ > 0 ? static_cast<double>(position) / decode_span_ : 0.0;
  current_.store(std::clamp(part * 500, 0.0, 1000.0), std::memory_order_relaxed);
  return 1;
}

int ItemSink::SetEncodePosition(std::int64_t position) {
  const double part = encode_span_ > 0 ? static_cast<double>(position) / encode_span_ : 0.0;
  current_.store(std::clamp((part + 1) * 500, 0.0, 1000.0), std::memory_order_relaxed);
  return 1;
}

}  // namespace carrowell
