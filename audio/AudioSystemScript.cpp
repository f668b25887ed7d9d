// The sound script functions.
#include "audio/AudioSystem.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

void AudioSystem::OnRegistered() { AddScriptRegistration(this, &AudioSystem::RegisterScriptFunctions); }

void AudioSystem::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>&) {
  script.RegisterDirect("QueueSound", this, &AudioSystem::QueueSound);
  script.RegisterDirect("StopBGM", this, &AudioSystem::StopBGM);
  script.RegisterDirect("StopAllSFX", this, &AudioSystem::StopAllSFX);
  script.RegisterDirect("SetBGMVolume", this, &AudioSystem::SetBGMVolume);
  script.RegisterDirect("SetSFXVolume", this, &AudioSystem::SetSFXVolume);
  script.RegisterDirect("SetPauseGameSFX", this, &AudioSystem::SetPauseGameSFX);
  script.RegisterDirect("SetPauseMenuSFX", this, &AudioSystem::SetPauseMenuSFX);
  script.RegisterDirect("SetPauseBGM", this, &AudioSystem::SetPauseBGM);
  script.RegisterDirect("SetMuteSFX", this, &AudioSystem::SetMuteSFX);
  script.RegisterDirect("SetMuteBGM", this, &AudioSystem::SetMuteBGM);
  script.RegisterDirect("GetMuteSFX", this, &AudioSystem::GetMuteSFX);
  script.RegisterDirect("GetMuteBGM", this, &AudioSystem::GetMuteBGM);
  script.RegisterDirect("GetMuteAll", this, &AudioSystem::GetMuteAll);
}

}  // namespace Orv
