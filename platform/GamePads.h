#pragma once
// The four gamepad slots over the game-controller API. Slots fill in
// connection order; a slot freed by an unplugged pad takes the next new one.
#include <cstdint>

namespace Orv::Platform {

constexpr int kGamePadCount = 4;

// One pad's state packet in the ranges the engine was designed around:
// thumb Y is positive upwards, triggers run 0-255, buttons are the masks of
// the GAMEPAD_* constants.
struct GamePadState {
  std::uint32_t packetNumber = 0;
  std::uint16_t buttons = 0;
  std::uint8_t leftTrigger = 0;
  std::uint8_t rightTrigger = 0;
  std::int16_t thumbLX = 0;
  std::int16_t thumbLY = 0;
  std::int16_t thumbRX = 0;
  std::int16_t thumbRY = 0;
};

// Reads the pad in slot pad into state; false (and a zeroed state) when no
// pad sits in that slot.
bool GetGamePadState(int pad, GamePadState& state);

// Sets the two motor speeds (left the low-frequency one); they hold until
// changed. True when a pad sits in that slot, whether or not it can rumble.
bool SetGamePadVibration(int pad, std::uint16_t left, std::uint16_t right);

}  // namespace Orv::Platform
