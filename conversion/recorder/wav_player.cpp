#include "recorder/wav_player.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "core/wav_reader.h"

namespace carrowell {

WavPlayer::WavPlayer() {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  available_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  if (!available_) error_ = SDL_GetError();
}

WavPlayer::~WavPlayer() {
  Stop();
  if (available_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool WavPlayer::Play(const std::string& path, platform::WindowHandle notify) {
  Stop();
  if (!available_) return false;
  core::WavError why{};
  const auto layout = core::ReadWavLayout(path, &why);
  if (!layout) {
    error_ = path + " " + std::string(core::Describe(why));
    return false;
  }
  if (layout->coding != core::SampleCoding::Pcm || layout->bits_per_sample != 16 ||
      layout->channels == 0 || layout->Frames() == 0) {
    error_ = path + " holds no 16-bit samples";
    return false;
  }
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_ || std::fseek(file_, static_cast<long>(layout->data_offset), SEEK_SET) != 0) {
    error_ = "cannot read " + path;
    Stop();
    return false;
  }
  remaining_ = layout->Frames() * layout->block_align;
  notify_ = notify;
  ended_ = false;
  SDL_AudioSpec want{};
  want.freq = static_cast<int>(layout->sample_rate);
  want.format = AUDIO_S16LSB;
  want.channels = static_cast<Uint8>(std::min<int>(layout->channels, 8));
  want.samples = 2048;
  want.callback = &WavPlayer::Callback;
  want.userdata = this;
  SDL_AudioSpec have{};
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device_ == 0) {
    error_ = SDL_GetError();
    Stop();
    return false;
  }
  silence_ = have.silence;
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void WavPlayer::Pause() {
  if (device_ != 0) SDL_PauseAudioDevice(device_, 1);
}

void WavPlayer::Resume() {
  if (device_ != 0) SDL_PauseAudioDevice(device_, 0);
}

void WavPlayer::Stop() {
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  device_ = 0;
  if (file_) std::fclose(file_);
  file_ = nullptr;
  remaining_ = 0;
}

void WavPlayer::Callback(void* self, std::uint8_t* stream, int length) {
  if (length > 0) static_cast<WavPlayer*>(self)->Fill(stream, static_cast<std::size_t>(length));
}

void WavPlayer::Fill(std::uint8_t* stream, std::size_t length) {
  std::size_t done = 0;
  if (remaining_ > 0 && file_) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, length));
    done = std::fread(stream, 1, want, file_);
    remaining_ = done < want ? 0 : remaining_ - done;
  }
  std::memset(stream + done, silence_, length - done);
  if (remaining_ == 0 && !ended_) {
    ended_ = true;
    if (notify_ != platform::kNoWindow) platform::PostMessage(notify_, kEventMessage, kPlaybackEvents, 0);
  }
}

}  // namespace carrowell
