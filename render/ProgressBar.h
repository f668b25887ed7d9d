#pragma once
// A progress bar of the heads-up display: a frame texture with a bar texture
// over it whose length follows an amount in [0, 1], kept aligned to the left
// end of its full length, and a caption.
#include <string>
#include "FiniteArg.h"

#include "core/ObjectLockPtr.h"
#include "render/WidgetCaption.h"
#include "resources/SpriteSheet.h"

namespace Orv {

struct ProgressBarDesc {
  int id = 0;
  double width = 0.0;
  double height = 0.0;
  double barWidth = 0.0;
  double barHeight = 0.0;
  int x = 0;
  int y = 0;
  std::string textureFrame;
  std::string textureBar;
  CaptionDesc caption;
};

class ProgressBar {
 public:
  static constexpr char ScriptKind[] = "ProgressBar";

  explicit ProgressBar(const ProgressBarDesc& desc);

  // Only while visible.
  void Render();

  // Script methods.
  // The bar keeps its horizontal offset from the frame.
  void SetPosition(int x, int y);
  void SetText(const char* text) { caption_.SetText(text); }
  void SetTextureFrame(const char* frameId);
  void SetTextureBar(const char* frameId);
  void SetFont(const char* fontId) { caption_.SetFont(fontId); }
  void SetFontColor(OrvCall::Finite<float> r, OrvCall::Finite<float> g, OrvCall::Finite<float> b);
  // Eases 5 % of the way to the amount per call, snapping when within
  // 0.0001; an amount outside [0, 1] jumps to the nearer end and leaves the
  // target alone.
  void SetBarAmount(OrvCall::Finite<double> amount);
  void SetImmediateAmount(OrvCall::Finite<double> amount);
  double GetBarAmount() const { return amount_; }
  void SetVisible(bool visible) { visible_ = visible; }
  bool GetVisible() const { return visible_; }
  float GetFrameRGBA(int channel) const { return ColourChannel(frameColour_, channel); }
  float GetBarRGBA(int channel) const { return ColourChannel(barColour_, channel); }
  bool GetIsTweening() const { return amount_ != target_; }
  void SetFrameRGBA(OrvCall::Finite<float> r, OrvCall::Finite<float> g, OrvCall::Finite<float> b,
                    OrvCall::Finite<float> a);
  void SetBarRGBA(OrvCall::Finite<float> r, OrvCall::Finite<float> g, OrvCall::Finite<float> b,
                  OrvCall::Finite<float> a);
  void SetRGBA(OrvCall::Finite<float> r, OrvCall::Finite<float> g, OrvCall::Finite<float> b, OrvCall::Finite<float> a);

  int GetId() const { return id_; }
  const WidgetCaption& GetCaption() const { return caption_; }

 private:
  // bar x := frame x + trunc(Wb * half bar width * amount) - trunc(Wb * half
  // bar width), Wb the bar texture's pixel width.
  void PlaceBar();

  double width_ = 0.0;
  double height_ = 0.0;
  double halfWidth_ = 0.0;
  double halfHeight_ = 0.0;
  double barWidth_ = 0.0;
  double barHeight_ = 0.0;
  double halfBarWidth_ = 0.0;
  double halfBarHeight_ = 0.0;
  int frameX_ = 0;
  int frameY_ = 0;
  int barX_ = 0;
  int barY_ = 0;
  ObjectLockPtr<SpriteFrame> frameTexture_;
  ObjectLockPtr<SpriteFrame> barTexture_;
  WidgetCaption caption_;
  WidgetColour frameColour_{1.0f, 1.0f, 1.0f, 1.0f};
  WidgetColour barColour_{1.0f, 1.0f, 1.0f, 1.0f};
  double amount_ = 1.0;
  double target_ = 0.0;
  bool visible_ = true;
  int id_ = 0;
};

}  // namespace Orv
