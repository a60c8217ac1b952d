// Byte-level pieces of the image's two file systems: little/big/both-endian
// fields, the ISO 9660 and UDF time stamps, UDF descriptor tags (CRC and
// checksum), OSTA CS0 strings, entity identifiers and allocation
// descriptors. All write into a caller's sector buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace pennock::iso {

inline constexpr std::size_t kSector = 2048;

void Le16(std::uint8_t* p, std::uint16_t v);
void Le32(std::uint8_t* p, std::uint32_t v);
void Le64(std::uint8_t* p, std::uint64_t v);
void Be16(std::uint8_t* p, std::uint16_t v);
void Be32(std::uint8_t* p, std::uint32_t v);
void Both16(std::uint8_t* p, std::uint16_t v);  // 4 bytes: LE then BE
void Both32(std::uint8_t* p, std::uint32_t v);  // 8 bytes: LE then BE
// `text` padded with `pad` to `size` bytes (cut when longer).
void PutPadded(std::uint8_t* p, std::size_t size, const std::string& text, char pad);

// ISO 9660 times, UTC: the 7-byte directory-record form and the 17-byte
// volume descriptor form (t == 0 writes the "not specified" form).
void IsoRecordTime(std::uint8_t* p, std::time_t t);
void IsoVolumeTime(std::uint8_t* p, std::time_t t);
// The 12-byte UDF time stamp, UTC.
void UdfTime(std::uint8_t* p, std::time_t t);

// CRC-ITU-T (x^16 + x^12 + x^5 + 1, initial value 0) over `size` bytes.
std::uint16_t CrcItu(const std::uint8_t* data, std::size_t size);

// UDF descriptor tag identifiers.
enum Tag : std::uint16_t {
  kTagPrimaryVolume = 1,
  kTagAnchor = 2,
  kTagImplementationUse = 4,
  kTagPartition = 5,
  kTagLogicalVolume = 6,
  kTagUnallocatedSpace = 7,
  kTagTerminating = 8,
  kTagIntegrity = 9,
  kTagFileSet = 256,
  kTagFileIdentifier = 257,
  kTagFileEntry = 261,
};
// Fills the 16-byte tag at the start of `descriptor`, whose whole length is
// `length` bytes: the CRC covers the bytes after the tag, the checksum the
// tag itself. `location` is the descriptor's own sector (volume structures)
// or logical block (inside the partition).
void FinishTag(std::uint8_t* descriptor, Tag id, std::uint32_t location, std::size_t length);

// Code points of `text` in OSTA CS0: a compression byte (8: Latin-1,
// 16: UCS-2 big-endian) and the characters. Callers pass code points up to
// U+FFFF.
std::vector<std::uint8_t> Cs0(const std::u32string& text);
// A dstring field of `size` bytes: CS0 bytes, zeros, and the used length in
// the last byte; the text is cut to what fits.
void PutDstring(std::uint8_t* p, std::size_t size, const std::u32string& text);
// The 64-byte character set field: CS0, "OSTA Compressed Unicode".
void PutCharspec(std::uint8_t* p);

// 32-byte entity identifiers.
void PutDomainId(std::uint8_t* p);          // "*OSTA UDF Compliant", revision 1.02
void PutImplementationId(std::uint8_t* p);  // this program
void PutUdfEntityId(std::uint8_t* p, const char* identifier);  // "*UDF LV Info": revision 1.02
void PutPlainId(std::uint8_t* p, const char* identifier);      // "+NSR02": no suffix

// Allocation descriptors. A short one is an extent inside the partition; a
// long one adds the partition reference (0) and the UDF unique id.
void PutShortAd(std::uint8_t* p, std::uint32_t bytes, std::uint32_t block);
void PutLongAd(std::uint8_t* p, std::uint32_t bytes, std::uint32_t block, std::uint32_t unique_id = 0);

}  // namespace pennock::iso
