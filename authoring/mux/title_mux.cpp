#include "mux/title_mux.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "encoder/still_encoder.h"
#include "mux/pack_format.h"

namespace pennock {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kFlushBytes = 1600000;
constexpr std::size_t kAudioHeaderBytes = 14 + 6 + 3 + 10 + 7;  // pack, PES, flags, PTS+stuffing, LPCM
constexpr std::size_t kAudioRoom = kSectorSize - kAudioHeaderBytes;  // 2008
constexpr double kAudioScrFactor = 0.006835938167572087;
constexpr double kAudioScrStep = 146.2857;
constexpr std::size_t kAudioReadBlock = 51200;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool IsNavigationPack(const std::uint8_t* pack) {
  return pack[14] == 0x00 && pack[15] == 0x00 && pack[16] == 0x01 && pack[17] == 0xBB;
}

std::uint8_t Bcd(int value) { return static_cast<std::uint8_t>((value / 10) << 4 | (value % 10)); }

// Elapsed time of `frames` as hours, minutes, seconds BCD and the frame byte
// (tens in bits 4..5, units 0..3, rate flag in 6..7).
void WriteElapsed(std::uint8_t* p, std::int64_t frames, bool pal) {
  const int fps = pal ? 25 : 30;
  const std::int64_t seconds = frames / fps;
  p[0] = Bcd(static_cast<int>(seconds / 3600 % 100));
  p[1] = Bcd(static_cast<int>(seconds / 60 % 60));
  p[2] = Bcd(static_cast<int>(seconds % 60));
  p[3] = static_cast<std::uint8_t>((pal ? nav::kFrameFlagPal : nav::kFrameFlagNtsc) | Bcd(static_cast<int>(frames % fps)));
}

// Streams a WAV file's audio as LPCM bytes, whole 1/600 s frames at a time,
// the last frame completed with silence.
class AudioSource {
 public:
  bool Open(const fs::path& path, const WavFormat& format) {
    format_ = format;
    file_.reset(std::fopen(path.c_str(), "rb"));
    if (!file_) return false;
    const auto data = FindWavData(file_.get());
    if (!data || std::fseek(file_.get(), static_cast<long>(data->offset), SEEK_SET) != 0) return false;
    // A data length running past the file (or a streaming 0xFFFFFFFF) ends at the file's end.
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    left_ = ec ? data->length : std::min<std::uint64_t>(data->length, size > data->offset ? size - data->offset : 0);
    return true;
  }
  std::size_t Available() const { return lpcm_.size() - used_; }
  bool Exhausted() { Refill(); return Available() == 0; }
  const std::uint8_t* Data() const { return lpcm_.data() + used_; }
  void Consume(std::size_t n) { used_ += n; }
  // Fills the buffer so that at least `want` bytes are available when the file has them.
  void Refill(std::size_t want = 4 * kSectorSize) {
    if (Available() >= want) return;
    lpcm_.erase(lpcm_.begin(), lpcm_.begin() + static_cast<std::ptrdiff_t>(used_));
    used_ = 0;
    const std::size_t frame_in = static_cast<std::size_t>(format_.input_frame_bytes);
    while (Available() < want && left_ > 0) {
      std::size_t block = std::min<std::uint64_t>(left_, kAudioReadBlock);
      raw_.resize(block);
      const std::size_t got = std::fread(raw_.data(), 1, block, file_.get());
      left_ = got < block ? 0 : left_ - got;
      raw_.resize(got);
      pending_.insert(pending_.end(), raw_.begin(), raw_.end());
      const std::size_t whole = pending_.size() / frame_in * frame_in;
      ConvertToLpcm(format_, pending_.data(), whole, lpcm_);
      pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(whole));
    }
    if (left_ == 0 && !pending_.empty()) {  // complete the last frame with silence
      pending_.resize(frame_in, 0);
      ConvertToLpcm(format_, pending_.data(), frame_in, lpcm_);
      pending_.clear();
    }
  }

 private:
  WavFormat format_;
  File file_;
  std::uint64_t left_ = 0;
  std::vector<std::uint8_t> raw_, pending_, lpcm_;
  std::size_t used_ = 0;
};

}  // namespace

// Writes the packs of one title into the intermediate stream.
class TitleSetMuxer::TitleWriter {
 public:
  TitleWriter(TitleSetMuxer& owner, int title, const fs::path& temp)
      : owner_(owner), title_(title), temp_path_(temp) {}

  MuxResult Run(const std::vector<ChapterSource>& chapters) {
    temp_.reset(std::fopen(temp_path_.c_str(), "wb"));
    if (!temp_) return {MuxOutcome::WriteFailed, 0, "cannot create " + temp_path_.string()};
    TitleRecord record;
    record.first_vobu = owner_.vobus_.size();
    for (std::size_t c = 0; c < chapters.size(); ++c) {
      if (owner_.signals_.Aborted()) {
        owner_.signals_.SendStatus(kStatusAborted);
        return {MuxOutcome::Aborted, 0, {}};
      }
      MuxResult chapter = Chapter(static_cast<int>(c) + 1, chapters[c], record);
      if (chapter.outcome != MuxOutcome::Done) return chapter;
    }
    if (!Flush() || std::fclose(temp_.release()) != 0)
      return {MuxOutcome::WriteFailed, 0, "cannot write " + temp_path_.string()};
    record.last_vobu = owner_.vobus_.size() - 1;
    record.end_ptm = owner_.vobus_.back().end_ptm;
    record.frame_rate_code = frame_rate_code_;
    record.temp_sectors = packs_written_;
    owner_.titles_.push_back(std::move(record));
    return {};
  }

 private:
  MuxResult Chapter(int cell, const ChapterSource& source, TitleRecord& record) {
    const JobSignals& signals = owner_.signals_;
    // The picture: encoded, read back without its navigation pack, re-timed.
    const StillResult still = EncodeStillChoosingQuantiser(source.picture, owner_.settings_.output_folder,
                                                           owner_.settings_.aspect_code, title_frames_, signals);
    frame_rate_code_ = still.frame_rate_code == kFrameRatePal ? kFrameRatePal : kFrameRateNtsc;
    pal_ = frame_rate_code_ == kFrameRatePal;
    frame_ = pal_ ? 3600 : 3003;
    vobu_ticks_ = pal_ ? 43200 : 45045;
    std::vector<Pack> video = ReadPictureVideoPacks();
    // The whole picture goes out right after the chapter's first navigation
    // pack, one pack time apart, so that a player has it when the chapter
    // starts. It is decoded no earlier than one pack time after its last
    // pack has arrived, and the chapter's audio starts no earlier either:
    // a busy picture at a chapter boundary costs a short pause, never a
    // picture shown late or audio that arrives after its time.
    const double nav_scr_ahead = packs_written_ == 0 && buffer_.empty() ? 0.0 : scr_ + kPackTime;
    std::vector<double> video_scr(video.size());
    for (std::size_t i = 0; i < video.size(); ++i)
      video_scr[i] = nav_scr_ahead + static_cast<double>(i + 1) * kPackTime;
    if (!video.empty()) {
      const double arrived = video_scr.back() + kPackTime;
      double pts = kPresentationOffset + static_cast<double>(title_frames_) * frame_;
      while (pts - frame_ < arrived) pts += frame_;
      WriteTimestamp(&video[0][23], 0x3, static_cast<std::uint64_t>(pts));
      WriteTimestamp(&video[0][28], 0x1, static_cast<std::uint64_t>(pts - frame_));
      audio_pts_chapter_start_ = std::max(audio_pts_chapter_start_, arrived + kPackTime);
    }
    std::size_t next_video = 0;

    signals.SendStatus(kStatusChapter);
    AudioSource audio;
    if (!audio.Open(source.audio, source.format)) return {MuxOutcome::AudioUnreadable, cell, {}};
    format_ = source.format;
    const std::size_t frame_bytes = static_cast<std::size_t>(format_.output_frame_bytes);
    const std::size_t room = kAudioRoom / static_cast<std::size_t>(format_.group_bytes) *
                             static_cast<std::size_t>(format_.group_bytes);
    std::uint64_t chapter_bytes = 0;  // LPCM bytes of this chapter already packed
    std::int64_t cell_frames = 0;
    std::uint64_t chapter_packs = 0;
    bool first_vobu = true;

    while (true) {
      // ---- navigation pack ----
      vobu_end_ += vobu_ticks_;
      if (!first_vobu) sync_threshold_ += vobu_ticks_;
      const double nav_scr = packs_written_ == 0 && buffer_.empty() ? 0.0 : scr_ + kPackTime;
      scr_ = nav_scr;
      Pack nav = NavigationPackTemplate(pal_ ? TvSystem::Pal : TvSystem::Ntsc);
      WriteScrTicks(&nav[4], nav_scr);
      const std::uint32_t sector = owner_.next_sector_;
      const auto start_ptm = static_cast<std::uint32_t>(nav_scr + kPresentationOffset);
      PutBe32(&nav[nav::kPciLbn], sector);
      PutBe32(&nav[nav::kVobuSPtm], start_ptm);
      WriteElapsed(&nav[nav::kEEltm], cell_frames, pal_);
      PutBe32(&nav[nav::kDsiScr], static_cast<std::uint32_t>(nav_scr));
      PutBe32(&nav[nav::kDsiLbn], sector);
      PutBe16(&nav[nav::kVobIdn], static_cast<std::uint16_t>(title_));
      nav[nav::kCellIdn] = static_cast<std::uint8_t>(cell);
      WriteElapsed(&nav[nav::kCEltm], cell_frames, pal_);
      PutBe32(&nav[nav::kVobVSPtm], static_cast<std::uint32_t>(kPresentationOffset));
      const std::size_t nav_index = Append(nav);
      VobuRecord vobu;
      vobu.sector = sector;
      vobu.start_ptm = start_ptm;
      vobu.title = static_cast<std::uint16_t>(title_);
      vobu.cell = static_cast<std::uint8_t>(cell);
      vobu.cell_start = first_vobu;
      std::uint32_t packs = 1;

      // ---- video packs: the whole picture in the chapter's first VOBU ----
      bool last_video_here = false;
      std::uint32_t last_video_rel = 0;
      while (next_video < video.size()) {
        const double scr = std::max(scr_ + kPackTime, video_scr[next_video]);
        WriteScrTicks(&video[next_video][4], scr);
        scr_ = scr;
        Append(video[next_video]);
        last_video_rel = packs++;
        if (++next_video == video.size()) last_video_here = true;
        vobu.has_video = true;
      }
      if (last_video_here) {
        PutBe32(&PackAt(nav_index)[nav::kFirstRefEa], last_video_rel & 0xFFFF);
        PutBe32(&PackAt(nav_index)[nav::kVobuSeEPtm], start_ptm + static_cast<std::uint32_t>(frame_));
      }

      // ---- audio packs until the VOBU is complete ----
      bool sync_set = false;
      bool chapter_done = false;
      while (true) {
        audio.Refill();
        const std::size_t available = audio.Available();
        if (available == 0) {
          chapter_done = true;
          break;
        }
        const std::size_t data = std::min(available, room);
        // Frames that start in this packet and the PTS of the first of them.
        const std::uint64_t first_start = (chapter_bytes + frame_bytes - 1) / frame_bytes * frame_bytes;
        const std::uint64_t frames_before = first_start / frame_bytes;
        const std::uint64_t end = chapter_bytes + data;
        const int frame_headers = first_start < end ? static_cast<int>((end - 1 - first_start) / frame_bytes + 1) : 0;
        const double pts = audio_pts_chapter_start_ + static_cast<double>(frames_before) * 150.0;
        const std::uint16_t pointer = frame_headers ? static_cast<std::uint16_t>(first_start - chapter_bytes + 4) : 0;
        const std::uint8_t frame_number = static_cast<std::uint8_t>((lpcm_frames_ + frames_before) % 20);

        double scr;
        if (audio_packets_ == 0) scr = kFirstAudioScr;
        else if (audio_packets_ == 1) scr = kSecondAudioScr;
        else scr = std::max(std::floor(pts * kAudioScrFactor) * kAudioScrStep, scr_ + kPackTime);
        scr = std::max(scr, scr_ + 1e-3);  // never backwards
        scr_ = scr;

        Pack pack{};
        WritePackHeader(pack.data(), 0, 0);
        WriteScrTicks(&pack[4], scr);
        const bool last_packet = data == available && available <= room;
        std::size_t stuffing = 5 + (room < kAudioRoom ? kAudioRoom - room : 0);
        std::size_t used = kAudioHeaderBytes + data + (stuffing - 5);
        const bool pad_packet = last_packet && used < 2035;
        if (last_packet && !pad_packet) {
          stuffing += kSectorSize - used;
          used = kSectorSize;
        }
        std::uint8_t* p = &pack[14];
        p[0] = 0x00; p[1] = 0x00; p[2] = 0x01; p[3] = 0xBD;
        const std::size_t header_data = 5 + stuffing;  // PTS and stuffing (or P-STD extension)
        const std::size_t pes_length = 3 + header_data + 7 + data;
        PutBe16(p + 4, static_cast<std::uint16_t>(pes_length));
        p[6] = 0x81;
        std::uint8_t* h = p + 9;
        if (audio_packets_ == 0) {
          p[7] = 0x81;  // PTS, extension
          WriteTimestamp(h, 0x2, static_cast<std::uint64_t>(pts));
          h[5] = 0x1E;  // P-STD buffer: scale 1, 58 x 1024 bytes
          h[6] = 0x60;
          h[7] = 0x3A;
          std::fill(h + 8, h + header_data, 0xFF);
        } else {
          p[7] = 0x80;  // PTS
          WriteTimestamp(h, 0x2, static_cast<std::uint64_t>(pts));
          std::fill(h + 5, h + header_data, 0xFF);
        }
        p[8] = static_cast<std::uint8_t>(header_data);
        std::uint8_t* l = h + header_data;
        l[0] = 0xA0;
        l[1] = static_cast<std::uint8_t>(frame_headers);
        PutBe16(l + 2, pointer);
        l[4] = frame_number;
        l[5] = format_.format_byte;
        l[6] = 0x80;
        std::memcpy(l + 7, audio.Data(), data);
        if (pad_packet) {
          std::uint8_t* pad = l + 7 + data;
          const std::size_t pad_length = kSectorSize - (static_cast<std::size_t>(pad - pack.data())) - 6;
          pad[0] = 0x00; pad[1] = 0x00; pad[2] = 0x01; pad[3] = 0xBE;
          PutBe16(pad + 4, static_cast<std::uint16_t>(pad_length));
          std::fill(pad + 6, pad + 6 + pad_length, 0xFF);
        }
        audio.Consume(data);
        chapter_bytes += data;
        const std::uint32_t rel = packs++;
        Append(pack);
        ++audio_packets_;
        if (!sync_set && pts >= sync_threshold_) {
          PutBe16(&PackAt(nav_index)[nav::kASynca], static_cast<std::uint16_t>(rel));
          sync_set = true;
        }
        if (pts >= std::trunc(vobu_end_)) break;
      }
      const bool last_vobu = chapter_done || audio.Exhausted();
      vobu.end_ptm = last_vobu ? static_cast<std::uint32_t>(scr_ + kPresentationOffset)
                               : start_ptm + static_cast<std::uint32_t>(vobu_ticks_);
      vobu.end_ptm = std::max(vobu.end_ptm, start_ptm + 1);
      PutBe32(&PackAt(nav_index)[nav::kVobuEPtm], vobu.end_ptm);
      PutBe32(&PackAt(nav_index)[nav::kVobuEa], (packs - 1) & 0xFFFF);
      vobu.packs = packs;
      owner_.next_sector_ += packs;
      if (first_vobu) record.cells.push_back({owner_.vobus_.size(), owner_.vobus_.size()});
      record.cells.back().last_vobu = owner_.vobus_.size();
      // Time-map marks every two seconds: map entry i stands for the time
      // (i + 1) x 2 s into the title, so the first mark is 2 s in.
      const double mark_step = frame_ * 2 * (pal_ ? 25 : 30);
      if (next_mark_ < 0) next_mark_ = kPresentationOffset + mark_step;
      while (next_mark_ < vobu.end_ptm) {
        if (next_mark_ >= vobu.start_ptm) record.marks.push_back({vobu.sector, static_cast<std::uint8_t>(cell)});
        next_mark_ += mark_step;
      }
      owner_.vobus_.push_back(vobu);
      const std::int64_t vobu_frames = static_cast<std::int64_t>(vobu_ticks_ / frame_);
      cell_frames += vobu_frames;
      title_frames_ += vobu_frames;
      first_vobu = false;
      chapter_packs += packs;

      if (buffer_.size() > kFlushBytes && !Flush())
        return {MuxOutcome::WriteFailed, 0, "cannot write " + temp_path_.string()};
      const std::uint64_t consumed = chapter_bytes * static_cast<std::uint64_t>(format_.input_frame_bytes) /
                                     static_cast<std::uint64_t>(format_.output_frame_bytes) / kSectorSize;
      const int percent = source.audio_sectors ? static_cast<int>(std::min<std::uint64_t>(chapter_packs * 100 / source.audio_sectors, 100)) : 100;
      const std::uint64_t done = owner_.audio_sectors_done_ + std::min(consumed, source.audio_sectors);
      if (owner_.progress_) owner_.progress_(done, percent);
      if (last_vobu) break;
      if (signals.Aborted()) {
        signals.SendStatus(kStatusAborted);
        return {MuxOutcome::Aborted, 0, {}};
      }
    }
    owner_.audio_sectors_done_ += source.audio_sectors;
    const std::uint64_t chapter_frames = chapter_bytes / frame_bytes;
    audio_pts_chapter_start_ += static_cast<double>(chapter_frames) * 150.0;
    lpcm_frames_ += chapter_frames;
    return {};
  }

  std::vector<Pack> ReadPictureVideoPacks() {
    const fs::path menu = owner_.settings_.output_folder / kMenuVobName;
    std::vector<Pack> packs;
    File file(std::fopen(menu.c_str(), "rb"));
    if (file) {
      Pack pack;
      bool first = true;
      while (std::fread(pack.data(), 1, kSectorSize, file.get()) == kSectorSize) {
        if (!first) packs.push_back(pack);
        first = false;
      }
    }
    file.reset();
    std::error_code ec;
    fs::remove(menu, ec);
    return packs;
  }

  std::size_t Append(const Pack& pack) {
    buffer_.insert(buffer_.end(), pack.begin(), pack.end());
    return buffer_.size() / kSectorSize - 1;
  }
  std::uint8_t* PackAt(std::size_t index) { return buffer_.data() + index * kSectorSize; }

  bool Flush() {
    if (buffer_.empty()) return true;
    const bool ok = std::fwrite(buffer_.data(), 1, buffer_.size(), temp_.get()) == buffer_.size();
    packs_written_ += buffer_.size() / kSectorSize;
    buffer_.clear();
    return ok;
  }

  TitleSetMuxer& owner_;
  int title_;
  fs::path temp_path_;
  File temp_;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t packs_written_ = 0;

  double scr_ = 0;
  double sync_threshold_ = kPresentationOffset;
  double vobu_end_ = 0;
  double next_mark_ = -1;  // set with the first VOBU
  double audio_pts_chapter_start_ = kPresentationOffset;
  std::uint64_t lpcm_frames_ = 0;
  std::uint64_t audio_packets_ = 0;
  std::int64_t title_frames_ = 0;
  WavFormat format_;
  int frame_rate_code_ = kFrameRateNtsc;
  bool pal_ = false;
  double frame_ = 3003;
  double vobu_ticks_ = 45045;
};

TitleSetMuxer::TitleSetMuxer(Settings settings, const JobSignals& signals, Progress progress)
    : settings_(std::move(settings)), signals_(signals), progress_(std::move(progress)),
      next_sector_(settings_.first_sector) {}

MuxResult TitleSetMuxer::MuxTitle(int number, const std::vector<ChapterSource>& chapters) {
  const fs::path temp = settings_.output_folder / "_TEMP.VOB";
  const std::size_t vobus_before = vobus_.size();
  const std::uint32_t sector_before = next_sector_;
  TitleWriter writer(*this, number, temp);
  MuxResult result = writer.Run(chapters);
  if (result.outcome != MuxOutcome::Done) {
    vobus_.resize(vobus_before);
    next_sector_ = sector_before;
    std::error_code ec;
    fs::remove(temp, ec);
    return result;
  }
  result = CopyIntoVobs(number, temp);
  std::error_code ec;
  fs::remove(temp, ec);
  return result;
}

std::array<std::uint32_t, 42> TitleSetMuxer::SearchPointers(std::size_t index) const {
  static constexpr int kForward[19] = {240, 120, 60, 20, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1};
  constexpr std::uint32_t kNone = 0x3FFFFFFF;
  const VobuRecord& here = vobus_[index];
  auto pointer = [&](std::ptrdiff_t target) -> std::uint32_t {
    if (target < 0 || target >= static_cast<std::ptrdiff_t>(vobus_.size())) return kNone;
    const VobuRecord& there = vobus_[static_cast<std::size_t>(target)];
    if (there.title != here.title || there.cell != here.cell) return kNone;
    const std::uint32_t distance = there.sector > here.sector ? there.sector - here.sector : here.sector - there.sector;
    return (distance & 0x3FFFFFFF) | (there.has_video ? 0x80000000u : 0u);
  };
  auto nearest_video = [&](int step) -> std::uint32_t {
    for (std::ptrdiff_t i = static_cast<std::ptrdiff_t>(index) + step; i >= 0 && i < static_cast<std::ptrdiff_t>(vobus_.size()); i += step) {
      const VobuRecord& there = vobus_[static_cast<std::size_t>(i)];
      if (there.title != here.title || there.cell != here.cell) break;
      if (there.has_video) return pointer(i);
    }
    return kNone;
  };
  std::array<std::uint32_t, 42> sri{};
  const auto i = static_cast<std::ptrdiff_t>(index);
  sri[0] = nearest_video(+1);                                   // next VOBU with video
  for (int k = 0; k < 19; ++k) sri[1 + k] = pointer(i + kForward[k]);
  sri[20] = pointer(i + 1);                                     // next VOBU
  sri[21] = pointer(i - 1);                                     // previous VOBU
  for (int k = 0; k < 19; ++k) sri[22 + k] = pointer(i - kForward[18 - k]);
  sri[41] = nearest_video(-1);                                  // previous VOBU with video
  return sri;
}

MuxResult TitleSetMuxer::CopyIntoVobs(int number, const fs::path& temp) {
  signals_.SendStatus(kStatusCopying);
  File in(std::fopen(temp.c_str(), "rb"));
  if (!in) {
    signals_.SendStatus(kStatusTempStreamMissing);
    return {MuxOutcome::TempMissing, 0, "cannot reopen " + temp.string()};
  }
  const TitleRecord& title = titles_.back();
  const std::uint64_t total = title.temp_sectors;
  std::uint32_t sector = static_cast<std::uint32_t>(vobus_[title.first_vobu].sector);
  std::size_t vobu = title.first_vobu;
  File out;
  int open_file = 0;
  Pack pack;
  std::uint64_t copied = 0;
  int last_percent = -1;
  while (std::fread(pack.data(), 1, kSectorSize, in.get()) == kSectorSize) {
    if (IsNavigationPack(pack.data()) && vobu <= title.last_vobu) {
      PutBe32(&pack[nav::kVobVEPtm], title.end_ptm);
      const auto sri = SearchPointers(vobu);
      for (std::size_t k = 0; k < sri.size(); ++k) PutBe32(&pack[nav::kVobuSri + 4 * k], sri[k]);
      ++vobu;
    }
    if (sector >= kMaxTitleSetSectors) return {MuxOutcome::WriteFailed, 0, "the title set is larger than nine VOB files"};
    const int file_number = static_cast<int>(sector / kSectorsPerVobFile) + 1;
    if (file_number != open_file) {
      if (out && std::fclose(out.release()) != 0) return {MuxOutcome::WriteFailed, 0, "cannot write the VOB files"};
      char name[32];
      std::snprintf(name, sizeof name, "VTS_01_%d.VOB", file_number);
      const fs::path path = settings_.video_ts / name;
      // Appended when earlier sectors of this file were written by an earlier title.
      const bool append = sector % kSectorsPerVobFile != 0;
      out.reset(std::fopen(path.c_str(), append ? "ab" : "wb"));
      if (!out) return {MuxOutcome::WriteFailed, 0, "cannot create " + path.string()};
      open_file = file_number;
    }
    if (std::fwrite(pack.data(), 1, kSectorSize, out.get()) != kSectorSize)
      return {MuxOutcome::WriteFailed, 0, "cannot write VTS_01_" + std::to_string(open_file) + ".VOB"};
    ++sector;
    ++copied;
    const int percent = total ? static_cast<int>(copied * 100 / total) : 100;
    if (percent != last_percent) {
      signals_.Send(kMsgProgress, 0, percent);
      last_percent = percent;
    }
  }
  if (out && std::fclose(out.release()) != 0) return {MuxOutcome::WriteFailed, 0, "cannot write the VOB files"};
  (void)number;
  return {};
}

TitleSetInfo DescribeTitleSet(const TitleSetMuxer& muxer,
                              const std::vector<std::array<std::uint8_t, 8>>& post_commands) {
  TitleSetInfo info;
  const auto& vobus = muxer.Vobus();
  for (const VobuRecord& v : vobus) info.vobu_starts.push_back(v.sector);
  for (std::size_t t = 0; t < muxer.Titles().size(); ++t) {
    const TitleRecord& record = muxer.Titles()[t];
    TitleEntry title;
    if (t < post_commands.size()) title.post_command = post_commands[t];
    title.marks = record.marks;
    const std::uint32_t title_start = vobus[record.cells.front().first_vobu].start_ptm;
    title.playback_ticks = record.end_ptm - title_start;
    const std::uint32_t title_end_sector = vobus[record.last_vobu].sector + vobus[record.last_vobu].packs - 1;
    for (std::size_t c = 0; c < record.cells.size(); ++c) {
      const CellRecord& cell = record.cells[c];
      const bool last = c + 1 == record.cells.size();
      CellEntry entry;
      entry.category = c == 0 ? 0x02000000 : 0x08000000;
      const std::uint32_t start = vobus[cell.first_vobu].start_ptm;
      const std::uint32_t end = last ? record.end_ptm : vobus[record.cells[c + 1].first_vobu].start_ptm;
      entry.playback_ticks = end - start;
      entry.first_vobu_start = vobus[cell.first_vobu].sector;
      entry.last_vobu_start = vobus[cell.last_vobu].sector;
      entry.last_vobu_end = last ? title_end_sector : vobus[record.cells[c + 1].first_vobu].sector - 1;
      entry.vob_id = static_cast<std::uint16_t>(t + 1);
      entry.cell_id = static_cast<std::uint8_t>(c + 1);
      title.cells.push_back(entry);
    }
    info.titles.push_back(std::move(title));
  }
  return info;
}

}  // namespace pennock
