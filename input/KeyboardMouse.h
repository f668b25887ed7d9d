#pragma once
// Keyboard and mouse for scripts. Whether a key or button is held lives in
// the engine's tables; this system adds which keys and buttons went up since
// the last frame, cleared in the late-update pass so a release is seen by the
// scripts' Update for exactly one frame.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "LuaObject.h"
#include "core/ObjectFunc.h"
#include "core/System.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

class KeyboardMouse : public System {
 public:
  using System::System;

  void OnRegistered() override;
  void Init(unsigned width, unsigned height) override;
  void Start() override {}
  void Update(float /*dt*/) override {}
  void Shutdown() override {}
  void LateUpdate(float dt) override;
  void OnKeyUp(int key) override;
  void OnMouseButtonUp(int button) override;
  // Puts the constants and functions into a new scripted object's state.
  // The KB_* and MOUSE_* constants, then the functions, in order.
  void RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);

  // The script functions. Key codes are taken to 8 bits.
  bool IsKeyPressed(std::uint8_t key);
  bool IsMousePressed(int button);
  bool IsKeyReleased(std::uint8_t key) const;
  bool IsMouseReleased(int button) const;

  // KB_* and MOUSE_* in the order they are set in a script's state.
  static std::span<const ScriptConstant> ScriptConstants();

 private:
  std::array<std::uint8_t, 256> keyReleased_{};
  std::array<std::uint8_t, 3> mouseReleased_{};
  std::vector<int> releasedKeys_;
};

// Logical coordinates of the cursor.
struct CursorPosition {
  int x = 0;
  int y = 0;
};

// The functor behind "GetWindowCursor", one per scripted object and kept by
// its script component.
class GetWindowCursorFunc : public SystemObjectFunc<KeyboardMouse> {
 public:
  using SystemObjectFunc::SystemObjectFunc;

  // Nothing once the object it was made for is gone or dead, or when it has
  // no script component.
  std::optional<CursorPosition> Position() const;
  // "GetWindowCursor": a new table {x, y} in the object's state, or nil.
  OrvLua::LuaObject operator()();
};

}  // namespace Orv
