#include "input/GamePadDevice.h"

#include <algorithm>
#include <cmath>

namespace Orv {

namespace {

// The single-button masks, in the order the previous-state tables get them.
constexpr unsigned kButtonMasks[] = {2, 4, 1, 8, 16, 32, 64, 128, 4096, 8192, 16384, 32768, 256, 512};

// Stick values inside these bounds count as the stick at rest.
constexpr int kLeftThumbDeadZone = 7849;
constexpr int kRightThumbDeadZone = 8689;

constexpr ScriptConstant kGamePadConstants[] = {
    {"GAMEPAD_DPAD_UP", 1},          {"GAMEPAD_DPAD_DOWN", 2},        {"GAMEPAD_DPAD_LEFT", 4},
    {"GAMEPAD_DPAD_RIGHT", 8},       {"GAMEPAD_START", 16},           {"GAMEPAD_BACK", 32},
    {"GAMEPAD_LEFT_THUMB", 64},      {"GAMEPAD_RIGHT_THUMB", 128},    {"GAMEPAD_LEFT_SHOULDER", 256},
    {"GAMEPAD_RIGHT_SHOULDER", 512}, {"GAMEPAD_A", 4096},             {"GAMEPAD_B", 8192},
    {"GAMEPAD_X", 16384},            {"GAMEPAD_Y", 32768},
};

bool InDeadZone(int x, int y, int zone) { return x >= -zone && x <= zone && y >= -zone && y <= zone; }

// A motor speed from a 0-1 strength; NaN counts as 0.
std::uint16_t MotorSpeed(float strength) {
  if (!(strength > 0.0f)) return 0;
  return static_cast<std::uint16_t>(static_cast<std::uint32_t>(std::min(strength, 1.0f) * 65535.0f));
}

constexpr double kThumbScale = 1.0 / 32767.0;

}  // namespace

GamePadDevice& GamePadDevice::GetInstance() {
  static GamePadDevice device;
  return device;
}

GamePadDevice::GamePadDevice() {
  for (auto& table : wasDown) {
    for (unsigned mask : kButtonMasks) table.emplace(mask, false);
  }
}

GamePadDevice::~GamePadDevice() { ResetAllRumble(); }

void GamePadDevice::ReadState(int pad) {
  if (!ValidPad(pad)) return;
  connected[pad] = Platform::GetGamePadState(pad, state[pad]) ? 1 : 0;
}

bool GamePadDevice::SetRumble(int pad, float left, float right) {
  if (!ValidPad(pad)) return false;
  connected[pad] = Platform::SetGamePadVibration(pad, MotorSpeed(left), MotorSpeed(right)) ? 1 : 0;
  return connected[pad] != 0;
}

void GamePadDevice::ResetAllRumble() {
  for (int pad = 0; pad < kPadCount; ++pad) {
    connected[pad] = Platform::SetGamePadVibration(pad, 0, 0) ? 1 : 0;
  }
}

bool GamePadDevice::IsConnected(int pad) const { return ValidPad(pad) && connected[pad] != 0; }

int GamePadDevice::NumOfConnected() const {
  return static_cast<int>(std::count_if(connected.begin(), connected.end(), [](std::uint8_t c) { return c != 0; }));
}

void GamePadDevice::SetButtonState(int pad) {
  if (!ValidPad(pad)) return;
  for (auto& [mask, down] : wasDown[pad]) down = (state[pad].buttons & mask) != 0;
}

bool GamePadDevice::GetRThumbNeutral(int pad) const {
  if (!ValidPad(pad)) return true;
  return InDeadZone(state[pad].thumbRX, state[pad].thumbRY, kRightThumbDeadZone);
}

bool GamePadDevice::GetLThumbNeutral(int pad) const {
  if (!ValidPad(pad)) return true;
  return InDeadZone(state[pad].thumbLX, state[pad].thumbLY, kLeftThumbDeadZone);
}

double GamePadDevice::GetRThumbX(int pad) const { return ValidPad(pad) ? state[pad].thumbRX * kThumbScale : 0.0; }
double GamePadDevice::GetRThumbY(int pad) const { return ValidPad(pad) ? state[pad].thumbRY * kThumbScale : 0.0; }
double GamePadDevice::GetLThumbX(int pad) const { return ValidPad(pad) ? state[pad].thumbLX * kThumbScale : 0.0; }
double GamePadDevice::GetLThumbY(int pad) const { return ValidPad(pad) ? state[pad].thumbLY * kThumbScale : 0.0; }

double GamePadDevice::GetRTrigger(int pad) const { return ValidPad(pad) ? state[pad].rightTrigger / 255.0 : 0.0; }
double GamePadDevice::GetLTrigger(int pad) const { return ValidPad(pad) ? state[pad].leftTrigger / 255.0 : 0.0; }

bool GamePadDevice::IsButtonHeld(int pad, unsigned mask) const {
  return ValidPad(pad) && (state[pad].buttons & mask) != 0;
}

// A mask of several buttons went down when one of them is held now and none
// of them was held at the end of the last frame; up is the reverse.
bool GamePadDevice::IsButtonDown(int pad, unsigned mask) const {
  return IsButtonHeld(pad, mask) && !WasDown(pad, mask);
}

bool GamePadDevice::IsButtonUp(int pad, unsigned mask) const {
  return ValidPad(pad) && !IsButtonHeld(pad, mask) && WasDown(pad, mask);
}

bool GamePadDevice::WasDown(int pad, unsigned mask) const {
  const auto& table = wasDown[pad];
  return std::any_of(table.begin(), table.end(),
                     [mask](const auto& entry) { return (entry.first & mask) != 0 && entry.second; });
}

std::span<const ScriptConstant> GamePadDevice::ScriptConstants() { return kGamePadConstants; }

}  // namespace Orv
