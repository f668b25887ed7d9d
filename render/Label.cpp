#include "render/Label.h"

#include <GL/glew.h>

#include "render/RenderState.h"

namespace Orv {

Label::Label(const LabelDesc& desc) : x_(desc.x), y_(desc.y), id_(desc.id) { caption_.Set(desc.caption); }

void Label::Render() {
  if (!visible_) return;
  caption_.Draw(x_, y_);
  SetColour(1.0f, 1.0f, 1.0f, 1.0f);
}

void Label::SetPosition(int x, int y) {
  x_ = x;
  y_ = y;
}

void Label::SetFontColor(OrvCall::Finite<float> r, OrvCall::Finite<float> g, OrvCall::Finite<float> b) {
  caption_.SetRGB(r, g, b);
}

}  // namespace Orv
