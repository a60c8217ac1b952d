#include "engine/cdrip_library.h"


namespace carrowell {

CdRipLibrary::~CdRipLibrary() {
  if (deinit_) deinit_();
}

bool CdRipLibrary::Load() {
  if (Loaded()) return true;
  if (!module_.Load("CDRip")) {
    error_ = module_.Error();
    return false;
  }
  auto resolve = [this](auto& function, const char* name) {
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(module_.Symbol(name));
    return function != nullptr;
  };
  decltype(&CR_Init) init = nullptr;
  const bool all = resolve(init, "CR_Init") && resolve(deinit_, "CR_DeInit") &&
                   resolve(drive_count_, "CR_GetNumCDROM") && resolve(set_drive_, "CR_SetActiveCDROM") &&
                   resolve(get_drive_, "CR_GetActiveCDROM") &&
                   resolve(drive_parameters_, "CR_GetCDROMParameters") &&
                   resolve(read_toc_, "CR_ReadToc") && resolve(toc_count_, "CR_GetNumTocEntries") &&
                   resolve(toc_entry_, "CR_GetTocEntry") && resolve(open_ripper, "CR_OpenRipper") &&
                   resolve(rip_chunk, "CR_RipChunk") && resolve(close_ripper, "CR_CloseRipper");
  if (!all) {
    error_ = module_.FileName().string() + " lacks a CD function";
    deinit_ = nullptr;
    return false;
  }
  if (init(nullptr) != CR_OK) {
    error_ = "the CD library cannot start";
    deinit_ = nullptr;
    return false;
  }
  init_ = init;
  return true;
}

std::vector<std::string> CdRipLibrary::Drives() const {
  std::vector<std::string> names;
  if (!Loaded()) return names;
  const int current = get_drive_();
  for (int d = 0; d < drive_count_(); ++d) {
    set_drive_(d);
    char parameters[CR_DRIVE_PARAMETER_BYTES] = {};
    drive_parameters_(parameters);
    names.emplace_back(parameters);
  }
  set_drive_(current);
  return names;
}

void CdRipLibrary::SetDrive(int index) const {
  if (Loaded()) set_drive_(index);
}

int CdRipLibrary::Drive() const { return Loaded() ? get_drive_() : -1; }

std::vector<CdTrack> CdRipLibrary::ReadTracks() const {
  std::vector<CdTrack> tracks;
  if (!Loaded() || read_toc_() != CR_OK) return tracks;
  for (int i = 0; i < toc_count_(); ++i) {
    const CR_TocEntry entry = toc_entry_(i);
    CdTrack track;
    track.number = entry.number;
    track.first = entry.first_sector;
    track.last = entry.last_sector;
    track.audio = (entry.flags & CR_TRACK_AUDIO) && !(entry.flags & CR_TRACK_DATA);
    tracks.push_back(track);
  }
  return tracks;
}

}  // namespace carrowell
