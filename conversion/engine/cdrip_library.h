// The CD reading component (CDRip), loaded by name, and what the CD import
// and the CD track decoder read through it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cdrip/cdrip.h"
#include "platform/module.h"

namespace carrowell {

// One entry of a disc's table of contents.
struct CdTrack {
  int number = 0;        // on the disc, from 1
  std::int32_t first = 0;
  std::int32_t last = 0;  // the track's own last sector
  bool audio = false;
  // Sectors and bytes of the track as a 44.1 kHz 16-bit stereo WAV.
  std::int64_t Sectors() const { return std::int64_t{last} - first + 1; }
  std::int64_t Bytes() const { return Sectors() * CR_SECTOR_BYTES; }
};

// A track chosen for import, and what the Audio CD dialog hands back.
struct CdTrackChoice {
  int drive = 0;
  CdTrack track;
  std::string name;  // "Track 02"
};
struct CdImport {
  std::string directory;  // where the WAV files go
  std::vector<CdTrackChoice> tracks;
};

class CdRipLibrary {
 public:
  CdRipLibrary() = default;
  ~CdRipLibrary();
  CdRipLibrary(const CdRipLibrary&) = delete;
  CdRipLibrary& operator=(const CdRipLibrary&) = delete;

  // Loads and initialises the component; false (Error() says why) when it
  // is missing or cannot start.
  bool Load();
  bool Loaded() const { return init_ != nullptr; }
  const std::string& Error() const { return error_; }

  // The drives' display names, in the component's order.
  std::vector<std::string> Drives() const;
  void SetDrive(int index) const;
  int Drive() const;
  // The current disc's tracks; empty when no disc can be read.
  std::vector<CdTrack> ReadTracks() const;

  // The component's functions, for the ripper.
  decltype(&CR_OpenRipper) open_ripper = nullptr;
  decltype(&CR_RipChunk) rip_chunk = nullptr;
  decltype(&CR_CloseRipper) close_ripper = nullptr;

 private:
  platform::Module module_;
  std::string error_;
  decltype(&CR_Init) init_ = nullptr;
  decltype(&CR_DeInit) deinit_ = nullptr;
  decltype(&CR_GetNumCDROM) drive_count_ = nullptr;
  decltype(&CR_SetActiveCDROM) set_drive_ = nullptr;
  decltype(&CR_GetActiveCDROM) get_drive_ = nullptr;
  decltype(&CR_GetCDROMParameters) drive_parameters_ = nullptr;
  decltype(&CR_ReadToc) read_toc_ = nullptr;
  decltype(&CR_GetNumTocEntries) toc_count_ = nullptr;
  decltype(&CR_GetTocEntry) toc_entry_ = nullptr;
};

}  // namespace carrowell
