#include "input/KeyboardMouse.h"

#include "core/App.h"
#include "core/GameObject.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

namespace {

// Every key value is the platform's virtual-key code, so scripts compare
// against the same numbers the key messages carry.
// Rows of one kind share a line.
// clang-format off
constexpr ScriptConstant kKeyConstants[] = {
    {"KB_BACK", VK_BACK},
    {"KB_TAB", VK_TAB},
    {"KB_CLEAR", VK_CLEAR},
    {"KB_ENTER", VK_RETURN},
    {"KB_SHIFT", VK_SHIFT},
    {"KB_CONTROL", VK_CONTROL},
    {"KB_ALT", VK_MENU},
    {"KB_PAUSE", VK_PAUSE},
    {"KB_CAPS", VK_CAPITAL},
    {"KB_ESC", VK_ESCAPE},
    {"KB_SPACE", VK_SPACE},
    {"KB_PAGEUP", VK_PRIOR},
    {"KB_PAGEDOWN", VK_NEXT},
    {"KB_END", VK_END},
    {"KB_HOME", VK_HOME},
    {"KB_LEFT", VK_LEFT},
    {"KB_UP", VK_UP},
    {"KB_RIGHT", VK_RIGHT},
    {"KB_DOWN", VK_DOWN},
    {"KB_SELECT", VK_SELECT},
    {"KB_PRINT", VK_PRINT},
    {"KB_EXECUTE", 0x2B},  // the platform header has no name for this code
    {"KB_PRINTSCREEN", VK_SNAPSHOT},
    {"KB_INSERT", VK_INSERT},
    {"KB_DELETE", VK_DELETE},
    {"KB_HELP", VK_HELP},
    {"KB_0", '0'}, {"KB_1", '1'}, {"KB_2", '2'}, {"KB_3", '3'}, {"KB_4", '4'},
    {"KB_5", '5'}, {"KB_6", '6'}, {"KB_7", '7'}, {"KB_8", '8'}, {"KB_9", '9'},
    {"KB_A", 'A'}, {"KB_B", 'B'}, {"KB_C", 'C'}, {"KB_D", 'D'}, {"KB_E", 'E'}, {"KB_F", 'F'},
    {"KB_G", 'G'}, {"KB_H", 'H'}, {"KB_I", 'I'}, {"KB_J", 'J'}, {"KB_K", 'K'}, {"KB_L", 'L'},
    {"KB_M", 'M'}, {"KB_N", 'N'}, {"KB_O", 'O'}, {"KB_P", 'P'}, {"KB_Q", 'Q'}, {"KB_R", 'R'},
    {"KB_S", 'S'}, {"KB_T", 'T'}, {"KB_U", 'U'}, {"KB_V", 'V'}, {"KB_W", 'W'}, {"KB_X", 'X'},
    {"KB_Y", 'Y'}, {"KB_Z", 'Z'},
    {"KB_LWIN", VK_LWIN},
    {"KB_RWIN", VK_RWIN},
    {"KB_APPS", VK_APPS},
    {"KB_SLEEP", 0x5F},    // nor for this one
    {"KB_NUMPAD0", VK_NUMPAD0}, {"KB_NUMPAD1", VK_NUMPAD0 + 1}, {"KB_NUMPAD2", VK_NUMPAD0 + 2},
    {"KB_NUMPAD3", VK_NUMPAD0 + 3}, {"KB_NUMPAD4", VK_NUMPAD0 + 4}, {"KB_NUMPAD5", VK_NUMPAD0 + 5},
    {"KB_NUMPAD6", VK_NUMPAD0 + 6}, {"KB_NUMPAD7", VK_NUMPAD0 + 7}, {"KB_NUMPAD8", VK_NUMPAD0 + 8},
    {"KB_NUMPAD9", VK_NUMPAD0 + 9},
    {"KB_MULTIPLY", VK_MULTIPLY},
    {"KB_ADD", VK_ADD},
    {"KB_SEPARATOR", VK_SEPARATOR},
    {"KB_SUBTRACT", VK_SUBTRACT},
    {"KB_DECIMAL", VK_DECIMAL},
    {"KB_DIVIDE", VK_DIVIDE},
    {"KB_F1", VK_F1}, {"KB_F2", VK_F1 + 1}, {"KB_F3", VK_F1 + 2}, {"KB_F4", VK_F1 + 3},
    {"KB_F5", VK_F1 + 4}, {"KB_F6", VK_F1 + 5}, {"KB_F7", VK_F1 + 6}, {"KB_F8", VK_F1 + 7},
    {"KB_F9", VK_F1 + 8}, {"KB_F10", VK_F10}, {"KB_F11", VK_F1 + 10}, {"KB_F12", VK_F1 + 11},
    {"KB_NUMLOCK", VK_NUMLOCK},
    {"KB_SCROLL", VK_SCROLL},
    {"KB_LSHIFT", VK_LSHIFT},
    {"KB_RSHIFT", VK_RSHIFT},
    {"KB_LCTRL", VK_LCONTROL},
    {"KB_RCTRL", VK_RCONTROL},
    {"KB_LMENU", VK_LMENU},
    {"KB_RMENU", VK_RMENU},
    {"MOUSE_LEFT", 0},
    {"MOUSE_MID", 1},
    {"MOUSE_RIGHT", 2},
};
// clang-format on

}  // namespace

void KeyboardMouse::Init(unsigned, unsigned) {
  keyReleased_.fill(0);
  mouseReleased_.fill(0);
}

void KeyboardMouse::OnKeyUp(int key) {
  const int code = key & 255;
  if (keyReleased_[code] != 0) return;
  keyReleased_[code] = 1;
  releasedKeys_.push_back(code);
}

void KeyboardMouse::OnMouseButtonUp(int button) {
  if (button < 0 || button > 2) return;
  mouseReleased_[button] = 1;
}

// Only the keys that went up are walked, not the whole table.
void KeyboardMouse::LateUpdate(float) {
  for (int code : releasedKeys_) keyReleased_[code] = 0;
  releasedKeys_.clear();
  mouseReleased_.fill(0);
}

bool KeyboardMouse::IsKeyPressed(std::uint8_t key) { return owner_->IsKeyDown(key); }

bool KeyboardMouse::IsMousePressed(int button) { return owner_->IsMouseButtonDown(button); }

bool KeyboardMouse::IsKeyReleased(std::uint8_t key) const { return keyReleased_[key] != 0; }

// Unsigned, so a negative button counts as past the last one.
bool KeyboardMouse::IsMouseReleased(int button) const {
  const auto index = static_cast<unsigned>(button);
  return index <= 2 && mouseReleased_[index] != 0;
}

std::span<const ScriptConstant> KeyboardMouse::ScriptConstants() { return kKeyConstants; }

}  // namespace Orv
