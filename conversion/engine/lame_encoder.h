// Target kind 101: encodes the intermediate WAV file into an MP3 file with
// the lame_enc component, one encoder chunk per step.
#pragma once

#include <string>

#include "engine/engine.h"
#include "lame_enc/lame_enc.h"
#include "platform/module.h"

namespace carrowell {

class LameEncoder : public Encoder {
 public:
  // `library` is loaded; `shown_name` names it when it is missing.
  explicit LameEncoder(std::string library = "lame_enc.dll",
                       std::string shown_name = "Lame_enc.dll");

  int Init() override;
  void Release() override;
  // Remembers the path; when it can be probed, a one-channel file switches
  // the format to mono and the record takes the file's sample rate.
  int SetInput(const std::string& path) override;
  int Run(ConversionProgress& progress) override;

 private:
  std::string library_;
  std::string shown_name_;
  platform::Module module_;
  BEINITSTREAM init_stream_ = nullptr;
  BEENCODECHUNK encode_chunk_ = nullptr;
  BEDEINITSTREAM deinit_stream_ = nullptr;
  BECLOSESTREAM close_stream_ = nullptr;
  BEVERSION version_ = nullptr;
  BEWRITEVBRHEADER write_vbr_header_ = nullptr;
  BEWRITEINFOTAG write_info_tag_ = nullptr;  // optional
};

}  // namespace carrowell
