#pragma once
// Sound for scripts: requests queue up during the frame and play together in
// the next update, in id order; volumes, pause, mute and stop act on the sound
// manager's groups; engine pause holds every group and resume gives each back
// the state it had before.
#include <map>
#include <string>

#include "core/System.h"

namespace Orv {

class ScriptComponent;

class AudioSystem : public System {
 public:
  using System::System;

  void OnRegistered() override;
  void Init(unsigned /*width*/, unsigned /*height*/) override {}
  void Start() override;
  void Update(float dt) override;
  void Shutdown() override;
  void Pause() override;
  void Resume() override;
  // The thirteen sound functions, bound to this system.
  void RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);

  // The script functions, in the order they are registered.
  void QueueSound(const char* id);
  void StopBGM();
  void StopAllSFX();
  void SetBGMVolume(float v);
  void SetSFXVolume(float v);
  void SetPauseGameSFX(bool p);
  void SetPauseMenuSFX(bool p);
  void SetPauseBGM(bool p);
  void SetMuteSFX(bool m);
  void SetMuteBGM(bool m);
  bool GetMuteSFX() const { return muteSFX_; }
  bool GetMuteBGM() const { return muteBGM_; }
  bool GetMuteAll() const { return muteBGM_ && muteSFX_; }

 private:
  std::map<std::string, int> queue_;  // id -> 1 pending, 0 played; entries stay
  bool muteSFX_ = false;
  bool muteBGM_ = false;
  float sfxVolume_ = 1.0f;
  float bgmVolume_ = 1.0f;
  // Set between an engine pause and the resume after it: a second pause in a
  // row must not save the groups' states again, or resume would find them
  // all paused.
  bool enginePaused_ = false;
};

}  // namespace Orv
