#include "audio/AudioSystem.h"

#include "audio/AudioSubManager.h"
#include "core/GameObject.h"
#include "core/ReportOnce.h"

namespace Orv {

namespace {
AudioSubManager& Manager() { return AudioSubManager::GetInstance(); }
}  // namespace

void AudioSystem::Start() {
  Platform::SetGroupVolume(Manager().GroupSFXMenu(), sfxVolume_);
  Platform::SetGroupVolume(Manager().GroupSFXGame(), sfxVolume_);
  Platform::SetGroupVolume(Manager().GroupBGM(), bgmVolume_);
}

// The mixer runs on its own thread, so there is nothing to pump here.
void AudioSystem::Update(float) {
  for (auto& [id, pending] : queue_) {
    if (pending != 1) continue;
    Manager().Play(id);
    pending = 0;
  }
}

void AudioSystem::Shutdown() {
  Platform::StopGroup(Manager().GroupBGM());
  Platform::StopGroup(Manager().GroupSFXMenu());
  Platform::StopGroup(Manager().GroupSFXGame());
  queue_.clear();
}

void AudioSystem::Pause() {
  auto& manager = Manager();
  if (!enginePaused_) {
    manager.savedPaused[0] = Platform::GetGroupPaused(manager.GroupSFXMenu());
    manager.savedPaused[1] = Platform::GetGroupPaused(manager.GroupSFXGame());
    manager.savedPaused[2] = Platform::GetGroupPaused(manager.GroupBGM());
    enginePaused_ = true;
  }
  Platform::SetGroupPaused(manager.GroupBGM(), true);
  Platform::SetGroupPaused(manager.GroupSFXMenu(), true);
  Platform::SetGroupPaused(manager.GroupSFXGame(), true);
}

// A resume with no pause before it (the first activation of the window)
// leaves the groups as the scripts set them.
void AudioSystem::Resume() {
  if (!enginePaused_) return;
  auto& manager = Manager();
  Platform::SetGroupPaused(manager.GroupSFXMenu(), manager.savedPaused[0]);
  Platform::SetGroupPaused(manager.GroupSFXGame(), manager.savedPaused[1]);
  Platform::SetGroupPaused(manager.GroupBGM(), manager.savedPaused[2]);
  enginePaused_ = false;
}

// An id no sound has is said once and not queued: the queue keeps its ids,
// and one made up each frame would grow it.
void AudioSystem::QueueSound(const char* id) {
  if (id == nullptr) return;
  if (!Manager().HasSound(id)) {
    PrintErrorLineOnce(
        "QueueSound: no sound", id,
        "QueueSound: no sound has the id \"" + QuotedName(id) + "\" in res/audio/loadaudio.ini; nothing is played");
    return;
  }
  queue_[id] = 1;
}

void AudioSystem::StopBGM() { Platform::StopGroup(Manager().GroupBGM()); }

void AudioSystem::StopAllSFX() {
  Platform::StopGroup(Manager().GroupSFXMenu());
  Platform::StopGroup(Manager().GroupSFXGame());
}

void AudioSystem::SetBGMVolume(float v) {
  bgmVolume_ = v;
  Platform::SetGroupVolume(Manager().GroupBGM(), v);
}

void AudioSystem::SetSFXVolume(float v) {
  sfxVolume_ = v;
  Platform::SetGroupVolume(Manager().GroupSFXMenu(), v);
  Platform::SetGroupVolume(Manager().GroupSFXGame(), v);
}

void AudioSystem::SetPauseGameSFX(bool p) { Platform::SetGroupPaused(Manager().GroupSFXGame(), p); }

void AudioSystem::SetPauseMenuSFX(bool p) { Platform::SetGroupPaused(Manager().GroupSFXMenu(), p); }

void AudioSystem::SetPauseBGM(bool p) { Platform::SetGroupPaused(Manager().GroupBGM(), p); }

void AudioSystem::SetMuteSFX(bool m) {
  muteSFX_ = m;
  Platform::SetGroupMute(Manager().GroupSFXMenu(), m);
  Platform::SetGroupMute(Manager().GroupSFXGame(), m);
}

void AudioSystem::SetMuteBGM(bool m) {
  muteBGM_ = m;
  Platform::SetGroupMute(Manager().GroupBGM(), m);
}

}  // namespace Orv
