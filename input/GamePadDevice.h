#pragma once
// The four gamepads as one process-wide device: last frame's state packets,
// which buttons were down when the last frame ended, and the connected flags.
#include <array>
#include <cstdint>
#include <map>
#include <span>

#include "platform/GamePads.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

class GamePadDevice {
 public:
  static constexpr int kPadCount = Platform::kGamePadCount;

  // Created on first use, destroyed at process exit with the motors stopped.
  static GamePadDevice& GetInstance();

  GamePadDevice();
  ~GamePadDevice();
  GamePadDevice(const GamePadDevice&) = delete;
  GamePadDevice& operator=(const GamePadDevice&) = delete;

  // Reads one pad's packet into its state record and its connected flag.
  void ReadState(int pad);

  // The script functions. A pad index outside 0-3 reads as a pad that is not
  // connected; rumble strengths are clamped to 0-1.
  bool SetRumble(int pad, float left, float right);
  void ResetAllRumble();
  bool IsConnected(int pad) const;
  int NumOfConnected() const;
  void SetButtonState(int pad);
  bool GetRThumbNeutral(int pad) const;
  bool GetLThumbNeutral(int pad) const;
  double GetRThumbX(int pad) const;
  double GetRThumbY(int pad) const;
  double GetLThumbX(int pad) const;
  double GetLThumbY(int pad) const;
  double GetRTrigger(int pad) const;
  double GetLTrigger(int pad) const;
  bool IsButtonDown(int pad, unsigned mask) const;
  bool IsButtonUp(int pad, unsigned mask) const;
  bool IsButtonHeld(int pad, unsigned mask) const;

  // GAMEPAD_* in the order they are set in a script's state.
  static std::span<const ScriptConstant> ScriptConstants();

 private:
  static bool ValidPad(int pad) { return pad >= 0 && pad < kPadCount; }
  // True when any button of mask was down as the last frame ended.
  bool WasDown(int pad, unsigned mask) const;

  std::array<Platform::GamePadState, kPadCount> state{};
  std::array<std::map<unsigned, bool>, kPadCount> wasDown;
  std::array<std::uint8_t, kPadCount> connected{};
};

}  // namespace Orv
