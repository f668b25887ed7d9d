// The gamepad script functions and constants.
#include "input/GamePadDevice.h"
#include "input/GamePadSystem.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

void GamePadSystem::OnRegistered() { AddScriptRegistration(this, &GamePadSystem::RegisterScriptFunctions); }

void GamePadSystem::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>&) {
  SetScriptConstants(script, GamePadDevice::ScriptConstants());
  GamePadDevice* device = &GamePadDevice::GetInstance();
  script.RegisterDirect("SetRumble", device, &GamePadDevice::SetRumble);
  script.RegisterDirect("ResetAllRumble", device, &GamePadDevice::ResetAllRumble);
  script.RegisterDirect("IsConnected", device, &GamePadDevice::IsConnected);
  script.RegisterDirect("NumOfConnected", device, &GamePadDevice::NumOfConnected);
  script.RegisterDirect("SetButtonState", device, &GamePadDevice::SetButtonState);
  script.RegisterDirect("GetRThumbNeutral", device, &GamePadDevice::GetRThumbNeutral);
  script.RegisterDirect("GetLThumbNeutral", device, &GamePadDevice::GetLThumbNeutral);
  script.RegisterDirect("GetRThumbX", device, &GamePadDevice::GetRThumbX);
  script.RegisterDirect("GetRThumbY", device, &GamePadDevice::GetRThumbY);
  script.RegisterDirect("GetLThumbX", device, &GamePadDevice::GetLThumbX);
  script.RegisterDirect("GetLThumbY", device, &GamePadDevice::GetLThumbY);
  script.RegisterDirect("GetRTrigger", device, &GamePadDevice::GetRTrigger);
  script.RegisterDirect("GetLTrigger", device, &GamePadDevice::GetLTrigger);
  script.RegisterDirect("IsButtonDown", device, &GamePadDevice::IsButtonDown);
  script.RegisterDirect("IsButtonUp", device, &GamePadDevice::IsButtonUp);
  script.RegisterDirect("IsButtonHeld", device, &GamePadDevice::IsButtonHeld);
}

}  // namespace Orv
