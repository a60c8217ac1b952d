// The Output page over a stand-in burning component: which controls are on
// in which state, and the burn and erase flows with their questions,
// messages, tray moves and cancels.
#include "ui/pages/creator_output_dlg.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "shell/app_context.h"
#include "support/fake_brennock.h"
#include "support/test_support.h"
#include "ui/common/qt_window_sink.h"
#include "ui/skin/skin_button.h"

namespace verosa {
namespace {

namespace fs = std::filesystem;
using testing_support::IsolatedUser;
using testing_support::ScratchDir;
using Page = CreatorOutputDlg;

brennock::DeviceStatus DiscStatus(bool writable, bool erasable, bool has_data) {
  brennock::DeviceStatus status;
  status.ready = 1;
  status.writable = writable;
  status.erasable = erasable;
  status.has_data = has_data;
  status.media_type = brennock::kMediaDvdMinusRw;
  return status;
}

// Answers message boxes by text and records them.
class Boxes {
 public:
  Boxes() {
    previous_ = platform::SetMessageBoxHandler(
        [this](platform::WindowHandle, const std::string& text, const std::string&, unsigned style) {
          texts.push_back(text);
          const auto it = answers.find(text);
          return it != answers.end() ? it->second : platform::DefaultButton(style);
        });
  }
  ~Boxes() { platform::SetMessageBoxHandler(previous_); }
  std::vector<std::string> texts;
  std::map<std::string, int> answers;

 private:
  platform::MessageBoxHandler previous_;
};

class OutputPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(context_.Initialize(StartupOptions{.single_instance = false}))
        << context_.FailureText();
    state_ = FakeBrennockShared();
    *state_ = FakeBrennockState{};
    state_->drives = {{"Writer A", brennock::kDvdMediaMask, true, DiscStatus(true, false, false)},
                      {"CD only", brennock::kMediaCdR, true, DiscStatus(true, false, false)},
                      {"Reader", brennock::kDvdMediaMask, false, DiscStatus(true, false, false)}};
    page_ = std::make_unique<Page>(context_);
    page_->SetBurnerName("FakeBrennock");
    page_->Initialize();
  }

  void AddChapter() {
    const fs::path song = dir_ / "song.wav";
    const fs::path picture = dir_ / "back.jpg";
    ASSERT_TRUE(testing_support::MakeToneFile(song, 1.0, 48000));
    ASSERT_TRUE(testing_support::MakePictureFile(picture));
    AudioCell audio;
    audio.AudioFilePath = song.string();
    audio.AudioTotalTime = 1;
    audio.AudioSampleRate = 48000;
    VideoCell video;
    video.VideoFilePath = picture.string();
    context_.Project().AddCells(audio, video, -1);
    context_.Project().SetTitleCellTotalNum(1);
    ASSERT_EQ(context_.Conversion().AddFile(song.string().c_str(), -1), 1);
    context_.Project().Header().ProjectName = "My Songs";
  }

  std::set<int> Enabled() {
    page_->RefreshControls();
    std::set<int> ids;
    for (QWidget* widget : page_->findChildren<QWidget*>()) {
      bool ok = false;
      const int id = widget->objectName().toInt(&ok);
      if (ok && id >= 1005 && id <= 1065 && id != Page::kProgress && id != Page::kStatusText &&
          widget->isEnabled())
        ids.insert(id);
    }
    return ids;
  }

  IsolatedUser user_;
  ScratchDir dir_;
  AppContext context_;
  FakeBrennockState* state_ = nullptr;
  std::unique_ptr<Page> page_;
};

TEST_F(OutputPageTest, ControlsFollowTheJobAndTheDisc) {
  // Only DVD writers with a recorder are listed.
  page_->SetOutputType(1);
  auto* devices = page_->findChild<QComboBox*>("1064");
  ASSERT_EQ(devices->count(), 1);
  EXPECT_EQ(devices->itemText(0), "Writer A");

  const std::set<int> burn_idle = {Page::kOutputType, Page::kBurnEngine, Page::kDevice,
                                   Page::kEjectLoad, Page::kLoad, Page::kEject};
  struct Case {
    const char* what;
    int type;
    bool chapter;
    brennock::DeviceStatus disc;
    std::set<int> extra;
  };
  const Case cases[] = {
      {"folder mode, no chapter", 0, false, {}, {}},
      {"folder mode", 0, true, {}, {Page::kCreate}},
      {"burn mode, blank disc", 1, true, DiscStatus(true, false, false), {Page::kCreate}},
      {"burn mode, used RW disc", 1, true, DiscStatus(false, true, true), {Page::kErase}},
      {"burn mode, no disc", 1, true, brennock::DeviceStatus{}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.chapter && context_.Project().CellCount() == 0) AddChapter();
    state_->drives[0].status = c.disc;
    page_->SetOutputType(c.type);
    std::set<int> expected = c.type == 0
                                 ? std::set<int>{Page::kOutputType, Page::kBrowse, Page::kDataFolder}
                                 : burn_idle;
    expected.insert(c.extra.begin(), c.extra.end());
    EXPECT_EQ(Enabled(), expected);
  }

  // Without the component there is nothing to burn with.
  Page bare(context_);
  bare.SetBurnerName("NoSuchBurner");
  bare.Initialize();
  bare.SetOutputType(1);
  EXPECT_EQ(bare.findChild<QComboBox*>("1062")->count(), 0);
  EXPECT_FALSE(bare.findChild<QWidget*>("1005")->isEnabled());

  // Eject/Load alternates, starting with opening.
  page_->SetOutputType(1);
  state_->log.clear();
  for (int i = 0; i < 3; ++i) page_->EjectLoad();
  EXPECT_EQ(state_->log, (std::vector<std::string>{"eject 0", "load 0", "eject 0"}));
}

TEST_F(OutputPageTest, EraseAndBurnAskReportAndCancel) {
  DiscBurning& burning = page_->Burning();
  page_->SetOutputType(1);
  Boxes boxes;
  const std::string folder = (dir_ / "DVD").string();

  // A used disc: Yes erases it (the tray stays closed), then the burn runs
  // and the tray opens at the end.
  state_->drives[0].status = DiscStatus(false, true, true);
  state_->on_step = [this](const std::string& what, int percent) {
    if (what == "erase" && percent == 100) state_->drives[0].status = DiscStatus(true, true, false);
  };
  boxes.answers["The disc is not a blank one, Do you want to erase the disc?"] = platform::kIdYes;
  EXPECT_TRUE(burning.Burn(0, folder, "MY_SONGS"));
  EXPECT_EQ(state_->log,
            (std::vector<std::string>{"erase 0", "burn 0 " + folder + " MY_SONGS", "eject 0"}));
  EXPECT_EQ(boxes.texts.back(), "DVD burning succeed!");
  EXPECT_FALSE(burning.IsBusy());

  // Abort during that erase stops the burn as well.
  state_->log.clear();
  state_->drives[0].status = DiscStatus(false, true, true);
  boxes.answers["Are you sure you want to cancel output?"] = platform::kIdOk;
  bool busy_inside = false;
  state_->on_step = [&](const std::string& what, int percent) {
    if (what == "erase" && percent == 50) {
      page_->Abort();
      busy_inside = page_->IsBusy();
    }
  };
  EXPECT_FALSE(burning.Burn(0, folder, "MY_SONGS"));
  EXPECT_EQ(state_->log, std::vector<std::string>{"erase 0"});
  EXPECT_TRUE(busy_inside) << "busy until the recorder has returned";
  EXPECT_FALSE(page_->IsBusy());

  // The Erase button: success opens the tray; a failure says so.
  state_->log.clear();
  state_->on_step = nullptr;
  state_->drives[0].status = DiscStatus(false, true, true);
  EXPECT_TRUE(burning.Erase(0));
  EXPECT_EQ(state_->log, (std::vector<std::string>{"erase 0", "eject 0"}));
  EXPECT_EQ(boxes.texts.back(), "DVD Erasing succeed!");
  state_->drives[0].erase_result = brennock::kBurnFailed;
  EXPECT_FALSE(burning.Erase(0));
  EXPECT_EQ(boxes.texts.back(), "DVD Erasing fail!");

  // No disc: the insert question; Cancel ends the burn without burning.
  state_->log.clear();
  state_->drives[0].status = brennock::DeviceStatus{};
  boxes.answers["Please insert a DVD writable disc, and then press OK."] = platform::kIdCancel;
  EXPECT_FALSE(burning.Burn(0, folder, "MY_SONGS"));
  EXPECT_TRUE(state_->log.empty());
  // A writer that is gone is named as the reason.
  EXPECT_FALSE(burning.Burn(5, folder, "MY_SONGS"));
  EXPECT_EQ(boxes.texts.back(), "Device is not ready!");
}

TEST_F(OutputPageTest, AFailedJobSaysWhyOnce) {
  // A background the disc cannot use fails the job inside its steps: the
  // page says so. A job the user stopped with a question says nothing more.
  AddChapter();
  const fs::path png = dir_ / "back.png";
  ASSERT_TRUE(testing_support::MakePictureFile(png));
  CellUpdate update;
  update.picture_path = png.string();
  context_.Project().UpdateCells(0, update);
  const fs::path data = dir_ / "discs";
  page_->findChild<QLineEdit*>(QString::number(Page::kDataFolder))->setText(QString::fromStdString(data.string()));
  const struct { const char* name; bool folder_exists; std::string last_box; } kCases[] = {
      {"picture", false, "The DVD was not made:\nthe background picture " + png.string() + " of chapter 1 cannot be loaded"},
      {"folder kept", true, "has existed, are you sure to replace it?"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    if (c.folder_exists) fs::create_directories(data / "My Songs");
    Boxes boxes;
    boxes.answers["The folder \"" + (data / "My Songs").string() + "\" \nhas existed, are you sure to replace it?"] =
        platform::kIdNo;
    page_->Create();
    QApplication::processEvents();
    ASSERT_EQ(page_->Job().Outcome(), OutputOutcome::Failed);
    ASSERT_FALSE(boxes.texts.empty());
    EXPECT_NE(boxes.texts.back().find(c.last_box), std::string::npos) << testing::PrintToString(boxes.texts);
    EXPECT_EQ(std::count_if(boxes.texts.begin(), boxes.texts.end(),
                            [](const std::string& t) { return t.starts_with("The DVD was not made:"); }),
              c.folder_exists ? 0 : 1);
  }
}

TEST_F(OutputPageTest, BurnModeAuthorsTheCurrentProjectIntoTheWorkFolder) {
  AddChapter();
  // A DVD folder from an earlier folder-mode job must not be what burns.
  const fs::path old_data = dir_ / "old";
  fs::create_directories(old_data / "junk");
  page_->Job().SetDataFolderText(old_data.string());
  page_->SetOutputType(1);
  QtWindowSink window([this](std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
    return page_->HandleMessage(message, wparam, lparam) ? std::intptr_t{1} : std::intptr_t{0};
  });
  page_->SetWindow(window.Register());
  Boxes boxes;
  page_->Create();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (page_->IsBusy() && std::chrono::steady_clock::now() < deadline) {
    QApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  QApplication::processEvents();
  ASSERT_FALSE(page_->IsBusy());
  const fs::path work_dvd = fs::path(context_.Settings().WorkPath()) / "DVD";
  ASSERT_FALSE(state_->log.empty()) << (boxes.texts.empty() ? "" : boxes.texts.back())
                                 << page_->Job().FailureText();
  EXPECT_EQ(state_->log.front(), "burn 0 " + work_dvd.string() + " My Songs");
  EXPECT_TRUE(fs::exists(work_dvd / "VIDEO_TS" / "VIDEO_TS.IFO"));
  EXPECT_EQ(boxes.texts.back(), "DVD burning succeed!");
  EXPECT_TRUE(fs::exists(old_data / "junk"));
}

}  // namespace
}  // namespace verosa
