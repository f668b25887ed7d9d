#include "render/Label.h"

#include <GL/glew.h>

namespace Orv {

Label::Label(const LabelDesc& desc) : x_(desc.x), y_(desc.y), id_(desc.id) {
  SetFont(desc.font.c_str());
  caption_.colour[0] = desc.r;
  caption_.colour[1] = desc.g;
  caption_.colour[2] = desc.b;
  SetText(desc.text.c_str());
}

void Label::Render() {
  if (!visible_) return;
  caption_.Draw(x_, y_);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void Label::SetPosition(int x, int y) {
  x_ = x;
  y_ = y;
}

void Label::SetFontColor(float r, float g, float b) {
  if (!FiniteWidgetValues(ScriptKind, id_, "SetFontColor", {r, g, b})) return;
  caption_.colour[0] = r;
  caption_.colour[1] = g;
  caption_.colour[2] = b;
}

}  // namespace Orv
