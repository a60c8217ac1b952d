#include "shell/new_project_header.h"

namespace verosa {
namespace {

int DiscSampleRate(int rate) { return rate == 96000 ? 96000 : 48000; }
int OneOrZero(int value) { return value != 0 ? 1 : 0; }

}  // namespace

ProjectChoices ChoicesFromSettings(const Settings& settings) {
  ProjectChoices choices;
  choices.project_name = settings.strProjectName;
  choices.coding_mode = settings.nAudioCodingMode;
  choices.sample_rate = settings.nAudioSampleRate;
  choices.tv_mode = OneOrZero(settings.nTVMode);
  choices.display_mode = settings.bPanScan != 0 ? 0 : 1;
  choices.aspect_ratio = settings.bWideScreen != 0 ? 0 : 1;
  choices.theme_index = settings.nDefaultThemeIndex;
  choices.start_with_menu = OneOrZero(settings.nStartWithMenu);
  return choices;
}

ProjectChoices DefaultChoices() { return ChoicesFromSettings(Settings{}); }

ProjectChoices ChoicesFromHeader(const ProjectHeader& header) {
  ProjectChoices choices;
  choices.project_name = header.ProjectName;
  choices.coding_mode = header.AudioCodingMode;
  choices.sample_rate = header.AudioSampleRate;
  choices.tv_mode = OneOrZero(header.TVMode);
  choices.display_mode = OneOrZero(header.VideoDisplayMode);
  choices.aspect_ratio = OneOrZero(header.VideoAspectRatio);
  choices.theme_index = header.ThemeIndex;
  choices.start_with_menu = OneOrZero(header.StartWithMenu);
  return choices;
}

void WriteChoices(const ProjectChoices& choices, Settings& settings) {
  settings.nAudioCodingMode = choices.coding_mode;
  settings.nTVMode = choices.tv_mode;
  settings.bWideScreen = choices.aspect_ratio == 0 ? 1 : 0;
  settings.bPanScan = choices.display_mode == 0 ? 1 : 0;
  settings.strProjectName = choices.project_name;
  settings.nAudioSampleRate = DiscSampleRate(choices.sample_rate);
  settings.nDefaultThemeIndex = choices.theme_index;
  settings.nStartWithMenu = choices.start_with_menu;
}

void WriteChoices(const ProjectChoices& choices, ProjectHeader& header) {
  header.AudioCodingMode = choices.coding_mode;
  header.TVMode = choices.tv_mode;
  header.VideoAspectRatio = choices.aspect_ratio;
  header.VideoDisplayMode = choices.display_mode;
  header.ProjectName = choices.project_name;
  header.MenuAspectRatio = header.VideoAspectRatio;
  header.MenuDisplayMode = header.VideoDisplayMode;
  header.AudioSampleRate = DiscSampleRate(choices.sample_rate);
  header.ThemeIndex = choices.theme_index;
  header.StartWithMenu = choices.start_with_menu;
}

}  // namespace verosa
