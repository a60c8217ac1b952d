// The disc parameters, project name and theme that a project takes from the
// user's settings: the choices of the Config page, which keeps them in both
// places, and the header of a project made from the command line.
#pragma once

#include <string>

#include "project/project_types.h"
#include "shell/settings_store.h"

namespace verosa {

struct ProjectChoices {
  std::string project_name;
  int coding_mode = 0;   // 0 PCM
  int sample_rate = 0;   // Hz
  int tv_mode = 0;       // 0 PAL, 1 NTSC
  int display_mode = 0;  // 0 letter box, 1 pan and scan
  int aspect_ratio = 0;  // 0 4:3, 1 16:9
  int theme_index = 0;   // position in the theme list
  int start_with_menu = 0;  // 0 the disc plays title 1, 1 it shows the title menu

  bool operator==(const ProjectChoices&) const = default;
};

// The settings' choices. The settings keep the display mode and the aspect
// ratio as flags for letter box (bPanScan) and 4:3 (bWideScreen).
ProjectChoices ChoicesFromSettings(const Settings& settings);
// The choices of the settings' defaults.
ProjectChoices DefaultChoices();
ProjectChoices ChoicesFromHeader(const ProjectHeader& header);

// A sample rate other than 96000 is written as 48000.
void WriteChoices(const ProjectChoices& choices, Settings& settings);
// The menu's aspect ratio and display mode follow the video's.
void WriteChoices(const ProjectChoices& choices, ProjectHeader& header);

}  // namespace verosa
