#include "engine/engine.h"

#include "platform/message_box.h"

namespace carrowell {

void ReportNotInstalled(const std::string& library) {
  // "%1 has not been installed."
  platform::MessageBox(platform::kNoWindow, library + " has not been installed.", "Verosa",
                       platform::kMbOk | platform::kMbIconWarning);
}

}  // namespace carrowell
