#pragma once
// The frame's OpenGL set-up: the fixed state and the frame buffers at start,
// each object's sprite animation and the on-screen lights every update, the
// scene frame buffer opened at the head of every render pass, and the
// projection and viewport on a resize.
#include <vector>

#include "core/GameObject.h"
#include "core/ObjectLockPtr.h"
#include "core/System.h"

namespace Orv {

// Lit rendering: lights are gathered and frame buffer 1 takes the scene;
// otherwise frame buffer 0 does. Set by the render system's start.
extern bool g_lightingEnabled;

class GLRenderSystem : public System {
 public:
  struct LightCircle {
    float x = 0.0f;
    float y = 0.0f;
    float radius = 0.0f;
  };

  explicit GLRenderSystem(App* owner) : System(owner) {}

  void OnRegistered() override {}
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
  static Viewport ComputeViewport(unsigned logicalWidth, unsigned logicalHeight, int width, int height,
                                  int borderWidth, bool fullscreen, float workAspect);

  // The scripts' switch: while set, an engine Resume leaves animations paused.
  void SetPausedByScript(bool paused) { pausedByScript_ = paused; }
  bool AreAnimationsPaused() const { return animationsPaused_; }
  const std::vector<ObjectLockPtr<GameObject>>& GetSpriteObjects() const { return spriteObjects_; }
  const std::vector<ObjectLockPtr<GameObject>>& GetLightObjects() const { return lightObjects_; }

 private:
  unsigned width_ = 0;
  unsigned height_ = 0;
  std::vector<ObjectLockPtr<GameObject>> spriteObjects_;
  std::vector<ObjectLockPtr<GameObject>> lightObjects_;
  bool animationsPaused_ = false;
  bool pausedByScript_ = false;
};

}  // namespace Orv
