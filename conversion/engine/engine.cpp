#include "engine/engine.h"

#include "platform/message_box.h"
#include "ui/ui_text.h"

namespace carrowell {

void ReportNotInstalled(const std::string& library) {
  platform::MessageBox(platform::kNoWindow,
                       UiText("%1 has not been installed.").arg(QString::fromStdString(library)).toStdString(),
                       "Verosa",
                       platform::kMbOk | platform::kMbIconWarning);
}

}  // namespace carrowell
