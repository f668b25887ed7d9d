#include "input/GamePadSystem.h"

#include "core/GameObject.h"
#include "input/GamePadDevice.h"
#include "script/ScriptComponent.h"

namespace Orv {

void GamePadSystem::Init(unsigned, unsigned) { GamePadDevice::GetInstance(); }

void GamePadSystem::PreUpdate(float) {
  auto& device = GamePadDevice::GetInstance();
  for (int pad = 0; pad < GamePadDevice::kPadCount; ++pad) device.ReadState(pad);
}

void GamePadSystem::LateUpdate(float) {
  auto& device = GamePadDevice::GetInstance();
  for (int pad = 0; pad < GamePadDevice::kPadCount; ++pad) device.SetButtonState(pad);
}

// Stops every motor; the connected flags follow what the pads answered.
void GamePadSystem::Shutdown() { GamePadDevice::GetInstance().ResetAllRumble(); }

void GamePadSystem::OnGameObjectAdded(ObjectLockPtr<GameObject> object) {
  auto script = GetHandleComponent<ScriptComponent>(object).Lock();
  if (!script) return;
  for (const ScriptConstant& constant : GamePadDevice::ScriptConstants()) {
    script->SetGlobalInteger(constant.name, constant.value);
  }
  GamePadDevice* device = &GamePadDevice::GetInstance();
  script->RegisterDirect("SetRumble", device, &GamePadDevice::SetRumble);
  script->RegisterDirect("ResetAllRumble", device, &GamePadDevice::ResetAllRumble);
  script->RegisterDirect("IsConnected", device, &GamePadDevice::IsConnected);
  script->RegisterDirect("NumOfConnected", device, &GamePadDevice::NumOfConnected);
  script->RegisterDirect("SetButtonState", device, &GamePadDevice::SetButtonState);
  script->RegisterDirect("GetRThumbNeutral", device, &GamePadDevice::GetRThumbNeutral);
  script->RegisterDirect("GetLThumbNeutral", device, &GamePadDevice::GetLThumbNeutral);
  script->RegisterDirect("GetRThumbX", device, &GamePadDevice::GetRThumbX);
  script->RegisterDirect("GetRThumbY", device, &GamePadDevice::GetRThumbY);
  script->RegisterDirect("GetLThumbX", device, &GamePadDevice::GetLThumbX);
  script->RegisterDirect("GetLThumbY", device, &GamePadDevice::GetLThumbY);
  script->RegisterDirect("GetRTrigger", device, &GamePadDevice::GetRTrigger);
  script->RegisterDirect("GetLTrigger", device, &GamePadDevice::GetLTrigger);
  script->RegisterDirect("IsButtonDown", device, &GamePadDevice::IsButtonDown);
  script->RegisterDirect("IsButtonUp", device, &GamePadDevice::IsButtonUp);
  script->RegisterDirect("IsButtonHeld", device, &GamePadDevice::IsButtonHeld);
}

}  // namespace Orv
