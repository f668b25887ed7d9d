#include "render/CursorRender.h"

#include <GL/glew.h>

#include "core/App.h"
#include "platform/Desktop.h"
#include "render/DrawPrimitives.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

namespace {

constexpr int kLeftButton = 0;

void DrawCursor(const ObjectLockPtr<SpriteFrame>& image, float x, float y, float r, float g, float b) {
  if (image.Exists()) {
    Translate2D(x, y);
    DrawSpriteQuad(image);
    LoadIdentity();
    return;
  }
  DisableCapability(GL_TEXTURE_2D);
  SetColour(r, g, b, 1.0f);
  DrawFilledCircle(x, y);
  EnableCapability(GL_TEXTURE_2D);
  ResetColour();
}

}  // namespace

void CursorRender::Start() {
  // With the console open the developer keeps the system's pointer as well.
  if (!owner_->IsConsoleEnabled()) Platform::ShowSystemCursor(false);
}

void CursorRender::Render() {
  const auto [x, y] = owner_->GetCursorPos();
  const float fx = static_cast<float>(x);
  const float fy = static_cast<float>(y);
  if (owner_->IsMouseButtonDown(kLeftButton)) {
    DrawCursor(cursorPressed_, fx, fy, 0.6f, 0.2f, 1.0f);
  } else {
    DrawCursor(cursor_, fx, fy, 1.0f, 0.5f, 0.2f);
  }
}

}  // namespace Orv
