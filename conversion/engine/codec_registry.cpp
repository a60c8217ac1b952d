#include "engine/codec_registry.h"

#include "carrowell/conversion_ctrl.h"
#include "engine/cd_rip_decoder.h"
#include "engine/dx2wav_decoder.h"
#include "engine/lame_encoder.h"
#include "engine/mp3_target_format.h"
#include "engine/resample_encoder.h"
#include "engine/source_descriptors.h"
#include "engine/wav_target_format.h"
#include "ui/mp3_settings.h"

namespace carrowell {
namespace {

bool InTable(int kind) { return kind >= 0 && kind < CodecRegistry::kTableSize; }

// Returns the cached engine, or makes and initialises a new one.
template <typename T, typename Make>
T* CachedEngine(std::unique_ptr<T>& slot, Make make) {
  if (slot) return slot.get();
  std::unique_ptr<T> engine = make();
  if (!engine) return nullptr;
  if (!engine->Init()) {
    engine->Release();
    return nullptr;
  }
  slot = std::move(engine);
  return slot.get();
}

}  // namespace

CodecRegistry::CodecRegistry(ComponentLibraries libraries) : libraries_(std::move(libraries)) {}

CodecRegistry::~CodecRegistry() {
  for (auto& engine : encoders_) {
    if (engine) engine->Release();
    engine.reset();
  }
  for (auto& engine : decoders_) {
    if (engine) engine->Release();
    engine.reset();
  }
  for (auto& dialog : target_dialogs_) dialog.reset();
  for (auto& dialog : source_dialogs_) dialog.reset();
}

SettingsDialog* CodecRegistry::GetSettingsDialog(int target_kind) {
  if (!InTable(target_kind)) return nullptr;
  auto& slot = target_dialogs_[static_cast<std::size_t>(target_kind)];
  if (!slot && target_kind == kTargetMp3) slot = std::make_unique<Mp3SettingsDialog>();
  return slot.get();
}

SettingsDialog* CodecRegistry::GetSourceSettingsDialog(int source_kind) {
  if (!InTable(source_kind)) return nullptr;
  return source_dialogs_[static_cast<std::size_t>(source_kind)].get();
}

std::unique_ptr<TargetFormat> CodecRegistry::CreateTargetFormat(int kind) {
  if (kind == kTargetPcmWav) return std::make_unique<WavTargetFormat>();
  if (kind == kTargetMp3) return std::make_unique<Mp3TargetFormat>();
  return nullptr;
}

std::unique_ptr<SourceDescriptor> CodecRegistry::CreateSourceDescriptor(int kind) {
  switch (kind) {
    case kSourceCdTrack: return std::make_unique<CdTrackSource>();
    case kSourceMediaFile: return std::make_unique<MediaFileSource>();
    case kSourceNull: return std::make_unique<NullSource>();
    default: return nullptr;
  }
}

std::unique_ptr<Encoder> CodecRegistry::MakeEncoder(int kind) const {
  if (kind == kTargetPcmWav) return std::make_unique<ResampleEncoder>(libraries_.resample);
  if (kind == kTargetMp3) return std::make_unique<LameEncoder>(libraries_.lame_enc);
  return nullptr;
}

std::unique_ptr<Decoder> CodecRegistry::MakeDecoder(int kind) const {
  if (kind == kSourceMediaFile) return std::make_unique<Dx2WavDecoder>(libraries_.dx2wav);
  if (kind == kSourceNull) return std::make_unique<NullDecoder>();
  if (kind == kSourceCdTrack) return std::make_unique<CdRipDecoder>();
  return nullptr;
}

Encoder* CodecRegistry::GetEncoder(int kind) {
  if (!InTable(kind)) return nullptr;
  return CachedEngine(encoders_[static_cast<std::size_t>(kind)], [&] { return MakeEncoder(kind); });
}

Decoder* CodecRegistry::GetDecoder(int kind) {
  if (!InTable(kind)) return nullptr;
  return CachedEngine(decoders_[static_cast<std::size_t>(kind)], [&] { return MakeDecoder(kind); });
}

}  // namespace carrowell
