// Brennock: the disc burner the Output page loads by name ("Brennock") and
// drives through interface objects. One engine, "libburn", lists the drives
// libburn finds, plus the `stdio:/path/file` pseudo-drives that the
// environment variable VEROSA_BURN_DRIVES names (a list separated by ';', or
// by ':' before "stdio:" or "/"; each entry "stdio:PATH" or a path), so that a
// burn can be tried without hardware. One burner lives at a time in a
// process (libburn is one per process): a second Brennock_Create fails. Burn writes a DVD-Video folder as an ISO 9660 + UDF
// bridge image (pennock::IsoImage), streamed to the drive without a
// temporary image file, onto a closed disc.
//
// Ownership: Brennock_Create hands out one Burner. Its Device objects and
// their Recorder objects belong to the burner: they stay valid until the
// engine is selected again or the burner is released, and callers never free
// them. Release destroys the burner with every device and recorder it handed
// out, and releases the drives it holds.
//
// Threads: every call runs on the caller's thread; Erase and Burn return
// when the work is over and call the sink on that thread while they run.
// libburn's own messages go to stderr, never to a message box.
//
// Operations keep their order on every build: a slot is never removed or
// moved.
#pragma once

#include <cstddef>
#include <cstdint>

#define BRENNOCK_API __attribute__((visibility("default")))

namespace brennock {

// Status codes of Brennock_Create (classic values, negative = failure); the
// program's holder returns the same codes from its Load.
using Result = std::int32_t;
inline constexpr Result S_OK = 0;
inline constexpr Result E_NOTIMPL = static_cast<Result>(0x80004001u);
inline constexpr Result E_NOINTERFACE = static_cast<Result>(0x80004002u);
inline constexpr Result E_POINTER = static_cast<Result>(0x80004003u);
inline constexpr Result E_FAIL = static_cast<Result>(0x80004005u);
inline constexpr Result E_ACCESSDENIED = static_cast<Result>(0x80070005u);
inline constexpr Result E_HANDLE = static_cast<Result>(0x80070006u);
inline constexpr Result E_INVALIDARG = static_cast<Result>(0x80070057u);

// The interface identifier the factory answers to.
inline constexpr const char kIidBurner[] = "{B7CF7E20-4D46-4235-AFCA-614477AA6DD0}";
// The factory's export name.
inline constexpr const char kCreateFunctionName[] = "Brennock_Create";

// Media-type bits (DeviceStatus::media_type: the disc in the drive;
// DeviceInformation::capabilities: the media the drive can write). Any bit of
// kDvdMediaMask marks DVD media / a DVD writer.
inline constexpr std::uint32_t kMediaCdR = 0x1;                  // CD-R (outside the mask)
inline constexpr std::uint32_t kMediaCdRw = 0x2;                 // CD-RW (outside the mask)
inline constexpr std::uint32_t kMediaDvdMinusR = 0x4;            // DVD-R, DVD-R DL
inline constexpr std::uint32_t kMediaDvdMinusRw = 0x8;           // DVD-RW, sequential or restricted overwrite
inline constexpr std::uint32_t kMediaDvdPlusR = 0x10;            // DVD+R, DVD+R DL
inline constexpr std::uint32_t kMediaBd = 0x20;                  // BD-R, BD-RE (outside the mask)
inline constexpr std::uint32_t kMediaDvdOverwritable = 0x40000;  // DVD+RW, DVD-RAM, an image file
inline constexpr std::uint32_t kMediaImageFile = 0x100000;       // a stdio: pseudo-drive (outside the mask)
inline constexpr std::uint32_t kDvdMediaMask = 0x4001C;

// Progress sink codes.
inline constexpr std::uint32_t kProgressPercent = 0xFFFF;       // value = percent, 0..100
inline constexpr std::uint32_t kProgressCancelQuery = 0x10000;  // return non-zero to cancel

// Results of Erase and Burn: 0 success, anything else failure.
inline constexpr std::int32_t kBurnOk = 0;
inline constexpr std::int32_t kBurnFailed = 1;     // the drive, the disc or the folder failed
inline constexpr std::int32_t kBurnCancelled = 2;  // the sink asked to cancel
inline constexpr std::int32_t kBurnBadRequest = 3; // a wrong record size, a null pointer, a bad mode
inline constexpr std::int32_t kBurnNotReady = 4;   // no disc, or not one the operation can use

// Records: the caller zeroes them and sets `size`; the component refuses a
// record whose size is not its own.
struct DeviceStatus {
  std::int32_t size = sizeof(DeviceStatus);
  std::int32_t ready = 0;     // a disc is present and writable or erasable
  std::int32_t writable = 0;  // the disc takes a new closed session: blank, or overwritable
  std::int32_t erasable = 0;  // the disc can be blanked or formatted anew (RW media, image file)
  std::uint32_t media_type = 0;  // kMedia* bits of the disc in the drive
  std::int32_t has_data = 0;  // the disc holds recorded data (an erase comes before a burn)
};
static_assert(sizeof(DeviceStatus) == 24);

struct DeviceInformation {
  std::int32_t size = sizeof(DeviceInformation);
  char name[128] = {};              // "VENDOR PRODUCT (address)", zero-terminated, cut to fit
  std::uint8_t drive_letter = 0;    // always 0: drives have no letters here
  std::uint8_t pad[3] = {};
  std::uint32_t capabilities = 0;   // kMedia* bits the drive can write
  std::uint8_t reserved[4] = {};
};
static_assert(sizeof(DeviceInformation) == 144);
static_assert(offsetof(DeviceInformation, name) == 4);
static_assert(offsetof(DeviceInformation, drive_letter) == 132);
static_assert(offsetof(DeviceInformation, capabilities) == 136);

// Sized by sizeof on every build (20 bytes with 4-byte pointers, 40 with 8).
struct BurnRequest {
  std::int32_t size = sizeof(BurnRequest);
  const char* folder = nullptr;  // the DVD folder (VIDEO_TS inside); UTF-8
  const char* label = nullptr;   // the volume label, made fit for the disc; null or empty: the folder's name
  std::int32_t zero = 0;
  const char* empty = "";
};
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(BurnRequest) == 20);
#endif

// The caller's progress object; the component calls Progress only during
// Erase and Burn. The last two arguments are 0.
class ProgressSink {
 public:
  // kProgressPercent: value = percent, the result is ignored.
  // kProgressCancelQuery: non-zero cancels the running erase or burn.
  virtual std::int32_t Progress(std::uint32_t code, std::uint32_t value, std::uintptr_t, std::uintptr_t) = 0;

 protected:
  ~ProgressSink() = default;
};

class Recorder {
 public:
  // mode 1: fast blank, mode 0: full blank (DVD-RW, CD-RW). Overwritable
  // media (DVD+RW, DVD-RAM, restricted-overwrite DVD-RW) and image files
  // cannot be blanked: in both modes their file-system descriptors (the
  // first MiB) are overwritten with zeros. The sink's cancel question stops
  // an erase before it starts and between pieces of an overwrite; a drive
  // cannot stop a blank it has begun, so a cancel then only makes the
  // result kBurnCancelled. Result kBurn*.
  virtual std::int32_t Erase(std::int32_t mode, ProgressSink* sink) = 0;
  // Writes the folder as a closed disc (SAO on DVD-R, DVD-RW and DVD+R, a
  // plain write from sector 0 on overwritable media and image files); the
  // disc must be blank (overwritable media count as blank). `mode` and
  // `reserved` are 0. The sink may be null. A cancel stops the write; an
  // image file is then left empty, and after a success it ends where the
  // image ends. Result kBurn*.
  virtual std::int32_t Burn(std::int32_t mode, const BurnRequest* request, std::int32_t reserved,
                            ProgressSink* sink) = 0;

 protected:
  ~Recorder() = default;
};

class Device {
 public:
  // Fills the status record (all zero when the drive cannot be reached).
  virtual void Status(DeviceStatus* status) = 0;
  // Non-zero on success.
  virtual std::int32_t Information(DeviceInformation* info) = 0;
  // Opens the tray (the drive is let go; the next call grabs it again).
  virtual void Eject() = 0;
  // Closes the tray.
  virtual void Load() = 0;
  // The recorder, or null when the drive cannot write.
  virtual Recorder* GetRecorder() = 0;
  // The drive's libburn address ("/dev/sr0", "stdio:/tmp/disc.iso") into
  // `buffer` (capacity `size`, NUL included, cut to fit).
  virtual void Address(char* buffer, std::int32_t size) = 0;

 protected:
  ~Device() = default;
};

class Burner {
 public:
  // The interface version (1).
  virtual std::int32_t Version() = 0;
  // The text of the last failure of any object of this burner (the libburn
  // message or our reason) into `buffer` (capacity `size`, NUL included);
  // empty when the last operation succeeded.
  virtual void LastError(char* buffer, std::int32_t size) = 0;
  // Destroys the burner, its devices and recorders.
  virtual void Release() = 0;
  virtual std::int32_t EngineCount() = 0;
  // The engine's name into `buffer` (capacity `size`, NUL included).
  virtual void EngineName(std::int32_t index, char* buffer, std::int32_t size) = 0;
  // Later device calls refer to this engine; lists its drives anew (the
  // devices handed out before die).
  virtual void SelectEngine(std::int32_t index) = 0;
  // The selected engine's index (-1 before the first SelectEngine).
  virtual std::int32_t SelectedEngine() = 0;
  virtual std::int32_t DeviceCount() = 0;
  // The device, or null for an index out of range.
  virtual Device* GetDevice(std::int32_t index) = 0;

 protected:
  ~Burner() = default;
};

using CreateFunction = std::int32_t (*)(const char* interface_id, Burner** out);

}  // namespace brennock

extern "C" {
// The one export, looked up by name when the program loads "Brennock":
// creates a burner for kIidBurner into *out. S_OK, E_POINTER for a null
// `out`, E_NOINTERFACE for another identifier, E_FAIL when libburn cannot
// start.
BRENNOCK_API std::int32_t Brennock_Create(const char* interface_id, brennock::Burner** out);
}
