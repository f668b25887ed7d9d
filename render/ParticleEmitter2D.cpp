#include "render/ParticleEmitter2D.h"

#include <algorithm>

namespace Orv {

void ParticleEmitter2D::Step(double dt) {
  const float fdt = static_cast<float>(dt);
  for (Particle& p : particles) {
    p.age += fdt;
    p.x += p.vx * dt;
    p.y += p.vy * dt;
    p.scaleX += p.scaleVX * dt;
    p.scaleY += p.scaleVY * dt;
    p.r = std::clamp(p.r + p.rV * fdt, 0.0f, 1.0f);
    p.g = std::clamp(p.g + p.gV * fdt, 0.0f, 1.0f);
    p.b = std::clamp(p.b + p.bV * fdt, 0.0f, 1.0f);
    p.a = std::clamp(p.a + p.aV * fdt, 0.0f, 1.0f);
    p.rotation += p.rotationVelocity * dt;
    if (p.rotation > 360.0) {
      p.rotation = 0.0;
    } else if (p.rotation < 0.0) {
      p.rotation = 360.0;
    }
  }
  std::erase_if(particles, [](const Particle& p) { return p.age >= p.lifetime; });
}

}  // namespace Orv
