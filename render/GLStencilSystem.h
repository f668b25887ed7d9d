#pragma once
// Cuts windows into the screen: the shapes of the stencil objects go into the
// stencil buffer, everything outside them is painted black, and the stencil
// test stays on for the level passes that follow, so they draw only inside.
#include <array>
#include <vector>

#include "core/ObjectLockPtr.h"
#include "core/System.h"

namespace Orv {

class GLStencilSystem : public PlainSystem {
 public:
  struct Corner {
    float x;
    float y;
  };

  using PlainSystem::PlainSystem;

  void Start() override;
  void Update(float dt) override;
  void Resize(int width, int height, int borderWidth, int borderHeight) override;
  void Render() override;
  void OnGameObjectAdded(ObjectLockPtr<GameObject> object) override;

  const std::vector<ObjectLockPtr<GameObject>>& GetStencilObjects() const { return stencilObjects_; }

 private:
  std::vector<ObjectLockPtr<GameObject>> stencilObjects_;
  // The screen, corner by corner; degenerate until the first resize.
  std::array<Corner, 4> corners_{};
};

}  // namespace Orv
