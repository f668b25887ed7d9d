#include "render/TextureParticleEmitter2D.h"

#include <GL/glew.h>

#include <algorithm>

#include "core/OrientedRect.h"
#include "render/DrawPrimitives.h"

namespace Orv {

bool TextureParticleEmitter2D::IsOnScreen(const Particle& particle, float x, float y) const {
  const float w = static_cast<float>(particle.scaleX);
  const float h = static_cast<float>(particle.scaleY);
  OrientedRect rect{{x - w, y + h}, {x + w, y + h}, {x + w, y - h}, {x - w, y - h}, w, h, x, y};
  rect.Rotate(static_cast<float>(particle.rotation));
  const double xs[] = {rect.corner0[0], rect.corner1[0], rect.corner2[0], rect.corner3[0]};
  const double ys[] = {rect.corner0[1], rect.corner1[1], rect.corner2[1], rect.corner3[1]};
  const double left = *std::min_element(xs, xs + 4), right = *std::max_element(xs, xs + 4);
  const double top = *std::min_element(ys, ys + 4), bottom = *std::max_element(ys, ys + 4);
  return right >= -0.5 && left <= viewportWidth + 0.5 && bottom >= -0.5 && top <= viewportHeight + 0.5;
}

void TextureParticleEmitter2D::DrawParticleAt(const Particle& particle, float x, float y) {
  if (!frame.Exists() || !IsOnScreen(particle, x, y)) return;
  SetColour(particle.r, particle.g, particle.b, particle.a);
  Translate2D(x, y);
  Rotate2D(static_cast<float>(particle.rotation));
  DrawSpriteQuadSized(static_cast<float>(particle.scaleX), static_cast<float>(particle.scaleY), frame);
  LoadIdentity();
  SetColour(1.0f, 1.0f, 1.0f, 1.0f);
}

void TextureParticleEmitter2D::DrawParticle(const Particle& particle) {
  DrawParticleAt(particle, static_cast<float>(particle.x), static_cast<float>(particle.y));
}

}  // namespace Orv

#include <cmath>

#include "render/CameraSystem.h"

namespace Orv {

bool ParticleBursts::Create(ObjectLockPtr<SpriteFrame> frame, float chance, double threshold, float lifetime,
                            double speedFactor, int count, const BurstParams& params) {
  TextureParticleEmitter2D emitter(std::move(frame));
  emitter.chanceFactor = chance;
  const int n = std::clamp(count, 1, kMaxCount);
  const int step = 360 / n;
  std::uniform_int_distribution<int> draw(0, 32767);
  for (int angle = 0; angle < 360; angle += step) {
    const double roll = draw(random_) * (1.0 / 32767.0) * emitter.chanceFactor;
    if (roll < threshold) continue;
    const double radians = angle * (3.14159265358979323846 / 180.0);
    Particle p;
    p.x = params.x;
    p.y = params.y;
    p.vx = std::cos(radians) * speedFactor * params.speed;
    p.vy = std::sin(radians) * speedFactor * params.speed;
    p.rotation = params.rotation;
    p.rotationVelocity = params.rotationVelocity;
    p.scaleX = params.scaleX;
    p.scaleY = params.scaleY;
    p.scaleVX = params.scaleVX;
    p.scaleVY = params.scaleVY;
    p.r = params.r, p.g = params.g, p.b = params.b, p.a = params.a;
    p.rV = params.rV, p.gV = params.gV, p.bV = params.bV, p.aV = params.aV;
    p.lifetime = lifetime;
    emitter.particles.push_back(p);
  }
  live_ += emitter.particles.size();
  emitters_.push_back(std::move(emitter));
  return TrimToCap();
}

bool ParticleBursts::TrimToCap() {
  if (live_ <= kMaxLive) return false;
  // Emitters are in creation order, so the oldest particles lead.
  std::size_t excess = live_ - kMaxLive;
  live_ = kMaxLive;
  auto whole = emitters_.begin();
  while (whole != emitters_.end() && whole->particles.size() <= excess) {
    excess -= whole->particles.size();
    ++whole;
  }
  emitters_.erase(emitters_.begin(), whole);
  if (excess > 0 && !emitters_.empty()) {
    auto& first = emitters_.front().particles;
    first.erase(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(excess));
  }
  return true;
}

void ParticleBursts::Update(float dt, bool paused, unsigned width, unsigned height) {
  if (paused) return;
  for (auto& emitter : emitters_) {
    emitter.Step(dt);
    emitter.viewportWidth = static_cast<float>(width);
    emitter.viewportHeight = static_cast<float>(height);
  }
  std::erase_if(emitters_, [](const auto& emitter) { return emitter.particles.empty(); });
  live_ = 0;
  for (const auto& emitter : emitters_) live_ += emitter.particles.size();
}

void ParticleBursts::Render(unsigned width, unsigned height) {
  const unsigned halfWidth = width / 2, halfHeight = height / 2;
  // Each particle translates from the identity, not from what the pass
  // before left on the matrix.
  LoadIdentity();
  for (auto& emitter : emitters_) {
    for (const Particle& p : emitter.particles) {
      const double x = (p.x - g_cameraCentreX) + halfWidth;
      const double y = (p.y - g_cameraCentreY) + halfHeight;
      emitter.DrawParticleAt(p, static_cast<float>(x), static_cast<float>(y));
    }
  }
}

}  // namespace Orv
