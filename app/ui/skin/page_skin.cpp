#include "ui/skin/page_skin.h"

#include <QEvent>
#include <QFile>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolTip>
#include <QWidget>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/paths.h"
#include "ui/skin/skin_bar.h"
#include "ui/skin/skin_button.h"
#include "ui/skin/skin_picture.h"

namespace verosa {
namespace fs = std::filesystem;

namespace {

bool IsFile(const fs::path& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

bool NearColour(QRgb pixel, QRgb colour) {
  return std::abs(qRed(pixel) - qRed(colour)) <= kShapeTolerance &&
         std::abs(qGreen(pixel) - qGreen(colour)) <= kShapeTolerance &&
         std::abs(qBlue(pixel) - qBlue(colour)) <= kShapeTolerance;
}

}  // namespace

fs::path SkinsFolder() { return platform::DataFolder() / kSkinsFolderName; }

ButtonSkinFiles ButtonSkinFilesFor(const fs::path& folder, std::string_view base_name) {
  const std::string base(base_name);
  auto file = [&](const char* suffix) { return folder / (base + suffix + kSkinExtension); };
  return {file(kSkinNormalSuffix), file(kSkinDownSuffix), file(kSkinOverSuffix),
          file(kSkinDisabledSuffix)};
}

QImage LoadSkinImage(const fs::path& path) {
  if (!IsFile(path)) return {};
  QImage image(QFile::decodeName(QByteArray(path.c_str())));
  if (image.isNull()) return {};
  return image.convertToFormat(QImage::Format_RGB32);
}

QRegion BuildShapeRegion(const QImage& source, QRgb transparent) {
  if (source.isNull()) return {};
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  // Runs of shape pixels per row; rows with the same runs share one band.
  std::vector<QRect> rects;
  std::vector<std::pair<int, int>> band_runs;  // (start x, width) of the open band
  std::size_t band_first = 0;
  std::vector<std::pair<int, int>> runs;
  for (int y = 0; y < image.height(); ++y) {
    runs.clear();
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    int x = 0;
    while (x < image.width()) {
      while (x < image.width() && NearColour(line[x], transparent)) ++x;
      const int start = x;
      while (x < image.width() && !NearColour(line[x], transparent)) ++x;
      if (x > start) runs.emplace_back(start, x - start);
    }
    if (!runs.empty() && runs == band_runs && rects.size() > band_first &&
        rects.back().bottom() == y - 1) {
      for (std::size_t i = band_first; i < rects.size(); ++i) rects[i].setBottom(y);
      continue;
    }
    band_first = rects.size();
    band_runs = runs;
    for (const auto& [start, width] : runs) rects.emplace_back(start, y, width, 1);
  }
  QRegion region;
  if (!rects.empty()) region.setRects(rects.data(), static_cast<int>(rects.size()));
  return region;
}

bool SetButtonSkin(SkinButton& button, const fs::path& normal, const fs::path& down,
                   const fs::path& over, const fs::path& disabled) {
  if (!IsFile(normal) || !IsFile(down)) return false;
  const QImage normal_image = LoadSkinImage(normal);
  const QImage down_image = LoadSkinImage(down);
  if (normal_image.isNull() || down_image.isNull()) return false;

  bool all_loaded = true;
  QImage over_image;
  if (IsFile(over)) {
    over_image = LoadSkinImage(over);
    all_loaded = all_loaded && !over_image.isNull();
  }
  QImage disabled_image;
  if (IsFile(disabled)) {
    disabled_image = LoadSkinImage(disabled);
    all_loaded = all_loaded && !disabled_image.isNull();
  }
  // Null images fall back: over to down, disabled to normal.
  button.SetShape(BuildShapeRegion(normal_image));
  button.SetImages(normal_image, over_image, down_image, disabled_image);
  button.LoadHandCursor();
  return all_loaded;
}

bool SetButtonSkin(SkinButton& button, const fs::path& folder, std::string_view base_name) {
  const ButtonSkinFiles files = ButtonSkinFilesFor(folder, base_name);
  return SetButtonSkin(button, files.normal, files.down, files.over, files.disabled);
}

bool SetPictureSkin(SkinPicture& picture, const fs::path& path, QRgb transparent) {
  return SetPictureSkin(picture, LoadSkinImage(path), transparent);
}

bool SetPictureSkin(SkinPicture& picture, const QImage& image, QRgb transparent) {
  if (image.isNull()) return false;
  picture.SetPicture(image, BuildShapeRegion(image, transparent));
  return true;
}

bool SetBarSkin(SkinBar& bar, const fs::path& empty, const fs::path& full, QRgb transparent,
                bool seekable) {
  const QImage empty_image = LoadSkinImage(empty);
  const QImage full_image = LoadSkinImage(full);
  if (empty_image.isNull() || full_image.isNull()) return false;
  bar.SetShape(BuildShapeRegion(empty_image, transparent));
  bar.SetBarImages(empty_image, full_image);
  bar.SetSeekable(seekable);
  return true;
}

void SetButtonToolTips(QWidget& page, const std::function<QString(const QString&)>& translate) {
  for (QPushButton* child : page.findChildren<QPushButton*>()) {
    auto* button = dynamic_cast<SkinButton*>(child);
    if (button == nullptr) continue;
    const QString caption = button->text().left(kToolTipCaptionLimit);
    button->SetToolTip(translate ? translate(caption) : caption, true);
  }
}

// ---------------------------------------------------------------- relay

ToolTipRelay::ToolTipRelay(QWidget& page) : QObject(&page), page_(&page) {
  page.setMouseTracking(true);
  page.installEventFilter(this);
  delay_.setSingleShot(true);
  delay_.setInterval(SkinButton::kToolTipDelayMs);
  QObject::connect(&delay_, &QTimer::timeout, this, [this] { ShowPendingToolTip(); });
}

ToolTipRelay::~ToolTipRelay() = default;

SkinButton* ToolTipRelay::DisabledButtonAt(const QPoint& page_pos) const {
  for (QWidget* widget = page_->childAt(page_pos); widget != nullptr && widget != page_;
       widget = widget->parentWidget()) {
    if (auto* button = dynamic_cast<SkinButton*>(widget))
      return button->isEnabled() ? nullptr : button;
  }
  return nullptr;
}

bool ToolTipRelay::ShowPendingToolTip() {
  if (!pending_) return false;
  return pending_->ShowToolTip(pending_pos_);
}

void ToolTipRelay::Cancel() {
  delay_.stop();
  if (pending_ && QToolTip::isVisible() && QToolTip::text() == pending_->ToolTipText())
    QToolTip::hideText();
  pending_ = nullptr;
}

bool ToolTipRelay::eventFilter(QObject* watched, QEvent* event) {
  if (watched == page_ && RelayToolTip(event)) return true;
  return QObject::eventFilter(watched, event);
}

bool ToolTipRelay::RelayToolTip(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseMove: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      SkinButton* button = DisabledButtonAt(mouse->position().toPoint());
      if (button == nullptr || !button->ToolTipActive()) {
        Cancel();
        return false;
      }
      if (button != pending_) Cancel();
      pending_ = button;
      pending_pos_ = mouse->globalPosition().toPoint();
      delay_.start();
      return false;
    }
    case QEvent::ToolTip: {
      const auto* help = static_cast<QHelpEvent*>(event);
      SkinButton* button = DisabledButtonAt(help->pos());
      return button != nullptr && button->ShowToolTip(help->globalPos());
    }
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
    case QEvent::Hide:
      Cancel();
      return false;
    default:
      return false;
  }
}

}  // namespace verosa
