#pragma once
// Particles drawn as tinted, turned quads of one sprite frame; a frame that
// is missing leaves them moving but unseen.
#include "core/ObjectLockPtr.h"
#include "render/ParticleEmitter2D.h"
#include "resources/SpriteSheet.h"

namespace Orv {

class TextureParticleEmitter2D : public ParticleEmitter2D {
 public:
  TextureParticleEmitter2D() = default;
  explicit TextureParticleEmitter2D(ObjectLockPtr<SpriteFrame> frame) : frame(std::move(frame)) {}

  void DrawParticle(const Particle& particle) override;
  void DrawParticleAt(const Particle& particle, float x, float y) override;
  // Whether the particle's turned quad at (x, y) reaches the viewport.
  bool IsOnScreen(const Particle& particle, float x, float y) const;

  ObjectLockPtr<SpriteFrame> frame;
  float viewportWidth = 0.0f;
  float viewportHeight = 0.0f;
};

}  // namespace Orv

#include <random>
#include <string>
#include <vector>

namespace Orv {

// What a burst's particles start with, besides the call's own arguments.
struct BurstParams {
  double x = 0.0, y = 0.0;
  double scaleX = 0.0, scaleY = 0.0;
  double scaleVX = 0.0, scaleVY = 0.0;
  double speed = 0.0;
  double rotation = 0.0;
  double rotationVelocity = 0.0;
  float r = 1.0f, g = 1.0f, b = 1.0f, a = 1.0f;
  float rV = 0.0f, gV = 0.0f, bV = 0.0f, aV = 0.0f;
};

// The emitters of one particle system, in creation order; the back and the
// front system differ only in when they draw.
class ParticleBursts {
 public:
  // A burst holds at most one particle per whole degree.
  static constexpr int kMaxCount = 360;
  // Live particles of one system; past it the oldest go first.
  static constexpr std::size_t kMaxLive = 10000;

  // One particle per angle step whose random draw (0..1, times chance)
  // reaches the threshold. True when older particles had to go to stay
  // within kMaxLive.
  bool Create(ObjectLockPtr<SpriteFrame> frame, float chance, double threshold, float lifetime, double speedFactor,
              int count, const BurstParams& params);
  // Skipped while paused: the particles hold still and are still drawn.
  void Update(float dt, bool paused, unsigned width, unsigned height);
  // World positions through the published camera centre.
  void Render(unsigned width, unsigned height);

  const std::vector<TextureParticleEmitter2D>& Emitters() const { return emitters_; }
  std::size_t LiveCount() const { return live_; }

 private:
  // Drops the oldest particles past kMaxLive; true when any went.
  bool TrimToCap();

  std::vector<TextureParticleEmitter2D> emitters_;
  std::size_t live_ = 0;
  std::minstd_rand random_{12345};
};

}  // namespace Orv
