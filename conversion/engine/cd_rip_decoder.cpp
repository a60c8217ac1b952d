#include "engine/cd_rip_decoder.h"

#include <cstdio>
#include <vector>

#include "engine/source_descriptors.h"

namespace carrowell {
namespace {

void Put32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void Put16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

}  // namespace

std::string CdWavHeader(std::uint32_t data_bytes) {
  std::string h = "RIFF";
  Put32(h, 38 + data_bytes);
  h += "WAVEfmt ";
  Put32(h, 18);
  Put16(h, 1);       // PCM
  Put16(h, 2);       // channels
  Put32(h, 44100);
  Put32(h, 176400);  // bytes a second
  Put16(h, 4);       // block align
  Put16(h, 16);      // bits
  Put16(h, 0);       // extra format bytes
  h += "data";
  Put32(h, data_bytes);
  return h;
}

int CdRipDecoder::Init() {
  if (library_.Load()) return 1;
  ReportNotInstalled("CDRip");
  return 0;
}

void CdRipDecoder::Release() {}

int CdRipDecoder::Run(ConversionProgress& progress) {
  if (!descriptor_ || !library_.Loaded()) return 0;
  int drive = 0, first = 0, last = -1;
  std::string name;
  descriptor_->GetInt(CdTrackSource::kDrive, drive);
  descriptor_->GetInt2(CdTrackSource::kFirstSector, first);
  descriptor_->GetInt2(CdTrackSource::kLastSector, last);
  descriptor_->GetString(CdTrackSource::kName, name);
  library_.SetDrive(drive);
  std::int32_t buffer_bytes = 0;
  if (last < first || library_.open_ripper(&buffer_bytes, first, last) != CR_OK) return 0;

  std::FILE* file = std::fopen(output_.c_str(), "w+b");
  if (!file) {
    library_.close_ripper();
    return 0;
  }
  const std::uint32_t data_bytes = static_cast<std::uint32_t>(last - first + 1) * CR_SECTOR_BYTES;
  const std::string header = CdWavHeader(data_bytes);
  bool ok = std::fwrite(header.data(), 1, header.size(), file) == header.size();
  progress.SetDecodeRange(0, data_bytes);
  progress.SetCurrentFile(name.c_str());

  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(buffer_bytes));
  std::int64_t done = 0;
  std::int32_t abort = 0, bytes = 0, status = CR_RIP_OK;
  while (ok && (status = library_.rip_chunk(buffer.data(), &bytes, &abort)) == CR_RIP_OK) {
    ok = std::fwrite(buffer.data(), 1, static_cast<std::size_t>(bytes), file) ==
         static_cast<std::size_t>(bytes);
    done += bytes;
    progress.SetDecodePosition(done);
    progress.PumpMessages();
    abort = progress.IsAborted();
  }
  const bool closed = library_.close_ripper() == CR_OK;
  ok = std::fclose(file) == 0 && ok;
  // Only a range read to its end is a track: a read error or an abort is not.
  return ok && closed && status == CR_RIP_DONE && !progress.IsAborted() ? 1 : 0;
}

}  // namespace carrowell
