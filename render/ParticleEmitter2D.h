#pragma once
// A burst of particles flying out radially from one point, each turning,
// growing and changing colour until its lifetime runs out.
#include <vector>

namespace Orv {

struct Particle {
  double x = 0.0, y = 0.0;
  double vx = 0.0, vy = 0.0;
  double rotation = 0.0;
  double rotationVelocity = 0.0;
  double scaleX = 0.0, scaleY = 0.0;
  double scaleVX = 0.0, scaleVY = 0.0;
  float r = 1.0f, g = 1.0f, b = 1.0f, a = 1.0f;
  float rV = 0.0f, gV = 0.0f, bV = 0.0f, aV = 0.0f;
  float age = 0.0f;
  float lifetime = 0.0f;
};

class ParticleEmitter2D {
 public:
  virtual ~ParticleEmitter2D() = default;
  virtual void DrawParticle(const Particle& particle) = 0;
  // At a screen position in place of the particle's own.
  virtual void DrawParticleAt(const Particle& particle, float x, float y) = 0;

  // Ages and moves every particle by dt and drops those whose lifetime is up,
  // keeping the order of the rest.
  void Step(double dt);

  double chanceFactor = 0.0;
  std::vector<Particle> particles;
};

}  // namespace Orv
