#include "ui/converter_progress_dlg.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "ui/converter_progress.h"
#include "ui/ui_text.h"

namespace carrowell {
namespace {

QLabel* Caption(const char* text, QWidget* parent) { return new QLabel(UiText(text), parent); }

void SetTextIfChanged(QLabel* label, const std::string& text) {
  const QString value = QString::fromStdString(text);
  if (label && label->text() != value) label->setText(value);
}

}  // namespace

ConverterProgressDlg::ConverterProgressDlg(QWidget* owner, std::function<bool()> ask_to_abort)
    : QDialog(owner), owner_(owner), ask_to_abort_(std::move(ask_to_abort)) {
  setWindowTitle(UiText("Audio Converter"));
  setModal(false);
  setMinimumWidth(380);

  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);

  file_label_ = Caption(kConvertingText, this);
  file_label_->setObjectName(kFileTextId);
  file_label_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  file_label_->setTextFormat(Qt::PlainText);

  file_bar_ = new QProgressBar(this);
  file_bar_->setObjectName(kFileBarId);
  file_bar_->setRange(0, 1000);
  file_bar_->setTextVisible(false);

  total_bar_ = new QProgressBar(this);
  total_bar_->setObjectName(kTotalBarId);
  total_bar_->setRange(0, 1);
  total_bar_->setTextVisible(false);

  estimated_label_ = Caption(kUnknownText, this);
  estimated_label_->setObjectName(kEstimatedId);
  percentage_label_ = Caption(kUnknownText, this);
  percentage_label_->setObjectName(kPercentageId);

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);

  abort_button_ = new QPushButton(UiText("&Abort"), this);
  abort_button_->setObjectName(kAbortId);
  connect(abort_button_, &QPushButton::clicked, this, [this] {
    if (ask_to_abort_) ask_to_abort_();
  });

  auto* bars = new QVBoxLayout;
  bars->addWidget(file_label_);
  bars->addWidget(file_bar_);
  bars->addWidget(Caption("Total Progress:", this));
  bars->addWidget(total_bar_);
  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addLayout(bars, 1);

  auto* figures = new QGridLayout;
  figures->addWidget(Caption("Estimated Time:", this), 0, 0);
  figures->addWidget(estimated_label_, 0, 1);
  figures->addWidget(Caption("Progress:", this), 1, 0);
  figures->addWidget(percentage_label_, 1, 1);
  figures->setColumnStretch(1, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addLayout(figures, 1);
  bottom->addWidget(abort_button_, 0, Qt::AlignBottom);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(line);
  layout->addLayout(bottom);

  // The batch runs on this thread; the owner takes no input meanwhile.
  if (owner_) owner_->setEnabled(false);
  setEnabled(true);
}

ConverterProgressDlg::~ConverterProgressDlg() { EnableOwner(); }

void ConverterProgressDlg::EnableOwner() {
  if (owner_) owner_->setEnabled(true);
}

void ConverterProgressDlg::Finish() {
  finished_ = true;
  EnableOwner();
  abort_button_->setEnabled(false);
  close();
}

void ConverterProgressDlg::closeEvent(QCloseEvent* event) {
  if (finished_ || !ask_to_abort_ || ask_to_abort_()) {
    event->accept();
    return;
  }
  event->ignore();
}

void ConverterProgressDlg::reject() {
  // Escape behaves like closing the window.
  close();
}

QtProgressDisplay::QtProgressDisplay()
    : dialog_(new ConverterProgressDlg(QApplication::activeWindow(), [this] { return AskToAbort(); })) {
  dialog_->show();
  dialog_->raise();
  QCoreApplication::processEvents();
}

QtProgressDisplay::~QtProgressDisplay() {
  if (dialog_) {
    dialog_->SetAskToAbort({});
    delete dialog_.data();
  }
}

void QtProgressDisplay::ShowFileText(const std::string& text) {
  if (dialog_) SetTextIfChanged(dialog_->FileLabel(), text);
}

void QtProgressDisplay::SetFileProgress(int value) {
  if (dialog_) dialog_->FileBar()->setValue(value);
}

void QtProgressDisplay::SetTotalRange(int upper) {
  // A range of 0..0 would turn the bar into a busy indicator.
  if (dialog_) dialog_->TotalBar()->setRange(0, std::max(upper, 1));
}

void QtProgressDisplay::SetTotalProgress(int value) {
  if (dialog_) dialog_->TotalBar()->setValue(value);
}

void QtProgressDisplay::ShowEstimatedTime(const std::string& text) {
  if (dialog_) SetTextIfChanged(dialog_->EstimatedLabel(), text);
}

void QtProgressDisplay::ShowPercentage(const std::string& text) {
  if (dialog_) SetTextIfChanged(dialog_->PercentageLabel(), text);
}

void QtProgressDisplay::SetAbortEnabled(bool enabled) {
  if (dialog_) dialog_->AbortButton()->setEnabled(enabled);
}

void QtProgressDisplay::ProcessEvents() { QCoreApplication::processEvents(); }

void QtProgressDisplay::Close() {
  if (dialog_) dialog_->Finish();
}

}  // namespace carrowell
