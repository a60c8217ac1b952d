#include "control/conversion_control.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <numeric>
#include <system_error>
#include <thread>

#include "control/file_errors.h"
#include "core/wav_reader.h"
#include "control/item_sink.h"
#include "engine/media_detector.h"
#include "engine/source_descriptors.h"
#include "engine/wav_target_format.h"
#include "platform/message_box.h"
#include "platform/move_run.h"
#include "platform/paths.h"
#include "ui/conversion_ui.h"
#include "ui/converter_progress.h"
#include "ui/job_progress_display.h"

namespace carrowell {
namespace {

namespace fs = std::filesystem;

// GetItemDuration's text lives here until the next call.
char g_duration_text[64];

const char* KeepDurationText(const std::string& text) {
  std::snprintf(g_duration_text, sizeof g_duration_text, "%s", text.c_str());
  return g_duration_text;
}

std::string FileNamePart(const std::string& path) { return fs::path(path).filename().string(); }

// The recorder's file, beside the converted recordings.
constexpr const char* kRecordingFileName = "MyR1.tmp";

}  // namespace

ConversionControl::ConversionControl(ComponentLibraries libraries)
    : registry_(std::move(libraries)) {}

ConversionControl::~ConversionControl() { items_.clear(); }

bool ConversionControl::InRange(int index) const {
  return index >= 0 && index < static_cast<int>(items_.size());
}

ConversionItem* ConversionControl::Item(int index) {
  return InRange(index) ? items_[static_cast<std::size_t>(index)].get() : nullptr;
}

void ConversionControl::OpenDestinationFolder(int index) {
  if (!InRange(index)) return;
  const fs::path folder = fs::path(Item(index)->Destination()).parent_path();
  std::error_code ec;
  if (!folder.empty() && fs::is_directory(folder, ec)) ActiveConversionUi().OpenFolder(folder.string());
}

int ConversionControl::GetItemCount() { return static_cast<int>(items_.size()); }

int ConversionControl::ConvertItems(const int* indices, int count) {
  if (converting_ || count < 0 || (count > 0 && indices == nullptr)) return 0;
  ConversionUi& ui = ActiveConversionUi();
  const bool ok = ConvertBatch(indices, count, ui.CreateProgressDisplay(), AbortQuestion::Ask);
  ui.Beep(ok ? BeepKind::Default : BeepKind::Error);
  return ok ? 1 : 0;
}

int ConversionControl::ConvertItemsInJob(const int* indices, int count, core::JobHost& host) {
  if (converting_ || count < 0 || (count > 0 && indices == nullptr)) return 0;
  const bool ok =
      ConvertBatch(indices, count, std::make_unique<JobProgressDisplay>(host), AbortQuestion::DontAsk);
  host.Finished(ok);
  return ok ? 1 : 0;
}

bool ConversionControl::ConvertBatch(const int* indices, int count, std::unique_ptr<ProgressDisplay> display,
                                     AbortQuestion question) {
  struct Busy {
    explicit Busy(bool& flag) : flag_(flag) { flag_ = true; }
    ~Busy() { flag_ = false; }
    bool& flag_;
  } busy(converting_);
  ConverterProgress progress(std::move(display));
  progress.SetAbortQuestion(question);
  progress.SetItemCount(count);
  progress.PumpMessages();
  const int workers = ConversionWorkers(count);
  if (workers > 1) {
    const bool ok = ConvertInParallel(indices, count, workers, progress);
    progress.Finish();
    return ok;
  }
  bool ok = true;
  for (int i = 0; i < count; ++i) {
    ConversionItem* item = Item(indices[i]);
    if (item == nullptr || !item->Prepare() || !item->Convert(progress)) {
      ok = false;
      break;
    }
    progress.SetFinishedCount(i + 1);
  }
  progress.Finish();
  return ok;
}

CodecRegistry& ConversionControl::WorkerEngines(int worker) {
  if (worker <= 0) return registry_;
  while (static_cast<int>(worker_registries_.size()) < worker)
    worker_registries_.push_back(std::make_unique<CodecRegistry>(registry_.Libraries()));
  return *worker_registries_[static_cast<std::size_t>(worker - 1)];
}

bool ConversionControl::ConvertInParallel(const int* indices, int count, int workers,
                                          ConverterProgress& progress) {
  // One worker converts one item on a thread of its own. Only the calling
  // thread prepares items, touches windows and pumps events; a worker talks
  // to its item's sink alone and says when it is done.
  struct Worker {
    int position = -1;  // in the batch; -1 while idle
    ConversionItem* item = nullptr;
    bool alone = false;  // its engines must not run beside others
    std::unique_ptr<ItemSink> sink;
    std::thread thread;
    bool done = false;  // guarded by `mutex`
    int result = 0;
  };
  std::vector<Worker> pool(static_cast<std::size_t>(workers));
  std::mutex mutex;
  std::condition_variable finished_one;

  int next = 0;            // the next batch position to hand out
  int failed = count;      // the first position that failed
  int finished = 0;
  std::vector<int> converted;  // positions converted in this batch

  const auto busy = [&] {
    return std::count_if(pool.begin(), pool.end(), [](const Worker& w) { return w.position >= 0; });
  };
  // An item must not convert twice at once, nor two items into one file.
  const auto clashes = [&](const ConversionItem* item) {
    return std::any_of(pool.begin(), pool.end(), [&](const Worker& w) {
      return w.position >= 0 && (w.item == item || w.item->Destination() == item->Destination());
    });
  };
  const auto start = [&](Worker& w, int position, ConversionItem* item) {
    w.position = position;
    w.item = item;
    w.alone = !item->ConvertsConcurrently();
    w.sink = std::make_unique<ItemSink>(item->Name());
    w.done = false;
    w.result = 0;
    // A thread the system refuses is a worker that failed at once.
    try {
      w.thread = std::thread([&w, &mutex, &finished_one] {
        int result = 0;
        try {
          result = w.item->Convert(*w.sink);
        } catch (...) {
          result = 0;
        }
        std::lock_guard lock(mutex);
        w.result = result;
        w.done = true;
        finished_one.notify_all();
      });
    } catch (const std::system_error&) {
      std::lock_guard lock(mutex);
      w.done = true;
    }
  };

  // Takes in the workers that are done.
  const auto collect = [&] {
    for (Worker& w : pool) {
      if (w.position < 0) continue;
      {
        std::lock_guard lock(mutex);
        if (!w.done) continue;
      }
      if (w.thread.joinable()) w.thread.join();
      if (w.result != 0) {
        ++finished;
        converted.push_back(w.position);
      } else {
        failed = std::min(failed, w.position);
      }
      w.position = -1;
      w.item = nullptr;
      w.sink.reset();
    }
    progress.SetFinishedCount(finished);
  };
  // An abort stops every item; a failure stops the items after it.
  const auto stop_what_must_stop = [&] {
    if (progress.IsAborted()) failed = std::min(failed, next);
    for (Worker& w : pool)
      if (w.position >= 0 && (progress.IsAborted() || w.position > failed)) w.sink->Abort();
  };

  for (;;) {
    collect();
    stop_what_must_stop();
    // Hand out the next items in list order while nothing has failed.
    for (std::size_t k = 0; k < pool.size(); ++k) {
      Worker& w = pool[k];
      if (w.position >= 0) continue;
      if (next >= count || failed < count || progress.IsAborted()) break;
      if (std::any_of(pool.begin(), pool.end(), [](const Worker& o) { return o.position >= 0 && o.alone; }))
        break;
      ConversionItem* item = Item(indices[next]);
      if (item != nullptr && busy() > 0 && clashes(item)) break;
      if (item == nullptr || !item->PrepareWith(WorkerEngines(static_cast<int>(k)))) {
        failed = next;
        break;
      }
      // Engines that cannot run beside others wait until the rest are done.
      if (!item->ConvertsConcurrently() && busy() > 0) break;
      start(w, next, item);
      ++next;
    }
    if (busy() == 0) break;

    std::vector<const Worker*> running;
    for (const Worker& w : pool)
      if (w.position >= 0) running.push_back(&w);
    std::sort(running.begin(), running.end(),
              [](const Worker* a, const Worker* b) { return a->position < b->position; });
    std::vector<std::string> names;
    std::vector<double> currents;
    for (const Worker* w : running) {
      names.push_back(w->sink->Name());
      currents.push_back(w->sink->Current());
    }
    progress.ShowInFlight(names, currents);
    progress.PumpMessages();
    stop_what_must_stop();

    std::unique_lock lock(mutex);
    finished_one.wait_for(lock, std::chrono::milliseconds(20), [&] {
      return std::any_of(pool.begin(), pool.end(), [](const Worker& w) { return w.position >= 0 && w.done; });
    });
  }
  progress.ShowInFlight({}, {});

  // One item after the other would not have reached the items after a
  // failure: what they wrote in this batch goes.
  for (const int position : converted) {
    if (position <= failed) continue;
    std::error_code ec;
    if (ConversionItem* item = Item(indices[position])) fs::remove(item->Destination(), ec);
  }
  return failed == count;
}

int ConversionControl::ConvertAll() {
  std::vector<int> indices(items_.size());
  std::iota(indices.begin(), indices.end(), 0);
  return ConvertItems(indices.data(), static_cast<int>(indices.size()));
}

int ConversionControl::ChangeDestination(int index, int count) {
  if (!InRange(index)) return 0;
  const auto destination = ActiveConversionUi().ChangeOutputFile(Item(index)->Destination());
  if (!destination) return 0;
  Item(index)->SetDestination(*destination);
  const fs::path folder = fs::path(*destination).parent_path();
  const int end = std::min(GetItemCount(), index + std::max(count, 1));
  for (int i = index + 1; i < end; ++i)
    Item(i)->SetDestination((folder / FileNamePart(Item(i)->Destination())).string());
  return 1;
}

void ConversionControl::EditItemSettings(int index, int count) {
  if (!InRange(index) || Item(index)->EditSettings() != kDialogOk) return;
  const int end = std::min(GetItemCount(), index + std::max(count, 1));
  for (int i = index + 1; i < end; ++i) Item(i)->Target().CopyFrom(Item(index)->Target());
}

void ConversionControl::RemoveItems(int index, int count) {
  if (converting_ || !InRange(index) || count <= 0) return;
  count = std::min(count, GetItemCount() - index);
  items_.erase(items_.begin() + index, items_.begin() + index + count);
}

void ConversionControl::RemoveAllItems() { RemoveItems(0, GetItemCount()); }

bool ConversionControl::DestinationTaken(const std::string& path) const {
  return std::any_of(items_.begin(), items_.end(),
                     [&](const auto& item) { return item->Destination() == path; });
}

std::unique_ptr<ConversionItem> ConversionControl::MakeFileItem(const std::string& path,
                                                                ItemOrigin origin,
                                                                const std::string& folder) {
  auto item = std::make_unique<ConversionItem>(registry_, kSourceMediaFile, new_item_target_kind_);
  if (!item->Valid()) return nullptr;
  item->Source().SetString(MediaFileSource::kPath, path);
  item->Source().SetString(kDescriptionString, FileNamePart(path));
  item->SetName(path);
  const char* extension = new_item_target_kind_ == kTargetMp3 ? ".MP3" : ".WAV";
  const auto taken = [this](const std::string& name) { return DestinationTaken(name); };
  const auto destination = folder.empty()
                               ? MakeDestination(output_folder_, origin, extension, taken)
                               : MakeDestinationIn(folder, origin, extension, taken);
  if (!destination) return nullptr;
  item->SetDestination(*destination);
  item->Target().SetReal(WavTargetFormat::kOutputRate, sample_rate_);
  return item;
}

int ConversionControl::AddFile(const char* path, int after) {
  if (path == nullptr) return 0;
  return AddMediaFile(path, after, ItemOrigin::AddedFile, {});
}

int ConversionControl::AddMediaFile(const std::string& file, int after, ItemOrigin origin,
                                    const std::string& folder) {
  if (converting_) return 0;
  BusyCursor busy;
  if (!HasAudio(file)) {
    ReportFileError(FileErrorCause::InvalidFile, file);
    return 0;
  }
  std::unique_ptr<ConversionItem> item = MakeFileItem(file, origin, folder);
  if (!item) {
    ReportFileError(FileErrorCause::LockViolation, file);
    return 0;
  }
  const int position = after < 0 ? GetItemCount() : std::min(after + 1, GetItemCount());
  items_.insert(items_.begin() + position, std::move(item));
  return 1;
}

int ConversionControl::SetItemName(int index, const char* text) {
  if (!InRange(index) || text == nullptr) return 0;
  ConversionItem* item = Item(index);
  item->SetName(text);
  // A file item's name is its source: the new file is what converts (and
  // what the duration is read from).
  if (item->SourceKind() == kSourceMediaFile) {
    item->Source().SetString(MediaFileSource::kPath, text);
    item->Source().SetString(kDescriptionString, FileNamePart(text));
  }
  return 0;
}

int ConversionControl::MoveItems(int from, int to, int count) {
  if (converting_) return 0;
  return platform::MoveRun(items_, from, to, count) ? 1 : 0;
}

const char* ConversionControl::GetItemName(int index) {
  return InRange(index) ? Item(index)->Name().c_str() : "";
}

const char* ConversionControl::GetItemDestination(int index) {
  return InRange(index) ? Item(index)->Destination().c_str() : "";
}

const char* ConversionControl::GetItemDuration(int index) {
  return KeepDurationText(InRange(index) ? Item(index)->GetDurationText() : "00:00.00");
}

const char* ConversionControl::GetOutputFolder() { return output_folder_.c_str(); }

void ConversionControl::SetOutputFolder(const char* path) { output_folder_ = path ? path : ""; }

double ConversionControl::GetSampleRate() { return sample_rate_; }

void ConversionControl::SetSampleRate(double rate) { sample_rate_ = rate; }

void ConversionControl::ImportAudioCD() {
  if (converting_) return;
  CdRipLibrary library;
  const bool available = library.Load();
  // Ripped songs are kept in the user's data folder, not in the work folder
  // that cleaning empties: a chapter's only copy must not go.
  const fs::path folder = platform::CommonAppDataFolder() / OriginSubFolder(ItemOrigin::CdTrack);
  std::error_code ec;
  fs::create_directories(folder, ec);
  const std::optional<CdImport> chosen =
      ActiveConversionUi().ChooseCdTracks(available ? &library : nullptr, folder.string());
  if (chosen) AddCdTracks(*chosen);
}

int ConversionControl::AddCdTracks(const CdImport& chosen) {
  int added = 0;
  for (const CdTrackChoice& choice : chosen.tracks) {
    auto item = std::make_unique<ConversionItem>(registry_, kSourceCdTrack, kTargetPcmWav);
    if (!item->Valid()) return added;
    PropertySet& source = item->Source();
    source.SetInt(CdTrackSource::kDrive, choice.drive);
    source.SetInt(CdTrackSource::kTrack, choice.track.number);
    source.SetString(CdTrackSource::kName, choice.name);
    source.SetInt2(CdTrackSource::kFirstSector, choice.track.first);
    source.SetInt2(CdTrackSource::kLastSector, choice.track.last);
    item->SetName(choice.name);
    const auto destination = MakeDestinationIn(
        chosen.directory, ItemOrigin::CdTrack, ".WAV",
        [this](const std::string& name) { return DestinationTaken(name); }, choice.name);
    if (!destination) {
      ReportFileError(FileErrorCause::LockViolation, chosen.directory);
      return added;
    }
    item->SetDestination(*destination);
    item->Target().SetReal(WavTargetFormat::kOutputRate, sample_rate_);
    items_.push_back(std::move(item));
    ++added;
  }
  return added;
}

void ConversionControl::BrowseAndAddFiles() {
  FileBrowseRequest request;
  request.title = kBrowseTitle;
  request.filters = {{kSupportedFilesText, kSupportedFilesPattern},
                     {kAllFilesText, kAllFilesPattern}};
  request.initial_folder = last_browse_folder_;
  const auto selection = ActiveConversionUi().BrowseForFiles(request);
  if (!selection) return;
  last_browse_folder_ = selection->folder;
  for (const std::string& file : selection->files) AddFile(file.c_str(), -1);
}

void ConversionControl::RecordAudio() {
  if (converting_) return;
  // Recordings live in the user's data folder, as ripped songs do, not in
  // the work folder that cleaning empties.
  const fs::path folder = platform::CommonAppDataFolder() / OriginSubFolder(ItemOrigin::Recording);
  std::error_code ec;
  fs::create_directories(folder, ec);
  const std::string recording = (folder / kRecordingFileName).string();
  const bool saved = ActiveConversionUi().RunRecorder(recording);
  // The recording is only the source of the item: it never outlives this call.
  struct RemoveRecording {
    const std::string& path;
    ~RemoveRecording() {
      std::error_code error;
      fs::remove(path, error);
    }
  } remove{recording};
  if (!saved) return;
  // A recording without samples adds nothing.
  const auto layout = core::ReadWavLayout(recording);
  if (!layout || layout->Frames() == 0) return;
  if (!AddMediaFile(recording, -1, ItemOrigin::Recording, folder.string())) return;
  int last = GetItemCount() - 1;
  if (!ChangeDestination(last, 1) || !ConvertItems(&last, 1)) RemoveItems(last, 1);
}

void ConversionControl::SetNewItemTargetKind(int kind) {
  if (kind == kTargetPcmWav || kind == kTargetMp3) new_item_target_kind_ = kind;
}

}  // namespace carrowell
