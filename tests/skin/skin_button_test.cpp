// SkinButton: skins from files, the state machine, check mode, the
// cross-fade, caption and tool tips.
#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QPushButton>
#include <QToolTip>
#include <memory>

#include "skin/skin_test_support.h"
#include "support/test_support.h"
#include "ui/skin/page_skin.h"
#include "ui/skin/skin_button.h"

namespace {
using namespace verosa;
using namespace skin_testing;
using testing_support::ScratchDir;
using State = SkinButton::ButtonState;

constexpr QRgb kRed = 0xC00000, kGreen = 0x00C000, kBlue = 0x0000C0, kGrey = 0x808080;
constexpr int kWidth = 40, kHeight = 20;
const QPoint kInside(20, 10);
// Inside the shape and clear of the caption.
const QPoint kSample(1, 10);
const QPoint kOutside(100, 100);

class SkinButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(page_.IsActive());
    button_ = new SkinButton(QStringLiteral("Burn"), &page_.Widget());
    button_->setGeometry(10, 10, kWidth, kHeight);
    button_->show();
  }
  void TearDown() override { delete button_; }

  // normal red, down blue, over green, disabled grey; each can be left out.
  void WriteSkin(bool over = true, bool disabled = true) {
    SaveBmp(CorneredImage(kWidth, kHeight, kRed), dir_ / "burn_normal.bmp");
    SaveBmp(SolidImage(kWidth, kHeight, kBlue), dir_ / "burn_down.bmp");
    if (over) SaveBmp(SolidImage(kWidth, kHeight, kGreen), dir_ / "burn_over.bmp");
    if (disabled) SaveBmp(SolidImage(kWidth, kHeight, kGrey), dir_ / "burn_disable.bmp");
  }
  void Skin(bool over = true, bool disabled = true) {
    WriteSkin(over, disabled);
    ASSERT_TRUE(SetButtonSkin(*button_, dir_.Path(), "burn"));
  }
  QRgb Shown() { return Rgb(Render(*button_).pixel(kSample)); }
  void ExpectState(State state, State previous) {
    EXPECT_EQ(button_->State(), state);
    EXPECT_EQ(button_->PreviousState(), previous);
  }

  ScratchDir dir_;
  ActivePage page_;
  SkinButton* button_ = nullptr;
};

TEST_F(SkinButtonTest, InitialMembers) {
  ExpectState(SkinButton::kNormal, SkinButton::kNormal);
  EXPECT_FALSE(button_->CheckMode());
  EXPECT_FALSE(button_->Checked());
  EXPECT_FALSE(button_->HasShape());
  EXPECT_TRUE(button_->DrawsText());
  EXPECT_TRUE(button_->HandCursor());
  EXPECT_FALSE(button_->ShadowOn());
  EXPECT_EQ(button_->ShadowOffset(), QPoint(0, 0));
  EXPECT_EQ(button_->TextFormat(), 37u);
  EXPECT_FALSE(button_->NoBlit());
  EXPECT_FALSE(button_->FadeOn());
  EXPECT_EQ(button_->FadeStep(), 0);
  EXPECT_FALSE(button_->HasToolTip());
  EXPECT_FALSE(button_->IsSkinned());
  // Not a tab stop.
  EXPECT_EQ(button_->focusPolicy(), Qt::ClickFocus);
}

TEST_F(SkinButtonTest, SkinNeedsNormalAndDownFiles) {
  SaveBmp(SolidImage(kWidth, kHeight, kRed), dir_ / "a_normal.bmp");
  SaveBmp(SolidImage(kWidth, kHeight, kGreen), dir_ / "a_over.bmp");
  EXPECT_FALSE(SetButtonSkin(*button_, dir_.Path(), "a"));
  SaveBmp(SolidImage(kWidth, kHeight, kBlue), dir_ / "b_down.bmp");
  EXPECT_FALSE(SetButtonSkin(*button_, dir_.Path(), "b"));
  // A down file that is no bitmap counts as missing.
  SaveBmp(SolidImage(kWidth, kHeight, kRed), dir_ / "c_normal.bmp");
  testing_support::WriteFile(dir_ / "c_down.bmp", "garbage");
  EXPECT_FALSE(SetButtonSkin(*button_, dir_.Path(), "c"));

  // The button keeps the standard look.
  EXPECT_FALSE(button_->IsSkinned());
  EXPECT_FALSE(button_->HasShape());
  EXPECT_TRUE(button_->mask().isEmpty());
  EXPECT_EQ(button_->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(SkinButtonTest, AllFourImagesShapeAndCursor) {
  Skin();
  ASSERT_TRUE(button_->IsSkinned());
  EXPECT_EQ(Rgb(button_->ImageNormal().pixel(kInside)), kRed);
  EXPECT_EQ(Rgb(button_->ImageDown().pixel(kInside)), kBlue);
  EXPECT_EQ(Rgb(button_->ImageOver().pixel(kInside)), kGreen);
  EXPECT_EQ(Rgb(button_->ImageDisabled().pixel(kInside)), kGrey);

  ASSERT_TRUE(button_->HasShape());
  EXPECT_EQ(button_->ShapeRegion(), BuildShapeRegion(CorneredImage(kWidth, kHeight, kRed)));
  EXPECT_EQ(button_->mask(), button_->ShapeRegion());
  EXPECT_FALSE(button_->ShapeRegion().contains(QPoint(0, 0)));
  EXPECT_EQ(button_->sizeHint(), QSize(kWidth, kHeight));

  EXPECT_EQ(button_->cursor().shape(), Qt::PointingHandCursor);
  button_->SetHandCursor(false);
  EXPECT_EQ(button_->cursor().shape(), Qt::ArrowCursor);
  button_->SetHandCursor(true);
  EXPECT_EQ(button_->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(SkinButtonTest, MissingOverShowsDownAndMissingDisabledShowsNormal) {
  Skin(/*over=*/false, /*disabled=*/false);
  EXPECT_EQ(Rgb(button_->ImageOver().pixel(kInside)), kBlue);
  EXPECT_EQ(Rgb(button_->ImageDisabled().pixel(kInside)), kRed);

  EXPECT_EQ(Shown(), kRed);
  Enter(*button_, kInside);
  ASSERT_EQ(button_->State(), SkinButton::kHover);
  EXPECT_EQ(Shown(), kBlue);
  Leave(*button_);
  button_->setEnabled(false);
  EXPECT_EQ(Shown(), kRed);
}

TEST_F(SkinButtonTest, UnreadableOverFileFallsBackAndReportsIt) {
  WriteSkin(/*over=*/false);
  testing_support::WriteFile(dir_ / "burn_over.bmp", "garbage");
  EXPECT_FALSE(SetButtonSkin(*button_, dir_.Path(), "burn"));
  ASSERT_TRUE(button_->IsSkinned());
  EXPECT_EQ(Rgb(button_->ImageOver().pixel(kInside)), kBlue);
}

TEST_F(SkinButtonTest, ImagesTakeTheNormalImagesSize) {
  SaveBmp(SolidImage(kWidth, kHeight, kRed), dir_ / "n.bmp");
  SaveBmp(SolidImage(kWidth * 2, kHeight * 2, kBlue), dir_ / "d.bmp");
  SaveBmp(SolidImage(10, 5, kGreen), dir_ / "o.bmp");
  ASSERT_TRUE(SetButtonSkin(*button_, dir_ / "n.bmp", dir_ / "d.bmp", dir_ / "o.bmp",
                            dir_ / "none.bmp"));
  EXPECT_EQ(button_->ImageDown().size(), QSize(kWidth, kHeight));
  EXPECT_EQ(button_->ImageOver().size(), QSize(kWidth, kHeight));
  EXPECT_EQ(Rgb(button_->ImageOver().pixel(5, 2)), kGreen);
  // No shape pixel is magenta: the whole button is the shape.
  EXPECT_EQ(button_->ShapeRegion(), QRegion(0, 0, kWidth, kHeight));
}

TEST_F(SkinButtonTest, ImagesFollowTheState) {
  Skin();
  EXPECT_EQ(Shown(), kRed);
  Enter(*button_, kInside);
  EXPECT_EQ(Shown(), kGreen);
  Press(*button_, kInside);
  EXPECT_EQ(Shown(), kBlue);
  Release(*button_, kInside);
  EXPECT_EQ(Shown(), kGreen);
  button_->setEnabled(false);
  EXPECT_EQ(Shown(), kGrey);
  // Outside the shape the button paints nothing.
  EXPECT_EQ(Rgb(Render(*button_).pixel(0, 0)), 0xFFFFFFu);
}

TEST_F(SkinButtonTest, HoverPressAndReleaseOverTheButton) {
  Skin();
  int clicks = 0;
  QObject::connect(button_, &QPushButton::clicked, [&] { ++clicks; });

  Enter(*button_, kInside);
  ExpectState(SkinButton::kHover, SkinButton::kNormal);
  Move(*button_, QPoint(21, 11));
  ExpectState(SkinButton::kHover, SkinButton::kNormal);
  Press(*button_, kInside);
  ExpectState(SkinButton::kPressed, SkinButton::kHover);
  Release(*button_, kInside);
  ExpectState(SkinButton::kHover, SkinButton::kPressed);
  EXPECT_EQ(clicks, 1);

  Leave(*button_);
  ExpectState(SkinButton::kNormal, SkinButton::kHover);
  // Coming back from hover starts again from normal.
  Enter(*button_, kInside);
  ExpectState(SkinButton::kHover, SkinButton::kNormal);
  // A move onto the magenta corner leaves the shape.
  Move(*button_, QPoint(0, 0));
  ExpectState(SkinButton::kNormal, SkinButton::kHover);
}

TEST_F(SkinButtonTest, ReleaseAwayFromTheButton) {
  Skin();
  int clicks = 0;
  QObject::connect(button_, &QPushButton::clicked, [&] { ++clicks; });
  Enter(*button_, kInside);
  Press(*button_, kInside);
  // Dragging away while pressed changes nothing.
  Move(*button_, kOutside, Qt::LeftButton);
  ExpectState(SkinButton::kPressed, SkinButton::kHover);
  Release(*button_, kOutside);
  ExpectState(SkinButton::kNormal, SkinButton::kNormal);
  EXPECT_EQ(clicks, 0);
  // The leave that follows finds the button already normal.
  Leave(*button_);
  ExpectState(SkinButton::kNormal, SkinButton::kNormal);
  // Back over it: hover again.
  Enter(*button_, kInside);
  ExpectState(SkinButton::kHover, SkinButton::kNormal);
}

TEST_F(SkinButtonTest, LeavingWhileHoldingTheButton) {
  Skin();
  Enter(*button_, kInside);
  // Pressed elsewhere and dragged over: stays hover, then normal on leaving.
  Move(*button_, kOutside, Qt::LeftButton);
  ExpectState(SkinButton::kNormal, SkinButton::kHover);
  Move(*button_, kInside, Qt::LeftButton);
  ExpectState(SkinButton::kNormal, SkinButton::kHover);
}

TEST_F(SkinButtonTest, DisableEnableAndFocusLoss) {
  Skin();
  Enter(*button_, kInside);
  button_->setEnabled(false);
  EXPECT_EQ(button_->State(), SkinButton::kDisabled);
  EXPECT_FALSE(button_->NoBlit());
  button_->setEnabled(true);
  EXPECT_EQ(button_->State(), SkinButton::kNormal);
  // Disabled buttons get no hover.
  button_->setEnabled(false);
  Enter(*button_, kInside);
  EXPECT_EQ(button_->State(), SkinButton::kDisabled);
  button_->setEnabled(true);

  Enter(*button_, kInside);
  ASSERT_EQ(button_->State(), SkinButton::kHover);
  QFocusEvent focus_out(QEvent::FocusOut, Qt::OtherFocusReason);
  QApplication::sendEvent(button_, &focus_out);
  ExpectState(SkinButton::kNormal, SkinButton::kHover);
}

TEST_F(SkinButtonTest, ButtonWithoutParentGetsNoHover) {
  Skin();
  SkinButton lone(QStringLiteral("Lone"));
  lone.resize(kWidth, kHeight);
  Enter(lone, kInside);
  EXPECT_EQ(lone.State(), SkinButton::kNormal);
}

TEST_F(SkinButtonTest, CheckModeTogglesOnClick) {
  Skin();
  button_->SetCheckMode(true);
  std::vector<bool> toggles;
  QObject::connect(button_, &QPushButton::toggled, [&](bool on) { toggles.push_back(on); });

  Click(*button_, kInside);
  EXPECT_TRUE(button_->Checked());
  EXPECT_TRUE(button_->isChecked());
  ExpectState(SkinButton::kPressed, SkinButton::kPressed);
  EXPECT_EQ(Shown(), kBlue);
  // Moves and leaving are ignored while checked.
  Leave(*button_);
  EXPECT_EQ(button_->State(), SkinButton::kPressed);
  EXPECT_EQ(Shown(), kBlue);

  Click(*button_, kInside);
  EXPECT_FALSE(button_->Checked());
  ExpectState(SkinButton::kNormal, SkinButton::kNormal);
  EXPECT_EQ(Shown(), kRed);
  EXPECT_EQ(toggles, (std::vector<bool>{true, false}));
  // Unchecked, the mouse brings hover back.
  Move(*button_, kInside);
  EXPECT_EQ(button_->State(), SkinButton::kHover);
  // The check-mode look follows Checked, not the hover state.
  EXPECT_EQ(Shown(), kRed);
}

TEST_F(SkinButtonTest, SetCheckIgnoresUnchangedValues) {
  Skin();
  Enter(*button_, kInside);
  button_->SetCheck(true);
  ExpectState(SkinButton::kPressed, SkinButton::kHover);
  button_->SetCheck(true);
  ExpectState(SkinButton::kPressed, SkinButton::kHover);
  button_->SetCheck(false);
  ExpectState(SkinButton::kNormal, SkinButton::kNormal);
  button_->SetCheck(false);
  ExpectState(SkinButton::kNormal, SkinButton::kNormal);

  // The checked state of the Qt button and SetCheck stay one.
  button_->SetCheckMode(true);
  button_->setChecked(true);
  EXPECT_TRUE(button_->Checked());
  button_->SetCheck(false);
  EXPECT_FALSE(button_->isChecked());
  // Enabling in check mode gives the pressed state.
  button_->setEnabled(false);
  button_->setEnabled(true);
  EXPECT_EQ(button_->State(), SkinButton::kPressed);
}

// ------------------------------------------------------------------ fade

class SkinButtonFadeTest : public SkinButtonTest {
 protected:
  void SetUp() override {
    SkinButtonTest::SetUp();
    Skin();
    button_->SetFadeOn(true);
  }
  QRgb Frame() const { return Rgb(button_->FadeFrame().pixel(kSample)); }
};

bool Near(QRgb pixel, int red, int green, int blue, int tolerance = 6) {
  return std::abs(qRed(pixel) - red) <= tolerance && std::abs(qGreen(pixel) - green) <= tolerance &&
         std::abs(qBlue(pixel) - blue) <= tolerance;
}

TEST_F(SkinButtonFadeTest, NormalToHoverTakesFiveTicks) {
  Enter(*button_, kInside);
  ASSERT_TRUE(button_->IsFading());
  EXPECT_TRUE(button_->NoBlit());
  EXPECT_EQ(button_->FadeStep(), 0);
  EXPECT_EQ(Frame(), kRed);

  std::vector<int> steps;
  for (int tick = 0; tick < 5; ++tick) {
    button_->FadeTick();
    steps.push_back(button_->FadeStep());
    EXPECT_TRUE(button_->NoBlit()) << "tick " << tick;
    EXPECT_TRUE(button_->IsFading());
    if (tick == 2) {
      EXPECT_EQ(Frame(), kRed);  // the "from" image while step < 128
    }
    if (tick == 3) {
      // Step 180: the over image at alpha (2 * 180 + 2) % 256 = 106.
      EXPECT_TRUE(Near(Frame(), 0xC0 * (255 - 106) / 255, 0xC0 * 106 / 255, 0))
          << std::hex << Frame();
    }
  }
  EXPECT_EQ(steps, (std::vector<int>{60, 120, 180, 240, 300}));
  // Step 240: alpha 226 over the previous mix.
  const int green = (0xC0 * 106 / 255) * (255 - 226) / 255 + 0xC0 * 226 / 255;
  EXPECT_TRUE(Near(Frame(), 0xC0 * (255 - 106) / 255 * (255 - 226) / 255, green, 0))
      << std::hex << Frame();
  // While fading the image itself is not drawn; the blended frame is.
  EXPECT_EQ(Shown(), Frame());

  button_->FadeTick();
  EXPECT_EQ(button_->FadeStep(), 0);
  EXPECT_FALSE(button_->NoBlit());
  EXPECT_FALSE(button_->IsFading());
  EXPECT_EQ(Shown(), kGreen);
  // Without a running fade a tick does nothing.
  button_->FadeTick();
  EXPECT_EQ(button_->FadeStep(), 0);
}

TEST_F(SkinButtonFadeTest, EachChangeFadesFromTheImageItLeaves) {
  struct Step {
    std::function<void()> act;
    QRgb from, to;
  };
  const std::vector<Step> steps = {
      {[&] { Enter(*button_, kInside); }, kRed, kGreen},
      {[&] { Press(*button_, kInside); }, kGreen, kBlue},
      {[&] { Release(*button_, kInside); }, kBlue, kGreen},
      {[&] { Leave(*button_); }, kGreen, kRed},
  };
  for (const Step& step : steps) {
    step.act();
    ASSERT_TRUE(button_->IsFading());
    button_->FadeTick();
    EXPECT_EQ(Frame(), step.from);
    while (button_->IsFading()) button_->FadeTick();
    EXPECT_EQ(Shown(), step.to);
  }
  // Pressed and released away from the button: pressed fades to normal.
  Enter(*button_, kInside);
  Press(*button_, kInside);
  Release(*button_, kOutside);
  ExpectState(SkinButton::kNormal, SkinButton::kNormal);
  button_->FadeTick();
  EXPECT_EQ(Frame(), kBlue);
}

TEST_F(SkinButtonFadeTest, ANewChangeRestartsTheFade) {
  Enter(*button_, kInside);
  button_->FadeTick();
  button_->FadeTick();
  ASSERT_EQ(button_->FadeStep(), 120);
  Leave(*button_);
  EXPECT_EQ(button_->FadeStep(), 0);
  EXPECT_TRUE(button_->NoBlit());
}

TEST_F(SkinButtonFadeTest, PairsWithoutAFadeStopAtTheFirstTick) {
  Enter(*button_, kInside);
  button_->setEnabled(false);
  EXPECT_FALSE(button_->NoBlit());
  button_->FadeTick();
  EXPECT_FALSE(button_->IsFading());
  EXPECT_EQ(button_->FadeStep(), 0);
  EXPECT_EQ(Shown(), kGrey);
}

TEST_F(SkinButtonFadeTest, NoFadeWhenOffOrInCheckMode) {
  button_->SetFadeOn(false);
  Enter(*button_, kInside);
  EXPECT_FALSE(button_->IsFading());
  EXPECT_FALSE(button_->NoBlit());
  Leave(*button_);

  button_->SetFadeOn(true);
  button_->SetCheckMode(true);
  Enter(*button_, kInside);
  EXPECT_EQ(button_->State(), SkinButton::kHover);
  EXPECT_FALSE(button_->IsFading());
}

// ------------------------------------------------------------------ caption

TEST(CaptionFormat, QtFlagsOfTextFormats) {
  EXPECT_EQ(QtTextFlags(kDefaultTextFormat),
            Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic);
  // Vertical placement needs a single line.
  EXPECT_EQ(QtTextFlags(kDtRight | kDtBottom), Qt::AlignRight | Qt::AlignTop | Qt::TextShowMnemonic);
  EXPECT_EQ(QtTextFlags(kDtSingleLine | kDtBottom | kDtNoPrefix),
            Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine);
  EXPECT_EQ(QtTextFlags(kDtWordBreak | kDtNoPrefix), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
}

TEST_F(SkinButtonTest, CaptionAreaShrinksByStateMargins) {
  Skin();
  button_->SetTextMargins(QMargins(2, 3, 4, 5));
  button_->SetOverMargins(QMargins(1, 1, 1, 1));
  button_->SetDownMargins(QMargins(0, 2, 0, 0));
  EXPECT_EQ(button_->CaptionRect(), QRect(2, 3, kWidth - 6, kHeight - 8));
  Enter(*button_, kInside);
  EXPECT_EQ(button_->CaptionRect(), QRect(3, 4, kWidth - 8, kHeight - 10));
  Press(*button_, kInside);
  EXPECT_EQ(button_->CaptionRect(), QRect(2, 5, kWidth - 6, kHeight - 10));
}

int CountColour(const QImage& image, QRgb colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (Rgb(image.pixel(x, y)) == colour) ++count;
  return count;
}

TEST_F(SkinButtonTest, CaptionColoursAndShadow) {
  SaveBmp(SolidImage(120, 60, 0x000000), dir_ / "big_normal.bmp");
  SaveBmp(SolidImage(120, 60, 0x000000), dir_ / "big_down.bmp");
  ASSERT_TRUE(SetButtonSkin(*button_, dir_.Path(), "big"));
  button_->setGeometry(10, 10, 120, 60);
  button_->setText(QStringLiteral("MMM"));
  button_->SetCaptionFont(40, QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(button_->TextFont().pixelSize(), 40);
  EXPECT_EQ(button_->TextFont().weight(), QFont::Black);
  constexpr QRgb kNormalText = 0xFFFF00, kOverText = 0x00FFFF, kShadow = 0xFF8000;
  button_->SetTextColor(SkinButton::kNormal, QColor::fromRgb(kNormalText));
  button_->SetTextColor(SkinButton::kHover, QColor::fromRgb(kOverText));

  QImage shown = Render(*button_);
  EXPECT_GT(CountColour(shown, kNormalText), 50);
  EXPECT_EQ(CountColour(shown, kOverText), 0);
  Enter(*button_, QPoint(60, 30));
  shown = Render(*button_);
  EXPECT_EQ(CountColour(shown, kNormalText), 0);
  EXPECT_GT(CountColour(shown, kOverText), 50);

  button_->SetShadowOn(true);
  button_->SetShadowColor(QColor::fromRgb(kShadow));
  button_->SetShadowOffset(QPoint(3, 3));
  EXPECT_GT(CountColour(Render(*button_), kShadow), 10);
  // No shadow on a disabled button; no caption when DrawText is off.
  button_->setEnabled(false);
  EXPECT_EQ(CountColour(Render(*button_), kShadow), 0);
  button_->setEnabled(true);
  button_->SetDrawText(false);
  shown = Render(*button_);
  EXPECT_EQ(CountColour(shown, kShadow), 0);
  EXPECT_EQ(CountColour(shown, kNormalText) + CountColour(shown, kOverText), 0);
}

// ------------------------------------------------------------------ tool tips

TEST_F(SkinButtonTest, ToolTipActivation) {
  button_->SetToolTip(QString());
  EXPECT_FALSE(button_->HasToolTip());
  button_->SetToolTip(QStringLiteral("Create the disc"), false);
  EXPECT_TRUE(button_->HasToolTip());
  EXPECT_FALSE(button_->ShowToolTip(button_->mapToGlobal(kInside)));
  button_->SetToolTip(QStringLiteral("Create the disc"), true);
  ASSERT_TRUE(button_->ShowToolTip(button_->mapToGlobal(kInside)));
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text(), QStringLiteral("Create the disc"));
}

TEST_F(SkinButtonTest, DisabledButtonAnswersTipRequests) {
  Skin();
  button_->SetToolTip(QStringLiteral("Erase the disc"));
  button_->setEnabled(false);
  QHelpEvent request(QEvent::ToolTip, kInside, button_->mapToGlobal(kInside));
  QApplication::sendEvent(button_, &request);
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text(), QStringLiteral("Erase the disc"));
}

TEST_F(SkinButtonTest, RelayShowsTheTipOfADisabledButton) {
  Skin();
  auto* other = new SkinButton(QStringLiteral("Abort"), &page_.Widget());
  other->setGeometry(100, 10, kWidth, kHeight);
  other->show();
  other->SetToolTip(QStringLiteral("Abort the job"));
  button_->SetToolTip(QStringLiteral("Burn the disc"));
  auto* relay = new ToolTipRelay(page_.Widget());
  EXPECT_TRUE(page_.Widget().hasMouseTracking());

  const QPoint on_button = button_->geometry().topLeft() + kInside;
  const QPoint on_other = other->geometry().topLeft() + kInside;
  // Enabled buttons show their own tips.
  Move(page_.Widget(), on_button);
  EXPECT_EQ(relay->PendingButton(), nullptr);

  button_->setEnabled(false);
  Move(page_.Widget(), on_button);
  ASSERT_EQ(relay->PendingButton(), button_);
  ASSERT_TRUE(relay->ShowPendingToolTip());
  EXPECT_EQ(QToolTip::text(), QStringLiteral("Burn the disc"));
  // The magenta corner is not part of the button.
  Move(page_.Widget(), button_->geometry().topLeft());
  EXPECT_EQ(relay->PendingButton(), nullptr);
  EXPECT_FALSE(relay->ShowPendingToolTip());

  other->setEnabled(false);
  Move(page_.Widget(), on_other);
  EXPECT_EQ(relay->PendingButton(), other);
  QHelpEvent request(QEvent::ToolTip, on_other, page_.Widget().mapToGlobal(on_other));
  QApplication::sendEvent(&page_.Widget(), &request);
  EXPECT_EQ(QToolTip::text(), QStringLiteral("Abort the job"));
  Leave(page_.Widget());
  EXPECT_EQ(relay->PendingButton(), nullptr);
  delete other;
}

TEST_F(SkinButtonTest, ToolTipsFromTranslatedCaptions) {
  auto* plain = new QPushButton(QStringLiteral("Plain"), &page_.Widget());
  auto* long_caption = new SkinButton(QString(300, QChar('x')), &page_.Widget());
  SetButtonToolTips(page_.Widget(), [](const QString& caption) {
    return QStringLiteral("[") + caption + QStringLiteral("]");
  });
  EXPECT_EQ(button_->ToolTipText(), QStringLiteral("[Burn]"));
  EXPECT_TRUE(button_->ToolTipActive());
  EXPECT_EQ(long_caption->ToolTipText().size(), 2 + 259);
  EXPECT_TRUE(plain->toolTip().isEmpty());
  delete plain;
  delete long_caption;
}

}  // namespace
