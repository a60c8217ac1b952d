#include "output/output_job.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <future>
#include <map>
#include <cstdio>
#include <memory>
#include <system_error>
#include <utility>

#include "carrowell/conversion_ctrl.h"
#include "core/media_info.h"
#include "core/wav_reader.h"
#include "imaging/menu_pages.h"
#include "imaging/picture_codecs.h"
#include "imaging/picture_composition.h"
#include "output/disc_audio.h"
#include "platform/message_box.h"
#include "shell/app_context.h"
#include "tessaly/job_result.h"

namespace verosa {
namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kMsgChapterProgress = platform::kWmUser + 1;
constexpr std::uint32_t kMsgStatus = platform::kWmUser + 2;
constexpr std::uint32_t kMsgOverallProgress = platform::kWmUser + 6;

constexpr const char* kAudioStepStatus = "Create temp audio file";
constexpr const char* kPictureStepStatus = "Create temp bitmap file";

// Where each step's 0..100 % lies in the job-wide percent.
struct StepSpan {
  int from;
  int span;
};
constexpr StepSpan kStepSpans[] = {
    {0, 10},   // OutputStep::Audio
    {10, 10},  // OutputStep::Pictures
    {20, 80},  // OutputStep::Authoring
};
// The part of the audio step a conversion fills, when there is one.
constexpr int kConversionShare = 80;

// What the authoring writes, in the multiplexer's figures: LPCM in packs of
// 2008 payload bytes, a navigation pack per VOBU (12 PAL or 15 NTSC frames),
// a chapter still of at most kStillPacks packs, and the information files
// and menu within kFixedBytes.
constexpr std::int64_t kSectorBytes = 2048;
constexpr std::int64_t kAudioPayload = 2008;
constexpr std::int64_t kStillPacks = 200;
constexpr std::int64_t kFixedBytes = 4 << 20;

std::string Joined(const std::string& folder, const std::string& name) {
  return (fs::path(folder) / name).string();
}

// The project name as one folder name: no separators, no "." or "..".
std::string FolderNameFor(const std::string& label) {
  std::string name;
  for (char ch : label) {
    const auto u = static_cast<unsigned char>(ch);
    name += (ch == '/' || ch == '\\' || u < 0x20) ? '_' : ch;
  }
  if (name.empty() || name == "." || name == "..") name = "Verosa";
  return name;
}

// Total size of the files of `folder` in MB (files directly inside it).
std::int64_t FolderSizeMB(const fs::path& folder) {
  std::uintmax_t bytes = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code size_ec;
    if (!it->is_regular_file(size_ec)) continue;
    const std::uintmax_t size = it->file_size(size_ec);
    if (!size_ec) bytes += size;
  }
  return static_cast<std::int64_t>(bytes >> 20);
}

void DeleteFolderContents(const fs::path& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code remove_ec;
    fs::remove_all(it->path(), remove_ec);
  }
}

FrameMode FrameModeFor(int tv_mode) { return tv_mode != 0 ? FrameMode::Ntsc : FrameMode::Pal; }

}  // namespace

TitlePlacement::Slot TitlePlacement::Place(int title_index) {
  Slot slot;
  if (title_index == next_) {
    slot = {next_ - gap_, 0};
    chapter_ = 0;
    ++next_;
  } else if (title_index < next_) {
    ++chapter_;
    slot = {next_ - 1 - gap_, chapter_};
  } else {
    slot = {next_ - gap_, 0};
    chapter_ = 0;
    gap_ += title_index - next_;
    next_ = title_index + 1;
  }
  return slot;
}

std::string AuthoringFailureText(std::intptr_t result) { return tessaly::JobResultReason(result); }

// The conversion as a sub-job of the audio step: its batch fills the first
// kConversionShare % of the step, the file in hand is the sub-percent, its
// status is the job's; it pumps the job's events and stops when the job is
// cancelled.
class OutputJob::ConversionHost final : public core::JobHost {
 public:
  explicit ConversionHost(OutputJob& job) : job_(job) {}

  void Percent(int percent) override { job_.ReportJobPercent(percent * kConversionShare / 100); }
  void SubPercent(int percent) override { job_.host_.SubPercent(percent); }
  void Status(const std::string& text) override { job_.host_.Status(text); }
  void Message(const std::string& text, core::JobMessageKind kind) override { job_.host_.Message(text, kind); }
  void ProcessEvents() override {
    job_.Pump();
    if (job_.running_) job_.RenderNextPicture();
  }
  // A chapter still that failed ends the conversion: the job fails anyway.
  bool Cancelled() const override { return !job_.running_ || !job_.PictureFailure().empty(); }

 private:
  OutputJob& job_;
};

OutputJob::OutputJob(AppContext& context, core::JobHost& host)
    : context_(context),
      host_(host),
      chapter_pictures_(kOutputTitles * kOutputChapters),
      chapter_audio_(kOutputTitles * kOutputChapters),
      free_space_([](const fs::path& folder) { return GetFreeDiskSpaceMB(folder, 0); }) {}

OutputJob::~OutputJob() {
  if (running_) Cancel();
}

void OutputJob::Initialize() {
  SettingsStore& settings = context_.Settings();
  const std::string work = settings.WorkPath();
  dvd_folder_ = Joined(work, "DVD");
  burn_folder_ = dvd_folder_;
  temp_folder_ = Joined(work, "temp");
  project_label_ = context_.Project().Header().ProjectName;
  std::error_code ec;
  fs::create_directories(dvd_folder_, ec);
  fs::create_directories(temp_folder_, ec);
  menu_picture_ = Joined(temp_folder_, "Menu.jpg");
  char name[64];
  for (int t = 0; t < kOutputTitles; ++t) {
    std::snprintf(name, sizeof name, "Title%d.wav", t);
    title_wavs_[static_cast<std::size_t>(t)] = Joined(temp_folder_, name);
    for (int c = 0; c < kOutputChapters; ++c) {
      std::snprintf(name, sizeof name, "Title%dChapter%d.bmp", t, c);
      chapter_pictures_[static_cast<std::size_t>(t * kOutputChapters + c)] = Joined(temp_folder_, name);
    }
  }
  for (std::string& path : chapter_audio_) path.clear();
  data_folder_ = settings.DvdDataFolder();
}

const std::string& OutputJob::ChapterAudioPath(int title, int chapter) const {
  return chapter_audio_.at(static_cast<std::size_t>(title * kOutputChapters + chapter));
}

const std::string& OutputJob::ChapterPicturePath(int title, int chapter) const {
  return chapter_pictures_.at(static_cast<std::size_t>(title * kOutputChapters + chapter));
}

const std::string& OutputJob::TitleWavPath(int title) const {
  return title_wavs_.at(static_cast<std::size_t>(title));
}

std::string OutputJob::Translate(const std::string& text) const {
  return context_.Settings().Language().Translate(text, "MessageBoxes");
}

int OutputJob::Warn(const std::string& text, unsigned style) const {
  told_ = true;
  return platform::MessageBox(window_, text, "Warning", style | platform::kMbIconWarning);
}

bool OutputJob::Fail(const std::string& text) {
  failure_ = text;
  outcome_ = OutputOutcome::Failed;
  return false;
}

tessaly::TessalyCtrl* OutputJob::Authoring() const { return context_.Authoring().Ctrl(); }

void OutputJob::Pump() {
  host_.ProcessEvents();
  if (running_ && host_.Cancelled()) Cancel();
}

void OutputJob::Rest() {
  job_percent_ = 0;
  host_.Percent(0);
  host_.SubPercent(0);
  Pump();
  host_.Status({});
}

void OutputJob::BeginStep(OutputStep step) {
  step_ = step;
  host_.SubPercent(0);
}

void OutputJob::ReportJobPercent(int step_percent) {
  const StepSpan span = kStepSpans[static_cast<int>(step_)];
  const int percent = span.from + std::clamp(step_percent, 0, 100) * span.span / 100;
  if (percent <= job_percent_) return;
  job_percent_ = percent;
  host_.Percent(percent);
}

void OutputJob::ReportStep(int step_percent) {
  host_.SubPercent(step_percent);
  ReportJobPercent(step_percent);
  Pump();
}

bool OutputJob::Create() {
  if (running_) return false;
  outcome_ = OutputOutcome::None;
  failure_.clear();
  owns_dvd_folder_ = made_dvd_folder_ = drop_when_authoring_ends_ = told_ = false;
  Rest();
  if (type_ == OutputType::DvdBurning) {
    if (!writer_ready_ || !writer_ready_()) {
      Warn("Device is not ready!");
      return Fail("Device is not ready!");
    }
    if (!PrepareBurnFolder()) return false;
  } else if (!PrepareDvdFolder()) {
    return false;
  }
  if (!CheckFreeSpace()) {
    DropDvdOutput();
    return false;
  }

  running_ = true;
  aborted_ = false;
  last_status_ = 0;
  CleanTempFolder();
  if (PlanPictures() && RunAudioStep() && RunPictureStep() && running_ && StartAuthoring()) return true;
  running_ = false;
  CleanTempFolder();
  DropDvdOutput();
  if (aborted_) return false;  // Cancel has ended the job already
  if (outcome_ == OutputOutcome::None) Fail("the job was cut short");
  host_.Finished(false);
  Rest();
  return false;
}

bool OutputJob::PrepareBurnFolder() {
  // Always the work folder's own DVD folder, emptied, and the current
  // project's name: never a folder (or label) an earlier job left behind.
  project_label_ = context_.Project().Header().ProjectName;
  dvd_folder_ = burn_folder_;
  owns_dvd_folder_ = true;
  std::error_code ec;
  fs::create_directories(dvd_folder_, ec);
  for (const auto& entry : fs::directory_iterator(dvd_folder_, ec)) fs::remove_all(entry.path(), ec);
  if (!fs::is_directory(dvd_folder_, ec) || !fs::is_empty(dvd_folder_, ec)) {
    const std::string text = Translate("Invalid directory:") + "\n" + dvd_folder_;
    Warn(text);
    return Fail(text);
  }
  return true;
}

bool OutputJob::PrepareDvdFolder() {
  std::error_code ec;
  fs::create_directories(data_folder_, ec);
  if (data_folder_.empty() || !fs::is_directory(data_folder_, ec)) {
    const std::string text = Translate("Invalid directory:") + "\n" + data_folder_;
    Warn(text);
    return Fail(text);
  }
  context_.Settings().Values().strDVDDataFolder = data_folder_;
  project_label_ = context_.Project().Header().ProjectName;
  dvd_folder_ = Joined(data_folder_, FolderNameFor(project_label_));
  if (!fs::is_directory(dvd_folder_, ec)) {
    made_dvd_folder_ = owns_dvd_folder_ = fs::create_directory(dvd_folder_, ec);
    if (!made_dvd_folder_) dvd_folder_ = data_folder_;
    return true;
  }
  const std::string question = Translate("The folder") + " \"" + dvd_folder_ + "\" \n" +
                               Translate("has existed, are you sure to replace it?");
  if (Warn(question, platform::kMbYesNo) != platform::kIdYes)
    return Fail("the folder " + dvd_folder_ + " exists and was not replaced");
  DeleteFolderContents(dvd_folder_);
  owns_dvd_folder_ = true;
  return true;
}

std::int64_t OutputJob::ExpectedDiscBytes() const { return verosa::ExpectedDiscBytes(context_.Project()); }

std::int64_t ExpectedDiscBytes(const ProjectDocument& project) {
  const int rate = project.Header().AudioSampleRate;
  const double vobu_seconds = project.Header().TVMode == 1 ? 15 * 1001.0 / 30000 : 12 / 25.0;
  std::int64_t total = kFixedBytes;
  for (int j = 0; j < project.CellCount(); ++j) {
    const AudioCell& cell = *project.GetAudioCell(j);
    // A WAV at the disc's rate of one or two channels is taken as it is (or
    // made 16-bit stereo); anything else becomes 16-bit stereo. Play times
    // are whole seconds, rounded down.
    double seconds = cell.AudioTotalTime + 1.0;
    std::int64_t audio = static_cast<std::int64_t>(seconds * rate * 4);
    if (const auto wav = core::ReadWavLayout(cell.AudioFilePath);
        wav && static_cast<int>(wav->sample_rate) == rate && wav->block_align) {
      seconds = static_cast<double>(wav->Frames()) / rate;
      const std::uint64_t stereo = wav->Frames() * 4;
      audio = static_cast<std::int64_t>(wav->channels > 2 ? stereo : std::max<std::uint64_t>(wav->data_size, stereo));
    }
    total += (audio + kAudioPayload - 1) / kAudioPayload * kSectorBytes;
    total += static_cast<std::int64_t>(std::ceil(seconds / vobu_seconds)) * kSectorBytes;
    total += kStillPacks * kSectorBytes;
  }
  // The disc's menus: a page of a still and its highlights for every
  // kMenuEntriesPerPage titles, and as many for the songs of each title of
  // several songs.
  std::map<int, int> songs;  // chapters of each title
  for (int j = 0; j < project.CellCount(); ++j) ++songs[project.GetAudioCell(j)->TitleIndex];
  auto pages = [](int entries) { return (entries + kMenuEntriesPerPage - 1) / kMenuEntriesPerPage; };
  std::int64_t menu_pages = pages(static_cast<int>(songs.size()));
  for (const auto& [title, count] : songs) menu_pages += count > 1 ? pages(count) : 0;
  return total + menu_pages * kStillPacks * kSectorBytes;
}

bool OutputJob::CheckFreeSpace() {
  // The project's size estimate counts no pack overhead; the rules use what
  // the disc will take (MB rounded up).
  const std::int64_t disc_bytes = ExpectedDiscBytes();
  const int need = static_cast<int>((disc_bytes + (1 << 20) - 1) >> 20);
  const std::int64_t work_room =
      std::int64_t{free_space_(temp_folder_)} + FolderSizeMB(fs::path(dvd_folder_) / "VIDEO_TS");
  if (2 * std::int64_t{need} + 100 > work_room) {
    const std::string text = "Not enough disk space, please respecify your work folder!";
    Warn(text);
    return Fail(text);
  }
  if (type_ == OutputType::DvdFolder) {
    if (need > free_space_(data_folder_)) {
      const std::string text = "Not enough disk space, please respecify your DVD data folder!";
      Warn(text);
      return Fail(text);
    }
    return true;
  }
  if (disc_bytes > kDvd5Bytes) {
    if (disc_bytes > kDvd9Bytes) {
      const std::string text = "Not enough disc space, please edit your music DVD again!";
      Warn(text);
      return Fail(text);
    }
    if (platform::MessageBox(window_, "Are you sure that the disc is DVD-9 disc?", "Information",
                             platform::kMbYesNo | platform::kMbIconInformation) != platform::kIdYes)
      return Fail("the disc is not a DVD-9 disc");
  }
  return true;
}

void OutputJob::CleanTempFolder() {
  std::error_code ec;
  if (temp_folder_.empty() || !fs::is_directory(temp_folder_, ec)) return;
  for (fs::directory_iterator it(temp_folder_, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code file_ec;
    if (it->is_regular_file(file_ec) || it->is_symlink(file_ec)) fs::remove(it->path(), file_ec);
  }
}

bool OutputJob::NeedsConversion(int index) const {
  const ProjectDocument& project = context_.Project();
  const AudioCell* cell = project.GetAudioCell(index);
  if (!cell) return false;
  const int rate = project.Header().AudioSampleRate;
  return cell->AudioSampleRate != rate || !IsDiscReadyWav(cell->AudioFilePath, rate);
}

bool OutputJob::RunAudioStep() {
  ProjectDocument& project = context_.Project();
  carrowell::ConversionCtrl& conversion = context_.Conversion();
  const int count = project.CellCount();
  const int rate = project.Header().AudioSampleRate;
  if (conversion.GetItemCount() != count)
    return Fail("the audio sources do not match the chapters of the project");

  BeginStep(OutputStep::Audio);
  std::vector<int> convert;
  std::vector<bool> converted(static_cast<std::size_t>(count), false);
  for (int j = 0; j < count; ++j)
    if (NeedsConversion(j)) {
      convert.push_back(j);
      converted[static_cast<std::size_t>(j)] = true;
    }
  if (!convert.empty()) {
    ConversionHost sub_job(*this);
    if (conversion.ConvertItemsInJob(convert.data(), static_cast<int>(convert.size()), sub_job) == 0) {
      if (!running_) return false;  // a cancel has ended the job
      const std::string picture = PictureFailure();
      return Fail(picture.empty() ? "the audio conversion failed" : picture);
    }
  }
  const int walk_from = convert.empty() ? 0 : kConversionShare;

  // The audio file of every chapter.
  std::vector<std::string> files(static_cast<std::size_t>(count));
  for (int j = 0; j < count; ++j) {
    const AudioCell& cell = *project.GetAudioCell(j);
    std::string& audio = files[static_cast<std::size_t>(j)];
    audio = cell.AudioFilePath;
    if (converted[static_cast<std::size_t>(j)]) {
      const char* destination = conversion.GetItemDestination(j);
      audio = destination ? destination : "";
      if (!IsPcmWavAt(audio, rate))
        return Fail("the audio of " + cell.AudioFilePath + " could not be converted to " +
                    std::to_string(rate) + " Hz PCM");
    }
  }
  if (!UniteAudioFormat(files)) return false;

  host_.Status(kAudioStepStatus);
  TitlePlacement placement;
  for (int j = 0; j < count && running_; ++j) {
    const AudioCell& cell = *project.GetAudioCell(j);
    const std::string& audio = files[static_cast<std::size_t>(j)];
    if (const auto wav = core::ReadWavLayout(audio); wav && wav->Frames() == 0)
      return Fail("the audio of " + cell.AudioFilePath + " (chapter " + std::to_string(j + 1) + ") holds no sound");
    const int seconds = GetMediaDurationSeconds(audio);
    if (seconds != -1 && seconds != cell.AudioTotalTime) {
      CellUpdate update;
      update.total_time = seconds;
      project.UpdateCells(j, update);
    }
    const TitlePlacement::Slot slot = placement.Place(cell.TitleIndex);
    if (slot.title < 0 || slot.title >= tessaly::kMaxTitles || slot.chapter >= kOutputChapters - 1)
      return Fail("the project has more titles or chapters than a disc can hold");
    chapter_audio_[static_cast<std::size_t>(slot.title * kOutputChapters + slot.chapter)] = audio;
    ReportStep(walk_from + (100 - walk_from) * (j + 1) / count);
  }
  return true;
}

bool OutputJob::UniteAudioFormat(std::vector<std::string>& files) {
  std::vector<PcmShape> shapes;
  for (const std::string& file : files) {
    const auto shape = ReadPcmShape(file);
    if (!shape) return Fail(file + " is not a PCM WAV file");
    shapes.push_back(*shape);
  }
  if (shapes.front().channels <= 2 &&
      std::all_of(shapes.begin(), shapes.end(), [&](const PcmShape& s) { return s == shapes.front(); }))
    return true;
  // Mixed widths or channel counts, or more than two channels: every chapter
  // becomes 16-bit stereo.
  char name[64];
  for (std::size_t j = 0; j < files.size(); ++j) {
    if (shapes[j] == kStereo16) continue;
    std::snprintf(name, sizeof name, "Chapter%zuStereo.wav", j);
    const std::string out = Joined(temp_folder_, name);
    std::string error;
    if (!WriteStereo16Wav(files[j], out, &error)) return Fail(error);
    files[j] = out;
  }
  return true;
}

bool OutputJob::PlanPictures() {
  pictures_.clear();
  pictures_done_ = 0;
  picture_failure_.clear();
  const ProjectDocument& project = context_.Project();
  const int count = project.CellCount();
  if (count == 0) return Fail("the project has no chapter");
  const FrameMode mode = FrameModeFor(project.Header().TVMode);
  TitlePlacement placement;
  for (int j = 0; j < count; ++j) {
    const AudioCell& audio = *project.GetAudioCell(j);
    const VideoCell& video = *project.GetVideoCell(j);
    ChapterPictureSource source;
    source.picture = video.VideoFilePath;
    source.lyrics = audio.LyricFilePath;
    source.font = audio.LyricFont;
    source.colour = audio.LyricColor;
    const TitlePlacement::Slot slot = placement.Place(audio.TitleIndex);
    if (slot.title < 0 || slot.title >= tessaly::kMaxTitles || slot.chapter >= kOutputChapters - 1)
      return Fail("the project has more titles or chapters than a disc can hold");
    const std::string& out = chapter_pictures_[static_cast<std::size_t>(slot.title * kOutputChapters + slot.chapter)];
    // A background that cannot be loaded would leave the chapter black.
    auto render = [source, out, mode, chapter = j + 1]() -> std::string {
      const StillOutcome still = RenderChapterStill(source, out, mode);
      if (!still.background_loaded)
        return "the background picture " + source.picture.string() + " of chapter " + std::to_string(chapter) +
               " cannot be loaded (JPEG or BMP pictures only)";
      return still.written ? std::string() : "the chapter picture " + out + " could not be written";
    };
    pictures_.push_back({render, out, source.lyrics.empty()});
  }
  return true;
}

bool OutputJob::RenderNextPicture(bool plain_only) {
  PendingPicture* next = nullptr;
  {
    std::lock_guard lock(pictures_mutex_);
    if (!picture_failure_.empty()) return false;
    for (PendingPicture& picture : pictures_)
      if (!picture.taken && (picture.plain || !plain_only)) {
        next = &picture;
        break;
      }
    if (!next) return false;
    next->taken = true;
  }
  const std::string failure = next->render();
  std::lock_guard lock(pictures_mutex_);
  ++pictures_done_;
  if (!failure.empty() && picture_failure_.empty()) picture_failure_ = failure;
  return failure.empty();
}

std::string OutputJob::PictureFailure() {
  std::lock_guard lock(pictures_mutex_);
  return picture_failure_;
}

bool OutputJob::RunPictureStep() {
  BeginStep(OutputStep::Pictures);
  host_.Status(kPictureStepStatus);
  std::atomic<bool> stop{false};
  std::future<void> plain = std::async(std::launch::async, [this, &stop] {
    // This thread waits for the worker: a box from it would never be shown.
    const QuietPictureErrors quiet;
    while (!stop && RenderNextPicture(true)) {
    }
  });
  struct Join {
    std::atomic<bool>& stop;
    std::future<void>& plain;
    ~Join() {
      stop = true;
      plain.wait();
    }
  } join{stop, plain};
  // Without a theme there is no menu picture to render, and the disc gets the
  // generated menu.
  const FrameMode mode = FrameModeFor(context_.Project().Header().TVMode);
  menus_.reset();
  if (!context_.MenuPicturePath().empty() &&
      RenderMenuStill(context_.MenuPicturePath(), menu_picture_, mode).written && !RenderDiscMenus(mode))
    return false;
  // Every still done (during the conversion too) moves the step on once.
  std::size_t shown = 0;
  auto show = [&] {
    std::size_t done = 0;
    {
      std::lock_guard lock(pictures_mutex_);
      done = pictures_done_;
    }
    for (; shown < done; ++shown) ReportStep(static_cast<int>(100 * (shown + 1) / pictures_.size()));
  };
  while (running_ && RenderNextPicture()) show();
  plain.wait();
  if (const std::string failure = PictureFailure(); !failure.empty()) return Fail(failure);
  if (running_) show();
  return true;
}

namespace {

// "3:25", or "1:02:03" from an hour.
QString SongLength(int seconds) {
  seconds = std::max(seconds, 0);
  if (seconds >= 3600)
    return QString::asprintf("%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return QString::asprintf("%d:%02d", seconds / 60, seconds % 60);
}

pennock::MenuButton ButtonAt(const QRect& rect, pennock::MenuButtonAction action, int title, int chapter = 0,
                             int page = 0) {
  return {static_cast<std::uint16_t>(rect.left()), static_cast<std::uint16_t>(rect.top()),
          static_cast<std::uint16_t>(rect.right()), static_cast<std::uint16_t>(rect.bottom()),
          static_cast<std::uint8_t>(action), static_cast<std::uint8_t>(title), static_cast<std::uint8_t>(chapter),
          static_cast<std::uint8_t>(page)};
}

}  // namespace

bool OutputJob::RenderDiscMenus(FrameMode mode) {
  const ProjectDocument& project = context_.Project();
  const LanguageHolder& language = context_.Settings().Language();
  // The chapters of every title in compact numbering: their song names and lengths.
  struct Song {
    QString name;
    int seconds = 0;
  };
  std::vector<std::vector<Song>> titles;
  TitlePlacement placement;
  for (int j = 0; j < project.CellCount(); ++j) {
    const AudioCell& cell = *project.GetAudioCell(j);
    const TitlePlacement::Slot slot = placement.Place(cell.TitleIndex);
    if (slot.title < 0 || slot.title >= tessaly::kMaxTitles || slot.chapter >= kOutputChapters - 1)
      return Fail("the project has more titles or chapters than a disc can hold");
    if (static_cast<int>(titles.size()) <= slot.title) titles.resize(static_cast<std::size_t>(slot.title) + 1);
    // The song's title tag, else its file name without the extension.
    std::string name = GetMediaTitleTag(cell.AudioFilePath);
    if (name.empty()) name = fs::path(FileNamePart(cell.AudioFilePath)).stem().string();
    titles[static_cast<std::size_t>(slot.title)].push_back({QString::fromStdString(name), cell.AudioTotalTime});
  }
  if (titles.empty()) return true;

  const QString title_format = QString::fromStdString(language.Translate("Title %d", kSectionCreatorEditDlg));
  auto title_name = [&](std::size_t t) {
    if (titles[t].size() == 1) return titles[t].front().name;
    QString name = title_format;
    return name.replace(QStringLiteral("%d"), QString::number(static_cast<int>(t + 1)));
  };
  auto word = [&](const char* english) {
    return QString::fromStdString(language.Translate(english, kSectionMiscStrings));
  };
  const MenuRowTexts row{word("Previous"), word("Next"), word("Back"), word("Play all")};
  const QColor accent = MenuAccentColour(context_.MenuPicturePath());
  auto menus = std::make_unique<MenuData>();
  auto render = [&](const QString& heading, const MenuPageLayout& page, const std::string& file) {
    menus->files.push_back(Joined(temp_folder_, file));
    if (!RenderMenuPage(context_.MenuPicturePath(), heading, page, accent, mode, menus->files.back()))
      return Fail("the disc menu picture " + menus->files.back() + " could not be written");
    return true;
  };
  char name[64];

  // The title menu: a title of one song plays, one of several opens its song menu.
  std::vector<MenuEntryText> entries;
  for (std::size_t t = 0; t < titles.size(); ++t)
    entries.push_back({title_name(t), titles[t].size() == 1 ? SongLength(titles[t].front().seconds) : QString()});
  const QString project_name = QString::fromStdString(project.Header().ProjectName);
  for (const MenuPageLayout& page : LayOutMenuPages(entries, {}, mode, row)) {
    std::snprintf(name, sizeof name, "MenuTitles%02d.bmp", page.page + 1);
    if (!render(project_name, page, name)) return false;
    pennock::MenuPage record{};
    record.picture = menus->files.back().c_str();
    for (const MenuButtonBox& box : page.buttons) {
      pennock::MenuButton& b = record.buttons[record.button_count++];
      const int t = box.entry + 1;
      switch (box.role) {
        case MenuButtonRole::Entry:
          b = ButtonAt(box.rect, titles[static_cast<std::size_t>(box.entry)].size() == 1 ? pennock::kButtonPlayTitle
                                                                                          : pennock::kButtonSongMenu, t);
          break;
        case MenuButtonRole::Previous: b = ButtonAt(box.rect, pennock::kButtonPage, 0, 0, page.page); break;
        default: b = ButtonAt(box.rect, pennock::kButtonPage, 0, 0, page.page + 2); break;
      }
    }
    menus->title_pages.push_back(record);
  }

  // A song menu for every title of several songs.
  for (std::size_t t = 0; t < titles.size(); ++t) {
    if (titles[t].size() < 2) continue;
    entries.clear();
    for (const Song& song : titles[t]) entries.push_back({song.name, SongLength(song.seconds)});
    const int title = static_cast<int>(t + 1);
    for (const MenuPageLayout& page :
         LayOutMenuPages(entries, {MenuButtonRole::Back, MenuButtonRole::PlayAll}, mode, row)) {
      std::snprintf(name, sizeof name, "MenuSongs%02d_%02d.bmp", title, page.page + 1);
      if (!render(title_name(t), page, name)) return false;
      pennock::MenuPage record{};
      record.picture = menus->files.back().c_str();
      for (const MenuButtonBox& box : page.buttons) {
        pennock::MenuButton& b = record.buttons[record.button_count++];
        switch (box.role) {
          case MenuButtonRole::Entry: b = ButtonAt(box.rect, pennock::kButtonPlayChapter, title, box.entry + 1); break;
          case MenuButtonRole::Previous: b = ButtonAt(box.rect, pennock::kButtonPage, title, 0, page.page); break;
          case MenuButtonRole::Next: b = ButtonAt(box.rect, pennock::kButtonPage, title, 0, page.page + 2); break;
          case MenuButtonRole::Back: b = ButtonAt(box.rect, pennock::kButtonTitleMenu, title); break;
          case MenuButtonRole::PlayAll: b = ButtonAt(box.rect, pennock::kButtonPlayChapter, title, 1); break;
        }
      }
      menus->song_pages[t].push_back(record);
    }
  }

  pennock::DiscMenus& block = menus->block;
  block.accent_rgb = accent.rgb() & 0xFFFFFF;
  block.start_with_menu = project.Header().StartWithMenu != 0 ? 1 : 0;
  block.title_page_count = static_cast<std::uint16_t>(menus->title_pages.size());
  block.title_pages = menus->title_pages.data();
  for (std::size_t t = 0; t < titles.size(); ++t) {
    block.song_page_count[t + 1] = static_cast<std::uint16_t>(menus->song_pages[t].size());
    block.song_pages[t + 1] = menus->song_pages[t].empty() ? nullptr : menus->song_pages[t].data();
  }
  menus_ = std::move(menus);
  return true;
}

void OutputJob::BuildRequest(tessaly::AuthoringRequest& request) const {
  const ProjectDocument& project = context_.Project();
  const ProjectHeader& header = project.Header();
  std::error_code ec;
  request.window = window_;
  request.output_folder = (type_ == OutputType::DvdFolder && !fs::exists(dvd_folder_, ec))
                              ? data_folder_.c_str()
                              : dvd_folder_.c_str();
  request.temp_folder = temp_folder_.c_str();
  request.title_count = static_cast<std::uint8_t>(header.TitleCellTotalNum);
  request.one = 1;
  request.aspect = header.MenuAspectRatio != 0 ? tessaly::kAspect169 : tessaly::kAspect43;
  request.menu_aspect = request.aspect;
  request.video_display = header.VideoDisplayMode == 0 ? tessaly::kDisplayLetterbox : tessaly::kDisplayPanScan;
  request.menu_display = header.MenuDisplayMode == 0 ? tessaly::kDisplayLetterbox : tessaly::kDisplayPanScan;

  // Each title record is closed with the length of the title's WAV file.
  auto close_title = [&](int t, int chapters) {
    tessaly::TitleRecord& record = request.titles[t];
    record.chapter_count = static_cast<std::uint8_t>(chapters);
    record.chapters[chapters].seconds = GetMediaDurationSeconds(title_wavs_[static_cast<std::size_t>(t)]) - 1;
    record.title_wav_path = title_wavs_[static_cast<std::size_t>(t)].c_str();
  };
  TitlePlacement placement;
  int current = -1;
  int chapters = 0;
  for (int j = 0; j < project.CellCount(); ++j) {
    const AudioCell& cell = *project.GetAudioCell(j);
    const TitlePlacement::Slot slot = placement.Place(cell.TitleIndex);
    if (slot.title < 0 || slot.title >= tessaly::kMaxTitles || slot.chapter >= kOutputChapters - 1) break;
    if (slot.title != current) {
      if (current >= 0) close_title(current, chapters);
      current = slot.title;
      chapters = 0;
    }
    tessaly::ChapterEntry& entry = request.titles[slot.title].chapters[slot.chapter];
    entry.seconds = cell.AudioTotalTime;
    const std::size_t at = static_cast<std::size_t>(slot.title * kOutputChapters + slot.chapter);
    entry.picture_path = chapter_pictures_[at].c_str();
    entry.audio_path = chapter_audio_[at].c_str();
    chapters = slot.chapter + 1;
  }
  if (current >= 0) {
    close_title(current, chapters);
    if (request.title_count != current + 1) request.title_count = static_cast<std::uint8_t>(current + 1);
  }
  request.menu_picture_path = menu_picture_.c_str();
}

bool OutputJob::StartAuthoring() {
  tessaly::TessalyCtrl* authoring = Authoring();
  if (!authoring) return Fail("the authoring component is not loaded");
  // Large and only partly written: built on the heap, zeroed.
  auto request = std::make_unique<tessaly::AuthoringRequest>();
  BuildRequest(*request);
  overall_position_ = 0;
  BeginStep(OutputStep::Authoring);
  if (authoring->SetJob(request.get()) == 0)
    return Fail("the authoring component refused the job (a chapter's picture or audio file is missing, "
                "or it is still busy)");
  authoring->SetMenus(DiscMenus());
  authoring->Start();
  authoring_running_ = true;
  return true;
}

bool OutputJob::HandleMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
  switch (message) {
    case kMsgOverallProgress:
      // Half the authoring's overall value. It only grows during a job; the
      // component sets it back to 0 just before it reports the end, which is
      // no progress. Nothing is shown of a job that has ended.
      if (!running_ || lparam < overall_position_) return true;
      overall_position_ = lparam;
      ReportJobPercent(static_cast<int>(std::min<std::intptr_t>(lparam, 50) * 2));
      return true;
    case kMsgChapterProgress:
      if (running_) host_.SubPercent(static_cast<int>(std::clamp<std::intptr_t>(lparam, 0, 100)));
      return true;
    case kMsgStatus:
      OnStatus(static_cast<std::int32_t>(wparam), lparam);
      return true;
    default:
      return false;
  }
}

void OutputJob::OnStatus(std::int32_t status, std::intptr_t result) {
  tessaly::TessalyCtrl* authoring = Authoring();
  if (!authoring) return;
  if (status != last_status_) {
    last_status_ = status;
    const char* text = authoring->StatusText(status);
    host_.Status(text ? text : "");
  }
  if (status == tessaly::kStatusFailed || status == tessaly::kStatusComplete ||
      status == tessaly::kStatusCompleteOther) {
    authoring_running_ = false;
    if (std::exchange(drop_when_authoring_ends_, false)) DropDvdOutput();
  }
  if (!running_) return;
  const bool yes = authoring->CompletionQuery() != 0;
  const bool complete = (status == tessaly::kStatusComplete && yes) ||
                        (status == tessaly::kStatusCompleteOther && !yes);
  if (complete) {
    CleanTempFolder();
    std::error_code ec;
    const fs::path video_ts = fs::path(dvd_folder_) / "VIDEO_TS";
    if (!fs::exists(video_ts / "VIDEO_TS.IFO", ec)) {
      Finish(OutputOutcome::Failed, "the authoring reported success but " + video_ts.string() +
                                        " holds no VIDEO_TS.IFO");
      DropDvdOutput();
      Rest();
      return;
    }
    owns_dvd_folder_ = false;  // the disc is the user's now
    job_percent_ = 100;
    host_.Percent(100);
    // In burn mode the page burns the folder and reports then.
    if (type_ == OutputType::DvdFolder)
      platform::MessageBox(window_, "Create DVD Folder successfully!", "Output finished",
                           platform::kMbOk);
    Finish(OutputOutcome::Succeeded);
    Rest();  // the bar of an idle page
  } else if (status == tessaly::kStatusFailed) {
    // The authoring has ended without a disc: nothing else will come.
    CleanTempFolder();
    DropDvdOutput();
    const std::string reason = AuthoringFailureText(result);
    Warn(Translate("DVD authoring failed:") + "\n" + reason);
    Finish(OutputOutcome::Failed, "DVD authoring failed: " + reason);
    Rest();
  }
}

void OutputJob::Finish(OutputOutcome outcome, const std::string& failure) {
  running_ = false;
  outcome_ = outcome;
  failure_ = failure;
  host_.Finished(outcome == OutputOutcome::Succeeded);
}

bool OutputJob::ConfirmCancel(platform::WindowHandle owner) {
  return platform::MessageBox(owner, "Are you sure you want to cancel output?", "Warning",
                              platform::kMbOkCancel | platform::kMbIconWarning) == platform::kIdOk;
}

void OutputJob::Cancel() {
  const bool was_running = running_;
  if (running_) {
    if (tessaly::TessalyCtrl* authoring = Authoring()) authoring->Abort();
    running_ = false;
  }
  aborted_ = true;
  CleanTempFolder();
  if (was_running) {
    DropDvdOutput();
    outcome_ = OutputOutcome::Cancelled;
    host_.Finished(false);
  }
  Rest();
}

void OutputJob::DropDvdOutput() {
  if (!owns_dvd_folder_) return;
  if (authoring_running_) {
    // A cancelled authoring is still stopping: its end takes the files away.
    drop_when_authoring_ends_ = true;
    return;
  }
  DeleteFolderContents(dvd_folder_);
  std::error_code ec;
  if (made_dvd_folder_) fs::remove(dvd_folder_, ec);
}

void OutputJob::DeleteTemporaryFiles() {
  std::error_code ec;
  for (const std::string& path : title_wavs_)
    if (!path.empty()) fs::remove(path, ec);
  for (const std::string& path : chapter_pictures_)
    if (!path.empty()) fs::remove(path, ec);
}

}  // namespace verosa
