// CHyperLink: colours by state, opening, failure texts and sizing.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <vector>

#include "skin/skin_test_support.h"
#include "support/test_support.h"
#include "ui/skin/hyper_link.h"

namespace {
using namespace verosa;
using namespace skin_testing;
using testing_support::MessageBoxRecorder;
using testing_support::ScratchDir;

const QColor kBlue(0, 0, 255), kPurple(128, 0, 128), kTeal(0, 128, 128), kRed(255, 0, 0);

class HyperLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    link_ = new CHyperLink(QStringLiteral("https://verosa.example/"), &page_.Widget());
    link_->move(20, 20);
    link_->show();
    link_->SetLinkOpener([this](const QString& url) {
      opened_.push_back(url);
      return result_;
    });
  }
  void TearDown() override { delete link_; }
  QPoint Centre() const { return link_->rect().center(); }

  ActivePage page_;
  CHyperLink* link_ = nullptr;
  std::vector<QString> opened_;
  int result_ = CHyperLink::kOpenSucceeded;
};

TEST_F(HyperLinkTest, Defaults) {
  EXPECT_EQ(link_->Flags(), 21u);
  EXPECT_EQ(link_->URL(), QStringLiteral("https://verosa.example/"));
  EXPECT_TRUE(link_->LinkFont().underline());
  EXPECT_EQ(link_->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(link_->toolTip(), link_->URL());
  EXPECT_EQ(link_->CurrentColor(), kBlue);
  EXPECT_EQ(link_->size(), link_->sizeHint());
}

TEST_F(HyperLinkTest, ColoursByState) {
  EXPECT_EQ(link_->CurrentColor(), kBlue);
  link_->SetVisited(true);
  EXPECT_EQ(link_->CurrentColor(), kPurple);
  // Hover colour only with its flag.
  Enter(*link_, Centre());
  EXPECT_TRUE(link_->IsOver());
  EXPECT_EQ(link_->CurrentColor(), kPurple);
  link_->ModifyFlags(0, CHyperLink::kUseHover);
  EXPECT_EQ(link_->CurrentColor(), kRed);
  Leave(*link_);
  EXPECT_EQ(link_->CurrentColor(), kPurple);

  // Focused: the active colour, unless turned off.
  QFocusEvent focus_in(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(link_, &focus_in);
  EXPECT_TRUE(link_->IsActive());
  EXPECT_EQ(link_->CurrentColor(), kTeal);
  Enter(*link_, Centre());
  EXPECT_EQ(link_->CurrentColor(), kRed);
  link_->ModifyFlags(CHyperLink::kUseHover, CHyperLink::kNoActiveColor);
  EXPECT_EQ(link_->CurrentColor(), kPurple);
  link_->ModifyFlags(CHyperLink::kNoActiveColor, 0);
  EXPECT_EQ(link_->CurrentColor(), kTeal);

  // Losing the focus clears both hover and focus.
  QFocusEvent focus_out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(link_, &focus_out);
  EXPECT_FALSE(link_->IsOver());
  EXPECT_FALSE(link_->IsActive());
  EXPECT_EQ(link_->CurrentColor(), kPurple);
}

TEST_F(HyperLinkTest, PaintsInTheCurrentColour) {
  QFont big = link_->font();
  big.setPixelSize(30);
  link_->setFont(big);
  link_->SetFlags(CHyperLink::kDefaultFlags);  // takes the new font
  link_->SetWindowText(QStringLiteral("WWW"));
  auto count = [&](const QColor& colour) {
    const QImage shown = Render(*link_);
    int n = 0;
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x)
        if (Rgb(shown.pixel(x, y)) == Rgb(colour.rgb())) ++n;
    return n;
  };
  EXPECT_GT(count(kBlue), 20);
  link_->SetVisited(true);
  EXPECT_EQ(count(kBlue), 0);
  EXPECT_GT(count(kPurple), 20);
}

TEST_F(HyperLinkTest, ClickOpensOnReleaseAndMarksVisited) {
  MessageBoxRecorder boxes;
  Press(*link_, Centre());
  EXPECT_TRUE(opened_.empty());
  EXPECT_TRUE(link_->IsActive());
  EXPECT_TRUE(link_->hasFocus());
  Release(*link_, Centre());
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], QStringLiteral("https://verosa.example/"));
  EXPECT_TRUE(link_->Visited());
  EXPECT_TRUE(boxes.Boxes().empty());

  // A release away from the link does not open it.
  Press(*link_, Centre());
  Release(*link_, QPoint(-50, -50));
  EXPECT_EQ(opened_.size(), 1u);

  // With the down-click flag the press opens, the release does not.
  link_->ModifyFlags(0, CHyperLink::kDownClick);
  Press(*link_, Centre());
  EXPECT_EQ(opened_.size(), 2u);
  Release(*link_, Centre());
  EXPECT_EQ(opened_.size(), 2u);

  // The space key opens it; the URL may differ from the text.
  link_->SetURL(QStringLiteral("mailto:help@verosa.example"));
  QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
  QApplication::sendEvent(link_, &space);
  ASSERT_EQ(opened_.size(), 3u);
  EXPECT_EQ(opened_[2], QStringLiteral("mailto:help@verosa.example"));
  EXPECT_EQ(link_->toolTip(), QStringLiteral("mailto:help@verosa.example"));
}

TEST_F(HyperLinkTest, NoFocusWithoutItsFlag) {
  link_->ModifyFlags(CHyperLink::kGetFocusOnClick, 0);
  Press(*link_, Centre());
  EXPECT_FALSE(link_->hasFocus());
  link_->ModifyFlags(0, CHyperLink::kNoHandCursor);
  EXPECT_EQ(link_->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(HyperLinkTest, FailureNamesTheReason) {
  MessageBoxRecorder boxes;
  const std::vector<std::pair<int, std::string>> cases = {
      {0, "The operating system is out\nof memory or resources."},
      {2, "The specified file was not found."},
      {3, "The specified path was not found."},
      {5, "The operating system denied\naccess to the specified file."},
      {8, "There was not enough memory to complete the operation."},
      {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
      {26, "A sharing violation occurred. "},
      {27, "The filename association is\nincomplete or invalid."},
      {28, "The DDE transaction could not\nbe completed because the request timed out."},
      {29, "The DDE transaction failed."},
      {30, "The DDE transaction could not\nbe completed because other DDE transactions\n"
           "were being processed."},
      {31, "There is no application associated\nwith the given filename extension."},
      {32, "The specified dynamic-link library was not found."},
      {17, "Unknown Error (17) occurred."},
  };
  for (const auto& [code, reason] : cases) {
    boxes.Clear();
    result_ = code;
    EXPECT_FALSE(link_->OpenLink()) << code;
    ASSERT_EQ(boxes.Boxes().size(), 1u) << code;
    EXPECT_EQ(boxes.Boxes()[0].text, "Can't open link:\n\n" + reason);
    EXPECT_EQ(boxes.Boxes()[0].style, platform::kMbOk | platform::kMbIconWarning);
  }
  EXPECT_FALSE(link_->Visited());
  // 33 is the first success.
  boxes.Clear();
  result_ = 33;
  EXPECT_TRUE(link_->OpenLink());
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_TRUE(link_->Visited());
}

TEST(HyperLinkDesktop, MissingLocalTargetsAreReportedWithoutOpening) {
  ScratchDir dir;
  const QString missing = QString::fromStdString((dir / "readme.htm").string());
  const QString no_folder = QString::fromStdString((dir / "gone" / "readme.htm").string());
  EXPECT_EQ(CHyperLink::OpenWithDesktop(missing), CHyperLink::kOpenFileNotFound);
  EXPECT_EQ(CHyperLink::OpenWithDesktop(QStringLiteral("file://") + missing),
            CHyperLink::kOpenFileNotFound);
  EXPECT_EQ(CHyperLink::OpenWithDesktop(no_folder), CHyperLink::kOpenPathNotFound);
  EXPECT_EQ(CHyperLink::OpenWithDesktop(QStringLiteral("  ")), CHyperLink::kOpenFileNotFound);

  // Through the control: the default opener and the matching reason.
  MessageBoxRecorder boxes;
  CHyperLink link(missing);
  EXPECT_FALSE(link.OpenLink());
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Can't open link:\n\nThe specified file was not found.");
}

TEST_F(HyperLinkTest, AutoSizeKeepsTheAlignment) {
  link_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  link_->setGeometry(10, 10, 300, 40);
  link_->SetWindowText(QStringLiteral("Support"));
  EXPECT_EQ(link_->size(), link_->sizeHint());
  EXPECT_EQ(link_->geometry().x() + link_->width(), 310);
  EXPECT_NEAR(link_->geometry().center().y(), 29, 1);
  EXPECT_EQ(link_->URL(), QStringLiteral("Support"));

  link_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  link_->setGeometry(10, 10, 300, 40);
  link_->SetWindowText(QStringLiteral("Web"));
  EXPECT_NEAR(link_->geometry().center().x(), 159, 1);
  EXPECT_EQ(link_->geometry().y(), 10);

  // Without the flag the geometry stays.
  link_->ModifyFlags(CHyperLink::kAutoSize, 0);
  link_->setGeometry(10, 10, 300, 40);
  link_->SetWindowText(QStringLiteral("Another text"));
  EXPECT_EQ(link_->geometry(), QRect(10, 10, 300, 40));
}

}  // namespace
