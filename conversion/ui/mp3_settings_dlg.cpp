#include "ui/mp3_settings_dlg.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "ui/ui_text.h"

namespace carrowell {
namespace {

QSlider* BitrateSlider(const char* id, QWidget* parent) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setObjectName(QString::fromLatin1(id));
  slider->setRange(0, static_cast<int>(kMp3BitrateTable.size()) - 1);
  slider->setPageStep(1);
  slider->setTickPosition(QSlider::TicksBelow);
  return slider;
}

QComboBox* List(const char* id, const QStringList& entries, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setObjectName(QString::fromLatin1(id));
  list->addItems(entries);
  return list;
}

QCheckBox* Check(const char* id, const char* text, QWidget* parent) {
  auto* box = new QCheckBox(UiText(text), parent);
  box->setObjectName(QString::fromLatin1(id));
  return box;
}

QLabel* ValueLabel(const char* id, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(id));
  label->setMinimumWidth(70);
  return label;
}

}  // namespace

Mp3SettingsDlg::Mp3SettingsDlg(const Mp3Settings& settings, QWidget* parent) : QDialog(parent) {
  setWindowTitle(UiText("MP3 Settings"));

  extra_ = List("1053", {UiText("Music"), UiText("Speech"), UiText("Mixed")},
                this);
  bitrate_ = BitrateSlider("1000", this);
  bitrate_label_ = ValueLabel("1023", this);
  vbr_ = Check("1014", "&Variable bitrate (VBR)", this);
  max_bitrate_ = BitrateSlider("1002", this);
  max_bitrate_label_ = ValueLabel("1024", this);
  QStringList qualities;
  for (int q = 0; q <= 9; ++q)
    qualities << (q == 0 ? UiText("0 (best)") : q == 9 ? UiText("9 (smallest)")
                                                              : QString::number(q));
  vbr_quality_ = List("1084", qualities, this);
  mode_ = List("1004",
               {UiText("Stereo"), UiText("Joint stereo"),
                UiText("Dual channel"), UiText("Mono")},
               this);
  QStringList rates;
  for (int rate : kMp3SampleRateTable)
    rates << (rate == 0 ? UiText("Auto") : UiText("%1 Hz").arg(rate));
  sample_rate_ = List("1003", rates, this);
  copyright_ = Check("1068", "&Copyright", this);
  crc_ = Check("1066", "C&RC", this);
  original_ = Check("1067", "&Original", this);
  private_bit_ = Check("1069", "&Private", this);
  mpeg1_ = Check("1082", "&MPEG-1", this);

  auto* rates_group = new QGroupBox(UiText("Bitrate"), this);
  auto* rates_grid = new QGridLayout(rates_group);
  rates_grid->addWidget(new QLabel(UiText("Bitrate:"), this), 0, 0);
  rates_grid->addWidget(bitrate_, 0, 1);
  rates_grid->addWidget(bitrate_label_, 0, 2);
  rates_grid->addWidget(vbr_, 1, 0, 1, 3);
  rates_grid->addWidget(new QLabel(UiText("Maximum bitrate:"), this), 2, 0);
  rates_grid->addWidget(max_bitrate_, 2, 1);
  rates_grid->addWidget(max_bitrate_label_, 2, 2);
  rates_grid->addWidget(new QLabel(UiText("VBR quality:"), this), 3, 0);
  rates_grid->addWidget(vbr_quality_, 3, 1, 1, 2);
  rates_grid->setColumnStretch(1, 1);

  auto* stream = new QFormLayout;
  stream->addRow(UiText("Content:"), extra_);
  stream->addRow(UiText("Channel mode:"), mode_);
  stream->addRow(UiText("Output sample rate:"), sample_rate_);

  auto* flags_group = new QGroupBox(UiText("Stream flags"), this);
  auto* flags = new QGridLayout(flags_group);
  flags->addWidget(copyright_, 0, 0);
  flags->addWidget(crc_, 0, 1);
  flags->addWidget(original_, 0, 2);
  flags->addWidget(private_bit_, 1, 0);
  flags->addWidget(mpeg1_, 1, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                           QDialogButtonBox::Reset,
                                       this);
  SetButtonTexts(*buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons->button(QDialogButtonBox::Reset), &QPushButton::clicked, this, [this] { Reset(); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(rates_group);
  layout->addLayout(stream);
  layout->addWidget(flags_group);
  layout->addWidget(buttons);

  connect(bitrate_, &QSlider::valueChanged, this, [this] { Exchange(); });
  connect(max_bitrate_, &QSlider::valueChanged, this, [this] { Exchange(); });
  connect(vbr_, &QCheckBox::toggled, this, [this] { Exchange(); });

  SetValues(settings);
}

Mp3Settings Mp3SettingsDlg::Values() const {
  Mp3Settings s;
  s.extra = extra_->currentIndex();
  s.bitrate_position = bitrate_->value();
  s.vbr = vbr_->isChecked();
  s.max_bitrate_position = max_bitrate_->value();
  s.vbr_quality = vbr_quality_->currentIndex();
  s.mode = mode_->currentIndex();
  s.sample_rate_index = sample_rate_->currentIndex();
  s.copyright = copyright_->isChecked();
  s.crc = crc_->isChecked();
  s.original = original_->isChecked();
  s.private_bit = private_bit_->isChecked();
  s.mpeg1 = mpeg1_->isChecked();
  return s;
}

void Mp3SettingsDlg::SetValues(const Mp3Settings& s) {
  extra_->setCurrentIndex(std::clamp(s.extra, 0, extra_->count() - 1));
  bitrate_->setValue(s.bitrate_position);
  vbr_->setChecked(s.vbr);
  max_bitrate_->setValue(s.max_bitrate_position);
  vbr_quality_->setCurrentIndex(s.vbr_quality);
  mode_->setCurrentIndex(s.mode);
  sample_rate_->setCurrentIndex(s.sample_rate_index);
  copyright_->setChecked(s.copyright);
  crc_->setChecked(s.crc);
  original_->setChecked(s.original);
  private_bit_->setChecked(s.private_bit);
  mpeg1_->setChecked(s.mpeg1);
  Exchange();
}

void Mp3SettingsDlg::Reset() { SetValues(Mp3Settings{}); }

void Mp3SettingsDlg::Exchange() {
  bitrate_label_->setText(QString::fromStdString(BitrateLabel(bitrate_->value())));
  max_bitrate_label_->setText(QString::fromStdString(BitrateLabel(max_bitrate_->value())));
  max_bitrate_->setEnabled(vbr_->isChecked());
  vbr_quality_->setEnabled(vbr_->isChecked());
}

}  // namespace carrowell
