#include "platform/GamePads.h"

#include <SDL.h>

#include <algorithm>
#include <iterator>

namespace Orv::Platform {

namespace {

// Everything here is trivially destructible: the pads may be reset from the
// destructor of a process-wide object, after other statics are gone.
struct Slot {
  SDL_GameController* controller = nullptr;
  SDL_JoystickID id = -1;
  GamePadState last;
  std::uint16_t left = 0;
  std::uint16_t right = 0;
};

Slot slots[kGamePadCount];
bool opened = false;

// Longest rumble the library keeps; re-sent on every read, so set speeds hold.
constexpr Uint32 kRumbleHoldMs = 0xFFFF;

constexpr struct {
  SDL_GameControllerButton button;
  std::uint16_t mask;
} kButtonMasks[] = {
    {SDL_CONTROLLER_BUTTON_DPAD_UP, 0x0001},       {SDL_CONTROLLER_BUTTON_DPAD_DOWN, 0x0002},
    {SDL_CONTROLLER_BUTTON_DPAD_LEFT, 0x0004},     {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 0x0008},
    {SDL_CONTROLLER_BUTTON_START, 0x0010},         {SDL_CONTROLLER_BUTTON_BACK, 0x0020},
    {SDL_CONTROLLER_BUTTON_LEFTSTICK, 0x0040},     {SDL_CONTROLLER_BUTTON_RIGHTSTICK, 0x0080},
    {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 0x0100},  {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 0x0200},
    {SDL_CONTROLLER_BUTTON_A, 0x1000},             {SDL_CONTROLLER_BUTTON_B, 0x2000},
    {SDL_CONTROLLER_BUTTON_X, 0x4000},             {SDL_CONTROLLER_BUTTON_Y, 0x8000},
};

void ForgetSlot(Slot& slot) { slot = Slot{}; }

// The pads need the game-controller subsystem. Reading starts it; rumble
// alone does not, so stopping the motors while the process ends cannot bring
// it back. If it was shut down under us, the handles went with it.
bool EnsureOpen(bool mayStart) {
  if (SDL_WasInit(SDL_INIT_GAMECONTROLLER) == 0) {
    if (opened) {
      for (Slot& slot : slots) ForgetSlot(slot);
      opened = false;
    }
    if (!mayStart) return false;
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return false;
  }
  if (!opened) {
    // The pads answer whether or not the window has focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // Polled once a frame; the window's queue gets no pad events.
    SDL_GameControllerEventState(SDL_IGNORE);
    SDL_JoystickEventState(SDL_IGNORE);
    opened = true;
  }
  return true;
}

bool InSlot(SDL_JoystickID id) {
  return std::any_of(std::begin(slots), std::end(slots),
                     [id](const Slot& slot) { return slot.controller != nullptr && slot.id == id; });
}

// Frees the slots of unplugged pads, then seats new pads in the free slots.
void RefreshSlots() {
  SDL_GameControllerUpdate();
  for (Slot& slot : slots) {
    if (slot.controller != nullptr && !SDL_GameControllerGetAttached(slot.controller)) {
      SDL_GameControllerClose(slot.controller);
      ForgetSlot(slot);
    }
  }
  const int count = SDL_NumJoysticks();
  for (int index = 0; index < count; ++index) {
    if (!SDL_IsGameController(index)) continue;
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
    if (id < 0 || InSlot(id)) continue;
    auto free = std::find_if(std::begin(slots), std::end(slots),
                             [](const Slot& slot) { return slot.controller == nullptr; });
    if (free == std::end(slots)) break;
    SDL_GameController* controller = SDL_GameControllerOpen(index);
    if (controller == nullptr) continue;
    free->controller = controller;
    free->id = id;
  }
  for (Slot& slot : slots) {
    if (slot.controller != nullptr && (slot.left != 0 || slot.right != 0)) {
      SDL_GameControllerRumble(slot.controller, slot.left, slot.right, kRumbleHoldMs);
    }
  }
}

Slot* SeatedSlot(int pad, bool mayStart) {
  if (pad < 0 || pad >= kGamePadCount || !EnsureOpen(mayStart)) return nullptr;
  RefreshSlots();
  Slot& slot = slots[pad];
  return slot.controller != nullptr ? &slot : nullptr;
}

// The library's Y axes grow downwards; the design's grow upwards.
std::int16_t Flip(Sint16 value) { return static_cast<std::int16_t>(std::min(32767, -static_cast<int>(value))); }

std::uint8_t TriggerByte(Sint16 value) { return static_cast<std::uint8_t>(std::max<int>(0, value) >> 7); }

}  // namespace

bool GetGamePadState(int pad, GamePadState& state) {
  Slot* slot = SeatedSlot(pad, true);
  if (slot == nullptr) {
    state = GamePadState{};
    return false;
  }
  SDL_GameController* c = slot->controller;
  GamePadState now;
  for (const auto& entry : kButtonMasks) {
    if (SDL_GameControllerGetButton(c, entry.button) != 0) now.buttons |= entry.mask;
  }
  now.leftTrigger = TriggerByte(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_TRIGGERLEFT));
  now.rightTrigger = TriggerByte(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_TRIGGERRIGHT));
  now.thumbLX = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX);
  now.thumbLY = Flip(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY));
  now.thumbRX = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_RIGHTX);
  now.thumbRY = Flip(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_RIGHTY));
  // The packet number moves only when something in the packet changed.
  const GamePadState& last = slot->last;
  const bool changed = now.buttons != last.buttons || now.leftTrigger != last.leftTrigger ||
                       now.rightTrigger != last.rightTrigger || now.thumbLX != last.thumbLX ||
                       now.thumbLY != last.thumbLY || now.thumbRX != last.thumbRX || now.thumbRY != last.thumbRY;
  now.packetNumber = last.packetNumber + (changed ? 1 : 0);
  slot->last = now;
  state = now;
  return true;
}

bool SetGamePadVibration(int pad, std::uint16_t left, std::uint16_t right) {
  Slot* slot = SeatedSlot(pad, false);
  if (slot == nullptr) return false;
  slot->left = left;
  slot->right = right;
  // A pad without motors is still a connected pad.
  SDL_GameControllerRumble(slot->controller, left, right, kRumbleHoldMs);
  return true;
}

}  // namespace Orv::Platform
