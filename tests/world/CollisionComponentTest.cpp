// The collision component: its thirteen parameters, the contact-info store,
// the component-level pair queries, and values that are not finite.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <variant>
#include <vector>

#include "core/ComponentCreate.h"
#include "core/GameObject.h"
#include "world/CollisionComponent.h"
#include "world/Manifold.h"

using namespace Orv;

namespace {

using Value = std::variant<int, double, std::string>;

// One value as data gives it: by index, or by name when name is set.
struct Param {
  unsigned index;
  Value value;
  const char* name = nullptr;
};

void Apply(CollisionComponent& c, const Param& p) {
  if (p.name != nullptr) {
    if (auto* i = std::get_if<int>(&p.value)) c.SetIntPropertyByName(p.name, *i);
    if (auto* d = std::get_if<double>(&p.value)) c.SetRealPropertyByName(p.name, *d);
    if (auto* s = std::get_if<std::string>(&p.value)) c.SetStringPropertyByName(p.name, *s);
    return;
  }
  if (auto* i = std::get_if<int>(&p.value)) c.SetIntProperty(p.index, *i);
  if (auto* d = std::get_if<double>(&p.value)) c.SetRealProperty(p.index, *d);
  if (auto* s = std::get_if<std::string>(&p.value)) c.SetStringProperty(p.index, *s);
}

// Made the way the engine makes it: the factory, then Setup.
std::shared_ptr<CollisionComponent> Made() {
  auto component = std::static_pointer_cast<CollisionComponent>(ComponentTypeCreate<CollisionComponent>().Create());
  component->Setup();
  return component;
}

using C = CollisionComponent;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct ParamCase {
  const char* name;
  std::vector<Param> params;
  std::string printed;
  std::function<void(const CollisionComponent&)> check;
};

const Collider& Shape(const CollisionComponent& c) { return *c.GetCollider(); }

TEST(CollisionParameters, EachParameterAsTheDataGivesIt) {
  const std::vector<ParamCase> cases = {
      {"a box, then its centre and height: only the y corners move",
       {{C::ColliderType, "AABB"}, {C::PosX, 10.0}, {C::PosY, 20.0}, {C::Height, 4.0}},
       "set as AABB\n",
       [](const C& c) {
         EXPECT_EQ(Shape(c).GetType(), Collider::TypeAABB);
         EXPECT_EQ(Shape(c).GetPosition(), (Vec2{10, 20}));
         EXPECT_EQ(Shape(c).GetMin(), (Vec2{0, 18}));
         EXPECT_EQ(Shape(c).GetMax(), (Vec2{0, 22}));
       }},
      {"a box's width moves only the x corners",
       {{C::ColliderType, "AABB"}, {C::PosX, 10.0}, {C::PosY, 20.0}, {C::Width, 6.0}},
       "set as AABB\n",
       [](const C& c) {
         EXPECT_EQ(Shape(c).GetMin(), (Vec2{7, 0}));
         EXPECT_EQ(Shape(c).GetMax(), (Vec2{13, 0}));
       }},
      {"a circle's radius",
       {{C::ColliderType, "Circle"}, {C::Radius, 10.0}},
       "set as Circle\n",
       [](const C& c) {
         EXPECT_EQ(Shape(c).GetType(), Collider::TypeCircle2D);
         EXPECT_EQ(Shape(c).GetMax(), (Vec2{10, 10}));
         EXPECT_FALSE(c.empty);
       }},
      {"radius on a box is ignored",
       {{C::ColliderType, "AABB"}, {C::Radius, 5.0}},
       "set as AABB\n",
       [](const C& c) {
         EXPECT_EQ(Shape(c).GetMax(), (Vec2{0, 0}));
       }},
      {"width and height on a circle are ignored",
       {{C::ColliderType, "Circle"}, {C::Width, 5.0}, {C::Height, 5.0}},
       "set as Circle\n",
       [](const C& c) {
         EXPECT_EQ(Shape(c).GetMax(), (Vec2{0, 0}));
       }},
      {"an empty object is a circle that pairs with nothing",
       {{C::ColliderType, "Empty"}, {C::Radius, 10.0}},
       "set as Empty\n",
       [](const C& c) {
         EXPECT_EQ(Shape(c).GetType(), Collider::TypeCircle2D);
         EXPECT_EQ(Shape(c).GetMin(), (Vec2{-10, -10}));
         EXPECT_TRUE(c.empty);
       }},
      {"an oriented box turned a quarter",
       {{C::ColliderType, "OBB"}, {C::Width, 20.0}, {C::Height, 10.0}, {C::Orientation, 90.0}},
       "set as OBB\n",
       [](const C& c) {
         EXPECT_EQ(Shape(c).GetType(), Collider::TypeOBB);
         EXPECT_DOUBLE_EQ(Shape(c).GetRotation(), 90);
         EXPECT_NEAR(Shape(c).GetMin().x, -5, 1e-9);
         EXPECT_NEAR(Shape(c).GetMin().y, -10, 1e-9);
       }},
      {"a segment",
       {{C::ColliderType, "Line"}, {C::PosX, 3.0}},
       "set as Line\n",
       [](const C& c) {
         EXPECT_EQ(Shape(c).GetType(), Collider::TypeLine2D);
         EXPECT_EQ(Shape(c).GetPosition(), (Vec2{3, 0}));
       }},
      {"a name of no shape makes none and says nothing; geometry after it is ignored",
       {{C::ColliderType, "aabb"}, {C::PosX, 5.0}, {C::Radius, 2.0}, {C::Orientation, 9.0}},
       "",
       [](const C& c) { EXPECT_EQ(c.GetCollider(), nullptr); }},
      {"geometry before the shape is ignored",
       {{C::PosX, 5.0}, {C::ZCollision, 2.0}, {C::ColliderType, "AABB"}},
       "set as AABB\n",
       [](const C& c) {
         EXPECT_EQ(Shape(c).GetPosition(), (Vec2{0, 0}));
         EXPECT_EQ(Shape(c).GetZ(), 0);
       }},
      {"a second shape keeps the first, and is still announced",
       {{C::ColliderType, "AABB"}, {C::ColliderType, "Circle"}},
       "set as AABB\nset as Circle\n",
       [](const C& c) { EXPECT_EQ(Shape(c).GetType(), Collider::TypeAABB); }},
      {"Empty after a shape keeps the shape and empties the object",
       {{C::ColliderType, "OBB"}, {C::ColliderType, "Empty"}},
       "set as OBB\nset as Empty\n",
       [](const C& c) {
         EXPECT_EQ(Shape(c).GetType(), Collider::TypeOBB);
         EXPECT_TRUE(c.empty);
       }},
      {"the collision layer",
       {{C::ColliderType, "Circle"}, {C::ZCollision, 1.5}},
       "set as Circle\n",
       [](const C& c) { EXPECT_EQ(Shape(c).GetZ(), 1.5); }},
      {"the collision id and every avoided id",
       {{C::Id, 7}, {C::IdToAvoid, 3}, {C::IdToAvoid, 4}, {C::IdToAvoid, 3}},
       "",
       [](const C& c) {
         EXPECT_EQ(c.collisionId, 7);
         EXPECT_EQ(c.avoidIds, (std::vector<std::int32_t>{3, 4, 3}));
         EXPECT_TRUE(c.AvoidsId(4));
         EXPECT_FALSE(c.AvoidsId(7));
       }},
      {"trigger flags take exactly \"true\" and \"false\"",
       {{C::AvoidTrigger, "true"}, {C::AvoidTileTrigger, "TRUE"}, {C::AvoidTrigger, "yes"}},
       "",
       [](const C& c) {
         EXPECT_TRUE(c.avoidTrigger);
         EXPECT_FALSE(c.avoidTileTrigger);
       }},
      {"\"false\" clears a trigger flag",
       {{C::AvoidTileTrigger, "true"}, {C::AvoidTileTrigger, "false"}},
       "",
       [](const C& c) { EXPECT_FALSE(c.avoidTileTrigger); }},
      {"occluding is switched on, never off",
       {{C::Occluding, 1}, {C::Occluding, 0}},
       "",
       [](const C& c) { EXPECT_TRUE(c.occluding); }},
      {"a value of another type than the parameter's is ignored",
       {{C::ColliderType, "AABB"}, {C::PosX, 5}, {C::Id, 3.0}, {C::Occluding, "1"}, {C::ColliderType, 1.0}},
       "set as AABB\n",
       [](const C& c) {
         EXPECT_EQ(Shape(c).GetPosition().x, 0);
         EXPECT_EQ(c.collisionId, -1);
         EXPECT_FALSE(c.occluding);
       }},
      {"by name as by index",
       {{0, "Circle", "Collider_Type"},
        {0, 4.0, "radius"},
        {0, 2.0, "pos y"},
        {0, 9, "id"},
        {0, "true", "avoidTrigger"}},
       "set as Circle\n",
       [](const C& c) {
         EXPECT_EQ(Shape(c).GetMax(), (Vec2{4, 6}));
         EXPECT_EQ(c.collisionId, 9);
         EXPECT_TRUE(c.avoidTrigger);
       }},
      {"values that are not finite never reach the collider",
       {{C::ColliderType, "Circle"},
        {C::PosX, 3.0},
        {C::PosX, kNaN},
        {C::Radius, 2.0},
        {C::Radius, kInfinity},
        {C::ZCollision, -kInfinity},
        {C::Orientation, kNaN}},
       "set as Circle\n",
       [](const C& c) {
         EXPECT_EQ(Shape(c).GetMin(), (Vec2{1, -2}));
         EXPECT_EQ(Shape(c).GetZ(), 0);
         EXPECT_EQ(Shape(c).GetRotation(), 0);
       }},
  };
  for (const ParamCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto component = Made();
    EXPECT_EQ(component->collisionId, -1);
    ::testing::internal::CaptureStdout();
    for (const Param& p : c.params) Apply(*component, p);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.printed);
    c.check(*component);
  }
}

TEST(CollisionParameters, ANonFiniteValueIsToldOnceNamingTheObject) {
  GameObject object(nullptr, 42);
  object.SetUniqueId(7);
  auto before = Made();
  auto after = Made();
  ::testing::internal::CaptureStderr();
  Apply(*before, {C::ColliderType, "AABB"});
  Apply(*before, {C::Width, kNaN});
  const std::string beforeAttach = ::testing::internal::GetCapturedStderr();
  ::testing::internal::CaptureStderr();
  before->OnAttach(&object);
  after->OnAttach(&object);
  Apply(*after, {C::ColliderType, "OBB"});
  Apply(*after, {C::PosY, kInfinity});
  Apply(*after, {C::Height, kNaN});
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(beforeAttach, "") << "told once the object is known";
  EXPECT_EQ(err,
            "Error! Collision \"width\" of object 42 (unique id 7): a value that is not a finite number is ignored\n"
            "Error! Collision \"pos y\" of object 42 (unique id 7): a value that is not a finite number is ignored\n");
  EXPECT_EQ(after->GetCollider()->GetMax(), (Vec2{0, 0}));
}

TEST(CollisionContactInfo, AValueIsFoundOnlyUnderItsOwnType) {
  CollisionComponent c;
  c.SetContactInfoInteger("hp", 5);
  c.SetContactInfoReal("speed", 2.5);
  c.SetContactInfoString("team", "red");
  c.SetContactInfoString("swapped", "text");
  c.SetContactInfoInteger("swapped", 3);
  struct Case {
    const char* key;
    bool text, integer, real;
  };
  for (const Case& k :
       {Case{"hp", false, true, false}, Case{"speed", false, false, true}, Case{"team", true, false, false},
        Case{"swapped", false, true, false}, Case{"absent", false, false, false}, Case{"HP", false, false, false}}) {
    SCOPED_TRACE(k.key);
    const auto text = c.GetContactInfoString(k.key);
    const auto integer = c.GetContactInfoInteger(k.key);
    const auto real = c.GetContactInfoReal(k.key);
    EXPECT_EQ(text.found, k.text);
    EXPECT_EQ(integer.found, k.integer);
    EXPECT_EQ(real.found, k.real);
    if (!k.text) {
      EXPECT_EQ(text.value, "");
    }
    if (!k.integer) {
      EXPECT_EQ(integer.value, -1);
    }
    if (!k.real) {
      EXPECT_EQ(real.value, -1.0);
    }
  }
  EXPECT_EQ(c.GetContactInfoInteger("hp").value, 5);
  EXPECT_EQ(c.GetContactInfoReal("speed").value, 2.5);
  EXPECT_EQ(c.GetContactInfoString("team").value, "red");
  // The whole entry is replaced: the old text is gone, not just hidden.
  const DataBun& swapped = c.GetContactInfo().at("swapped");
  EXPECT_EQ(swapped.type, static_cast<std::uint32_t>(DataInt));
  EXPECT_EQ(swapped.stringValue, "");
  EXPECT_EQ(swapped.intValue, 3);
}

TEST(CollisionQueries, BoundsOverlapAndDispatchThroughTheComponents) {
  auto box = Made();
  auto circle = Made();
  auto bare = Made();
  ::testing::internal::CaptureStdout();
  for (const Param& p : {Param{C::ColliderType, "AABB"}, Param{C::Width, 10.0}, Param{C::Height, 10.0}}) {
    Apply(*box, p);
  }
  for (const Param& p : {Param{C::ColliderType, "Circle"}, Param{C::PosX, 8.0}, Param{C::Radius, 3.0}}) {
    Apply(*circle, p);
  }
  ::testing::internal::GetCapturedStdout();
  // Borders included: the circle reaches x = 5 exactly.
  EXPECT_TRUE(box->BoundsOverlap(*circle));
  EXPECT_TRUE(circle->BoundsOverlap(*box));
  EXPECT_FALSE(box->BoundsOverlap(*bare));
  Manifold m;
  ASSERT_TRUE(circle->CollideDispatch(*box, m));
  EXPECT_EQ(m.normal, (Vec2{-1, 0}));
  ASSERT_TRUE(box->CollideDispatch(*circle, m));
  EXPECT_EQ(m.normal, (Vec2{1, 0}));
  EXPECT_FALSE(box->CollideDispatch(*bare, m));
  EXPECT_FALSE(bare->CollideDispatch(*box, m));
  EXPECT_TRUE(box->OverlapsBox(10.0f, 0.0f, 5.0f, 1.0f));
  EXPECT_FALSE(box->OverlapsBox(10.0f, 0.0f, 4.9f, 1.0f));
  EXPECT_FALSE(bare->OverlapsBox(0, 0, 100, 100));
}

}  // namespace
