#pragma once
// Draws the game's own cursor, last in every frame: the cursor image at the
// pointer, the pressed image while the left button is held, and a coloured
// disc when the image is missing. The system's pointer is hidden unless the
// console is open.
#include "core/ObjectLockPtr.h"
#include "core/System.h"
#include "resources/SpriteSheet.h"

namespace Orv {

class ScriptComponent;

class CursorRender : public System {
 public:
  explicit CursorRender(App* owner) : System(owner) {}

  void OnRegistered() override;
  void Init(unsigned /*width*/, unsigned /*height*/) override {}
  void Start() override;
  void Update(float /*dt*/) override {}
  void Shutdown() override {}
  void Render() override;
  void RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);

  // Script functions: the frame of that texture-frame id (empty when unknown).
  void SetCursorImage(const char* frameId);
  void SetCursorImagePressed(const char* frameId);

 private:
  ObjectLockPtr<SpriteFrame> cursor_;
  ObjectLockPtr<SpriteFrame> cursorPressed_;
};

}  // namespace Orv
