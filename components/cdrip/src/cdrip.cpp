#include "cdrip/cdrip.h"

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Sectors read per chunk: about a third of a second of audio.
constexpr int kChunkSectors = 26;
// Lead-out (6,750), lead-in (4,500) and pregap (150) between two sessions.
constexpr lsn_t kSessionGap = 11400;

struct Drive {
  std::string device;  // what cdio_open takes: a device node or an image file
  std::string name;    // shown in the drive list
};

struct State {
  bool initialised = false;
  std::vector<Drive> drives;
  int current = 0;
  std::vector<CR_TocEntry> toc;
  // The open ripper.
  CdIo_t* cdio = nullptr;
  cdrom_drive_t* cdda = nullptr;
  cdrom_paranoia_t* paranoia = nullptr;
  lsn_t next = 0;
  lsn_t last = -1;
};

State g;

void Log(const std::string& text) { std::fprintf(stderr, "CDRip: %s\n", text.c_str()); }

bool IsImage(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == "cue" || ext == "bin" || ext == "toc" || ext == "nrg";
}

void ListDrives() {
  g.drives.clear();
  if (char** devices = cdio_get_devices(DRIVER_DEVICE)) {
    for (char** d = devices; *d; ++d) {
      Drive drive{*d, *d};
      if (CdIo_t* cdio = cdio_open(*d, DRIVER_DEVICE)) {
        cdio_hwinfo_t info{};
        if (cdio_get_hwinfo(cdio, &info))
          drive.name = std::string(info.psz_vendor) + " " + info.psz_model + " (" + *d + ")";
        cdio_destroy(cdio);
      }
      g.drives.push_back(drive);
    }
    cdio_free_device_list(devices);
  }
  if (const char* images = std::getenv("VEROSA_CD_IMAGES")) {
    std::string list = images;
    std::size_t start = 0;
    while (start <= list.size()) {
      const std::size_t end = std::min(list.find(':', start), list.size());
      const std::string path = list.substr(start, end - start);
      if (!path.empty() && IsImage(path)) g.drives.push_back({path, path});
      start = end + 1;
    }
  }
}

CdIo_t* OpenCurrent() {
  if (g.current < 0 || g.current >= static_cast<int>(g.drives.size())) return nullptr;
  return cdio_open(g.drives[static_cast<std::size_t>(g.current)].device.c_str(), DRIVER_UNKNOWN);
}

void CloseRipper() {
  if (g.paranoia) cdio_paranoia_free(g.paranoia);
  if (g.cdda) cdio_cddap_close_no_free_cdio(g.cdda);
  if (g.cdio) cdio_destroy(g.cdio);
  g.paranoia = nullptr;
  g.cdda = nullptr;
  g.cdio = nullptr;
}

}  // namespace

extern "C" {

int32_t CR_Init(const char*) {
  // libcdio starts once a process; a second cdio_init reports failure.
  static const bool started = cdio_init();
  if (!started) return CR_ERR_INIT;
  g.initialised = true;
  ListDrives();
  return CR_OK;
}

void CR_DeInit(void) {
  CloseRipper();
  g = State{};
}

int32_t CR_GetNumCDROM(void) { return static_cast<int32_t>(g.drives.size()); }

void CR_SetActiveCDROM(int32_t index) { g.current = index; }

int32_t CR_GetActiveCDROM(void) { return g.current; }

void CR_GetCDROMParameters(char* parameters) {
  if (!parameters) return;
  std::memset(parameters, 0, CR_DRIVE_PARAMETER_BYTES);
  if (g.current < 0 || g.current >= static_cast<int>(g.drives.size())) return;
  const std::string& name = g.drives[static_cast<std::size_t>(g.current)].name;
  std::memcpy(parameters, name.data(), std::min<std::size_t>(name.size(), CR_DRIVE_PARAMETER_BYTES - 1));
}

int32_t CR_ReadToc(void) {
  g.toc.clear();
  CdIo_t* cdio = OpenCurrent();
  if (!cdio) return CR_ERR_DRIVE;
  const track_t first = cdio_get_first_track_num(cdio);
  const track_t count = cdio_get_num_tracks(cdio);
  if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK) {
    cdio_destroy(cdio);
    return CR_ERR_TOC;
  }
  for (track_t t = first; t < first + count; ++t) {
    CR_TocEntry entry{};
    entry.number = t;
    entry.first_sector = cdio_get_track_lsn(cdio, t);
    entry.last_sector = cdio_get_track_last_lsn(cdio, t);
    entry.flags = cdio_get_track_format(cdio, t) == TRACK_FORMAT_AUDIO ? CR_TRACK_AUDIO
                                                                      : CR_TRACK_DATA;
    // An audio track ends before the gap of a data track after it (an
    // Enhanced CD's second session): the pregap the disc states, or on a
    // drive the 11,400 sectors of lead-out, lead-in and pregap before the
    // last session. Gaps between audio tracks stay with the track before.
    const track_t next = static_cast<track_t>(t + 1);
    if (entry.flags == CR_TRACK_AUDIO && next < first + count &&
        cdio_get_track_format(cdio, next) != TRACK_FORMAT_AUDIO) {
      const lsn_t pregap = cdio_get_track_pregap_lsn(cdio, next);
      if (pregap != CDIO_INVALID_LSN && pregap > entry.first_sector)
        entry.last_sector = std::min<lsn_t>(entry.last_sector, pregap - 1);
      lsn_t session = 0;
      if (cdio_get_last_session(cdio, &session) == DRIVER_OP_SUCCESS &&
          session == cdio_get_track_lsn(cdio, next) && session - kSessionGap > entry.first_sector)
        entry.last_sector = std::min<lsn_t>(entry.last_sector, session - kSessionGap - 1);
    }
    if (entry.first_sector == CDIO_INVALID_LSN || entry.last_sector < entry.first_sector) continue;
    g.toc.push_back(entry);
  }
  cdio_destroy(cdio);
  return CR_OK;
}

int32_t CR_GetNumTocEntries(void) { return static_cast<int32_t>(g.toc.size()); }

CR_TocEntry CR_GetTocEntry(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(g.toc.size())) return CR_TocEntry{};
  return g.toc[static_cast<std::size_t>(index)];
}

int32_t CR_OpenRipper(int32_t* buffer_bytes, int32_t first, int32_t last) {
  CloseRipper();
  if (!buffer_bytes || first < 0 || last < first) return CR_ERR_RANGE;
  g.cdio = OpenCurrent();
  if (!g.cdio) return CR_ERR_DRIVE;
  if (last >= cdio_get_disc_last_lsn(g.cdio)) {
    CloseRipper();
    return CR_ERR_RANGE;
  }
  // Secure reading on a drive; a disc image is read as it is stored (its
  // bytes are the disc's, and paranoia's guess at the byte order of a
  // drive does not apply to a file).
  const driver_id_t driver = cdio_get_driver_id(g.cdio);
  const bool image = driver == DRIVER_BINCUE || driver == DRIVER_NRG || driver == DRIVER_CDRDAO;
  char* message = nullptr;
  if (!image) g.cdda = cdio_cddap_identify_cdio(g.cdio, CDDA_MESSAGE_LOGIT, &message);
  if (message) cdio_cddap_free_messages(message);
  if (g.cdda && cdio_cddap_open(g.cdda) == 0) {
    g.paranoia = cdio_paranoia_init(g.cdda);
    cdio_paranoia_modeset(g.paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    cdio_paranoia_seek(g.paranoia, first, SEEK_SET);
  } else if (g.cdda) {
    cdio_cddap_close_no_free_cdio(g.cdda);
    g.cdda = nullptr;
  }
  g.next = first;
  g.last = last;
  *buffer_bytes = kChunkSectors * CR_SECTOR_BYTES;
  return CR_OK;
}

int32_t CR_RipChunk(uint8_t* buffer, int32_t* bytes, int32_t* abort) {
  if (bytes) *bytes = 0;
  if (!g.cdio || !buffer || !bytes) return CR_ERR_STATE;
  if (abort && *abort) return CR_RIP_ABORTED;
  if (g.next > g.last) return CR_RIP_DONE;
  const lsn_t count = std::min<lsn_t>(kChunkSectors, g.last - g.next + 1);
  for (lsn_t i = 0; i < count; ++i) {
    uint8_t* out = buffer + static_cast<std::size_t>(i) * CR_SECTOR_BYTES;
    if (g.paranoia) {
      const int16_t* samples = cdio_paranoia_read_limited(g.paranoia, nullptr, 10);
      if (!samples) {
        Log("sector " + std::to_string(g.next + i) + " cannot be read");
        return CR_RIP_ERROR;
      }
      std::memcpy(out, samples, CR_SECTOR_BYTES);
    } else if (cdio_read_audio_sectors(g.cdio, out, g.next + i, 1) != DRIVER_OP_SUCCESS) {
      Log("sector " + std::to_string(g.next + i) + " cannot be read");
      return CR_RIP_ERROR;
    }
  }
  g.next += count;
  *bytes = static_cast<int32_t>(count * CR_SECTOR_BYTES);
  return CR_RIP_OK;
}

int32_t CR_CloseRipper(void) {
  if (!g.cdio) return CR_ERR_STATE;
  CloseRipper();
  return CR_OK;
}

}  // extern "C"
