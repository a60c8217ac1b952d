// SkinButton: an owner-drawn bitmap push button. Its outline is the shape of
// its normal image, it shows one of four images by state (normal, hover,
// pressed, disabled), draws its caption over the image, shows the hand
// cursor and a tool tip (also while disabled), and can cross-fade between
// states or behave as a check box.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QMargins>
#include <QPoint>
#include <QPushButton>
#include <QRegion>
#include <QString>
#include <QTimer>

class QPainter;

namespace verosa {

// Caption format flags (the classic DrawText values).
inline constexpr unsigned kDtLeft = 0x00;
inline constexpr unsigned kDtCenter = 0x01;
inline constexpr unsigned kDtRight = 0x02;
inline constexpr unsigned kDtTop = 0x00;
inline constexpr unsigned kDtVCenter = 0x04;
inline constexpr unsigned kDtBottom = 0x08;
inline constexpr unsigned kDtWordBreak = 0x10;
inline constexpr unsigned kDtSingleLine = 0x20;
inline constexpr unsigned kDtNoPrefix = 0x800;
// Centred horizontally and vertically on a single line.
inline constexpr unsigned kDefaultTextFormat = kDtCenter | kDtVCenter | kDtSingleLine;
static_assert(kDefaultTextFormat == 37);

// Qt alignment and text flags for a caption format. Vertical placement only
// applies to single-line text; '&' marks a mnemonic unless kDtNoPrefix.
int QtTextFlags(unsigned format);

class SkinButton : public QPushButton {
 public:
  enum ButtonState : int { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };

  // Cross-fade: one step per timer tick; five ticks from 0 past 255.
  static constexpr int kFadeIntervalMs = 30;
  static constexpr int kFadeStepIncrement = 60;
  static constexpr int kFadeStepEnd = 256;
  static constexpr int kFadeHalfway = 128;
  // The tool tip appears after the mouse rests this long.
  static constexpr int kToolTipDelayMs = 100;
  // Weight of the font SetCaptionFont makes (heavy).
  static constexpr int kCaptionFontWeight = 900;

  explicit SkinButton(QWidget* parent = nullptr);
  explicit SkinButton(const QString& caption, QWidget* parent = nullptr);
  ~SkinButton() override;

  // --- Skin (see SetButtonSkin in page_skin.h) ---
  // Stores the four state images, each cut or padded to the normal image's
  // size. Without a normal image the button keeps the standard look.
  void SetImages(const QImage& normal, const QImage& over, const QImage& down,
                 const QImage& disabled);
  // Shapes the button by `shape` (widget mask) and keeps a copy to clip
  // drawing; an empty region removes the shape.
  void SetShape(const QRegion& shape);
  // Makes the hand cursor available (shown while HandCursor is set).
  void LoadHandCursor();
  bool IsSkinned() const { return !image_normal_.isNull(); }
  const QImage& ImageNormal() const { return image_normal_; }
  const QImage& ImageOver() const { return image_over_; }
  const QImage& ImageDown() const { return image_down_; }
  const QImage& ImageDisabled() const { return image_disabled_; }
  const QRegion& ShapeRegion() const { return shape_region_; }
  bool HasShape() const { return has_shape_; }
  // The image the next paint shows (check mode: down when checked).
  const QImage& CurrentImage() const;
  // A skinned button asks for the size of its images.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  // --- State ---
  ButtonState State() const { return state_; }
  ButtonState PreviousState() const { return previous_state_; }

  // --- Check mode ---
  void SetCheckMode(bool check_mode);
  bool CheckMode() const { return check_mode_; }
  // Checked: pressed look; unchecked: normal look. Ignored when unchanged.
  void SetCheck(bool checked);
  bool Checked() const { return checked_; }

  // --- Caption ---
  void SetDrawText(bool draw) { draw_text_ = draw; update(); }
  bool DrawsText() const { return draw_text_; }
  void SetTextColor(ButtonState state, const QColor& colour);
  QColor TextColor(ButtonState state) const;
  void SetShadowOn(bool on) { shadow_on_ = on; update(); }
  bool ShadowOn() const { return shadow_on_; }
  void SetShadowColor(const QColor& colour) { shadow_color_ = colour; update(); }
  QColor ShadowColor() const { return shadow_color_; }
  void SetShadowOffset(const QPoint& offset) { shadow_offset_ = offset; update(); }
  QPoint ShadowOffset() const { return shadow_offset_; }
  void SetTextFormat(unsigned format) { text_format_ = format; update(); }
  unsigned TextFormat() const { return text_format_; }
  // Amounts by which the caption area shrinks: always, and in addition
  // while hovered or pressed.
  void SetTextMargins(const QMargins& margins) { text_margins_ = margins; update(); }
  void SetOverMargins(const QMargins& margins) { over_margins_ = margins; update(); }
  void SetDownMargins(const QMargins& margins) { down_margins_ = margins; update(); }
  // The area the caption is drawn into in the current state.
  QRect CaptionRect() const;
  void SetTextFont(const QFont& font) { text_font_ = font; update(); }
  const QFont& TextFont() const { return text_font_; }
  // The current caption font with face `face`, pixel height `height` and
  // heavy weight.
  void SetCaptionFont(int height, const QString& face);

  // --- Cursor ---
  void SetHandCursor(bool hand);
  bool HandCursor() const { return hand_cursor_; }

  // --- Tool tip ---
  // Sets the tip text and activates or deactivates it. A null text is
  // ignored; an inactive tip is never shown.
  void SetToolTip(const QString& text, bool activate = true);
  bool HasToolTip() const { return tool_tip_created_; }
  const QString& ToolTipText() const { return tool_tip_text_; }
  bool ToolTipActive() const { return tool_tip_active_; }
  // Shows the tip at `global_pos` for as long as the mouse stays on the
  // button. False when there is no active tip.
  bool ShowToolTip(const QPoint& global_pos);

  // --- Cross-fade ---
  void SetFadeOn(bool on) { fade_on_ = on; }
  bool FadeOn() const { return fade_on_; }
  int FadeStep() const { return fade_step_; }
  bool NoBlit() const { return no_blit_; }
  bool IsFading() const { return fade_timer_.isActive(); }
  // One fade step; the fade timer calls it every kFadeIntervalMs.
  void FadeTick();
  // The picture the fade has blended so far (shown while NoBlit).
  const QImage& FadeFrame() const { return fade_frame_; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  void nextCheckState() override;
  void checkStateSet() override;

  // Draws the caption (shadow first) in the colour of the current state.
  void DrawCaption(QPainter& painter) const;
  // True when `pos` lies on the button (inside its shape when shaped).
  bool IsOnButton(const QPoint& pos) const;

 private:
  void Init();
  void HandleMouseMove(const QPoint& pos, bool left_held);
  void StartFade();
  void StopFade();
  // The from and to images of a state change; false for pairs without a fade.
  bool FadeImages(const QImage** from, const QImage** to) const;
  const QImage& ImageForState(ButtonState state) const;
  void UpdateCursor();

  bool tool_tip_created_ = false;
  QString tool_tip_text_;
  bool tool_tip_active_ = false;
  QTimer tool_tip_timer_;
  QPoint tool_tip_pos_;

  bool check_mode_ = false;
  bool checked_ = false;
  QRegion shape_region_;
  bool has_shape_ = false;
  bool draw_text_ = true;
  bool hand_cursor_ = true;
  bool hand_cursor_loaded_ = false;
  QImage image_normal_, image_over_, image_down_, image_disabled_;
  QFont text_font_;
  QColor text_color_normal_, text_color_over_, text_color_down_, text_color_disabled_;
  QColor shadow_color_;
  bool shadow_on_ = false;
  unsigned text_format_ = kDefaultTextFormat;
  QMargins text_margins_, over_margins_, down_margins_;
  bool no_blit_ = false;
  bool fade_on_ = false;
  int fade_step_ = 0;
  ButtonState state_ = kNormal;
  ButtonState previous_state_ = kNormal;
  QPoint shadow_offset_{0, 0};

  // Stands in for the mouse capture: the button follows the mouse from the
  // moment it turned to hover until the mouse leaves.
  bool tracking_ = false;
  QTimer fade_timer_;
  QImage fade_frame_;
};

}  // namespace verosa
