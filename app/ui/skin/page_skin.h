// Page skin operations: load skin bitmaps onto the controls of a wizard
// page, shape the controls by the bitmaps' non-magenta pixels, set the
// buttons' tool tips from their captions and let disabled buttons show
// their tips.
#pragma once

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRegion>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <string_view>

#include "ui/skin/skin_button.h"

namespace verosa {

class SkinBar;
class SkinPicture;

// Pixels of this colour (within kShapeTolerance per channel) lie outside a
// control's shape.
inline constexpr QRgb kSkinTransparent = 0xFF00FF;
inline constexpr int kShapeTolerance = 0x10;

// Skin file names: base name + one of these endings + kSkinExtension.
inline constexpr const char* kSkinNormalSuffix = "_normal";
inline constexpr const char* kSkinDownSuffix = "_down";
inline constexpr const char* kSkinOverSuffix = "_over";
inline constexpr const char* kSkinDisabledSuffix = "_disable";
inline constexpr const char* kSkinExtension = ".bmp";
inline constexpr const char* kSkinsFolderName = "skins";

// Captions longer than this (in characters) are cut before they become tips.
inline constexpr int kToolTipCaptionLimit = 259;

// The skins folder of the program's data.
std::filesystem::path SkinsFolder();

// The four files of a skinned button.
struct ButtonSkinFiles {
  std::filesystem::path normal, down, over, disabled;
};
ButtonSkinFiles ButtonSkinFilesFor(const std::filesystem::path& folder,
                                   std::string_view base_name);

// Loads a skin bitmap; a null image when the file is missing or unreadable.
QImage LoadSkinImage(const std::filesystem::path& path);

// The region of `image` whose pixels are not within kShapeTolerance (per
// colour channel) of `transparent`, in image coordinates.
QRegion BuildShapeRegion(const QImage& image, QRgb transparent = kSkinTransparent);

// Skins a button. Needs the normal and the down file; without either the
// button keeps the standard look and false is returned. A missing over file
// shows the down image, a missing disabled file the normal image. Shapes
// the button by the normal image and turns on its hand cursor. False also
// when an over or disabled file exists but cannot be read (its stand-in is
// used then).
bool SetButtonSkin(SkinButton& button, const std::filesystem::path& normal,
                   const std::filesystem::path& down, const std::filesystem::path& over,
                   const std::filesystem::path& disabled);
// The same with the files "<base_name>_normal.bmp" … in `folder`.
bool SetButtonSkin(SkinButton& button, const std::filesystem::path& folder,
                   std::string_view base_name);

// Shows a bitmap in a picture control shaped by the pixels that are not
// `transparent`. False, unchanged, when the picture cannot be loaded.
bool SetPictureSkin(SkinPicture& picture, const std::filesystem::path& path,
                    QRgb transparent = kSkinTransparent);
bool SetPictureSkin(SkinPicture& picture, const QImage& image,
                    QRgb transparent = kSkinTransparent);

// Skins the play-position bar: shaped by the empty image, both images
// stored, seekable as given. Needs both files; false, unchanged, otherwise.
bool SetBarSkin(SkinBar& bar, const std::filesystem::path& empty,
                const std::filesystem::path& full, QRgb transparent, bool seekable);

// Sets the tool tip of every skinned button on `page` to its caption as
// `translate` gives it (the "ToolTips" section of the interface language).
void SetButtonToolTips(QWidget& page, const std::function<QString(const QString&)>& translate);

// Shows the tool tips of disabled skinned buttons on a page. Qt hands no
// mouse moves to a disabled widget's handlers; they reach its page, where
// this filter finds the button under the mouse and shows its tip after
// SkinButton::kToolTipDelayMs.
class ToolTipRelay : public QObject {
 public:
  // Watches `page` (and turns on its mouse tracking) for its lifetime.
  explicit ToolTipRelay(QWidget& page);
  ~ToolTipRelay() override;

  // The disabled button under a point of the page, if any.
  SkinButton* DisabledButtonAt(const QPoint& page_pos) const;
  // The button whose tip is waiting to appear.
  SkinButton* PendingButton() const { return pending_; }
  // Shows the waiting tip now (the delay timer calls this).
  bool ShowPendingToolTip();

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Handles one page event; true when it was a tip request answered here.
  bool RelayToolTip(QEvent* event);
  void Cancel();

  QWidget* page_;
  QPointer<SkinButton> pending_;
  QPoint pending_pos_;
  QTimer delay_;
};

}  // namespace verosa
