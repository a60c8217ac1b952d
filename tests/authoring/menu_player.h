// A small DVD player for the menu tests: libdvdnav runs the disc until it
// rests in a menu or plays a title, and keeps what a player shows of a menu
// (its VOBU, the sub-picture palette); FFmpeg decodes the menu's picture and
// sub-picture, and the highlight of a button is composed on the picture as a
// player draws it.
#pragma once

extern "C" {
#include <dvdnav/dvdnav.h>
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace menu_test {
namespace fs = std::filesystem;

struct Rect {
  int left, top, right, bottom;
  bool operator==(const Rect&) const = default;
};

// A sub-picture decoded by FFmpeg: its place and its pixel values.
struct Decoded {
  int x = 0, y = 0, width = 0, height = 0;
  std::vector<std::uint8_t> pixels;
};

class SubtitleDecoder {
 public:
  SubtitleDecoder() {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DVD_SUBTITLE);
    context_ = avcodec_alloc_context3(codec);
    EXPECT_EQ(avcodec_open2(context_, codec, nullptr), 0);
  }
  ~SubtitleDecoder() { avcodec_free_context(&context_); }
  // Feeds one packet; the picture once a whole unit has come.
  std::optional<Decoded> Decode(const std::uint8_t* data, int size) {
    AVPacket* packet = av_packet_alloc();
    av_new_packet(packet, size);
    std::memcpy(packet->data, data, static_cast<std::size_t>(size));
    AVSubtitle sub{};
    int got = 0;
    avcodec_decode_subtitle2(context_, &sub, &got, packet);
    av_packet_free(&packet);
    if (!got) return std::nullopt;
    std::optional<Decoded> out;
    if (sub.num_rects == 1) {
      const AVSubtitleRect* r = sub.rects[0];
      out = Decoded{r->x, r->y, r->w, r->h, {}};
      for (int row = 0; row < r->h; ++row)
        out->pixels.insert(out->pixels.end(), r->data[0] + row * r->linesize[0], r->data[0] + row * r->linesize[0] + r->w);
    }
    avsubtitle_free(&sub);
    return out;
  }

 private:
  AVCodecContext* context_ = nullptr;
};

// The first sub-picture and picture (4:2:0 planes) of a menu VOB, as FFmpeg
// demultiplexes and decodes them.
struct MenuFrame {
  std::optional<Decoded> subpicture;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> luma, cb, cr;
  int Luma(int x, int y) const { return luma[static_cast<std::size_t>(y * width + x)]; }
  int Cb(int x, int y) const { return cb[static_cast<std::size_t>(y / 2 * (width / 2) + x / 2)]; }
  int Cr(int x, int y) const { return cr[static_cast<std::size_t>(y / 2 * (width / 2) + x / 2)]; }
};

inline MenuFrame DecodeMenuVob(const fs::path& vob) {
  MenuFrame frame;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, vob.c_str(), nullptr, nullptr) != 0) return frame;
  avformat_find_stream_info(format, nullptr);
  SubtitleDecoder subtitles;
  const int video = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG2VIDEO);
  AVCodecContext* decoder = avcodec_alloc_context3(codec);
  avcodec_open2(decoder, codec, nullptr);
  AVPacket* packet = av_packet_alloc();
  AVFrame* picture = av_frame_alloc();
  auto take = [&] {
    if (!frame.luma.empty() || avcodec_receive_frame(decoder, picture) != 0) return;
    frame.width = picture->width;
    frame.height = picture->height;
    auto copy = [&](std::vector<std::uint8_t>& plane, int index, int width, int height) {
      for (int y = 0; y < height; ++y)
        plane.insert(plane.end(), picture->data[index] + y * picture->linesize[index],
                     picture->data[index] + y * picture->linesize[index] + width);
    };
    copy(frame.luma, 0, picture->width, picture->height);
    copy(frame.cb, 1, picture->width / 2, picture->height / 2);
    copy(frame.cr, 2, picture->width / 2, picture->height / 2);
  };
  while (av_read_frame(format, packet) == 0 && (frame.luma.empty() || !frame.subpicture)) {
    const AVCodecParameters* stream = format->streams[packet->stream_index]->codecpar;
    if (stream->codec_id == AV_CODEC_ID_DVD_SUBTITLE && !frame.subpicture)
      frame.subpicture = subtitles.Decode(packet->data, packet->size);
    if (packet->stream_index == video) {
      avcodec_send_packet(decoder, packet);
      take();
    }
    av_packet_unref(packet);
  }
  avcodec_send_packet(decoder, nullptr);
  take();
  av_frame_free(&picture);
  av_packet_free(&packet);
  avcodec_free_context(&decoder);
  avformat_close_input(&format);
  return frame;
}

// A player on libdvdnav: runs the disc until it rests in a menu or plays a
// title.
class Player {
 public:
  enum class Rest { Menu, Title, Stopped };
  explicit Player(const fs::path& disc) {
    if (dvdnav_open(&nav_, disc.c_str()) != DVDNAV_STATUS_OK) {
      ADD_FAILURE() << "libdvdnav cannot open " << disc;
      nav_ = nullptr;
      return;
    }
    dvdnav_set_PGC_positioning_flag(nav_, 1);
  }
  bool Opened() const { return nav_ != nullptr; }
  ~Player() {
    if (nav_) dvdnav_close(nav_);
  }

  // Reads until a menu's still frame or the first navigation pack of a title.
  Rest Run() {
    for (int blocks = 0; blocks < 200000; ++blocks) {
      int event = 0, length = 0;
      if (dvdnav_get_next_block(nav_, buffer_.data(), &event, &length) != DVDNAV_STATUS_OK) {
        ADD_FAILURE() << dvdnav_err_to_string(nav_);
        return Rest::Stopped;
      }
      switch (event) {
        case DVDNAV_BLOCK_OK: vobu_.insert(vobu_.end(), buffer_.begin(), buffer_.begin() + length); break;
        case DVDNAV_SPU_CLUT_CHANGE: std::memcpy(clut_.data(), buffer_.data(), sizeof clut_); break;
        case DVDNAV_STILL_FRAME:
          if (dvdnav_is_domain_vmgm(nav_) || dvdnav_is_domain_vtsm(nav_)) return Rest::Menu;
          dvdnav_still_skip(nav_);
          break;
        case DVDNAV_WAIT: dvdnav_wait_skip(nav_); break;
        case DVDNAV_NAV_PACKET:
          vobu_.assign(buffer_.begin(), buffer_.begin() + length);
          if (stop_in_titles_ && dvdnav_is_domain_vts(nav_)) return Rest::Title;
          break;
        case DVDNAV_STOP: return Rest::Stopped;
        default: break;
      }
    }
    ADD_FAILURE() << "the disc never came to rest";
    return Rest::Stopped;
  }
  // Plays on through titles until a menu (or the end).
  Rest RunThroughTitles() {
    stop_in_titles_ = false;
    const Rest rest = Run();
    stop_in_titles_ = true;
    return rest;
  }

  std::pair<int, int> TitleAndChapter() {
    std::int32_t title = 0, part = 0;
    dvdnav_current_title_info(nav_, &title, &part);
    return {title, part};
  }
  std::vector<Rect> Buttons() {
    pci_t* pci = dvdnav_get_current_nav_pci(nav_);
    std::vector<Rect> rects;
    for (int i = 0; i < pci->hli.hl_gi.btn_ns; ++i) {
      const btni_t& b = pci->hli.btnit[i];
      rects.push_back({static_cast<int>(b.x_start), static_cast<int>(b.y_start), static_cast<int>(b.x_end),
                       static_cast<int>(b.y_end)});
    }
    return rects;
  }
  int VobId() { return dvdnav_get_current_nav_dsi(nav_)->dsi_gi.vobu_vob_idn; }
  int Highlighted() {
    std::int32_t button = 0;
    dvdnav_get_current_highlight(nav_, &button);
    return button;
  }
  void Activate(int button) {
    pci_t* pci = dvdnav_get_current_nav_pci(nav_);
    ASSERT_EQ(dvdnav_button_select(nav_, pci, button), DVDNAV_STATUS_OK) << dvdnav_err_to_string(nav_);
    ASSERT_EQ(dvdnav_button_activate(nav_, pci), DVDNAV_STATUS_OK) << dvdnav_err_to_string(nav_);
  }
  void Key(dvdnav_status_t (*key)(dvdnav_t*, pci_t*)) { key(nav_, dvdnav_get_current_nav_pci(nav_)); }
  void MenuKey(DVDMenuID_t menu) { EXPECT_EQ(dvdnav_menu_call(nav_, menu), DVDNAV_STATUS_OK) << dvdnav_err_to_string(nav_); }
  bool InTitleMenu() { return dvdnav_is_domain_vmgm(nav_); }
  bool InSongMenu() { return dvdnav_is_domain_vtsm(nav_); }
  void PlayTitle(int title) { ASSERT_EQ(dvdnav_title_play(nav_, title), DVDNAV_STATUS_OK); }

  // The menu VOBU in rest, as the disc holds it.
  const std::vector<std::uint8_t>& Vobu() const { return vobu_; }
  // The program chain's palette: 0x00YYCrCb per entry.
  const std::array<std::uint32_t, 16>& Palette() const { return clut_; }
  // Where and how a button is highlighted (mode 0 selected, 1 activated).
  dvdnav_highlight_area_t Highlight(int button, int mode) {
    dvdnav_highlight_area_t area{};
    EXPECT_EQ(dvdnav_get_highlight_area(dvdnav_get_current_nav_pci(nav_), button, mode, &area), DVDNAV_STATUS_OK);
    return area;
  }

 private:
  dvdnav_t* nav_ = nullptr;
  std::array<std::uint8_t, 2048> buffer_{};
  std::vector<std::uint8_t> vobu_;
  std::array<std::uint32_t, 16> clut_{};
  bool stop_in_titles_ = true;
};


struct Rgb {
  int r, g, b;
};

inline Rgb FromYCbCr(int y, int cb, int cr) {
  auto clamp = [](double v) { return std::clamp(static_cast<int>(v + 0.5), 0, 255); };
  const double l = 1.164 * (y - 16);
  return {clamp(l + 1.596 * (cr - 128)), clamp(l - 0.392 * (cb - 128) - 0.813 * (cr - 128)),
          clamp(l + 2.017 * (cb - 128))};
}

// The menu as a player shows it with `area` highlighted: the picture, and
// inside the highlight's rectangle the sub-picture's pixels in the
// highlight's palette entries and contrasts.
struct Screen {
  int width = 0, height = 0;
  std::vector<Rgb> pixels;
  const Rgb& At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

inline Screen ComposeHighlight(const MenuFrame& frame, const dvdnav_highlight_area_t& area,
                               const std::array<std::uint32_t, 16>& palette) {
  Screen screen;
  screen.width = frame.width;
  screen.height = frame.height;
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x) screen.pixels.push_back(FromYCbCr(frame.Luma(x, y), frame.Cb(x, y), frame.Cr(x, y)));
  if (!frame.subpicture) return screen;
  const Decoded& spu = *frame.subpicture;
  for (int y = static_cast<int>(area.sy); y <= static_cast<int>(area.ey); ++y)
    for (int x = static_cast<int>(area.sx); x <= static_cast<int>(area.ex); ++x) {
      const int sx = x - spu.x, sy = y - spu.y;
      if (sx < 0 || sy < 0 || sx >= spu.width || sy >= spu.height || x >= screen.width || y >= screen.height) continue;
      const int value = spu.pixels[static_cast<std::size_t>(sy * spu.width + sx)];
      const std::uint32_t entry = palette[(area.palette >> (16 + 4 * value)) & 0xF];
      const int alpha = static_cast<int>(area.palette >> (4 * value) & 0xF);
      const Rgb c = FromYCbCr(static_cast<int>(entry >> 16 & 0xFF), static_cast<int>(entry & 0xFF),
                              static_cast<int>(entry >> 8 & 0xFF));
      Rgb& p = screen.pixels[static_cast<std::size_t>(y * screen.width + x)];
      p = {(c.r * alpha + p.r * (15 - alpha)) / 15, (c.g * alpha + p.g * (15 - alpha)) / 15,
           (c.b * alpha + p.b * (15 - alpha)) / 15};
    }
  return screen;
}

inline bool WritePpm(const fs::path& path, const Screen& screen) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << screen.width << " " << screen.height << "\n255\n";
  for (const Rgb& p : screen.pixels) {
    const char rgb[3] = {static_cast<char>(p.r), static_cast<char>(p.g), static_cast<char>(p.b)};
    out.write(rgb, 3);
  }
  return static_cast<bool>(out);
}

// The menu VOBU the player rests in, decoded.
inline MenuFrame DecodeRestingMenu(const Player& player, const fs::path& scratch) {
  const fs::path file = scratch / "resting_menu.vob";
  {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(player.Vobu().data()), static_cast<std::streamsize>(player.Vobu().size()));
  }
  return DecodeMenuVob(file);
}

}  // namespace menu_test
