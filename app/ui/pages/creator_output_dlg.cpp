#include "ui/pages/creator_output_dlg.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "platform/message_box.h"
#include "shell/app_context.h"
#include "shell/language_holder.h"
#include "ui/common/ui_language.h"
#include "ui/skin/page_skin.h"
#include "ui/skin/skin_button.h"

namespace fs = std::filesystem;

namespace verosa {
namespace {

constexpr int kMargin = 16;
constexpr int kPageWidth = 720;
constexpr int kGroupWidth = 520;

QString IdName(int id) { return QString::number(id); }

}  // namespace

CreatorOutputDlg::CreatorOutputDlg(AppContext& context, QWidget* parent)
    : QWidget(parent),
      context_(context),
      job_(std::make_unique<OutputJob>(context, *this)),
      burning_(std::make_unique<DiscBurning>(*this)) {
  setObjectName("CreatorOutputDlg");
  folder_picker_ = [](QWidget* parent, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
  };
  job_->SetWriterCheck([this] { return burning_->ReadyForWriting(SelectedDevice()); });
  BuildWidgets();
}

CreatorOutputDlg::~CreatorOutputDlg() {
  if (job_->IsRunning()) job_->Cancel();
}

void CreatorOutputDlg::BuildWidgets() {
  auto* caption = new QLabel(QStringLiteral("Output"), this);
  QFont heading = caption->font();
  heading.setBold(true);
  heading.setPixelSize(18);
  caption->setFont(heading);
  caption->setGeometry(kMargin, 8, 400, 28);

  auto* type_label = new QLabel(QStringLiteral("Output Type"), this);
  type_label->setGeometry(kMargin, 48, 120, 24);
  output_type_ = new QComboBox(this);
  output_type_->setObjectName(IdName(kOutputType));
  output_type_->setGeometry(kMargin + 128, 46, 200, 26);
  type_label->setBuddy(output_type_);

  folder_group_ = new QGroupBox(QStringLiteral("DVD Folder"), this);
  folder_group_->setObjectName(IdName(kFolderGroup));
  folder_group_->setGeometry(kMargin, 84, kGroupWidth, 64);
  data_folder_ = new QLineEdit(folder_group_);
  data_folder_->setObjectName(IdName(kDataFolder));
  data_folder_->setGeometry(12, 26, kGroupWidth - 64, 26);
  browse_ = new SkinButton(QStringLiteral("Browse"), folder_group_);
  browse_->setObjectName(IdName(kBrowse));
  browse_->setGeometry(kGroupWidth - 44, 22, 32, 32);
  browse_->SetDrawText(false);

  burning_group_ = new QGroupBox(QStringLiteral("DVD Burning"), this);
  burning_group_->setObjectName(IdName(kBurningGroup));
  burning_group_->setGeometry(kMargin, 156, kGroupWidth, 100);
  auto* engine_label = new QLabel(QStringLiteral("Engine"), burning_group_);
  engine_label->setGeometry(12, 26, 80, 24);
  engine_ = new QComboBox(burning_group_);
  engine_->setObjectName(IdName(kBurnEngine));
  engine_->setGeometry(96, 24, 180, 26);
  auto* device_label = new QLabel(QStringLiteral("Device"), burning_group_);
  device_label->setGeometry(12, 60, 80, 24);
  device_ = new QComboBox(burning_group_);
  device_->setObjectName(IdName(kDevice));
  device_->setGeometry(96, 58, 260, 26);
  eject_load_ = new SkinButton(QStringLiteral("Eject/Load"), burning_group_);
  eject_load_->setObjectName(IdName(kEjectLoad));
  eject_load_->setGeometry(368, 54, 32, 32);
  eject_load_->SetDrawText(false);
  load_ = new QPushButton(QStringLiteral("&Load"), burning_group_);
  load_->setObjectName(IdName(kLoad));
  load_->setGeometry(288, 22, 72, 28);
  eject_ = new QPushButton(QStringLiteral("E&ject"), burning_group_);
  eject_->setObjectName(IdName(kEject));
  eject_->setGeometry(366, 22, 72, 28);
  erase_ = new SkinButton(QStringLiteral("Erase"), burning_group_);
  erase_->setObjectName(IdName(kErase));
  erase_->setGeometry(412, 54, 32, 32);
  erase_->SetDrawText(false);

  logo_ = new QLabel(this);
  logo_->setObjectName(IdName(kLogo));
  logo_->setGeometry(kPageWidth - kMargin - 144, 84, 144, 144);
  logo_->setScaledContents(true);

  progress_ = new QProgressBar(this);
  progress_->setObjectName(IdName(kProgress));
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setGeometry(kMargin, 280, kPageWidth - 2 * kMargin, 22);
  status_ = new QLabel(this);
  status_->setObjectName(IdName(kStatusText));
  status_->setGeometry(kMargin, 306, kPageWidth - 2 * kMargin, 24);
  status_->setTextFormat(Qt::PlainText);

  create_ = new SkinButton(QStringLiteral("Create"), this);
  create_->setObjectName(IdName(kCreate));
  create_->setGeometry(kPageWidth - kMargin - 112, 340, 48, 48);
  create_->SetDrawText(false);
  abort_ = new SkinButton(QStringLiteral("Abort"), this);
  abort_->setObjectName(IdName(kAbort));
  abort_->setGeometry(kPageWidth - kMargin - 56, 340, 48, 48);
  abort_->SetDrawText(false);

  // The keyboard reaches every button: Tab, and these keys on the page.
  const std::pair<SkinButton*, QKeySequence> keys[] = {
      {create_, QKeySequence(Qt::CTRL | Qt::Key_Return)}, {abort_, QKeySequence(Qt::Key_Escape)},
      {browse_, QKeySequence(Qt::CTRL | Qt::Key_B)},      {erase_, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E)},
      {eject_load_, QKeySequence(Qt::CTRL | Qt::Key_J)}};
  for (auto [button, key] : keys) {
    button->setShortcut(key);
    button->setFocusPolicy(Qt::StrongFocus);
  }

  connect(create_, &QPushButton::clicked, this, [this] { Create(); });
  connect(abort_, &QPushButton::clicked, this, [this] { Abort(); });
  connect(erase_, &QPushButton::clicked, this, [this] { Erase(); });
  connect(browse_, &QPushButton::clicked, this, [this] { Browse(); });
  connect(eject_load_, &QPushButton::clicked, this, [this] { EjectLoad(); });
  connect(load_, &QPushButton::clicked, this, [this] {
    burning_->Load(SelectedDevice());
    RefreshControls();
  });
  connect(eject_, &QPushButton::clicked, this, [this] {
    burning_->Eject(SelectedDevice());
    RefreshControls();
  });
  connect(output_type_, &QComboBox::activated, this, [this](int index) { SetOutputType(index); });
  connect(engine_, &QComboBox::activated, this, [this](int index) { SelectEngine(index); });
  connect(device_, &QComboBox::activated, this, [this] { RefreshControls(); });
  connect(data_folder_, &QLineEdit::editingFinished, this, [this] { PullDataFolder(); });
}

void CreatorOutputDlg::SkinControls() {
  const fs::path skins = SkinsFolder();
  const std::pair<SkinButton*, const char*> skinned[] = {{eject_load_, "output_device"},
                                                          {browse_, "output_folder"},
                                                          {erase_, "output_erase"},
                                                          {abort_, "output_abort"},
                                                          {create_, "output_burn"}};
  for (auto [button, base] : skinned)
    if (SetButtonSkin(*button, skins, base)) button->setFixedSize(button->ImageNormal().size());
  const QImage logo = LoadSkinImage(skins / "output_logo.bmp");
  if (!logo.isNull()) {
    logo_->setPixmap(QPixmap::fromImage(logo));
    logo_->setMask(BuildShapeRegion(logo));
  }
  LanguageHolder& language = context_.Settings().Language();
  SetButtonToolTips(*this, [&language](const QString& caption) {
    return QString::fromStdString(language.Translate(caption.toStdString(), kSectionToolTips));
  });
}

void CreatorOutputDlg::Initialize() {
  job_->Initialize();
  SkinControls();
  // The output types are the captions of the two groups.
  output_type_->clear();
  output_type_->addItem(folder_group_->title());
  output_type_->addItem(burning_group_->title());
  output_type_->setCurrentIndex(0);
  engine_->clear();
  if (burning_->Load(burner_name_))
    for (const std::string& name : burning_->Engines()) engine_->addItem(QString::fromStdString(name));
  Refresh();
}

void CreatorOutputDlg::SetWindow(platform::WindowHandle window) { job_->SetWindow(window); }

bool CreatorOutputDlg::HandleMessage(std::uint32_t message, std::uintptr_t wparam,
                                     std::intptr_t lparam) {
  const bool handled = job_->HandleMessage(message, wparam, lparam);
  RefreshControls();
  return handled;
}

void CreatorOutputDlg::Refresh() {
  // The output types are the groups' captions, as translated by now.
  output_type_->setItemText(0, folder_group_->title());
  output_type_->setItemText(1, burning_group_->title());
  // The folder a user typed stays until it is taken or the page is left.
  if (!data_folder_->hasFocus())
    data_folder_->setText(QString::fromStdString(job_->DataFolderText()));
  RefreshControls();
}

void CreatorOutputDlg::PullDataFolder() {
  job_->SetDataFolderText(data_folder_->text().toStdString());
}

bool CreatorOutputDlg::IsBusy() const {
  return job_->IsRunning() || burn_pending_ || burning_->IsBusy();
}

void CreatorOutputDlg::DeleteTemporaryFiles() { job_->DeleteTemporaryFiles(); }

int CreatorOutputDlg::SelectedDevice() const { return device_->currentIndex(); }

void CreatorOutputDlg::RefreshControls() {
  const bool idle = !IsBusy();
  const bool burn_mode = job_->Type() == OutputType::DvdBurning;
  const bool engines = !burning_->Engines().empty();
  const bool burnable = burn_mode && engines && !burning_->Writers().empty();
  const bool chapters = context_.Project().CellCount() > 0;
  output_type_->setEnabled(idle);
  browse_->setEnabled(idle && !burn_mode);
  data_folder_->setEnabled(idle && !burn_mode);
  engine_->setEnabled(idle && burn_mode && engines);
  for (QWidget* control : {static_cast<QWidget*>(device_), static_cast<QWidget*>(eject_load_),
                           static_cast<QWidget*>(load_), static_cast<QWidget*>(eject_)})
    control->setEnabled(idle && burnable);
  erase_->setEnabled(idle && burnable && burning_->ReadyForErasing(SelectedDevice()));
  create_->setEnabled(idle && chapters &&
                      (!burn_mode || (burnable && burning_->ReadyForWriting(SelectedDevice()))));
  abort_->setEnabled(!idle);
}

void CreatorOutputDlg::SetOutputType(int type) {
  job_->SetType(type == 1 ? OutputType::DvdBurning : OutputType::DvdFolder);
  PullDataFolder();
  if (type == 1 && !burning_->Engines().empty()) {
    engine_->setCurrentIndex(0);
    SelectEngine(0);
  }
  RefreshControls();
}

void CreatorOutputDlg::SelectEngine(int index) {
  burning_->SelectEngine(index);
  FillDevices();
  RefreshControls();
}

void CreatorOutputDlg::FillDevices() {
  device_->clear();
  for (const DiscBurning::Writer& writer : burning_->Writers())
    device_->addItem(QString::fromStdString(writer.name), writer.device);
  if (device_->count() > 0) device_->setCurrentIndex(0);
}

void CreatorOutputDlg::Create() {
  if (IsBusy()) return;
  PullDataFolder();
  job_->Create();
  RefreshControls();
}

void CreatorOutputDlg::BurnAfterAuthoring() {
  burn_pending_ = false;
  burning_->Burn(SelectedDevice(), job_->DvdFolderPath(), job_->ProjectLabel());
  RefreshControls();
}

void CreatorOutputDlg::Abort() {
  if (!OutputJob::ConfirmCancel(platform::kNoWindow)) return;
  if (job_->IsRunning()) job_->Cancel();
  burning_->Cancel();
  Percent(0);
  RefreshControls();
}

void CreatorOutputDlg::Erase() {
  if (IsBusy()) return;
  burning_->Erase(SelectedDevice());
  RefreshControls();
}

void CreatorOutputDlg::Browse() {
  const QString title = QString::fromStdString(
      context_.Settings().Language().Translate("Current Folder:", kSectionMiscStrings));
  const QString chosen = folder_picker_(this, title, data_folder_->text());
  if (chosen.isEmpty()) return;
  data_folder_->setText(chosen);
  PullDataFolder();
  context_.Settings().Values().strDVDDataFolder = chosen.toStdString();
  RefreshControls();
}

void CreatorOutputDlg::EjectLoad() {
  burning_->EjectOrLoad(SelectedDevice());
  RefreshControls();
}

void CreatorOutputDlg::Percent(int percent) {
  progress_->setValue(percent);
  if (percent == 0) status_->clear();
}

void CreatorOutputDlg::Status(const std::string& text) { status_->setText(QString::fromStdString(text)); }

void CreatorOutputDlg::Message(const std::string& text, core::JobMessageKind) {
  status_->setText(QString::fromStdString(text));
}

void CreatorOutputDlg::Finished(bool success) {
  // Burn mode goes on with the burn once the authoring has returned.
  if (success && job_->Type() == OutputType::DvdBurning) {
    burn_pending_ = true;
    QTimer::singleShot(0, this, [this] { BurnAfterAuthoring(); });
  }
  RefreshControls();
  // A job that failed without a box of its own says why, once it has ended.
  if (job_->Outcome() == OutputOutcome::Failed && !job_->ToldTheUser()) {
    const std::string text = context_.Settings().Language().Translate("The DVD was not made:", kSectionMessageBoxes);
    QTimer::singleShot(0, this, [this, text] {
      platform::MessageBox(platform::kNoWindow, text + "\n" + job_->FailureText(), "Warning",
                           platform::kMbOk | platform::kMbIconWarning);
    });
  }
}

void CreatorOutputDlg::ProcessEvents() { QCoreApplication::processEvents(); }

}  // namespace verosa
