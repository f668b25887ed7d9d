#pragma once
// The sound library the engine was designed around, over the mixer: one
// system of mixing channels, named channel groups (a group is a tag over
// channels; its volume, pause, mute and stop act on every channel carrying
// it), sounds loaded whole, and channels that report which sound they play
// and how far it has got.
//
// Calls that can fail answer a result code: 0 for success, anything else for
// a failure whose text SoundResultText gives right after the call.
#include <string>

namespace Orv::Platform {

struct SoundClip;
struct SoundGroup;

constexpr int kSoundOk = 0;
constexpr int kSoundFailed = -1;

// How a sound plays: a unique sound stops its earlier playback when started
// again; a looping one repeats until stopped.
enum SoundMode : unsigned {
  kSoundOnce = 0,
  kSoundUnique = 1u << 0,
  kSoundLoop = 1u << 1,
};

// Starts the audio subsystem; SDL's silent driver stands in when no other
// can be started.
int CreateSoundSystem();
// True when the linked mixer is older than the one the engine was built with.
bool SoundLibraryOlderThanHeader();
// Opens the output with that many mixing channels; when no device opens, the
// silent driver is tried before giving up.
int InitSoundSystem(int channels);
// Closes the output and the audio subsystem. Safe after the windowing layer
// has already shut every subsystem down.
void ReleaseSoundSystem();

int CreateSoundGroup(const char* name, SoundGroup** group);
// Channels of a released group play on, outside any group.
void ReleaseSoundGroup(SoundGroup* group);

int CreateSound(const std::string& path, unsigned mode, SoundClip** clip);
void ReleaseSound(SoundClip* clip);
unsigned GetSoundLengthMs(const SoundClip* clip);

// Starts clip on a free channel (the oldest busy one when none is free) in
// group, paused if the group is; channel receives its index, or -1 when the
// sound has no samples and nothing was started.
int PlaySound(SoundClip* clip, SoundGroup* group, int* channel);
// The sound a channel plays now; null once it has finished or been stopped.
const SoundClip* GetChannelSound(int channel);
// How far the channel's sound has played, counted from the samples mixed;
// a looping sound counts from the start of its current pass.
unsigned GetChannelPositionMs(int channel);
// Channels playing at all (paused ones included).
int CountPlayingChannels();

// A null group is ignored and reads as full volume, unpaused and unmuted.
// Volumes are gains: 0 is silent, 1 unchanged, above 1 amplified; a volume
// that is not a finite number is ignored.
void SetGroupVolume(SoundGroup* group, float volume);
float GetGroupVolume(const SoundGroup* group);
void SetGroupPaused(SoundGroup* group, bool paused);
bool GetGroupPaused(const SoundGroup* group);
void SetGroupMute(SoundGroup* group, bool mute);
bool GetGroupMute(const SoundGroup* group);
void StopGroup(SoundGroup* group);

std::string SoundResultText(int result);

}  // namespace Orv::Platform
