#include "input/GamePadSystem.h"

#include "input/GamePadDevice.h"

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

}  // namespace Orv
