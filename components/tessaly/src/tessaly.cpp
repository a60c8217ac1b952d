// The authoring control over Pennock: the request in compact title numbers
// becomes one AuthorParams block (titles and chapters counted from 1), with
// the navigation of a disc that starts by itself and plays every title in
// order; with menus, the last title ends in the title menu.
#include "tessaly/tessaly.h"

#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <new>
#include <thread>

#include "pennock/pennock.h"
#include "platform/window.h"

namespace tessaly {
namespace {

// Navigation codes of the block: jump to title n of the disc (first play and
// menu), and to title n of the title set (post command of a title).
constexpr std::int16_t kJumpTitle = 22000;
constexpr std::int16_t kJumpTitleSetTitle = 23000;
constexpr std::int16_t kLanguageEnglish = ('e' << 8) | 'n';

bool IsReadableFile(const char* path) {
  struct stat st {};
  return path && ::stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

// A path of up to PATH_MAX - 1 bytes fits a slot of the block.
bool CopyPath(char (&target)[pennock::kPathSize], const char* path) {
  if (!path) return false;
  const std::size_t length = std::strlen(path);
  if (length == 0 || length >= pennock::kPathSize) return false;
  std::memcpy(target, path, length + 1);
  return true;
}

bool IsFinal(std::int32_t status) {
  return status == pennock::kStatusSucceeded || status == pennock::kStatusFailed;
}

class Control final : public TessalyCtrl {
 public:
  void Start() override {
    if (!ready_) return;
    ready_ = false;
    started_ = true;
    failed_start_ = false;
    const int started = menus_ ? fuAuthorWithMenus(params_.get(), menus_) : fuAuthor(params_.get());
    menus_ = nullptr;
    if (started != 0) {
      // Nothing runs (the folders cannot be prepared): the window still
      // learns that the job has ended.
      started_ = false;
      failed_start_ = true;
      platform::PostMessage(params_->window, platform::kWmUser + 2, pennock::kStatusFailed, kResultNotStarted);
    }
  }

  int SetJob(const AuthoringRequest* request) override {
    ready_ = false;
    if (!request || Running()) return 0;
    // A fresh zeroed block for every job: cheaper than clearing the old one,
    // whose untouched pages were never mapped.
    params_.reset();
    params_ = pennock::NewAuthorParams();
    if (!params_) return 0;
    pennock::AuthorParams& p = *params_;
    const int titles = request->title_count;
    if (titles < 1 || titles > kMaxTitles) return 0;
    p.window = request->window;
    if (!CopyPath(p.output_folder, request->output_folder)) return 0;
    p.title_count = static_cast<std::uint8_t>(titles);
    p.aspect = request->aspect == kAspect169 ? kAspect169 : kAspect43;
    p.permitted_display = request->video_display == kDisplayPanScan ? kDisplayPanScan : kDisplayLetterbox;
    p.language = kLanguageEnglish;
    p.menu_navigation = kJumpTitle + 1;
    for (int t = 0; t < titles; ++t) {
      const TitleRecord& record = request->titles[t];
      const int chapters = record.chapter_count;
      if (chapters < 1 || chapters > pennock::kMaxChapters) return 0;
      p.chapter_count[t + 1] = static_cast<std::uint8_t>(chapters);
      for (int c = 0; c < chapters; ++c) {
        const ChapterEntry& entry = record.chapters[c];
        if (!IsReadableFile(entry.audio_path) || !IsReadableFile(entry.picture_path)) return 0;
        if (!CopyPath(p.audio_file[t + 1][c + 1], entry.audio_path) ||
            !CopyPath(p.picture_file[t + 1][c + 1], entry.picture_path))
          return 0;
      }
      // The last title has no post command: playback ends there.
      if (t + 1 < titles) p.post_navigation[t + 1] = static_cast<std::int16_t>(kJumpTitleSetTitle + t + 2);
    }
    ready_ = true;
    return 1;
  }

  void ShutDown() override {
    if (!Running()) return;
    fuAbort();
    // The worker ends at its next abort check; its last message goes to a
    // window that the page has already closed.
    for (int i = 0; i < 600 && Running(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }

  const char* StatusText(std::int32_t code) override {
    switch (code) {
      case pennock::kStatusJobStarted: return "Preparing DVD authoring ...";
      case pennock::kStatusEncodingPicture: return "Encoding chapter picture ...";
      case pennock::kStatusChapter: return "Writing chapter ...";
      case pennock::kStatusTitleDone: return "Title finished";
      case pennock::kStatusCopying: return "Copying title data ...";
      case pennock::kStatusAborted: return "DVD authoring cancelled";
      case pennock::kStatusSucceeded: return "DVD authoring finished";
      case pennock::kStatusFailed: return "DVD authoring failed";
      case pennock::kStatusVmgWriteFailed: return "Cannot write the disc menu files";
      case pennock::kStatusTempStreamMissing: return "A temporary stream is missing";
      default: return "DVD authoring ...";
    }
  }

  void Abort() override {
    if (Running()) fuAbort();
  }

  std::int32_t LastStatus() override {
    return failed_start_ ? pennock::kStatusFailed : fuStatus();
  }

  std::int32_t Progress() override { return fuProgress(); }

  void Release() override {
    ShutDown();
    delete this;
  }

  int CompletionQuery() override { return 1; }

  void SetMenus(const pennock::DiscMenus* menus) override { menus_ = menus; }

  bool Running() {
    if (!started_) return false;
    if (IsFinal(fuStatus())) started_ = false;
    return started_;
  }

 private:
  pennock::AuthorParamsPtr params_;
  const pennock::DiscMenus* menus_ = nullptr;
  bool ready_ = false;
  bool started_ = false;
  bool failed_start_ = false;
};

}  // namespace
}  // namespace tessaly

extern "C" TESSALY_API tessaly::TessalyCtrl* CreateTessalyCtrl() {
  return new (std::nothrow) tessaly::Control;
}
