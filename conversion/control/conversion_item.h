// One entry of the conversion list: a source (descriptor of a source kind),
// a target (format of a target kind), the intermediate WAV file between the
// two stages and the destination that conversion writes.
#pragma once

#include <memory>
#include <string>

#include "engine/codec_registry.h"
#include "engine/conversion_progress.h"
#include "engine/property_set.h"

namespace carrowell {

// The folder of this process's intermediate files, inside the user's private
// temporary folder. Empty when it cannot be made.
std::string IntermediateFolder();
// A new intermediate file name in that folder, a different one on every call
// (items may convert at the same time). Empty when the folder cannot be made.
std::string IntermediateFilePath();

class ConversionItem {
 public:
  // Makes the descriptor and the format through the registry; Valid() tells
  // whether that and the intermediate name succeeded.
  ConversionItem(CodecRegistry& registry, int source_kind, int target_kind);
  ConversionItem(const ConversionItem&) = delete;
  ConversionItem& operator=(const ConversionItem&) = delete;

  // Gets both engines and hands them their files. 0 when an engine is missing.
  virtual int Prepare();
  // Prepare with the engines of `engines` (a registry of the item's kinds).
  int PrepareWith(CodecRegistry& engines);
  // Whether the prepared engines may convert while other items convert.
  bool ConvertsConcurrently() const {
    return decoder_ && encoder_ && decoder_->RunsConcurrently() && encoder_->RunsConcurrently();
  }
  // Decodes into the intermediate file, then encodes into the destination.
  // On failure the destination is deleted (when the encoder ran); the
  // intermediate file is deleted in every case. 1 on success.
  virtual int Convert(ConversionProgress& progress);
  virtual ~ConversionItem();
  virtual std::string GetDurationText() const;
  virtual std::string GetTargetDescription() const;
  virtual std::string GetSourceDescription() const;
  virtual int Reserved7() const { return 0; }
  // Shows the target kind's settings dialog and stores confirmed values.
  // Returns the dialog's result; 0 for kinds without a dialog.
  virtual int EditSettings();
  virtual int Reserved9() const { return 0; }

  bool Valid() const { return source_ && target_ && !intermediate_.empty(); }
  int TargetKind() const { return target_kind_; }
  int SourceKind() const { return source_kind_; }
  SourceDescriptor& Source() { return *source_; }
  TargetFormat& Target() { return *target_; }
  const TargetFormat& Target() const { return *target_; }
  const std::string& IntermediateFile() const { return intermediate_; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  const std::string& Destination() const { return destination_; }
  void SetDestination(const std::string& destination) { destination_ = destination; }

 private:
  int target_kind_;
  int source_kind_;
  CodecRegistry* registry_;
  std::unique_ptr<SourceDescriptor> source_;
  std::unique_ptr<TargetFormat> target_;
  std::string intermediate_;
  std::string name_;
  std::string destination_;
  Decoder* decoder_ = nullptr;
  Encoder* encoder_ = nullptr;
};

}  // namespace carrowell
