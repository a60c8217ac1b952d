// The About box, the splash and the message boxes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <future>
#include <thread>

#include "shell/app_context.h"
#include "support/test_support.h"
#include "ui/main/about_dlg.h"
#include "ui/main/qt_message_box.h"
#include "ui/main/splash.h"
#include "ui/skin/hyper_link.h"
#include "ui/skin/page_skin.h"

namespace verosa {
namespace {

TEST(VersionLine, ShowsFourSixteenBitParts) {
  EXPECT_EQ(VersionLine("Verosa", "2.10.3"), "Verosa V2.10.3.0");
  EXPECT_EQ(VersionLine("Verosa", "1.2.3.4.5"), "Verosa V1.2.3.4");
  EXPECT_EQ(VersionLine("Verosa", "7"), "Verosa V7.0.0.0");
  EXPECT_EQ(VersionLine("Verosa", "70000.x.3"), "Verosa V4464.0.3.0");
  EXPECT_EQ(VersionLine("Verosa", ""), "Verosa V0.0.0.0");
}

TEST(AboutDlg, ShowsTheBuildVersionNoticeAndLinks) {
  testing_support::IsolatedUser user;
  AppContext context;
  ASSERT_TRUE(context.Initialize(StartupOptions{.single_instance = false}));
  const ProductInfo info = BuildProductInfo();
  EXPECT_EQ(info.version, VEROSA_VERSION);
  AboutDlg about(info, &context.Settings().Language());

  EXPECT_EQ(about.windowTitle(), "About Verosa");
  const VersionParts parts = ParseVersion(VEROSA_VERSION);
  const QString expected = QString("Verosa V%1.%2.%3.%4")
                               .arg(parts.parts[0])
                               .arg(parts.parts[1])
                               .arg(parts.parts[2])
                               .arg(parts.parts[3]);
  EXPECT_EQ(about.VersionLabel()->text(), expected);
  EXPECT_EQ(about.LegalLabel()->text().toStdString(), info.legal_notice);
  ASSERT_NE(about.WebLink(), nullptr);
  EXPECT_EQ(about.WebLink()->URL().toStdString(), info.web_site);
  ASSERT_NE(about.MailLink(), nullptr);
  EXPECT_EQ(about.MailLink()->URL().toStdString(), "mailto:" + info.support_mail);
  EXPECT_EQ(about.MailLink()->text().toStdString(), info.support_mail);
  const QLabel* picture = about.findChild<QLabel*>("picture");
  ASSERT_NE(picture, nullptr);
  EXPECT_FALSE(picture->pixmap().isNull());
}

// Counts the keys that reach it.
class KeyTarget : public QWidget {
 public:
  int keys = 0;

 protected:
  void keyPressEvent(QKeyEvent*) override { ++keys; }
};

TEST(Splash, IsShapedAndClosesOnAKeyWhichItConsumes) {
  const QImage picture = LoadSkinImage(SkinsFolder() / "splash.bmp");
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.size(), QSize(423, 316));
  Splash splash(picture);
  KeyTarget target;
  target.show();
  splash.Start();
  ASSERT_TRUE(splash.isVisible());
  EXPECT_TRUE(splash.IsTimerRunning());
  // The magenta corners lie outside the splash.
  EXPECT_FALSE(splash.mask().contains(QPoint(0, 0)));
  EXPECT_TRUE(splash.mask().contains(QPoint(200, 200)));

  QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
  QApplication::sendEvent(&target, &press);
  EXPECT_FALSE(splash.isVisible());
  EXPECT_FALSE(splash.IsTimerRunning());
  EXPECT_EQ(target.keys, 0) << "the key that closed the splash is consumed";
  QApplication::sendEvent(&target, &press);
  EXPECT_EQ(target.keys, 1);
}

TEST(Splash, ClosesOnAMouseButton) {
  Splash splash(LoadSkinImage(SkinsFolder() / "splash.bmp"));
  QWidget other;
  other.show();
  splash.Start();
  QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&other, &click);
  EXPECT_FALSE(splash.isVisible());
}

TEST(Splash, IsShownOnceARun) {
  Splash* first = Splash::ShowOnce();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(Splash::Shown());
  EXPECT_EQ(Splash::ShowOnce(), nullptr);
  first->close();  // deletes itself
  QApplication::processEvents();
}

TEST(QtMessageBox, StyleGivesButtonsDefaultAndIcon) {
  using namespace platform;
  EXPECT_EQ(MessageBoxButtons(kMbYesNo), QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(MessageBoxButtons(kMbOk | kMbIconError), QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_EQ(MessageBoxDefaultButton(kMbYesNoCancel | kMbDefButton3), QMessageBox::Cancel);
  EXPECT_EQ(MessageBoxDefaultButton(kMbOkCancel | kMbDefButton2), QMessageBox::Cancel);
  EXPECT_EQ(MessageBoxDefaultButton(kMbOk | kMbDefButton2), QMessageBox::Ok);
  EXPECT_EQ(MessageBoxIcon(kMbIconWarning), QMessageBox::Warning);
  EXPECT_EQ(MessageBoxIcon(kMbIconQuestion), QMessageBox::Question);
  EXPECT_EQ(MessageBoxIcon(kMbOk), QMessageBox::NoIcon);
  EXPECT_EQ(MessageBoxResultOf(QMessageBox::NoButton, kMbYesNoCancel), kIdCancel);
  EXPECT_EQ(MessageBoxResultOf(QMessageBox::NoButton, kMbOk), kIdOk);
  EXPECT_EQ(MessageBoxResultOf(QMessageBox::Retry, kMbRetryCancel), kIdRetry);
}

TEST(QtMessageBox, ShowsTheTextsAndReturnsTheButtonPressed) {
  QtMessageBoxes installed;
  QString seen_text, seen_caption;
  QMessageBox::Icon seen_icon = QMessageBox::NoIcon;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen_text = box->text();
    seen_caption = box->windowTitle();
    seen_icon = box->icon();
    box->defaultButton()->click();
  });
  const int answer = platform::MessageBox(platform::kNoWindow, "Replace it?", "Confirmation",
                                          platform::kMbYesNo | platform::kMbIconQuestion |
                                              platform::kMbDefButton2);
  EXPECT_EQ(answer, platform::kIdNo);
  EXPECT_EQ(seen_text, "Replace it?");
  EXPECT_EQ(seen_caption, "Confirmation");
  EXPECT_EQ(seen_icon, QMessageBox::Question);
}

TEST(QtMessageBox, AnotherThreadWaitsForTheAnswerFromTheGuiThread) {
  QtMessageBoxes installed;
  std::thread::id shown_on;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown_on = std::this_thread::get_id();
      box->button(QMessageBox::Retry)->click();
    }
  });
  poll.start(5);
  auto answer = std::async(std::launch::async, [] {
    return platform::MessageBox(platform::kNoWindow, "Disc not ready.", "Warning",
                                platform::kMbRetryCancel | platform::kMbIconWarning);
  });
  while (answer.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(answer.get(), platform::kIdRetry);
  EXPECT_EQ(shown_on, std::this_thread::get_id());
}

}  // namespace
}  // namespace verosa
