// Creates the property objects and engines of every kind by number, and
// keeps the engines (and settings dialogs) for the life of the control.
//
//   source kinds  0 CD track, 4 media file, 5 nothing
//   target kinds  100 PCM WAV (resampler), 101 MP3 (lame_enc)
#pragma once

#include <array>
#include <memory>
#include <string>

#include "engine/engine.h"
#include "engine/property_set.h"
#include "engine/settings_dialog.h"

namespace carrowell {

// The component libraries the engines load.
struct ComponentLibraries {
  std::string dx2wav = "Dx2Wav.dll";
  std::string resample = "Resample.dll";
  std::string lame_enc = "lame_enc.dll";
};

class CodecRegistry {
 public:
  // Kinds index tables of this size; larger kinds have nothing.
  static constexpr int kTableSize = 260;

  explicit CodecRegistry(ComponentLibraries libraries = {});
  CodecRegistry(const CodecRegistry&) = delete;
  CodecRegistry& operator=(const CodecRegistry&) = delete;

  // The settings dialog of a target kind, made on first request and kept.
  // Only MP3 (101) has one.
  virtual SettingsDialog* GetSettingsDialog(int target_kind);
  // Settings dialogs of source kinds: there are none.
  virtual SettingsDialog* GetSourceSettingsDialog(int source_kind);
  // Releases and destroys every engine, then the dialogs.
  virtual ~CodecRegistry();
  // New objects owned by the caller; null for unknown kinds.
  virtual std::unique_ptr<TargetFormat> CreateTargetFormat(int kind);
  virtual std::unique_ptr<SourceDescriptor> CreateSourceDescriptor(int kind);
  // The kind's engine, made and initialised on first request and kept. When
  // Init fails the engine is dropped and the next request tries again.
  virtual Encoder* GetEncoder(int kind);
  virtual Decoder* GetDecoder(int kind);

  const ComponentLibraries& Libraries() const { return libraries_; }

 private:
  template <typename T>
  using Table = std::array<std::unique_ptr<T>, kTableSize>;

  std::unique_ptr<Encoder> MakeEncoder(int kind) const;
  std::unique_ptr<Decoder> MakeDecoder(int kind) const;

  ComponentLibraries libraries_;
  Table<Encoder> encoders_;
  Table<Decoder> decoders_;
  Table<SettingsDialog> target_dialogs_;
  Table<SettingsDialog> source_dialogs_;
};

}  // namespace carrowell
