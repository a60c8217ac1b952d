#include "engine/lame_encoder.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "engine/media_detector.h"
#include "engine/mp3_target_format.h"
#include "engine/wav_file.h"
#include "platform/paths.h"

namespace carrowell {
namespace {

namespace fs = std::filesystem;

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};

bool WriteAll(std::FILE* file, const BYTE* data, DWORD bytes) {
  return bytes == 0 || std::fwrite(data, 1, bytes, file) == bytes;
}

}  // namespace

LameEncoder::LameEncoder(std::string library, std::string shown_name)
    : library_(std::move(library)), shown_name_(std::move(shown_name)) {}

int LameEncoder::Init() {
  if (module_.Load(library_)) {
    init_stream_ = reinterpret_cast<BEINITSTREAM>(module_.Symbol("beInitStream"));
    encode_chunk_ = reinterpret_cast<BEENCODECHUNK>(module_.Symbol("beEncodeChunk"));
    deinit_stream_ = reinterpret_cast<BEDEINITSTREAM>(module_.Symbol("beDeinitStream"));
    close_stream_ = reinterpret_cast<BECLOSESTREAM>(module_.Symbol("beCloseStream"));
    version_ = reinterpret_cast<BEVERSION>(module_.Symbol("beVersion"));
    write_vbr_header_ = reinterpret_cast<BEWRITEVBRHEADER>(module_.Symbol("beWriteVBRHeader"));
    write_info_tag_ = reinterpret_cast<BEWRITEINFOTAG>(module_.Symbol("beWriteInfoTag"));
    if (init_stream_ && encode_chunk_ && deinit_stream_ && close_stream_ && version_ &&
        write_vbr_header_)
      return 1;
  }
  Release();
  ReportNotInstalled(shown_name_);
  return 0;
}

void LameEncoder::Release() {
  init_stream_ = nullptr;
  encode_chunk_ = nullptr;
  deinit_stream_ = nullptr;
  close_stream_ = nullptr;
  version_ = nullptr;
  write_vbr_header_ = nullptr;
  write_info_tag_ = nullptr;
  module_.Unload();
}

int LameEncoder::SetInput(const std::string& path) {
  input_ = path;
  if (descriptor_ == nullptr) return 1;
  BE_CONFIG config;
  if (!descriptor_->GetBlock(Mp3TargetFormat::kConfig, &config, sizeof config)) return 1;
  if (const auto format = ProbeWaveFormat(path)) {
    if (format->channels < 2) {
      config.format.LHV1.nMode = BE_MP3_MODE_MONO;
      descriptor_->SetInt(Mp3TargetFormat::kModeIndex, 3);
    }
    config.format.LHV1.dwSampleRate = static_cast<DWORD>(format->sample_rate);
    descriptor_->SetBlock(Mp3TargetFormat::kConfig, &config, sizeof config);
  }
  return 1;
}

int LameEncoder::Run(ConversionProgress& progress) {
  if (!init_stream_ || descriptor_ == nullptr) return 0;
  PcmWavReader reader;
  if (!reader.Open(input_)) return 0;

  const fs::path destination(output_);
  if (destination.has_parent_path()) platform::CreateFolderPath(destination.parent_path());
  std::unique_ptr<std::FILE, FileCloser> out(std::fopen(output_.c_str(), "wb+"));
  if (!out) return 0;

  // The input is complete only now (it was still being decoded when the
  // input was set), so its own header decides the rate and the channels.
  BE_CONFIG config;
  if (!descriptor_->GetBlock(Mp3TargetFormat::kConfig, &config, sizeof config)) return 0;
  auto& lame = config.format.LHV1;
  lame.dwSampleRate = reader.Info().sample_rate;
  if (reader.Info().channels < 2) {
    lame.nMode = BE_MP3_MODE_MONO;
    descriptor_->SetInt(Mp3TargetFormat::kModeIndex, 3);
  }
  reader.SetOutputChannels(lame.nMode == BE_MP3_MODE_MONO ? 1 : 2);
  descriptor_->SetBlock(Mp3TargetFormat::kConfig, &config, sizeof config);

  DWORD chunk_values = 0;
  DWORD buffer_size = 0;
  HBE_STREAM stream = 0;
  if (init_stream_(&config, &chunk_values, &buffer_size, &stream) != BE_ERR_SUCCESSFUL ||
      chunk_values == 0 || buffer_size == 0)
    return 0;

  std::vector<BYTE> output(buffer_size);
  std::vector<std::int16_t> input(chunk_values);
  const std::int64_t length = static_cast<std::int64_t>(reader.TotalValues() * 2);
  progress.SetEncodeRange(0, length);

  std::int64_t consumed = 0;
  bool aborted = false;
  for (;;) {
    const long values = reader.Read(input.data(), input.size());
    aborted = progress.IsAborted() != 0;
    if (values == 0 || aborted) break;
    DWORD bytes = 0;
    if (values < 0 ||
        encode_chunk_(stream, static_cast<DWORD>(values), input.data(), output.data(), &bytes) !=
            BE_ERR_SUCCESSFUL ||
        bytes > buffer_size || !WriteAll(out.get(), output.data(), bytes)) {
      close_stream_(stream);
      return 0;
    }
    consumed += 2 * static_cast<std::int64_t>(values);
    progress.SetEncodePosition(consumed);
    progress.PumpMessages();
  }

  progress.SetEncodePosition(length);
  DWORD bytes = 0;
  bool ok = deinit_stream_(stream, output.data(), &bytes) == BE_ERR_SUCCESSFUL &&
            bytes <= buffer_size && WriteAll(out.get(), output.data(), bytes);
  close_stream_(stream);
  // A full disk may only show when the buffered bytes go out.
  if (std::fflush(out.get()) != 0) ok = false;
  if (std::fclose(out.release()) != 0) ok = false;
  const BE_ERR tagged = write_info_tag_ ? write_info_tag_(stream, output_.c_str())
                                        : write_vbr_header_(output_.c_str());
  if (tagged != BE_ERR_SUCCESSFUL) ok = false;
  return ok && !aborted ? 1 : 0;
}

}  // namespace carrowell
