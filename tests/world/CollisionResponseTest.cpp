// The answers to a contact, by measurement, and a long run of hostile
// contacts and steps that must never leave a value that is not finite.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "world/CollisionComponent.h"
#include "world/ContactTolerances.h"
#include "world/Manifold.h"
#include "world/RigidBodyComponent.h"

using namespace Orv;

namespace {

// A collision component with a shape, quietly.
std::shared_ptr<CollisionComponent> Shape(const char* name, Vec2 at, double extent) {
  auto c = std::make_shared<CollisionComponent>();
  c->Setup();
  ::testing::internal::CaptureStdout();
  c->SetColliderByName(name);
  ::testing::internal::GetCapturedStdout();
  c->SetRealProperty(CollisionComponent::PosX, at.x);
  c->SetRealProperty(CollisionComponent::PosY, at.y);
  c->SetRealProperty(CollisionComponent::Radius, extent);
  c->SetRealProperty(CollisionComponent::Width, extent * 2);
  c->SetRealProperty(CollisionComponent::Height, extent * 2);
  c->GetCollider()->UpdateBounds();
  return c;
}

TEST(CollisionResponse, ReflectingMirrorsBothVelocitiesAboutAnyLengthOfNormal) {
  for (const Vec2& normal : {Vec2{0, 1}, Vec2{0, 2}, Vec2{0, 0}}) {
    Manifold m;
    m.normal = normal;
    RigidBody a, b;
    a.velocity = {3, -4};
    b.velocity = {-1, 2};
    m.ReflectVelocities(a, b);
    const bool zero = normal == Vec2{};
    EXPECT_EQ(a.velocity, zero ? Vec2(3, -4) : Vec2(3, 4)) << normal.y;
    EXPECT_EQ(b.velocity, zero ? Vec2(-1, 2) : Vec2(-1, -2)) << normal.y;
  }
}

// Two equal circles meeting head on along x: the relative normal speed after
// the impulse over the one before is the restitution.
TEST(CollisionResponse, RestitutionSweepMeasuredAsTheRatioOfNormalSpeeds) {
  for (double e : {0.0, 0.25, 0.5, 0.75, 1.0}) {
    auto ca = Shape("Circle", {0, 0}, 1), cb = Shape("Circle", {1.9, 0}, 1);
    RigidBody a, b;
    a.SetMass(1);
    b.SetMass(1);
    a.bouncy = b.bouncy = e;
    a.velocity = {300, 0};
    b.velocity = {-100, 0};
    Manifold m(ca.get(), 1, cb.get(), 2);
    ASSERT_TRUE(ca->CollideDispatch(*cb, m));
    const double before = (b.velocity - a.velocity).Dot(m.normal);
    m.ResolveManifold(a, b, 1.0f / 60);
    const double after = (b.velocity - a.velocity).Dot(m.normal);
    std::printf("restitution %.2f: normal speed %.4f -> %.4f, ratio %.4f\n", e, before, after, -after / before);
    EXPECT_NEAR(-after / before, e, 1e-9);
    EXPECT_NEAR(a.velocity.x + b.velocity.x, 200, 1e-9) << "momentum kept";
    // Meeting slower than a resting contact's speed, they do not bounce.
    a.velocity = {kRestingApproach * 0.4, 0};
    b.velocity = {-kRestingApproach * 0.4, 0};
    m.ResolveManifold(a, b, 1.0f / 60);
    EXPECT_NEAR((b.velocity - a.velocity).Dot(m.normal), 0, 1e-9) << e;
  }
}

TEST(CollisionResponse, NoFrictionWhenTheImpulseLeavesNoNormalSpeed) {
  auto ca = Shape("Circle", {0, 0}, 1), cb = Shape("Circle", {1.5, 1}, 1);
  RigidBody a, b;
  a.SetMass(1);
  b.SetMass(1);
  a.friction = b.friction = 0.5;
  a.velocity = {2, 1};
  Manifold m(ca.get(), 1, cb.get(), 2);
  ASSERT_TRUE(ca->CollideDispatch(*cb, m));
  m.ResolveManifold(a, b, 1.0f / 60);
  const Vec2 rv = b.velocity - a.velocity;
  const Vec2 tangent{-m.normal.y, m.normal.x};
  std::printf("after: normal speed %.6f, tangential %.6f\n", rv.Dot(m.normal), rv.Dot(tangent));
  EXPECT_NEAR(rv.Dot(m.normal), 0, 1e-12);
  // Only the normal impulse acted: the tangential speed is what it was.
  EXPECT_NEAR(rv.Dot(tangent), -Vec2(2, 1).Dot(tangent), 1e-12);
}

TEST(CollisionResponse, CorrectionLeavesEachPairJustOverlappingSoRestingBodiesStayInContact) {
  auto ca = Shape("Circle", {0, 0}, 1), cb = Shape("Circle", {0.01, 0}, 1);
  RigidBody a, b;
  a.SetMass(1);
  b.SetMass(1);
  Manifold m(ca.get(), 1, cb.get(), 2);
  m.normal = {1, 0};
  m.penetration = 1.99;
  m.CorrectPositions(a, b);
  const double movedA = ca->GetCollider()->GetPosition().x, movedB = cb->GetCollider()->GetPosition().x - 0.01;
  std::printf("A moved %.6f, B moved %.6f\n", movedA, movedB);
  EXPECT_NEAR(movedA, -0.99, 1e-9);
  EXPECT_NEAR(movedB, 0.99, 1e-9);
  // A box moved is met where it now is by the rest of the pass.
  auto box = Shape("AABB", {0, 0}, 1);
  Manifold pushed(ca.get(), 1, box.get(), 2);
  pushed.MoveBodyB({0, 3}, 1);
  EXPECT_EQ(box->GetCollider()->GetMin(), Vec2(-1, 2));
  // The overlap a correction leaves is left; without mass on either side
  // nothing moves; without bodies it says so.
  m.penetration = kLeftOverlap;
  m.CorrectPositions(a, b);
  EXPECT_NEAR(ca->GetCollider()->GetPosition().x, -0.99, 1e-12);
  m.penetration = 1;
  b.SetMass(0);
  m.CorrectPositions(a, b);
  EXPECT_NEAR(ca->GetCollider()->GetPosition().x, -0.99, 1e-12);
  Manifold empty;
  ::testing::internal::CaptureStdout();
  empty.CorrectPositions(a, b);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "nullptr found\n");
}

// Linear and turning energy, the turning in degrees per second as bodies
// hold it.
double Energy(const RigidBody& b) {
  const double w = b.angularVelocity * 3.14159265358979323846 / 180;
  return 0.5 * b.mass * b.velocity.LengthSquared() + 0.5 * b.inertia * w * w;
}

// Circles and turned boxes meeting off their centres, sliding and turning,
// with friction: no impulse makes the pair's energy grow. A spinning box
// that keeps its axes hands no speed to what it touches.
TEST(CollisionResponse, NoImpulseAddsEnergyAndABoxThatCannotTurnHandsOnNoTurning) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> speed(-200, 200), turn(-60, 60), unit(0, 1);
  for (int trial = 0; trial < 300; ++trial) {
    const bool boxes = trial % 2 == 1;
    auto ca = Shape(boxes ? "OBB" : "Circle", {0, 0}, 8), cb = Shape("Circle", {10 + 4 * unit(random), 6}, 8);
    if (boxes) static_cast<OBB*>(ca->GetCollider())->SetRotation(90 * unit(random));
    ca->GetCollider()->UpdateBounds();
    RigidBody a, b;
    a.SetMass(1 + 3 * unit(random));
    b.SetMass(1 + 3 * unit(random));
    a.friction = unit(random), b.friction = unit(random);
    a.bouncy = b.bouncy = unit(random);
    a.velocity = {speed(random), speed(random)}, b.velocity = {speed(random), speed(random)};
    a.angularVelocity = turn(random), b.angularVelocity = turn(random);
    a.SetInertiaOf(*ca->GetCollider());
    b.SetInertiaOf(*cb->GetCollider());
    Manifold m(ca.get(), 1, cb.get(), 2);
    if (!ca->CollideDispatch(*cb, m)) continue;
    const double before = Energy(a) + Energy(b);
    m.ResolveManifold(a, b, 1.0f / 60);
    EXPECT_LE(Energy(a) + Energy(b), before * (1 + 1e-12)) << "trial " << trial;
  }
  // Resting corner to corner, parting slowly: its turning would have met
  // the other at 16 px a degree.
  auto ca = Shape("AABB", {0, 0}, 16), cb = Shape("AABB", {0, 31}, 16);
  RigidBody a, b;
  a.SetMass(1);
  b.SetMass(1);
  a.SetInertiaOf(*ca->GetCollider());
  b.SetInertiaOf(*cb->GetCollider());
  a.angularVelocity = 60;
  b.velocity = {0, 1};
  Manifold m(ca.get(), 1, cb.get(), 2);
  ASSERT_TRUE(ca->CollideDispatch(*cb, m));
  m.ResolveManifold(a, b, 1.0f / 60);
  EXPECT_EQ(a.velocity, Vec2(0, 0));
  EXPECT_EQ(b.velocity, Vec2(0, 1));
  EXPECT_EQ(a.angularVelocity, 60);
}

// Ten boxes on a held one, answered from the ground up in one pass: each
// rests on one that is held, so the whole stack stops. A held box that moves
// towards the next gives way as any body does.
TEST(CollisionResponse, ABodyRestingOnAHeldBodyIsHeldSoAStackStopsInOnePass) {
  std::vector<std::shared_ptr<CollisionComponent>> shapes;
  std::vector<RigidBody> bodies(10);
  std::vector<Vec2> held(10);
  for (int k = 0; k < 10; ++k) {
    shapes.push_back(Shape("AABB", {0, 31.9 * k}, 16));
    bodies[k].SetMass(1);
    bodies[k].velocity = {0, k == 0 ? 0.0 : -5.0};
  }
  held[0] = {0, 1};
  for (int k = 0; k + 1 < 10; ++k) {
    Manifold m(shapes[k].get(), k, shapes[k + 1].get(), k + 1);
    ASSERT_TRUE(shapes[k]->CollideDispatch(*shapes[k + 1], m));
    m.AnswerBodies({bodies[k], *shapes[k]->GetCollider(), held[k]},
                   {bodies[k + 1], *shapes[k + 1]->GetCollider(), held[k + 1]}, 1.0f / 60);
  }
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(bodies[k].velocity, Vec2(0, 0)) << "box " << k;
    EXPECT_NEAR(shapes[k]->GetCollider()->GetPosition().y, 31.99 * k, 1e-9) << "box " << k;
  }
  bodies[0].velocity = {0, 50};
  Manifold m(shapes[0].get(), 0, shapes[1].get(), 1);
  ASSERT_TRUE(shapes[0]->CollideDispatch(*shapes[1], m));
  m.AnswerBodies({bodies[0], *shapes[0]->GetCollider(), held[0]}, {bodies[1], *shapes[1]->GetCollider(), held[1]},
                 1.0f / 60);
  EXPECT_NEAR(bodies[0].velocity.y + bodies[1].velocity.y, 50, 1e-9) << "momentum kept";
  EXPECT_NEAR(bodies[1].velocity.y, 25, 1e-9);
}

bool Finite(const RigidBody& b) {
  return b.position.IsFinite() && b.velocity.IsFinite() && b.acceleration.IsFinite() && b.force.IsFinite() &&
         std::isfinite(b.direction) && std::isfinite(b.angularVelocity) && std::isfinite(b.mass) &&
         std::isfinite(b.inverseMass) && std::isfinite(b.inertia) && std::isfinite(b.inverseInertia) &&
         std::isfinite(b.bouncy) && std::isfinite(b.friction);
}

bool Finite(const Collider& c) {
  return c.GetPosition().IsFinite() && c.GetMin().IsFinite() && c.GetMax().IsFinite() && std::isfinite(c.GetRotation());
}

TEST(CollisionResponse, HostileContactsAndStepsNeverLeaveAValueThatIsNotFinite) {
  std::mt19937 random(20261207);
  const double hostile[] = {0.0,
                            -1.0,
                            -1e300,
                            1e-300,
                            1e300,
                            std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity(),
                            1.0,
                            2.5,
                            0.5};
  const auto pick = [&] { return hostile[random() % std::size(hostile)]; };
  const auto real = [&](double low, double high) { return std::uniform_real_distribution<double>(low, high)(random); };
  const char* shapes[] = {"OBB", "Circle", "OBB", "AABB", "OBB", "OBB"};
  struct Thing {
    std::shared_ptr<CollisionComponent> collision;
    RigidBodyComponent rigid;
  };
  std::vector<Thing> things(6);
  for (std::size_t i = 0; i < things.size(); ++i) {
    things[i].collision = Shape(shapes[i], {real(-3, 3), real(-3, 3)}, real(0.5, 2));
    // Unturned boxes side by side give two contact points.
    things[i].collision->SetRealProperty(CollisionComponent::Orientation, i == 5 ? 30.0 : 0.0);
    things[i].rigid.Setup();
  }
  // Oriented boxes meeting axis-aligned ones say so each time.
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  int contacts = 0, twoPoint = 0, broken = -1;
  for (int step = 0; step < 10000 && broken < 0; ++step) {
    Thing& a = things[random() % things.size()];
    Thing& b = things[random() % things.size()];
    if (&a == &b) continue;
    // Hostile data through the parameters, now and then.
    if (step % 7 == 0) {
      a.rigid.SetRealProperty(RigidBodyComponent::Mass, pick());
      a.rigid.SetRealProperty(RigidBodyComponent::Friction, pick());
      a.rigid.SetRealProperty(RigidBodyComponent::ImpulseX, pick());
      a.rigid.SetRealProperty(RigidBodyComponent::VelY, pick());
      a.rigid.SetRealProperty(RigidBodyComponent::AccelX, pick());
      a.rigid.SetRealProperty(RigidBodyComponent::RotationSpeed, pick());
      a.rigid.body.bouncy = real(-2, 3);
    }
    // Pull the pair together, near the origin, so they touch often.
    if (b.collision->GetCollider()->GetPosition().LengthSquared() > 1e6) {
      b.collision->GetCollider()->SetPosition({real(-3, 3), real(-3, 3)});
    }
    a.collision->GetCollider()->SetPosition(b.collision->GetCollider()->GetPosition() + Vec2{real(-2, 2), real(-2, 2)});
    for (Thing* t : {&a, &b}) t->collision->GetCollider()->UpdateBounds();
    Manifold m(a.collision.get(), 1, b.collision.get(), 2);
    if (a.collision->CollideDispatch(*b.collision, m)) {
      ++contacts;
      if (m.contactCount == 2) ++twoPoint;
      if (step % 5 == 0) m.normal = {};
      if (step % 3 == 0) m.ReflectVelocities(a.rigid.body, b.rigid.body);
      m.ResolveManifold(a.rigid.body, b.rigid.body, static_cast<float>(real(0, 0.1)));
      m.CorrectPositions(a.rigid.body, b.rigid.body);
    }
    for (Thing* t : {&a, &b}) {
      RigidBody& body = t->rigid.body;
      const float dt = step % 11 == 0 ? 1e30f : static_cast<float>(real(0, 0.05));
      body.ApplyForces();
      body.Accept(body.position, t->collision->GetCollider()->GetPosition(), "position");
      body.Integrate(dt);
      t->rigid.Reflect(pick(), pick());
      t->collision->GetCollider()->SetPosition(body.position);
      t->collision->GetCollider()->UpdateBounds();
      if (!Finite(body) || !Finite(*t->collision->GetCollider())) broken = step;
    }
  }
  ::testing::internal::GetCapturedStderr();
  ::testing::internal::GetCapturedStdout();
  std::printf("%d contacts, %d with two points\n", contacts, twoPoint);
  EXPECT_EQ(broken, -1) << "the first step that left a value not finite";
  EXPECT_GT(contacts, 1000);
  EXPECT_GT(twoPoint, 50);
}

}  // namespace
