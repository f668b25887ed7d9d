// Rigid bodies by measurement: one physics step under each rule, the
// parameters of the rigid-body and boid components.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "core/GameObject.h"
#include "world/BoidComponent.h"
#include "world/CollisionComponent.h"
#include "world/RigidBodyComponent.h"

using namespace Orv;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kSixtieth = 1.0f / 60.0f;

struct StepCase {
  const char* name;
  float dt;
  std::function<void(RigidBody&)> set;
  std::function<void(const RigidBody&)> check;
};

TEST(RigidBodyStep, EachRuleOfOneStepMeasured) {
  const std::vector<StepCase> cases = {
      {"mass 2 pushed by 120", kSixtieth,
       [](RigidBody& b) {
         b.SetMass(2.0);
         b.force = {120, 0};
       },
       [](const RigidBody& b) {
         std::printf("acceleration %.7f velocity %.7f position %.9f\n", b.acceleration.x, b.velocity.x, b.position.x);
         EXPECT_NEAR(b.acceleration.x, 1.0, 1e-6);
         EXPECT_NEAR(b.velocity.x, 0.0166667, 1e-6);
         EXPECT_NEAR(b.position.x, 0.000277778, 1e-9);
         EXPECT_EQ(b.force, Vec2{});
       }},
      {"a short frame moves as far as a sixtieth", 0.005f,
       [](RigidBody& b) {
         b.velocity = {60, 0};
       },
       [](const RigidBody& b) {
         std::printf("moved %.9f\n", b.position.x);
         EXPECT_DOUBLE_EQ(b.position.x, 60 * double{0.016666668f});
       }},
      {"a long frame moves as long", 0.05f,
       [](RigidBody& b) {
         b.velocity = {60, 0};
       },
       [](const RigidBody& b) { EXPECT_DOUBLE_EQ(b.position.x, 60 * double{0.05f}); }},
      {"turning is held to 60 a second", kSixtieth, [](RigidBody& b) { b.angularVelocity = 100; },
       [](const RigidBody& b) {
         std::printf("turned %.9f\n", b.direction);
         EXPECT_EQ(b.angularVelocity, 60);
         EXPECT_DOUBLE_EQ(b.direction, 60 * double{0.016666668f});
       }},
      {"and to -60 the other way", kSixtieth, [](RigidBody& b) { b.angularVelocity = -100; },
       [](const RigidBody& b) { EXPECT_EQ(b.angularVelocity, -60); }},
      {"movement off", kSixtieth,
       [](RigidBody& b) {
         b.movementEnabled = false;
         b.velocity = {5, 5};
         b.position = {1, 2};
       },
       [](const RigidBody& b) {
         EXPECT_EQ(b.velocity, Vec2{});
         EXPECT_EQ(b.position, (Vec2{1, 2}));
       }},
      {"rotation off", kSixtieth,
       [](RigidBody& b) {
         b.rotationEnabled = false;
         b.angularVelocity = 30;
         b.direction = 10;
       },
       [](const RigidBody& b) {
         EXPECT_EQ(b.angularVelocity, 0);
         EXPECT_EQ(b.direction, 10);
       }},
      {"friction 1 stops the body after it moved", kSixtieth,
       [](RigidBody& b) {
         b.friction = 1;
         b.velocity = {60, 0};
         b.angularVelocity = 30;
       },
       [](const RigidBody& b) {
         EXPECT_EQ(b.velocity, Vec2{});
         EXPECT_EQ(b.angularVelocity, 0);
         EXPECT_NEAR(b.position.x, 1, 1e-6);
       }},
      {"a step leaves the inertia to the shape", kSixtieth,
       [](RigidBody& b) {
         b.SetMass(2);
         b.velocity = {30, 40};
         b.inertia = 5;
         b.inverseInertia = 0.2;
       },
       [](const RigidBody& b) {
         EXPECT_EQ(b.inertia, 5);
         EXPECT_EQ(b.inverseInertia, 0.2);
       }},
  };
  for (const StepCase& c : cases) {
    SCOPED_TRACE(c.name);
    RigidBody body;
    c.set(body);
    body.ApplyForces();
    body.Integrate(c.dt);
    c.check(body);
    EXPECT_EQ(body.FirstRefusal(), nullptr);
  }
  RigidBody body;
  body.SetInertia(0.0001);
  EXPECT_EQ(body.inverseInertia, 0.0001) << "not 10000";
}

// The mass spread evenly over the shape, about its centre, in px².
TEST(RigidBodyStep, InertiaComesFromTheShapeAndTheMass) {
  struct ShapeCase {
    const char* shape;
    double width, height, mass, inertia;
    // An axis-aligned box keeps its axes: a contact never turns it.
    bool turns;
  };
  const ShapeCase cases[] = {
      {"AABB", 32, 32, 1, 32 * 32 * 2 / 12.0, false}, {"OBB", 10, 20, 3, 3 * (100 + 400) / 12.0, true},
      {"Circle", 8, 8, 2, 2 * 4 * 4 / 2.0, true},      {"Circle", 8, 8, 0, 0, false},
      {"Circle", 1e-310, 1e-310, 1, 0, false},         {"Line", 10, 10, 1, 0, false},
  };
  for (const ShapeCase& c : cases) {
    SCOPED_TRACE(std::string(c.shape) + " of mass " + std::to_string(c.mass));
    CollisionComponent collision;
    collision.Setup();
    ::testing::internal::CaptureStdout();
    collision.SetColliderByName(c.shape);
    ::testing::internal::GetCapturedStdout();
    collision.SetRealProperty(CollisionComponent::Width, c.width);
    collision.SetRealProperty(CollisionComponent::Height, c.height);
    collision.SetRealProperty(CollisionComponent::Radius, c.width / 2);
    RigidBody body;
    body.SetMass(c.mass);
    body.velocity = {300, 400};
    body.SetInertiaOf(*collision.GetCollider());
    EXPECT_NEAR(body.inertia, c.inertia, 1e-9 * c.inertia);
    // A shape too small to hold its mass does not turn either.
    EXPECT_EQ(body.inverseInertia, c.turns ? 1 / c.inertia : 0.0);
  }
}

TEST(RigidBodyStep, IdsCountTheBodiesMade) {
  RigidBodyComponent first, second;
  EXPECT_EQ(second.body.id, first.body.id + 1);
}

struct ParamCase {
  const char* name;
  std::function<void(RigidBodyComponent&)> apply;
  std::function<void(const RigidBody&)> check;
};

TEST(RigidBodyParameters, EachParameterAsTheDataGivesIt) {
  using R = RigidBodyComponent;
  const std::vector<ParamCase> cases = {
      {"reals by index",
       [](R& c) {
         for (unsigned i : {R::PosX, R::PosY, R::VelX, R::VelY, R::AccelX, R::AccelY, R::Direction, R::RotationSpeed,
                            R::ForceX, R::ForceY}) {
           c.SetRealProperty(i, 10.0 + i);
         }
       },
       [](const RigidBody& b) {
         EXPECT_EQ(b.position, (Vec2{10, 11}));
         EXPECT_EQ(b.velocity, (Vec2{12, 13}));
         EXPECT_EQ(b.acceleration, (Vec2{14, 15}));
         EXPECT_EQ(b.direction, 17);
         EXPECT_EQ(b.angularVelocity, 19);
         EXPECT_EQ(b.force, (Vec2{23, 24}));
       }},
      {"mass and its inverse, by name", [](R& c) { c.SetRealPropertyByName("mass", 4.0); },
       [](const RigidBody& b) {
         EXPECT_EQ(b.mass, 4);
         EXPECT_EQ(b.inverseMass, 0.25);
       }},
      {"a whole-number mass is ignored", [](R& c) { c.SetIntProperty(R::Mass, 4); },
       [](const RigidBody& b) { EXPECT_EQ(b.inverseMass, 0); }},
      {"mass 0 moves under nothing", [](R& c) { c.SetRealProperty(R::Mass, 0.0); },
       [](const RigidBody& b) { EXPECT_EQ(b.inverseMass, 0); }},
      {"an impulse after a mass of 2 gives half",
       [](R& c) {
         c.SetRealProperty(R::Mass, 2.0);
         c.SetRealProperty(R::ImpulseX, 9.0);
         c.SetRealProperty(R::ImpulseY, -3.0);
       },
       [](const RigidBody& b) {
         EXPECT_EQ(b.velocity, (Vec2{4.5, -1.5}));
       }},
      {"an impulse before any mass is ignored, not infinite",
       [](R& c) {
         c.SetRealProperty(R::VelX, 1.0);
         c.SetRealProperty(R::ImpulseX, 9.0);
       },
       [](const RigidBody& b) { EXPECT_EQ(b.velocity.x, 1); }},
      {"flags take exactly true and false",
       [](R& c) {
         c.SetStringProperty(R::MovementTrue, "False");
         c.SetStringProperty(R::RotationTrue, "false");
         c.SetStringProperty(R::ResolveTileMap, "true");
         c.SetStringProperty(R::ObjReflect, "true");
         c.SetStringProperty(R::ObjReflect, "TRUE");
       },
       [](const RigidBody& b) {
         EXPECT_TRUE(b.movementEnabled);
         EXPECT_FALSE(b.rotationEnabled);
         EXPECT_TRUE(b.resolveTileMap);
         EXPECT_TRUE(b.objectReflect);
       }},
      {"friction is held within 0 and 1", [](R& c) { c.SetRealProperty(R::Friction, -0.5); },
       [](const RigidBody& b) { EXPECT_EQ(b.friction, 0); }},
      {"friction above 1", [](R& c) { c.SetRealProperty(R::Friction, 7.0); },
       [](const RigidBody& b) { EXPECT_EQ(b.friction, 1); }},
      {"wrong kinds and indices are ignored",
       [](R& c) {
         c.SetStringProperty(R::VelX, "5");
         c.SetRealProperty(R::MovementTrue, 0.0);
         c.SetRealProperty(18, 3.0);
       },
       [](const RigidBody& b) {
         EXPECT_EQ(b.velocity, Vec2{});
         EXPECT_TRUE(b.movementEnabled);
       }},
      {"values that are not finite are refused",
       [](R& c) {
         c.SetRealProperty(R::Mass, 2.0);
         c.SetRealProperty(R::Mass, kNaN);
         c.SetRealProperty(R::Mass, 1e-310);
         c.SetRealProperty(R::VelX, -std::numeric_limits<double>::infinity());
         c.SetRealProperty(R::Friction, kNaN);
         c.SetRealProperty(R::ImpulseY, 1e308);
         c.SetRealProperty(R::ImpulseY, 1e308);
       },
       [](const RigidBody& b) {
         EXPECT_EQ(b.mass, 2);
         EXPECT_EQ(b.velocity.x, 0);
         EXPECT_EQ(b.friction, 0);
         EXPECT_EQ(b.velocity.y, 5e307);
         EXPECT_STREQ(b.FirstRefusal(), "mass");
       }},
  };
  for (const ParamCase& c : cases) {
    SCOPED_TRACE(c.name);
    RigidBodyComponent component;
    component.Setup();
    c.apply(component);
    c.check(component.body);
  }
}

TEST(RigidBodyParameters, ARefusalIsToldOnceNamingTheObject) {
  GameObject object(nullptr, 8);
  RigidBodyComponent component;
  component.Setup();
  ::testing::internal::CaptureStderr();
  component.SetRealProperty(RigidBodyComponent::VelY, kNaN);
  component.OnAttach(&object);
  component.SetRealProperty(RigidBodyComponent::Mass, kNaN);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Error! Rigid body \"vel y\" of object 8 (unique id 0): a value that is not a finite number is ignored\n");
}

TEST(RigidBodyReflect, MirrorsAboutAnyLengthOfNormal) {
  for (const Vec2& normal : {Vec2{0, 1}, Vec2{0, 2}, Vec2{0, 0}}) {
    RigidBodyComponent component;
    component.body.velocity = {3, -4};
    component.Reflect(normal.x, normal.y);
    EXPECT_EQ(component.body.velocity, normal == Vec2{} ? Vec2(3, -4) : Vec2(3, 4)) << normal.y;
  }
}

TEST(BoidParameters, DefaultsHeadingAndTheLastWriterOfVectorA) {
  struct Case {
    const char* name;
    std::function<void(BoidComponent&)> apply;
    std::int32_t group;
    float radius;
    Vec2 a;
  };
  const Case cases[] = {
      {"no data", [](BoidComponent&) {}, -1, 1.0f, {0, 0}},
      {"a heading of 90 in single precision",
       [](BoidComponent& b) { b.SetRealProperty(2, 90.0); },
       -1,
       1.0f,
       {std::cos(static_cast<float>(90.0f * 0.017453292519888888)), 1}},
      {"posX after angle 0",
       [](BoidComponent& b) {
         b.SetRealProperty(2, 0.0);
         b.SetRealPropertyByName("posX", 5.0);
       },
       -1,
       1.0f,
       {5, 0}},
      {"groupID as a real is ignored, as an integer taken",
       [](BoidComponent& b) {
         b.SetRealProperty(0, 4.0);
         b.SetIntProperty(1, 7);
         b.SetRealProperty(1, 2.5);
       },
       -1,
       2.5f,
       {0, 0}},
      {"groupID", [](BoidComponent& b) { b.SetIntPropertyByName("groupID", 3); }, 3, 1.0f, {0, 0}},
      {"values not finite are ignored",
       [](BoidComponent& b) {
         b.SetRealProperty(1, 1e300);
         b.SetRealProperty(2, kNaN);
         b.SetRealProperty(3, kNaN);
       },
       -1,
       1.0f,
       {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoidComponent boid;
    boid.Setup();
    c.apply(boid);
    EXPECT_EQ(boid.groupID, c.group);
    EXPECT_EQ(boid.radius, c.radius);
    EXPECT_EQ(boid.vectorA, c.a);
    EXPECT_EQ(boid.vectorB, (Vec2{1, 0}));
    EXPECT_EQ(boid.vectorD, (Vec2{0, 0}));
  }
  std::printf("cos of a single-precision quarter turn: %g\n",
              std::cos(static_cast<float>(90.0f * 0.017453292519888888)));
}

TEST(BoidParameters, ANonFiniteValueIsIgnoredAndToldOnceTheObjectIsKnown) {
  GameObject object(nullptr, 6);
  BoidComponent boid;
  boid.Setup();
  ::testing::internal::CaptureStderr();
  boid.SetRealPropertyByName("radius", 1e300);  // no float holds it
  boid.SetRealPropertyByName("posX", kNaN);
  boid.OnAttach(&object);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Error! Boid \"radius\" of object 6 (unique id 0): a value that is not a finite number is ignored\n");
  EXPECT_EQ(boid.radius, 1.0f);
  EXPECT_EQ(boid.vectorA, (Vec2{0, 0}));
}

}  // namespace
