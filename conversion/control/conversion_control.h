// The conversion control: the item list, the output folder and sample rate
// of new items, and the commands that add and convert items.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "carrowell/conversion_ctrl.h"
#include "control/conversion_item.h"
#include "control/destination_names.h"
#include "engine/codec_registry.h"
#include "ui/converter_progress.h"

namespace carrowell {

struct CdImport;

inline constexpr const char* kBrowseTitle = "Select Music Files";
// Beside the classic list, the formats a Linux music collection holds
// (FLAC, Ogg, Opus, AAC, ...), which the decoder reads as well.
inline constexpr const char* kSupportedFilesText =
    "Supported Files(*.mp3;*.wav;*.snd;*.au;*.aif;*.aifc;*.aiff;*.wma;*.avi;*.wmv;*.mpg;*.mpeg;"
    "*.vob;*.flac;*.ogg;*.opus;*.m4a)";
inline constexpr const char* kSupportedFilesPattern =
    "*.mp3;*.wav;*.snd;*.au;*.aif;*.aifc;*.aiff;*.wma;*.avi;*.wmv;*.mpg;*.mpeg;*.vob;*.rm;*.rmvb"
    ";*.flac;*.ogg;*.oga;*.opus;*.m4a;*.aac;*.ape;*.wv;*.mka";
inline constexpr const char* kAllFilesText = "All Files (*.*)";
inline constexpr const char* kAllFilesPattern = "*.*";

class ConversionControl : public ConversionCtrl {
 public:
  explicit ConversionControl(ComponentLibraries libraries = {});
  ~ConversionControl() override;

  void OpenDestinationFolder(int index) override;
  int GetItemCount() override;
  int ConvertItems(const int* indices, int count) override;
  int ConvertAll() override;
  int ChangeDestination(int index, int count) override;
  void EditItemSettings(int index, int count) override;
  void RemoveItems(int index, int count) override;
  void RemoveAllItems() override;
  int AddFile(const char* path, int after) override;
  int SetItemName(int index, const char* text) override;
  int MoveItems(int from, int to, int count) override;
  const char* GetItemName(int index) override;
  const char* GetItemDestination(int index) override;
  const char* GetItemDuration(int index) override;
  const char* GetOutputFolder() override;
  void SetOutputFolder(const char* path) override;
  double GetSampleRate() override;
  void SetSampleRate(double rate) override;
  void ImportAudioCD() override;
  // Items for the chosen tracks, ripped into the chosen folder under their
  // names; how many were added.
  int AddCdTracks(const CdImport& chosen);
  void BrowseAndAddFiles() override;
  void RecordAudio() override;
  int ConvertItemsInJob(const int* indices, int count, core::JobHost& host) override;

  // Target kind of items added afterwards: kTargetPcmWav (the default) or
  // kTargetMp3. MP3 destinations end in ".MP3".
  void SetNewItemTargetKind(int kind);
  int NewItemTargetKind() const { return new_item_target_kind_; }
  // The item at `index`, null when out of range.
  ConversionItem* Item(int index);
  CodecRegistry& Registry() { return registry_; }
  const std::string& LastBrowseFolder() const { return last_browse_folder_; }

 private:
  bool InRange(int index) const;
  // A new media-file item for `path`, null when it cannot be made.
  // Its destination goes into `folder`, or into the output folder's
  // sub-folder of `origin` when `folder` is empty.
  std::unique_ptr<ConversionItem> MakeFileItem(const std::string& path, ItemOrigin origin,
                                               const std::string& folder);
  // AddFile for an item of `origin`; 1 when added.
  int AddMediaFile(const std::string& file, int after, ItemOrigin origin, const std::string& folder);
  bool DestinationTaken(const std::string& path) const;
  // The batch of ConvertItems and ConvertItemsInJob, shown on `display`.
  bool ConvertBatch(const int* indices, int count, std::unique_ptr<ProgressDisplay> display,
                    AbortQuestion question);
  // The batch on `workers` threads, with the same outcome as one item after
  // the other: it stops at the first failure, and items after the failed one
  // end unconverted.
  bool ConvertInParallel(const int* indices, int count, int workers, ConverterProgress& progress);
  // The engines of worker `worker`: worker 0 uses the control's own.
  CodecRegistry& WorkerEngines(int worker);

  std::vector<std::unique_ptr<ConversionItem>> items_;
  CodecRegistry registry_;
  // Engines of the further workers, kept like the control's own.
  std::vector<std::unique_ptr<CodecRegistry>> worker_registries_;
  std::string output_folder_;
  double sample_rate_ = 48000.0;
  std::string last_browse_folder_;
  int new_item_target_kind_ = kTargetPcmWav;
  // Set while a batch converts: the list must not change under it.
  bool converting_ = false;
};

}  // namespace carrowell
