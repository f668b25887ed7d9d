#pragma once
// The frame's OpenGL set-up: the fixed state and the frame buffers at start,
// each object's sprite animation and the on-screen lights every update, the
// scene frame buffer opened at the head of every render pass, and the
// projection and viewport on a resize.
#include <array>
#include <memory>
#include <utility>
#include <vector>

#include "LuaObject.h"
#include "core/GameObject.h"
#include "core/ObjectLockPtr.h"
#include "core/System.h"
#include "resources/SpriteSheet.h"

namespace Orv {

// Lit rendering: lights are gathered and frame buffer 1 takes the scene;
// otherwise frame buffer 0 does. On from the program's start, so that a
// script that switches it off before the systems start keeps it off.
extern bool g_lightingEnabled;
// The switch as it stood when the frame being drawn opened its scene: the pass
// that closes the scene closes that one, whatever a script switched since.
extern bool g_frameLit;

// Kept for shaders that want them; set only by the scripts, in [0, 1].
extern float g_opaqueLightDecay;
extern float g_nonOpaqueLightDecay;

class App;
class ScriptComponent;

class GLRenderSystem : public System {
 public:
  struct LightCircle {
    float x = 0.0f;
    float y = 0.0f;
    float radius = 0.0f;
  };

  explicit GLRenderSystem(App* owner) : System(owner) {}

  void OnRegistered() override;
  void Init(unsigned width, unsigned height) override;
  void Start() override;
  void Update(float dt) override;
  // The frame buffers go while the context is still current.
  void Shutdown() override;
  void Pause() override;
  void Resume() override;
  void Resize(int width, int height, int borderWidth, int borderHeight) override;
  void PreUpdate(float dt) override;
  void Render() override;
  void OnGameObjectAdded(ObjectLockPtr<GameObject> object) override;

  // Whether the light's circle overlaps the rectangle from (-0.5, -0.5) to
  // (right, bottom) at all.
  static bool IsLightOnScreen(const LightCircle& light, float right, float bottom);

  // The viewport a resize sets, apart from the GL call: (x, y, width, height).
  struct Viewport {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
  };
  static Viewport ComputeViewport(unsigned logicalWidth, unsigned logicalHeight, int width, int height, int borderWidth,
                                  bool fullscreen, float workAspect);

  // The scripts' switch: while set, an engine Resume leaves animations paused.
  void SetPausedByScript(bool paused) { pausedByScript_ = paused; }
  const std::vector<ObjectLockPtr<GameObject>>& GetSpriteObjects() const { return spriteObjects_; }

  // Script functions bound to the render system. The draws take a
  // texture-frame id and screen coordinates, draw nothing for an unknown id
  // or off screen, and leave the matrix as they found it (identity in the
  // passes) and the colour white.
  void DrawSprite(const char* frameId, float x, float y);
  void DrawSpriteRot(const char* frameId, float x, float y, float degrees);
  void DrawSpriteSca(const char* frameId, float x, float y, float degrees, float scaleX, float scaleY);
  void DrawSpriteUsingColorInfo(const char* frameId, float x, float y, OrvLua::LuaObject colour);
  void DrawSpriteRotUsingColorInfo(const char* frameId, float x, float y, float degrees, OrvLua::LuaObject colour);
  void DrawSpriteScaUsingColorInfo(const char* frameId, float x, float y, float degrees, float scaleX, float scaleY,
                                   OrvLua::LuaObject colour);
  void DrawText(const char* fontId, const char* text, float x, float y);
  void DrawColorText(const char* fontId, const char* text, float x, float y, float r, float g, float b, float a);
  void SetEnableLighting(bool on) { g_lightingEnabled = on; }
  void SetOpaqueLightDecay(float value);
  void SetNonOpaqueLightDecay(float value);
  void PauseSpriteAnims();
  void ResumeSpriteAnims();

  // The frame's box on the logical screen, unturned or turned by degrees.
  bool IsSpriteOnScreen(const ObjectLockPtr<SpriteFrame>& frame, float x, float y, float scaleX, float scaleY) const;
  bool IsRotatedSpriteOnScreen(const ObjectLockPtr<SpriteFrame>& frame, float x, float y, float scaleX, float scaleY,
                               float degrees) const;
  // (1, 1, 1, 1) with the table's numbers "a", "r", "g", "b" taken in, each
  // channel in [0, 1].
  static std::array<float, 4> ReadColorInfo(const OrvLua::LuaObject& value);

 private:
  // The functors made for each scripted object, in GLRenderSystemScript.h.
  class RotateSpriteTo;
  class RotateSprite;
  class SetSprite;
  class SetSpriteScaleX;
  class SetSpriteScaleY;
  class GetSpriteRot;
  class SetSpriteIntervalFunc;
  class SetTintRGBA;
  class SetAlphaFunctor;
  class SetLightIntensity;
  class EnableLightToggle;
  class GetLightToggle;
  class GetCurrentFrameFunc;
  class DrawSpriteRelativeTo;
  class DrawSpriteRelativeToParams;
  class GetTextureNameFromAnim;

  void RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);
  // One pass of the lit frame-buffer chain, drawing nothing, at start.
  void WarmUpFrameChain();
  // The frame's last copy will cover the whole window opaquely: a clear of
  // the window before it would change no pixel.
  bool FinalCopyCoversWindow(const int (&viewport)[4]) const;
  // Whether the window stands in for the frame's last target, this frame:
  // when its copy would set every window pixel to its texel.
  void ChooseWindowStandIn(const int (&viewport)[4]) const;

  unsigned width_ = 0;
  unsigned height_ = 0;
  // The window's size at the last resize; 0 before it.
  int windowWidth_ = 0;
  int windowHeight_ = 0;
  // The window's pixels and sampling are a frame buffer's.
  bool windowHoldsTargets_ = false;
  std::vector<ObjectLockPtr<GameObject>> spriteObjects_;
  std::vector<ObjectLockPtr<GameObject>> lightObjects_;
  bool animationsPaused_ = false;
  bool pausedByScript_ = false;
};

}  // namespace Orv
