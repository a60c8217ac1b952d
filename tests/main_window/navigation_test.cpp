// Page order, the navigation bar, the menu and its check marks.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>

#include "main_window/window_fixture.h"
#include "ui/pages/creator_config_dlg.h"
#include "ui/pages/creator_navigation_dlg.h"
#include "ui/pages/creator_start_dlg.h"
#include "ui/skin/skin_button.h"

namespace verosa::testing {
namespace {

// The page the window shows and every place that tells which one it is.
void ExpectShowing(const VerosaDlg& window, int page) {
  EXPECT_EQ(window.CurrentPage(), page);
  EXPECT_EQ(window.PageArea()->currentWidget(), window.PageWidget(page));
  EXPECT_EQ(window.NavigationBar()->CurrentPage(), page);
  for (int i = 0; i < VerosaDlg::kPageCount; ++i) {
    EXPECT_EQ(window.PageAction(i)->isChecked(), i == page) << "menu item of page " << i;
    EXPECT_EQ(window.NavigationBar()->PageButton(i)->State() == SkinButton::kPressed, i == page)
        << "bar button of page " << i;
  }
}

TEST_F(MainWindowTest, StartsOnTheStartPage) { ExpectShowing(*window_, VerosaDlg::kStartPage); }

TEST_F(MainWindowTest, PreviousAndNextStayWithinThePages) {
  window_->Previous();
  ExpectShowing(*window_, VerosaDlg::kStartPage);
  for (int page = 1; page < VerosaDlg::kPageCount; ++page) {
    window_->NextButton()->click();
    ExpectShowing(*window_, page);
  }
  window_->Next();
  ExpectShowing(*window_, VerosaDlg::kOutputPage);
  window_->PreviousButton()->click();
  ExpectShowing(*window_, VerosaDlg::kEditPage);
}

TEST_F(MainWindowTest, MenuAndBarShowAnyPageAndTheCheckMarksFollow) {
  window_->PageAction(VerosaDlg::kOutputPage)->trigger();
  ExpectShowing(*window_, VerosaDlg::kOutputPage);
  window_->NavigationBar()->PageButton(VerosaDlg::kConfigPage)->click();
  ExpectShowing(*window_, VerosaDlg::kConfigPage);
  // Choosing the current page again keeps its check mark.
  window_->PageAction(VerosaDlg::kConfigPage)->trigger();
  ExpectShowing(*window_, VerosaDlg::kConfigPage);
  window_->NavigationBar()->PageButton(VerosaDlg::kConfigPage)->click();
  ExpectShowing(*window_, VerosaDlg::kConfigPage);
  window_->PageAction(VerosaDlg::kStartPage)->trigger();
  ExpectShowing(*window_, VerosaDlg::kStartPage);
}

TEST_F(MainWindowTest, StartPageButtonsRunTheProjectFlows) {
  window_->StartPage()->OpenButton()->click();
  ASSERT_EQ(requests_.size(), 1u) << "Open asks for a project";
  window_->StartPage()->PreviewButton()->click();
  ASSERT_EQ(requests_.size(), 2u) << "Preview asks for a project";
  EXPECT_EQ(requests_[1].title, "Select Verosa Project File");
  ExpectShowing(*window_, VerosaDlg::kStartPage);  // both cancelled
  window_->StartPage()->NewButton()->click();
  ExpectShowing(*window_, VerosaDlg::kConfigPage);
}

TEST_F(MainWindowTest, MenuCarriesTheCommandTextsWithTheProductName) {
  std::vector<QString> texts;
  for (QAction* top : window_->MenuBar()->actions())
    for (QAction* action : top->menu()->actions())
      if (!action->isSeparator()) texts.push_back(action->text());
  const std::vector<QString> expected = {
      "&New", "&Open...", "&Preview", "&Save", "Save &As...", "E&xit",
      "&Start", "&Config", "&Edit && Preview", "&Output", "O&ptions...", "&Help", "&About Verosa..."};
  EXPECT_EQ(texts, expected);
  EXPECT_EQ(window_->windowTitle(), "Verosa");
  EXPECT_EQ(window_->FileFilter(), "Verosa Project File(*.mdp)");
}

TEST_F(MainWindowTest, ConfigShowsTheStoredSettingsExceptRightAfterNew) {
  Settings& stored = context_.Settings().Values();
  stored.nTVMode = 1;
  stored.bWideScreen = 0;  // 16:9 chosen
  stored.strProjectName = "Stored";

  window_->New();
  ExpectShowing(*window_, VerosaDlg::kConfigPage);
  ConfigValues shown = window_->ConfigPage()->Values();
  EXPECT_EQ(shown.tv_mode, 0) << "the fresh project is PAL";
  EXPECT_EQ(shown.aspect_ratio, 0);
  EXPECT_EQ(shown.project_name, "Verosa");

  window_->ShowPage(VerosaDlg::kStartPage);
  window_->ShowPage(VerosaDlg::kConfigPage);
  shown = window_->ConfigPage()->Values();
  EXPECT_EQ(shown.tv_mode, 1);
  EXPECT_EQ(shown.aspect_ratio, 1);
  EXPECT_EQ(shown.project_name, "Stored");
}

TEST_F(MainWindowTest, EscapeClosesNothing) {
  window_->show();
  ASSERT_TRUE(window_->isVisible());
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(window_.get(), &press);
  QApplication::sendEvent(window_->PageWidget(VerosaDlg::kConfigPage), &press);
  QApplication::processEvents();
  EXPECT_TRUE(window_->isVisible());
  // A dialog over the wizard still closes with Escape.
  QDialog dialog(window_.get());
  dialog.show();
  QApplication::sendEvent(&dialog, &press);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_TRUE(window_->isVisible());
  window_->close();
  EXPECT_FALSE(window_->isVisible());
}

}  // namespace
}  // namespace verosa::testing
