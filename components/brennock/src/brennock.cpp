// Brennock on libburn: drives from burn_drive_scan plus the stdio:
// pseudo-drives VEROSA_BURN_DRIVES names; the disc image pulled from
// pennock::IsoImage through a burn_source while libburn writes it.
#include "brennock/brennock.h"

#include <libburn/libburn.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "pennock/iso_image.h"

namespace brennock {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace burn;  // libburn declares its C API in this namespace for C++

constexpr const char* kEngineName = "libburn";
constexpr auto kPollInterval = 100ms;
constexpr auto kWorkerSettle = 250ms;
constexpr auto kCancelGrace = 2s;
constexpr auto kCancelSettle = 1500ms;
// Fast erase of overwritable media: the volume descriptors (ISO 9660 from
// sector 16) and the first UDF anchor (sector 256) lie in the first MiB.
constexpr off_t kOverwriteEraseBytes = 1 << 20;
constexpr off_t kOverwriteEraseChunk = 64 << 10;

// libburn is one per process: started by the first burner, finished by the
// last one.
std::mutex g_library_mutex;
int g_library_users = 0;

void CopyText(const std::string& text, char* buffer, std::int32_t size) {
  if (!buffer || size <= 0) return;
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

// Media bits of a profile (the disc in a drive, or one a drive can write).
std::uint32_t ProfileBits(int profile) {
  switch (profile) {
    case 0x09: return kMediaCdR;
    case 0x0a: return kMediaCdRw;
    case 0x11: case 0x15: case 0x16: return kMediaDvdMinusR;  // DVD-R, DVD-R DL sequential / jump
    case 0x13: case 0x14: return kMediaDvdMinusRw;            // restricted overwrite, sequential
    case 0x1b: case 0x2b: return kMediaDvdPlusR;              // DVD+R, DVD+R DL
    case 0x12: case 0x1a: case 0x2a: return kMediaDvdOverwritable;  // DVD-RAM, DVD+RW, DVD+RW DL
    case 0x41: case 0x42: case 0x43: return kMediaBd;
    case 0xffff: return kMediaDvdOverwritable | kMediaImageFile;
    default: return 0;
  }
}

// Media written in place: a fresh image simply goes over the old one.
bool IsOverwritable(int profile) {
  return profile == 0x12 || profile == 0x13 || profile == 0x1a || profile == 0x2a || profile == 0x43 ||
         profile == 0xffff;
}

std::string ProfileName(int profile) {
  char name[80] = {};
  if (burn_obtain_profile_name(profile, name) <= 0 || !name[0]) std::snprintf(name, sizeof name, "0x%x", profile);
  return name;
}

// The burn_source over the disc image: libburn's writer thread pulls one
// sector at a time; the image is read in larger pieces.
struct ImageSource {
  std::unique_ptr<pennock::IsoImage> image;
  std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(1 << 20);
  std::size_t begin = 0;
  std::size_t end = 0;
  std::atomic<bool> stop{false};
  std::atomic<bool> failed{false};
  std::mutex error_mutex;
  std::string error;
};

int SourceRead(burn_source* source, unsigned char* out, int size) {
  auto* data = static_cast<ImageSource*>(source->data);
  if (data->stop.load()) return -1;
  int done = 0;
  while (done < size) {
    if (data->begin == data->end) {
      const std::int64_t got = data->image->Read(data->buffer.data(), data->buffer.size());
      if (got < 0) {
        std::lock_guard<std::mutex> lock(data->error_mutex);
        data->error = data->image->Error();
        data->failed.store(true);
        return -1;
      }
      if (got == 0) break;
      data->begin = 0;
      data->end = static_cast<std::size_t>(got);
    }
    const std::size_t n = std::min(static_cast<std::size_t>(size - done), data->end - data->begin);
    std::memcpy(out + done, data->buffer.data() + data->begin, n);
    data->begin += n;
    done += static_cast<int>(n);
  }
  return done;
}

off_t SourceSize(burn_source* source) {
  return static_cast<off_t>(static_cast<ImageSource*>(source->data)->image->Size());
}
int SourceSetSize(burn_source*, off_t) { return 1; }
void SourceFree(burn_source* source) { delete static_cast<ImageSource*>(source->data); }
int SourceCancel(burn_source* source) {
  static_cast<ImageSource*>(source->data)->stop.store(true);
  return 1;
}

class BurnerImpl;

// A drive and its recorder (one object: the recorder shares the drive's
// grab and lifetime).
class DeviceImpl final : public Device, public Recorder {
 public:
  DeviceImpl(BurnerImpl& owner, burn_drive_info* info, burn_drive_info* own_array, bool grabbed)
      : owner_(owner), info_(info), own_array_(own_array), drive_(info->drive), grabbed_(grabbed) {
    char address[BURN_DRIVE_ADR_LEN] = {};
    if (burn_drive_d_get_adr(drive_, address) > 0) address_ = address;
    role_ = burn_drive_get_drive_role(drive_);
    // libburn gives a pseudo-drive's path; its address carries the prefix.
    if (role_ != 1 && address_.rfind("stdio:", 0) != 0) address_ = "stdio:" + address_;
  }
  ~DeviceImpl() {
    if (grabbed_) burn_drive_release(drive_, 0);
    if (own_array_) burn_drive_info_free(own_array_);
  }

  void Status(DeviceStatus* status) override;
  std::int32_t Information(DeviceInformation* info) override;
  void Eject() override;
  void Load() override;
  Recorder* GetRecorder() override { return Writes() ? static_cast<Recorder*>(this) : nullptr; }
  void Address(char* buffer, std::int32_t size) override { CopyText(address_, buffer, size); }

  std::int32_t Erase(std::int32_t mode, ProgressSink* sink) override;
  std::int32_t Burn(std::int32_t mode, const BurnRequest* request, std::int32_t reserved,
                    ProgressSink* sink) override;

 private:
  struct Media {
    enum burn_disc_status state = BURN_DISC_EMPTY;
    int profile = 0;
    bool has_data = false;
  };
  bool Grab(int load);
  // A real drive is grabbed only for the call in hand: libburn locks the
  // tray of a grabbed drive. Pseudo-drives stay grabbed.
  struct CallGrab {
    DeviceImpl& device;
    ~CallGrab() {
      if (device.role_ == 1 && device.grabbed_) {
        burn_drive_release(device.drive_, 0);
        device.grabbed_ = false;
      }
    }
  };
  bool Writes() const;
  bool Inquire(Media* media);
  bool HoldsFileSystem();
  std::int32_t Fail(std::int32_t result, const std::string& text);
  std::int32_t EraseOverwritable(ProgressSink* sink);
  std::int32_t RunJob(ProgressSink* sink, bool stoppable, ImageSource* source);
  void Blank();

  BurnerImpl& owner_;
  burn_drive_info* info_;
  burn_drive_info* own_array_;
  burn_drive* drive_;
  bool grabbed_;
  int role_ = 0;
  std::string address_;
};

class BurnerImpl final : public Burner {
 public:
  BurnerImpl() = default;
  ~BurnerImpl() {
    Forget();
    std::lock_guard<std::mutex> lock(g_library_mutex);
    if (--g_library_users == 0) burn_finish();
  }

  static BurnerImpl* Create() {
    std::lock_guard<std::mutex> lock(g_library_mutex);
    if (g_library_users > 0) {
      std::fprintf(stderr, "Brennock: a burner exists already; libburn serves one per process\n");
      return nullptr;
    }
    if (!burn_initialize()) {
      std::fprintf(stderr, "Brennock: libburn cannot start\n");
      return nullptr;
    }
    // Messages are queued for LastError and printed by us, not by libburn.
    burn_msgs_set_severities(const_cast<char*>("SORRY"), const_cast<char*>("NEVER"),
                             const_cast<char*>("Brennock: "));
    ++g_library_users;
    return new BurnerImpl();
  }

  std::int32_t Version() override { return 1; }
  void LastError(char* buffer, std::int32_t size) override { CopyText(last_error_, buffer, size); }
  void Release() override { delete this; }
  std::int32_t EngineCount() override { return 1; }
  void EngineName(std::int32_t index, char* buffer, std::int32_t size) override {
    CopyText(index == 0 ? kEngineName : "", buffer, size);
  }
  void SelectEngine(std::int32_t index) override;
  std::int32_t SelectedEngine() override { return engine_; }
  // Before the first SelectEngine, the first engine is meant.
  std::int32_t DeviceCount() override {
    if (!selected_) SelectEngine(0);
    return static_cast<std::int32_t>(devices_.size());
  }
  Device* GetDevice(std::int32_t index) override {
    if (!selected_) SelectEngine(0);
    if (index < 0 || index >= static_cast<std::int32_t>(devices_.size())) return nullptr;
    return devices_[static_cast<std::size_t>(index)].get();
  }

  // Prints libburn's queued messages to stderr; the last one (or `ours`,
  // with libburn's last in brackets unless `only_ours`) becomes LastError.
  void Report(const std::string& ours = {}, bool only_ours = false) {
    int code = 0, os_errno = 0;
    char text[BURN_MSGS_MESSAGE_LEN] = {};
    char severity[80] = {};
    std::string last;
    while (burn_msgs_obtain(const_cast<char*>("ALL"), &code, text, &os_errno, severity) > 0) {
      std::fprintf(stderr, "Brennock: libburn %s: %s\n", severity, text);
      last = text;
    }
    if (ours.empty() && last.empty()) return;  // the last failure stands until ClearError
    if (!ours.empty()) {
      std::fprintf(stderr, "Brennock: %s\n", ours.c_str());
      last = last.empty() || only_ours ? ours : ours + " (" + last + ")";
    }
    last_error_ = last;
  }
  void ClearError() {
    Report();
    last_error_.clear();
  }

 private:
  void Forget() {
    devices_.clear();
    if (scanned_) burn_drive_info_free(scanned_);
    scanned_ = nullptr;
  }

  std::int32_t engine_ = -1;
  bool selected_ = false;
  burn_drive_info* scanned_ = nullptr;
  std::vector<std::unique_ptr<DeviceImpl>> devices_;
  std::string last_error_;
};

void BurnerImpl::SelectEngine(std::int32_t index) {
  Forget();
  selected_ = true;
  engine_ = index == 0 ? 0 : -1;
  if (engine_ < 0) return;
  unsigned count = 0;
  int scanned = 0;
  while ((scanned = burn_drive_scan(&scanned_, &count)) == 0) std::this_thread::sleep_for(10ms);
  if (scanned < 0) {
    count = 0;
    Report("the drive scan failed");
  }
  for (unsigned i = 0; i < count; ++i)
    devices_.push_back(std::make_unique<DeviceImpl>(*this, &scanned_[i], nullptr, false));

  // Pseudo-drives: "stdio:/path" or "/path", separated by ':' or ';'. A
  // separator inside an entry cannot be told apart, so ':' splits only
  // before "stdio" or '/'.
  const char* env = std::getenv("VEROSA_BURN_DRIVES");
  std::string list = env ? env : "";
  std::vector<std::string> entries;
  std::string current;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const char c = list[i];
    const bool split = c == ';' || (c == ':' && current != "stdio" &&
                                    (list.compare(i + 1, 1, "/") == 0 || list.compare(i + 1, 6, "stdio:") == 0));
    if (split) {
      entries.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  entries.push_back(current);
  for (std::string entry : entries) {
    if (entry.empty()) continue;
    if (entry.rfind("stdio:", 0) == 0) entry.erase(0, 6);
    if (entry.empty()) continue;  // "stdio:" alone is libburn's null drive
    std::error_code ec;
    const fs::path absolute = fs::absolute(entry, ec);
    entry = "stdio:" + (ec ? entry : absolute.lexically_normal().string());
    burn_drive_info* info = nullptr;
    if (burn_drive_scan_and_grab(&info, entry.data(), 0) != 1 || !info) {
      Report("pseudo-drive " + entry + " cannot be used");
      continue;
    }
    devices_.push_back(std::make_unique<DeviceImpl>(*this, &info[0], info, true));
  }
  Report();
}

bool DeviceImpl::Grab(int load) {
  if (grabbed_) return true;
  grabbed_ = burn_drive_grab(drive_, load) == 1;
  if (!grabbed_) owner_.Report("cannot open the drive " + address_);
  return grabbed_;
}

bool DeviceImpl::Writes() const {
  if (role_ != 1) return role_ == 2 || role_ == 3 || role_ == 5;
  return info_->write_dvdr || info_->write_dvdram || info_->write_cdr || info_->write_cdrw;
}

// True when the first volume descriptor holds an ISO 9660 or UDF signature.
bool DeviceImpl::HoldsFileSystem() {
  char sector[2048] = {};
  off_t count = 0;
  // bit1: no error message for an unreadable (blank) sector.
  if (burn_read_data(drive_, 16 * 2048, sector, sizeof sector, &count, 2) <= 0 || count < 6) return false;
  return std::memcmp(sector + 1, "CD001", 5) == 0 || std::memcmp(sector + 1, "BEA01", 5) == 0;
}

bool DeviceImpl::Inquire(Media* media) {
  if (!Grab(0)) return false;
  // The disc may have changed since the grab (another disc, an image file
  // written by someone else).
  burn_drive_re_assess(drive_, 0);
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while ((media->state = burn_disc_get_status(drive_)) == BURN_DISC_UNREADY &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(10ms);
  char name[80] = {};
  if (burn_disc_get_profile(drive_, &media->profile, name) != 1) media->profile = 0;
  media->has_data = media->state == BURN_DISC_FULL || media->state == BURN_DISC_APPENDABLE ||
                    (media->state == BURN_DISC_BLANK && IsOverwritable(media->profile) && role_ != 3 &&
                     HoldsFileSystem());
  return true;
}

void DeviceImpl::Status(DeviceStatus* status) {
  if (!status || status->size != static_cast<std::int32_t>(sizeof(DeviceStatus))) return;
  *status = DeviceStatus{};
  const CallGrab call{*this};
  Media media;
  if (!Inquire(&media)) return;
  const bool present = media.state == BURN_DISC_BLANK || media.state == BURN_DISC_APPENDABLE ||
                       media.state == BURN_DISC_FULL;
  const bool overwritable = IsOverwritable(media.profile);
  status->media_type = present ? ProfileBits(media.profile) : 0;
  status->has_data = media.has_data ? 1 : 0;
  status->writable = media.state == BURN_DISC_BLANK ? 1 : 0;
  status->erasable = (burn_disc_erasable(drive_) && media.state != BURN_DISC_BLANK) ||
                             (overwritable && media.has_data && role_ != 3)
                         ? 1
                         : 0;
  status->ready = present && (status->writable || status->erasable) ? 1 : 0;
  owner_.Report();
}

std::int32_t DeviceImpl::Information(DeviceInformation* info) {
  if (!info || info->size != static_cast<std::int32_t>(sizeof(DeviceInformation))) return 0;
  *info = DeviceInformation{};
  std::string name;
  if (role_ == 1) {
    name = std::string(info_->vendor) + " " + info_->product;
    name.erase(std::unique(name.begin(), name.end(), [](char a, char b) { return a == ' ' && b == ' '; }),
               name.end());
    name += " (" + address_ + ")";
  } else {
    name = address_;
  }
  CopyText(name, info->name, sizeof info->name);
  if (role_ == 1) {
    int count = 0;
    int profiles[64] = {};
    char current[64] = {};
    burn_drive_get_all_profiles(drive_, &count, profiles, current);
    for (int i = 0; i < count && i < 64; ++i) info->capabilities |= ProfileBits(profiles[i]);
    // A drive that lists no profiles still tells what it writes.
    if (info_->write_dvdr) info->capabilities |= kMediaDvdMinusR;
    if (info_->write_dvdram) info->capabilities |= kMediaDvdOverwritable;
    if (info_->write_cdr) info->capabilities |= kMediaCdR;
    if (info_->write_cdrw) info->capabilities |= kMediaCdRw;
  } else if (Writes()) {
    info->capabilities = role_ == 3 ? (kMediaDvdMinusR | kMediaImageFile) : ProfileBits(0xffff);
  }
  return 1;
}

void DeviceImpl::Eject() {
  if (!Grab(0)) return;
  burn_drive_release(drive_, 1);
  grabbed_ = false;
  owner_.Report();
}

void DeviceImpl::Load() {
  const CallGrab call{*this};
  if (grabbed_) {
    burn_drive_release(drive_, 0);
    grabbed_ = false;
  }
  Grab(1);
  owner_.Report();
}

std::int32_t DeviceImpl::Fail(std::int32_t result, const std::string& text) {
  // libburn's complaints about the input it lost are no news after a cancel.
  owner_.Report(text, result == kBurnCancelled);
  return result;
}

// Polls the drive until its job is over: percent and cancel query to the
// sink at every poll. A stoppable job is cancelled through libburn (and its
// source); an erase cannot be stopped once the drive runs it, so a cancel
// then only changes the result. kBurnOk, kBurnFailed or kBurnCancelled.
std::int32_t DeviceImpl::RunJob(ProgressSink* sink, bool stoppable, ImageSource* source) {
  bool cancelled = false;
  bool drive_cancelled = false;
  std::chrono::steady_clock::time_point cancel_time;
  int last_percent = -1;
  burn_progress progress{};
  enum burn_drive_status state;
  while ((state = burn_drive_get_status(drive_, &progress)) != BURN_DRIVE_IDLE) {
    int percent = 0;
    if (progress.sectors > 0) percent = static_cast<int>(std::int64_t{progress.sector} * 100 / progress.sectors);
    percent = std::clamp(percent, 0, 99);
    if (sink && percent > last_percent && state != BURN_DRIVE_SPAWNING) {
      last_percent = percent;
      sink->Progress(kProgressPercent, static_cast<std::uint32_t>(percent), 0, 0);
    }
    if (sink && !cancelled && sink->Progress(kProgressCancelQuery, 0, 0, 0) != 0) {
      cancelled = true;
      cancel_time = std::chrono::steady_clock::now();
      if (stoppable) {
        std::fprintf(stderr, "Brennock: cancelling on %s\n", address_.c_str());
      } else {
        std::fprintf(stderr, "Brennock: the drive cannot stop an erase it has begun; it runs to its end\n");
      }
    }
    // A write stops cleanly when its source runs dry; burn_drive_cancel,
    // for a drive that does not stop that way, leaves libburn's worker
    // behind the idle drive for a while.
    if (cancelled && stoppable) {
      if (source) source->stop.store(true);
      if (!source || std::chrono::steady_clock::now() - cancel_time > kCancelGrace) {
        if (!drive_cancelled) burn_drive_cancel(drive_);
        drive_cancelled = true;
      }
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  // libburn marks the drive idle just before its worker thread lets go of
  // it; a job started at once would be refused as still running.
  std::this_thread::sleep_for(drive_cancelled ? kCancelSettle : kWorkerSettle);
  const bool well = burn_drive_wrote_well(drive_) == 1;
  if (cancelled) return kBurnCancelled;
  if (!well || (source && source->failed.load())) return kBurnFailed;
  if (sink && last_percent < 100) sink->Progress(kProgressPercent, 100, 0, 0);
  return kBurnOk;
}

// Overwritable media and image files cannot be blanked: overwriting their
// file-system descriptors with zeros leaves them as good as blank.
std::int32_t DeviceImpl::EraseOverwritable(ProgressSink* sink) {
  off_t bytes = kOverwriteEraseBytes;
  int capacity = 0;
  if (burn_get_read_capacity(drive_, &capacity, 0) > 0 && capacity >= 0)
    bytes = std::min<off_t>(bytes, static_cast<off_t>(capacity) * 2048);
  std::vector<char> zeros(kOverwriteEraseChunk, 0);
  for (off_t at = 0; at < bytes; at += kOverwriteEraseChunk) {
    if (sink && sink->Progress(kProgressCancelQuery, 0, 0, 0) != 0) {
      owner_.Report("erase cancelled on " + address_);
      return kBurnCancelled;
    }
    const off_t n = std::min(kOverwriteEraseChunk, bytes - at);
    const int last = at + n >= bytes ? 1 : 0;
    if (burn_random_access_write(drive_, at, zeros.data(), n, last) != 1)
      return Fail(kBurnFailed, "cannot erase the disc in " + address_);
    if (sink) sink->Progress(kProgressPercent, static_cast<std::uint32_t>((at + n) * 100 / bytes), 0, 0);
  }
  if (bytes == 0 && sink) sink->Progress(kProgressPercent, 100, 0, 0);
  return kBurnOk;
}

std::int32_t DeviceImpl::Erase(std::int32_t mode, ProgressSink* sink) {
  if (mode != 0 && mode != 1) return Fail(kBurnBadRequest, "erase mode " + std::to_string(mode) + " unknown");
  if (!Writes()) return Fail(kBurnBadRequest, address_ + " cannot write");
  owner_.ClearError();
  const CallGrab call{*this};
  Media media;
  if (!Inquire(&media)) return Fail(kBurnNotReady, "cannot open the drive " + address_);
  if (media.state != BURN_DISC_BLANK && media.state != BURN_DISC_APPENDABLE && media.state != BURN_DISC_FULL)
    return Fail(kBurnNotReady, "no disc in " + address_);
  if (IsOverwritable(media.profile) && role_ != 3) {
    const std::int32_t result = EraseOverwritable(sink);
    burn_drive_re_assess(drive_, 0);
    owner_.Report();
    return result;
  }
  if (media.state == BURN_DISC_BLANK) {
    if (sink) sink->Progress(kProgressPercent, 100, 0, 0);
    return kBurnOk;  // nothing to erase
  }
  if (!burn_disc_erasable(drive_))
    return Fail(kBurnNotReady, "the " + ProfileName(media.profile) + " disc in " + address_ + " cannot be erased");
  if (sink && sink->Progress(kProgressCancelQuery, 0, 0, 0) != 0) return Fail(kBurnCancelled, "erase cancelled");
  burn_disc_erase(drive_, mode == 1 ? 1 : 0);
  const std::int32_t result = RunJob(sink, false, nullptr);
  burn_drive_re_assess(drive_, 0);
  if (result != kBurnOk)
    return Fail(result, result == kBurnCancelled ? "erase cancelled" : "the erase of " + address_ + " failed");
  owner_.Report();
  return kBurnOk;
}

// After a failed or cancelled burn a pseudo-drive's image file is emptied
// (a blank disc), never left half-written.
void DeviceImpl::Blank() {
  if (role_ != 2 || address_.rfind("stdio:", 0) != 0) return;
  const fs::path file = address_.substr(6);
  std::error_code ec;
  if (fs::is_regular_file(file, ec)) fs::resize_file(file, 0, ec);
}

std::int32_t DeviceImpl::Burn(std::int32_t mode, const BurnRequest* request, std::int32_t reserved,
                              ProgressSink* sink) {
  if (!request || request->size != static_cast<std::int32_t>(sizeof(BurnRequest)) || !request->folder ||
      !*request->folder || mode != 0 || reserved != 0)
    return Fail(kBurnBadRequest, "bad burn request");
  if (!Writes()) return Fail(kBurnBadRequest, address_ + " cannot write");
  owner_.ClearError();
  const CallGrab call{*this};
  Media media;
  if (!Inquire(&media)) return Fail(kBurnNotReady, "cannot open the drive " + address_);
  if (media.state != BURN_DISC_BLANK)
    return Fail(kBurnNotReady, media.state == BURN_DISC_EMPTY
                                   ? "no disc in " + address_
                                   : "the disc in " + address_ + " is not blank; erase it first");
  const bool overwritable = IsOverwritable(media.profile);
  if (!(ProfileBits(media.profile) & kDvdMediaMask) && role_ != 3)
    return Fail(kBurnNotReady, "the " + ProfileName(media.profile) + " disc in " + address_ + " is no writable DVD");

  std::string error;
  std::unique_ptr<pennock::IsoImage> image =
      pennock::IsoImage::Open(request->folder, request->label ? request->label : "", &error);
  if (!image) return Fail(kBurnFailed, "no disc image of " + std::string(request->folder) + ": " + error);
  for (const fs::path& path : image->LeftOut())
    std::fprintf(stderr, "Brennock: not on the disc (only VIDEO_TS is): %s\n", path.string().c_str());
  const off_t image_size = static_cast<off_t>(image->Size());

  burn_write_opts* opts = burn_write_opts_new(drive_);
  if (!opts) return Fail(kBurnFailed, "libburn gave no write options");
  // A closed disc: SAO on sequential media, a plain write on overwritable
  // media and image files.
  if (overwritable || role_ != 1)
    burn_write_opts_set_write_type(opts, BURN_WRITE_TAO, BURN_BLOCK_MODE1);
  else
    burn_write_opts_set_write_type(opts, BURN_WRITE_SAO, BURN_BLOCK_SAO);
  burn_write_opts_set_multi(opts, 0);
  burn_write_opts_set_underrun_proof(opts, 1);
  burn_write_opts_set_simulate(opts, 0);

  auto* data = new ImageSource();
  data->image = std::move(image);
  // libburn frees the object with free().
  auto* source = static_cast<burn_source*>(std::calloc(1, sizeof(burn_source)));
  source->refcount = 1;
  source->version = 1;
  source->read = nullptr;
  source->read_xt = SourceRead;
  source->get_size = SourceSize;
  source->set_size = SourceSetSize;
  source->free_data = SourceFree;
  source->cancel = SourceCancel;
  source->data = data;

  burn_disc* disc = burn_disc_create();
  burn_session* session = burn_session_create();
  burn_track* track = burn_track_create();
  burn_disc_add_session(disc, session, BURN_POS_END);
  burn_track_define_data(track, 0, 0, 1, BURN_MODE1);
  burn_track_set_source(track, source);
  burn_session_add_track(session, track, BURN_POS_END);

  std::int32_t result = kBurnOk;
  std::string why;
  char reasons[BURN_REASONS_LEN] = {};
  const off_t space = burn_disc_available_space(drive_, opts);
  if (role_ == 1 && space > 0 && space < image_size) {
    result = kBurnNotReady;
    why = "the image (" + std::to_string(image_size) + " bytes) does not fit on the disc in " + address_ + " (" +
          std::to_string(space) + " bytes)";
  } else if (burn_precheck_write(opts, disc, reasons, 0) != 1) {
    result = kBurnNotReady;
    why = "the disc in " + address_ + " cannot take the image: " + reasons;
  } else if (sink && sink->Progress(kProgressCancelQuery, 0, 0, 0) != 0) {
    result = kBurnCancelled;
    why = "burn cancelled";
  } else {
    if (sink) sink->Progress(kProgressPercent, 0, 0, 0);
    burn_disc_write(opts, disc);
    result = RunJob(sink, true, data);
    if (result == kBurnCancelled) {
      why = "burn cancelled";
    } else if (result != kBurnOk) {
      std::lock_guard<std::mutex> lock(data->error_mutex);
      why = "the burn to " + address_ + " failed" + (data->error.empty() ? "" : ": " + data->error);
    }
  }

  burn_track_free(track);
  burn_session_free(session);
  burn_disc_free(disc);
  burn_source_free(source);  // libburn dropped its own reference with the track
  burn_write_opts_free(opts);

  if (role_ == 2 && address_.rfind("stdio:", 0) == 0) {
    // An image file ends where the image ends, whatever it held before.
    std::error_code ec;
    const fs::path file = address_.substr(6);
    if (result == kBurnOk && fs::is_regular_file(file, ec))
      fs::resize_file(file, static_cast<std::uintmax_t>(image_size), ec);
    if (ec) {
      result = kBurnFailed;
      why = "cannot trim " + file.string() + ": " + ec.message();
    }
    if (result != kBurnOk && result != kBurnNotReady) Blank();
  }
  burn_drive_re_assess(drive_, 0);
  if (result != kBurnOk) return Fail(result, why);
  owner_.Report();
  return kBurnOk;
}

}  // namespace
}  // namespace brennock

extern "C" {

BRENNOCK_API std::int32_t Brennock_Create(const char* interface_id, brennock::Burner** out) {
  if (!out) return brennock::E_POINTER;
  *out = nullptr;
  if (!interface_id || strcasecmp(interface_id, brennock::kIidBurner) != 0) return brennock::E_NOINTERFACE;
  brennock::Burner* burner = brennock::BurnerImpl::Create();
  if (!burner) return brennock::E_FAIL;
  *out = burner;
  return brennock::S_OK;
}

}  // extern "C"
