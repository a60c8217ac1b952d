// The MP3 settings dialog: bitrate sliders, VBR, quality, channel mode,
// output sample rate and the stream's flag bits.
#pragma once

#include <QDialog>

#include "ui/mp3_settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;

namespace carrowell {

class Mp3SettingsDlg : public QDialog {
 public:
  explicit Mp3SettingsDlg(const Mp3Settings& settings, QWidget* parent = nullptr);

  // The values the controls hold.
  Mp3Settings Values() const;
  // Puts the values into the controls.
  void SetValues(const Mp3Settings& settings);
  // Back to the reset values.
  void Reset();

 private:
  // The labels follow the sliders; the VBR controls follow the check box.
  void Exchange();

  QComboBox* extra_ = nullptr;
  QSlider* bitrate_ = nullptr;
  QLabel* bitrate_label_ = nullptr;
  QCheckBox* vbr_ = nullptr;
  QSlider* max_bitrate_ = nullptr;
  QLabel* max_bitrate_label_ = nullptr;
  QComboBox* vbr_quality_ = nullptr;
  QComboBox* mode_ = nullptr;
  QComboBox* sample_rate_ = nullptr;
  QCheckBox* copyright_ = nullptr;
  QCheckBox* crc_ = nullptr;
  QCheckBox* original_ = nullptr;
  QCheckBox* private_bit_ = nullptr;
  QCheckBox* mpeg1_ = nullptr;
};

}  // namespace carrowell
