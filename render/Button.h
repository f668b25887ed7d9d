#pragma once
// A textured button of the heads-up display: up, down and hover textures, an
// optional thumbnail fitted inside it, and a caption. The GUI system tests it
// against the mouse once a frame; its down flag lives for that one frame.
#include <string>
#include "FiniteArg.h"

#include "core/ObjectLockPtr.h"
#include "render/UIWidget.h"
#include "render/WidgetCaption.h"
#include "resources/SpriteSheet.h"

namespace Orv {

// What a script's creation table gives a button. A key the table leaves out
// is 0 (or empty): a caption without "R", "G", "B" is black.
struct ButtonDesc {
  int id = 0;
  double width = 0.0;
  double height = 0.0;
  int x = 0;
  int y = 0;
  std::string textureUp;
  std::string textureDown;
  std::string textureHover;
  CaptionDesc caption;
};

class Button : public UIWidget {
 public:
  // The kind its script methods check for.
  static constexpr char ScriptKind[] = "Button";

  explicit Button(const ButtonDesc& desc);

  void SetVisible(bool visible) override { visible_ = visible; }
  bool GetVisible() override { return visible_; }
  // Only while visible.
  void Render() override;
  void OnPoint(int, int) override {}
  void OnIdle() override {}
  bool ContainsPoint(int x, int y) override { return Inside(x, y); }
  int GetKind() override { return 10; }
  void SetPosition(int x, int y) override;

  // A fresh click's test: whether the point is inside; nothing changes.
  bool PressTest(int x, int y) const { return Inside(x, y); }
  // The down flag moves to previous down and clears; a point inside sets
  // hover. Answers whether it was inside.
  bool HoverTest(int x, int y);
  // The click hit: pressed in this frame.
  void Press();
  void ClearHover() { hover_ = false; }
  // Not visible: no test this frame, and no press.
  void SkipFrame();

  // Script methods.
  void SetText(const char* text) { caption_.SetText(text); }
  void SetTextureUp(const char* frameId);
  void SetTextureDown(const char* frameId);
  void SetTextureHover(const char* frameId);
  // Fits the thumbnail when the frame exists; otherwise nothing changes.
  void SetTextureThumb(const char* frameId);
  void SetFont(const char* fontId) { caption_.SetFont(fontId); }
  void SetFontColor(OrvCall::Finite<float> r, OrvCall::Finite<float> g, OrvCall::Finite<float> b);
  bool IsPressedDown() const { return visible_ && down_ && !previousDown_; }
  bool IsPressedUp() const { return visible_ && !down_ && previousDown_; }
  bool IsPressedHeld() const { return visible_ && down_ && previousDown_; }
  bool IsHovering() const { return visible_ && hover_; }
  float GetButtonRGBA(int channel) const { return ColourChannel(colour_, channel); }
  void SetButtonRGBA(OrvCall::Finite<float> r, OrvCall::Finite<float> g, OrvCall::Finite<float> b,
                     OrvCall::Finite<float> a);
  void SetRGBA(OrvCall::Finite<float> r, OrvCall::Finite<float> g, OrvCall::Finite<float> b, OrvCall::Finite<float> a);
  void ForceHoverState() { forceHover_ = true; }
  void ReleaseHoverState() { forceHover_ = false; }
  bool GetHoverState() const { return forceHover_; }
  void SetPaused() { paused_ = true; }
  void SetUnpaused() { paused_ = false; }
  bool IsPaused() const { return paused_; }

  int GetId() const { return id_; }
  const WidgetCaption& GetCaption() const { return caption_; }

 private:
  // Strictly inside the up texture's rectangle at the button's scale; a
  // button without a live up texture has no size and is never hit.
  bool Inside(int px, int py) const;

  double scaleX_ = 0.0;
  double scaleY_ = 0.0;
  double halfScaleX_ = 0.0;
  double halfScaleY_ = 0.0;
  int x_ = 0;
  int y_ = 0;
  ObjectLockPtr<SpriteFrame> up_;
  ObjectLockPtr<SpriteFrame> downTexture_;
  ObjectLockPtr<SpriteFrame> hoverTexture_;
  ObjectLockPtr<SpriteFrame> thumb_;
  WidgetCaption caption_;
  WidgetColour colour_{1.0f, 1.0f, 1.0f, 1.0f};
  float thumbWidth_ = 0.0f;
  float thumbHeight_ = 0.0f;
  bool hasThumb_ = false;
  bool down_ = false;
  bool previousDown_ = false;
  bool hover_ = false;
  bool visible_ = true;
  bool forceHover_ = false;
  bool paused_ = false;
  int id_ = 0;
};

}  // namespace Orv
