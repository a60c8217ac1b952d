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

namespace carrowell {
namespace {

namespace fs = std::filesystem;

std::string TrackName(int number) {
  char text[32];
  std::snprintf(text, sizeof text, "Track %02d", number);
  return text;
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
  setWindowTitle(QStringLiteral("Audio CD"));
  picker_ = [](QWidget* parent, const QString& prompt, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, prompt, start, QFileDialog::ShowDirsOnly);
  };
  free_space_ = &FreeBytes;

  auto* root = new QVBoxLayout(this);
  auto* drive_row = new QHBoxLayout;
  auto* drive_label = new QLabel(QStringLiteral("Dri&ve:"), this);
  drives_ = new QComboBox(this);
  drives_->setObjectName(QString::number(kIdDrive));
  drive_label->setBuddy(drives_);
  refresh_ = new QPushButton(QStringLiteral("&Refresh"), this);
  refresh_->setObjectName(QString::number(kIdRefresh));
  drive_row->addWidget(drive_label);
  drive_row->addWidget(drives_, 1);
  drive_row->addWidget(refresh_);
  root->addLayout(drive_row);

  list_ = new QTreeWidget(this);
  list_->setObjectName(QString::number(kIdTracks));
  list_->setColumnCount(2);
  list_->setHeaderLabels({QStringLiteral("Title"), QStringLiteral("Time")});
  list_->setRootIsDecorated(false);
  list_->setColumnWidth(0, 200);
  list_->header()->setDefaultAlignment(Qt::AlignCenter);
  root->addWidget(list_, 1);
  count_ = new QLabel(this);
  count_->setObjectName(QString::number(kIdTrackCount));
  root->addWidget(count_);

  auto* grid = new QGridLayout;
  auto* directory_label = new QLabel(QStringLiteral("&Output Directory:"), this);
  directory_ = new QLineEdit(QString::fromStdString(output_directory), this);
  directory_->setObjectName(QString::number(kIdOutputDirectory));
  directory_label->setBuddy(directory_);
  auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
  browse->setObjectName(QString::number(kIdBrowse));
  auto* format_label = new QLabel(QStringLiteral("A&udio File Format:"), this);
  format_ = new QComboBox(this);
  format_->setObjectName(QString::number(kIdFormat));
  format_->addItem(QStringLiteral("PCM (.WAV)"));
  format_label->setBuddy(format_);
  grid->addWidget(directory_label, 0, 0);
  grid->addWidget(directory_, 0, 1);
  grid->addWidget(browse, 0, 2);
  grid->addWidget(format_label, 1, 0);
  grid->addWidget(format_, 1, 1);
  root->addLayout(grid);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setObjectName("1");
  ok_->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("C&ancel"), this);
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
                           "There are no CD drives on this system which are supported by this "
                           "software and support reading CD-DA.",
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
  char text[64];
  std::snprintf(text, sizeof text, "Audio track count: %d", static_cast<int>(tracks_.size()));
  count_->setText(QString::fromLatin1(text));
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
      row->setToolTip(0, QStringLiteral("Data track"));
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
      this, QStringLiteral("Please select the folder where output files are to be stored."),
      directory_->text());
  if (!chosen.isEmpty()) directory_->setText(chosen);
}

void AudioCdDlg::accept() {
  const std::string directory = OutputDirectory();
  std::error_code error;
  if (directory.empty() || !fs::is_directory(directory, error)) {
    platform::MessageBox(platform::kNoWindow, "Invalidated directory:\n" + directory, "Warning!",
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
                         "Not enough disk space, please respecify your work folder!", "Warning",
                         platform::kMbOk | platform::kMbIconWarning);
    return;
  }
  chosen_ = std::move(chosen);
  QDialog::accept();
}

}  // namespace carrowell
