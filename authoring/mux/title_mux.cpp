#include "mux/title_mux.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <future>
#include <memory>
#include <new>

#include "encoder/still_encoder.h"
#include "mux/pack_format.h"

namespace pennock {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kFlushBytes = 1600000;  // packs are written in blocks larger than this
// Frame and VOBU durations: 25 Hz frames of 3600 ticks in VOBUs of 12, or
// 29.97 Hz frames of 3003 ticks in VOBUs of 15.
constexpr double kPalFrame = kClock / 25, kNtscFrame = kClock * 1001 / 30000;
constexpr double kPalVobu = 12 * kPalFrame, kNtscVobu = 15 * kNtscFrame;
// The LPCM header's frame number counts audio frames modulo 20.
constexpr std::uint64_t kLpcmFrameNumbers = 20;
constexpr std::size_t kAudioHeaderBytes = 14 + 6 + 3 + 10 + 7;  // pack, PES, flags, PTS+stuffing, LPCM
constexpr std::size_t kAudioRoom = kSectorSize - kAudioHeaderBytes;  // 2008
// A chapter's last packet that uses fewer bytes is closed with a padding
// packet; one that uses more gets the rest as PES stuffing (at most 13 bytes
// more than the usual five, within the header's limit).
constexpr std::size_t kPaddingBelow = 2035;
// Audio packs are due two pack times before their PTS, so that a navigation
// pack between two of them (a new VOBU or chapter) never makes one late.
constexpr double kAudioLead = 2 * kPackTime;
constexpr std::size_t kAudioReadBlock = 51200;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

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
    left_ = data->length;
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
//
// The title's audio is one continuous LPCM timeline: chapter c + 1 starts
// with the frame after chapter c's last, and every VOBU covers the audio
// frames that start in it, so VOBU, cell and title times are those of the
// audio. Audio packs go out when their first frame is due (SCR at or just
// below its PTS); a chapter's picture follows the chapter's first navigation
// pack in the time left between audio packs, and is shown one frame after
// its last pack has arrived: late by a few tenths at most, while the
// previous picture stays on screen and the sound goes on.
class TitleSetMuxer::TitleWriter {
 public:
  TitleWriter(TitleSetMuxer& owner, int title)
      : owner_(owner), title_(title), first_sector_(owner.next_sector_) {
    buffer_.reserve(kFlushBytes + 64 * kSectorSize);
  }

  MuxResult Run(const std::vector<ChapterSource>& chapters) {
    TitleRecord record;
    record.first_vobu = owner_.vobus_.size();
    if (!chapters.empty()) CodeAhead(chapters.front(), 0);
    for (std::size_t c = 0; c < chapters.size(); ++c) {
      if (owner_.signals_.Aborted()) {
        owner_.signals_.SendStatus(kStatusAborted);
        return {MuxOutcome::Aborted, 0, {}};
      }
      MuxResult chapter = Chapter(chapters, c, record);
      if (chapter.outcome != MuxOutcome::Done) return chapter;
    }
    if (!Flush()) return {MuxOutcome::WriteFailed, 0, owner_.vobs_.Error()};
    record.last_vobu = owner_.vobus_.size() - 1;
    record.end_ptm = owner_.vobus_.back().end_ptm;
    record.video_start_ptm = video_start_ptm_;
    record.frame_rate_code = pal_ ? kFrameRatePal : kFrameRateNtsc;
    owner_.titles_.push_back(std::move(record));
    return {};
  }

 private:
  // The chapter's picture waiting to go out, and where its packs went.
  struct Picture {
    std::vector<Pack> packs;
    std::size_t next = 0;
    std::size_t first_index = 0;  // buffer index of the first pack
    std::uint32_t last_relative = 0;  // of the last pack, counted from the navigation pack
    double last_scr = 0;
    bool Pending() const { return next < packs.size(); }
  };

  // One VOBU being written.
  struct Vobu {
    VobuRecord record;
    std::size_t nav_index = 0;
    std::uint32_t packs = 1;
    bool audio_seen = false;
  };

  MuxResult Chapter(const std::vector<ChapterSource>& chapters, std::size_t index, TitleRecord& record) {
    const JobSignals& signals = owner_.signals_;
    const ChapterSource& source = chapters[index];
    const int cell = static_cast<int>(index) + 1;
    Picture picture;
    std::string error;
    if (!TakePicture(chapters, index, picture.packs, error)) return {MuxOutcome::PictureFailed, cell, error};

    signals.SendStatus(kStatusChapter);
    AudioSource audio;
    if (!audio.Open(source.audio, source.format) || audio.Exhausted())
      return {MuxOutcome::AudioUnreadable, cell, {}};
    format_ = source.format;
    chapter_start_pts_ = audio_pts_;
    chapter_bytes_ = 0;
    std::uint64_t chapter_packs = 0;

    for (bool first_vobu = true;; first_vobu = false) {
      Vobu vobu = BeginVobu(cell, first_vobu);
      while (true) {
        audio.Refill();
        if (audio.Available() == 0) break;
        const AudioPacket packet = NextAudioPacket(audio.Available());
        while (picture.Pending() && scr_ + 2 * kPackTime <= packet.due_scr) AppendPicturePack(picture, vobu);
        AppendAudioPack(packet, audio, vobu);
        if (!picture.Pending() && VobuComplete(vobu, audio)) break;
      }
      // A picture longer than its chapter's audio goes out after it.
      while (picture.Pending()) AppendPicturePack(picture, vobu);
      EndVobu(vobu, first_vobu, record);
      chapter_packs += vobu.packs;

      if (buffer_.size() > kFlushBytes && !Flush()) return {MuxOutcome::WriteFailed, 0, owner_.vobs_.Error()};
      ReportProgress(source, chapter_packs);
      if (audio.Exhausted()) break;
      if (signals.Aborted()) {
        signals.SendStatus(kStatusAborted);
        return {MuxOutcome::Aborted, 0, {}};
      }
    }
    EndChapter();
    owner_.audio_sectors_done_ += source.audio_sectors;
    return {};
  }

  // Pictures are coded one chapter ahead on a worker, so that the writer
  // does not wait for them. The worker reports nothing itself: the status
  // goes out when the writer takes the picture.
  void CodeAhead(const ChapterSource& source, std::int64_t picture_number) {
    const JobSignals quiet{platform::kNoWindow, nullptr, owner_.signals_.abort};
    next_picture_ = std::async(std::launch::async, [path = source.picture, aspect = owner_.settings_.aspect_code,
                                                    picture_number, quiet] {
      try {
        return EncodePicturePacks(path, aspect, picture_number, quiet);
      } catch (const std::bad_alloc&) {
        EncodedPicture failed;
        failed.result.error = "not enough memory";
        return failed;
      }
    });
  }

  // Takes chapter `index`'s picture and starts on the next one. The
  // encoder's frame rate sets the title's clock.
  bool TakePicture(const std::vector<ChapterSource>& chapters, std::size_t index, std::vector<Pack>& packs,
                   std::string& error) {
    owner_.signals_.SendStatus(kStatusEncodingPicture);
    EncodedPicture picture = next_picture_.get();
    const StillResult& still = picture.result;
    if (still.frame_rate_code != kFrameRateNone) {
      pal_ = still.frame_rate_code == kFrameRatePal;
      frame_ = pal_ ? kPalFrame : kNtscFrame;
      vobu_ticks_ = pal_ ? kPalVobu : kNtscVobu;
    }
    if (index + 1 < chapters.size()) {
      // The next chapter starts where this one's audio ends.
      const double next_start = audio_pts_ + static_cast<double>(AudioFrames(chapters[index])) * kLpcmFrameTicks;
      CodeAhead(chapters[index + 1], static_cast<std::int64_t>((next_start - kPresentationOffset) / frame_));
    }
    packs = std::move(picture.video);
    if (still.written && still.frame_rate_code != kFrameRateNone && !packs.empty()) return true;
    error = still.error.empty() ? "the picture " + chapters[index].picture.string() + " could not be encoded"
                                : chapters[index].picture.string() + ": " + still.error;
    return false;
  }

  // The LPCM frames a chapter's WAV gives (the last one completed).
  std::uint64_t AudioFrames(const ChapterSource& source) const {
    File file(std::fopen(source.audio.c_str(), "rb"));
    const auto data = file ? FindWavData(file.get()) : std::nullopt;
    if (!data || source.format.input_frame_bytes <= 0) return 0;
    const auto frame = static_cast<std::uint64_t>(source.format.input_frame_bytes);
    return (data->length + frame - 1) / frame;
  }

  // The navigation pack at the head of a VOBU: it starts where the audio
  // frames not yet sent start.
  Vobu BeginVobu(int cell, bool first_of_cell) {
    Vobu vobu;
    const double nav_scr = title_started_ ? scr_ + kPackTime : 0.0;
    title_started_ = true;
    scr_ = nav_scr;
    const double start = NextFramePts();
    const auto elapsed = BcdPlaybackTime(static_cast<std::uint64_t>(start - chapter_start_pts_),
                                         pal_ ? kFrameRatePal : kFrameRateNtsc);
    Pack nav = NavigationPackTemplate(pal_ ? TvSystem::Pal : TvSystem::Ntsc);
    WriteScrTicks(&nav[4], nav_scr);
    const std::uint32_t sector = owner_.next_sector_;
    PutBe32(&nav[nav::kPciLbn], sector);
    PutBe32(&nav[nav::kVobuSPtm], static_cast<std::uint32_t>(start));
    std::copy(elapsed.begin(), elapsed.end(), &nav[nav::kEEltm]);
    PutBe32(&nav[nav::kDsiScr], static_cast<std::uint32_t>(nav_scr));
    PutBe32(&nav[nav::kDsiLbn], sector);
    PutBe16(&nav[nav::kVobIdn], static_cast<std::uint16_t>(title_));
    nav[nav::kCellIdn] = static_cast<std::uint8_t>(cell);
    std::copy(elapsed.begin(), elapsed.end(), &nav[nav::kCEltm]);
    vobu.nav_index = Append(nav);
    vobu.record.sector = sector;
    vobu.record.start_ptm = static_cast<std::uint32_t>(start);
    vobu.record.title = static_cast<std::uint16_t>(title_);
    vobu.record.cell = static_cast<std::uint8_t>(cell);
    vobu.record.cell_start = first_of_cell;
    return vobu;
  }

  // A VOBU holds about V of audio (the chapter's first also the whole
  // picture and its display time); the chapter's rest that fits one packet
  // stays in it, so that no VOBU is left without a frame of its own.
  bool VobuComplete(const Vobu& vobu, AudioSource& audio) const {
    const double next = NextFramePts();
    if (next < vobu.record.start_ptm + vobu_ticks_) return false;
    if (vobu.record.has_video && next <= picture_pts_) return false;
    audio.Refill();
    return audio.Available() > kAudioRoom;
  }

  void AppendPicturePack(Picture& picture, Vobu& vobu) {
    Pack& pack = picture.packs[picture.next];
    scr_ += kPackTime;
    WriteScrTicks(&pack[4], scr_);
    const std::size_t index = Append(pack);
    if (picture.next == 0) picture.first_index = index;
    picture.last_relative = vobu.packs++;
    picture.last_scr = scr_;
    ++picture.next;
    vobu.record.has_video = true;
    if (!picture.Pending()) PlacePicture(picture, vobu);
  }

  // Times the picture once all its packs are placed: decoded one pack time
  // after its last pack has arrived, shown one frame later, never before its
  // chapter's audio nor with the previous picture.
  void PlacePicture(const Picture& picture, const Vobu& vobu) {
    double pts = kPresentationOffset;
    const double earliest = std::max({picture.last_scr + kPackTime + frame_, chapter_start_pts_,
                                      picture_pts_ > 0 ? picture_pts_ + frame_ : 0.0});
    if (earliest > pts) pts += std::ceil((earliest - pts) / frame_) * frame_;
    picture_pts_ = pts;
    if (video_start_ptm_ == 0) video_start_ptm_ = static_cast<std::uint32_t>(pts);
    std::uint8_t* first = PackAt(picture.first_index);
    WriteTimestamp(&first[23], 0x3, static_cast<std::uint64_t>(pts));
    WriteTimestamp(&first[28], 0x1, static_cast<std::uint64_t>(pts - frame_));
    std::uint8_t* nav = PackAt(vobu.nav_index);
    PutBe32(&nav[nav::kFirstRefEa], picture.last_relative & 0xFFFF);
    PutBe32(&nav[nav::kVobuSeEPtm], static_cast<std::uint32_t>(pts + frame_));
  }

  // The next audio packet: the frames that start in it, its PTS and the time
  // it is due.
  struct AudioPacket {
    std::size_t data = 0;
    int frame_headers = 0;
    std::uint16_t first_unit = 0;  // first access unit pointer
    std::uint8_t frame_number = 0;
    double pts = 0;
    double due_scr = 0;
  };
  AudioPacket NextAudioPacket(std::size_t available) const {
    const std::size_t frame_bytes = static_cast<std::size_t>(format_.output_frame_bytes);
    const std::size_t group = static_cast<std::size_t>(format_.group_bytes);
    const std::size_t room = kAudioRoom / group * group;
    AudioPacket packet;
    packet.data = std::min(available, room);
    const std::uint64_t first_start = (chapter_bytes_ + frame_bytes - 1) / frame_bytes * frame_bytes;
    const std::uint64_t end = chapter_bytes_ + packet.data;
    packet.frame_headers = first_start < end ? static_cast<int>((end - 1 - first_start) / frame_bytes + 1) : 0;
    packet.first_unit = packet.frame_headers ? static_cast<std::uint16_t>(first_start - chapter_bytes_ + 4) : 0;
    const std::uint64_t frames_before = first_start / frame_bytes;
    packet.pts = chapter_start_pts_ + static_cast<double>(frames_before) * kLpcmFrameTicks;
    packet.frame_number = static_cast<std::uint8_t>((lpcm_frames_ + frames_before) % kLpcmFrameNumbers);
    if (audio_packets_ == 0) packet.due_scr = kFirstAudioScr;
    else if (audio_packets_ == 1) packet.due_scr = kSecondAudioScr;
    else packet.due_scr = std::floor(packet.pts / kPackTime) * kPackTime - kAudioLead;
    return packet;
  }

  void AppendAudioPack(const AudioPacket& packet, AudioSource& audio, Vobu& vobu) {
    scr_ = std::max(packet.due_scr, scr_ + kPackTime);
    const std::size_t group = static_cast<std::size_t>(format_.group_bytes);
    const std::size_t room = kAudioRoom / group * group;
    const bool last_packet = packet.data == audio.Available();
    Append(LpcmPack(packet, audio.Data(), room, last_packet));
    audio.Consume(packet.data);
    const std::uint32_t relative = vobu.packs++;
    if (!vobu.audio_seen) PutBe16(&PackAt(vobu.nav_index)[nav::kASynca], static_cast<std::uint16_t>(relative));
    vobu.audio_seen = true;
    ++audio_packets_;
    chapter_bytes_ += packet.data;
  }

  // An LPCM pack: PES header with the PTS (and, in the title's first packet,
  // the P-STD buffer size), the LPCM private header, the audio bytes; the
  // chapter's last packet is filled with stuffing or a padding packet.
  Pack LpcmPack(const AudioPacket& packet, const std::uint8_t* samples, std::size_t room, bool last_packet) const {
    Pack pack{};
    WritePackHeader(pack.data(), 0, 0);
    WriteScrTicks(&pack[4], scr_);
    std::size_t stuffing = 5 + (kAudioRoom - room);
    std::size_t used = kAudioHeaderBytes + packet.data + (stuffing - 5);
    const bool pad_packet = last_packet && used < kPaddingBelow;
    if (last_packet && !pad_packet) {
      stuffing += kSectorSize - used;
      used = kSectorSize;
    }
    std::uint8_t* p = &pack[kPackHeaderSize];
    p[0] = 0x00; p[1] = 0x00; p[2] = 0x01; p[3] = 0xBD;  // private stream 1
    const std::size_t header_data = 5 + stuffing;  // PTS and stuffing (or P-STD extension)
    PutBe16(p + 4, static_cast<std::uint16_t>(3 + header_data + 7 + packet.data));
    p[6] = 0x81;
    std::uint8_t* h = p + 9;
    WriteTimestamp(h, 0x2, static_cast<std::uint64_t>(packet.pts));
    if (audio_packets_ == 0) {
      p[7] = 0x81;  // PTS, extension
      h[5] = 0x1E;  // P-STD buffer: scale 1, 58 x 1024 bytes
      h[6] = 0x60;
      h[7] = 0x3A;
      std::fill(h + 8, h + header_data, 0xFF);
    } else {
      p[7] = 0x80;  // PTS
      std::fill(h + 5, h + header_data, 0xFF);
    }
    p[8] = static_cast<std::uint8_t>(header_data);
    std::uint8_t* l = h + header_data;
    l[0] = 0xA0;  // LPCM sub-stream 0
    l[1] = static_cast<std::uint8_t>(packet.frame_headers);
    PutBe16(l + 2, packet.first_unit);
    l[4] = packet.frame_number;
    l[5] = format_.format_byte;
    l[6] = 0x80;  // dynamic range: none
    std::memcpy(l + 7, samples, packet.data);
    if (pad_packet) {
      std::uint8_t* pad = l + 7 + packet.data;
      const std::size_t pad_length = kSectorSize - static_cast<std::size_t>(pad - pack.data()) - 6;
      PutPaddingPacket(pad, pad_length);
    }
    return pack;
  }

  // Closes a VOBU: its end is where the audio frames not yet sent start.
  void EndVobu(Vobu& vobu, bool first_of_cell, TitleRecord& record) {
    vobu.record.end_ptm = static_cast<std::uint32_t>(NextFramePts());
    vobu.record.packs = vobu.packs;
    std::uint8_t* nav = PackAt(vobu.nav_index);
    PutBe32(&nav[nav::kVobuEPtm], vobu.record.end_ptm);
    PutBe32(&nav[nav::kVobuEa], (vobu.packs - 1) & 0xFFFF);
    owner_.next_sector_ += vobu.packs;
    const std::size_t index = owner_.vobus_.size();
    if (first_of_cell) record.cells.push_back({index, index});
    record.cells.back().last_vobu = index;
    // Time-map marks every two seconds: map entry i stands for the time
    // (i + 1) x 2 s into the title, so the first mark is 2 s in.
    const double mark_step = 2 * kClock;
    if (next_mark_ < 0) next_mark_ = kPresentationOffset + mark_step;
    while (next_mark_ < vobu.record.end_ptm) {
      if (next_mark_ >= vobu.record.start_ptm)
        record.marks.push_back({vobu.record.sector, static_cast<std::uint8_t>(vobu.record.cell)});
      next_mark_ += mark_step;
    }
    owner_.vobus_.push_back(vobu.record);
  }

  void EndChapter() {
    const std::uint64_t frames = chapter_bytes_ / static_cast<std::uint64_t>(format_.output_frame_bytes);
    audio_pts_ = chapter_start_pts_ + static_cast<double>(frames) * kLpcmFrameTicks;
    lpcm_frames_ += frames;
  }

  // The PTS of the first audio frame of the chapter not yet (begun to be) sent.
  double NextFramePts() const {
    const auto frame_bytes = static_cast<std::uint64_t>(format_.output_frame_bytes);
    const std::uint64_t started = frame_bytes ? (chapter_bytes_ + frame_bytes - 1) / frame_bytes : 0;
    return chapter_start_pts_ + static_cast<double>(started) * kLpcmFrameTicks;
  }

  void ReportProgress(const ChapterSource& source, std::uint64_t chapter_packs) {
    if (!owner_.progress_) return;
    const std::uint64_t consumed = chapter_bytes_ * static_cast<std::uint64_t>(format_.input_frame_bytes) /
                                   static_cast<std::uint64_t>(format_.output_frame_bytes) / kSectorSize;
    const int percent =
        source.audio_sectors ? static_cast<int>(std::min<std::uint64_t>(chapter_packs * 100 / source.audio_sectors, 100)) : 100;
    owner_.progress_(owner_.audio_sectors_done_ + std::min(consumed, source.audio_sectors), percent);
  }

  std::size_t Append(const Pack& pack) {
    buffer_.insert(buffer_.end(), pack.begin(), pack.end());
    return buffer_.size() / kSectorSize - 1;
  }
  std::uint8_t* PackAt(std::size_t index) { return buffer_.data() + index * kSectorSize; }

  // Writes the buffered packs where they belong in the VOB files.
  bool Flush() {
    if (buffer_.empty()) return true;
    const std::size_t packs = buffer_.size() / kSectorSize;
    const bool ok = owner_.vobs_.Write(first_sector_ + packs_written_, buffer_.data(), packs);
    packs_written_ += packs;
    buffer_.clear();
    return ok;
  }

  TitleSetMuxer& owner_;
  int title_;
  std::uint64_t first_sector_;  // of the title in the title set
  std::vector<std::uint8_t> buffer_;
  std::uint64_t packs_written_ = 0;
  std::future<EncodedPicture> next_picture_;
  bool title_started_ = false;

  double scr_ = 0;                          // of the last pack written
  double next_mark_ = -1;                   // set with the first VOBU
  double audio_pts_ = kPresentationOffset;  // of the next chapter's first frame
  double chapter_start_pts_ = kPresentationOffset;
  std::uint64_t chapter_bytes_ = 0;         // LPCM bytes of this chapter already packed
  std::uint64_t lpcm_frames_ = 0;           // frames of the title's finished chapters
  std::uint64_t audio_packets_ = 0;
  double picture_pts_ = 0;                  // of the last picture placed
  std::uint32_t video_start_ptm_ = 0;
  WavFormat format_;
  bool pal_ = false;
  double frame_ = kNtscFrame;
  double vobu_ticks_ = kNtscVobu;
};

TitleSetMuxer::TitleSetMuxer(Settings settings, const JobSignals& signals, Progress progress)
    : settings_(std::move(settings)), signals_(signals), progress_(std::move(progress)),
      next_sector_(settings_.first_sector), vobs_(settings_.video_ts) {}

MuxResult TitleSetMuxer::MuxTitle(int number, const std::vector<ChapterSource>& chapters) {
  const std::size_t vobus_before = vobus_.size();
  const std::uint32_t sector_before = next_sector_;
  TitleWriter writer(*this, number);
  MuxResult result = writer.Run(chapters);
  if (result.outcome == MuxOutcome::Done) result = CompleteNavigationPacks(titles_.back());
  if (result.outcome == MuxOutcome::Done && !vobs_.Close()) result = {MuxOutcome::WriteFailed, 0, vobs_.Error()};
  if (result.outcome != MuxOutcome::Done) {
    if (!titles_.empty() && titles_.back().first_vobu == vobus_before) titles_.pop_back();
    vobus_.resize(vobus_before);
    next_sector_ = sector_before;
    vobs_.TruncateTo(sector_before);
  }
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

// The fields of a title's navigation packs that wait for the whole title:
// VOB_V_S_PTM and VOB_V_E_PTM, then (zeros between) the 42 search pointers.
MuxResult TitleSetMuxer::CompleteNavigationPacks(const TitleRecord& title) {
  signals_.SendStatus(kStatusCopying);
  constexpr std::size_t kFrom = nav::kVobVSPtm;
  constexpr std::size_t kTo = nav::kVobuSri + 4 * nav::kVobuSriEntries;
  std::array<std::uint8_t, kTo - kFrom> fields{};
  PutBe32(&fields[nav::kVobVSPtm - kFrom], title.video_start_ptm);
  PutBe32(&fields[nav::kVobVEPtm - kFrom], title.end_ptm);
  for (std::size_t v = title.first_vobu; v <= title.last_vobu; ++v) {
    const auto sri = SearchPointers(v);
    for (std::size_t k = 0; k < sri.size(); ++k) PutBe32(&fields[nav::kVobuSri - kFrom + 4 * k], sri[k]);
    if (!vobs_.Patch(vobus_[v].sector, kFrom, fields.data(), fields.size()))
      return {MuxOutcome::WriteFailed, 0, vobs_.Error()};
  }
  signals_.Send(kMsgProgress, 0, 100);
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
