// Conversion engines. A Decoder turns an item's source into the intermediate
// PCM WAV file; an Encoder turns that file into the destination. Both load
// an outside component in Init and report to a ConversionProgress in Run.
#pragma once

#include <string>

#include "engine/conversion_progress.h"
#include "engine/property_set.h"

namespace carrowell {

class Engine {
 public:
  virtual ~Engine() = default;
  // Loads the component and resolves its functions. 1 on success; a missing
  // component is announced to the user and gives 0.
  virtual int Init() = 0;
  // Unloads the component.
  virtual void Release() = 0;
  // The file an encoder reads (a decoder reads its descriptor's source).
  virtual int SetInput(const std::string& path) = 0;
  // The file the engine writes.
  virtual int SetOutput(const std::string& path) {
    output_ = path;
    return 1;
  }
  virtual int GetDescriptor(PropertySet*& descriptor) {
    descriptor = descriptor_;
    return 1;
  }
  // The item's source descriptor (decoder) or target format (encoder); not owned.
  virtual int SetDescriptor(PropertySet* descriptor) {
    descriptor_ = descriptor;
    return 1;
  }
  // 1 when the output was written completely; 0 on failure or abort.
  virtual int Run(ConversionProgress& progress) = 0;
  // Whether Run may go on on one thread while other engines of this kind
  // run on others (each engine object still serves one thread at a time).
  virtual bool RunsConcurrently() const { return true; }

  const std::string& Output() const { return output_; }

 protected:
  std::string output_;
  PropertySet* descriptor_ = nullptr;
};

class Decoder : public Engine {
 public:
  int SetInput(const std::string&) override { return 1; }
};

class Encoder : public Engine {
 public:
  int SetInput(const std::string& path) override {
    input_ = path;
    return 1;
  }
  const std::string& Input() const { return input_; }

 protected:
  std::string input_;
};

// Shows "<library> has not been installed." (caption "Verosa").
void ReportNotInstalled(const std::string& library);

// A decoder whose Init always fails; the registry never hands it out.
class NullDecoder : public Decoder {
 public:
  int Init() override { return 0; }
  void Release() override {}
  int Run(ConversionProgress&) override { return 0; }
};

}  // namespace carrowell
