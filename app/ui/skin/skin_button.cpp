#include "ui/skin/skin_button.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QToolTip>

namespace verosa {

int QtTextFlags(unsigned format) {
  int flags = 0;
  if (format & kDtCenter) flags |= Qt::AlignHCenter;
  else if (format & kDtRight) flags |= Qt::AlignRight;
  else flags |= Qt::AlignLeft;

  if (format & kDtSingleLine) {
    flags |= Qt::TextSingleLine;
    if (format & kDtVCenter) flags |= Qt::AlignVCenter;
    else if (format & kDtBottom) flags |= Qt::AlignBottom;
    else flags |= Qt::AlignTop;
  } else {
    flags |= Qt::AlignTop;
    if (format & kDtWordBreak) flags |= Qt::TextWordWrap;
  }
  if (!(format & kDtNoPrefix)) flags |= Qt::TextShowMnemonic;
  return flags;
}

namespace {

// A copy in the drawing format, cut or padded to `size`.
QImage FitImage(const QImage& image, const QSize& size) {
  if (image.isNull()) return {};
  QImage fitted = image.convertToFormat(QImage::Format_RGB32);
  if (fitted.size() != size) fitted = fitted.copy(QRect(QPoint(0, 0), size));
  return fitted;
}

}  // namespace

SkinButton::SkinButton(QWidget* parent) : QPushButton(parent) { Init(); }

SkinButton::SkinButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
  Init();
}

SkinButton::~SkinButton() = default;

void SkinButton::Init() {
  // Reachable by mouse only: the skinned buttons are not tab stops.
  setFocusPolicy(Qt::ClickFocus);
  setMouseTracking(true);

  const QPalette& pal = palette();
  text_font_ = font();
  text_color_normal_ = text_color_over_ = text_color_down_ =
      pal.color(QPalette::Active, QPalette::ButtonText);
  text_color_disabled_ = pal.color(QPalette::Disabled, QPalette::Text);
  shadow_color_ = pal.color(QPalette::Active, QPalette::Light);

  fade_timer_.setInterval(kFadeIntervalMs);
  QObject::connect(&fade_timer_, &QTimer::timeout, this, [this] { FadeTick(); });
  tool_tip_timer_.setSingleShot(true);
  tool_tip_timer_.setInterval(kToolTipDelayMs);
  QObject::connect(&tool_tip_timer_, &QTimer::timeout, this,
                   [this] { ShowToolTip(tool_tip_pos_); });
}

// ---------------------------------------------------------------- skin

void SkinButton::SetImages(const QImage& normal, const QImage& over, const QImage& down,
                           const QImage& disabled) {
  const QSize size = normal.size();
  image_normal_ = FitImage(normal, size);
  image_down_ = FitImage(down.isNull() ? normal : down, size);
  image_over_ = FitImage(over.isNull() ? down : over, size);
  if (image_over_.isNull()) image_over_ = image_normal_;
  image_disabled_ = FitImage(disabled.isNull() ? normal : disabled, size);
  updateGeometry();
  update();
}

void SkinButton::SetShape(const QRegion& shape) {
  shape_region_ = shape;
  has_shape_ = !shape.isEmpty();
  if (has_shape_) setMask(shape);
  else clearMask();
  update();
}

void SkinButton::LoadHandCursor() {
  hand_cursor_loaded_ = true;
  UpdateCursor();
}

void SkinButton::SetHandCursor(bool hand) {
  hand_cursor_ = hand;
  UpdateCursor();
}

void SkinButton::UpdateCursor() {
  if (hand_cursor_loaded_ && hand_cursor_) setCursor(Qt::PointingHandCursor);
  else unsetCursor();
}

QSize SkinButton::sizeHint() const {
  return IsSkinned() ? image_normal_.size() : QPushButton::sizeHint();
}

QSize SkinButton::minimumSizeHint() const {
  return IsSkinned() ? image_normal_.size() : QPushButton::minimumSizeHint();
}

const QImage& SkinButton::ImageForState(ButtonState state) const {
  switch (state) {
    case kHover: return image_over_;
    case kPressed: return image_down_;
    case kDisabled: return image_disabled_;
    case kNormal: break;
  }
  return image_normal_;
}

const QImage& SkinButton::CurrentImage() const {
  if (check_mode_) return checked_ ? image_down_ : image_normal_;
  return ImageForState(isEnabled() ? state_ : kDisabled);
}

bool SkinButton::IsOnButton(const QPoint& pos) const {
  if (!rect().contains(pos)) return false;
  return !has_shape_ || shape_region_.contains(pos);
}

// ---------------------------------------------------------------- check mode

void SkinButton::SetCheckMode(bool check_mode) {
  check_mode_ = check_mode;
  setCheckable(check_mode);
  if (check_mode && isChecked() != checked_) setChecked(checked_);
  update();
}

void SkinButton::SetCheck(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  if (checked) {
    previous_state_ = state_;
    state_ = kPressed;
  } else {
    state_ = kNormal;
    previous_state_ = kNormal;
  }
  if (isCheckable() && isChecked() != checked) setChecked(checked);
  update();
}

// Qt calls this on every click, checkable or not.
void SkinButton::nextCheckState() {
  if (check_mode_) SetCheck(!checked_);
}

void SkinButton::checkStateSet() {
  if (isChecked() != checked_) SetCheck(isChecked());
}

// ---------------------------------------------------------------- caption

void SkinButton::SetTextColor(ButtonState state, const QColor& colour) {
  switch (state) {
    case kNormal: text_color_normal_ = colour; break;
    case kHover: text_color_over_ = colour; break;
    case kPressed: text_color_down_ = colour; break;
    case kDisabled: text_color_disabled_ = colour; break;
  }
  update();
}

QColor SkinButton::TextColor(ButtonState state) const {
  switch (state) {
    case kHover: return text_color_over_;
    case kPressed: return text_color_down_;
    case kDisabled: return text_color_disabled_;
    case kNormal: break;
  }
  return text_color_normal_;
}

void SkinButton::SetCaptionFont(int height, const QString& face) {
  QFont font = text_font_;
  font.setFamily(face);
  if (height > 0) font.setPixelSize(height);
  font.setWeight(static_cast<QFont::Weight>(kCaptionFontWeight));
  text_font_ = font;
  update();
}

QRect SkinButton::CaptionRect() const {
  QRect area = rect().marginsRemoved(text_margins_);
  if (state_ == kHover) area = area.marginsRemoved(over_margins_);
  else if (state_ == kPressed) area = area.marginsRemoved(down_margins_);
  return area;
}

void SkinButton::DrawCaption(QPainter& painter) const {
  const QRect area = CaptionRect();
  const int flags = QtTextFlags(text_format_);
  painter.setFont(text_font_);
  if (shadow_on_ && isEnabled()) {
    painter.setPen(shadow_color_);
    painter.drawText(area.translated(shadow_offset_), flags, text());
  }
  painter.setPen(TextColor(state_));
  painter.drawText(area, flags, text());
}

// ---------------------------------------------------------------- tool tip

void SkinButton::SetToolTip(const QString& text, bool activate) {
  if (text.isNull()) return;
  const bool showing = tool_tip_created_ && QToolTip::isVisible() &&
                       QToolTip::text() == tool_tip_text_;
  tool_tip_created_ = true;
  tool_tip_text_ = text;
  tool_tip_active_ = activate;
  if (!activate) {
    tool_tip_timer_.stop();
    if (showing) QToolTip::hideText();
  }
}

bool SkinButton::ShowToolTip(const QPoint& global_pos) {
  if (!tool_tip_active_ || tool_tip_text_.isEmpty()) return false;
  QToolTip::showText(global_pos, tool_tip_text_, this, rect());
  return true;
}

// ---------------------------------------------------------------- events

bool SkinButton::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    // Own tip only: it follows SetToolTip's activation, in every state.
    const auto* help = static_cast<QHelpEvent*>(event);
    if (!ShowToolTip(help->globalPos())) {
      QToolTip::hideText();
      event->ignore();
    }
    return true;
  }
  return QPushButton::event(event);
}

void SkinButton::paintEvent(QPaintEvent* event) {
  if (!IsSkinned()) {
    QPushButton::paintEvent(event);
    return;
  }
  if (!isEnabled()) state_ = kDisabled;
  QPainter painter(this);
  if (has_shape_) painter.setClipRegion(shape_region_);
  if (!no_blit_) {
    painter.drawImage(QPoint(0, 0), CurrentImage(), QRect(QPoint(0, 0), size()));
  } else if (!fade_frame_.isNull()) {
    painter.drawImage(QPoint(0, 0), fade_frame_, QRect(QPoint(0, 0), size()));
  }
  if (draw_text_ && !text().isEmpty()) DrawCaption(painter);
}

void SkinButton::HandleMouseMove(const QPoint& pos, bool left_held) {
  // Qt still sends enter and leave to disabled widgets.
  if (checked_ || !isEnabled()) return;
  if (left_held && state_ != kHover) return;
  const bool on_button = IsOnButton(pos);
  if (!tracking_) {
    // Hover only in the active application and for a button on a window.
    if (!on_button || QApplication::activeWindow() == nullptr || parentWidget() == nullptr)
      return;
    if (previous_state_ == kHover) previous_state_ = kNormal;
    state_ = kHover;
    tracking_ = true;
    StartFade();
    update();
    return;
  }
  if (on_button) return;
  if (state_ == kHover || !left_held) {
    previous_state_ = kHover;
    state_ = kNormal;
    StartFade();
    update();
  }
  if (!left_held) tracking_ = false;
}

void SkinButton::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const bool left_held = event->buttons() & Qt::LeftButton;
  if (!left_held && IsOnButton(pos)) {
    tool_tip_pos_ = event->globalPosition().toPoint();
    tool_tip_timer_.start();
  } else {
    tool_tip_timer_.stop();
  }
  HandleMouseMove(pos, left_held);
  QPushButton::mouseMoveEvent(event);
}

void SkinButton::enterEvent(QEnterEvent* event) {
  HandleMouseMove(event->position().toPoint(),
                  QApplication::mouseButtons() & Qt::LeftButton);
  QPushButton::enterEvent(event);
}

void SkinButton::leaveEvent(QEvent* event) {
  tool_tip_timer_.stop();
  HandleMouseMove(QPoint(-1, -1), QApplication::mouseButtons() & Qt::LeftButton);
  QPushButton::leaveEvent(event);
}

void SkinButton::mousePressEvent(QMouseEvent* event) {
  tool_tip_timer_.stop();
  if (event->button() == Qt::LeftButton && state_ == kHover) {
    previous_state_ = kHover;
    state_ = kPressed;
    StartFade();
    update();
  }
  QPushButton::mousePressEvent(event);
}

void SkinButton::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const bool left = event->button() == Qt::LeftButton;
  // The click may close the page that owns this button.
  QPointer<SkinButton> alive(this);
  QPushButton::mouseReleaseEvent(event);
  if (!alive || !left) return;
  if (state_ == kPressed && !checked_) {
    previous_state_ = kPressed;
    if (IsOnButton(pos)) {
      state_ = kHover;
    } else {
      state_ = kNormal;
      previous_state_ = kNormal;
    }
    StartFade();
    update();
  }
  tracking_ = state_ == kHover;
}

void SkinButton::focusOutEvent(QFocusEvent* event) {
  if (!check_mode_) {
    previous_state_ = state_;
    state_ = kNormal;
    no_blit_ = false;
    update();
  }
  QPushButton::focusOutEvent(event);
}

void SkinButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) {
    if (isEnabled()) {
      state_ = check_mode_ ? kPressed : kNormal;
    } else {
      no_blit_ = false;
      state_ = kDisabled;
      tracking_ = false;
      tool_tip_timer_.stop();
    }
    update();
  }
  QPushButton::changeEvent(event);
}

// ---------------------------------------------------------------- fade

bool SkinButton::FadeImages(const QImage** from, const QImage** to) const {
  struct Pair {
    ButtonState state, previous, from, to;
  };
  static constexpr Pair kPairs[] = {
      {kHover, kNormal, kNormal, kHover},     {kNormal, kPressed, kPressed, kNormal},
      {kNormal, kHover, kHover, kNormal},     {kHover, kPressed, kPressed, kHover},
      {kPressed, kHover, kHover, kPressed},   {kNormal, kNormal, kPressed, kNormal},
  };
  for (const Pair& pair : kPairs) {
    if (pair.state == state_ && pair.previous == previous_state_) {
      *from = &ImageForState(pair.from);
      *to = &ImageForState(pair.to);
      return true;
    }
  }
  return false;
}

void SkinButton::StartFade() {
  if (!fade_on_ || check_mode_ || !IsSkinned()) return;
  fade_timer_.stop();
  no_blit_ = true;
  fade_step_ = 0;
  const QImage* from = nullptr;
  const QImage* to = nullptr;
  // Until the first tick the button keeps showing where the change started.
  if (FadeImages(&from, &to)) fade_frame_ = from->copy();
  else if (fade_frame_.size() != image_normal_.size()) fade_frame_ = CurrentImage().copy();
  fade_timer_.start(kFadeIntervalMs);
}

void SkinButton::StopFade() {
  fade_timer_.stop();
  fade_step_ = 0;
  no_blit_ = false;
  update();
}

void SkinButton::FadeTick() {
  if (!fade_timer_.isActive()) return;
  if (fade_step_ >= kFadeStepEnd) {
    StopFade();
    return;
  }
  const QImage* from = nullptr;
  const QImage* to = nullptr;
  if (!FadeImages(&from, &to)) {
    StopFade();
    return;
  }
  if (fade_frame_.size() != from->size()) fade_frame_ = from->copy();
  {
    QPainter painter(&fade_frame_);
    if (has_shape_) painter.setClipRegion(shape_region_);
    if (fade_step_ < kFadeHalfway) {
      painter.setOpacity((255 - 2 * fade_step_) / 255.0);
      painter.drawImage(QPoint(0, 0), *from);
    } else {
      painter.setOpacity(((2 * fade_step_ + 2) % 256) / 255.0);
      painter.drawImage(QPoint(0, 0), *to);
    }
  }
  fade_step_ += kFadeStepIncrement;
  update();
}

}  // namespace verosa
