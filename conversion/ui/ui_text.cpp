#include "ui/ui_text.h"

#include <atomic>

namespace carrowell {
namespace {
std::atomic<UiTextSource> g_source{nullptr};
}  // namespace

void SetUiTextSource(UiTextSource source) { g_source.store(source); }
UiTextSource GetUiTextSource() { return g_source.load(); }

}  // namespace carrowell
