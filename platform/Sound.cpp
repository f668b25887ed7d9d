#include "platform/Sound.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace Orv::Platform {

struct SoundClip {
  Mix_Chunk* chunk = nullptr;
  unsigned mode = kSoundOnce;
};

// Read by the mixer's thread while it mixes, hence the atomics.
struct SoundGroup {
  bool used = false;
  int tag = -1;
  std::atomic<float> volume{1.0f};
  std::atomic<bool> muted{false};
  std::atomic<bool> paused{false};
};

namespace {

constexpr int kMaxChannels = 256;
constexpr int kMaxGroups = 8;

struct ChannelInfo {
  std::atomic<std::uint64_t> bytesMixed{0};
  std::atomic<SoundGroup*> group{nullptr};
  const SoundClip* clip = nullptr;
};

// Plain statics, trivially destructible: the manager above this layer is
// released while the process ends, after other statics may be gone.
ChannelInfo channels[kMaxChannels];
SoundGroup groups[kMaxGroups];
int channelCount = 0;
bool subsystemStarted = false;
bool deviceOpen = false;
std::uint64_t bytesPerSecond = 0;

// Channel samples are 16-bit: the output is opened without format changes.
void CountAndGain(int chan, void* stream, int len, void*) {
  if (chan < 0 || chan >= kMaxChannels || len <= 0) return;
  ChannelInfo& info = channels[chan];
  const SoundGroup* group = info.group.load();
  // A sound started into a paused group may be mixed once before its own
  // pause lands: it stays silent and does not advance.
  if (group != nullptr && group->paused.load()) {
    std::memset(stream, 0, static_cast<size_t>(len));
    return;
  }
  info.bytesMixed.fetch_add(static_cast<std::uint64_t>(len));
  const float gain = group == nullptr ? 1.0f : (group->muted.load() ? 0.0f : group->volume.load());
  if (gain == 1.0f) return;
  auto* samples = static_cast<Sint16*>(stream);
  const int count = len / 2;
  for (int i = 0; i < count; ++i) {
    const float scaled = static_cast<float>(samples[i]) * gain;
    samples[i] = static_cast<Sint16>(std::clamp(scaled, -32768.0f, 32767.0f));
  }
}

int Failed() { return kSoundFailed; }

void SwitchToSilentDriver() {
  if (subsystemStarted) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  subsystemStarted = false;
  SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
}

bool OpenDevice() {
  if (Mix_OpenAudioDevice(44100, AUDIO_S16SYS, 2, 1024, nullptr,
                          SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE) != 0) {
    return false;
  }
  int frequency = 0, outputChannels = 0;
  Uint16 format = 0;
  Mix_QuerySpec(&frequency, &format, &outputChannels);
  bytesPerSecond = static_cast<std::uint64_t>(frequency) * static_cast<std::uint64_t>(outputChannels) *
                   (SDL_AUDIO_BITSIZE(format) / 8);
  deviceOpen = true;
  return true;
}

bool ValidChannel(int channel) { return deviceOpen && channel >= 0 && channel < channelCount; }

template <typename Action>
void ForChannelsOf(const SoundGroup* group, Action action) {
  for (int ch = 0; ch < channelCount; ++ch) {
    if (channels[ch].group.load() == group) action(ch);
  }
}

}  // namespace

int CreateSoundSystem() {
  if (subsystemStarted) return kSoundOk;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    SwitchToSilentDriver();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return Failed();
  }
  subsystemStarted = true;
  return kSoundOk;
}

bool SoundLibraryOlderThanHeader() {
  SDL_version built;
  SDL_MIXER_VERSION(&built);
  const SDL_version* linked = Mix_Linked_Version();
  return SDL_VERSIONNUM(linked->major, linked->minor, linked->patch) <
         SDL_VERSIONNUM(built.major, built.minor, built.patch);
}

int InitSoundSystem(int count) {
  if (!subsystemStarted || deviceOpen) return Failed();
  if (count <= 0 || count > kMaxChannels) {
    SDL_SetError("unsupported channel count %d", count);
    return Failed();
  }
  if (!OpenDevice()) {
    SwitchToSilentDriver();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return Failed();
    subsystemStarted = true;
    if (!OpenDevice()) return Failed();
  }
  channelCount = Mix_AllocateChannels(count);
  for (int ch = 0; ch < channelCount; ++ch) Mix_GroupChannel(ch, -1);
  return kSoundOk;
}

void ReleaseSoundSystem() {
  if (deviceOpen) {
    Mix_HaltChannel(-1);
    Mix_CloseAudio();
    deviceOpen = false;
  }
  for (ChannelInfo& info : channels) {
    info.bytesMixed = 0;
    info.group = nullptr;
    info.clip = nullptr;
  }
  channelCount = 0;
  if (subsystemStarted) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  subsystemStarted = false;
}

int CreateSoundGroup(const char* name, SoundGroup** group) {
  *group = nullptr;
  for (int i = 0; i < kMaxGroups; ++i) {
    SoundGroup& candidate = groups[i];
    if (candidate.used) continue;
    candidate.used = true;
    candidate.tag = i + 1;
    candidate.volume = 1.0f;
    candidate.muted = false;
    candidate.paused = false;
    *group = &candidate;
    return kSoundOk;
  }
  SDL_SetError("no room for channel group %s", name != nullptr ? name : "");
  return Failed();
}

void ReleaseSoundGroup(SoundGroup* group) {
  if (group == nullptr) return;
  ForChannelsOf(group, [](int ch) {
    channels[ch].group = nullptr;
    Mix_GroupChannel(ch, -1);
    Mix_Resume(ch);
  });
  group->used = false;
  group->tag = -1;
}

int CreateSound(const std::string& path, unsigned mode, SoundClip** clip) {
  *clip = nullptr;
  if (!deviceOpen) {
    SDL_SetError("sound output is not open");
    return Failed();
  }
  // Opened here so a missing file is reported as such, not as a null source.
  SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb");
  if (file == nullptr) return Failed();
  Mix_Chunk* chunk = Mix_LoadWAV_RW(file, 1);
  if (chunk == nullptr) return Failed();
  *clip = new SoundClip{chunk, mode};
  return kSoundOk;
}

void ReleaseSound(SoundClip* clip) {
  if (clip == nullptr) return;
  for (int ch = 0; ch < channelCount; ++ch) {
    if (channels[ch].clip == clip) channels[ch].clip = nullptr;
  }
  // Halts every channel still playing it.
  Mix_FreeChunk(clip->chunk);
  delete clip;
}

unsigned GetSoundLengthMs(const SoundClip* clip) {
  if (clip == nullptr || bytesPerSecond == 0) return 0;
  return static_cast<unsigned>(static_cast<std::uint64_t>(clip->chunk->alen) * 1000u / bytesPerSecond);
}

int PlaySound(SoundClip* clip, SoundGroup* group, int* channel) {
  *channel = -1;
  if (clip == nullptr || !deviceOpen) {
    SDL_SetError("nothing to play");
    return Failed();
  }
  // Nothing to mix; a looping channel over no samples would never advance.
  if (clip->chunk->alen == 0) return kSoundOk;
  if ((clip->mode & kSoundUnique) != 0) {
    for (int ch = 0; ch < channelCount; ++ch) {
      if (GetChannelSound(ch) == clip) Mix_HaltChannel(ch);
    }
  }
  int ch = Mix_GroupAvailable(-1);
  if (ch < 0) {
    ch = Mix_GroupOldest(-1);
    if (ch < 0) {
      SDL_SetError("no channel to play on");
      return Failed();
    }
  }
  // Halting drops a channel's effects, so it comes before the counter goes on.
  Mix_HaltChannel(ch);
  Mix_UnregisterAllEffects(ch);
  ChannelInfo& info = channels[ch];
  info.bytesMixed = 0;
  info.group = group;
  info.clip = clip;
  Mix_GroupChannel(ch, group != nullptr ? group->tag : -1);
  if (Mix_RegisterEffect(ch, CountAndGain, nullptr, nullptr) == 0) return Failed();
  const int loops = (clip->mode & kSoundLoop) != 0 ? -1 : 0;
  if (Mix_PlayChannel(ch, clip->chunk, loops) < 0) {
    info.clip = nullptr;
    return Failed();
  }
  if (group != nullptr && group->paused.load()) Mix_Pause(ch);
  *channel = ch;
  return kSoundOk;
}

const SoundClip* GetChannelSound(int channel) {
  if (!ValidChannel(channel)) return nullptr;
  const SoundClip* clip = channels[channel].clip;
  if (clip == nullptr || Mix_Playing(channel) == 0 || Mix_GetChunk(channel) != clip->chunk) return nullptr;
  return clip;
}

unsigned GetChannelPositionMs(int channel) {
  if (!ValidChannel(channel) || bytesPerSecond == 0) return 0;
  const ChannelInfo& info = channels[channel];
  std::uint64_t bytes = info.bytesMixed.load();
  if (info.clip != nullptr && info.clip->chunk->alen > 0) {
    const std::uint64_t length = info.clip->chunk->alen;
    bytes = (info.clip->mode & kSoundLoop) != 0 ? bytes % length : std::min(bytes, length);
  }
  return static_cast<unsigned>(bytes * 1000u / bytesPerSecond);
}

int CountPlayingChannels() { return deviceOpen ? Mix_Playing(-1) : 0; }

// The designed library refuses a volume that is not a finite number and
// keeps the group's; taken as a gain it would mix full-scale noise.
void SetGroupVolume(SoundGroup* group, float volume) {
  if (group != nullptr && std::isfinite(volume)) group->volume = volume;
}

float GetGroupVolume(const SoundGroup* group) { return group != nullptr ? group->volume.load() : 1.0f; }

void SetGroupPaused(SoundGroup* group, bool paused) {
  if (group == nullptr) return;
  group->paused = paused;
  if (!deviceOpen) return;
  ForChannelsOf(group, [paused](int ch) {
    if (paused) {
      Mix_Pause(ch);
    } else {
      Mix_Resume(ch);
    }
  });
}

bool GetGroupPaused(const SoundGroup* group) { return group != nullptr && group->paused.load(); }

void SetGroupMute(SoundGroup* group, bool mute) {
  if (group != nullptr) group->muted = mute;
}

bool GetGroupMute(const SoundGroup* group) { return group != nullptr && group->muted.load(); }

void StopGroup(SoundGroup* group) {
  if (group == nullptr || !deviceOpen) return;
  Mix_HaltGroup(group->tag);
}

std::string SoundResultText(int result) {
  if (result == kSoundOk) return "No errors.";
  const char* text = Mix_GetError();
  return text != nullptr && *text != '\0' ? text : "Unknown error.";
}

}  // namespace Orv::Platform
