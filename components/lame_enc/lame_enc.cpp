// The classic MP3 encoder interface over libmp3lame. Streams live in a table
// keyed by handle, so a stale or invented handle is refused, not followed.
#include "lame_enc/lame_enc.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace lame_enc {
namespace {

// How many closed streams keep their tag for beWriteInfoTag/beWriteVBRHeader.
constexpr std::size_t kMaxPendingTags = 16;
constexpr int kOutputRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

struct LameDeleter {
  void operator()(lame_global_flags* gfp) const { lame_close(gfp); }
};
using Lame = std::unique_ptr<lame_global_flags, LameDeleter>;

struct Stream {
  Lame lame;  // null once the stream is closed
  int channels = 2;
  DWORD chunk_values = 0;  // 16-bit values per chunk, all channels
  DWORD buffer_size = 0;
  bool write_tag = false;
  std::vector<unsigned char> tag;  // the final tag frame, kept at close
};

std::mutex g_mutex;
std::map<HBE_STREAM, Stream> g_streams;
std::deque<HBE_STREAM> g_closed;  // oldest first
HBE_STREAM g_next = 1;

Stream* Find(HBE_STREAM handle) {
  const auto it = g_streams.find(handle);
  return it == g_streams.end() ? nullptr : &it->second;
}

bool ValidOutputRate(DWORD rate) {
  return rate == 0 || std::find(std::begin(kOutputRates), std::end(kOutputRates),
                                static_cast<int>(rate)) != std::end(kOutputRates);
}

// Channel-mode field -> LAME mode; dual channel is encoded as plain stereo.
bool ToLameMode(LONG mode, MPEG_mode& out) {
  switch (mode) {
    case BE_MP3_MODE_STEREO:
    case BE_MP3_MODE_DUALCHANNEL: out = STEREO; return true;
    case BE_MP3_MODE_JSTEREO: out = JOINT_STEREO; return true;
    case BE_MP3_MODE_MONO: out = MONO; return true;
    default: return false;
  }
}

void ApplyPreset(lame_global_flags* gfp, const BE_CONFIG& cfg) {
  const auto& c = cfg.format.LHV1;
  switch (c.nPreset) {
    case LQP_LOW_QUALITY: lame_set_quality(gfp, 7); break;
    case LQP_HIGH_QUALITY: lame_set_quality(gfp, 2); break;
    case LQP_VERYHIGH_QUALITY: lame_set_quality(gfp, 0); break;
    case LQP_R3MIX: lame_set_preset(gfp, R3MIX); break;
    case LQP_STANDARD: lame_set_preset(gfp, STANDARD); break;
    case LQP_FAST_STANDARD: lame_set_preset(gfp, STANDARD_FAST); break;
    case LQP_EXTREME: lame_set_preset(gfp, EXTREME); break;
    case LQP_FAST_EXTREME: lame_set_preset(gfp, EXTREME_FAST); break;
    case LQP_INSANE: lame_set_preset(gfp, INSANE); break;
    case LQP_MEDIUM: lame_set_preset(gfp, MEDIUM); break;
    case LQP_FAST_MEDIUM: lame_set_preset(gfp, MEDIUM_FAST); break;
    case LQP_ABR: {
      const DWORD kbps = c.dwVbrAbr_bps ? c.dwVbrAbr_bps / 1000 : c.dwBitrate;
      lame_set_preset(gfp, static_cast<int>(std::clamp<DWORD>(kbps, 8, 320)));
      break;
    }
    default: break;  // the record's own settings stand
  }
}

void ApplyVbr(lame_global_flags* gfp, const BE_CONFIG& cfg) {
  const auto& c = cfg.format.LHV1;
  vbr_mode mode = vbr_default;
  switch (c.nVbrMethod) {
    case VBR_METHOD_OLD: mode = vbr_rh; break;
    case VBR_METHOD_NEW:
    case VBR_METHOD_MTRH: mode = vbr_mtrh; break;
    case VBR_METHOD_ABR: mode = vbr_abr; break;
    default: break;
  }
  lame_set_VBR(gfp, mode);
  lame_set_VBR_q(gfp, std::clamp(c.nVBRQuality, 0, 9));
  if (c.dwBitrate) lame_set_VBR_min_bitrate_kbps(gfp, static_cast<int>(c.dwBitrate));
  if (c.dwMaxBitrate)
    lame_set_VBR_max_bitrate_kbps(gfp, static_cast<int>(std::max(c.dwMaxBitrate, c.dwBitrate)));
  if (mode == vbr_abr) {
    const DWORD kbps = c.dwVbrAbr_bps ? c.dwVbrAbr_bps / 1000 : c.dwBitrate;
    lame_set_VBR_mean_bitrate_kbps(gfp, static_cast<int>(std::clamp<DWORD>(kbps, 8, 320)));
  }
}

// Sets up LAME from the record; returns the number of input channels, or 0.
int Configure(lame_global_flags* gfp, const BE_CONFIG& cfg) {
  MPEG_mode mode = STEREO;
  if (cfg.dwConfig == BE_CONFIG_MP3) {
    const auto& c = cfg.format.mp3;
    if (!c.dwSampleRate || !ToLameMode(c.byMode, mode) || !c.wBitrate) return 0;
    lame_set_in_samplerate(gfp, static_cast<int>(c.dwSampleRate));
    lame_set_out_samplerate(gfp, static_cast<int>(c.dwSampleRate));
    lame_set_brate(gfp, c.wBitrate);
    lame_set_extension(gfp, c.bPrivate != 0);
    lame_set_error_protection(gfp, c.bCRC != 0);
    lame_set_copyright(gfp, c.bCopyright != 0);
    lame_set_original(gfp, c.bOriginal != 0);
    lame_set_bWriteVbrTag(gfp, 0);
  } else if (cfg.dwConfig == BE_CONFIG_LAME) {
    const auto& c = cfg.format.LHV1;
    if (c.dwStructVersion < 1 || !c.dwSampleRate || c.dwSampleRate > 192000 ||
        !ValidOutputRate(c.dwReSampleRate) || !ToLameMode(c.nMode, mode))
      return 0;
    lame_set_in_samplerate(gfp, static_cast<int>(c.dwSampleRate));
    lame_set_out_samplerate(gfp, static_cast<int>(c.dwReSampleRate));
    if (c.dwBitrate) lame_set_brate(gfp, static_cast<int>(c.dwBitrate));
    lame_set_emphasis(gfp, static_cast<int>(c.dwEmphasis));
    lame_set_extension(gfp, c.bPrivate != 0);
    lame_set_error_protection(gfp, c.bCRC != 0);
    lame_set_copyright(gfp, c.bCopyright != 0);
    lame_set_original(gfp, c.bOriginal != 0);
    lame_set_bWriteVbrTag(gfp, c.bWriteVBRHeader != 0);
    lame_set_disable_reservoir(gfp, c.bNoRes != 0);
    lame_set_strict_ISO(gfp, c.bStrictIso != 0);
    if (c.bEnableVBR) ApplyVbr(gfp, cfg);
    ApplyPreset(gfp, cfg);
    // The quality word counts only when its high byte is the complement of the low one.
    const int low = c.nQuality & 0xFF, high = (c.nQuality >> 8) & 0xFF;
    if (high == (~low & 0xFF) && low <= 9) lame_set_quality(gfp, low);
  } else {
    return 0;
  }
  lame_set_mode(gfp, mode);
  lame_set_write_id3tag_automatic(gfp, 0);
  const int channels = mode == MONO ? 1 : 2;
  lame_set_num_channels(gfp, channels);
  return channels;
}

// Ends the LAME side of a stream, keeping its tag frame when one is wanted.
void CloseLame(Stream& s) {
  if (!s.lame) return;
  if (s.write_tag) {
    const std::size_t size = lame_get_lametag_frame(s.lame.get(), nullptr, 0);
    s.tag.resize(size);
    if (size && lame_get_lametag_frame(s.lame.get(), s.tag.data(), size) != size) s.tag.clear();
  }
  s.lame.reset();
}

// Skips an ID3v2 tag at the start of the file; returns the offset of the first frame.
long FirstFrameOffset(std::FILE* f) {
  unsigned char h[10];
  if (std::fread(h, 1, sizeof h, f) != sizeof h) return -1;
  if (std::memcmp(h, "ID3", 3) != 0) return 0;
  long size = ((h[6] & 0x7F) << 21) | ((h[7] & 0x7F) << 14) | ((h[8] & 0x7F) << 7) | (h[9] & 0x7F);
  size += 10;
  if (h[5] & 0x10) size += 10;  // footer
  return size;
}

// Overwrites the empty frame LAME put first with the final tag frame.
BE_ERR WriteTag(const Stream& s, LPCSTR path) {
  if (!path) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  if (s.tag.empty()) return BE_ERR_SUCCESSFUL;  // no tag wanted
  std::FILE* f = std::fopen(path, "r+b");
  if (!f) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  BE_ERR result = BE_ERR_INVALID_FORMAT;
  unsigned char sync[2];
  const long offset = FirstFrameOffset(f);
  if (offset >= 0 && std::fseek(f, offset, SEEK_SET) == 0 && std::fread(sync, 1, 2, f) == 2 &&
      sync[0] == 0xFF && (sync[1] & 0xE0) == 0xE0 && std::fseek(f, offset, SEEK_SET) == 0 &&
      std::fwrite(s.tag.data(), 1, s.tag.size(), f) == s.tag.size())
    result = BE_ERR_SUCCESSFUL;
  if (std::fclose(f) != 0 && result == BE_ERR_SUCCESSFUL) result = BE_ERR_INVALID_FORMAT;
  return result;
}

void Forget(HBE_STREAM handle) {
  g_streams.erase(handle);
  g_closed.erase(std::remove(g_closed.begin(), g_closed.end(), handle), g_closed.end());
}

int MonthFromBuildDate(const char* date) {
  static const char* const kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
  const char* at = std::strstr(kMonths, std::string(date, 3).c_str());
  return at ? static_cast<int>((at - kMonths) / 3) + 1 : 0;
}

}  // namespace
}  // namespace lame_enc

using namespace lame_enc;

extern "C" LAME_ENC_API BE_ERR beInitStream(PBE_CONFIG pbeConfig, PDWORD dwSamples,
                                            PDWORD dwBufferSize, PHBE_STREAM phbeStream) {
  if (!pbeConfig || !dwSamples || !dwBufferSize || !phbeStream)
    return BE_ERR_INVALID_FORMAT_PARAMETERS;
  *phbeStream = 0;
  if (pbeConfig->dwConfig != BE_CONFIG_MP3 && pbeConfig->dwConfig != BE_CONFIG_LAME)
    return BE_ERR_INVALID_FORMAT;

  // LAME fills shared tables on its first set-up: one stream is set up at a time.
  std::lock_guard lock(g_mutex);
  Stream s;
  s.lame.reset(lame_init());
  if (!s.lame) return BE_ERR_NO_MORE_HANDLES;
  s.channels = Configure(s.lame.get(), *pbeConfig);
  if (s.channels == 0 || lame_init_params(s.lame.get()) < 0) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  s.write_tag = lame_get_bWriteVbrTag(s.lame.get()) != 0;
  const int frame = lame_get_framesize(s.lame.get());
  // A chunk is one frame's worth of input; LAME's own bound on the output size.
  s.chunk_values = static_cast<DWORD>(frame * s.channels);
  s.buffer_size = static_cast<DWORD>(frame + frame / 4 + 7200);

  HBE_STREAM handle = g_next++;
  if (handle == 0) handle = g_next++;  // the counter wrapped
  if (g_streams.count(handle)) return BE_ERR_NO_MORE_HANDLES;
  *dwSamples = s.chunk_values;
  *dwBufferSize = s.buffer_size;
  g_streams.emplace(handle, std::move(s));
  *phbeStream = handle;
  return BE_ERR_SUCCESSFUL;
}

extern "C" LAME_ENC_API BE_ERR beEncodeChunk(HBE_STREAM hbeStream, DWORD nSamples, PSHORT pSamples,
                                             PBYTE pOutput, PDWORD pdwOutput) {
  // The lock covers the look-up only: a stream that is still open is used by
  // its caller's thread alone, so streams encode side by side.
  Stream* s = nullptr;
  {
    std::lock_guard lock(g_mutex);
    s = Find(hbeStream);
  }
  if (!s || !s->lame) return BE_ERR_INVALID_HANDLE;
  if (!pOutput || !pdwOutput || (nSamples && !pSamples) || nSamples > s->chunk_values)
    return BE_ERR_INVALID_FORMAT_PARAMETERS;
  *pdwOutput = 0;
  // A trailing partial sample frame (odd value count in stereo) is dropped.
  const int frames = static_cast<int>(nSamples) / s->channels;
  if (frames == 0) return BE_ERR_SUCCESSFUL;
  const int size = static_cast<int>(s->buffer_size);
  const int n = s->channels == 1
                    ? lame_encode_buffer(s->lame.get(), pSamples, pSamples, frames, pOutput, size)
                    : lame_encode_buffer_interleaved(s->lame.get(), pSamples, frames, pOutput, size);
  if (n < 0) return n == -1 ? BE_ERR_BUFFER_TOO_SMALL : BE_ERR_INVALID_FORMAT;
  *pdwOutput = static_cast<DWORD>(n);
  return BE_ERR_SUCCESSFUL;
}

extern "C" LAME_ENC_API BE_ERR beDeinitStream(HBE_STREAM hbeStream, PBYTE pOutput, PDWORD pdwOutput) {
  Stream* s = nullptr;
  {
    std::lock_guard lock(g_mutex);
    s = Find(hbeStream);
  }
  if (!s || !s->lame) return BE_ERR_INVALID_HANDLE;
  if (!pOutput || !pdwOutput) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  *pdwOutput = 0;
  const int n = lame_encode_flush(s->lame.get(), pOutput, static_cast<int>(s->buffer_size));
  if (n < 0) return n == -1 ? BE_ERR_BUFFER_TOO_SMALL : BE_ERR_INVALID_FORMAT;
  *pdwOutput = static_cast<DWORD>(n);
  return BE_ERR_SUCCESSFUL;
}

extern "C" LAME_ENC_API BE_ERR beCloseStream(HBE_STREAM hbeStream) {
  std::lock_guard lock(g_mutex);
  Stream* s = Find(hbeStream);
  if (!s || !s->lame) return BE_ERR_INVALID_HANDLE;
  CloseLame(*s);
  // Kept for the tag call that follows; the oldest ones are let go.
  g_closed.push_back(hbeStream);
  while (g_closed.size() > kMaxPendingTags) Forget(g_closed.front());
  return BE_ERR_SUCCESSFUL;
}

extern "C" LAME_ENC_API void beVersion(PBE_VERSION pbeVersion) {
  if (!pbeVersion) return;
  std::memset(pbeVersion, 0, sizeof *pbeVersion);
  lame_version_t v{};
  get_lame_version_numerical(&v);
  pbeVersion->byDLLMajorVersion = 1;
  pbeVersion->byDLLMinorVersion = 32;
  pbeVersion->byMajorVersion = static_cast<BYTE>(v.major);
  pbeVersion->byMinorVersion = static_cast<BYTE>(v.minor);
  pbeVersion->byAlphaLevel = static_cast<BYTE>(v.alpha);
  pbeVersion->byBetaLevel = static_cast<BYTE>(v.beta);
  // Build date from "Mmm dd yyyy".
  const char* date = __DATE__;
  pbeVersion->byMonth = static_cast<BYTE>(MonthFromBuildDate(date));
  pbeVersion->byDay = static_cast<BYTE>(std::atoi(date + 4));
  pbeVersion->wYear = static_cast<WORD>(std::atoi(date + 7));
  std::snprintf(pbeVersion->zHomepage, sizeof pbeVersion->zHomepage, "%s", get_lame_url());
}

extern "C" LAME_ENC_API BE_ERR beWriteInfoTag(HBE_STREAM hbeStream, LPCSTR lpszFileName) {
  std::lock_guard lock(g_mutex);
  Stream* s = Find(hbeStream);
  if (!s) return BE_ERR_INVALID_HANDLE;
  CloseLame(*s);
  const BE_ERR result = WriteTag(*s, lpszFileName);
  Forget(hbeStream);
  return result;
}

extern "C" LAME_ENC_API BE_ERR beWriteVBRHeader(LPCSTR lpszFileName) {
  std::lock_guard lock(g_mutex);
  if (g_closed.empty()) return BE_ERR_INVALID_HANDLE;
  const HBE_STREAM last = g_closed.back();
  const BE_ERR result = WriteTag(g_streams.at(last), lpszFileName);
  Forget(last);
  return result;
}
