#include "ui/pages/creator_output_dlg.h"

#include <QCoreApplication>
#include <QFont>
#include <QLabel>
#include <QProgressBar>

#include "shell/app_context.h"

namespace verosa {
namespace {

constexpr int kMargin = 16;
constexpr int kPageWidth = 720;

}  // namespace

CreatorOutputDlg::CreatorOutputDlg(AppContext& context, QWidget* parent)
    : QWidget(parent), job_(std::make_unique<OutputJob>(context, *this)) {
  setObjectName("CreatorOutputDlg");
  auto* caption = new QLabel(QStringLiteral("Output"), this);
  QFont heading = caption->font();
  heading.setBold(true);
  heading.setPixelSize(18);
  caption->setFont(heading);
  caption->setGeometry(kMargin, 12, 400, 28);

  folder_ = new QLabel(this);
  folder_->setObjectName("1029");
  folder_->setGeometry(kMargin, 56, kPageWidth - 2 * kMargin, 24);
  folder_->setTextFormat(Qt::PlainText);

  progress_ = new QProgressBar(this);
  progress_->setObjectName("1026");
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setGeometry(kMargin, 96, kPageWidth - 2 * kMargin, 22);

  status_ = new QLabel(this);
  status_->setObjectName("1027");
  status_->setGeometry(kMargin, 124, kPageWidth - 2 * kMargin, 24);
  status_->setTextFormat(Qt::PlainText);
}

CreatorOutputDlg::~CreatorOutputDlg() {
  if (job_->IsRunning()) job_->Cancel();
}

void CreatorOutputDlg::Initialize() {
  job_->Initialize();
  Refresh();
}

void CreatorOutputDlg::SetWindow(platform::WindowHandle window) { job_->SetWindow(window); }

bool CreatorOutputDlg::HandleMessage(std::uint32_t message, std::uintptr_t wparam,
                                     std::intptr_t lparam) {
  return job_->HandleMessage(message, wparam, lparam);
}

void CreatorOutputDlg::Refresh() {
  folder_->setText(QString::fromStdString(job_->DataFolderText()));
}

bool CreatorOutputDlg::IsBusy() const { return job_->IsRunning(); }

void CreatorOutputDlg::DeleteTemporaryFiles() { job_->DeleteTemporaryFiles(); }

void CreatorOutputDlg::Percent(int percent) { progress_->setValue(percent); }

void CreatorOutputDlg::Status(const std::string& text) { status_->setText(QString::fromStdString(text)); }

void CreatorOutputDlg::Message(const std::string& text, core::JobMessageKind) {
  status_->setText(QString::fromStdString(text));
}

void CreatorOutputDlg::ProcessEvents() { QCoreApplication::processEvents(); }

}  // namespace verosa
