#include "ui/audio_cd_dlg.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cstdio>
#include <filesystem>

#include "engine/source_descriptors.h"
#include "platform/message_box.h"
#include "ui/ui_text.h"

namespace carrowell {
namespace {

namespace fs = std::filesystem;

std::string TrackName(int number) {
  return UiText("Track %02d").replace("%02d", QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'))).toStdString();
}

std::int64_t FreeBytes(const std::string& folder) {
  std::error_code error;
  const fs::space_info space = fs::space(folder, error);
  return error ? -1 : static_cast<std::int64_t>(space.available);
}

}  // namespace

AudioCdDlg::AudioCdDlg(CdRipLibrary* library, const std::string& output_directory, QWidget* parent)
    : QDialog(parent), library_(library && library->Loaded() ? library : nullptr) {
  setObjectName("AudioCdDlg");
  setWindowTitle(UiText("Audio CD"));
  picker_ = [](QWidget* parent, const QString& prompt, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, prompt, start, QFileDialog::ShowDirsOnly);
  };
  free_space_ = &FreeBytes;

  auto* root = new QVBoxLayout(this);
  auto* drive_row = new QHBoxLayout;
  auto* drive_label = new QLabel(UiText("Dri&ve:"), this);
  drives_ = new QComboBox(this);
  drives_->setObjectName(QString::number(kIdDrive));
  drive_label->setBuddy(drives_);
  refresh_ = new QPushButton(UiText("&Refresh"), this);
  refresh_->setObjectName(QString::number(kIdRefresh));
  drive_row->addWidget(drive_label);
  drive_row->addWidget(drives_, 1);
  drive_row->addWidget(refresh_);
  root->addLayout(drive_row);

  list_ = new QTreeWidget(this);
  list_->setObjectName(QString::number(kIdTracks));
  list_->setColumnCount(2);
  list_->setHeaderLabels({UiText("Title"), UiText("Time")});
  list_->setRootIsDecorated(false);
  list_->setColumnWidth(0, 200);
  list_->header()->setDefaultAlignment(Qt::AlignCenter);
  root->addWidget(list_, 1);
  count_ = new QLabel(this);
  count_->setObjectName(QString::number(kIdTrackCount));
  root->addWidget(count_);

  auto* grid = new QGridLayout;
  auto* directory_label = new QLabel(UiText("&Output Directory:"), this);
  directory_ = new QLineEdit(QString::fromStdString(output_directory), this);
  directory_->setObjectName(QString::number(kIdOutputDirectory));
  directory_label->setBuddy(directory_);
  auto* browse = new QPushButton(UiText("&Browse..."), this);
  browse->setObjectName(QString::number(kIdBrowse));
  auto* format_label = new QLabel(UiText("A&udio File Format:"), this);
  format_ = new QComboBox(this);
  format_->setObjectName(QString::number(kIdFormat));
  format_->addItem(UiText("PCM (.WAV)"));
  format_label->setBuddy(format_);
  grid->addWidget(directory_label, 0, 0);
  grid->addWidget(directory_, 0, 1);
  grid->addWidget(browse, 0, 2);
  grid->addWidget(format_label, 1, 0);
  grid->addWidget(format_, 1, 1);
  root->addLayout(grid);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  ok_ = new QPushButton(UiText("OK"), this);
  ok_->setObjectName("1");
  ok_->setDefault(true);
  auto* cancel = new QPushButton(UiText("C&ancel"), this);
  cancel->setObjectName("2");
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);
  root->addLayout(buttons);

  connect(refresh_, &QPushButton::clicked, this, [this] { Refresh(); });
  connect(drives_, &QComboBox::activated, this, [this] { Refresh(); });
  connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
  connect(ok_, &QPushButton::clicked, this, [this] { accept(); });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });

  if (library_) {
    const std::vector<std::string> names = library_->Drives();
    if (names.empty()) {
      platform::MessageBox(platform::kNoWindow,
                           UiTextStd("There are no CD drives on this system which are supported by "
                                     "this software and support reading CD-DA."),
                           "Verosa", platform::kMbOk);
    }
    for (const std::string& name : names) drives_->addItem(QString::fromStdString(name));
    if (!names.empty()) drives_->setCurrentIndex(0);
  }
  Refresh();
}

void AudioCdDlg::Refresh() {
  list_->clear();
  tracks_.clear();
  if (library_ && drives_->currentIndex() >= 0) {
    library_->SetDrive(drives_->currentIndex());
    tracks_ = library_->ReadTracks();
  }
  count_->setText(UiText("Audio track count: %d").replace("%d", QString::number(tracks_.size())));
  // Rows follow the table of contents; a data track is shown but cannot be
  // chosen.
  for (const CdTrack& track : tracks_) {
    auto* row = new QTreeWidgetItem(list_);
    row->setText(0, QString::fromStdString(TrackName(track.number)));
    row->setText(1, QString::fromStdString(FormatSectorsText(track.Sectors())));
    row->setTextAlignment(0, Qt::AlignCenter);
    row->setTextAlignment(1, Qt::AlignCenter);
    if (track.audio) {
      row->setCheckState(0, Qt::Checked);
    } else {
      row->setFlags(row->flags() & ~Qt::ItemIsEnabled);
      row->setToolTip(0, UiText("Data track"));
    }
  }
  RefreshControls();
}

void AudioCdDlg::RefreshControls() {
  drives_->setEnabled(library_ != nullptr);
  refresh_->setEnabled(library_ != nullptr);
  ok_->setEnabled(list_->topLevelItemCount() > 0);
}

std::string AudioCdDlg::OutputDirectory() const { return directory_->text().toStdString(); }

void AudioCdDlg::Browse() {
  const QString chosen = picker_(
      this, UiText("Please select the folder where output files are to be stored."),
      directory_->text());
  if (!chosen.isEmpty()) directory_->setText(chosen);
}

void AudioCdDlg::accept() {
  const std::string directory = OutputDirectory();
  std::error_code error;
  if (directory.empty() || !fs::is_directory(directory, error)) {
    platform::MessageBox(platform::kNoWindow, UiTextStd("Invalidated directory:\n") + directory, "Warning!",
                         platform::kMbOk | platform::kMbIconWarning);
    return;
  }
  std::vector<CdTrackChoice> chosen;
  std::int64_t bytes = 0;
  const int drive = library_ ? library_->Drive() : 0;
  for (int row = 0; row < list_->topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = list_->topLevelItem(row);
    const CdTrack& track = tracks_[static_cast<std::size_t>(row)];
    if (!track.audio || item->checkState(0) != Qt::Checked) continue;
    chosen.push_back({drive, track, TrackName(track.number)});
    bytes += track.Bytes() + 46;
  }
  // The WAV files must fit where they go.
  const std::int64_t free = free_space_ ? free_space_(directory) : -1;
  if (!chosen.empty() && free >= 0 && bytes > free) {
    platform::MessageBox(platform::kNoWindow,
                         UiTextStd("Not enough disk space, please respecify your work folder!"),
                         "Warning",
                         platform::kMbOk | platform::kMbIconWarning);
    return;
  }
  chosen_ = std::move(chosen);
  QDialog::accept();
}

}  // namespace carrowell
