#pragma once
// A line of text of the heads-up display, centred on its x.
#include <string>
#include "FiniteArg.h"

#include "render/WidgetCaption.h"

namespace Orv {

struct LabelDesc {
  int id = 0;
  int x = 0;
  int y = 0;
  CaptionDesc caption;
};

class Label {
 public:
  static constexpr char ScriptKind[] = "Label";

  explicit Label(const LabelDesc& desc);

  // Only while visible.
  void Render();

  // Script methods.
  void SetPosition(int x, int y);
  void SetText(const char* text) { caption_.SetText(text); }
  void SetFont(const char* fontId) { caption_.SetFont(fontId); }
  void SetFontColor(OrvCall::Finite<float> r, OrvCall::Finite<float> g, OrvCall::Finite<float> b);
  void SetVisible(bool visible) { visible_ = visible; }
  bool GetVisible() const { return visible_; }

  int GetId() const { return id_; }
  const WidgetCaption& GetCaption() const { return caption_; }

 private:
  int x_ = 0;
  int y_ = 0;
  WidgetCaption caption_;
  bool visible_ = true;
  int id_ = 0;
};

}  // namespace Orv
