#include "control/conversion_item.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "engine/wav_file.h"
#include "platform/paths.h"

namespace carrowell {
namespace {

namespace fs = std::filesystem;

// A fixed prefix and a unique number from 291 (hex 123) on, as classic
// temporary file names.
constexpr const char* kIntermediatePrefix = "CVT";
constexpr unsigned kFirstIntermediateNumber = 0x123;
std::atomic<unsigned> g_next_intermediate{kFirstIntermediateNumber};

void RemoveIfPresent(const std::string& path) {
  std::error_code ec;
  if (!path.empty()) fs::remove(path, ec);
}

}  // namespace

// Inside the user's private folder, one sub-folder per process, so that two
// programs converting at once never share an intermediate file.
std::string IntermediateFolder() {
  const fs::path base = platform::PrivateTempFolder();
  if (base.empty()) return {};
  const fs::path folder = base / ("process-" + std::to_string(::getpid()));
  std::error_code ec;
  fs::create_directory(folder, ec);
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
  return folder.string();
}

std::string IntermediateFilePath() {
  const std::string folder = IntermediateFolder();
  if (folder.empty()) return {};
  char name[32];
  std::snprintf(name, sizeof name, "%s%X.TMP", kIntermediatePrefix, g_next_intermediate++);
  return (fs::path(folder) / name).string();
}

ConversionItem::ConversionItem(CodecRegistry& registry, int source_kind, int target_kind)
    : target_kind_(target_kind),
      source_kind_(source_kind),
      registry_(&registry),
      source_(registry.CreateSourceDescriptor(source_kind)),
      target_(registry.CreateTargetFormat(target_kind)),
      intermediate_(IntermediateFilePath()) {}

ConversionItem::~ConversionItem() = default;

int ConversionItem::Prepare() { return PrepareWith(*registry_); }

int ConversionItem::PrepareWith(CodecRegistry& engines) {
  decoder_ = engines.GetDecoder(source_kind_);
  if (decoder_ == nullptr) return 0;
  encoder_ = engines.GetEncoder(target_kind_);
  if (encoder_ == nullptr) return 0;
  decoder_->SetDescriptor(source_.get());
  encoder_->SetDescriptor(target_.get());
  // A file left by an interrupted run must not be taken for this one's.
  RemoveIfPresent(intermediate_);
  decoder_->SetInput(name_);
  decoder_->SetOutput(intermediate_);
  encoder_->SetInput(intermediate_);
  encoder_->SetOutput(destination_);
  return 1;
}

int ConversionItem::Convert(ConversionProgress& progress) {
  if (decoder_ == nullptr || encoder_ == nullptr) return 0;
  bool ok = decoder_->Run(progress) != 0;
  // Only a complete intermediate file goes on to the encoder.
  if (ok) {
    const auto decoded = ReadWavInfo(intermediate_);
    ok = decoded && decoded->IsComplete();
  }
  bool encoded = false;
  if (ok) {
    encoded = true;
    ok = encoder_->Run(progress) != 0;
  }
  // The destination is only ours to delete once the encoder has written to it.
  if (!ok && encoded) RemoveIfPresent(destination_);
  RemoveIfPresent(intermediate_);
  return ok ? 1 : 0;
}

std::string ConversionItem::GetDurationText() const {
  return source_ ? source_->String(kDurationString, "00:00.00") : "00:00.00";
}

std::string ConversionItem::GetTargetDescription() const {
  return target_ ? target_->String(kDescriptionString) : std::string();
}

std::string ConversionItem::GetSourceDescription() const {
  return source_ ? source_->String(kDescriptionString) : std::string();
}

int ConversionItem::EditSettings() {
  SettingsDialog* dialog = registry_->GetSettingsDialog(target_kind_);
  if (dialog == nullptr || !target_) return 0;
  dialog->Load(*target_);
  const int result = dialog->Show();
  if (result == kDialogOk) dialog->Store(*target_);
  return result;
}

}  // namespace carrowell
