// Carrowell: the audio conversion library.
//
// Its public surface is two exported functions and one object. The program
// creates one ConversionCtrl at start-up, sets the output (work) folder and
// the sample rate of the disc, adds items (media files, CD tracks,
// recordings), reads back their names, durations and destinations, and lets
// the output job convert items into PCM WAV files.
//
//   carrowell::ConversionCtrl* ctrl = CreateCarrowellCtrl();
//   ctrl->SetOutputFolder(work_folder);      // holds "temp", "CD2WAV", "REC2WAV"
//   ctrl->SetSampleRate(48000.0);
//   ctrl->AddFile("/music/song.mp3", -1);    // appends; a file error names the path
//   int index = 0;
//   ctrl->ConvertItems(&index, 1);           // progress window, 1 when all converted
//   ctrl->ConvertItemsInJob(&index, 1, host); // a step of the caller's job
//   std::string wav = ctrl->GetItemDestination(0);
//   ctrl->RemoveAllItems();
//   DeleteCarrowellCtrl(ctrl);
//
// Every operation runs on the caller's (user-interface) thread; a batch of
// several items converts them on worker threads (one per core, or
// VEROSA_CONVERT_WORKERS) while that thread shows the progress and pumps its
// events. Texts the control returns stay owned by it and are to be copied at
// once.
#pragma once

#include "core/job_observer.h"

#define CARROWELL_API __attribute__((visibility("default")))

namespace carrowell {
class ConversionCtrl;
}

extern "C" {
// A new control, or null when it cannot be made.
CARROWELL_API carrowell::ConversionCtrl* CreateCarrowellCtrl();
// Destroys the control with all its items and engines. Accepts null.
CARROWELL_API void DeleteCarrowellCtrl(carrowell::ConversionCtrl* ctrl);
}

namespace carrowell {

// The kinds of target formats that items can be converted to.
inline constexpr int kTargetPcmWav = 100;
inline constexpr int kTargetMp3 = 101;

// The conversion control. Item indices are zero-based positions in the item
// list; a count is a number of consecutive items. Out-of-range indices make
// an operation do nothing.
class ConversionCtrl {
 public:
  // Opens the folder of the item's destination in the desktop's file manager.
  virtual void OpenDestinationFolder(int index) = 0;
  virtual int GetItemCount() = 0;
  // Converts the listed items in order with the progress window; stops at
  // the first failure. 1 when all were converted, else 0. Several workers
  // give the same result: items after a failed one end unconverted.
  virtual int ConvertItems(const int* indices, int count) = 0;
  virtual int ConvertAll() = 0;
  // Lets the user choose a new destination for the item; the following
  // count - 1 items move into the same folder. 0 when cancelled.
  virtual int ChangeDestination(int index, int count) = 0;
  // Shows the settings of the item's target format (MP3 only) and copies
  // confirmed settings into the following count - 1 items.
  virtual void EditItemSettings(int index, int count) = 0;
  // Removes count items from index (cut at the list end).
  virtual void RemoveItems(int index, int count) = 0;
  virtual void RemoveAllItems() = 0;
  // Adds a media file after item `after` (-1 appends). 1 when added; a file
  // without audio is reported to the user and gives 0.
  virtual int AddFile(const char* path, int after) = 0;
  // Replaces the item's name (for a file item: its source path). Returns 0.
  virtual int SetItemName(int index, const char* text) = 0;
  // Moves the run of count items at `from` to stand right after the item
  // that was at `to`. 0 and nothing moved when the move is not possible.
  virtual int MoveItems(int from, int to, int count) = 0;
  virtual const char* GetItemName(int index) = 0;
  virtual const char* GetItemDestination(int index) = 0;
  // "hh:mm:ss.cc" (hundredths for files, CD frames for tracks), "00:00.00"
  // when unknown. One buffer for the whole library: the next call replaces it.
  virtual const char* GetItemDuration(int index) = 0;
  virtual const char* GetOutputFolder() = 0;
  // Root of the destinations of items added afterwards.
  virtual void SetOutputFolder(const char* path) = 0;
  virtual double GetSampleRate() = 0;
  // Output sample rate of items added afterwards (48000 or 96000).
  virtual void SetSampleRate(double rate) = 0;
  virtual void ImportAudioCD() = 0;
  // Lets the user choose media files and adds each of them.
  virtual void BrowseAndAddFiles() = 0;
  virtual void RecordAudio() = 0;
  // ConvertItems as a step of the caller's job, which shows the progress:
  // no progress window and no beep. The batch reports to `host` (percent:
  // the batch, sub-percent: the current file, status: "Converting:" and the
  // file's name, Finished at its end), hands it the waiting events at every
  // step, and stops without a question once host.Cancelled() is true. With
  // several workers the status names every file in flight and the
  // sub-percent is their mean. 1 when all were converted, else 0.
  virtual int ConvertItemsInJob(const int* indices, int count, core::JobHost& host) = 0;

 protected:
  // Destroyed through DeleteCarrowellCtrl only.
  virtual ~ConversionCtrl() = default;
  friend void ::DeleteCarrowellCtrl(ConversionCtrl* ctrl);
};

}  // namespace carrowell
